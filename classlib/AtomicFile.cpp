#include "classlib/AtomicFile.h"

#include <mutex>

#include "classlib/StringRoutines.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/fs/files.h"

namespace classlib {

namespace {

std::mutex& HookLock() {
  static std::mutex m;
  return m;
}

std::function<void(const String&)>& Hook() {
  static std::function<void(const String&)> hook;
  return hook;
}

// Closes a handle when it goes out of scope.
class HandleGuard {
 public:
  explicit HandleGuard(HANDLE h) : h_(h) {}
  ~HandleGuard() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;
  HANDLE get() const { return h_; }
  void Close() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE h, const String& contents) {
  std::size_t done = 0;
  while (done < contents.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 20));
    DWORD put = 0;
    if (!WriteFile(h, contents.data() + done, chunk, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const String& file_name, const String& contents) {
  // One temporary name per process and thread, so that writers never share
  // a half-written temporary file.
  const String temp = file_name + "." + IntToHex(GetCurrentProcessId(), 1) + "-" +
                      IntToHex(GetCurrentThreadId(), 1) + ".tmp";
  HandleGuard out(CreateFile(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
  if (out.get() == INVALID_HANDLE_VALUE) return false;
  const bool written = WriteAll(out.get(), contents) && FlushFileBuffers(out.get());
  out.Close();
  if (!written) {
    const DWORD error = GetLastError();
    DeleteFile(temp.c_str());
    SetLastError(error);
    return false;
  }
  std::function<void(const String&)> hook;
  {
    std::lock_guard<std::mutex> lock(HookLock());
    hook = Hook();
  }
  if (hook) hook(temp);
  if (!MoveFileEx(temp.c_str(), file_name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteFile(temp.c_str());
    SetLastError(error);
    return false;
  }
  return true;
}

bool ReadWholeFile(const String& file_name, String& contents) {
  HandleGuard in(CreateFile(file_name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (in.get() == INVALID_HANDLE_VALUE) return false;
  contents.clear();
  // Room for the whole file at once: a list of many rows is read in one
  // piece, and growing the string by doubling would hold twice its size.
  LARGE_INTEGER size{};
  if (GetFileSizeEx(in.get(), &size) && size.QuadPart > 0) contents.reserve(static_cast<std::size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    contents.append(buffer, got);
  }
  return true;
}

namespace testing {
void SetBeforeReplaceHook(std::function<void(const String& temp_name)> hook) {
  std::lock_guard<std::mutex> lock(HookLock());
  Hook() = std::move(hook);
}
}  // namespace testing

}  // namespace classlib

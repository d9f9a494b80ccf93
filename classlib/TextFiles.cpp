#include "classlib/TextFiles.h"

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/files.h"

namespace {

constexpr std::size_t kBufferSize = 4096;

String IoErrorText(int code) {
  switch (code) {
    case 2: return "File not found";
    case 3: return "Path not found";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 102: return "File not assigned";
    case 103: return "File not open";
    case 104: return "File not open for input";
    case 105: return "File not open for output";
    default: return Format("I/O error %d", code);
  }
}

}  // namespace

TextFile::~TextFile() {
  // A destructor must not throw: write out what is left, quietly.
  try {
    Close();
  } catch (const EInOutError&) {
  }
}

void TextFile::Fail(int code) const { throw EInOutError(IoErrorText(code), code); }

void TextFile::Assign(const String& FileName) {
  if (handle_ != nullptr) Close();
  file_name_ = FileName;
  assigned_ = true;
}

void TextFile::Open(Mode mode, DWORD access, DWORD creation, bool at_end) {
  if (!assigned_) Fail(102);
  if (handle_ != nullptr) Close();
  const DWORD share = access == GENERIC_READ ? FILE_SHARE_READ : 0;
  HANDLE h = CreateFile(file_name_.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail(static_cast<int>(GetLastError()));
  if (at_end) {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    SetFilePointerEx(h, zero, nullptr, FILE_END);
  }
  handle_ = h;
  mode_ = mode;
  buffer_.clear();
  pos_ = 0;
}

void TextFile::Reset() { Open(Mode::Input, GENERIC_READ, OPEN_EXISTING, false); }
void TextFile::Rewrite() { Open(Mode::Output, GENERIC_WRITE, CREATE_ALWAYS, false); }
void TextFile::Append() { Open(Mode::Output, GENERIC_WRITE, OPEN_EXISTING, true); }

bool TextFile::FillBuffer() {
  buffer_.resize(kBufferSize);
  DWORD got = 0;
  if (!ReadFile(handle_, buffer_.data(), static_cast<DWORD>(kBufferSize), &got, nullptr)) {
    buffer_.clear();
    pos_ = 0;
    Fail(100);
  }
  buffer_.resize(got);
  pos_ = 0;
  return got > 0;
}

int TextFile::Peek() {
  if (pos_ >= buffer_.size() && !FillBuffer()) return -1;
  return static_cast<unsigned char>(buffer_[pos_]);
}

bool TextFile::Eof() {
  if (handle_ == nullptr) Fail(103);
  if (mode_ != Mode::Input) return true;
  return Peek() < 0;
}

String TextFile::ReadLn() {
  if (handle_ == nullptr) Fail(103);
  if (mode_ != Mode::Input) Fail(104);
  String line;
  for (;;) {
    const int c = Peek();
    if (c < 0) return line;
    ++pos_;
    if (c == '\n') return line;
    if (c == '\r') {
      if (Peek() == '\n') ++pos_;
      return line;
    }
    line += static_cast<char>(c);
  }
}

void TextFile::Write(const String& Text) {
  if (handle_ == nullptr) Fail(103);
  if (mode_ != Mode::Output) Fail(105);
  buffer_ += Text;
  if (buffer_.size() >= kBufferSize) Flush();
}

void TextFile::WriteLn(const String& Text) { Write(Text + "\r\n"); }

void TextFile::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    DWORD put = 0;
    if (!WriteFile(handle_, buffer_.data() + done, static_cast<DWORD>(buffer_.size() - done), &put, nullptr) ||
        put == 0) {
      buffer_.clear();
      Fail(101);
    }
    done += put;
  }
  buffer_.clear();
}

void TextFile::Close() {
  if (handle_ == nullptr) return;
  HANDLE h = handle_;
  const bool writing = mode_ == Mode::Output;
  try {
    if (writing) Flush();
  } catch (...) {
    CloseHandle(h);
    handle_ = nullptr;
    mode_ = Mode::Closed;
    throw;
  }
  CloseHandle(h);
  handle_ = nullptr;
  mode_ = Mode::Closed;
  buffer_.clear();
  pos_ = 0;
}

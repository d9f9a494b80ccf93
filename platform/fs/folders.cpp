// The current directory, full path names, and the temporary, Windows and
// system folders.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "platform/fs/path_resolver.h"

namespace {

struct SpecialFolders {
  std::mutex mutex;
  std::string windows;  // Linux folders; empty: the default
  std::string temp;
};

SpecialFolders& Folders() {
  static SpecialFolders* folders = new SpecialFolders;  // never destroyed: used during exit
  return *folders;
}

std::string DefaultWindowsFolder() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (data_home != nullptr && data_home[0] == '/') return std::string(data_home) + "/velko/Windows";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/.local/share/velko/Windows";
}

std::string DefaultTempFolder() {
  const char* temp = std::getenv("TMPDIR");
  return temp != nullptr && temp[0] == '/' ? temp : "/tmp";
}

// The Linux folder behind one of the special folders, made if missing.
std::string SpecialFolder(std::string SpecialFolders::*which, std::string (*fallback)()) {
  std::string folder;
  {
    SpecialFolders& folders = Folders();
    std::lock_guard<std::mutex> lock(folders.mutex);
    folder = folders.*which;
  }
  if (folder.empty()) folder = fallback();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

// The buffer convention of the folder calls: the length copied without the
// final NUL, or the size needed with the NUL (nothing copied) when it does
// not fit.
DWORD CopyOut(const std::string& text, DWORD buffer_length, LPSTR buffer) {
  const auto needed = static_cast<DWORD>(text.size() + 1);
  if (buffer_length < needed) return needed;
  if (buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), needed);
  return needed - 1;
}

// The platform path of a Linux folder, failing when no drive holds it.
std::optional<std::string> PlatformFolder(const std::string& native) {
  std::optional<std::string> path = platform::PlatformPath(native);
  if (!path) SetLastError(ERROR_PATH_NOT_FOUND);
  return path;
}

UINT FolderCall(const std::string& native, UINT size, LPSTR buffer) {
  std::optional<std::string> path = PlatformFolder(native);
  return path ? CopyOut(*path, size, buffer) : 0;
}

}  // namespace

namespace platform {

void SetWindowsFolder(const std::string& native_folder) {
  SpecialFolders& folders = Folders();
  std::lock_guard<std::mutex> lock(folders.mutex);
  folders.windows = native_folder;
}

void SetTempFolder(const std::string& native_folder) {
  SpecialFolders& folders = Folders();
  std::lock_guard<std::mutex> lock(folders.mutex);
  folders.temp = native_folder;
}

}  // namespace platform

DWORD GetCurrentDirectory(DWORD buffer_length, LPSTR buffer) {
  return CopyOut(platform::fs::FormatPlatformPath(platform::fs::CurrentDirectoryParts()), buffer_length, buffer);
}

BOOL SetCurrentDirectory(LPCSTR path) {
  std::optional<platform::fs::ResolvedPath> resolved = platform::fs::ResolvePath(path);
  if (!resolved) return FALSE;
  if (!resolved->exists) {
    SetLastError(resolved->MissingError());
    return FALSE;
  }
  if (!resolved->facts.is_directory) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  platform::fs::SetCurrentDirectoryParts(resolved->parts);
  // Keep the process's own folder in step for code that opens Linux paths
  // relative to it (the stand-in libraries); nothing depends on it working.
  // Staying where it was is harmless: platform paths never use it.
  if (!resolved->cd_disc) {
    [[maybe_unused]] const int moved = chdir(resolved->native.c_str());
  }
  return TRUE;
}

DWORD GetFullPathName(LPCSTR file_name, DWORD buffer_length, LPSTR buffer, LPSTR* file_part) {
  if (file_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (file_name[0] == '\0') {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  DWORD error = 0;
  std::optional<platform::fs::PlatformPathParts> parts = platform::fs::ParseAgainstCurrent(file_name, &error);
  if (!parts) {
    SetLastError(error);
    return 0;
  }
  const std::string full = platform::fs::FormatPlatformPath(*parts, true);
  const DWORD result = CopyOut(full, buffer_length, buffer);
  if (file_part != nullptr && result > 0 && result < buffer_length) {
    const bool names_a_folder = full.back() == '\\';
    *file_part = names_a_folder ? nullptr : buffer + full.rfind('\\') + 1;
  }
  return result;
}

DWORD GetTempPath(DWORD buffer_length, LPSTR buffer) {
  std::optional<std::string> path = PlatformFolder(SpecialFolder(&SpecialFolders::temp, DefaultTempFolder));
  if (!path) return 0;
  if (path->back() != '\\') *path += '\\';
  return CopyOut(*path, buffer_length, buffer);
}

UINT GetTempFileName(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR temp_file_name) {
  if (path == nullptr || temp_file_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::optional<platform::fs::ResolvedPath> folder = platform::fs::ResolvePath(path);
  if (!folder) return 0;
  if (!folder->exists || !folder->facts.is_directory || folder->cd_disc) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  std::string stem = platform::fs::FormatPlatformPath(folder->parts);
  if (stem.back() != '\\') stem += '\\';
  if (prefix != nullptr) stem += std::string(prefix).substr(0, 3);
  if (stem.size() + 8 >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  const auto name_for = [&](UINT number) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "%04X.TMP", number & 0xFFFFu);
    return stem + tail;
  };
  if (unique != 0) {
    const std::string name = name_for(unique);
    std::memcpy(temp_file_name, name.c_str(), name.size() + 1);
    return unique & 0xFFFFu;
  }
  // Start somewhere different in each process and at each call, then take
  // the first number whose file can be created new.
  static std::atomic<UINT> counter{0};
  const UINT start = (static_cast<UINT>(getpid()) * 7919u + GetTickCount() + counter++ * 104729u) & 0xFFFFu;
  for (UINT step = 0; step < 0x10000u; ++step) {
    const UINT number = (start + step) & 0xFFFFu;
    if (number == 0) continue;
    const std::string name = name_for(number);
    HANDLE file = CreateFile(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      std::memcpy(temp_file_name, name.c_str(), name.size() + 1);
      SetLastError(ERROR_SUCCESS);
      return number;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return 0;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

UINT GetWindowsDirectory(LPSTR buffer, UINT size) {
  return FolderCall(SpecialFolder(&SpecialFolders::windows, DefaultWindowsFolder), size, buffer);
}

UINT GetSystemDirectory(LPSTR buffer, UINT size) {
  const std::string system = SpecialFolder(&SpecialFolders::windows, DefaultWindowsFolder) + "/System32";
  std::error_code ec;
  std::filesystem::create_directories(system, ec);
  return FolderCall(system, size, buffer);
}

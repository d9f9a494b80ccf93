#include "classlib/FileRoutines.h"

#include <unistd.h>

#include <fstream>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/PathRoutines.h"
#include "classlib/Streams.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"

// --- Handles ---

HANDLE FileOpen(const String& FileName, WORD Mode) {
  static const DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  const unsigned access = Mode & 3;
  const unsigned share = (Mode & 0xF0) >> 4;
  if (access > 2 || share > 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFile(FileName.c_str(), kAccess[access], kShare[share], nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE FileCreate(const String& FileName) {
  return CreateFile(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
}

int FileRead(HANDLE Handle, void* Buffer, int Count) {
  DWORD got = 0;
  if (Count < 0 || !ReadFile(Handle, Buffer, static_cast<DWORD>(Count), &got, nullptr)) return -1;
  return static_cast<int>(got);
}

int FileWrite(HANDLE Handle, const void* Buffer, int Count) {
  DWORD put = 0;
  if (Count < 0 || !WriteFile(Handle, Buffer, static_cast<DWORD>(Count), &put, nullptr)) return -1;
  return static_cast<int>(put);
}

std::int64_t FileSeek(HANDLE Handle, std::int64_t Offset, int Origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = Offset;
  LARGE_INTEGER position;
  position.QuadPart = 0;
  if (!SetFilePointerEx(Handle, distance, &position, static_cast<DWORD>(Origin))) return -1;
  return position.QuadPart;
}

void FileClose(HANDLE Handle) { CloseHandle(Handle); }

// --- Existence, folders, names ---

bool FileExists(const String& FileName) {
  const DWORD attr = GetFileAttributes(FileName.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const String& Directory) {
  const DWORD attr = GetFileAttributes(Directory.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const String& DirIn) {
  if (DirIn.empty()) throw Exception(SysConst::SCannotCreateDir);
  const String dir = ExcludeTrailingBackslash(DirIn);
  // A drive root ("C:") or a name with nothing above it ends the climb.
  if (dir.size() < 3 || DirectoryExists(dir) || ExtractFilePath(dir) == dir) return true;
  return ForceDirectories(ExtractFilePath(dir)) && CreateDir(dir);
}

bool CreateDir(const String& Dir) { return CreateDirectory(Dir.c_str(), nullptr) != FALSE; }

bool RemoveDir(const String& Dir) { return RemoveDirectory(Dir.c_str()) != FALSE; }

bool DeleteFile(const String& FileName) { return DeleteFile(FileName.c_str()) != FALSE; }

bool RenameFile(const String& OldName, const String& NewName) {
  return MoveFile(OldName.c_str(), NewName.c_str()) != FALSE;
}

// --- Dates and attributes ---

TDateTime FileTimeToLocalDateTime(const FILETIME& ft) {
  FILETIME local{};
  if (!FileTimeToLocalFileTime(&ft, &local)) return 0;
  return FileTimeToDateTime(local);
}

namespace {

// Local DOS date of a UTC file time, or -1 when it has no DOS form.
std::int32_t LocalDosDate(const FILETIME& ft) {
  FILETIME local{};
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return -1;
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
}

}  // namespace

std::int32_t FileAge(const String& FileName) {
  WIN32_FIND_DATA data{};
  HANDLE find = FindFirstFile(FileName.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  ::FindClose(find);
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return -1;
  return LocalDosDate(data.ftLastWriteTime);
}

std::int32_t FileGetDate(HANDLE Handle) {
  FILETIME write{};
  if (!GetFileTime(Handle, nullptr, nullptr, &write)) return -1;
  return LocalDosDate(write);
}

int FileSetDate(HANDLE Handle, std::int32_t Age) {
  const auto bits = static_cast<std::uint32_t>(Age);
  FILETIME local{}, ft{};
  if (!DosDateTimeToFileTime(static_cast<WORD>(bits >> 16), static_cast<WORD>(bits & 0xFFFF), &local) ||
      !LocalFileTimeToFileTime(&local, &ft)) {
    return static_cast<int>(ERROR_INVALID_PARAMETER);
  }
  if (!SetFileTime(Handle, nullptr, nullptr, &ft)) return static_cast<int>(GetLastError());
  return 0;
}

int FileGetAttr(const String& FileName) {
  const DWORD attr = GetFileAttributes(FileName.c_str());
  return attr == INVALID_FILE_ATTRIBUTES ? -1 : static_cast<int>(attr);
}

int FileSetAttr(const String& FileName, int Attr) {
  if (!SetFileAttributes(FileName.c_str(), static_cast<DWORD>(Attr))) return static_cast<int>(GetLastError());
  return 0;
}

// --- Finding files ---

namespace {

constexpr int kSpecial = faHidden | faSysFile | faVolumeID | faDirectory;

// Skips entries with an excluded attribute and fills the record.
int FindMatchingFile(TSearchRec& F) {
  while ((F.FindData.dwFileAttributes & static_cast<DWORD>(F.ExcludeAttr)) != 0) {
    if (!FindNextFile(F.FindHandle, &F.FindData)) return static_cast<int>(GetLastError());
  }
  F.Time = LocalDosDate(F.FindData.ftLastWriteTime);
  F.Size = (static_cast<std::int64_t>(F.FindData.nFileSizeHigh) << 32) | F.FindData.nFileSizeLow;
  F.Attr = static_cast<int>(F.FindData.dwFileAttributes);
  F.Name = F.FindData.cFileName;
  return 0;
}

}  // namespace

int FindFirst(const String& Path, int Attr, TSearchRec& F) {
  F.ExcludeAttr = ~Attr & kSpecial;
  F.FindHandle = FindFirstFile(Path.c_str(), &F.FindData);
  if (F.FindHandle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  const int result = FindMatchingFile(F);
  if (result != 0) FindClose(F);
  return result;
}

int FindNext(TSearchRec& F) {
  if (!FindNextFile(F.FindHandle, &F.FindData)) return static_cast<int>(GetLastError());
  return FindMatchingFile(F);
}

void FindClose(TSearchRec& F) {
  if (F.FindHandle != INVALID_HANDLE_VALUE) {
    ::FindClose(F.FindHandle);
    F.FindHandle = INVALID_HANDLE_VALUE;
  }
}

// --- Full paths and the current folder ---

String ExpandFileName(const String& FileName) {
  std::vector<char> buffer(MAX_PATH);
  DWORD n = GetFullPathName(FileName.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (n >= buffer.size()) {
    buffer.resize(n + 1);
    n = GetFullPathName(FileName.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  }
  if (n == 0 || n >= buffer.size()) return FileName;
  return String(buffer.data(), n);
}

String GetCurrentDir() {
  std::vector<char> buffer(MAX_PATH);
  DWORD n = GetCurrentDirectory(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n >= buffer.size()) {
    buffer.resize(n + 1);
    n = GetCurrentDirectory(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  return n == 0 || n >= buffer.size() ? String() : String(buffer.data(), n);
}

bool SetCurrentDir(const String& Dir) { return SetCurrentDirectory(Dir.c_str()) != FALSE; }

// --- The command line ---

namespace {

std::vector<String> CommandLine() {
  std::vector<String> args;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  String arg;
  char c;
  while (in.get(c)) {
    if (c == '\0') {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += c;
    }
  }
  if (!arg.empty()) args.push_back(arg);
  return args;
}

// The program's own path as the platform reports it (tests may place the
// program elsewhere through the platform's program-path seam).
String ProgramPath() {
  std::vector<char> buffer(4096);
  const DWORD n = GetModuleFileName(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return String();
  return String(buffer.data(), n);
}

}  // namespace

String ParamStr(int Index) {
  if (Index == 0) return ProgramPath();
  static const std::vector<String> args = CommandLine();
  if (Index < 0 || static_cast<std::size_t>(Index) >= args.size()) return String();
  return args[static_cast<std::size_t>(Index)];
}

String ProgramFolder() { return ExtractFilePath(ParamStr(0)); }

int ParamCount() {
  static const std::vector<String> args = CommandLine();
  return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

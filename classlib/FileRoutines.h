// File routines over the platform's files (platform/fs): platform-style
// paths ("C:\Music\a.mp3"), file handles, attributes, finding files and
// file dates in the 32-bit DOS form (see FileDateToDateTime).
#pragma once

#include <cstdint>

#include "classlib/DateTime.h"
#include "classlib/Object.h"
#include "platform/core/types.h"
#include "platform/fs/files.h"

// Attribute bits of FindFirst and FileGetAttr.
inline constexpr int faReadOnly = 0x01;
inline constexpr int faHidden = 0x02;
inline constexpr int faSysFile = 0x04;
inline constexpr int faVolumeID = 0x08;
inline constexpr int faDirectory = 0x10;
inline constexpr int faArchive = 0x20;
inline constexpr int faAnyFile = 0x3F;

// Opens an existing file with a TFileStream mode (fmOpenRead ... or'ed with
// fmShare...); INVALID_HANDLE_VALUE on failure (the last error says why).
HANDLE FileOpen(const String& FileName, WORD Mode);
// Creates (or empties) a file for reading and writing, shared with no one.
HANDLE FileCreate(const String& FileName);
// Bytes read or written, or -1 on failure.
int FileRead(HANDLE Handle, void* Buffer, int Count);
int FileWrite(HANDLE Handle, const void* Buffer, int Count);
// Moves the file pointer (Origin 0 start, 1 current, 2 end); the new
// position or -1.
std::int64_t FileSeek(HANDLE Handle, std::int64_t Offset, int Origin);
void FileClose(HANDLE Handle);

// True for an existing file that is not a folder.
bool FileExists(const String& FileName);
bool DirectoryExists(const String& Directory);
// Creates the folder and every missing folder above it. An empty name
// raises Exception "Unable to create directory".
bool ForceDirectories(const String& Dir);
bool CreateDir(const String& Dir);
bool RemoveDir(const String& Dir);
bool DeleteFile(const String& FileName);
bool RenameFile(const String& OldName, const String& NewName);

// The last-write time of a file (not a folder) as a local DOS date, or -1.
std::int32_t FileAge(const String& FileName);
// The last-write time of an open file as a local DOS date, or -1.
std::int32_t FileGetDate(HANDLE Handle);
// Sets the last-write time; 0 or a platform error code.
int FileSetDate(HANDLE Handle, std::int32_t Age);
// The attribute bits, or -1 when the file does not exist.
int FileGetAttr(const String& FileName);
// 0 or a platform error code.
int FileSetAttr(const String& FileName, int Attr);

// One found directory entry. Time is the local last-write time as a DOS
// date; Attr the attribute bits; Name the name without folder.
struct TSearchRec {
  std::int32_t Time = 0;
  std::int64_t Size = 0;
  int Attr = 0;
  String Name;
  int ExcludeAttr = 0;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATA FindData{};
};

// Lists the entries matching Path (a folder and a mask with * and ?).
// Entries that carry the hidden, system, volume or directory attribute are
// left out unless Attr includes it. Returns 0 and fills F with the first
// entry, or a platform error code (ERROR_FILE_NOT_FOUND,
// ERROR_NO_MORE_FILES, ERROR_PATH_NOT_FOUND...); after a 0, FindClose must
// be called.
int FindFirst(const String& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// The full path of a name relative to the current folder, with "." and
// ".." resolved.
String ExpandFileName(const String& FileName);
String GetCurrentDir();
bool SetCurrentDir(const String& Dir);

// ParamStr(0) is the program file's full platform path; ParamStr(i) the
// i-th command-line argument ("" past the last). ParamCount is the number
// of arguments.
String ParamStr(int Index);
int ParamCount();
// The folder of the program's own file, with its trailing backslash.
String ProgramFolder();

// A platform FILETIME (UTC) as local time.
TDateTime FileTimeToLocalDateTime(const FILETIME& ft);

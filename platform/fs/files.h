// Files, folders, finding files and the drive table. Every path given to or
// returned by these calls is a platform-style path ("C:\Music\song.mp3");
// the drive table maps drive letters to Linux folders (see drives.h).
#pragma once

#include "platform/core/types.h"

// CreateFile access, sharing and creation.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
// Specific rights (the generic rights imply them).
constexpr DWORD FILE_READ_DATA = 0x0001;
constexpr DWORD FILE_WRITE_DATA = 0x0002;
constexpr DWORD FILE_APPEND_DATA = 0x0004;
constexpr DWORD DELETE_ACCESS = 0x00010000;  // the platform calls this right DELETE
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

// File attributes.
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
// In find records: the entry is a symbolic link (its other facts are those
// of what it points at), so that walkers can leave linked folders alone.
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
// CreateFile flags: accepted and not needed here (caching is the kernel's).
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;

// Opens or creates a file (never a folder: that fails with ERROR_ACCESS_DENIED).
// Sharing is enforced between the handles of this process. After CREATE_ALWAYS
// or OPEN_ALWAYS the last error is ERROR_ALREADY_EXISTS when the file was
// there, else 0. A FILE_ATTRIBUTE_READONLY file refuses write access even to
// the superuser, as on the platform.
HANDLE CreateFile(LPCSTR file_name, DWORD desired_access, DWORD share_mode,
                  LPSECURITY_ATTRIBUTES security, DWORD creation_disposition,
                  DWORD flags_and_attributes, HANDLE template_file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read,
              LPVOID overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written,
               LPVOID overlapped);
// With `distance_high` the distance is 64-bit (high part in, new high part
// out); without it, a new position beyond 32 bits fails. On success the last
// error is 0, since INVALID_SET_FILE_POINTER is also a valid low part.
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD move_method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* new_position,
                      DWORD move_method);
DWORD GetFileSize(HANDLE file, LPDWORD size_high);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
// Null outputs are skipped. SetFileTime leaves a time unchanged for a null
// pointer or a zero time; Linux keeps no settable creation time, so that one
// is accepted and ignored.
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* last_access, FILETIME* last_write);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* last_access,
                 const FILETIME* last_write);

DWORD GetFileAttributes(LPCSTR file_name);
// Only FILE_ATTRIBUTE_READONLY has an effect (it takes away every write
// permission; clearing it gives the owner write permission back).
BOOL SetFileAttributes(LPCSTR file_name, DWORD attributes);
BOOL DeleteFile(LPCSTR file_name);
BOOL MoveFile(LPCSTR existing, LPCSTR new_name);
BOOL MoveFileEx(LPCSTR existing, LPCSTR new_name, DWORD flags);
BOOL CopyFile(LPCSTR existing, LPCSTR new_name, BOOL fail_if_exists);
BOOL CreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectory(LPCSTR path);

// Calls that fill a buffer return the length written (without the final
// NUL), or, when the buffer is too small, the size needed (with the NUL) and
// write nothing; 0 on failure.
DWORD GetCurrentDirectory(DWORD buffer_length, LPSTR buffer);
BOOL SetCurrentDirectory(LPCSTR path);
DWORD GetFullPathName(LPCSTR file_name, DWORD buffer_length, LPSTR buffer, LPSTR* file_part);
DWORD GetTempPath(DWORD buffer_length, LPSTR buffer);
// "<path>\<first three of prefix><4 hex digits>.TMP"; with `unique` 0 the
// number is chosen and the file created empty. `temp_file_name` must hold MAX_PATH.
UINT GetTempFileName(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR temp_file_name);
UINT GetWindowsDirectory(LPSTR buffer, UINT size);
UINT GetSystemDirectory(LPSTR buffer, UINT size);

struct WIN32_FIND_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
using WIN32_FIND_DATAA = WIN32_FIND_DATA;

// `file_name` is a folder and a mask ("C:\Music\*.mp3"; see NameMask for
// the mask rules) or one name. Entries come in the platform's order: "." and
// ".." first (not in a drive's root), then by name ignoring case.
HANDLE FindFirstFile(LPCSTR file_name, WIN32_FIND_DATA* find_data);
BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA* find_data);
BOOL FindClose(HANDLE find);

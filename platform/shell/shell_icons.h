// The shell's file information: the large (32-pixel) and small (16-pixel)
// icons of drive roots, one per drive type, and of folders and files by
// their kind. The pictures are the program's "SHELL_DRIVE_<type>.ico"
// files in its Resources folder (REMOVABLE, FIXED, REMOTE, CDROM, RAMDISK,
// UNKNOWN) and "SHELL_<kind>.ico" (FOLDER, DOCUMENT, AUDIO, MOVIE,
// PROGRAM). The system image lists hold them all, in that order.
#pragma once

#include "platform/core/types.h"

constexpr UINT SHGFI_LARGEICON = 0x000000000;
constexpr UINT SHGFI_SMALLICON = 0x000000001;
constexpr UINT SHGFI_ICON = 0x000000100;
constexpr UINT SHGFI_SYSICONINDEX = 0x000004000;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x000000010;

// Indexes of the system image lists.
constexpr int kShellIconFolder = 6;
constexpr int kShellIconDocument = 7;
constexpr int kShellIconAudio = 8;
constexpr int kShellIconMovie = 9;
constexpr int kShellIconProgram = 10;

struct SHFILEINFOA {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  CHAR szDisplayName[MAX_PATH];
  CHAR szTypeName[80];
};

// `path` is a drive root ("c:\", "C:"), or a folder or file: an existing
// one, or with SHGFI_USEFILEATTRIBUTES any name, a folder when
// `file_attributes` holds FILE_ATTRIBUTE_DIRECTORY (files go by their
// extension). iIcon receives the index in the system image lists; with
// SHGFI_ICON, hIcon receives a new icon (DestroyIcon it). With
// SHGFI_SYSICONINDEX the result is the system image list (small with
// SHGFI_SMALLICON, else large; owned by the shell). Returns non-zero on
// success; 0 for a missing file, other flags, a too small record or a
// missing icon file.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD file_attributes, SHFILEINFOA* info, UINT info_size, UINT flags);

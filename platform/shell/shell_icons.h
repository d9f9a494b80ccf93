// The shell's file information: the large (32-pixel) and small (16-pixel)
// icons of drive roots, one per drive type. The pictures are the program's
// "SHELL_DRIVE_<type>.ico" files in its Resources folder (REMOVABLE,
// FIXED, REMOTE, CDROM, RAMDISK, UNKNOWN).
#pragma once

#include "platform/core/types.h"

constexpr UINT SHGFI_LARGEICON = 0x000000000;
constexpr UINT SHGFI_SMALLICON = 0x000000001;
constexpr UINT SHGFI_ICON = 0x000000100;

struct SHFILEINFOA {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  CHAR szDisplayName[MAX_PATH];
  CHAR szTypeName[80];
};

// `path` must be a drive root ("c:\", "C:"); with SHGFI_ICON, hIcon
// receives a new icon (DestroyIcon it) and iIcon its index among the
// drive icons. Returns non-zero on success; 0 for other paths, other
// flags, a too small record or a missing icon file.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD file_attributes, SHFILEINFOA* info, UINT info_size, UINT flags);

// The shell's file information: icons of drive roots (one per drive type),
// of folders and of files by their type, display and type names, and the
// small (16-pixel) and large (32-pixel) system image lists that hold every
// one of these icons at its index. The pictures are the program's
// "SHELL_DRIVE_<type>.ico", "SHELL_FOLDER.ico" and "SHELL_FILE_<kind>.ico"
// files in its Resources folder.
#pragma once

#include "platform/core/types.h"
#include "platform/ctl/imagelist.h"

constexpr UINT SHGFI_LARGEICON = 0x000000000;
constexpr UINT SHGFI_SMALLICON = 0x000000001;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x000000010;
constexpr UINT SHGFI_ICON = 0x000000100;
constexpr UINT SHGFI_DISPLAYNAME = 0x000000200;
constexpr UINT SHGFI_TYPENAME = 0x000000400;
constexpr UINT SHGFI_ATTRIBUTES = 0x000000800;
constexpr UINT SHGFI_SYSICONINDEX = 0x000004000;

struct SHFILEINFOA {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  CHAR szDisplayName[MAX_PATH];
  CHAR szTypeName[80];
};

// `path` is a drive root ("c:\", "C:"), a folder or a file. Without
// SHGFI_USEFILEATTRIBUTES a folder or file must exist (its attributes tell
// which it is); with it, `file_attributes` (FILE_ATTRIBUTE_DIRECTORY or
// not) and the name's extension decide, and nothing is looked up. iIcon
// always receives the icon's index in the system image lists; with
// SHGFI_ICON, hIcon receives a new icon (DestroyIcon it); SHGFI_DISPLAYNAME
// and SHGFI_TYPENAME fill the names, SHGFI_ATTRIBUTES dwAttributes (the
// file attributes). Returns non-zero on success: with SHGFI_SYSICONINDEX,
// the small or large system image list. 0 for a missing path, a too small
// record, unknown flags or a missing icon file.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD file_attributes, SHFILEINFOA* info, UINT info_size, UINT flags);

namespace platform {

// The system image lists (made on first use, never destroyed).
HIMAGELIST SystemImageList(bool small);

}  // namespace platform

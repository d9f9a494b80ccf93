#include "platform/shell/shell_icons.h"

#include <cctype>
#include <cstring>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/ctl/imagelist.h"
#include "platform/gdi/gdi.h"
#include "platform/fs/files.h"
#include "platform/user/icon_file.h"
#include "platform/user/user.h"

namespace {

// The drive icon's file stem and its index.
const char* DriveIconName(UINT type, int* index) {
  switch (type) {
    case DRIVE_REMOVABLE: *index = 0; return "REMOVABLE";
    case DRIVE_FIXED: *index = 1; return "FIXED";
    case DRIVE_REMOTE: *index = 2; return "REMOTE";
    case DRIVE_CDROM: *index = 3; return "CDROM";
    case DRIVE_RAMDISK: *index = 4; return "RAMDISK";
    default: *index = 5; return "UNKNOWN";
  }
}

// The icon file stem of a folder or file, and its index.
const char* KindIconName(bool folder, const std::string& path, int* index) {
  if (folder) {
    *index = kShellIconFolder;
    return "FOLDER";
  }
  std::string ext;
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.find_last_of("\\/");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    for (char c : path.substr(dot + 1)) ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  for (const char* audio : {"mp3", "ogg", "wav", "wma", "mid", "midi", "cda", "mod", "xm", "it", "s3m"}) {
    if (ext == audio) {
      *index = kShellIconAudio;
      return "AUDIO";
    }
  }
  for (const char* movie : {"avi", "mpg", "mpeg", "asf", "wmv", "mov"}) {
    if (ext == movie) {
      *index = kShellIconMovie;
      return "MOVIE";
    }
  }
  for (const char* program : {"exe", "com", "bat", "dll"}) {
    if (ext == program) {
      *index = kShellIconProgram;
      return "PROGRAM";
    }
  }
  *index = kShellIconDocument;
  return "DOCUMENT";
}

std::string IconFileOf(const char* stem, bool drive) {
  return platform::ProgramNativeFolder() + "/Resources/SHELL_" + (drive ? "DRIVE_" : "") + stem + ".ico";
}

// The system image list of one size: every shell icon in index order
// (an icon file that is missing leaves its place empty).
HIMAGELIST SystemImageList(bool small) {
  static HIMAGELIST lists[2] = {nullptr, nullptr};
  HIMAGELIST& list = lists[small ? 1 : 0];
  if (list != nullptr) return list;
  const int size = small ? 16 : 32;
  list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 11, 4);
  const char* const drives[] = {"REMOVABLE", "FIXED", "REMOTE", "CDROM", "RAMDISK", "UNKNOWN"};
  const char* const kinds[] = {"FOLDER", "DOCUMENT", "AUDIO", "MOVIE", "PROGRAM"};
  auto add = [&](const std::string& file) {
    HICON icon = platform::LoadIconFile(file.c_str(), size);
    if (icon == nullptr) {
      // An empty place keeps the indexes.
      HDC dc = GetDC(nullptr);
      HBITMAP blank = CreateCompatibleBitmap(dc, size, size);
      ReleaseDC(nullptr, dc);
      ImageList_Add(list, blank, nullptr);
      DeleteObject(blank);
      return;
    }
    ImageList_AddIcon(list, icon);
    DestroyIcon(icon);
  };
  for (const char* d : drives) add(IconFileOf(d, true));
  for (const char* k : kinds) add(IconFileOf(k, false));
  return list;
}

bool IsDriveRoot(const char* path) {
  if (path == nullptr || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return false;
  return path[2] == '\0' || ((path[2] == '\\' || path[2] == '/') && path[3] == '\0');
}

}  // namespace

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD file_attributes, SHFILEINFOA* info, UINT info_size, UINT flags) {
  if (info == nullptr || info_size < sizeof(SHFILEINFOA) || path == nullptr || path[0] == '\0' ||
      (flags & ~(SHGFI_ICON | SHGFI_SMALLICON | SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int index = 0;
  const char* name = nullptr;
  bool drive = false;
  if (IsDriveRoot(path)) {
    const char root[4] = {path[0], ':', '\\', '\0'};
    name = DriveIconName(GetDriveType(root), &index);
    drive = true;
  } else {
    bool folder = false;
    if ((flags & SHGFI_USEFILEATTRIBUTES) != 0) {
      folder = (file_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    } else {
      const DWORD attributes = GetFileAttributes(path);
      if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
      folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    name = KindIconName(folder, path, &index);
  }
  std::memset(info, 0, sizeof(SHFILEINFOA));
  info->iIcon = index;
  const bool small = (flags & SHGFI_SMALLICON) != 0;
  if ((flags & SHGFI_ICON) != 0) {
    info->hIcon = platform::LoadIconFile(IconFileOf(name, drive).c_str(), small ? 16 : 32);
    if (info->hIcon == nullptr) return 0;
  }
  if ((flags & SHGFI_SYSICONINDEX) != 0) return reinterpret_cast<DWORD_PTR>(SystemImageList(small));
  return 1;
}

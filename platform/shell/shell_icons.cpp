#include "platform/shell/shell_icons.h"

#include <cctype>
#include <cstring>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/user/icon_file.h"

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

bool IsDriveRoot(const char* path) {
  if (path == nullptr || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return false;
  return path[2] == '\0' || ((path[2] == '\\' || path[2] == '/') && path[3] == '\0');
}

}  // namespace

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD, SHFILEINFOA* info, UINT info_size, UINT flags) {
  if (info == nullptr || info_size < sizeof(SHFILEINFOA) || !IsDriveRoot(path) ||
      (flags & ~(SHGFI_ICON | SHGFI_SMALLICON)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memset(info, 0, sizeof(SHFILEINFOA));
  const char root[4] = {path[0], ':', '\\', '\0'};
  int index = 0;
  const char* name = DriveIconName(GetDriveType(root), &index);
  info->iIcon = index;
  if ((flags & SHGFI_ICON) == 0) return 1;
  const std::string file = platform::ProgramNativeFolder() + "/Resources/SHELL_DRIVE_" + name + ".ico";
  info->hIcon = platform::LoadIconFile(file.c_str(), (flags & SHGFI_SMALLICON) != 0 ? 16 : 32);
  return info->hIcon != nullptr ? 1 : 0;
}

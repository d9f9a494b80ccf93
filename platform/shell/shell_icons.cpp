#include "platform/shell/shell_icons.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/user/icon_file.h"

namespace {

constexpr UINT kKnownFlags = SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_DISPLAYNAME |
                             SHGFI_TYPENAME | SHGFI_ATTRIBUTES | SHGFI_SYSICONINDEX;

// Every icon of the lists, in index order: the six drive types, then the
// folder and the kinds of file.
const char* const kIconFiles[] = {
    "SHELL_DRIVE_REMOVABLE", "SHELL_DRIVE_FIXED",   "SHELL_DRIVE_REMOTE",  "SHELL_DRIVE_CDROM",
    "SHELL_DRIVE_RAMDISK",   "SHELL_DRIVE_UNKNOWN", "SHELL_FOLDER",        "SHELL_FILE_DOCUMENT",
    "SHELL_FILE_TEXT",       "SHELL_FILE_AUDIO",    "SHELL_FILE_MOVIE",    "SHELL_FILE_PLAYLIST",
    "SHELL_FILE_PROGRAM",
};
constexpr int kIconCount = static_cast<int>(sizeof kIconFiles / sizeof kIconFiles[0]);
constexpr int kFolderIcon = 6;
constexpr int kDocumentIcon = 7;

int DriveIconIndex(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return 0;
    case DRIVE_FIXED: return 1;
    case DRIVE_REMOTE: return 2;
    case DRIVE_CDROM: return 3;
    case DRIVE_RAMDISK: return 4;
    default: return 5;
  }
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The extension without its dot ("" for none).
std::string ExtensionOf(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  const std::size_t slash = name.find_last_of("\\/:");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return name.substr(dot + 1);
}

int FileIconIndex(const std::string& extension) {
  static const std::pair<int, const char*> kKinds[] = {
      {8, "txt csv log ini nfo"},
      {9, "mp3 mp2 ogg wav wma cda mid mod it s3m xm aac flac"},
      {10, "mpg mpeg avi asf wmv mov mp4 mkv"},
      {11, "m3u pls"},
      {12, "exe dll com bat"},
  };
  const std::string wanted = " " + Lower(extension) + " ";
  if (wanted.size() <= 2) return kDocumentIcon;
  for (const auto& [index, extensions] : kKinds) {
    if ((" " + std::string(extensions) + " ").find(wanted) != std::string::npos) return index;
  }
  return kDocumentIcon;
}

bool IsDriveRoot(const char* path) {
  if (path == nullptr || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return false;
  return path[2] == '\0' || ((path[2] == '\\' || path[2] == '/') && path[3] == '\0');
}

std::string IconFilePath(int index) {
  return platform::ProgramNativeFolder() + "/Resources/" + kIconFiles[index] + ".ico";
}

void CopyText(char* target, std::size_t size, const std::string& text) {
  const std::size_t n = std::min(size - 1, text.size());
  std::memcpy(target, text.data(), n);
  target[n] = '\0';
}

}  // namespace

namespace platform {

HIMAGELIST SystemImageList(bool small) {
  static std::mutex mutex;
  static HIMAGELIST lists[2] = {nullptr, nullptr};
  std::lock_guard<std::mutex> lock(mutex);
  HIMAGELIST& list = lists[small ? 1 : 0];
  if (list != nullptr) return list;
  const int size = small ? 16 : 32;
  list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, kIconCount, 4);
  if (list == nullptr) return nullptr;
  ImageList_SetImageCount(list, kIconCount);
  for (int i = 0; i < kIconCount; ++i) {
    if (HICON icon = LoadIconFile(IconFilePath(i).c_str(), size)) {
      ImageList_ReplaceIcon(list, i, icon);
      DestroyIcon(icon);
    }
  }
  return list;
}

}  // namespace platform

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD file_attributes, SHFILEINFOA* info, UINT info_size, UINT flags) {
  if (info == nullptr || path == nullptr || info_size < sizeof(SHFILEINFOA) || (flags & ~kKnownFlags) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string name = path;
  int index = 0;
  DWORD attributes = 0;
  std::string display;
  std::string type_name;
  if (IsDriveRoot(path)) {
    const char root[4] = {path[0], ':', '\\', '\0'};
    index = DriveIconIndex(GetDriveType(root));
    attributes = FILE_ATTRIBUTE_DIRECTORY;
    display = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])))) + ":";
    type_name = "Drive";
  } else {
    if (flags & SHGFI_USEFILEATTRIBUTES) {
      attributes = file_attributes;
    } else {
      attributes = GetFileAttributes(path);
      if (attributes == INVALID_FILE_ATTRIBUTES) return 0;  // the last error is the look-up's
    }
    std::string base = name;
    while (base.size() > 1 && (base.back() == '\\' || base.back() == '/')) base.pop_back();
    const std::size_t slash = base.find_last_of("\\/");
    display = slash == std::string::npos ? base : base.substr(slash + 1);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      index = kFolderIcon;
      type_name = "File Folder";
    } else {
      const std::string extension = ExtensionOf(display);
      index = FileIconIndex(extension);
      std::string upper = extension;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      type_name = upper.empty() ? "File" : upper + " File";
    }
  }
  std::memset(info, 0, sizeof(SHFILEINFOA));
  info->iIcon = index;
  if (flags & SHGFI_DISPLAYNAME) CopyText(info->szDisplayName, sizeof info->szDisplayName, display);
  if (flags & SHGFI_TYPENAME) CopyText(info->szTypeName, sizeof info->szTypeName, type_name);
  if (flags & SHGFI_ATTRIBUTES) info->dwAttributes = attributes;
  const bool small = (flags & SHGFI_SMALLICON) != 0;
  if (flags & SHGFI_ICON) {
    info->hIcon = platform::LoadIconFile(IconFilePath(index).c_str(), small ? 16 : 32);
    if (info->hIcon == nullptr) return 0;
  }
  if (flags & SHGFI_SYSICONINDEX) return reinterpret_cast<DWORD_PTR>(platform::SystemImageList(small));
  return 1;
}

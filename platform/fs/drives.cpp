// The drive queries: which letters exist, their types, volume information
// and network names.
#include "platform/fs/drives.h"

#include <limits.h>
#include <mntent.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/core/modules.h"
#include "platform/fs/cd_audio.h"
#include "platform/fs/drive_table.h"

namespace {

std::atomic<UINT> g_error_mode{0};

// The letter of "X:", "X:\" or "X:/" (any case); with `need_separator`, only
// "X:\" and "X:/". Null stands for the current drive.
std::optional<char> RootLetter(LPCSTR root_path, bool need_separator) {
  if (root_path == nullptr) return platform::fs::CurrentDirectoryParts().drive;
  const std::size_t length = std::strlen(root_path);
  if (length < 2 || length > 3 || !std::isalpha(static_cast<unsigned char>(root_path[0])) || root_path[1] != ':') {
    return std::nullopt;
  }
  const bool has_separator = length == 3 && (root_path[2] == '\\' || root_path[2] == '/');
  if (length == 3 && !has_separator) return std::nullopt;
  if (need_separator && !has_separator) return std::nullopt;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(root_path[0])));
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file-system type of the mount that holds `path` ("ext4", "tmpfs", ...).
std::string FileSystemTypeOf(const std::string& path) {
  char resolved[PATH_MAX];
  const std::string real = realpath(path.c_str(), resolved) != nullptr ? resolved : path;
  std::string best_type = "unknown";
  std::size_t best_length = 0;
  FILE* mounts = setmntent("/proc/self/mounts", "r");
  if (mounts == nullptr) return best_type;
  mntent entry{};
  char buffer[4096];
  while (getmntent_r(mounts, &entry, buffer, sizeof buffer) != nullptr) {
    const std::string dir = entry.mnt_dir;
    const bool holds = real == dir || dir == "/" ||
                       (real.size() > dir.size() && real.compare(0, dir.size(), dir) == 0 && real[dir.size()] == '/');
    // The later of two mounts on the same folder is the one in effect.
    if (holds && dir.size() >= best_length) {
      best_length = dir.size();
      best_type = entry.mnt_type;
    }
  }
  endmntent(mounts);
  return best_type;
}

// A serial number that stays the same for a drive: the file system's id,
// mixed with the folder so that two letters on one file system differ.
DWORD StableSerial(const std::string& root, const struct statfs& fs) {
  std::uint32_t hash = 2166136261u;
  const auto mix = [&hash](unsigned char byte) { hash = (hash ^ byte) * 16777619u; };
  int fsid[2];
  std::memcpy(fsid, &fs.f_fsid, sizeof fsid);
  for (int part : fsid) {
    for (int shift = 0; shift < 32; shift += 8) mix(static_cast<unsigned char>(static_cast<unsigned>(part) >> shift));
  }
  for (char c : root) mix(static_cast<unsigned char>(c));
  return hash;
}

// Copies `text` into an optional buffer; false when it does not fit.
bool CopyOptional(const std::string& text, LPSTR buffer, DWORD size) {
  if (buffer == nullptr) return true;
  if (size < text.size() + 1) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

struct VolumeFacts {
  std::string label;
  DWORD serial = 0;
  DWORD max_component_length = 255;
  DWORD flags = 0;
  std::string file_system;
};

std::optional<VolumeFacts> DescribeVolume(const platform::fs::DriveEntry& drive) {
  VolumeFacts facts;
  if (drive.root.empty()) {
    std::optional<platform::CdDiscContents> disc;
    if (drive.type == DRIVE_CDROM && drive.lister && *drive.lister) disc = (*drive.lister)();
    if (!disc) {
      SetLastError(ERROR_NOT_READY);
      return std::nullopt;
    }
    facts.label = disc->label;
    facts.serial = platform::fs::CdDiscSerial(*disc);
    facts.max_component_length = 110;
    facts.flags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK | FILE_READ_ONLY_VOLUME;
    facts.file_system = "CDFS";
    return facts;
  }
  struct statfs fs {};
  struct statvfs vfs {};
  if (!IsFolder(drive.root) || statfs(drive.root.c_str(), &fs) != 0 || statvfs(drive.root.c_str(), &vfs) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  facts.label = drive.label;
  facts.serial = StableSerial(drive.root, fs);
  facts.max_component_length = static_cast<DWORD>(fs.f_namelen);
  facts.flags = FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
  if (vfs.f_flag & ST_RDONLY) facts.flags |= FILE_READ_ONLY_VOLUME;
  facts.file_system = FileSystemTypeOf(drive.root);
  return facts;
}

}  // namespace

DWORD GetLogicalDrives() {
  SetLastError(ERROR_SUCCESS);
  return platform::fs::DriveMask();
}

DWORD GetLogicalDriveStrings(DWORD buffer_length, LPSTR buffer) {
  const DWORD mask = platform::fs::DriveMask();
  std::string strings;
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    strings += static_cast<char>('A' + i);
    strings += ":\\";
    strings += '\0';
  }
  const auto length = static_cast<DWORD>(strings.size());
  if (buffer_length < length + 1) return length + 1;
  if (buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(buffer, strings.data(), length);
  buffer[length] = '\0';
  return length;
}

UINT GetDriveType(LPCSTR root_path) {
  const std::optional<char> letter = RootLetter(root_path, false);
  if (!letter) return DRIVE_NO_ROOT_DIR;
  const std::optional<platform::fs::DriveEntry> drive = platform::fs::LookupDrive(*letter);
  if (!drive) return DRIVE_NO_ROOT_DIR;
  if (drive->type != DRIVE_CDROM && !IsFolder(drive->root)) return DRIVE_NO_ROOT_DIR;
  return drive->type;
}

BOOL GetVolumeInformation(LPCSTR root_path, LPSTR volume_name, DWORD volume_name_size, LPDWORD serial_number,
                          LPDWORD max_component_length, LPDWORD file_system_flags, LPSTR file_system_name,
                          DWORD file_system_name_size) {
  const std::optional<char> letter = RootLetter(root_path, true);
  if (!letter) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  const std::optional<platform::fs::DriveEntry> drive = platform::fs::LookupDrive(*letter);
  if (!drive) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const std::optional<VolumeFacts> facts = DescribeVolume(*drive);
  if (!facts) return FALSE;
  if (!CopyOptional(facts->label, volume_name, volume_name_size) ||
      !CopyOptional(facts->file_system, file_system_name, file_system_name_size)) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  if (serial_number != nullptr) *serial_number = facts->serial;
  if (max_component_length != nullptr) *max_component_length = facts->max_component_length;
  if (file_system_flags != nullptr) *file_system_flags = facts->flags;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

UINT SetErrorMode(UINT mode) { return g_error_mode.exchange(mode); }

UINT GetErrorMode() { return g_error_mode.load(); }

DWORD WNetGetConnection(LPCSTR local_name, LPSTR remote_name, LPDWORD length) {
  const auto finish = [](DWORD code) {
    SetLastError(code);
    return code;
  };
  if (local_name == nullptr || std::strlen(local_name) != 2) return finish(ERROR_BAD_DEVICE);
  const std::optional<char> letter = RootLetter(local_name, false);
  if (!letter) return finish(ERROR_BAD_DEVICE);
  if (length == nullptr) return finish(ERROR_INVALID_PARAMETER);
  const std::optional<platform::fs::DriveEntry> drive = platform::fs::LookupDrive(*letter);
  if (!drive || drive->type != DRIVE_REMOTE || drive->remote_name.empty()) return finish(ERROR_NOT_CONNECTED);
  const auto needed = static_cast<DWORD>(drive->remote_name.size() + 1);
  if (remote_name == nullptr || *length < needed) {
    *length = needed;
    return finish(ERROR_MORE_DATA);
  }
  std::memcpy(remote_name, drive->remote_name.c_str(), needed);
  return finish(NO_ERROR);
}

namespace {

// The module calls (platform/core) translate their paths through the drive
// table.
[[maybe_unused]] const bool module_paths_translated =
    (platform::SetModulePathTranslation(&platform::NativePath, &platform::PlatformPath), true);

}  // namespace

// The process-wide drive table and current directory behind the drive and
// path calls. Letters map to Linux folders; detected CD drives map to their
// mount point while a disc is mounted, or to a track list from their reader.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fs/drives.h"
#include "platform/fs/path_names.h"

namespace platform::fs {

struct DriveEntry {
  char letter = 'C';
  UINT type = DRIVE_FIXED;
  std::string root;         // Linux folder; empty for a CD drive with nothing mounted
  std::string label;        // volume label
  std::string remote_name;  // network name of a DRIVE_REMOTE letter
  std::string device;       // device node of a detected CD drive
  std::shared_ptr<const CdTrackLister> lister;
};

// The entry of a letter (any case), with a detected CD drive's current mount
// point filled in; nothing when the letter is not mapped.
std::optional<DriveEntry> LookupDrive(char letter);
// Every mapped letter, in letter order.
std::vector<DriveEntry> MappedDrives();
DWORD DriveMask();

// The current directory, kept as a platform path (it starts as the
// platform path of the process's folder, or C:\ when no drive holds it).
PlatformPathParts CurrentDirectoryParts();
void SetCurrentDirectoryParts(const PlatformPathParts& parts);

// Parses a platform path against the current directory.
std::optional<PlatformPathParts> ParseAgainstCurrent(std::string_view path, DWORD* error);

// "/a/b/../c/" -> "/a/c": absolute (against the process's folder) and
// without ".", ".." or a trailing slash. Nothing is looked up on disk.
std::string NormalizeNativePath(const std::string& path);
// Joins a folder and a name with one slash.
std::string JoinNative(const std::string& folder, const std::string& name);

}  // namespace platform::fs

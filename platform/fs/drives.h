// Drives: the drive table that maps letters to Linux folders, and the
// platform's drive queries. C: is the user's home folder and Z: is "/";
// CD drives take the next free letters after C:. Tests point letters, the
// Windows folder and the temporary folder at folders of their own.
#pragma once

#include <optional>
#include <string>

#include "platform/core/types.h"

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
constexpr UINT SEM_NOGPFAULTERRORBOX = 0x0002;
constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;

DWORD GetLogicalDrives();
DWORD GetLogicalDriveStrings(DWORD buffer_length, LPSTR buffer);
UINT GetDriveType(LPCSTR root_path);
BOOL GetVolumeInformation(LPCSTR root_path, LPSTR volume_name, DWORD volume_name_size,
                          LPDWORD serial_number, LPDWORD max_component_length,
                          LPDWORD file_system_flags, LPSTR file_system_name,
                          DWORD file_system_name_size);

namespace platform {

// Maps `letter` (A-Z) to a Linux folder, replacing any mapping it had.
void MapDrive(char letter, const std::string& native_folder, UINT drive_type = DRIVE_FIXED,
              const std::string& volume_label = std::string());
void UnmapDrive(char letter);
// Restores the default table (C: = home, Z: = /, detected CD drives).
void ResetDriveTable();

// The Linux path of a platform path, or nothing when no drive maps it. When
// the exact name does not exist, each component is looked up ignoring case.
std::optional<std::string> NativePath(const std::string& platform_path);
// The platform path of a Linux path, through the drive table (the longest
// mapped folder wins); nothing when no drive holds it.
std::optional<std::string> PlatformPath(const std::string& native_path);

// The folders GetWindowsDirectory and GetTempPath report (platform paths are
// derived from these Linux folders). Tests point them at their own folders.
void SetWindowsFolder(const std::string& native_folder);
void SetTempFolder(const std::string& native_folder);

}  // namespace platform

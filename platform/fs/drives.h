// Drives: the drive table that maps letters to Linux folders, and the
// platform's drive queries. C: is the user's home folder and Z: is "/";
// CD drives take the next free letters after C:. Tests point letters, the
// Windows folder and the temporary folder at folders of their own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// GetVolumeInformation file-system flags.
constexpr DWORD FILE_CASE_SENSITIVE_SEARCH = 0x00000001;
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x00000002;
constexpr DWORD FILE_UNICODE_ON_DISK = 0x00000004;
constexpr DWORD FILE_READ_ONLY_VOLUME = 0x00080000;

// A bit per mapped letter, bit 0 = A:.
DWORD GetLogicalDrives();
// Writes "C:\", NUL, "D:\", NUL, ..., NUL and returns the length without the
// final NUL; when `buffer_length` is too small, writes nothing and returns
// the size needed, final NUL included.
DWORD GetLogicalDriveStrings(DWORD buffer_length, LPSTR buffer);
// "C:\" or "C:" (null: the current drive); DRIVE_NO_ROOT_DIR for an unmapped
// letter or a path that is not a drive root.
UINT GetDriveType(LPCSTR root_path);
// `root_path` is a drive root with its trailing backslash (null: the current
// drive). Every output is optional.
BOOL GetVolumeInformation(LPCSTR root_path, LPSTR volume_name, DWORD volume_name_size,
                          LPDWORD serial_number, LPDWORD max_component_length,
                          LPDWORD file_system_flags, LPSTR file_system_name,
                          DWORD file_system_name_size);
// The process error mode; returns the previous one. Nothing here shows
// critical-error boxes, so the mode is only kept.
UINT SetErrorMode(UINT mode);
UINT GetErrorMode();

// The remote name of a network drive ("X:"). Returns NO_ERROR,
// ERROR_NOT_CONNECTED for a drive that is not remote, ERROR_BAD_DEVICE for a
// name that is not a drive, or ERROR_MORE_DATA with the needed size (final
// NUL included) in *length.
DWORD WNetGetConnection(LPCSTR local_name, LPSTR remote_name, LPDWORD length);

namespace platform {

// Maps `letter` (A-Z) to a Linux folder, replacing any mapping it had.
// `remote_name` is what WNetGetConnection reports for a DRIVE_REMOTE letter.
void MapDrive(char letter, const std::string& native_folder, UINT drive_type = DRIVE_FIXED,
              const std::string& volume_label = std::string(),
              const std::string& remote_name = std::string());
void UnmapDrive(char letter);
// Restores the default table (C: = home, Z: = /, detected CD drives), and
// forgets CD track listers and the current directory.
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

// One track of a CD's table of contents. Sectors are 1/75 s; the start is
// the logical sector number (without the 150-sector lead-in).
struct CdTrackInfo {
  int number = 1;
  DWORD start_sector = 0;
  DWORD sector_count = 0;
  bool audio = true;
};
struct CdDiscContents {
  std::vector<CdTrackInfo> tracks;
  DWORD serial = 0;  // 0: derived from the table of contents
  std::string label = "Audio CD";
};
// Reads the disc in a CD drive; nothing when the drive holds no disc.
using CdTrackLister = std::function<std::optional<CdDiscContents>()>;

// Gives a CD letter its disc reader. While the letter's root is not a mounted
// folder, the root lists one read-only "TrackNN.cda" entry per audio track
// (44 bytes each, the platform's CD-audio track file). An empty function
// removes the reader.
void SetCdTrackLister(char letter, CdTrackLister lister);

// The CD drives found when the table was built: letter and device node
// ("/dev/sr0"), in letter order.
std::vector<std::pair<char, std::string>> CdDrives();

}  // namespace platform

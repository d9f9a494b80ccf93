// From a platform path to the Linux file it names: the drive table gives
// the folder of the letter, then each name is looked up on disk, ignoring
// case when the exact name does not exist.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/fs/drive_table.h"
#include "platform/fs/file_info.h"
#include "platform/fs/path_names.h"

namespace platform::fs {

struct ResolvedPath {
  PlatformPathParts parts;
  DriveEntry drive;
  // The Linux path: names that exist in some case are spelled as on disk,
  // the rest as given.
  std::string native;
  bool exists = false;
  FileFacts facts;             // valid when `exists`
  bool parent_exists = false;  // the folder that holds (or would hold) it exists
  // Set when the drive is an audio CD shown as a track list; `cd_track` is
  // then the track file the path names, or null for the root or a missing name.
  std::shared_ptr<const CdDiscContents> cd_disc;
  const CdTrackInfo* cd_track = nullptr;

  bool IsRoot() const { return parts.IsRoot(); }
  // ERROR_FILE_NOT_FOUND when only the last name is missing, else ERROR_PATH_NOT_FOUND.
  DWORD MissingError() const;
};

// Resolves a platform path; on failure sets the last error (an invalid name,
// an unmapped letter, a CD drive without a disc) and returns nothing. A path
// that does not exist is not a failure: see `exists`.
std::optional<ResolvedPath> ResolvePath(const char* path);
// The same for a path already parsed.
std::optional<ResolvedPath> ResolveParts(const PlatformPathParts& parts);

// The Linux path of a platform path that names a real file or folder (not a
// CD track), setting the last error when there is none.
std::optional<std::string> RealNativePath(const ResolvedPath& resolved);

}  // namespace platform::fs

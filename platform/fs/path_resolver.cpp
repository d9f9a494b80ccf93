#include "platform/fs/path_resolver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/core/errors.h"
#include "platform/fs/cd_audio.h"
#include "platform/fs/files.h"
#include "platform/fs/name_match.h"

namespace platform::fs {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// A Linux name may end in dots or blanks, which the platform's spelling of
// it never does (the parser drops them): such a name is found by its
// spelling without them.
std::string_view WithoutTrailingDotsAndBlanks(std::string_view name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  return name;
}

// The name in `folder` that equals `name` ignoring case or, when none does,
// the one that does once its trailing dots and blanks are dropped; empty
// when there is neither. When several do, the smallest in byte order wins,
// so the choice is stable.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return std::string();
  std::string best, trimmed_best;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (NamesEqualIgnoringCase(candidate, name)) {
      if (best.empty() || candidate < best) best = std::string(candidate);
    } else if (NamesEqualIgnoringCase(WithoutTrailingDotsAndBlanks(candidate), name)) {
      if (trimmed_best.empty() || candidate < trimmed_best) trimmed_best = std::string(candidate);
    }
  }
  closedir(dir);
  return best.empty() ? trimmed_best : best;
}

// Walks the names below `root`, correcting their case where needed. The
// exact spelling is tried first as a whole: when it exists, every folder on
// the way does too, and one system call replaces a check per name.
void WalkNative(const std::string& root, const std::vector<std::string>& names, ResolvedPath* out) {
  if (!names.empty()) {
    std::string exact = root;
    for (const std::string& name : names) exact = JoinNative(exact, name);
    if (Exists(exact)) {
      out->native = std::move(exact);
      out->parent_exists = true;
      return;
    }
  }
  std::string current = root;
  bool folders_exist = IsDirectory(root);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    std::string candidate = JoinNative(current, names[i]);
    if (folders_exist && !Exists(candidate)) {
      const std::string found = FindIgnoringCase(current, names[i]);
      if (!found.empty()) candidate = JoinNative(current, found);
    }
    if (!last) folders_exist = folders_exist && IsDirectory(candidate);
    current = candidate;
  }
  out->native = current;
  out->parent_exists = folders_exist;
}

std::optional<ResolvedPath> ResolveCdAudio(ResolvedPath resolved) {
  std::optional<CdDiscContents> disc;
  if (resolved.drive.lister && *resolved.drive.lister) disc = (*resolved.drive.lister)();
  if (!disc) {
    SetLastError(ERROR_NOT_READY);
    return std::nullopt;
  }
  resolved.cd_disc = std::make_shared<const CdDiscContents>(std::move(*disc));
  const std::vector<std::string>& names = resolved.parts.components;
  resolved.parent_exists = names.size() <= 1;
  if (names.empty()) {
    resolved.exists = true;
    resolved.facts.is_directory = true;
    resolved.facts.attributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
  } else if (names.size() == 1) {
    resolved.cd_track = FindCdTrack(*resolved.cd_disc, names[0]);
    if (resolved.cd_track != nullptr) {
      resolved.exists = true;
      resolved.facts.is_regular = true;
      resolved.facts.size = kCdTrackFileSize;
      resolved.facts.attributes = FILE_ATTRIBUTE_READONLY;
    }
  }
  return resolved;
}

}  // namespace

DWORD ResolvedPath::MissingError() const { return parent_exists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND; }

std::optional<ResolvedPath> ResolveParts(const PlatformPathParts& parts) {
  // The characters the platform reserves ("<>:\"|?*" and control bytes)
  // are refused by no check here: a Linux name may hold any of them, and
  // every name the listings hand out must open.
  std::optional<DriveEntry> drive = LookupDrive(parts.drive);
  if (!drive) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  ResolvedPath resolved;
  resolved.parts = parts;
  resolved.drive = *drive;
  if (drive->root.empty()) {
    if (drive->type == DRIVE_CDROM) return ResolveCdAudio(std::move(resolved));
    SetLastError(ERROR_NOT_READY);
    return std::nullopt;
  }
  WalkNative(drive->root, parts.components, &resolved);
  if (resolved.parent_exists || parts.IsRoot()) {
    const std::string leaf = parts.IsRoot() ? std::string() : parts.Leaf();
    resolved.exists = QueryFacts(AT_FDCWD, resolved.native.c_str(), leaf, &resolved.facts) == 0;
  }
  return resolved;
}

std::optional<ResolvedPath> ResolvePath(const char* path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  DWORD error = 0;
  std::optional<PlatformPathParts> parts = ParseAgainstCurrent(path, &error);
  if (!parts) {
    SetLastError(error);
    return std::nullopt;
  }
  return ResolveParts(*parts);
}

std::optional<std::string> RealNativePath(const ResolvedPath& resolved) {
  if (resolved.cd_disc) {
    SetLastError(ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  return resolved.native;
}

}  // namespace platform::fs

namespace platform {

std::optional<std::string> NativePath(const std::string& platform_path) {
  std::optional<fs::ResolvedPath> resolved = fs::ResolvePath(platform_path.c_str());
  if (!resolved || resolved->cd_disc) return std::nullopt;
  return resolved->native;
}

}  // namespace platform

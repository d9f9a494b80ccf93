// Platform-style path text: parsing "C:\Music\..\a.mp3", "song.mp3",
// "\Windows" or "C:/x/y" into a drive letter and a list of folder names, and
// writing it back out. Pure text work: nothing here looks at the disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/types.h"

namespace platform::fs {

struct PlatformPathParts {
  char drive = 'C';                     // upper case
  std::vector<std::string> components;  // no empty, "." or ".." entries
  bool trailing_separator = false;      // the text ended in a backslash

  bool IsRoot() const { return components.empty(); }
  std::string Leaf() const { return components.empty() ? std::string() : components.back(); }
  PlatformPathParts Parent() const;
};

// Resolves `path` against `current` (the current directory): drive letters,
// forward or backward slashes, ".", "..", repeated separators, "\\?\C:\"
// prefixes, and trailing dots and blanks of names (which the platform drops).
// Fails with ERROR_PATH_NOT_FOUND for an empty path and ERROR_BAD_NETPATH for
// network ("\\server\share") paths.
std::optional<PlatformPathParts> ParsePlatformPath(std::string_view path, const PlatformPathParts& current,
                                                   DWORD* error);

// "C:\", "C:\Music" or, with the trailing separator kept, "C:\Music\".
std::string FormatPlatformPath(const PlatformPathParts& parts, bool keep_trailing_separator = false);

// Splits "C:\Music\*.mp3" into "C:\Music\" and "*.mp3" at the last separator
// (a backslash, a slash, or the colon of a drive letter).
void SplitFolderAndName(std::string_view path, std::string* folder, std::string* name);

}  // namespace platform::fs

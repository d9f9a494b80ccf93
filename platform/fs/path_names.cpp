#include "platform/fs/path_names.h"

#include <cctype>

#include "platform/core/errors.h"

namespace platform::fs {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// The platform drops trailing dots and blanks from every name.
std::string TrimName(std::string_view name) {
  std::size_t end = name.size();
  while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
  return std::string(name.substr(0, end));
}

void AppendComponents(std::string_view rest, PlatformPathParts* parts) {
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view name = rest.substr(start, end - start);
    if (name == "..") {
      if (!parts->components.empty()) parts->components.pop_back();
    } else if (!name.empty() && name != ".") {
      std::string trimmed = TrimName(name);
      if (!trimmed.empty()) parts->components.push_back(std::move(trimmed));
    }
    start = end + 1;
  }
}

}  // namespace

PlatformPathParts PlatformPathParts::Parent() const {
  PlatformPathParts parent = *this;
  if (!parent.components.empty()) parent.components.pop_back();
  parent.trailing_separator = false;
  return parent;
}

std::optional<PlatformPathParts> ParsePlatformPath(std::string_view path, const PlatformPathParts& current,
                                                   DWORD* error) {
  if (path.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  // "\\?\C:\..." is the long-path spelling of "C:\...".
  if (path.size() >= 6 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' && IsSeparator(path[3]) &&
      HasDriveLetter(path.substr(4))) {
    path.remove_prefix(4);
  }
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    *error = ERROR_BAD_NETPATH;
    return std::nullopt;
  }

  PlatformPathParts parts;
  std::string_view rest = path;
  if (HasDriveLetter(path)) {
    parts.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    rest = path.substr(2);
    // "D:name" is relative to the current folder only when D is its drive.
    if ((rest.empty() || !IsSeparator(rest[0])) && parts.drive == current.drive) {
      parts.components = current.components;
    }
  } else {
    parts.drive = current.drive;
    if (!IsSeparator(rest[0])) parts.components = current.components;
  }
  AppendComponents(rest, &parts);
  parts.trailing_separator = !rest.empty() && IsSeparator(rest.back());
  return parts;
}

std::string FormatPlatformPath(const PlatformPathParts& parts, bool keep_trailing_separator) {
  std::string text;
  text += parts.drive;
  text += ":\\";
  for (std::size_t i = 0; i < parts.components.size(); ++i) {
    if (i > 0) text += '\\';
    text += parts.components[i];
  }
  if (keep_trailing_separator && parts.trailing_separator && !parts.components.empty()) text += '\\';
  return text;
}

void SplitFolderAndName(std::string_view path, std::string* folder, std::string* name) {
  std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos && HasDriveLetter(path)) cut = 1;
  if (cut == std::string_view::npos) {
    folder->clear();
    *name = std::string(path);
    return;
  }
  *folder = std::string(path.substr(0, cut + 1));
  *name = std::string(path.substr(cut + 1));
}

}  // namespace platform::fs

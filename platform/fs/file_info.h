// What the platform reports about a file: its attributes, size and three
// times, worked out from the Linux file's status.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string_view>

#include "platform/core/types.h"

namespace platform::fs {

struct FileFacts {
  bool is_directory = false;
  bool is_regular = false;
  std::uint64_t size = 0;
  DWORD attributes = 0;
  FILETIME creation;
  FILETIME last_access;
  FILETIME last_write;
  dev_t device = 0;
  ino_t inode = 0;
};

// Attributes the platform's way: DIRECTORY for folders, ARCHIVE for ordinary
// files, SYSTEM for devices, pipes and sockets, READONLY when nobody may
// write it, HIDDEN when the name starts with a dot ("." and ".." excepted).
DWORD AttributesOf(bool is_directory, bool is_regular, unsigned mode, std::string_view name);

// Facts about `path` (relative to `dir_fd`, or AT_FDCWD), following symbolic
// links; a dangling link reports the link itself. `name` is the name the
// entry is listed under. Returns 0 or the errno of the failure.
int QueryFacts(int dir_fd, const char* path, std::string_view name, FileFacts* facts);
// The same, also telling whether `path` itself is a symbolic link (its
// facts are then those of what it points at, or of the link when it points
// at nothing).
int QueryFactsAndLink(int dir_fd, const char* path, std::string_view name, FileFacts* facts, bool* is_link);
// The same for an open file descriptor.
int QueryFactsOfDescriptor(int fd, std::string_view name, FileFacts* facts);

}  // namespace platform::fs

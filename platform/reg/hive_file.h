// The files behind the hives: atomic replacement, change detection and the
// lock that orders writers of different processes.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace platform::reg {

// Identifies one version of a file: every save replaces the file by a new
// one, so any change shows in the inode, size or modification time.
struct FileSignature {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::time_t mtime_seconds = 0;
  long mtime_nanoseconds = 0;
  bool operator==(const FileSignature& other) const = default;
};

FileSignature SignatureOf(const std::string& path);

// The whole file; nothing when it cannot be read (`error` gets errno,
// ENOENT for a missing file).
std::optional<std::string> ReadWholeFile(const std::string& path, int* error);

// Replaces `path` by a file holding `text` so that a crash at any moment
// leaves either the old or the new contents: the text goes to a temporary
// file beside it, which is flushed to disk and then renamed over `path`;
// the folder is flushed too. `before_rename` (may be empty) runs between the
// flush and the rename. Returns 0 or an errno value.
int WriteFileAtomically(const std::string& path, const std::string& text,
                        const std::function<void()>& before_rename);

// Creates `folder` and its missing parents (the last level private).
// Returns 0 or an errno value.
int MakeFolders(const std::string& folder);

// An exclusive flock on a lock file, held while the object lives.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // 0 when the lock is held, else the errno value.
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace platform::reg

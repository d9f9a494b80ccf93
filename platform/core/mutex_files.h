// The lock files behind one named mutex, shared by every process of the
// user. Two files per name in the mutex folder:
//   <name>.open   held with a shared flock by every process that has the
//                 mutex open; nobody can take it exclusively while the
//                 mutex exists somewhere.
//   <name>.mutex  held with an exclusive flock by the process whose thread
//                 owns the mutex. Its first byte is '1' while owned; an
//                 owner that dies loses the lock but leaves the '1', which
//                 tells the next owner the mutex was abandoned.
// Creation and opening run under a third lock, "mutexes.guard", so two
// processes never both decide they made the mutex. The kernel drops every
// flock of a process that dies, so a killed process never leaves a stale
// "exists" or "owned".
#pragma once

#include <memory>
#include <string>

#include "platform/core/types.h"

namespace platform::detail {

class MutexLockFiles {
 public:
  // Opens (creating when needed) the files of `name` in `folder`. `existed`
  // tells whether another process had the mutex open. With
  // `only_if_existing`, a mutex that does not exist fails with
  // ERROR_FILE_NOT_FOUND. On failure returns null with `error` set.
  static std::unique_ptr<MutexLockFiles> Open(const std::string& folder, const std::string& name,
                                              bool only_if_existing, bool* existed, DWORD* error);
  ~MutexLockFiles();
  MutexLockFiles(const MutexLockFiles&) = delete;
  MutexLockFiles& operator=(const MutexLockFiles&) = delete;

  // Takes the ownership lock without blocking; false when another process
  // holds it.
  bool TryLockOwnership();
  void UnlockOwnership();
  // The owned mark in the ownership file (read and written while holding
  // the ownership lock).
  bool ReadOwnedMark();
  void WriteOwnedMark(bool owned);

  // The file-name stem used for `name`: letters, digits, '.', '-' and '_'
  // stay, every other byte becomes %XX; very long names are shortened and
  // completed with a hash.
  static std::string FileStem(const std::string& name);

 private:
  MutexLockFiles(int open_fd, int owner_fd) : open_fd_(open_fd), owner_fd_(owner_fd) {}
  int open_fd_;
  int owner_fd_;
};

}  // namespace platform::detail

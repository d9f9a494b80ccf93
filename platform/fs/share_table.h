// Sharing between the open files of this process, as the platform enforces
// it: an open asks for access (read, write, delete) and says what others may
// do at the same time (the FILE_SHARE_ bits); a new open that clashes with an
// existing one fails with ERROR_SHARING_VIOLATION.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>

#include "platform/core/types.h"

namespace platform::fs {

struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// Held across checking, opening and registering, so no other open slips in between.
std::unique_lock<std::mutex> LockShares();

// With the lock held: would an open with `access` and `share` clash with the
// opens already registered for the file?
bool SharingConflicts(const std::unique_lock<std::mutex>& lock, FileId id, DWORD access, DWORD share);
// With the lock held: may the file be deleted or renamed now? (Every open
// of it must allow FILE_SHARE_DELETE.)
bool DeleteConflicts(const std::unique_lock<std::mutex>& lock, FileId id);
// With the lock held: registers an open; returns its token for ReleaseShare.
std::uint64_t RegisterShare(const std::unique_lock<std::mutex>& lock, FileId id, DWORD access, DWORD share);
// Takes the lock itself.
void ReleaseShare(std::uint64_t token);

// Whether an access mask reads, writes or deletes.
bool AccessReads(DWORD access);
bool AccessWrites(DWORD access);
bool AccessDeletes(DWORD access);

}  // namespace platform::fs

#include "platform/fs/share_table.h"

#include <unordered_map>

#include "platform/fs/files.h"

namespace platform::fs {

namespace {

struct OpenEntry {
  FileId id;
  DWORD access;
  DWORD share;
};

struct Shares {
  std::mutex mutex;
  std::unordered_map<std::uint64_t, OpenEntry> opens;
  std::uint64_t next_token = 1;
};

Shares& State() {
  static Shares* shares = new Shares;  // never destroyed: files may close during exit
  return *shares;
}

bool Clash(DWORD access, DWORD other_share) {
  return (AccessReads(access) && !(other_share & FILE_SHARE_READ)) ||
         (AccessWrites(access) && !(other_share & FILE_SHARE_WRITE)) ||
         (AccessDeletes(access) && !(other_share & FILE_SHARE_DELETE));
}

}  // namespace

bool AccessReads(DWORD access) { return (access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0; }
bool AccessWrites(DWORD access) {
  return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}
bool AccessDeletes(DWORD access) { return (access & (DELETE_ACCESS | GENERIC_ALL)) != 0; }

std::unique_lock<std::mutex> LockShares() { return std::unique_lock<std::mutex>(State().mutex); }

bool SharingConflicts(const std::unique_lock<std::mutex>&, FileId id, DWORD access, DWORD share) {
  for (const auto& [token, open] : State().opens) {
    if (open.id == id && (Clash(access, open.share) || Clash(open.access, share))) return true;
  }
  return false;
}

bool DeleteConflicts(const std::unique_lock<std::mutex>&, FileId id) {
  for (const auto& [token, open] : State().opens) {
    if (open.id == id && !(open.share & FILE_SHARE_DELETE)) return true;
  }
  return false;
}

std::uint64_t RegisterShare(const std::unique_lock<std::mutex>&, FileId id, DWORD access, DWORD share) {
  Shares& shares = State();
  const std::uint64_t token = shares.next_token++;
  shares.opens.emplace(token, OpenEntry{id, access, share});
  return token;
}

void ReleaseShare(std::uint64_t token) {
  Shares& shares = State();
  std::lock_guard<std::mutex> lock(shares.mutex);
  shares.opens.erase(token);
}

}  // namespace platform::fs

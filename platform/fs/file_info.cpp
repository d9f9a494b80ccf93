#include "platform/fs/file_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include "platform/core/datetime.h"
#include "platform/fs/files.h"

namespace platform::fs {

namespace {

FILETIME FromStatx(const statx_timestamp& ts) { return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec); }

void FillFacts(const struct statx& st, std::string_view name, FileFacts* facts) {
  const unsigned mode = st.stx_mode;
  facts->is_directory = S_ISDIR(mode);
  facts->is_regular = S_ISREG(mode);
  facts->size = facts->is_regular ? st.stx_size : 0;
  facts->attributes = AttributesOf(facts->is_directory, facts->is_regular, mode, name);
  facts->last_access = FromStatx(st.stx_atime);
  facts->last_write = FromStatx(st.stx_mtime);
  if (st.stx_mask & STATX_BTIME) {
    facts->creation = FromStatx(st.stx_btime);
  } else {
    // Without a birth time, the earlier of the change and write times is the
    // closest to when the file came to be.
    const FILETIME changed = FromStatx(st.stx_ctime);
    facts->creation = CompareFileTime(&changed, &facts->last_write) < 0 ? changed : facts->last_write;
  }
  facts->device = makedev(st.stx_dev_major, st.stx_dev_minor);
  facts->inode = st.stx_ino;
}

constexpr unsigned kWanted = STATX_BASIC_STATS | STATX_BTIME;

}  // namespace

DWORD AttributesOf(bool is_directory, bool is_regular, unsigned mode, std::string_view name) {
  DWORD attributes = is_directory ? FILE_ATTRIBUTE_DIRECTORY
                                  : (is_regular ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_SYSTEM);
  if ((mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes;
}

int QueryFacts(int dir_fd, const char* path, std::string_view name, FileFacts* facts) {
  struct statx st {};
  if (statx(dir_fd, path, AT_STATX_SYNC_AS_STAT, kWanted, &st) != 0) {
    const int err = errno;
    if (err != ENOENT && err != ELOOP) return err;
    if (statx(dir_fd, path, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kWanted, &st) != 0) return err;
  }
  FillFacts(st, name, facts);
  return 0;
}

int QueryFactsAndLink(int dir_fd, const char* path, std::string_view name, FileFacts* facts, bool* is_link) {
  struct statx st {};
  if (statx(dir_fd, path, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kWanted, &st) != 0) return errno;
  *is_link = S_ISLNK(st.stx_mode);
  if (*is_link) {
    struct statx target {};
    if (statx(dir_fd, path, AT_STATX_SYNC_AS_STAT, kWanted, &target) == 0) {
      st = target;
    } else if (errno != ENOENT && errno != ELOOP) {
      return errno;
    }
  }
  FillFacts(st, name, facts);
  return 0;
}

int QueryFactsOfDescriptor(int fd, std::string_view name, FileFacts* facts) {
  struct statx st {};
  if (statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, kWanted, &st) != 0) return errno;
  FillFacts(st, name, facts);
  return 0;
}

}  // namespace platform::fs

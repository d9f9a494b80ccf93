#include "platform/core/mutex_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/core/errors.h"

namespace platform::detail {

namespace {

constexpr std::size_t kMaxStemLength = 180;

int OpenLockFile(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int Flock(int fd, int operation) {
  int result;
  do {
    result = ::flock(fd, operation);
  } while (result != 0 && errno == EINTR);
  return result;
}

bool MakeFolder(const std::string& folder) {
  // Creates each missing level; only the last one needs to be private.
  for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string level = folder.substr(0, pos);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  // The default folder lies in /tmp when there is no runtime folder: a
  // folder someone else made there (or a link to one) must not be used.
  struct stat info;
  if (::lstat(folder.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
    errno = EACCES;
    return false;
  }
  return true;
}

// Holds the creation guard of the folder while alive.
class GuardLock {
 public:
  explicit GuardLock(const std::string& folder) : fd_(OpenLockFile(folder + "/mutexes.guard")) {
    if (fd_ >= 0 && Flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~GuardLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

std::string MutexLockFiles::FileStem(const std::string& name) {
  std::string stem;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '-' || c == '_') {
      stem += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      stem += escaped;
    }
  }
  // Names made only of dots would be "." or "..".
  if (stem.find_first_not_of('.') == std::string::npos) stem = "%2E" + stem;
  if (stem.size() > kMaxStemLength) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a of the full name
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(hash));
    stem = stem.substr(0, kMaxStemLength - 17) + suffix;
  }
  return stem;
}

std::unique_ptr<MutexLockFiles> MutexLockFiles::Open(const std::string& folder,
                                                     const std::string& name, bool only_if_existing,
                                                     bool* existed, DWORD* error) {
  auto fail = [&](DWORD code) -> std::unique_ptr<MutexLockFiles> {
    *error = code;
    return nullptr;
  };
  if (!MakeFolder(folder)) return fail(ErrorFromErrno(errno));
  GuardLock guard(folder);
  if (!guard.ok()) return fail(ErrorFromErrno(errno));

  const std::string stem = folder + "/" + FileStem(name);
  const int open_fd = OpenLockFile(stem + ".open");
  if (open_fd < 0) return fail(ErrorFromErrno(errno));
  // Exclusive succeeds only while no other process has the mutex open.
  *existed = Flock(open_fd, LOCK_EX | LOCK_NB) != 0;
  if (!*existed && only_if_existing) {
    ::close(open_fd);
    return fail(ERROR_FILE_NOT_FOUND);
  }
  // Turning the exclusive lock into a shared one is not atomic, but every
  // process that could look in between waits for the guard we hold.
  if (Flock(open_fd, LOCK_SH) != 0) {
    DWORD code = ErrorFromErrno(errno);
    ::close(open_fd);
    return fail(code);
  }
  const int owner_fd = OpenLockFile(stem + ".mutex");
  if (owner_fd < 0) {
    DWORD code = ErrorFromErrno(errno);
    ::close(open_fd);
    return fail(code);
  }
  std::unique_ptr<MutexLockFiles> files(new MutexLockFiles(open_fd, owner_fd));
  if (!*existed && files->TryLockOwnership()) {
    // A new mutex: a mark left by a process that held an earlier mutex of
    // the same name belongs to that one, not to this.
    files->WriteOwnedMark(false);
    files->UnlockOwnership();
  }
  return files;
}

MutexLockFiles::~MutexLockFiles() {
  ::close(owner_fd_);
  ::close(open_fd_);
}

bool MutexLockFiles::TryLockOwnership() {
  return Flock(owner_fd_, LOCK_EX | LOCK_NB) == 0;
}

void MutexLockFiles::UnlockOwnership() {
  Flock(owner_fd_, LOCK_UN);
}

bool MutexLockFiles::ReadOwnedMark() {
  char mark = '0';
  return ::pread(owner_fd_, &mark, 1, 0) == 1 && mark == '1';
}

void MutexLockFiles::WriteOwnedMark(bool owned) {
  const char mark = owned ? '1' : '0';
  // The mark is best effort: a full disk only loses the abandoned report.
  [[maybe_unused]] ssize_t written = ::pwrite(owner_fd_, &mark, 1, 0);
}

}  // namespace platform::detail

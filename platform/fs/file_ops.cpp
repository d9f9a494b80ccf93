// Whole-file and folder operations: attributes, delete, move, copy, and
// making and removing folders.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/file_object.h"
#include "platform/fs/files.h"
#include "platform/fs/path_resolver.h"
#include "platform/fs/share_table.h"

namespace {

using platform::fs::ResolvedPath;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Resolves a path that must name something that exists on disk (not on an
// audio CD); sets the last error and gives nothing otherwise.
std::optional<ResolvedPath> ResolveExisting(LPCSTR path) {
  std::optional<ResolvedPath> resolved = platform::fs::ResolvePath(path);
  if (!resolved) return std::nullopt;
  if (!resolved->exists) {
    SetLastError(resolved->MissingError());
    return std::nullopt;
  }
  return resolved;
}

platform::fs::FileId IdOf(const ResolvedPath& path) { return {path.facts.device, path.facts.inode}; }

bool SameFile(const ResolvedPath& a, const ResolvedPath& b) {
  return a.exists && b.exists && !a.cd_disc && !b.cd_disc && IdOf(a) == IdOf(b);
}

std::string FolderOf(const std::string& native) {
  const std::size_t slash = native.rfind('/');
  return slash == 0 ? "/" : native.substr(0, slash);
}

// Copies every byte from one descriptor to another.
bool CopyContents(int from, int to) {
  for (;;) {
    const ssize_t n = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    break;  // the kernel cannot copy between these files: do it by hand
  }
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = read(from, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t written = 0; written < n;) {
      const ssize_t w = write(to, buffer.data() + written, static_cast<std::size_t>(n - written));
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      written += w;
    }
  }
}

// Copies a file's contents, write time and permissions.
BOOL CopyOpenFiles(HANDLE source, HANDLE target) {
  const int from = platform::fs::FileDescriptor(source);
  const int to = platform::fs::FileDescriptor(target);
  if (!CopyContents(from, to)) {
    return Fail(errno == ENOSPC ? ERROR_DISK_FULL : platform::ErrorFromErrno(errno));
  }
  struct stat st {};
  if (fstat(from, &st) == 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(to, times);
    fchmod(to, st.st_mode & 07777);
  }
  return TRUE;
}

BOOL CopyAcrossDevices(const ResolvedPath& source, LPCSTR existing, LPCSTR new_name, bool replace) {
  if (source.facts.is_directory) return Fail(ERROR_NOT_SAME_DEVICE);
  if (!CopyFile(existing, new_name, replace ? FALSE : TRUE)) return FALSE;
  if (unlink(source.native.c_str()) != 0) return Fail(platform::ErrorFromErrno(errno));
  return TRUE;
}

}  // namespace

DWORD GetFileAttributes(LPCSTR file_name) {
  std::optional<ResolvedPath> resolved = ResolveExisting(file_name);
  if (!resolved) return INVALID_FILE_ATTRIBUTES;
  return resolved->facts.attributes;
}

BOOL SetFileAttributes(LPCSTR file_name, DWORD attributes) {
  std::optional<ResolvedPath> resolved = ResolveExisting(file_name);
  if (!resolved) return FALSE;
  if (resolved->cd_disc) return Fail(ERROR_ACCESS_DENIED);
  // Folders keep their permissions: the platform's read-only flag on a
  // folder does not stop anyone from writing into it.
  if (resolved->facts.is_directory) return TRUE;
  struct stat st {};
  if (stat(resolved->native.c_str(), &st) != 0) return Fail(platform::ErrorFromErrno(errno));
  mode_t mode = st.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(0222);
  } else if ((mode & 0222) == 0) {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && chmod(resolved->native.c_str(), mode) != 0) {
    return Fail(platform::ErrorFromErrno(errno));
  }
  return TRUE;
}

BOOL DeleteFile(LPCSTR file_name) {
  std::optional<ResolvedPath> resolved = ResolveExisting(file_name);
  if (!resolved) return FALSE;
  if (resolved->cd_disc || resolved->facts.is_directory) return Fail(ERROR_ACCESS_DENIED);
  if (resolved->facts.attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  std::unique_lock<std::mutex> shares = platform::fs::LockShares();
  if (platform::fs::DeleteConflicts(shares, IdOf(*resolved))) return Fail(ERROR_SHARING_VIOLATION);
  if (unlink(resolved->native.c_str()) != 0) {
    return Fail(errno == ENOENT ? resolved->MissingError() : platform::ErrorFromErrno(errno));
  }
  return TRUE;
}

BOOL MoveFile(LPCSTR existing, LPCSTR new_name) { return MoveFileEx(existing, new_name, MOVEFILE_COPY_ALLOWED); }

BOOL MoveFileEx(LPCSTR existing, LPCSTR new_name, DWORD flags) {
  if (new_name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::optional<ResolvedPath> source = ResolveExisting(existing);
  if (!source) return FALSE;
  std::optional<ResolvedPath> target = platform::fs::ResolvePath(new_name);
  if (!target) return FALSE;
  if (source->cd_disc || target->cd_disc || source->IsRoot() || target->IsRoot()) return Fail(ERROR_ACCESS_DENIED);
  if (!target->parent_exists) return Fail(ERROR_PATH_NOT_FOUND);

  std::string destination = target->native;
  if (SameFile(*source, *target)) {
    // Only the spelling changes ("a.txt" to "A.TXT"): rename to the name as given.
    destination = platform::fs::JoinNative(FolderOf(target->native), target->parts.Leaf());
  } else if (target->exists) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    if (target->facts.is_directory || source->facts.is_directory) return Fail(ERROR_ACCESS_DENIED);
    if (target->facts.attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  }

  std::unique_lock<std::mutex> shares = platform::fs::LockShares();
  if (platform::fs::DeleteConflicts(shares, IdOf(*source))) return Fail(ERROR_SHARING_VIOLATION);
  if (target->exists && !SameFile(*source, *target) && platform::fs::DeleteConflicts(shares, IdOf(*target))) {
    return Fail(ERROR_SHARING_VIOLATION);
  }
  if (std::rename(source->native.c_str(), destination.c_str()) == 0) return TRUE;
  const int err = errno;
  shares.unlock();
  if (err == EXDEV) {
    if (!(flags & MOVEFILE_COPY_ALLOWED)) return Fail(ERROR_NOT_SAME_DEVICE);
    return CopyAcrossDevices(*source, existing, new_name, (flags & MOVEFILE_REPLACE_EXISTING) != 0);
  }
  if (err == ENOTEMPTY || err == EEXIST) return Fail(ERROR_ACCESS_DENIED);
  return Fail(platform::ErrorFromErrno(err));
}

BOOL CopyFile(LPCSTR existing, LPCSTR new_name, BOOL fail_if_exists) {
  std::optional<ResolvedPath> source = ResolveExisting(existing);
  if (!source) return FALSE;
  if (source->facts.is_directory) return Fail(ERROR_ACCESS_DENIED);
  if (new_name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::optional<ResolvedPath> target = platform::fs::ResolvePath(new_name);
  if (!target) return FALSE;
  if (SameFile(*source, *target)) return Fail(ERROR_SHARING_VIOLATION);
  if (target->exists && fail_if_exists) return Fail(ERROR_FILE_EXISTS);
  if (source->cd_disc) return Fail(ERROR_ACCESS_DENIED);  // CD track files are not data

  HANDLE from = CreateFile(existing, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (from == INVALID_HANDLE_VALUE) return FALSE;
  HANDLE to = CreateFile(new_name, GENERIC_WRITE, 0, nullptr, fail_if_exists ? CREATE_NEW : CREATE_ALWAYS, 0, nullptr);
  if (to == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    CloseHandle(from);
    return Fail(error);
  }
  const BOOL copied = CopyOpenFiles(from, to);
  const DWORD error = GetLastError();
  CloseHandle(from);
  CloseHandle(to);
  if (!copied) {
    // Leave no half-written copy behind.
    if (std::optional<ResolvedPath> partial = platform::fs::ResolvePath(new_name)) unlink(partial->native.c_str());
    return Fail(error);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL CreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  std::optional<ResolvedPath> resolved = platform::fs::ResolvePath(path);
  if (!resolved) return FALSE;
  if (resolved->exists) return Fail(ERROR_ALREADY_EXISTS);
  if (resolved->cd_disc) return Fail(ERROR_ACCESS_DENIED);
  if (!resolved->parent_exists) return Fail(ERROR_PATH_NOT_FOUND);
  if (mkdir(resolved->native.c_str(), 0777) != 0) {
    return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : platform::ErrorFromErrno(errno));
  }
  return TRUE;
}

BOOL RemoveDirectory(LPCSTR path) {
  std::optional<ResolvedPath> resolved = ResolveExisting(path);
  if (!resolved) return FALSE;
  if (!resolved->facts.is_directory) return Fail(ERROR_DIRECTORY);
  if (resolved->IsRoot() || resolved->cd_disc) return Fail(ERROR_ACCESS_DENIED);
  if (rmdir(resolved->native.c_str()) == 0) return TRUE;
  if (errno == ENOTDIR && unlink(resolved->native.c_str()) == 0) return TRUE;  // a link to a folder
  if (errno == ENOTEMPTY || errno == EEXIST) return Fail(ERROR_DIR_NOT_EMPTY);
  return Fail(platform::ErrorFromErrno(errno));
}

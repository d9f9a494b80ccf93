// File handles: CreateFile and the calls on an open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/cd_audio.h"
#include "platform/fs/file_object.h"
#include "platform/fs/files.h"
#include "platform/fs/path_resolver.h"
#include "platform/fs/quick_read.h"
#include "platform/fs/share_table.h"

namespace {

using platform::fs::AccessReads;
using platform::fs::AccessWrites;

// An open file: a Linux descriptor, or the bytes of a file that exists only
// in the platform's view (a CD track file).
class FileObject : public platform::KernelObject {
 public:
  FileObject(int fd, DWORD access, std::uint64_t share_token, std::string name)
      : fd_(fd), access_(access), share_token_(share_token), name_(std::move(name)) {}
  FileObject(std::string contents, std::string name)
      : access_(GENERIC_READ), name_(std::move(name)), contents_(std::move(contents)) {}
  ~FileObject() override {
    if (fd_ >= 0) close(fd_);
  }

  void OnHandleClosed() override {
    if (share_token_ != 0) platform::fs::ReleaseShare(share_token_);
  }

  int fd() const { return fd_; }
  bool in_memory() const { return fd_ < 0; }
  DWORD access() const { return access_; }
  const std::string& name() const { return name_; }
  const std::string& contents() const { return contents_; }

  // Position of an in-memory file (a descriptor keeps its own).
  std::uint64_t memory_position() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return memory_position_;
  }
  void set_memory_position(std::uint64_t position) {
    std::lock_guard<std::mutex> lock(mutex_);
    memory_position_ = position;
  }

 private:
  int fd_ = -1;
  DWORD access_;
  std::uint64_t share_token_ = 0;
  std::string name_;
  std::string contents_;
  mutable std::mutex mutex_;
  std::uint64_t memory_position_ = 0;
};

std::shared_ptr<FileObject> LookupFile(HANDLE handle) {
  std::shared_ptr<FileObject> file = platform::LookupObjectAs<FileObject>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

BOOL FailBool(DWORD error) {
  SetLastError(error);
  return FALSE;
}

DWORD ErrorOfOpen(int err, const platform::fs::ResolvedPath& resolved) {
  switch (err) {
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOENT: return resolved.MissingError();
    case EISDIR:
    case ENXIO: return ERROR_ACCESS_DENIED;
    default: return platform::ErrorFromErrno(err);
  }
}

HANDLE OpenCdTrack(const platform::fs::ResolvedPath& resolved, DWORD access, DWORD disposition) {
  if (resolved.cd_track == nullptr) {
    if (resolved.IsRoot()) return Fail(ERROR_ACCESS_DENIED);
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return Fail(resolved.MissingError());
    return Fail(ERROR_ACCESS_DENIED);  // nothing can be created on the disc
  }
  if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
  if (AccessWrites(access) || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  auto file = std::make_shared<FileObject>(platform::fs::CdTrackFileBytes(*resolved.cd_disc, *resolved.cd_track),
                                           resolved.parts.Leaf());
  HANDLE handle = platform::RegisterObject(file);
  SetLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

// Checks what the platform refuses before touching the disk.
DWORD RefusalBeforeOpen(const platform::fs::ResolvedPath& resolved, DWORD access, DWORD disposition) {
  const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  if (resolved.IsRoot()) return disposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED;
  if (!resolved.exists) {
    if (!resolved.parent_exists) return ERROR_PATH_NOT_FOUND;
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
  }
  if (disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
  const platform::fs::FileFacts& facts = resolved.facts;
  if (!facts.is_regular) return ERROR_ACCESS_DENIED;  // folders, devices, pipes
  if ((facts.attributes & FILE_ATTRIBUTE_READONLY) && (AccessWrites(access) || truncates)) {
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

int OpenFlags(DWORD access, DWORD disposition, bool exists) {
  const bool reads = AccessReads(access);
  const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  // Truncating needs a writable descriptor even when the caller only reads;
  // the handle's own access still decides what ReadFile and WriteFile allow.
  const bool writes = AccessWrites(access) || (truncates && exists);
  int flags = O_CLOEXEC | O_NONBLOCK;
  flags |= writes ? (reads ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: break;
  }
  return flags;
}

// Reads or writes the whole request unless the file ends or the disk fills.
template <class Transfer>
BOOL TransferAll(Transfer transfer, DWORD count, LPDWORD done) {
  DWORD total = 0;
  while (total < count) {
    const ssize_t n = transfer(total, count - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      *done = total;
      return FailBool(err == ENOSPC ? ERROR_DISK_FULL : platform::ErrorFromErrno(err));
    }
    if (n == 0) break;
    total += static_cast<DWORD>(n);
  }
  *done = total;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

std::optional<std::uint64_t> CurrentSize(const FileObject& file) {
  if (file.in_memory()) return file.contents().size();
  struct stat st {};
  if (fstat(file.fd(), &st) != 0) {
    platform::SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::uint64_t> CurrentPosition(const FileObject& file) {
  if (file.in_memory()) return file.memory_position();
  const off_t position = lseek(file.fd(), 0, SEEK_CUR);
  if (position < 0) {
    platform::SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(position);
}

// Moves the file pointer; the new position, or nothing with the last error set.
std::optional<std::uint64_t> MovePointer(FileObject& file, LONGLONG distance, DWORD move_method) {
  std::optional<std::uint64_t> base;
  switch (move_method) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = CurrentPosition(file); break;
    case FILE_END: base = CurrentSize(file); break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return std::nullopt;
  }
  if (!base) return std::nullopt;
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
  const auto start = static_cast<LONGLONG>(std::min(*base, kMax));
  if ((distance < 0 && start + distance < 0)) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return std::nullopt;
  }
  if (distance > 0 && start > std::numeric_limits<LONGLONG>::max() - distance) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  const auto target = static_cast<std::uint64_t>(start + distance);
  if (file.in_memory()) {
    file.set_memory_position(target);
    return target;
  }
  if (lseek(file.fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
    platform::SetLastErrorFromErrno(errno == EINVAL ? EFBIG : errno);
    return std::nullopt;
  }
  return target;
}

bool IsOmittedTime(const FILETIME* time) {
  return time == nullptr || (time->dwLowDateTime == 0 && time->dwHighDateTime == 0) ||
         (time->dwLowDateTime == 0xFFFFFFFF && time->dwHighDateTime == 0xFFFFFFFF);
}

}  // namespace

HANDLE CreateFile(LPCSTR file_name, DWORD desired_access, DWORD share_mode, LPSECURITY_ATTRIBUTES,
                  DWORD creation_disposition, DWORD flags_and_attributes, HANDLE) {
  if (creation_disposition < CREATE_NEW || creation_disposition > TRUNCATE_EXISTING) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (creation_disposition == TRUNCATE_EXISTING && !AccessWrites(desired_access)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  std::optional<platform::fs::ResolvedPath> resolved = platform::fs::ResolvePath(file_name);
  if (!resolved) return INVALID_HANDLE_VALUE;
  if (resolved->cd_disc) return OpenCdTrack(*resolved, desired_access, creation_disposition);

  std::unique_lock<std::mutex> shares = platform::fs::LockShares();
  // Look again under the lock: another thread may have created or removed it.
  if (auto fresh = platform::fs::ResolveParts(resolved->parts)) resolved = std::move(fresh);
  if (DWORD refusal = RefusalBeforeOpen(*resolved, desired_access, creation_disposition)) return Fail(refusal);
  const bool existed = resolved->exists;
  if (existed) {
    const platform::fs::FileId id{resolved->facts.device, resolved->facts.inode};
    if (platform::fs::SharingConflicts(shares, id, desired_access, share_mode)) return Fail(ERROR_SHARING_VIOLATION);
  }

  const int fd = open(resolved->native.c_str(), OpenFlags(desired_access, creation_disposition, existed), 0666);
  if (fd < 0) return Fail(ErrorOfOpen(errno, *resolved));
  platform::fs::FileFacts facts;
  if (platform::fs::QueryFactsOfDescriptor(fd, resolved->parts.Leaf(), &facts) != 0 || !facts.is_regular) {
    close(fd);
    return Fail(ERROR_ACCESS_DENIED);
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!existed && (flags_and_attributes & FILE_ATTRIBUTE_READONLY)) {
    struct stat st {};
    if (fstat(fd, &st) == 0) fchmod(fd, st.st_mode & ~0222);
  }
  const std::uint64_t token =
      platform::fs::RegisterShare(shares, {facts.device, facts.inode}, desired_access, share_mode);
  shares.unlock();

  HANDLE handle = platform::RegisterObject(std::make_shared<FileObject>(fd, desired_access, token, resolved->parts.Leaf()));
  const bool reports_existing =
      existed && (creation_disposition == CREATE_ALWAYS || creation_disposition == OPEN_ALWAYS);
  SetLastError(reports_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read, LPVOID overlapped) {
  if (bytes_read != nullptr) *bytes_read = 0;
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  if (overlapped != nullptr || bytes_read == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  if (buffer == nullptr && bytes_to_read > 0) return FailBool(ERROR_NOACCESS);
  if (!AccessReads(file->access())) return FailBool(ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<char*>(buffer);
  if (file->in_memory()) {
    const std::string& contents = file->contents();
    const std::uint64_t position = file->memory_position();
    const std::uint64_t available = position < contents.size() ? contents.size() - position : 0;
    const auto n = static_cast<DWORD>(std::min<std::uint64_t>(available, bytes_to_read));
    if (n > 0) std::memcpy(bytes, contents.data() + position, n);
    file->set_memory_position(position + n);
    *bytes_read = n;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  return TransferAll([&](DWORD offset, DWORD count) { return read(file->fd(), bytes + offset, count); },
                     bytes_to_read, bytes_read);
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written, LPVOID overlapped) {
  if (bytes_written != nullptr) *bytes_written = 0;
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  if (overlapped != nullptr || bytes_written == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  if (buffer == nullptr && bytes_to_write > 0) return FailBool(ERROR_NOACCESS);
  if (!AccessWrites(file->access())) return FailBool(ERROR_ACCESS_DENIED);
  const auto* bytes = static_cast<const char*>(buffer);
  return TransferAll([&](DWORD offset, DWORD count) { return write(file->fd(), bytes + offset, count); },
                     bytes_to_write, bytes_written);
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distance_high, DWORD move_method) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return INVALID_SET_FILE_POINTER;
  LONGLONG full_distance = distance;
  if (distance_high != nullptr) {
    full_distance = static_cast<LONGLONG>((static_cast<std::uint64_t>(static_cast<DWORD>(*distance_high)) << 32) |
                                          static_cast<DWORD>(distance));
  }
  if (distance_high == nullptr) {
    // Without a high part the new position has to fit in 32 bits: look
    // before moving so a refused move leaves the pointer where it was.
    const std::optional<std::uint64_t> before = CurrentPosition(*file);
    if (!before) return INVALID_SET_FILE_POINTER;
    std::optional<std::uint64_t> target = MovePointer(*file, full_distance, move_method);
    if (!target) return INVALID_SET_FILE_POINTER;
    if (*target > 0xFFFFFFFFull) {
      MovePointer(*file, static_cast<LONGLONG>(*before), FILE_BEGIN);
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(*target);
  }
  std::optional<std::uint64_t> target = MovePointer(*file, full_distance, move_method);
  if (!target) return INVALID_SET_FILE_POINTER;
  *distance_high = static_cast<LONG>(static_cast<DWORD>(*target >> 32));
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(*target & 0xFFFFFFFFu);
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* new_position, DWORD move_method) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  std::optional<std::uint64_t> target = MovePointer(*file, distance.QuadPart, move_method);
  if (!target) return FALSE;
  if (new_position != nullptr) new_position->QuadPart = static_cast<LONGLONG>(*target);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD size_high) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return INVALID_FILE_SIZE;
  std::optional<std::uint64_t> size = CurrentSize(*file);
  if (!size) return INVALID_FILE_SIZE;
  if (size_high != nullptr) *size_high = static_cast<DWORD>(*size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(*size & 0xFFFFFFFFu);
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  if (size == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  std::optional<std::uint64_t> current = CurrentSize(*file);
  if (!current) return FALSE;
  size->QuadPart = static_cast<LONGLONG>(*current);
  return TRUE;
}

BOOL SetEndOfFile(HANDLE handle) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  if (!AccessWrites(file->access())) return FailBool(ERROR_ACCESS_DENIED);
  std::optional<std::uint64_t> position = CurrentPosition(*file);
  if (!position) return FALSE;
  if (ftruncate(file->fd(), static_cast<off_t>(*position)) != 0) {
    return FailBool(errno == ENOSPC || errno == EFBIG ? ERROR_DISK_FULL : platform::ErrorFromErrno(errno));
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  if (!AccessWrites(file->access())) return FailBool(ERROR_ACCESS_DENIED);
  if (fsync(file->fd()) != 0 && errno != EINVAL) return FailBool(platform::ErrorFromErrno(errno));
  return TRUE;
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* last_access, FILETIME* last_write) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  platform::fs::FileFacts facts;
  if (!file->in_memory()) {
    if (int err = platform::fs::QueryFactsOfDescriptor(file->fd(), file->name(), &facts); err != 0) {
      return FailBool(platform::ErrorFromErrno(err));
    }
  }
  if (creation != nullptr) *creation = facts.creation;
  if (last_access != nullptr) *last_access = facts.last_access;
  if (last_write != nullptr) *last_write = facts.last_write;
  return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* last_access, const FILETIME* last_write) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return FALSE;
  if (!AccessWrites(file->access())) return FailBool(ERROR_ACCESS_DENIED);
  timespec times[2];
  times[0] = IsOmittedTime(last_access) ? timespec{0, UTIME_OMIT} : platform::TimespecFromFileTime(*last_access);
  times[1] = IsOmittedTime(last_write) ? timespec{0, UTIME_OMIT} : platform::TimespecFromFileTime(*last_write);
  if (futimens(file->fd(), times) != 0) return FailBool(platform::ErrorFromErrno(errno));
  return TRUE;
}

namespace platform::fs {

namespace {

// The Linux path a platform path names as spelled, when it lies on a drive
// mapped to a folder; nothing otherwise.
std::optional<std::string> SpelledNativePath(LPCSTR file_name, std::string* leaf) {
  DWORD error = 0;
  std::optional<PlatformPathParts> parts = ParseAgainstCurrent(file_name, &error);
  if (!parts || parts->IsRoot()) return std::nullopt;
  std::optional<DriveEntry> drive = LookupDrive(parts->drive);
  if (!drive || drive->root.empty()) return std::nullopt;
  std::string native = drive->root;
  for (const std::string& name : parts->components) native = JoinNative(native, name);
  *leaf = parts->Leaf();
  return native;
}

std::int64_t FailRead(DWORD error) {
  SetLastError(error);
  return -1;
}

}  // namespace

HANDLE OpenForReading(LPCSTR file_name, DWORD share_mode, std::uint64_t* size) {
  auto the_long_way = [&]() -> HANDLE {
    HANDLE handle = CreateFile(file_name, GENERIC_READ, share_mode, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER bytes{};
    if (handle != INVALID_HANDLE_VALUE && !GetFileSizeEx(handle, &bytes)) {
      const DWORD error = GetLastError();
      CloseHandle(handle);
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
    *size = static_cast<std::uint64_t>(bytes.QuadPart);
    return handle;
  };
  *size = 0;
  if (file_name == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string leaf;
  const std::optional<std::string> native = SpelledNativePath(file_name, &leaf);
  if (!native) return the_long_way();

  std::unique_lock<std::mutex> shares = LockShares();
  // Opening without blocking on a pipe and without taking a terminal; the
  // descriptor keeps O_NONBLOCK, which regular files ignore.
  const int fd = open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    shares.unlock();
    return the_long_way();
  }
  FileFacts facts;
  if (QueryFactsOfDescriptor(fd, leaf, &facts) != 0 || !facts.is_regular) {
    close(fd);
    shares.unlock();
    return the_long_way();
  }
  const FileId id{facts.device, facts.inode};
  if (SharingConflicts(shares, id, GENERIC_READ, share_mode)) {
    close(fd);
    return Fail(ERROR_SHARING_VIOLATION);
  }
  const std::uint64_t token = RegisterShare(shares, id, GENERIC_READ, share_mode);
  shares.unlock();
  *size = facts.size;
  HANDLE handle = platform::RegisterObject(std::make_shared<FileObject>(fd, GENERIC_READ, token, leaf));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

std::int64_t ReadAt(HANDLE handle, std::uint64_t position, void* buffer, DWORD count) {
  std::shared_ptr<FileObject> file = LookupFile(handle);
  if (!file) return -1;
  if (buffer == nullptr && count > 0) return FailRead(ERROR_NOACCESS);
  if (!AccessReads(file->access())) return FailRead(ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<char*>(buffer);
  if (file->in_memory()) {
    const std::string& contents = file->contents();
    const std::uint64_t available = position < contents.size() ? contents.size() - position : 0;
    const auto n = static_cast<DWORD>(std::min<std::uint64_t>(available, count));
    if (n > 0) std::memcpy(bytes, contents.data() + position, n);
    return n;
  }
  constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
  if (position > kMaxOffset - count) return FailRead(ERROR_INVALID_PARAMETER);
  DWORD total = 0;
  while (total < count) {
    const ssize_t n = pread(file->fd(), bytes + total, count - total, static_cast<off_t>(position + total));
    if (n < 0) {
      if (errno == EINTR) continue;
      platform::SetLastErrorFromErrno(errno);
      return -1;
    }
    if (n == 0) break;
    total += static_cast<DWORD>(n);
  }
  return total;
}

int FileDescriptor(HANDLE handle) {
  std::shared_ptr<FileObject> file = platform::LookupObjectAs<FileObject>(handle);
  return file ? file->fd() : -1;
}

}  // namespace platform::fs

#include "outside/bass/core/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "outside/bass/bass_api.h"
#include "platform/fs/drives.h"

namespace audio {

std::string ResolvePath(const char* file_name) {
  if (file_name == nullptr) return std::string();
  // Callers name files the platform's way ("C:\Music\song.mp3"); the drive
  // table says where that is. A name that is already an absolute Linux path
  // is taken as it stands.
  std::string name(file_name);
  if (!name.empty() && name[0] == '/') return name;
  return platform::NativePath(name).value_or(std::string());
}

std::shared_ptr<ByteSource> ByteSource::OpenFile(const std::string& path, std::uint64_t offset,
                                                 std::uint64_t length, DWORD* error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  const auto file_size = static_cast<std::uint64_t>(st.st_size);
  if (offset > file_size) {
    ::close(fd);
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  std::uint64_t available = file_size - offset;
  std::shared_ptr<ByteSource> source(new ByteSource());
  source->fd_ = fd;
  source->file_offset_ = offset;
  source->size_ = (length == 0 || length > available) ? available : length;
  return source;
}

std::shared_ptr<ByteSource> ByteSource::FromMemory(const void* data, std::uint64_t size) {
  std::shared_ptr<ByteSource> source(new ByteSource());
  source->memory_ = static_cast<const std::uint8_t*>(data);
  source->size_ = data != nullptr ? size : 0;
  return source;
}

ByteSource::~ByteSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::size_t ByteSource::ReadAt(std::uint64_t pos, void* out, std::size_t n) const {
  if (pos >= size_ || n == 0) return 0;
  if (n > size_ - pos) n = static_cast<std::size_t>(size_ - pos);
  if (memory_ != nullptr) {
    std::memcpy(out, memory_ + pos, n);
    return n;
  }
  std::size_t done = 0;
  while (done < n) {
    ssize_t got = ::pread(fd_, static_cast<std::uint8_t*>(out) + done, n - done,
                          static_cast<off_t>(file_offset_ + pos + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::shared_ptr<ByteSource> OpenCallerSource(BOOL mem, const void* file, DWORD offset,
                                             DWORD length, DWORD* error) {
  if (file == nullptr) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  if (mem) {
    if (length == 0) {
      *error = BASS_ERROR_ILLPARAM;
      return nullptr;
    }
    return ByteSource::FromMemory(static_cast<const std::uint8_t*>(file) + offset, length);
  }
  return ByteSource::OpenFile(ResolvePath(static_cast<const char*>(file)), offset, length, error);
}

std::int64_t ByteCursor::Read(void* out, std::size_t n) {
  if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) return -1;
  if (n >= kBlockBytes) {
    const std::size_t got = source_->ReadAt(pos_, out, n);
    pos_ += got;
    return static_cast<std::int64_t>(got);
  }
  if (pos_ < block_start_ || pos_ + n > block_start_ + block_.size()) {
    block_.resize(kBlockBytes);
    block_start_ = pos_;
    block_.resize(source_->ReadAt(pos_, block_.data(), kBlockBytes));
  }
  const std::size_t offset = static_cast<std::size_t>(pos_ - block_start_);
  const std::size_t got = std::min(n, block_.size() - offset);
  std::memcpy(out, block_.data() + offset, got);
  pos_ += got;
  return static_cast<std::int64_t>(got);
}

std::int64_t ByteCursor::Seek(std::int64_t offset, int whence) {
  std::int64_t base = 0;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<std::int64_t>(pos_); break;
    case SEEK_END: base = static_cast<std::int64_t>(source_->size()); break;
    default: return -1;
  }
  std::int64_t target = base + offset;
  if (target < 0) return -1;
  pos_ = static_cast<std::uint64_t>(target);
  return target;
}

}  // namespace audio

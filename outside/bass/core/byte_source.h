// Where an encoded stream's bytes come from: a window of a file (opened by
// native path) or of a caller's memory block. Reads at explicit positions are
// safe from several threads at once, so a decoder and a background length
// scan can share one source through separate cursors.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/types.h"

namespace audio {

// Turns a file name handed to the library into a path this process can
// open. Native absolute paths pass through unchanged.
std::string ResolvePath(const char* file_name);

class ByteSource {
 public:
  // `length` 0 means up to the end of the file. On failure returns null and
  // sets `error` to a BASS error code.
  static std::shared_ptr<ByteSource> OpenFile(const std::string& path, std::uint64_t offset,
                                              std::uint64_t length, DWORD* error);
  // The memory must stay valid while any stream made from it exists.
  static std::shared_ptr<ByteSource> FromMemory(const void* data, std::uint64_t size);

  ~ByteSource();
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;

  std::uint64_t size() const { return size_; }
  // Copies up to `n` bytes from `pos`; returns the count (0 at or past the end).
  std::size_t ReadAt(std::uint64_t pos, void* out, std::size_t n) const;

 private:
  ByteSource() = default;

  int fd_ = -1;
  std::uint64_t file_offset_ = 0;
  const std::uint8_t* memory_ = nullptr;
  std::uint64_t size_ = 0;
};

// The source a create call names: `file` is a file name, or with `mem` set a
// memory block of `length` bytes; `offset` and `length` select a window.
// Null (and `error` set) when it cannot be opened.
std::shared_ptr<ByteSource> OpenCallerSource(BOOL mem, const void* file, DWORD offset,
                                             DWORD length, DWORD* error);

// A sequential reader over a source, the shape decoder libraries ask for.
// It reads ahead in blocks, since decoders ask for a few hundred bytes at a
// time. Reads fail once `cancel` (when given) is set.
class ByteCursor {
 public:
  explicit ByteCursor(std::shared_ptr<ByteSource> source,
                      const std::atomic<bool>* cancel = nullptr)
      : source_(std::move(source)), cancel_(cancel) {}

  // Returns bytes read, 0 at the end, -1 when cancelled.
  std::int64_t Read(void* out, std::size_t n);
  // whence: SEEK_SET, SEEK_CUR or SEEK_END. Returns the new position or -1.
  std::int64_t Seek(std::int64_t offset, int whence);
  std::uint64_t Tell() const { return pos_; }
  std::uint64_t size() const { return source_->size(); }
  const std::shared_ptr<ByteSource>& source() const { return source_; }

 private:
  static constexpr std::size_t kBlockBytes = 64 * 1024;

  std::shared_ptr<ByteSource> source_;
  const std::atomic<bool>* cancel_;
  std::uint64_t pos_ = 0;
  // The block read ahead: bytes [block_start_, block_start_ + block_.size()).
  std::vector<std::uint8_t> block_;
  std::uint64_t block_start_ = 0;
};

}  // namespace audio

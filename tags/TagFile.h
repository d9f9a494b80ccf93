// The file access of the tag and header readers: an audio file opened as a
// read-only file stream, which others may read but not write while it is
// open. Opening never raises: a file that cannot be opened is a false result.
//
// The readers make many small reads (frame headers, lengths, short texts),
// mostly near the start and near the end of a file. TagFile serves them
// from two read-ahead buffers, one of which usually holds the start and the
// other the end, so reading a typical file's header and tags costs two
// reads of the file; a file of up to 32 KiB is read whole at the first
// read. Opening, learning the size and each read are one system call each.
// Reads at the end of the file come back short, never as errors, so the
// readers can treat a short file like one padded with zeros.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/types.h"

namespace tags {

class TagFile {
 public:
  TagFile();
  ~TagFile();
  TagFile(const TagFile&) = delete;
  TagFile& operator=(const TagFile&) = delete;

  // Opens a platform path ("C:\Music\song.mp3"). False when the file cannot
  // be opened (missing, a folder, no access, open elsewhere for writing).
  bool Open(const std::string& file_name);
  void Close();

  // The size when the file was opened.
  std::int64_t Size() const { return size_; }
  std::int64_t Position() const { return position_; }
  // Moves to an absolute position; false for a negative one. Positions
  // past the end are allowed (reads there return nothing).
  bool Seek(std::int64_t position);

  // Reads up to `count` bytes at the current position and moves past them.
  // Returns the number read (short at the end of the file), or -1 on an
  // I/O error.
  int Read(void* buffer, int count);
  // Reads `count` bytes at `position` and moves past them; whatever lies
  // beyond the end of the file is filled with zeros. Returns the number of
  // bytes that came from the file, or -1 on an I/O error or a negative
  // position.
  int ReadAt(std::int64_t position, void* buffer, int count);

 private:
  static constexpr int kBufferSize = 8192;
  // A file no larger than this is read whole into the first buffer.
  static constexpr int kWholeFileSize = 32768;

  // A buffer holds `length` bytes of the file from `start` on.
  struct Buffer {
    std::int64_t start = 0;
    int length = 0;
    std::uint8_t* bytes = nullptr;
  };

  // The buffer that holds `count` bytes at `position` (or all there is of
  // them before the end of the file), filled when none does; null on an
  // I/O error.
  const Buffer* BufferFor(std::int64_t position, int count);
  // Reads straight from the file at `position`.
  int ReadFromFile(std::int64_t position, void* buffer, int count);

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Whole() const { return size_ <= kWholeFileSize; }

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<std::uint8_t[]> storage_;  // the bytes of both buffers
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;
  Buffer buffers_[2];
  int last_filled_ = 1;
};

}  // namespace tags

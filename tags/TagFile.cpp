#include "tags/TagFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/core/handles.h"
#include "platform/fs/files.h"
#include "platform/fs/quick_read.h"

namespace tags {

namespace {

// Buffer storage kept for the next file a thread opens, so that reading
// many files costs no allocation each.
thread_local std::vector<std::unique_ptr<std::uint8_t[]>> spare_storage;

}  // namespace

TagFile::TagFile() = default;

TagFile::~TagFile() {
  Close();
  if (storage_ && spare_storage.size() < 4) spare_storage.push_back(std::move(storage_));
}

bool TagFile::Open(const std::string& file_name) {
  Close();
  // Read-only; others may read the file meanwhile but not write it.
  std::uint64_t size = 0;
  handle_ = platform::fs::OpenForReading(file_name.c_str(), FILE_SHARE_READ, &size);
  if (!IsOpen()) return false;
  size_ = static_cast<std::int64_t>(size);
  if (!storage_ && !spare_storage.empty()) {
    storage_ = std::move(spare_storage.back());
    spare_storage.pop_back();
  }
  if (!storage_) storage_ = std::make_unique_for_overwrite<std::uint8_t[]>(kWholeFileSize);
  buffers_[0].bytes = storage_.get();
  buffers_[1].bytes = storage_.get() + kWholeFileSize / 2;
  return true;
}

void TagFile::Close() {
  if (IsOpen()) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  size_ = 0;
  position_ = 0;
  for (Buffer& buffer : buffers_) buffer.length = 0;
}

bool TagFile::Seek(std::int64_t position) {
  if (!IsOpen() || position < 0) return false;
  position_ = position;
  return true;
}

int TagFile::Read(void* buffer, int count) {
  if (!IsOpen() || count < 0) return -1;
  int done = 0;
  if (position_ >= size_ || count == 0) {
    done = 0;  // nothing lies beyond the end
  } else if (count > kBufferSize && !Whole()) {
    done = ReadFromFile(position_, buffer, static_cast<int>(std::min<std::int64_t>(count, size_ - position_)));
  } else {
    const Buffer* source = BufferFor(position_, count);
    if (source == nullptr) return -1;
    const auto offset = static_cast<int>(position_ - source->start);
    done = std::min(count, source->length - offset);
    std::memcpy(buffer, source->bytes + offset, static_cast<std::size_t>(done));
  }
  if (done < 0) return -1;
  position_ += done;
  return done;
}

const TagFile::Buffer* TagFile::BufferFor(std::int64_t position, int count) {
  const std::int64_t wanted_end = std::min(position + count, size_);
  for (const Buffer& buffer : buffers_) {
    if (buffer.length > 0 && position >= buffer.start && wanted_end <= buffer.start + buffer.length) return &buffer;
  }
  Buffer* fill = &buffers_[0];
  int capacity = kWholeFileSize;
  if (!Whole()) {
    // Refill the buffer filled longer ago. Near the end of the file the
    // buffer ends at the end, so that it also holds what lies just before.
    last_filled_ = 1 - last_filled_;
    fill = &buffers_[last_filled_];
    capacity = kBufferSize;
    fill->start = position + kBufferSize <= size_ ? position : std::max<std::int64_t>(0, size_ - kBufferSize);
  } else {
    fill->start = 0;
  }
  fill->length = 0;
  const auto length = static_cast<int>(std::min<std::int64_t>(capacity, size_ - fill->start));
  const int got = ReadFromFile(fill->start, fill->bytes, length);
  // The file held these bytes when it was opened, yet fewer came: it shrank or failed.
  if (got < length) return nullptr;
  fill->length = got;
  return fill;
}

int TagFile::ReadAt(std::int64_t position, void* buffer, int count) {
  if (count < 0 || !Seek(position)) return -1;
  const int done = Read(buffer, count);
  if (done < 0) return -1;
  std::memset(static_cast<char*>(buffer) + done, 0, static_cast<std::size_t>(count - done));
  return done;
}

int TagFile::ReadFromFile(std::int64_t position, void* buffer, int count) {
  return static_cast<int>(
      platform::fs::ReadAt(handle_, static_cast<std::uint64_t>(position), buffer, static_cast<DWORD>(count)));
}

}  // namespace tags

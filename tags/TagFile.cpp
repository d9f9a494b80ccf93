#include "tags/TagFile.h"

#include <algorithm>
#include <cstring>

#include "platform/core/handles.h"
#include "platform/fs/files.h"

namespace tags {

TagFile::~TagFile() { Close(); }

bool TagFile::Open(const std::string& file_name) {
  Close();
  HANDLE handle = CreateFile(file_name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return false;
  }
  handle_ = handle;
  size_ = size.QuadPart;
  return true;
}

void TagFile::Close() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
  size_ = 0;
  position_ = 0;
  for (Buffer& buffer : buffers_) buffer.length = 0;
}

bool TagFile::Seek(std::int64_t position) {
  if (handle_ == nullptr || position < 0) return false;
  position_ = position;
  return true;
}

int TagFile::Read(void* buffer, int count) {
  if (handle_ == nullptr || count < 0) return -1;
  int done = 0;
  if (position_ >= size_ || count == 0) {
    done = 0;  // nothing lies beyond the end
  } else if (count > kBufferSize) {
    done = ReadFromFile(position_, buffer, static_cast<int>(std::min<std::int64_t>(count, size_ - position_)));
  } else {
    const Buffer* source = BufferFor(position_, count);
    if (source == nullptr) return -1;
    const auto offset = static_cast<int>(position_ - source->start);
    done = std::min(count, source->length - offset);
    std::memcpy(buffer, source->bytes.data() + offset, static_cast<std::size_t>(done));
  }
  if (done < 0) return -1;
  position_ += done;
  return done;
}

const TagFile::Buffer* TagFile::BufferFor(std::int64_t position, int count) {
  const std::int64_t wanted_end = std::min(position + count, size_);
  for (const Buffer& buffer : buffers_) {
    if (position >= buffer.start && wanted_end <= buffer.start + buffer.length) return &buffer;
  }
  // Fill the buffer used least recently. Near the end of the file the
  // buffer ends at the end, so that it also holds what lies just before.
  last_filled_ = 1 - last_filled_;
  Buffer& buffer = buffers_[last_filled_];
  buffer.start = position + kBufferSize <= size_ ? position : std::max<std::int64_t>(0, size_ - kBufferSize);
  buffer.length = 0;
  const auto length = static_cast<int>(std::min<std::int64_t>(kBufferSize, size_ - buffer.start));
  const int got = ReadFromFile(buffer.start, buffer.bytes.data(), length);
  // The file holds these bytes, yet fewer came: it shrank or failed.
  if (got < length) return nullptr;
  buffer.length = got;
  return &buffer;
}

int TagFile::ReadAt(std::int64_t position, void* buffer, int count) {
  if (count < 0 || !Seek(position)) return -1;
  const int done = Read(buffer, count);
  if (done < 0) return -1;
  std::memset(static_cast<char*>(buffer) + done, 0, static_cast<std::size_t>(count - done));
  return done;
}

int TagFile::ReadFromFile(std::int64_t position, void* buffer, int count) {
  LARGE_INTEGER distance{};
  distance.QuadPart = position;
  DWORD done = 0;
  if (!SetFilePointerEx(handle_, distance, nullptr, FILE_BEGIN) ||
      !ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    return -1;
  }
  return static_cast<int>(done);
}

}  // namespace tags

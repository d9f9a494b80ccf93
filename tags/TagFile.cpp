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
  buffer_start_ = 0;
  buffer_length_ = 0;
}

bool TagFile::Seek(std::int64_t position) {
  if (handle_ == nullptr || position < 0) return false;
  position_ = position;
  return true;
}

int TagFile::Read(void* buffer, int count) {
  if (handle_ == nullptr || count < 0) return -1;
  int done = 0;
  if (position_ >= size_) {
    done = 0;  // nothing lies beyond the end
  } else if (count > kBufferSize) {
    done = ReadFromFile(position_, buffer, count);
  } else {
    const std::int64_t buffer_end = buffer_start_ + buffer_length_;
    const bool in_buffer = position_ >= buffer_start_ && position_ < buffer_end &&
                           (position_ + count <= buffer_end || buffer_end >= size_);
    if (!in_buffer) {
      buffer_length_ = std::max(0, ReadFromFile(position_, buffer_.data(), kBufferSize));
      buffer_start_ = position_;
      if (buffer_length_ == 0) return -1;  // the file holds bytes here, yet none came
    }
    const auto offset = static_cast<int>(position_ - buffer_start_);
    done = std::min(count, buffer_length_ - offset);
    std::memcpy(buffer, buffer_.data() + offset, static_cast<std::size_t>(done));
  }
  if (done < 0) return -1;
  position_ += done;
  return done;
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

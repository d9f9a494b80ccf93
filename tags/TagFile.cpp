#include "tags/TagFile.h"

#include <algorithm>
#include <cstring>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "platform/fs/files.h"

namespace tags {

TagFile::TagFile() = default;

TagFile::~TagFile() { Close(); }

bool TagFile::Open(const std::string& file_name) {
  Close();
  std::unique_ptr<TFileStream> stream;
  try {
    stream = std::make_unique<TFileStream>(file_name, fmOpenRead | fmShareDenyWrite);
  } catch (const EFOpenError&) {
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(stream->Handle(), &size)) return false;
  stream_ = std::move(stream);
  size_ = size.QuadPart;
  return true;
}

void TagFile::Close() {
  stream_.reset();
  size_ = 0;
  position_ = 0;
  for (Buffer& buffer : buffers_) buffer.length = 0;
}

bool TagFile::Seek(std::int64_t position) {
  if (!stream_ || position < 0) return false;
  position_ = position;
  return true;
}

int TagFile::Read(void* buffer, int count) {
  if (!stream_ || count < 0) return -1;
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
  // Refill the buffer filled longer ago. Near the end of the file the
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
  if (stream_->Seek(position, soBeginning) != position) return -1;
  return stream_->Read(buffer, count);
}

}  // namespace tags

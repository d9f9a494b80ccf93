#include "classlib/Streams.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "classlib/Exceptions.h"

// --- TStream ---

void TStream::ReadBuffer(void* Buffer, int Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(SysConst::SReadError);
}

void TStream::WriteBuffer(const void* Buffer, int Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(SysConst::SWriteError);
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  constexpr int kMaxBuffer = 0xF000;
  const std::int64_t total = Count;
  const int buffer_size = static_cast<int>(std::min<std::int64_t>(Count, kMaxBuffer));
  std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(std::max(buffer_size, 1))]);
  while (Count != 0) {
    const int n = static_cast<int>(std::min<std::int64_t>(Count, buffer_size));
    Source->ReadBuffer(buffer.get(), n);
    WriteBuffer(buffer.get(), n);
    Count -= n;
  }
  return total;
}

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, soCurrent);
  const std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t /*NewSize*/) {}

// --- TMemoryStream ---

int TMemoryStream::Read(void* Buffer, int Count) {
  if (position_ < 0 || Count < 0) return 0;
  const std::int64_t available = size_ - position_;
  if (available <= 0) return 0;
  const int n = static_cast<int>(std::min<std::int64_t>(available, Count));
  std::memcpy(Buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

int TMemoryStream::Write(const void* Buffer, int Count) {
  if (position_ < 0 || Count < 0) return 0;
  const std::int64_t end = position_ + Count;
  if (end > size_) {
    if (end > static_cast<std::int64_t>(data_.size())) {
      // Grow in 8 KB steps, and at least by a quarter, so appends stay cheap.
      std::int64_t capacity = std::max<std::int64_t>(end, static_cast<std::int64_t>(data_.size()) * 5 / 4);
      capacity = (capacity + 0x1FFF) & ~std::int64_t{0x1FFF};
      data_.resize(static_cast<std::size_t>(capacity), 0);
    }
    size_ = end;
  }
  if (Count > 0) std::memcpy(data_.data() + position_, Buffer, static_cast<std::size_t>(Count));
  position_ = end;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: position_ = Offset; break;
    case soCurrent: position_ += Offset; break;
    case soEnd: position_ = size_ + Offset; break;
  }
  return position_;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  data_.resize(static_cast<std::size_t>(NewSize), 0);
  // Bytes past a former end read as zeros.
  if (NewSize > size_) std::fill(data_.begin() + size_, data_.begin() + NewSize, 0);
  size_ = NewSize;
  if (position_ > NewSize) position_ = NewSize;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  size_ = 0;
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const std::int64_t count = Stream->Size();
  SetSize(count);
  if (count != 0) Stream->ReadBuffer(data_.data(), static_cast<int>(count));
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream* Stream) {
  if (size_ != 0) Stream->WriteBuffer(data_.data(), static_cast<int>(size_));
}

// --- TStringStream ---

int TStringStream::Read(void* Buffer, int Count) {
  const std::int64_t available = static_cast<std::int64_t>(data_.size()) - position_;
  const int n = static_cast<int>(std::clamp<std::int64_t>(available, 0, std::max(Count, 0)));
  if (n > 0) std::memcpy(Buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

int TStringStream::Write(const void* Buffer, int Count) {
  if (Count < 0) return 0;
  data_.resize(static_cast<std::size_t>(position_ + Count));
  if (Count > 0) std::memcpy(data_.data() + position_, Buffer, static_cast<std::size_t>(Count));
  position_ += Count;
  return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: position_ = Offset; break;
    case soCurrent: position_ += Offset; break;
    case soEnd: position_ = static_cast<std::int64_t>(data_.size()) + Offset; break;
  }
  position_ = std::clamp<std::int64_t>(position_, 0, static_cast<std::int64_t>(data_.size()));
  return position_;
}

void TStringStream::SetSize(std::int64_t NewSize) {
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)));
  if (position_ > NewSize) position_ = std::max<std::int64_t>(NewSize, 0);
}

String TStringStream::ReadString(int Count) {
  const std::int64_t available = static_cast<std::int64_t>(data_.size()) - position_;
  const std::int64_t n = std::clamp<std::int64_t>(available, 0, std::max(Count, 0));
  String out = data_.substr(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
  position_ += n;
  return out;
}

void TStringStream::WriteString(const String& AString) {
  Write(AString.data(), static_cast<int>(AString.size()));
}

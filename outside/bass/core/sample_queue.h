// Interleaved samples queued between the stage that makes them and the
// stage that takes them: written in place at the end, taken from the front.
// Unlike a vector it never fills what is about to be written, and taking
// from the front moves nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace audio {

template <class T>
class SampleQueue {
 public:
  std::size_t size() const { return end_ - begin_; }
  bool empty() const { return end_ == begin_; }
  const T* data() const { return buffer_ ? buffer_.get() + begin_ : nullptr; }

  // Adds `count` samples at the end for the caller to write; the pointer
  // stays valid until the queue is next changed.
  T* Extend(std::size_t count) {
    if (end_ + count > capacity_) MakeRoom(count);
    T* at = buffer_.get() + end_;
    end_ += count;
    return at;
  }
  // Gives back the last `count` samples of an Extend that made fewer.
  void Shrink(std::size_t count) { end_ -= count; }
  // Takes `count` samples from the front.
  void Drop(std::size_t count) {
    begin_ += count;
    if (begin_ == end_) begin_ = end_ = 0;
  }
  void Clear() { begin_ = end_ = 0; }

 private:
  void MakeRoom(std::size_t count) {
    const std::size_t held = end_ - begin_;
    if (held + count <= capacity_) {
      // Room enough once what was taken is gone: move the rest to the front.
      std::memmove(buffer_.get(), buffer_.get() + begin_, held * sizeof(T));
    } else {
      const std::size_t capacity = std::max(held + count, capacity_ * 2);
      std::unique_ptr<T[]> bigger(new T[capacity]);
      if (held > 0) std::memcpy(bigger.get(), buffer_.get() + begin_, held * sizeof(T));
      buffer_ = std::move(bigger);
      capacity_ = capacity;
    }
    begin_ = 0;
    end_ = held;
  }

  std::unique_ptr<T[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace audio

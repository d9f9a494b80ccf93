#include "outside/bass/core/user_feed.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "outside/bass/core/thread_local_slot.h"

namespace audio {

namespace {

// Stream callbacks running right now, over every user stream.
std::mutex g_calls_mutex;
std::condition_variable g_calls_returned;
int g_calls_running = 0;
AUDIO_THREAD_LOCAL bool t_in_stream_call = false;

void CallStarted() {
  std::lock_guard<std::mutex> lock(g_calls_mutex);
  ++g_calls_running;
  t_in_stream_call = true;
}

void CallReturned() {
  std::lock_guard<std::mutex> lock(g_calls_mutex);
  --g_calls_running;
  t_in_stream_call = false;
  g_calls_returned.notify_all();
}

}  // namespace

bool UserFeed::WaitForCallsToReturn(std::uint32_t timeout_ms) {
  std::unique_lock<std::mutex> lock(g_calls_mutex);
  const int own = t_in_stream_call ? 1 : 0;
  return g_calls_returned.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [own] { return g_calls_running <= own; });
}

struct UserFeed::Shared {
  std::mutex mutex;
  std::condition_variable wake;
  // Ring buffer of the stream's own bytes.
  std::vector<std::uint8_t> ring;
  std::size_t head = 0;
  std::size_t count = 0;
  std::size_t frame_bytes = 0;
  std::size_t request_threshold = 0;
  std::uint64_t generation = 0;
  bool input_ended = false;
  bool active = false;
  bool in_call = false;
  bool closed = false;
  HSTREAM handle = 0;
  STREAMPROC* proc = nullptr;
  std::uintptr_t user = 0;

  std::size_t free_bytes() const { return ring.size() - count; }
  bool wants_data() const {
    return active && !input_ended && free_bytes() >= request_threshold;
  }
  void Append(const std::uint8_t* data, std::size_t n) {
    std::size_t tail = (head + count) % ring.size();
    std::size_t first = std::min(n, ring.size() - tail);
    std::memcpy(ring.data() + tail, data, first);
    std::memcpy(ring.data(), data + first, n - first);
    count += n;
  }
};

UserFeed::UserFeed(const PcmFormat& format, HSTREAM handle, STREAMPROC* proc, std::uintptr_t user)
    : format_(format), shared_(std::make_shared<Shared>()) {
  const std::size_t frame_bytes = format.frame_bytes();
  // About an eighth of a second of the stream's own audio, in whole frames.
  std::size_t capacity = std::max<std::size_t>(4096, format.rate * frame_bytes / 8);
  capacity -= capacity % frame_bytes;
  shared_->ring.resize(capacity);
  shared_->frame_bytes = frame_bytes;
  shared_->request_threshold = std::max(frame_bytes, capacity / 4);
  shared_->handle = handle;
  shared_->proc = proc;
  shared_->user = user;
  std::thread(FeederMain, shared_).detach();
}

UserFeed::~UserFeed() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->closed = true;
  shared_->wake.notify_all();
}

void UserFeed::FeederMain(std::shared_ptr<Shared> shared) {
  std::vector<std::uint8_t> buffer(kMaxRequestBytes);
  std::unique_lock<std::mutex> lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock, [&] { return shared->closed || shared->wants_data(); });
    if (shared->closed) return;
    std::size_t length = std::min(shared->free_bytes(), kMaxRequestBytes);
    length -= length % shared->frame_bytes;
    const std::uint64_t generation = shared->generation;
    shared->in_call = true;
    CallStarted();
    lock.unlock();
    DWORD got = shared->proc(shared->handle, buffer.data(), static_cast<DWORD>(length),
                             shared->user);
    CallReturned();
    lock.lock();
    shared->in_call = false;
    shared->wake.notify_all();
    if (shared->closed) return;
    if (generation != shared->generation) continue;  // stale: a reset came meanwhile
    std::size_t bytes = std::min<std::size_t>(got, length);
    bytes -= bytes % shared->frame_bytes;
    shared->Append(buffer.data(), bytes);
    if (got < length) shared->input_ended = true;
  }
}

std::size_t UserFeed::Read(std::uint8_t* out, std::size_t frames) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  Shared& s = *shared_;
  const std::size_t n = std::min(frames, s.count / s.frame_bytes) * s.frame_bytes;
  const std::size_t first = std::min(n, s.ring.size() - s.head);
  std::memcpy(out, s.ring.data() + s.head, first);
  std::memcpy(out + first, s.ring.data(), n - first);
  s.head = (s.head + n) % s.ring.size();
  s.count -= n;
  if (s.wants_data()) s.wake.notify_all();
  return n / s.frame_bytes;
}

bool UserFeed::AtEnd() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->input_ended && shared_->count == 0;
}

bool UserFeed::Seek(std::uint64_t) { return false; }

void UserFeed::SetActive(bool active) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->active = active;
  shared_->wake.notify_all();
}

void UserFeed::Reset() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  ++shared_->generation;
  shared_->head = 0;
  shared_->count = 0;
  shared_->input_ended = false;
  shared_->wake.notify_all();
}

bool UserFeed::Idle() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return !shared_->in_call && !shared_->wants_data();
}

}  // namespace audio

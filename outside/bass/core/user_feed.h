// The source of a user stream: a feeder thread of its own calls the
// caller's stream procedure to fill a small buffer that the mixer drains.
// The procedure may block for seconds; it is called without any lock held,
// so it never stalls the mixer or a Stop, Pause or Free on another thread.
// Data from a call that began before a reset (Stop, flush) is discarded by
// its generation number. A call returning fewer bytes than asked ends the
// input; the stream ends when the buffer has then run dry.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/decoder.h"

namespace audio {

class UserFeed : public Decoder {
 public:
  // Requests never exceed this many bytes.
  static constexpr std::size_t kMaxRequestBytes = 8192;

  UserFeed(const PcmFormat& format, HSTREAM handle, STREAMPROC* proc, std::uintptr_t user);
  // Never waits for a running callback: the feeder thread finishes on its own.
  ~UserFeed() override;

  PcmFormat format() const override { return format_; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override;
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override { return UINT64_MAX; }

  // Feeding runs only while the stream is active (playing or paused).
  void SetActive(bool active);
  // Drops the buffer and any call in flight, and takes input again.
  void Reset();
  // True when the feeder has nothing to do: the buffer is full, the input has
  // ended or feeding is off, and no call is running.
  bool Idle() const;

  // Waits (real time) until no stream callback of any user stream is running,
  // apart from one the calling thread is inside. Freed streams start no new
  // calls, so after freeing every stream this means none will run again.
  static bool WaitForCallsToReturn(std::uint32_t timeout_ms);

 private:
  struct Shared;
  static void FeederMain(std::shared_ptr<Shared> shared);

  PcmFormat format_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace audio

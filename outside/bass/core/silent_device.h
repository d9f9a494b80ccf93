// The silent device: consumes audio in step with the platform clock, so that
// positions, ends and syncs behave as with a sound card. On the real clock a
// thread of its own renders what is due every 20 ms (at once when a channel
// starts, which then joins the block due since the last tick). On the
// manual clock nothing is consumed until a test advances the clock; the clock
// listener then has the device thread render exactly the frames that became
// due, waits for it, and runs `after_advance` (the core waits there for the
// sync callbacks those frames caused) before AdvanceClock returns.
#pragma once

#include <memory>

#include "outside/bass/core/output_device.h"

namespace audio {

class SilentDevice : public OutputDevice {
 public:
  SilentDevice(std::uint32_t rate, RenderCallback render, std::function<void()> after_advance);
  ~SilentDevice() override;

  void Start() override;
  void Pause() override;
  bool silent() const override { return true; }
  std::uint32_t latency_ms() const override { return 0; }
  bool OnMixerThread() const override;
  void Kick() override;

 private:
  // Shared with the device thread and the clock listener, which may run a
  // little after the device is gone.
  struct State;
  static void Main(std::shared_ptr<State> state);
  static void OnClockAdvanced(const std::shared_ptr<State>& state);

  std::shared_ptr<State> state_;
  int listener_id_ = 0;
};

}  // namespace audio

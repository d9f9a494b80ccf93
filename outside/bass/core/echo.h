// Echo: each channel's signal comes back after its delay, fed back into the
// delay line by the feedback share, mixed with the dry signal by the wet
// share. With pan delay on, the repeats alternate between left and right.
#pragma once

#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/effect.h"

namespace audio {

class Echo : public Effect {
 public:
  Echo();
  void Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) override;
  void SetParameters(const void* record) override;
  void GetParameters(void* record) const override;

 private:
  static constexpr float kMaxDelayMs = 2000.0f;

  BASS_FXECHO params_;
  std::uint32_t rate_ = 0;
  std::vector<float> lines_[2];
  std::size_t write_ = 0;
};

}  // namespace audio

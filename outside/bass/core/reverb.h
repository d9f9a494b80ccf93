// Reverb: parallel comb filters into series all-pass filters per channel
// (the classic Schroeder arrangement). The comb feedback is set so that the
// tail falls by 60 dB over the reverb time; a low-pass inside each comb loop
// makes high frequencies die away faster, by the high-frequency ratio.
#pragma once

#include <array>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/effect.h"

namespace audio {

class Reverb : public Effect {
 public:
  Reverb();
  void Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) override;
  void SetParameters(const void* record) override;
  void GetParameters(void* record) const override;

 private:
  static constexpr int kCombs = 4;
  static constexpr int kAllPasses = 2;

  struct Comb {
    std::vector<float> line;
    std::size_t pos = 0;
    float feedback = 0.0f;
    float low = 0.0f;
  };
  struct AllPass {
    std::vector<float> line;
    std::size_t pos = 0;
  };
  struct ChannelState {
    std::array<Comb, kCombs> combs;
    std::array<AllPass, kAllPasses> allpasses;
  };

  void Build(std::uint32_t rate);
  void Tune();
  // Processes one channel of a block (every `stride`-th sample).
  void Run(ChannelState& state, float* samples, std::size_t frames, int stride);

  BASS_FXREVERB params_;
  std::uint32_t rate_ = 0;
  bool dirty_ = true;
  float damping_ = 0.0f;
  float in_gain_ = 1.0f;
  float mix_gain_ = 1.0f;
  ChannelState channels_[2];
};

}  // namespace audio

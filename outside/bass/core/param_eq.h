// One band of a parametric equaliser: a peaking filter (biquad) around a
// centre frequency, its width in semitones and its gain in dB.
#pragma once

#include "outside/bass/bass_api.h"
#include "outside/bass/core/effect.h"

namespace audio {

class ParamEq : public Effect {
 public:
  ParamEq();
  void Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) override;
  void SetParameters(const void* record) override;
  void GetParameters(void* record) const override;

 private:
  void Design(std::uint32_t rate);

  BASS_FXPARAMEQ params_;
  std::uint32_t designed_rate_ = 0;
  bool dirty_ = true;
  // Normalised coefficients and the per-channel state (direct form II transposed).
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double z1_[2] = {0, 0};
  double z2_[2] = {0, 0};
};

}  // namespace audio

// The channel effects: each works in place on interleaved float samples at
// the channel's own rate and keeps its parameters in the record layout the
// library's callers pass (BASS_FXPARAMEQ, BASS_FXECHO, BASS_FXREVERB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/core/types.h"

namespace audio {

class Effect {
 public:
  virtual ~Effect() = default;
  // Processes `frames` frames of `channels` channels at `rate` Hz.
  virtual void Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) = 0;
  // Takes a parameter record, clamping each value to its range.
  virtual void SetParameters(const void* record) = 0;
  virtual void GetParameters(void* record) const = 0;
};

// Null for a type this library does not provide.
std::unique_ptr<Effect> MakeEffect(DWORD type);

}  // namespace audio

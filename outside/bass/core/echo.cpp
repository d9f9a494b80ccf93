#include "outside/bass/core/echo.h"

#include <algorithm>
#include <cmath>

namespace audio {

namespace {
float Finite(float value, float fallback) { return std::isfinite(value) ? value : fallback; }
}  // namespace

Echo::Echo() : params_{50.0f, 50.0f, 500.0f, 500.0f, FALSE} {}

void Echo::SetParameters(const void* record) {
  BASS_FXECHO p = *static_cast<const BASS_FXECHO*>(record);
  params_.fWetDryMix = std::clamp(Finite(p.fWetDryMix, 50.0f), 0.0f, 100.0f);
  params_.fFeedback = std::clamp(Finite(p.fFeedback, 50.0f), 0.0f, 100.0f);
  params_.fLeftDelay = std::clamp(Finite(p.fLeftDelay, 500.0f), 1.0f, kMaxDelayMs);
  params_.fRightDelay = std::clamp(Finite(p.fRightDelay, 500.0f), 1.0f, kMaxDelayMs);
  params_.lPanDelay = p.lPanDelay ? TRUE : FALSE;
}

void Echo::GetParameters(void* record) const { *static_cast<BASS_FXECHO*>(record) = params_; }

void Echo::Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) {
  if (rate != rate_) {
    // One line per channel, long enough for the longest delay at this rate.
    const std::size_t length = static_cast<std::size_t>(rate * kMaxDelayMs / 1000.0f) + 2;
    for (auto& line : lines_) line.assign(length, 0.0f);
    write_ = 0;
    rate_ = rate;
  }
  const std::size_t length = lines_[0].size();
  const float wet = params_.fWetDryMix / 100.0f;
  const float dry = 1.0f - wet;
  const float feedback = params_.fFeedback / 100.0f;
  const std::size_t delay[2] = {
      static_cast<std::size_t>(std::lround(params_.fLeftDelay * rate / 1000.0f)),
      static_cast<std::size_t>(std::lround(params_.fRightDelay * rate / 1000.0f))};
  const bool cross = params_.lPanDelay && channels == 2;
  std::size_t read[2] = {(write_ + length - delay[0]) % length,
                         (write_ + length - delay[1]) % length};
  for (std::size_t i = 0; i < frames; ++i) {
    float delayed[2] = {0.0f, 0.0f};
    for (int c = 0; c < channels; ++c) {
      delayed[c] = lines_[c][read[c]];
      if (++read[c] == length) read[c] = 0;
    }
    for (int c = 0; c < channels; ++c) {
      float& s = samples[i * channels + c];
      const float back = cross ? delayed[1 - c] : delayed[c];
      lines_[c][write_] = s + feedback * back;
      s = dry * s + wet * delayed[c];
    }
    if (++write_ == length) write_ = 0;
  }
}

}  // namespace audio

#include "outside/bass/core/reverb.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio {

namespace {

// Loop lengths in ms: mutually prime-ish, so the echoes do not pile up; the
// right channel's loops are slightly longer, for width.
constexpr float kCombMs[4] = {25.3f, 26.9f, 28.9f, 30.7f};
constexpr float kAllPassMs[2] = {5.0f, 1.7f};
constexpr float kRightSpreadMs = 0.52f;
constexpr float kAllPassFeedback = 0.5f;
// Keeps the summed combs below full scale for a full-scale input.
constexpr float kCombInputGain = 0.05f;

float Finite(float value, float fallback) { return std::isfinite(value) ? value : fallback; }
float DbToGain(float db) { return db <= -96.0f ? 0.0f : std::pow(10.0f, db / 20.0f); }

}  // namespace

Reverb::Reverb() : params_{0.0f, 0.0f, 1000.0f, 0.001f} {}

void Reverb::SetParameters(const void* record) {
  BASS_FXREVERB p = *static_cast<const BASS_FXREVERB*>(record);
  params_.fInGain = std::clamp(Finite(p.fInGain, 0.0f), -96.0f, 0.0f);
  params_.fReverbMix = std::clamp(Finite(p.fReverbMix, 0.0f), -96.0f, 0.0f);
  params_.fReverbTime = std::clamp(Finite(p.fReverbTime, 1000.0f), 0.001f, 3000.0f);
  params_.fHighFreqRTRatio = std::clamp(Finite(p.fHighFreqRTRatio, 0.001f), 0.001f, 0.999f);
  dirty_ = true;
}

void Reverb::GetParameters(void* record) const { *static_cast<BASS_FXREVERB*>(record) = params_; }

void Reverb::Build(std::uint32_t rate) {
  for (int c = 0; c < 2; ++c) {
    const float spread = c == 0 ? 0.0f : kRightSpreadMs;
    for (int i = 0; i < kCombs; ++i) {
      Comb& comb = channels_[c].combs[i];
      comb.line.assign(static_cast<std::size_t>((kCombMs[i] + spread) * rate / 1000.0f) + 1, 0.0f);
      comb.pos = 0;
      comb.low = 0.0f;
    }
    for (int i = 0; i < kAllPasses; ++i) {
      AllPass& allpass = channels_[c].allpasses[i];
      allpass.line.assign(static_cast<std::size_t>((kAllPassMs[i] + spread) * rate / 1000.0f) + 1,
                          0.0f);
      allpass.pos = 0;
    }
  }
  rate_ = rate;
  dirty_ = true;
}

void Reverb::Tune() {
  const float seconds = params_.fReverbTime / 1000.0f;
  for (auto& channel : channels_) {
    for (auto& comb : channel.combs) {
      // -60 dB after `seconds`: g^(seconds * rate / length) = 10^-3.
      const float loops = seconds * rate_ / static_cast<float>(comb.line.size());
      comb.feedback = std::pow(10.0f, -3.0f / loops);
    }
  }
  // The loop low-pass cut-off falls with the ratio: 0.999 leaves the highs
  // almost untouched, 0.001 keeps little above a few hundred hertz.
  const float cutoff = 20000.0f * std::sqrt(params_.fHighFreqRTRatio);
  damping_ = std::min(0.99f, std::exp(-2.0f * std::numbers::pi_v<float> * cutoff / rate_));
  in_gain_ = DbToGain(params_.fInGain);
  mix_gain_ = DbToGain(params_.fReverbMix);
  dirty_ = false;
}

void Reverb::Run(ChannelState& state, float* samples, std::size_t frames, int stride) {
  // The filter state in locals for the whole block, so it stays in registers.
  struct CombView {
    float* line;
    std::size_t size;
    std::size_t pos;
    float feedback;
    float low;
  };
  struct AllPassView {
    float* line;
    std::size_t size;
    std::size_t pos;
  };
  CombView combs[kCombs];
  AllPassView allpasses[kAllPasses];
  for (int k = 0; k < kCombs; ++k) {
    Comb& comb = state.combs[k];
    combs[k] = {comb.line.data(), comb.line.size(), comb.pos, comb.feedback, comb.low};
  }
  for (int k = 0; k < kAllPasses; ++k) {
    AllPass& allpass = state.allpasses[k];
    allpasses[k] = {allpass.line.data(), allpass.line.size(), allpass.pos};
  }
  const float damping = damping_;
  const float keep = 1.0f - damping_;
  for (std::size_t i = 0; i < frames; ++i) {
    float& s = samples[i * stride];
    const float input = s * in_gain_;
    const float comb_in = input * kCombInputGain;
    float sum = 0.0f;
    for (CombView& comb : combs) {
      const float out = comb.line[comb.pos];
      comb.low = out * keep + comb.low * damping;
      comb.line[comb.pos] = comb_in + comb.low * comb.feedback;
      if (++comb.pos == comb.size) comb.pos = 0;
      sum += out;
    }
    for (AllPassView& allpass : allpasses) {
      const float buffered = allpass.line[allpass.pos];
      allpass.line[allpass.pos] = sum + buffered * kAllPassFeedback;
      if (++allpass.pos == allpass.size) allpass.pos = 0;
      sum = buffered - sum;
    }
    s = input + mix_gain_ * sum;
  }
  for (int k = 0; k < kCombs; ++k) {
    state.combs[k].pos = combs[k].pos;
    state.combs[k].low = combs[k].low;
  }
  for (int k = 0; k < kAllPasses; ++k) state.allpasses[k].pos = allpasses[k].pos;
}

void Reverb::Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) {
  if (rate != rate_) Build(rate);
  if (dirty_) Tune();
  for (int c = 0; c < channels; ++c) Run(channels_[c], samples + c, frames, channels);
}

}  // namespace audio

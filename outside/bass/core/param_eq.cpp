#include "outside/bass/core/param_eq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio {

ParamEq::ParamEq() : params_{8000.0f, 12.0f, 0.0f} {}

void ParamEq::SetParameters(const void* record) {
  BASS_FXPARAMEQ p = *static_cast<const BASS_FXPARAMEQ*>(record);
  params_.fCenter = std::clamp(std::isfinite(p.fCenter) ? p.fCenter : 8000.0f, 80.0f, 16000.0f);
  params_.fBandwidth = std::clamp(std::isfinite(p.fBandwidth) ? p.fBandwidth : 12.0f, 1.0f, 36.0f);
  params_.fGain = std::clamp(std::isfinite(p.fGain) ? p.fGain : 0.0f, -15.0f, 15.0f);
  dirty_ = true;
}

void ParamEq::GetParameters(void* record) const {
  *static_cast<BASS_FXPARAMEQ*>(record) = params_;
}

void ParamEq::Design(std::uint32_t rate) {
  // The centre must stay below a third of the rate for the filter to be stable
  // and meaningful.
  const double centre = std::min<double>(params_.fCenter, rate / 3.0 - 1.0);
  const double w0 = 2.0 * std::numbers::pi * centre / rate;
  const double octaves = params_.fBandwidth / 12.0;
  const double sin_w0 = std::sin(w0);
  const double alpha = sin_w0 * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / sin_w0);
  const double a = std::pow(10.0, params_.fGain / 40.0);
  const double a0 = 1.0 + alpha / a;
  b0_ = (1.0 + alpha * a) / a0;
  b1_ = -2.0 * std::cos(w0) / a0;
  b2_ = (1.0 - alpha * a) / a0;
  a1_ = b1_;
  a2_ = (1.0 - alpha / a) / a0;
  designed_rate_ = rate;
  dirty_ = false;
}

void ParamEq::Process(float* samples, std::size_t frames, int channels, std::uint32_t rate) {
  if (dirty_ || rate != designed_rate_) Design(rate);
  if (params_.fGain == 0.0f) {
    // A flat band passes the signal unchanged and starts afresh when raised.
    z1_[0] = z1_[1] = z2_[0] = z2_[1] = 0.0;
    return;
  }
  // Both channels in one pass: two independent filter chains that the
  // processor can run side by side.
  double l1 = z1_[0], l2 = z2_[0], r1 = z1_[1], r2 = z2_[1];
  const double b0 = b0_, b1 = b1_, b2 = b2_, a1 = a1_, a2 = a2_;
  for (std::size_t i = 0; i < frames; ++i) {
    float* s = samples + i * channels;
    const double xl = s[0];
    const double yl = b0 * xl + l1;
    l1 = b1 * xl - a1 * yl + l2;
    l2 = b2 * xl - a2 * yl;
    s[0] = static_cast<float>(yl);
    if (channels == 2) {
      const double xr = s[1];
      const double yr = b0 * xr + r1;
      r1 = b1 * xr - a1 * yr + r2;
      r2 = b2 * xr - a2 * yr;
      s[1] = static_cast<float>(yr);
    }
  }
  z1_[0] = l1;
  z2_[0] = l2;
  z1_[1] = r1;
  z2_[1] = r2;
}

}  // namespace audio

#include "outside/bass/core/spectrum.h"

#include <fftw3.h>

#include <cmath>
#include <mutex>
#include <numbers>

namespace audio {

namespace {

// FFTW's planner is not thread-safe, so the one plan, its buffers and the
// window live here and every transform runs under one lock; a transform
// takes microseconds and runs every 33 ms.
class Fft512 {
 public:
  Fft512() {
    in_ = fftwf_alloc_real(kFftSize);
    out_ = fftwf_alloc_complex(kFftSize / 2 + 1);
    plan_ = fftwf_plan_dft_r2c_1d(static_cast<int>(kFftSize), in_, out_, FFTW_ESTIMATE);
    float sum = 0.0f;
    for (std::size_t i = 0; i < kFftSize; ++i) {
      window_[i] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> * i / kFftSize);
      sum += window_[i];
    }
    // A sine of amplitude A on a bin's centre gives |X| = A * sum / 2.
    scale_ = 2.0f / sum;
  }

  void Run(const std::array<float, kFftSize>& samples, float* magnitudes) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < kFftSize; ++i) in_[i] = samples[i] * window_[i];
    fftwf_execute(plan_);
    for (std::size_t k = 0; k < kFftBins; ++k) {
      magnitudes[k] = std::hypot(out_[k][0], out_[k][1]) * scale_;
    }
  }

 private:
  std::mutex mutex_;
  float* in_;
  fftwf_complex* out_;
  fftwf_plan plan_;
  std::array<float, kFftSize> window_{};
  float scale_ = 1.0f;
};

Fft512& TheFft() {
  // Lives for the whole process (never destroyed, so late callers are safe).
  static Fft512* fft = new Fft512();
  return *fft;
}

}  // namespace

void Fft512Magnitudes(const std::array<float, kFftSize>& samples, float* magnitudes) {
  TheFft().Run(samples, magnitudes);
}

}  // namespace audio

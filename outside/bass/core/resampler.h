// Streaming sample-rate conversion of interleaved stereo float with libsoxr.
#pragma once

#include <cstddef>

#include "outside/bass/core/sample_queue.h"

struct soxr;

namespace audio {

class Resampler {
 public:
  Resampler(double in_rate, double out_rate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  bool ok() const { return soxr_ != nullptr; }
  // Converts `frames` input frames, appending the output to `out`.
  void Process(const float* in, std::size_t frames, SampleQueue<float>& out);
  // Appends what the filter still holds after the last input.
  void Flush(SampleQueue<float>& out);
  // Forgets all history (after a seek).
  void Clear();

 private:
  void Run(const float* in, std::size_t frames, SampleQueue<float>& out);

  soxr* soxr_ = nullptr;
  double ratio_;
};

}  // namespace audio

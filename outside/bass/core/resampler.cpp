#include "outside/bass/core/resampler.h"

#include <soxr.h>

#include <cmath>

namespace audio {

Resampler::Resampler(double in_rate, double out_rate) : ratio_(out_rate / in_rate) {
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
  soxr_error_t error = nullptr;
  soxr_ = soxr_create(in_rate, out_rate, 2, &error, &io, &quality, nullptr);
  if (error != nullptr) soxr_ = nullptr;
}

Resampler::~Resampler() {
  if (soxr_ != nullptr) soxr_delete(soxr_);
}

void Resampler::Run(const float* in, std::size_t frames, SampleQueue<float>& out) {
  // Room for the converted input plus what the filter may release at once.
  std::size_t room = static_cast<std::size_t>(std::ceil(frames * ratio_)) + 1024;
  for (;;) {
    float* to = out.Extend(room * 2);
    size_t used = 0;
    size_t made = 0;
    soxr_process(soxr_, in, in != nullptr ? frames : 0, &used, to, room, &made);
    out.Shrink((room - made) * 2);
    if (in != nullptr) {
      in += used * 2;
      frames -= used;
      if (frames == 0 && made < room) return;
    } else if (made < room) {
      return;
    }
  }
}

void Resampler::Process(const float* in, std::size_t frames, SampleQueue<float>& out) {
  if (soxr_ == nullptr || frames == 0) return;
  Run(in, frames, out);
}

void Resampler::Flush(SampleQueue<float>& out) {
  if (soxr_ == nullptr) return;
  Run(nullptr, 0, out);
}

void Resampler::Clear() {
  if (soxr_ != nullptr) soxr_clear(soxr_);
}

}  // namespace audio

// The 512-point spectrum of a channel: a Hann-windowed real FFT (FFTW,
// single precision) of the last 512 frames heard, mixed to mono. 256
// magnitudes, scaled so that a full-scale sine on a bin's centre gives 1.
#pragma once

#include <array>
#include <cstddef>

namespace audio {

constexpr std::size_t kFftSize = 512;
constexpr std::size_t kFftBins = kFftSize / 2;

// `samples` holds the last kFftSize mono samples, oldest first.
void Fft512Magnitudes(const std::array<float, kFftSize>& samples, float* magnitudes);

}  // namespace audio

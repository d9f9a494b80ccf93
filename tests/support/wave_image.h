// Small RIFF WAVE images for the tests that play or store sounds.
#pragma once

#include <cstdint>
#include <vector>

namespace velko_test {

// A 16-bit PCM mono wave of `milliseconds` of a square tone; `marker`
// changes the samples so two images can be told apart.
std::vector<std::uint8_t> MakeWaveImage(int milliseconds, int rate = 8000, int marker = 0);

}  // namespace velko_test

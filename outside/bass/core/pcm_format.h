// The sample format of a channel's own data: rate, channel count and sample
// width (8-bit unsigned or 16-bit signed, interleaved).
#pragma once

#include <cstddef>
#include <cstdint>

namespace audio {

struct PcmFormat {
  std::uint32_t rate = 44100;
  int channels = 2;
  int bits = 16;

  std::size_t frame_bytes() const { return static_cast<std::size_t>(channels) * (bits / 8); }
  bool valid() const {
    return rate >= 100 && rate <= 384000 && (channels == 1 || channels == 2) &&
           (bits == 8 || bits == 16);
  }
};

}  // namespace audio

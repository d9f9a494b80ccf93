// The MPEG audio content test (frame headers and ID3v2 skipping).
#include <cstddef>
#include <cstdint>

#include "outside/bass/core/mpeg_frame_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  audio::LooksLikeMpegAudio(data, size);
  audio::LooksLikeMpegAudio(data, size, 1);
  return 0;
}

// The RIFF WAVE header parser on arbitrary bytes, with the declared file
// size both right and too large.
#include <cstddef>
#include <cstdint>

#include "outside/bass/core/wav_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (auto layout = audio::ParseWav(data, size, size)) {
    // What the parser accepts must lie inside the file.
    if (layout->data_offset + layout->data_frames * layout->format.frame_bytes() > size) {
      __builtin_trap();
    }
  }
  audio::ParseWav(data, size, size + 1000);
  return 0;
}

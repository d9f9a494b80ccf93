// RIFF WAVE header parsing: finds the PCM format and the data chunk. Works on
// the first bytes of a file plus its total size, never reads past `size`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "outside/bass/core/pcm_format.h"

namespace audio {

struct WavLayout {
  PcmFormat format;
  std::uint64_t data_offset = 0;
  std::uint64_t data_frames = 0;
};

// True when the bytes start like a RIFF WAVE file.
bool HasWavSignature(const std::uint8_t* data, std::size_t size);

// `data` holds the first `size` bytes of a file of `file_size` bytes.
// Accepts 8- and 16-bit PCM (plain, or extensible with a PCM sub-format)
// with one or two channels; rejects anything else and missing chunks. A data
// chunk running past the end of the file is cut to the whole frames present.
std::optional<WavLayout> ParseWav(const std::uint8_t* data, std::size_t size,
                                  std::uint64_t file_size);

}  // namespace audio

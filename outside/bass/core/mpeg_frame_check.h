// A quick content test for MPEG audio: a run of consecutive frame headers
// that agree with each other, after an optional ID3v2 tag. Random bytes and
// other formats almost never pass, so the decoder never plays junk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace audio {

struct MpegFrameHeader {
  int version = 0;  // 1, 2, or 25 for MPEG 2.5
  int layer = 0;    // 1..3
  int sample_rate = 0;
  int channels = 0;
  std::size_t frame_bytes = 0;
};

std::optional<MpegFrameHeader> ParseMpegFrameHeader(const std::uint8_t* p, std::size_t size);

// Size of an ID3v2 tag at the start of `data` (header and footer included),
// or 0 when there is none.
std::size_t Id3v2TagSize(const std::uint8_t* data, std::size_t size);

// True when `data` (the first bytes of a file) holds, within its first part,
// `run` consecutive matching frames.
bool LooksLikeMpegAudio(const std::uint8_t* data, std::size_t size, int run = 3);

}  // namespace audio

#include "outside/bass/core/mpeg_frame_check.h"

#include <cstring>

namespace audio {

namespace {

// kbit/s by [MPEG-1 / MPEG-2 and 2.5][layer - 1][index].
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// How far into the file (after an ID3v2 tag) the first frame may start.
constexpr std::size_t kSyncSearchBytes = 64 * 1024;

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
  return a.version == b.version && a.layer == b.layer && a.sample_rate == b.sample_rate;
}

}  // namespace

std::optional<MpegFrameHeader> ParseMpegFrameHeader(const std::uint8_t* p, std::size_t size) {
  if (size < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return std::nullopt;
  const int version_bits = (p[1] >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
  const int layer_bits = (p[1] >> 1) & 3;    // 1: III, 2: II, 3: I
  const int bitrate_index = (p[2] >> 4) & 15;
  const int rate_index = (p[2] >> 2) & 3;
  const int padding = (p[2] >> 1) & 1;
  if (version_bits == 1 || layer_bits == 0 || bitrate_index == 0 || bitrate_index == 15 ||
      rate_index == 3) {
    return std::nullopt;
  }
  MpegFrameHeader h;
  h.version = version_bits == 3 ? 1 : version_bits == 2 ? 2 : 25;
  h.layer = 4 - layer_bits;
  h.sample_rate = kSampleRates[h.version == 1 ? 0 : h.version == 2 ? 1 : 2][rate_index];
  h.channels = ((p[3] >> 6) & 3) == 3 ? 1 : 2;
  const int bitrate = kBitrates[h.version == 1 ? 0 : 1][h.layer - 1][bitrate_index] * 1000;
  if (h.layer == 1) {
    h.frame_bytes = static_cast<std::size_t>((12 * bitrate / h.sample_rate + padding) * 4);
  } else if (h.layer == 3 && h.version != 1) {
    h.frame_bytes = static_cast<std::size_t>(72 * bitrate / h.sample_rate + padding);
  } else {
    h.frame_bytes = static_cast<std::size_t>(144 * bitrate / h.sample_rate + padding);
  }
  if (h.frame_bytes < 4) return std::nullopt;
  return h;
}

std::size_t Id3v2TagSize(const std::uint8_t* data, std::size_t size) {
  if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
  for (int i = 6; i < 10; ++i) {
    if (data[i] & 0x80) return 0;
  }
  std::size_t length = (static_cast<std::size_t>(data[6]) << 21) |
                       (static_cast<std::size_t>(data[7]) << 14) |
                       (static_cast<std::size_t>(data[8]) << 7) | data[9];
  const bool footer = (data[5] & 0x10) != 0;
  return 10 + length + (footer ? 10 : 0);
}

bool LooksLikeMpegAudio(const std::uint8_t* data, std::size_t size, int run) {
  std::size_t start = Id3v2TagSize(data, size);
  if (start >= size) return false;
  const std::size_t search_end = start + kSyncSearchBytes < size ? start + kSyncSearchBytes : size;
  for (std::size_t pos = start; pos + 4 <= search_end; ++pos) {
    std::optional<MpegFrameHeader> first = ParseMpegFrameHeader(data + pos, size - pos);
    if (!first) continue;
    int found = 1;
    std::size_t next = pos + first->frame_bytes;
    while (found < run) {
      std::optional<MpegFrameHeader> h =
          next < size ? ParseMpegFrameHeader(data + next, size - next) : std::nullopt;
      if (!h || !SameStream(*first, *h)) break;
      ++found;
      next += h->frame_bytes;
    }
    // A file shorter than the run still counts when its frames reach the end.
    if (found >= run || (found >= 2 && next == size)) return true;
  }
  return false;
}

}  // namespace audio

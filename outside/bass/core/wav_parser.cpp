#include "outside/bass/core/wav_parser.h"

#include <algorithm>
#include <cstring>

namespace audio {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct FmtChunk {
  std::uint16_t tag = 0;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t block_align = 0;
  std::uint16_t bits = 0;
};

std::optional<FmtChunk> ReadFmt(const std::uint8_t* body, std::uint32_t length) {
  if (length < 16) return std::nullopt;
  FmtChunk fmt;
  fmt.tag = Le16(body);
  fmt.channels = Le16(body + 2);
  fmt.rate = Le32(body + 4);
  fmt.block_align = Le16(body + 12);
  fmt.bits = Le16(body + 14);
  if (fmt.tag == kFormatExtensible) {
    // The sub-format GUID's first two bytes hold the real format tag.
    if (length < 40) return std::nullopt;
    fmt.tag = Le16(body + 24);
  }
  return fmt;
}

}  // namespace

bool HasWavSignature(const std::uint8_t* data, std::size_t size) {
  return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WAVE", 4) == 0;
}

std::optional<WavLayout> ParseWav(const std::uint8_t* data, std::size_t size,
                                  std::uint64_t file_size) {
  if (!HasWavSignature(data, size) || size > file_size) return std::nullopt;
  std::optional<FmtChunk> fmt;
  std::uint64_t pos = 12;
  while (pos + 8 <= size) {
    const std::uint8_t* header = data + pos;
    const std::uint32_t length = Le32(header + 4);
    const std::uint64_t body = pos + 8;
    if (std::memcmp(header, "fmt ", 4) == 0) {
      if (body + length > size) return std::nullopt;
      fmt = ReadFmt(data + body, length);
      if (!fmt) return std::nullopt;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!fmt || fmt->tag != kFormatPcm) return std::nullopt;
      if (fmt->channels != 1 && fmt->channels != 2) return std::nullopt;
      if (fmt->bits != 8 && fmt->bits != 16) return std::nullopt;
      WavLayout layout;
      layout.format.rate = fmt->rate;
      layout.format.channels = fmt->channels;
      layout.format.bits = fmt->bits;
      if (!layout.format.valid()) return std::nullopt;
      if (fmt->block_align != layout.format.frame_bytes()) return std::nullopt;
      if (body > file_size) return std::nullopt;
      // A streamed file (size 0xFFFFFFFF) or a cut-off download holds less
      // than its data chunk says: play what is there.
      const std::uint64_t present = std::min<std::uint64_t>(length, file_size - body);
      layout.data_offset = body;
      layout.data_frames = present / layout.format.frame_bytes();
      return layout;
    }
    // Chunks are padded to an even length.
    pos = body + length + (length & 1u);
  }
  return std::nullopt;
}

}  // namespace audio

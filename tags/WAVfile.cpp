#include "tags/WAVfile.h"

#include <cstring>

#include "tags/TagFile.h"

namespace {

constexpr int kHeaderSize = 44;

std::uint32_t LittleEndian32(const std::uint8_t* b) {
  return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
         (std::uint32_t{b[3]} << 24);
}

std::uint16_t LittleEndian16(const std::uint8_t* b) {
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

}  // namespace

void TWAVfile::ResetData() {
  Valid = false;
  ChannelModeID = 0;
  SampleRate = 0;
  BitsPerSample = 0;
  FileSize = 0;
}

bool TWAVfile::ReadFromFile(const String& FileName) {
  ResetData();
  tags::TagFile file;
  std::uint8_t header[kHeaderSize];
  if (!file.Open(FileName) || file.ReadAt(0, header, kHeaderSize) != kHeaderSize) return false;
  const std::uint16_t channels = LittleEndian16(header + 22);
  // The format tag is not looked at: any 1- or 2-channel format counts.
  if (std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0 &&
      std::memcmp(header + 12, "fmt ", 4) == 0 && (channels == 1 || channels == 2)) {
    Valid = true;
    ChannelModeID = static_cast<std::uint8_t>(channels);
    SampleRate = LittleEndian32(header + 24);
    BitsPerSample = LittleEndian16(header + 34);
    FileSize = std::int64_t{LittleEndian32(header + 4)} + 8;
  }
  return true;
}

double TWAVfile::GetDuration() const {
  if (!Valid || SampleRate == 0 || BitsPerSample == 0 || ChannelModeID == 0) return 0;
  // The length comes from the RIFF size, not from the data chunk; a RIFF
  // size too small to hold the header gives no length at all.
  if (FileSize <= kHeaderSize) return 0;
  return static_cast<double>(FileSize - kHeaderSize) * 8 / SampleRate / BitsPerSample / ChannelModeID;
}

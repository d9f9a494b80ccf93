#include "tags/MPEGaudio.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "tags/Rounding.h"
#include "tags/TagFile.h"
#include "tags/TextCodec.h"

namespace {

// Frame headers are looked for in buffers of this size. A frame may start
// anywhere in the first half; 1729 bytes is the longest frame allowed for.
constexpr int kScanSize = 3458;
constexpr int kLastFrameStart = kScanSize - 1 - 1729;
constexpr int kID3v1Size = 128;

// kbit/s by [version][layer][index]; the MPEG 2 values serve MPEG 2.5 too.
constexpr std::uint16_t kMpeg2LayerI[16] = {0, 32, 48, 56, 64, 80, 96, 112,
                                            128, 144, 160, 176, 192, 224, 256, 0};
constexpr std::uint16_t kMpeg2LayerII_III[16] = {0, 8, 16, 24, 32, 40, 48, 56,
                                                 64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::uint16_t kMpeg1LayerI[16] = {0, 32, 64, 96, 128, 160, 192, 224,
                                            256, 288, 320, 352, 384, 416, 448, 0};
constexpr std::uint16_t kMpeg1LayerII[16] = {0, 32, 48, 56, 64, 80, 96, 112,
                                             128, 160, 192, 224, 256, 320, 384, 0};
constexpr std::uint16_t kMpeg1LayerIII[16] = {0, 32, 40, 48, 56, 64, 80, 96,
                                              112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::uint16_t kNoBitRates[16] = {};

const std::uint16_t* const kBitRates[4][4] = {
    {kNoBitRates, kMpeg2LayerII_III, kMpeg2LayerII_III, kMpeg2LayerI},  // MPEG 2.5
    {kNoBitRates, kNoBitRates, kNoBitRates, kNoBitRates},               // reserved
    {kNoBitRates, kMpeg2LayerII_III, kMpeg2LayerII_III, kMpeg2LayerI},  // MPEG 2
    {kNoBitRates, kMpeg1LayerIII, kMpeg1LayerII, kMpeg1LayerI},         // MPEG 1
};

// Hz by [version][index].
constexpr std::uint16_t kSampleRates[4][4] = {
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

constexpr const char* kModeNames[5] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono",
                                       "Unknown"};

bool IsFrameHeader(const std::uint8_t* b) {
  return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 &&
         ((b[1] >> 1) & 3) != 0 && (b[2] >> 4) != 0 && (b[2] >> 4) != 15 &&
         ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

TFrameInfo DecodeHeader(const std::uint8_t* b) {
  TFrameInfo frame;
  std::memcpy(frame.Data, b, 4);
  frame.VersionID = (b[1] >> 3) & 3;
  frame.LayerID = (b[1] >> 1) & 3;
  frame.ProtectionBit = (b[1] & 1) == 0;
  frame.BitRateID = b[2] >> 4;
  frame.SampleRateID = (b[2] >> 2) & 3;
  frame.PaddingBit = ((b[2] >> 1) & 1) != 0;
  frame.PrivateBit = (b[2] & 1) != 0;
  frame.ModeID = b[3] >> 6;
  frame.ModeExtensionID = (b[3] >> 4) & 3;
  frame.CopyrightBit = ((b[3] >> 3) & 1) != 0;
  frame.OriginalBit = (b[3] & 4) != 0;
  frame.EmphasisID = b[3] & 3;
  return frame;
}

std::uint16_t TableBitRate(const TFrameInfo& frame) {
  return kBitRates[frame.VersionID & 3][frame.LayerID & 3][frame.BitRateID & 15];
}

std::uint16_t TableSampleRate(const TFrameInfo& frame) {
  return kSampleRates[frame.VersionID & 3][frame.SampleRateID & 3];
}

// Bytes per frame for each kbit/s per Hz; times 8 it is the number of
// samples in a frame.
int Coefficient(const TFrameInfo& frame) {
  switch (frame.LayerID) {
    case MPEG_LAYER_I: return 48;
    case MPEG_LAYER_II: return 144;
    case MPEG_LAYER_III: return frame.VersionID == MPEG_VERSION_1 ? 144 : 72;
    default: return 0;
  }
}

int Padding(const TFrameInfo& frame) {
  if (!frame.PaddingBit) return 0;
  return frame.LayerID == MPEG_LAYER_I ? 4 : 1;
}

int FrameLength(const TFrameInfo& frame) {
  const int sample_rate = TableSampleRate(frame);
  if (sample_rate == 0) return 0;
  const long long bytes = 1000LL * Coefficient(frame) * TableBitRate(frame) / sample_rate;
  return static_cast<std::uint16_t>(bytes + Padding(frame));
}

// Where a VBR header starts, counted from the frame start. These are the
// places for frames without a checksum; the readers use them as they are.
int VBRDeviation(const TFrameInfo& frame) {
  const bool mono = frame.ModeID == MPEG_CM_MONO;
  if (frame.VersionID == MPEG_VERSION_1) return mono ? 21 : 36;
  return mono ? 13 : 21;
}

std::int32_t BigEndian32(const std::uint8_t* b) {
  return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                   (std::uint32_t{b[2]} << 8) | b[3]);
}

std::string Bytes(const std::uint8_t* b, int count) {
  return tags::Latin1ToUtf8(std::string_view(reinterpret_cast<const char*>(b), count));
}

// A Xing or VBRI header at q. The Xing flags are not consulted: the counts
// are read from their usual places.
TVBRInfo ReadVBRInfo(const std::uint8_t* buffer, int q) {
  TVBRInfo vbr;
  const std::uint8_t* b = buffer + q;
  if (std::memcmp(b, "Xing", 4) == 0) {
    vbr.Found = true;
    vbr.ID = "Xing";
    vbr.Frames = BigEndian32(b + 8);
    vbr.Bytes = BigEndian32(b + 12);
    vbr.Scale = b[119];
    vbr.VendorID = Bytes(b + 120, 8);
  } else if (std::memcmp(b, "VBRI", 4) == 0) {
    vbr.Found = true;
    vbr.ID = "VBRI";
    vbr.Scale = b[9];
    vbr.Bytes = BigEndian32(b + 10);
    vbr.Frames = BigEndian32(b + 14);
  }
  return vbr;
}

// The first frame header in the buffer that is followed, one frame length
// later, by another one. Frames are looked for in the first half only, so
// the VBR header of a frame found always lies inside the buffer.
bool FindFrame(const std::uint8_t (&buffer)[kScanSize], TFrameInfo& frame, TVBRInfo& vbr) {
  for (int p = 0; p <= kLastFrameStart; ++p) {
    if (!IsFrameHeader(buffer + p)) continue;
    TFrameInfo candidate = DecodeHeader(buffer + p);
    const int length = FrameLength(candidate);
    // A second header beyond the buffer cannot confirm the first.
    if (length <= 0 || p + length + 4 > kScanSize || !IsFrameHeader(buffer + p + length)) continue;
    candidate.Found = true;
    candidate.Position = p;
    candidate.Size = static_cast<std::uint16_t>(length);
    candidate.Xing = std::all_of(buffer + p + 4, buffer + p + 10, [](std::uint8_t b) { return b == 0; });
    frame = candidate;
    vbr = ReadVBRInfo(buffer, p + VBRDeviation(frame));
    return true;
  }
  return false;
}

// The encoder's signature near the end of the audio: the buffer holds
// `end` bytes of audio, and the search looks back `length` bytes from 8
// before its end. The last signature wins.
std::string FindVendorID(const std::uint8_t* buffer, int end, int length) {
  for (int p = end - 8; p >= std::max(0, end - 8 - length); --p) {
    if (buffer[p] != 'L' && buffer[p] != 'G') continue;
    if (std::memcmp(buffer + p, "LAME", 4) == 0) return "LAME" + Bytes(buffer + p + 4, 4);
    if (std::memcmp(buffer + p, "GOGO", 4) == 0) return "GOGO";
  }
  return std::string();
}

}  // namespace

void TMPEGaudio::ResetData() {
  FileLength = 0;
  VendorID.clear();
  VBR = TVBRInfo();
  Frame = TFrameInfo();
  ID3v1.ResetData();
  ID3v2.ResetData();
}

bool TMPEGaudio::ReadFromFile(const String& FileName) {
  ResetData();
  tags::TagFile file;
  const bool read = file.Open(FileName) && ID3v2.ReadFromFile(file) && ID3v1.ReadFromFile(file) &&
                    ReadAudio(file);
  if (!read || !Frame.Found) ResetData();
  return read;
}

bool TMPEGaudio::ReadAudio(tags::TagFile& file) {
  FileLength = static_cast<std::int32_t>(
      std::min<std::int64_t>(file.Size(), std::numeric_limits<std::int32_t>::max()));
  std::uint8_t buffer[kScanSize];
  int got = file.ReadAt(ID3v2.Size, buffer, kScanSize);
  if (got < 0) return false;
  bool found = FindFrame(buffer, Frame, VBR);
  if (!found && got == kScanSize) {
    // The audio may start later (a tag this reader does not know): try
    // the middle of the file. Position is then counted in that buffer.
    if (file.ReadAt((FileLength - ID3v2.Size) / 2, buffer, kScanSize) < 0) return false;
    found = FindFrame(buffer, Frame, VBR);
  }
  if (found && !VBR.Found) {
    const std::int64_t audio_end = FileLength - (ID3v1.Exists ? kID3v1Size : 0);
    const std::int64_t start = std::max<std::int64_t>(0, audio_end - kScanSize);
    got = file.ReadAt(start, buffer, kScanSize);
    if (got < 0) return false;
    const int end = static_cast<int>(std::min<std::int64_t>(got, audio_end - start));
    VendorID = FindVendorID(buffer, end, 5 * Frame.Size);
  }
  return true;
}

std::uint16_t TMPEGaudio::GetSampleRate() const { return TableSampleRate(Frame); }

std::uint16_t TMPEGaudio::GetBitRate() const {
  if (VBR.Found && VBR.Frames > 0) {
    const double bytes_per_frame = static_cast<double>(VBR.Bytes) / VBR.Frames - Padding(Frame);
    return tags::RoundTo16Bits(bytes_per_frame * GetSampleRate() / Coefficient(Frame) / 1000);
  }
  return TableBitRate(Frame);
}

String TMPEGaudio::GetChannelMode() const { return kModeNames[std::min<int>(Frame.ModeID, 4)]; }

double TMPEGaudio::GetDuration() const {
  if (!Frame.Found) return 0;
  if (VBR.Found && VBR.Frames > 0) {
    return static_cast<double>(Coefficient(Frame)) * VBR.Frames * 8 / GetSampleRate();
  }
  const double audio_bytes = static_cast<double>(FileLength) - ID3v2.Size -
                             (ID3v1.Exists ? kID3v1Size : 0) - Frame.Position;
  return audio_bytes / TableBitRate(Frame) / 1000 * 8;
}

bool TMPEGaudio::GetValid() const {
  const std::uint16_t bit_rate = GetBitRate();
  return Frame.Found && bit_rate >= 8 && bit_rate <= 448 && GetDuration() >= 0.1;
}

// TMPEGaudio: what the player needs to know about an MP3 file without
// decoding it: the first frame header, a Xing or VBRI variable-bit-rate
// header, the encoder's signature, the file length, and the ID3v1 and
// ID3v2 tags.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/Object.h"

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"

// A variable-bit-rate header in the first frame.
struct TVBRInfo {
  bool Found = false;
  String ID;  // "Xing" or "VBRI"
  std::int32_t Frames = 0;
  std::int32_t Bytes = 0;
  std::uint8_t Scale = 0;
  String VendorID;  // the eight bytes where a Xing header keeps the encoder
};

// The first frame header found.
struct TFrameInfo {
  bool Found = false;
  std::int32_t Position = 0;  // offset in the buffer the frame was found in
  std::uint16_t Size = 0;     // frame length in bytes
  bool Xing = false;          // six zero bytes follow the header
  std::uint8_t Data[4] = {};
  std::uint8_t VersionID = 1;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
  std::uint8_t LayerID = 0;    // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
  bool ProtectionBit = false;  // true when a checksum follows
  std::uint16_t BitRateID = 0;
  std::uint16_t SampleRateID = 3;
  bool PaddingBit = false;
  bool PrivateBit = false;
  std::uint8_t ModeID = 4;  // 0 Stereo, 1 Joint Stereo, 2 Dual Channel, 3 Mono, 4 Unknown
  std::uint8_t ModeExtensionID = 4;
  bool CopyrightBit = false;
  bool OriginalBit = false;
  std::uint8_t EmphasisID = 2;
};

inline constexpr std::uint8_t MPEG_VERSION_2_5 = 0;
inline constexpr std::uint8_t MPEG_VERSION_2 = 2;
inline constexpr std::uint8_t MPEG_VERSION_1 = 3;
inline constexpr std::uint8_t MPEG_LAYER_III = 1;
inline constexpr std::uint8_t MPEG_LAYER_II = 2;
inline constexpr std::uint8_t MPEG_LAYER_I = 3;
inline constexpr std::uint8_t MPEG_CM_MONO = 3;

class TMPEGaudio : public TObject {
 public:
  TMPEGaudio() { ResetData(); }

  std::int32_t FileLength = 0;
  String VendorID;  // "LAME" and the four characters after it, "GOGO", or empty
  TVBRInfo VBR;
  TFrameInfo Frame;
  TID3v1 ID3v1;
  TID3v2 ID3v2;

  void ResetData();
  // True when the file could be read, whether or not it holds MPEG audio.
  bool ReadFromFile(const String& FileName);

  std::uint16_t GetSampleRate() const;  // Hz of the first frame
  std::uint16_t GetBitRate() const;     // kbit/s
  String GetChannelMode() const;
  double GetDuration() const;  // seconds
  bool GetValid() const;

 private:
  bool ReadAudio(tags::TagFile& file);
};

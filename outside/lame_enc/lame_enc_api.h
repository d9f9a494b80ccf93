// lame_enc.dll: the MP3 encoder library's published calls and records.
// The configuration and version records are byte-packed, little-endian.
#pragma once

#include <cstdint>

extern "C" {

using BE_ERR = uint32_t;
using HBE_STREAM = uint32_t;

constexpr BE_ERR BE_ERR_SUCCESSFUL = 0;
constexpr BE_ERR BE_ERR_INVALID_FORMAT = 1;
constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 3;
constexpr BE_ERR BE_ERR_INVALID_HANDLE = 4;
constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 5;

constexpr uint32_t BE_CONFIG_MP3 = 0;
constexpr uint32_t BE_CONFIG_LAME = 256;

// Modes and presets as the configuration stores them.
constexpr int32_t BE_MP3_MODE_STEREO = 0;
constexpr int32_t BE_MP3_MODE_JSTEREO = 1;
constexpr int32_t BE_MP3_MODE_DUALCHANNEL = 2;
constexpr int32_t BE_MP3_MODE_MONO = 3;

constexpr int32_t LQP_NORMAL_QUALITY = 0;
constexpr int32_t LQP_LOW_QUALITY = 1;
constexpr int32_t LQP_HIGH_QUALITY = 2;
constexpr int32_t LQP_VOICE_QUALITY = 3;

#pragma pack(push, 1)
struct BE_CONFIG {
  uint32_t dwConfig;      // BE_CONFIG_LAME
  uint32_t dwStructVersion;
  uint32_t dwStructSize;  // 331
  uint32_t dwSampleRate;
  uint32_t dwReSampleRate;
  int32_t nMode;
  uint32_t dwBitrate;
  uint32_t dwMaxBitrate;
  int32_t nPreset;
  uint32_t dwMpegVersion;
  uint32_t dwPsyModel;
  uint32_t dwEmphasis;
  int32_t bPrivate;
  int32_t bCRC;
  int32_t bCopyright;
  int32_t bOriginal;
  int32_t bWriteVBRHeader;
  int32_t bEnableVBR;
  int32_t nVBRQuality;
  uint8_t reserved[331 - 76];
};
static_assert(sizeof(BE_CONFIG) == 331);

struct BE_VERSION {
  uint8_t byDLLMajorVersion;
  uint8_t byDLLMinorVersion;
  uint8_t byMajorVersion;
  uint8_t byMinorVersion;
  uint8_t byDay;
  uint8_t byMonth;
  uint16_t wYear;
  char zHomepage[129];
  uint8_t byAlphaLevel;
  uint8_t byBetaLevel;
  uint8_t byMMXEnabled;
  uint8_t btReserved[125];
};
#pragma pack(pop)

// Each call checks its stream handle (BE_ERR_INVALID_HANDLE otherwise).
// beEncodeChunk takes a count of 16-bit samples (all channels together);
// the output buffer must hold the size beInitStream returned, which covers
// up to four times the sample count it returned.
BE_ERR beInitStream(BE_CONFIG* config, uint32_t* samples, uint32_t* buffer_size, HBE_STREAM* stream);
BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                     uint32_t* output_bytes);
BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* output_bytes);
BE_ERR beCloseStream(HBE_STREAM stream);
void beVersion(BE_VERSION* version);
// Writes the information frame of the last closed VBR stream over the
// first frame of `file_name` (a Linux or platform path).
BE_ERR beWriteVBRHeader(const char* file_name);
}

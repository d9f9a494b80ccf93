// Vorbis.DLL: the Ogg Vorbis encoder library's calls and records. The
// decoder calls exist and answer failure.
#pragma once

#include <cstdint>

extern "C" {

// Results.
constexpr int32_t VB_OK = 0;
constexpr int32_t VB_ERR_PARAMETER = 1;
constexpr int32_t VB_ERR_HANDLE = 2;
constexpr int32_t VB_ERR_BUFFER = 3;
constexpr int32_t VB_ERR_ENCODER = 4;
constexpr int32_t VB_ERR_UNSUPPORTED = 5;

// Encoder parameters: 260 bytes, unused bytes 0.
struct VB_ENC_PARAMS {
  int32_t reserved0;
  int32_t reserved1;
  int32_t size;  // 260
  int32_t channels;
  int32_t sample_rate;
  int32_t reserved2[4];
  float quality;  // 0.0 .. 1.0
  uint8_t rest[260 - 40];
};
static_assert(sizeof(VB_ENC_PARAMS) == 260);

// The comment record. Texts are zero-terminated and stay valid until the
// stream is closed; null texts are left out.
struct VB_ENC_INFO {
  int32_t size;  // sizeof(VB_ENC_INFO)
  int32_t reserved[4];
  const char* artist;
  const char* album;
  const char* title;
  const char* comment;
  int32_t track;
  int32_t track_total;
  const char* genre;
  const char* name;
  const char* date;
};

#pragma pack(push, 1)
struct VB_VERSION {
  uint8_t major;
  uint8_t minor;
  uint8_t engine_major;
  uint8_t engine_minor;
  uint8_t day;
  uint8_t month;
  uint16_t year;
  uint8_t reserved[8];
};
#pragma pack(pop)

// Opens a stream; `samples` is the count of 16-bit samples (all channels)
// one vbEncWrite takes at most, `buffer_size` what the output buffer of
// vbEncWrite and vbEncClose must hold. Nothing is ever written past it.
int32_t vbEncOpen(const VB_ENC_PARAMS* params, const VB_ENC_INFO* info, uint32_t* samples, uint32_t* buffer_size,
                  uint32_t* handle);
// Encodes `samples` interleaved 16-bit samples. The stream's headers come
// out with the first write.
int32_t vbEncWrite(uint32_t handle, uint32_t samples, const int16_t* pcm, uint8_t* output, uint32_t* output_bytes);
// Ends the stream (headers too when no audio came) and frees the handle.
int32_t vbEncClose(uint32_t handle, uint8_t* output, uint32_t* output_bytes);
int32_t vbDecOpen(const char* file_name, void* info, uint32_t* handle);
int32_t vbDecRead(uint32_t handle, void* buffer, uint32_t size, uint32_t* read);
int32_t vbDecSeek(uint32_t handle, uint32_t position);
int32_t vbDecClose(uint32_t handle);
int32_t vbVersion(VB_VERSION* version);
}

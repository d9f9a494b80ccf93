// lame_enc.dll over libmp3lame.
#include <lame/lame.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "outside/lame_enc/lame_enc_api.h"
#include "platform/core/modules.h"

namespace {

// The sample count beInitStream reports is one frame of every channel; a
// chunk may hold up to this many times as much.
constexpr uint32_t kChunkFactor = 4;

struct Stream {
  lame_global_flags* flags = nullptr;
  int channels = 2;
  uint32_t samples = 0;      // what beInitStream reported
  uint32_t buffer_size = 0;  // what the caller's output buffer holds
  bool vbr_tag = false;
  ~Stream() {
    if (flags) lame_close(flags);
  }
};

std::mutex g_mutex;
std::map<HBE_STREAM, std::unique_ptr<Stream>> g_streams;
HBE_STREAM g_next_handle = 1;
std::vector<unsigned char> g_last_tag;  // information frame of the last closed VBR stream

Stream* Find(HBE_STREAM handle) {
  auto it = g_streams.find(handle);
  return it == g_streams.end() ? nullptr : it->second.get();
}

int LameQuality(int32_t preset) {
  switch (preset) {
    case LQP_LOW_QUALITY: return 7;
    case LQP_HIGH_QUALITY: return 2;
    default: return 5;
  }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) BE_ERR beInitStream(BE_CONFIG* config, uint32_t* samples,
                                                            uint32_t* buffer_size, HBE_STREAM* stream) {
  if (!config || !samples || !buffer_size || !stream) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  if (config->dwConfig != BE_CONFIG_LAME) return BE_ERR_INVALID_FORMAT;
  if (config->nMode < BE_MP3_MODE_STEREO || config->nMode > BE_MP3_MODE_MONO) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  auto s = std::make_unique<Stream>();
  s->flags = lame_init();
  if (!s->flags) return BE_ERR_NO_MORE_HANDLES;
  s->channels = config->nMode == BE_MP3_MODE_MONO ? 1 : 2;
  lame_global_flags* gf = s->flags;
  lame_set_num_channels(gf, s->channels);
  lame_set_in_samplerate(gf, static_cast<int>(config->dwSampleRate));
  lame_set_out_samplerate(gf, static_cast<int>(config->dwReSampleRate ? config->dwReSampleRate : config->dwSampleRate));
  lame_set_mode(gf, static_cast<MPEG_mode>(config->nMode));
  lame_set_quality(gf, LameQuality(config->nPreset));
  lame_set_error_protection(gf, config->bCRC ? 1 : 0);
  lame_set_copyright(gf, config->bCopyright ? 1 : 0);
  lame_set_original(gf, config->bOriginal ? 1 : 0);
  lame_set_extension(gf, config->bPrivate ? 1 : 0);
  lame_set_emphasis(gf, static_cast<int>(config->dwEmphasis));
  if (config->bEnableVBR) {
    lame_set_VBR(gf, vbr_default);
    lame_set_VBR_q(gf, config->nVBRQuality < 0 ? 0 : config->nVBRQuality > 9 ? 9 : config->nVBRQuality);
    lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(config->dwBitrate));
    lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(config->dwMaxBitrate));
  } else {
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, static_cast<int>(config->dwBitrate));
  }
  s->vbr_tag = config->bEnableVBR && config->bWriteVBRHeader;
  lame_set_bWriteVbrTag(gf, s->vbr_tag ? 1 : 0);
  if (lame_init_params(gf) < 0) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  s->samples = static_cast<uint32_t>(lame_get_framesize(gf) * s->channels);
  // libmp3lame's bound for n samples per channel: 1.25 n + 7200 bytes.
  uint32_t per_channel = s->samples * kChunkFactor / static_cast<uint32_t>(s->channels);
  s->buffer_size = per_channel * 5 / 4 + 7200;
  std::lock_guard lock(g_mutex);
  HBE_STREAM handle = g_next_handle++;
  *samples = s->samples;
  *buffer_size = s->buffer_size;
  *stream = handle;
  g_streams[handle] = std::move(s);
  return BE_ERR_SUCCESSFUL;
}

__attribute__((visibility("default"))) BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t samples, const int16_t* pcm,
                                                             uint8_t* output, uint32_t* output_bytes) {
  std::lock_guard lock(g_mutex);
  Stream* s = Find(stream);
  if (!s) return BE_ERR_INVALID_HANDLE;
  if (!output_bytes || !output || (samples && !pcm)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *output_bytes = 0;
  if (samples > s->samples * kChunkFactor) return BE_ERR_BUFFER_TOO_SMALL;
  int frames = static_cast<int>(samples) / s->channels;
  int n;
  if (s->channels == 1)
    n = lame_encode_buffer(s->flags, pcm, pcm, frames, output, static_cast<int>(s->buffer_size));
  else
    n = lame_encode_buffer_interleaved(s->flags, const_cast<short*>(pcm), frames, output,
                                       static_cast<int>(s->buffer_size));
  if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT;
  *output_bytes = static_cast<uint32_t>(n);
  return BE_ERR_SUCCESSFUL;
}

__attribute__((visibility("default"))) BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output,
                                                              uint32_t* output_bytes) {
  std::lock_guard lock(g_mutex);
  Stream* s = Find(stream);
  if (!s) return BE_ERR_INVALID_HANDLE;
  if (!output || !output_bytes) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  *output_bytes = 0;
  int n = lame_encode_flush(s->flags, output, static_cast<int>(s->buffer_size));
  if (n < 0) return BE_ERR_BUFFER_TOO_SMALL;
  *output_bytes = static_cast<uint32_t>(n);
  return BE_ERR_SUCCESSFUL;
}

__attribute__((visibility("default"))) BE_ERR beCloseStream(HBE_STREAM stream) {
  std::lock_guard lock(g_mutex);
  auto it = g_streams.find(stream);
  if (it == g_streams.end()) return BE_ERR_INVALID_HANDLE;
  if (it->second->vbr_tag) {
    std::vector<unsigned char> tag(2880);
    size_t n = lame_get_lametag_frame(it->second->flags, tag.data(), tag.size());
    tag.resize(n <= tag.size() ? n : 0);
    g_last_tag = std::move(tag);
  }
  g_streams.erase(it);
  return BE_ERR_SUCCESSFUL;
}

__attribute__((visibility("default"))) void beVersion(BE_VERSION* version) {
  if (!version) return;
  std::memset(version, 0, sizeof(*version));
  version->byDLLMajorVersion = 1;
  version->byDLLMinorVersion = 32;
  version->byMajorVersion = 3;
  version->byMinorVersion = 100;
  version->byDay = 7;
  version->byMonth = 12;
  version->wYear = 2026;
  std::snprintf(version->zHomepage, sizeof(version->zHomepage), "%s", get_lame_url());
}

__attribute__((visibility("default"))) BE_ERR beWriteVBRHeader(const char* file_name) {
  std::vector<unsigned char> tag;
  {
    std::lock_guard lock(g_mutex);
    tag = g_last_tag;
  }
  if (!file_name || tag.empty()) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  std::string path = platform::ModuleNativePath(file_name).value_or(file_name);
  FILE* f = std::fopen(path.c_str(), "r+b");
  if (!f) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  // The information frame takes the place of the silent first frame the
  // encoder reserved for it.
  bool ok = std::fwrite(tag.data(), 1, tag.size(), f) == tag.size();
  ok = std::fclose(f) == 0 && ok;
  return ok ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_FORMAT;
}
}

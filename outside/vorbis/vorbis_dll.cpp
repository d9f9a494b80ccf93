// Vorbis.DLL over libvorbisenc and libogg.
#include <vorbis/vorbisenc.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "outside/vorbis/vorbis_dll_api.h"

#define VB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// One write takes this many frames at most.
constexpr uint32_t kBlockFrames = 2048;
// What one call may hand out: the three headers, or the pages of one block.
constexpr uint32_t kOutputBytes = 64 * 1024;

// Texts of the comment record are kept to this many bytes (the program's
// buffers hold 131 characters).
constexpr size_t kMaxText = 131;

struct Stream {
  vorbis_info info{};
  vorbis_comment comment{};
  vorbis_dsp_state dsp{};
  vorbis_block block{};
  ogg_stream_state ogg{};
  int channels = 2;
  bool headers_out = false;
  std::vector<int16_t> partial;  // samples of a frame a write left unfinished
  std::string pending;  // pages not yet handed out
  ~Stream() {
    ogg_stream_clear(&ogg);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
  }

  void Append(const ogg_page& page) {
    pending.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
    pending.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
  }

  void WriteHeaders() {
    if (headers_out) return;
    headers_out = true;
    ogg_packet id, comments, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
    ogg_stream_packetin(&ogg, &id);
    ogg_stream_packetin(&ogg, &comments);
    ogg_stream_packetin(&ogg, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&ogg, &page)) Append(page);
  }

  // Runs the analysis on what was handed in and queues the pages.
  void Drain(bool flush) {
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&ogg, &packet);
        ogg_page page;
        while (ogg_stream_pageout(&ogg, &page)) Append(page);
      }
    }
    ogg_page page;
    if (flush)
      while (ogg_stream_flush(&ogg, &page)) Append(page);
  }

  // Hands out as much as fits.
  void Deliver(uint8_t* output, uint32_t* output_bytes) {
    size_t n = pending.size() < kOutputBytes ? pending.size() : kOutputBytes;
    std::memcpy(output, pending.data(), n);
    pending.erase(0, n);
    *output_bytes = static_cast<uint32_t>(n);
  }
};

std::mutex g_mutex;
std::map<uint32_t, std::unique_ptr<Stream>> g_streams;
uint32_t g_next_handle = 1;

// Cuts a text to kMaxText bytes without splitting a UTF-8 character.
std::string Clip(const char* text) {
  std::string s(text);
  if (s.size() <= kMaxText) return s;
  size_t n = kMaxText;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

void AddText(vorbis_comment* vc, const char* tag, const char* text) {
  if (text && *text) vorbis_comment_add_tag(vc, tag, Clip(text).c_str());
}

}  // namespace

VB_EXPORT int32_t vbEncOpen(const VB_ENC_PARAMS* params, const VB_ENC_INFO* info, uint32_t* samples,
                            uint32_t* buffer_size, uint32_t* handle) {
  if (!params || !samples || !buffer_size || !handle) return VB_ERR_PARAMETER;
  if (params->size != static_cast<int32_t>(sizeof(VB_ENC_PARAMS))) return VB_ERR_PARAMETER;
  if (info && info->size != static_cast<int32_t>(sizeof(VB_ENC_INFO))) return VB_ERR_PARAMETER;
  if (params->channels < 1 || params->channels > 2 || params->sample_rate < 8000 ||
      params->sample_rate > 192000 || !(params->quality >= 0.0f && params->quality <= 1.0f))
    return VB_ERR_PARAMETER;
  auto s = std::make_unique<Stream>();
  s->channels = params->channels;
  vorbis_info_init(&s->info);
  vorbis_comment_init(&s->comment);
  if (vorbis_encode_init_vbr(&s->info, params->channels, params->sample_rate, params->quality) != 0) {
    return VB_ERR_ENCODER;  // the stream's clean-up copes with the parts never set up
  }
  if (info) {
    AddText(&s->comment, "ARTIST", info->artist);
    AddText(&s->comment, "ALBUM", info->album);
    AddText(&s->comment, "TITLE", info->title);
    AddText(&s->comment, "COMMENT", info->comment);
    if (info->track > 0) AddText(&s->comment, "TRACKNUMBER", std::to_string(info->track).c_str());
    if (info->track_total > 0) AddText(&s->comment, "TRACKTOTAL", std::to_string(info->track_total).c_str());
    AddText(&s->comment, "GENRE", info->genre);
    AddText(&s->comment, "DATE", info->date);
    AddText(&s->comment, "ENCODED_BY", info->name);
  }
  vorbis_analysis_init(&s->dsp, &s->info);
  vorbis_block_init(&s->dsp, &s->block);
  std::lock_guard lock(g_mutex);
  uint32_t h = g_next_handle++;
  ogg_stream_init(&s->ogg, static_cast<int>(h * 7919u + 17u));
  *samples = kBlockFrames * static_cast<uint32_t>(s->channels);
  *buffer_size = kOutputBytes;
  *handle = h;
  g_streams[h] = std::move(s);
  return VB_OK;
}

VB_EXPORT int32_t vbEncWrite(uint32_t handle, uint32_t samples, const int16_t* pcm, uint8_t* output,
                             uint32_t* output_bytes) {
  std::lock_guard lock(g_mutex);
  auto it = g_streams.find(handle);
  if (it == g_streams.end()) return VB_ERR_HANDLE;
  Stream& s = *it->second;
  if (!output || !output_bytes || (samples && !pcm)) return VB_ERR_PARAMETER;
  *output_bytes = 0;
  const uint32_t channels = static_cast<uint32_t>(s.channels);
  if (samples / channels > kBlockFrames) return VB_ERR_BUFFER;
  s.WriteHeaders();
  // A write may end inside a frame; its samples wait for the next write.
  std::vector<int16_t> joined;
  if (!s.partial.empty()) {
    joined = s.partial;
    joined.insert(joined.end(), pcm, pcm + samples);
    pcm = joined.data();
    samples = static_cast<uint32_t>(joined.size());
  }
  uint32_t frames = samples / channels;
  s.partial.assign(pcm + frames * channels, pcm + samples);
  if (frames > 0) {
    float** buffer = vorbis_analysis_buffer(&s.dsp, static_cast<int>(frames));
    for (uint32_t f = 0; f < frames; ++f)
      for (uint32_t c = 0; c < channels; ++c) buffer[c][f] = static_cast<float>(pcm[f * channels + c]) / 32768.0f;
    vorbis_analysis_wrote(&s.dsp, static_cast<int>(frames));
    s.Drain(false);
  }
  s.Deliver(output, output_bytes);
  return VB_OK;
}

VB_EXPORT int32_t vbEncClose(uint32_t handle, uint8_t* output, uint32_t* output_bytes) {
  std::lock_guard lock(g_mutex);
  auto it = g_streams.find(handle);
  if (it == g_streams.end()) return VB_ERR_HANDLE;
  if (!output || !output_bytes) return VB_ERR_PARAMETER;
  Stream& s = *it->second;
  s.WriteHeaders();
  vorbis_analysis_wrote(&s.dsp, 0);
  s.Drain(true);
  *output_bytes = 0;
  int32_t result = s.pending.size() <= kOutputBytes ? VB_OK : VB_ERR_BUFFER;
  s.Deliver(output, output_bytes);
  g_streams.erase(it);
  return result;
}

VB_EXPORT int32_t vbDecOpen(const char*, void*, uint32_t*) { return VB_ERR_UNSUPPORTED; }
VB_EXPORT int32_t vbDecRead(uint32_t, void*, uint32_t, uint32_t*) { return VB_ERR_UNSUPPORTED; }
VB_EXPORT int32_t vbDecSeek(uint32_t, uint32_t) { return VB_ERR_UNSUPPORTED; }
VB_EXPORT int32_t vbDecClose(uint32_t) { return VB_ERR_UNSUPPORTED; }

VB_EXPORT int32_t vbVersion(VB_VERSION* version) {
  if (!version) return VB_ERR_PARAMETER;
  std::memset(version, 0, sizeof(*version));
  version->major = 1;
  version->minor = 5;
  version->engine_major = 1;
  version->engine_minor = 3;
  version->day = 7;
  version->month = 5;
  version->year = 2024;
  return VB_OK;
}

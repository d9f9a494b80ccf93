#include "outside/bass/core/music_decoder.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "outside/bass/bass_api.h"

namespace audio {

namespace {
// Tracker files are small; anything larger is not one we will load.
constexpr std::uint64_t kMaxMusicBytes = 64ull * 1024 * 1024;
// ProTracker-style MODs name their channel count at offset 1080. Returns 0
// for other files.
int ModChannels(const std::uint8_t* tag) {
  const std::string id(reinterpret_cast<const char*>(tag), 4);
  if (id == "M.K." || id == "M!K!" || id == "FLT4" || id == "4CHN") return 4;
  if (id == "6CHN") return 6;
  if (id == "8CHN" || id == "FLT8" || id == "OCTA" || id == "CD81") return 8;
  if (std::isdigit(tag[0]) && std::isdigit(tag[1]) && (id.substr(2) == "CH" || id.substr(2) == "CN")) {
    return (tag[0] - '0') * 10 + (tag[1] - '0');
  }
  return 0;
}

// A MOD whose order list names more patterns than the file holds is broken
// (or hostile): refuse it rather than play silence in their place.
bool ModPatternsMissing(const std::vector<std::uint8_t>& data) {
  constexpr std::size_t kHeaderBytes = 1084;
  if (data.size() < kHeaderBytes) return false;
  const int channels = ModChannels(data.data() + 1080);
  if (channels == 0) return false;
  const std::size_t song_length = std::clamp<std::size_t>(data[950], 1, 128);
  std::size_t patterns = 0;
  for (std::size_t i = 0; i < song_length; ++i) {
    patterns = std::max<std::size_t>(patterns, data[952 + i] + 1u);
  }
  return data.size() < kHeaderBytes + patterns * 64 * channels * 4;
}

}  // namespace

bool LooksLikeTrackerMusic(const ByteSource& source) {
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(
      source.size(), openmpt_probe_file_header_get_recommended_size())));
  head.resize(source.ReadAt(0, head.data(), head.size()));
  int result = openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, head.data(),
                                         head.size(), source.size(), openmpt_log_func_silent,
                                         nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                         nullptr);
  return result == OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS;
}

std::unique_ptr<MusicDecoder> MusicDecoder::Open(const ByteSource& source, std::uint32_t rate,
                                                 DWORD* error) {
  if (source.size() == 0 || source.size() > kMaxMusicBytes) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  std::vector<std::uint8_t> data(static_cast<std::size_t>(source.size()));
  if (source.ReadAt(0, data.data(), data.size()) != data.size()) {
    *error = BASS_ERROR_FILEOPEN;
    return nullptr;
  }
  if (ModPatternsMissing(data)) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  openmpt_module* module = openmpt_module_create_from_memory2(
      data.data(), data.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, nullptr, nullptr, nullptr);
  if (module == nullptr) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  std::unique_ptr<MusicDecoder> decoder(new MusicDecoder());
  decoder->module_ = module;
  decoder->format_.rate = rate;
  decoder->format_.channels = 2;
  decoder->format_.bits = 16;
  openmpt_module_set_repeat_count(module, 0);
  // End exactly where the song ends (its length), without a fade-out tail.
  openmpt_module_ctl_set_text(module, "play.at_end", "stop");
  const double seconds = openmpt_module_get_duration_seconds(module);
  if (!(seconds > 0.0) || seconds > 24.0 * 3600.0) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  decoder->length_ = static_cast<std::uint64_t>(std::llround(seconds * rate));
  return decoder;
}

MusicDecoder::~MusicDecoder() {
  if (module_ != nullptr) openmpt_module_destroy(module_);
}

std::size_t MusicDecoder::Read(std::uint8_t* out, std::size_t frames) {
  std::size_t filled = 0;
  auto* samples = reinterpret_cast<std::int16_t*>(out);
  while (filled < frames && !at_end_) {
    std::size_t got = openmpt_module_read_interleaved_stereo(
        module_, static_cast<std::int32_t>(format_.rate), frames - filled, samples + filled * 2);
    if (got == 0) at_end_ = true;
    filled += got;
  }
  return filled;
}

bool MusicDecoder::Seek(std::uint64_t frame) {
  if (frame != 0) return false;
  openmpt_module_set_position_seconds(module_, 0.0);
  at_end_ = false;
  return true;
}

std::uint32_t MusicDecoder::OrderCount() const {
  return static_cast<std::uint32_t>(openmpt_module_get_num_orders(module_));
}

}  // namespace audio

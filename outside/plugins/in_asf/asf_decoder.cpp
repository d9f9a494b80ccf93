#include "outside/plugins/in_asf/asf_decoder.h"

#include <algorithm>

#include "outside/basswma/ffmpeg_library.h"

namespace velko_asf {

using velko_ffmpeg::Ff;

std::unique_ptr<AsfDecoder> AsfDecoder::Open(const std::string& native_path, const std::string& file_name) {
  // FFmpeg is loaded by the first file this plug-in opens. (Broken files
  // are reported by the results of GetFileInfo and Play.)
  if (!velko_ffmpeg::Load()) return nullptr;
  std::unique_ptr<AsfDecoder> decoder(new AsfDecoder);
  if (!decoder->OpenStreams(native_path)) return nullptr;
  const AVDictionaryEntry* title = Ff().av_dict_get(decoder->format_->metadata, "title", nullptr, 0);
  decoder->title_ = title != nullptr && title->value[0] != '\0' ? title->value : velko_plugin::BaseTitle(file_name);
  // A file whose audio does not decode at all is no song.
  if (!decoder->audio_.DecodeMore() || !decoder->audio_.HasPending()) return nullptr;
  return decoder;
}

bool AsfDecoder::OpenStreams(const std::string& native_path) {
  if (Ff().avformat_open_input(&format_, native_path.c_str(), Ff().av_find_input_format("asf"), nullptr) < 0) {
    return false;  // the failed open freed the context
  }
  if (Ff().avformat_find_stream_info(format_, nullptr) < 0) return false;
  int stream_index = -1;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      stream_index = static_cast<int>(i);
      break;
    }
  }
  if (stream_index < 0) return false;
  const AVCodec* codec = Ff().avcodec_find_decoder(format_->streams[stream_index]->codecpar->codec_id);
  if (codec == nullptr) return false;
  const auto opened = audio_.Open(format_, stream_index, codec,
                                  [](int rate, int) { return rate > 0 && rate <= 384000; });
  if (opened != velko_ffmpeg::AudioStream::Opened::kReady) return false;
  const std::int64_t length_us = audio_.Length(1000000);
  // Longer than a day: the header is not to be believed.
  if (length_us <= 0 || length_us > 24ll * 3600 * 1000000) return false;
  length_ms_ = static_cast<int>((length_us + 500) / 1000);
  return true;
}

AsfDecoder::~AsfDecoder() {
  audio_.Close();
  Ff().avformat_close_input(&format_);
}

int AsfDecoder::Read(std::int16_t* out, int max_frames) {
  return static_cast<int>(audio_.Read(out, static_cast<std::size_t>(std::max(max_frames, 0))));
}

void AsfDecoder::Seek(int ms) {
  const int from = std::max(ms, 0);
  if (ms >= length_ms_ || !audio_.Seek(from, 1000, Ff().av_rescale(from, audio_.rate(), 1000))) {
    audio_.Stop();  // nothing more to read
  }
}

}  // namespace velko_asf

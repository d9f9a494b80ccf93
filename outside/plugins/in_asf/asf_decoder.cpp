#include "outside/plugins/in_asf/asf_decoder.h"

#include <algorithm>
#include <cstring>

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
  if (!decoder->DecodeMore() || decoder->pending_.empty()) return nullptr;
  return decoder;
}

bool AsfDecoder::OpenStreams(const std::string& native_path) {
  if (Ff().avformat_open_input(&format_, native_path.c_str(), Ff().av_find_input_format("asf"), nullptr) < 0) {
    return false;  // the failed open freed the context
  }
  if (Ff().avformat_find_stream_info(format_, nullptr) < 0) return false;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      stream_index_ = static_cast<int>(i);
      break;
    }
  }
  if (stream_index_ < 0) return false;
  AVStream* stream = format_->streams[stream_index_];
  const AVCodec* codec = Ff().avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return false;
  codec_ = Ff().avcodec_alloc_context3(codec);
  if (codec_ == nullptr || Ff().avcodec_parameters_to_context(codec_, stream->codecpar) < 0 ||
      Ff().avcodec_open2(codec_, codec, nullptr) < 0) {
    return false;
  }
  AVChannelLayout in_layout{};
  if (Ff().av_channel_layout_copy(&in_layout, &codec_->ch_layout) < 0 || in_layout.nb_channels <= 0 ||
      codec_->sample_rate <= 0 || codec_->sample_rate > 384000) {
    Ff().av_channel_layout_uninit(&in_layout);
    return false;
  }
  if (in_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    const int count = in_layout.nb_channels;
    Ff().av_channel_layout_uninit(&in_layout);
    Ff().av_channel_layout_default(&in_layout, count);
  }
  rate_ = codec_->sample_rate;
  channels_ = in_layout.nb_channels == 1 ? 1 : 2;
  AVChannelLayout out_layout{};
  Ff().av_channel_layout_default(&out_layout, channels_);
  const int rc = Ff().swr_alloc_set_opts2(&swr_, &out_layout, AV_SAMPLE_FMT_S16, rate_, &in_layout, codec_->sample_fmt,
                                     rate_, 0, nullptr);
  Ff().av_channel_layout_uninit(&in_layout);
  Ff().av_channel_layout_uninit(&out_layout);
  if (rc < 0 || Ff().swr_init(swr_) < 0) return false;
  packet_ = Ff().av_packet_alloc();
  frame_ = Ff().av_frame_alloc();
  if (packet_ == nullptr || frame_ == nullptr) return false;

  std::int64_t length_us = 0;
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    length_us = Ff().av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000000});
  } else if (format_->duration > 0) {
    length_us = Ff().av_rescale(format_->duration, 1000000, AV_TIME_BASE);
  }
  // Longer than a day: the header is not to be believed.
  if (length_us <= 0 || length_us > 24ll * 3600 * 1000000) return false;
  length_ms_ = static_cast<int>((length_us + 500) / 1000);
  return true;
}

AsfDecoder::~AsfDecoder() {
  Ff().av_frame_free(&frame_);
  Ff().av_packet_free(&packet_);
  Ff().swr_free(&swr_);
  Ff().avcodec_free_context(&codec_);
  Ff().avformat_close_input(&format_);
}

void AsfDecoder::TakeFrame() {
  const int capacity = Ff().swr_get_out_samples(swr_, frame_->nb_samples);
  if (capacity <= 0) return;
  if (pending_read_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pending_read_));
    pending_read_ = 0;
  }
  const std::size_t start = pending_.size();
  pending_.resize(start + static_cast<std::size_t>(capacity) * channels_);
  auto* out = reinterpret_cast<std::uint8_t*>(pending_.data() + start);
  const int made = Ff().swr_convert(swr_, &out, capacity, const_cast<const std::uint8_t**>(frame_->extended_data),
                               frame_->nb_samples);
  pending_.resize(start + static_cast<std::size_t>(std::max(made, 0)) * channels_);
  if (!seeking_ || made <= 0) return;
  // After a seek, what lies before the target is dropped.
  const std::int64_t ts = frame_->best_effort_timestamp;
  seeking_ = false;
  if (ts == AV_NOPTS_VALUE) return;
  AVStream* stream = format_->streams[stream_index_];
  const std::int64_t start_ts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const std::int64_t first = Ff().av_rescale_q(ts - start_ts, stream->time_base, AVRational{1, rate_});
  const std::int64_t drop = seek_frame_ - first;
  if (drop <= 0) return;
  if (drop >= made) {
    pending_.resize(start);
    seeking_ = true;  // the target lies in a later frame
    return;
  }
  pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                 pending_.begin() + static_cast<std::ptrdiff_t>(start + drop * channels_));
}

bool AsfDecoder::DecodeMore() {
  for (;;) {
    const int received = Ff().avcodec_receive_frame(codec_, frame_);
    if (received == 0) {
      TakeFrame();
      Ff().av_frame_unref(frame_);
      return true;
    }
    if (received != AVERROR(EAGAIN) || draining_) {
      at_end_ = true;
      return false;
    }
    if (Ff().av_read_frame(format_, packet_) < 0) {
      Ff().avcodec_send_packet(codec_, nullptr);
      draining_ = true;
      continue;
    }
    // A packet the decoder refuses is skipped; the next one may decode.
    if (packet_->stream_index == stream_index_) Ff().avcodec_send_packet(codec_, packet_);
    Ff().av_packet_unref(packet_);
  }
}

int AsfDecoder::Read(std::int16_t* out, int max_frames) {
  const std::size_t wanted = static_cast<std::size_t>(std::max(max_frames, 0)) * channels_;
  std::size_t filled = 0;
  while (filled < wanted) {
    const std::size_t available = pending_.size() - pending_read_;
    if (available == 0) {
      if (at_end_ || !DecodeMore()) break;
      continue;
    }
    const std::size_t n = std::min(available, wanted - filled);
    std::memcpy(out + filled, pending_.data() + pending_read_, n * sizeof(std::int16_t));
    pending_read_ += n;
    filled += n;
  }
  if (pending_read_ == pending_.size()) {
    pending_.clear();
    pending_read_ = 0;
  }
  return static_cast<int>(filled / channels_);
}

void AsfDecoder::Seek(int ms) {
  pending_.clear();
  pending_read_ = 0;
  if (ms >= length_ms_) {
    at_end_ = true;  // nothing more to read
    return;
  }
  AVStream* stream = format_->streams[stream_index_];
  const std::int64_t start_ts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const std::int64_t ts = start_ts + Ff().av_rescale_q(std::max(ms, 0), AVRational{1, 1000}, stream->time_base);
  if (Ff().av_seek_frame(format_, stream_index_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
      Ff().av_seek_frame(format_, stream_index_, start_ts, AVSEEK_FLAG_BACKWARD) < 0) {
    at_end_ = true;
    return;
  }
  Ff().avcodec_flush_buffers(codec_);
  Ff().swr_init(swr_);
  draining_ = false;
  at_end_ = false;
  seek_frame_ = Ff().av_rescale(std::max(ms, 0), rate_, 1000);
  seeking_ = true;
}

}  // namespace velko_asf

#include "outside/basswma/ffmpeg_audio.h"

#include <algorithm>
#include <cstring>

#include "outside/basswma/ffmpeg_library.h"

namespace velko_ffmpeg {

AudioStream::Opened AudioStream::Open(AVFormatContext* container, int stream_index, const AVCodec* codec,
                                      const std::function<bool(int rate, int channels)>& accept) {
  container_ = container;
  stream_index_ = stream_index;
  AVStream* stream = container_->streams[stream_index_];
  codec_ = Ff().avcodec_alloc_context3(codec);
  if (codec_ == nullptr || Ff().avcodec_parameters_to_context(codec_, stream->codecpar) < 0 ||
      Ff().avcodec_open2(codec_, codec, nullptr) < 0) {
    return Opened::kBroken;
  }
  AVChannelLayout in_layout{};
  if (Ff().av_channel_layout_copy(&in_layout, &codec_->ch_layout) < 0 || in_layout.nb_channels <= 0) {
    Ff().av_channel_layout_uninit(&in_layout);
    return Opened::kBroken;
  }
  if (in_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    const int count = in_layout.nb_channels;
    Ff().av_channel_layout_uninit(&in_layout);
    Ff().av_channel_layout_default(&in_layout, count);
  }
  rate_ = codec_->sample_rate;
  channels_ = in_layout.nb_channels == 1 ? 1 : 2;
  if (!accept(rate_, channels_)) {
    Ff().av_channel_layout_uninit(&in_layout);
    return Opened::kRefused;
  }
  AVChannelLayout out_layout{};
  Ff().av_channel_layout_default(&out_layout, channels_);
  const int rc = Ff().swr_alloc_set_opts2(&swr_, &out_layout, AV_SAMPLE_FMT_S16, rate_, &in_layout,
                                          codec_->sample_fmt, rate_, 0, nullptr);
  Ff().av_channel_layout_uninit(&in_layout);
  Ff().av_channel_layout_uninit(&out_layout);
  if (rc < 0 || Ff().swr_init(swr_) < 0) return Opened::kBroken;
  packet_ = Ff().av_packet_alloc();
  frame_ = Ff().av_frame_alloc();
  if (packet_ == nullptr || frame_ == nullptr) return Opened::kNoMemory;
  return Opened::kReady;
}

void AudioStream::Close() {
  if (container_ == nullptr) return;
  Ff().av_frame_free(&frame_);
  Ff().av_packet_free(&packet_);
  Ff().swr_free(&swr_);
  Ff().avcodec_free_context(&codec_);
  container_ = nullptr;
}

std::int64_t AudioStream::Length(int per_second) const {
  const AVStream* stream = container_->streams[stream_index_];
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    return Ff().av_rescale_q(stream->duration, stream->time_base, AVRational{1, per_second});
  }
  if (container_->duration > 0) return Ff().av_rescale(container_->duration, per_second, AV_TIME_BASE);
  return 0;
}

void AudioStream::TakeFrame() {
  const std::size_t channels = static_cast<std::size_t>(channels_);
  const int capacity = Ff().swr_get_out_samples(swr_, frame_->nb_samples);
  if (capacity <= 0) return;
  if (pending_read_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pending_read_));
    pending_read_ = 0;
  }
  const std::size_t start = pending_.size();
  pending_.resize(start + static_cast<std::size_t>(capacity) * channels);
  auto* out = reinterpret_cast<std::uint8_t*>(pending_.data() + start);
  const int made = Ff().swr_convert(swr_, &out, capacity, const_cast<const std::uint8_t**>(frame_->extended_data),
                                    frame_->nb_samples);
  pending_.resize(start + static_cast<std::size_t>(std::max(made, 0)) * channels);
  if (!seeking_ || made <= 0) return;
  // After a seek, what lies before the target is dropped.
  seeking_ = false;
  const std::int64_t ts = frame_->best_effort_timestamp;
  if (ts == AV_NOPTS_VALUE) return;
  const AVStream* stream = container_->streams[stream_index_];
  const std::int64_t start_ts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const std::int64_t first = Ff().av_rescale_q(ts - start_ts, stream->time_base, AVRational{1, rate_});
  const std::int64_t drop = seek_target_ - first;
  if (drop <= 0) return;
  if (drop >= made) {
    pending_.resize(start);
    seeking_ = true;  // the target lies in a later frame
    return;
  }
  pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                 pending_.begin() + static_cast<std::ptrdiff_t>(start + static_cast<std::size_t>(drop) * channels));
}

bool AudioStream::DecodeMore() {
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
    if (Ff().av_read_frame(container_, packet_) < 0) {
      Ff().avcodec_send_packet(codec_, nullptr);
      draining_ = true;
      continue;
    }
    // A packet the decoder refuses is skipped; the next one may decode.
    if (packet_->stream_index == stream_index_) Ff().avcodec_send_packet(codec_, packet_);
    Ff().av_packet_unref(packet_);
  }
}

std::size_t AudioStream::Read(void* out, std::size_t frames) {
  const std::size_t channels = static_cast<std::size_t>(channels_);
  const std::size_t wanted = frames * channels;
  auto* bytes = static_cast<std::uint8_t*>(out);
  std::size_t filled = 0;
  while (filled < wanted) {
    const std::size_t available = pending_.size() - pending_read_;
    if (available == 0) {
      if (at_end_ || !DecodeMore()) break;
      continue;
    }
    const std::size_t n = std::min(available, wanted - filled);
    std::memcpy(bytes + filled * sizeof(std::int16_t), pending_.data() + pending_read_, n * sizeof(std::int16_t));
    pending_read_ += n;
    filled += n;
  }
  if (pending_read_ == pending_.size()) {
    pending_.clear();
    pending_read_ = 0;
  }
  return filled / channels;
}

bool AudioStream::Seek(std::int64_t position, int per_second, std::int64_t target) {
  const AVStream* stream = container_->streams[stream_index_];
  const std::int64_t start_ts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const std::int64_t ts = start_ts + Ff().av_rescale_q(position, AVRational{1, per_second}, stream->time_base);
  if (Ff().av_seek_frame(container_, stream_index_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
      Ff().av_seek_frame(container_, stream_index_, start_ts, AVSEEK_FLAG_BACKWARD) < 0) {
    return false;
  }
  Ff().avcodec_flush_buffers(codec_);
  Ff().swr_init(swr_);
  pending_.clear();
  pending_read_ = 0;
  draining_ = false;
  at_end_ = false;
  seek_target_ = target;
  seeking_ = true;
  return true;
}

void AudioStream::Stop() {
  pending_.clear();
  pending_read_ = 0;
  at_end_ = true;
}

}  // namespace velko_ffmpeg

#include "outside/basswma/wma_decoder.h"

#include <algorithm>
#include <cstring>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/content_probe.h"
#include "outside/basswma/ffmpeg_library.h"

namespace audio {

namespace {

using velko_ffmpeg::Ff;

constexpr int kIoBufferBytes = 32 * 1024;

int ReadPacket(void* cursor, std::uint8_t* out, int size) {
  const std::int64_t got = static_cast<ByteCursor*>(cursor)->Read(out, static_cast<std::size_t>(size));
  return got <= 0 ? AVERROR_EOF : static_cast<int>(got);
}

std::int64_t SeekPacket(void* cursor, std::int64_t offset, int whence) {
  auto* c = static_cast<ByteCursor*>(cursor);
  if (whence & AVSEEK_SIZE) return static_cast<std::int64_t>(c->size());
  return c->Seek(offset, whence & ~AVSEEK_FORCE);
}

}  // namespace

std::unique_ptr<WmaDecoder> WmaDecoder::Open(std::shared_ptr<ByteSource> source, DWORD* error) {
  std::uint8_t head[16] = {};
  if (!IsAsf(head, source->ReadAt(0, head, sizeof(head)))) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  if (!velko_ffmpeg::Load()) {
    *error = BASS_ERROR_NOTAVAIL;
    return nullptr;
  }
  std::unique_ptr<WmaDecoder> decoder(new WmaDecoder(std::move(source)));
  if (!decoder->OpenStreams(error)) return nullptr;
  return decoder;
}

bool WmaDecoder::OpenStreams(DWORD* error) {
  *error = BASS_ERROR_FILEFORM;
  auto* buffer = static_cast<std::uint8_t*>(Ff().av_malloc(kIoBufferBytes));
  if (buffer == nullptr) return false;
  io_ = Ff().avio_alloc_context(buffer, kIoBufferBytes, 0, &cursor_, ReadPacket, nullptr, SeekPacket);
  if (io_ == nullptr) {
    Ff().av_free(buffer);
    return false;
  }
  format_context_ = Ff().avformat_alloc_context();
  if (format_context_ == nullptr) return false;
  format_context_->pb = io_;
  format_context_->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (Ff().avformat_open_input(&format_context_, nullptr, Ff().av_find_input_format("asf"), nullptr) < 0) {
    return false;  // the context was freed and nulled by the failed open
  }
  if (Ff().avformat_find_stream_info(format_context_, nullptr) < 0) return false;
  const AVCodec* codec = nullptr;
  stream_index_ = Ff().av_find_best_stream(format_context_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream_index_ < 0 || codec == nullptr) return false;
  AVStream* stream = format_context_->streams[stream_index_];
  codec_ = Ff().avcodec_alloc_context3(codec);
  if (codec_ == nullptr || Ff().avcodec_parameters_to_context(codec_, stream->codecpar) < 0 ||
      Ff().avcodec_open2(codec_, codec, nullptr) < 0) {
    return false;
  }
  AVChannelLayout in_layout{};
  if (Ff().av_channel_layout_copy(&in_layout, &codec_->ch_layout) < 0 ||
      in_layout.nb_channels <= 0) {
    return false;
  }
  if (in_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    const int channels = in_layout.nb_channels;
    Ff().av_channel_layout_uninit(&in_layout);
    Ff().av_channel_layout_default(&in_layout, channels);
  }
  format_.rate = static_cast<std::uint32_t>(codec_->sample_rate);
  format_.channels = in_layout.nb_channels == 1 ? 1 : 2;
  format_.bits = 16;
  if (!format_.valid()) {
    Ff().av_channel_layout_uninit(&in_layout);
    *error = BASS_ERROR_FORMAT;
    return false;
  }
  AVChannelLayout out_layout{};
  Ff().av_channel_layout_default(&out_layout, format_.channels);
  const int rc = Ff().swr_alloc_set_opts2(&swr_, &out_layout, AV_SAMPLE_FMT_S16, codec_->sample_rate,
                                     &in_layout, codec_->sample_fmt, codec_->sample_rate, 0,
                                     nullptr);
  Ff().av_channel_layout_uninit(&in_layout);
  Ff().av_channel_layout_uninit(&out_layout);
  if (rc < 0 || Ff().swr_init(swr_) < 0) return false;
  packet_ = Ff().av_packet_alloc();
  frame_ = Ff().av_frame_alloc();
  if (packet_ == nullptr || frame_ == nullptr) {
    *error = BASS_ERROR_MEM;
    return false;
  }
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    length_ = static_cast<std::uint64_t>(
        Ff().av_rescale_q(stream->duration, stream->time_base, AVRational{1, codec_->sample_rate}));
  } else if (format_context_->duration > 0) {
    length_ = static_cast<std::uint64_t>(
        Ff().av_rescale(format_context_->duration, codec_->sample_rate, AV_TIME_BASE));
  }
  *error = BASS_OK;
  return true;
}

WmaDecoder::~WmaDecoder() {
  Ff().av_frame_free(&frame_);
  Ff().av_packet_free(&packet_);
  Ff().swr_free(&swr_);
  Ff().avcodec_free_context(&codec_);
  Ff().avformat_close_input(&format_context_);
  if (io_ != nullptr) {
    Ff().av_freep(&io_->buffer);
    Ff().avio_context_free(&io_);
  }
}

void WmaDecoder::TakeFrame() {
  const std::size_t frame_bytes = format_.frame_bytes();
  const int capacity = Ff().swr_get_out_samples(swr_, frame_->nb_samples);
  if (capacity <= 0) return;
  if (pending_read_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pending_read_));
    pending_read_ = 0;
  }
  const std::size_t start = pending_.size();
  pending_.resize(start + static_cast<std::size_t>(capacity) * frame_bytes);
  std::uint8_t* out = pending_.data() + start;
  const int made = Ff().swr_convert(swr_, &out, capacity,
                               const_cast<const std::uint8_t**>(frame_->extended_data),
                               frame_->nb_samples);
  pending_.resize(start + static_cast<std::size_t>(std::max(made, 0)) * frame_bytes);
  if (!seeking_ || made <= 0) return;
  // After a seek, drop what lies before the target frame.
  seeking_ = false;
  const std::int64_t ts = frame_->best_effort_timestamp;
  if (ts == AV_NOPTS_VALUE) return;
  AVStream* stream = format_context_->streams[stream_index_];
  const std::int64_t start_ts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const std::int64_t first = Ff().av_rescale_q(ts - start_ts, stream->time_base,
                                          AVRational{1, static_cast<int>(format_.rate)});
  const std::int64_t drop = static_cast<std::int64_t>(seek_target_) - first;
  if (drop <= 0) return;
  if (drop >= made) {
    pending_.resize(start);
    seeking_ = true;  // the target lies in a later frame
    return;
  }
  pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                 pending_.begin() + static_cast<std::ptrdiff_t>(start + drop * frame_bytes));
}

bool WmaDecoder::DecodeMore() {
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
    if (Ff().av_read_frame(format_context_, packet_) < 0) {
      Ff().avcodec_send_packet(codec_, nullptr);
      draining_ = true;
      continue;
    }
    // A packet the decoder rejects is skipped; the next one may decode.
    if (packet_->stream_index == stream_index_) Ff().avcodec_send_packet(codec_, packet_);
    Ff().av_packet_unref(packet_);
  }
}

std::size_t WmaDecoder::Read(std::uint8_t* out, std::size_t frames) {
  const std::size_t frame_bytes = format_.frame_bytes();
  const std::size_t wanted = frames * frame_bytes;
  std::size_t filled = 0;
  while (filled < wanted) {
    const std::size_t available = pending_.size() - pending_read_;
    if (available == 0) {
      if (at_end_ || !DecodeMore()) break;
      continue;
    }
    const std::size_t n = std::min(available, wanted - filled);
    std::memcpy(out + filled, pending_.data() + pending_read_, n);
    pending_read_ += n;
    filled += n;
  }
  if (pending_read_ == pending_.size()) {
    pending_.clear();
    pending_read_ = 0;
  }
  return filled / frame_bytes;
}

bool WmaDecoder::Seek(std::uint64_t frame) {
  AVStream* stream = format_context_->streams[stream_index_];
  const std::int64_t start_ts = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  const std::int64_t ts =
      start_ts + Ff().av_rescale_q(static_cast<std::int64_t>(frame),
                              AVRational{1, static_cast<int>(format_.rate)}, stream->time_base);
  if (Ff().av_seek_frame(format_context_, stream_index_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
      Ff().av_seek_frame(format_context_, stream_index_, start_ts, AVSEEK_FLAG_BACKWARD) < 0) {
    return false;
  }
  Ff().avcodec_flush_buffers(codec_);
  pending_.clear();
  pending_read_ = 0;
  draining_ = false;
  at_end_ = false;
  seek_target_ = frame;
  seeking_ = true;
  return true;
}

}  // namespace audio

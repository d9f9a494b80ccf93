#include "outside/basswma/wma_decoder.h"

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
  const int stream_index = Ff().av_find_best_stream(format_context_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream_index < 0 || codec == nullptr) return false;
  const auto opened = audio_.Open(format_context_, stream_index, codec, [this](int rate, int channels) {
    format_.rate = static_cast<std::uint32_t>(rate);
    format_.channels = channels;
    format_.bits = 16;
    return format_.valid();
  });
  switch (opened) {
    case velko_ffmpeg::AudioStream::Opened::kReady: break;
    case velko_ffmpeg::AudioStream::Opened::kBroken: return false;
    case velko_ffmpeg::AudioStream::Opened::kRefused: *error = BASS_ERROR_FORMAT; return false;
    case velko_ffmpeg::AudioStream::Opened::kNoMemory: *error = BASS_ERROR_MEM; return false;
  }
  length_ = static_cast<std::uint64_t>(audio_.Length(static_cast<int>(format_.rate)));
  *error = BASS_OK;
  return true;
}

WmaDecoder::~WmaDecoder() {
  audio_.Close();
  Ff().avformat_close_input(&format_context_);
  if (io_ != nullptr) {
    Ff().av_freep(&io_->buffer);
    Ff().avio_context_free(&io_);
  }
}

std::size_t WmaDecoder::Read(std::uint8_t* out, std::size_t frames) { return audio_.Read(out, frames); }

bool WmaDecoder::Seek(std::uint64_t frame) {
  const auto target = static_cast<std::int64_t>(frame);
  return audio_.Seek(target, static_cast<int>(format_.rate), target);
}

}  // namespace audio

// WMA (ASF) streams through FFmpeg: libavformat reads the container,
// libavcodec decodes, libswresample turns the samples into interleaved
// 16-bit at the file's own rate (mono stays mono, more than two channels
// are mixed down to stereo).
#pragma once

#include <memory>

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/decoder.h"
#include "outside/basswma/ffmpeg_audio.h"

struct AVFormatContext;
struct AVIOContext;

namespace audio {

class WmaDecoder : public Decoder {
 public:
  // Null (and `error` set) when the source is not an ASF file with audio.
  static std::unique_ptr<WmaDecoder> Open(std::shared_ptr<ByteSource> source, DWORD* error);
  ~WmaDecoder() override;

  PcmFormat format() const override { return format_; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override { return audio_.AtEnd(); }
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override { return length_; }

 private:
  explicit WmaDecoder(std::shared_ptr<ByteSource> source) : cursor_(std::move(source)) {}
  bool OpenStreams(DWORD* error);

  ByteCursor cursor_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_context_ = nullptr;
  velko_ffmpeg::AudioStream audio_;
  PcmFormat format_;
  std::uint64_t length_ = 0;
};

}  // namespace audio

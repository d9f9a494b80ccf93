// WMA (ASF) streams through FFmpeg: libavformat reads the container,
// libavcodec decodes, libswresample turns the samples into interleaved
// 16-bit at the file's own rate (mono stays mono, more than two channels
// are mixed down to stereo).
#pragma once

#include <memory>
#include <vector>

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/decoder.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace audio {

class WmaDecoder : public Decoder {
 public:
  // Null (and `error` set) when the source is not an ASF file with audio.
  static std::unique_ptr<WmaDecoder> Open(std::shared_ptr<ByteSource> source, DWORD* error);
  ~WmaDecoder() override;

  PcmFormat format() const override { return format_; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override { return at_end_ && pending_.empty(); }
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override { return length_; }

 private:
  explicit WmaDecoder(std::shared_ptr<ByteSource> source) : cursor_(std::move(source)) {}
  bool OpenStreams(DWORD* error);
  // Decodes the next packet's samples into `pending_`; false at the end.
  bool DecodeMore();
  void TakeFrame();

  ByteCursor cursor_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_context_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_index_ = -1;
  bool draining_ = false;
  bool at_end_ = false;

  PcmFormat format_;
  std::uint64_t length_ = 0;
  // Decoded bytes not yet read, and frames still to drop after a seek.
  std::vector<std::uint8_t> pending_;
  std::size_t pending_read_ = 0;
  std::uint64_t seek_target_ = 0;
  bool seeking_ = false;
};

}  // namespace audio

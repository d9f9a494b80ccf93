// The first audio stream of an ASF file, decoded by FFmpeg: libavformat
// reads the container, libavcodec decodes and libswresample makes
// interleaved 16-bit samples at the stream's own rate, mono staying mono and
// anything wider mixed down to stereo.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "outside/plugins/common/plugin_player.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace velko_asf {

class AsfDecoder : public velko_plugin::Decoder {
 public:
  // Nothing when the file is not an ASF file whose audio decodes (its first
  // block is decoded here to make sure). `file_name` gives the title when
  // the file's content description has none.
  static std::unique_ptr<AsfDecoder> Open(const std::string& native_path, const std::string& file_name);
  ~AsfDecoder() override;

  int rate() const override { return rate_; }
  int channels() const override { return channels_; }
  int length_ms() const override { return length_ms_; }
  const std::string& title() const override { return title_; }
  int Read(std::int16_t* out, int max_frames) override;
  void Seek(int ms) override;

 private:
  AsfDecoder() = default;
  bool OpenStreams(const std::string& native_path);
  // Decodes more samples into `pending_`; false at the end of the input.
  bool DecodeMore();
  void TakeFrame();

  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_index_ = -1;
  bool draining_ = false;
  bool at_end_ = false;

  int rate_ = 0;
  int channels_ = 0;
  int length_ms_ = 0;
  std::string title_;
  std::vector<std::int16_t> pending_;  // decoded samples not yet read
  std::size_t pending_read_ = 0;       // samples of `pending_` already read
  std::int64_t seek_frame_ = 0;        // frames before this are dropped after a seek
  bool seeking_ = false;
};

}  // namespace velko_asf

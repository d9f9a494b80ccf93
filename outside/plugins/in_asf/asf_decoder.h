// The first audio stream of an ASF file, decoded by FFmpeg: libavformat
// reads the container, libavcodec decodes and libswresample makes
// interleaved 16-bit samples at the stream's own rate, mono staying mono and
// anything wider mixed down to stereo.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "outside/basswma/ffmpeg_audio.h"
#include "outside/plugins/common/plugin_player.h"

struct AVFormatContext;

namespace velko_asf {

class AsfDecoder : public velko_plugin::Decoder {
 public:
  // Nothing when the file is not an ASF file whose audio decodes (its first
  // block is decoded here to make sure). `file_name` gives the title when
  // the file's content description has none.
  static std::unique_ptr<AsfDecoder> Open(const std::string& native_path, const std::string& file_name);
  ~AsfDecoder() override;

  int rate() const override { return audio_.rate(); }
  int channels() const override { return audio_.channels(); }
  int length_ms() const override { return length_ms_; }
  const std::string& title() const override { return title_; }
  int Read(std::int16_t* out, int max_frames) override;
  void Seek(int ms) override;

 private:
  AsfDecoder() = default;
  bool OpenStreams(const std::string& native_path);

  AVFormatContext* format_ = nullptr;
  velko_ffmpeg::AudioStream audio_;
  int length_ms_ = 0;
  std::string title_;
};

}  // namespace velko_asf

// RIFF WAVE streams: 8- and 16-bit PCM read straight from the data chunk.
#pragma once

#include <memory>

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/decoder.h"
#include "outside/bass/core/wav_parser.h"

namespace audio {

class WavDecoder : public Decoder {
 public:
  // Null (and `error` set) when the source is not a playable WAVE file.
  static std::unique_ptr<WavDecoder> Open(std::shared_ptr<ByteSource> source, DWORD* error);

  PcmFormat format() const override { return layout_.format; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override { return next_frame_ >= layout_.data_frames; }
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override { return layout_.data_frames; }

 private:
  WavDecoder(std::shared_ptr<ByteSource> source, const WavLayout& layout)
      : source_(std::move(source)), layout_(layout) {}

  std::shared_ptr<ByteSource> source_;
  WavLayout layout_;
  std::uint64_t next_frame_ = 0;
};

}  // namespace audio

// Ogg Vorbis streams through libvorbisfile, decoded to 16-bit at the file's
// own rate (mono and stereo files).
#pragma once

#include <vorbis/vorbisfile.h>

#include <memory>

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/decoder.h"

namespace audio {

bool HasOggSignature(const std::uint8_t* data, std::size_t size);

class OggDecoder : public Decoder {
 public:
  static std::unique_ptr<OggDecoder> Open(std::shared_ptr<ByteSource> source, DWORD* error);
  ~OggDecoder() override;

  PcmFormat format() const override { return format_; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override { return at_end_; }
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override { return length_; }

 private:
  explicit OggDecoder(std::shared_ptr<ByteSource> source) : cursor_(std::move(source)) {}

  ByteCursor cursor_;
  OggVorbis_File file_{};
  bool opened_ = false;
  PcmFormat format_;
  std::uint64_t length_ = 0;
  bool at_end_ = false;
};

}  // namespace audio

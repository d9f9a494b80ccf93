// Tracker music (MOD, S3M, XM, IT, MTM and the other formats libopenmpt
// reads), rendered at a fixed rate as 16-bit stereo and played once.
#pragma once

#include <memory>
#include <string>

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/decoder.h"

struct openmpt_module;

namespace audio {

// True when libopenmpt recognises the header of a tracker file.
bool LooksLikeTrackerMusic(const ByteSource& source);

class MusicDecoder : public Decoder {
 public:
  static std::unique_ptr<MusicDecoder> Open(const ByteSource& source, std::uint32_t rate,
                                            DWORD* error);
  ~MusicDecoder() override;

  PcmFormat format() const override { return format_; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override { return at_end_; }
  // Music only seeks back to the start (a replay after the end).
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override { return length_; }

  // The number of entries in the order list.
  std::uint32_t OrderCount() const;

 private:
  MusicDecoder() = default;

  openmpt_module* module_ = nullptr;
  PcmFormat format_;
  std::uint64_t length_ = 0;
  bool at_end_ = false;
};

}  // namespace audio

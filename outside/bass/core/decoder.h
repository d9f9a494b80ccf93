// A channel's source of samples in its own format. File decoders fill every
// request until the end; a user stream's feed may return less while it waits
// for its callback (the channel then stalls without ending).
#pragma once

#include <cstddef>
#include <cstdint>

#include "outside/bass/core/pcm_format.h"

namespace audio {

class Decoder {
 public:
  virtual ~Decoder() = default;

  virtual PcmFormat format() const = 0;
  // Reads up to `frames` frames into `out` (format().frame_bytes() each);
  // returns the frames read.
  virtual std::size_t Read(std::uint8_t* out, std::size_t frames) = 0;
  // True once no further frame will ever come.
  virtual bool AtEnd() const = 0;
  // Moves to `frame`; false when this source cannot seek there.
  virtual bool Seek(std::uint64_t frame) = 0;
  // The exact length in frames (may wait for a running length scan);
  // UINT64_MAX when the source has no length (user streams).
  virtual std::uint64_t LengthFrames() = 0;
};

}  // namespace audio

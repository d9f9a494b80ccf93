#include "outside/bass/core/wav_decoder.h"

#include <algorithm>
#include <vector>

#include "outside/bass/bass_api.h"

namespace audio {

namespace {
// Headers with many chunks before "data" (lists, tags) still fit.
constexpr std::size_t kHeaderProbeBytes = 64 * 1024;
}

std::unique_ptr<WavDecoder> WavDecoder::Open(std::shared_ptr<ByteSource> source, DWORD* error) {
  std::vector<std::uint8_t> head(static_cast<std::size_t>(
      std::min<std::uint64_t>(source->size(), kHeaderProbeBytes)));
  head.resize(source->ReadAt(0, head.data(), head.size()));
  std::optional<WavLayout> layout = ParseWav(head.data(), head.size(), source->size());
  if (!layout) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  return std::unique_ptr<WavDecoder>(new WavDecoder(std::move(source), *layout));
}

std::size_t WavDecoder::Read(std::uint8_t* out, std::size_t frames) {
  const std::size_t frame_bytes = layout_.format.frame_bytes();
  const std::uint64_t left = layout_.data_frames - std::min(next_frame_, layout_.data_frames);
  frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, left));
  const std::size_t got = source_->ReadAt(layout_.data_offset + next_frame_ * frame_bytes, out,
                                          frames * frame_bytes);
  const std::size_t got_frames = got / frame_bytes;
  if (got_frames < frames) {
    // The file shrank under us: treat what is missing as the end.
    next_frame_ = layout_.data_frames;
    return got_frames;
  }
  next_frame_ += got_frames;
  return got_frames;
}

bool WavDecoder::Seek(std::uint64_t frame) {
  if (frame > layout_.data_frames) return false;
  next_frame_ = frame;
  return true;
}

}  // namespace audio

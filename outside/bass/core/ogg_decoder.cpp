#include "outside/bass/core/ogg_decoder.h"

#include <cstring>

#include "outside/bass/bass_api.h"

namespace audio {

namespace {

size_t CursorRead(void* out, size_t size, size_t count, void* cursor) {
  if (size == 0) return 0;
  std::int64_t got = static_cast<ByteCursor*>(cursor)->Read(out, size * count);
  return got < 0 ? 0 : static_cast<size_t>(got) / size;
}

int CursorSeek(void* cursor, ogg_int64_t offset, int whence) {
  return static_cast<ByteCursor*>(cursor)->Seek(offset, whence) < 0 ? -1 : 0;
}

long CursorTell(void* cursor) { return static_cast<long>(static_cast<ByteCursor*>(cursor)->Tell()); }

const ov_callbacks kCallbacks = {CursorRead, CursorSeek, nullptr, CursorTell};

}  // namespace

bool HasOggSignature(const std::uint8_t* data, std::size_t size) {
  return size >= 4 && std::memcmp(data, "OggS", 4) == 0;
}

std::unique_ptr<OggDecoder> OggDecoder::Open(std::shared_ptr<ByteSource> source, DWORD* error) {
  std::unique_ptr<OggDecoder> decoder(new OggDecoder(std::move(source)));
  if (ov_open_callbacks(&decoder->cursor_, &decoder->file_, nullptr, 0, kCallbacks) != 0) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  decoder->opened_ = true;
  vorbis_info* info = ov_info(&decoder->file_, -1);
  ogg_int64_t total = ov_pcm_total(&decoder->file_, -1);
  if (info == nullptr || total < 0) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  decoder->format_.rate = static_cast<std::uint32_t>(info->rate);
  decoder->format_.channels = info->channels;
  decoder->format_.bits = 16;
  if (!decoder->format_.valid()) {
    *error = BASS_ERROR_FORMAT;
    return nullptr;
  }
  decoder->length_ = static_cast<std::uint64_t>(total);
  return decoder;
}

OggDecoder::~OggDecoder() {
  if (opened_) ov_clear(&file_);
}

std::size_t OggDecoder::Read(std::uint8_t* out, std::size_t frames) {
  const std::size_t frame_bytes = format_.frame_bytes();
  const std::size_t wanted = frames * frame_bytes;
  std::size_t filled = 0;
  int holes = 0;
  while (filled < wanted && !at_end_) {
    int section = 0;
    const std::size_t chunk = wanted - filled > 65536 ? 65536 : wanted - filled;
    long got = ov_read(&file_, reinterpret_cast<char*>(out + filled), static_cast<int>(chunk),
                       0, 2, 1, &section);
    if (got == OV_HOLE) {
      // A gap in the data: decoding goes on after it, unless it is all gaps.
      if (++holes > 64) at_end_ = true;
      continue;
    }
    if (got <= 0) {
      at_end_ = true;
      break;
    }
    // A chained stream that changes its format is played up to the change.
    vorbis_info* info = ov_info(&file_, section);
    if (info == nullptr || info->channels != format_.channels ||
        static_cast<std::uint32_t>(info->rate) != format_.rate) {
      at_end_ = true;
      break;
    }
    filled += static_cast<std::size_t>(got);
  }
  return filled / frame_bytes;
}

bool OggDecoder::Seek(std::uint64_t frame) {
  if (ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame)) != 0) return false;
  at_end_ = false;
  return true;
}

}  // namespace audio

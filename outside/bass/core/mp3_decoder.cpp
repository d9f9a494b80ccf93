#include "outside/bass/core/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/mpeg_frame_check.h"

namespace audio {

namespace {

constexpr std::size_t kProbeBytes = 128 * 1024;

std::once_flag g_mpg123_init;

mpg123_ssize_t CursorRead(void* handle, void* out, size_t n) {
  return static_cast<mpg123_ssize_t>(static_cast<ByteCursor*>(handle)->Read(out, n));
}

off_t CursorSeek(void* handle, off_t offset, int whence) {
  return static_cast<off_t>(static_cast<ByteCursor*>(handle)->Seek(offset, whence));
}

// A decoder handle that reads through `cursor`, producing 16-bit samples at
// the stream's own rate, gapless (encoder delay and padding removed).
mpg123_handle* NewHandle(ByteCursor* cursor) {
  std::call_once(g_mpg123_init, [] { mpg123_init(); });
  mpg123_handle* handle = mpg123_new(nullptr, nullptr);
  if (handle == nullptr) return nullptr;
  mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  mpg123_format_none(handle);
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i) {
    mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  }
  if (mpg123_replace_reader_handle(handle, CursorRead, CursorSeek, nullptr) != MPG123_OK ||
      mpg123_open_handle(handle, cursor) != MPG123_OK) {
    mpg123_delete(handle);
    return nullptr;
  }
  return handle;
}

}  // namespace

Mp3Decoder::Mp3Decoder(std::shared_ptr<ByteSource> source)
    : source_(std::move(source)), cursor_(source_) {}

std::unique_ptr<Mp3Decoder> Mp3Decoder::Open(std::shared_ptr<ByteSource> source, DWORD* error) {
  std::vector<std::uint8_t> head(
      static_cast<std::size_t>(std::min<std::uint64_t>(source->size(), kProbeBytes)));
  head.resize(source->ReadAt(0, head.data(), head.size()));
  if (!LooksLikeMpegAudio(head.data(), head.size())) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder(std::move(source)));
  if (!decoder->Start(error)) return nullptr;
  return decoder;
}

bool Mp3Decoder::Start(DWORD* error) {
  handle_ = NewHandle(&cursor_);
  if (handle_ == nullptr) {
    *error = BASS_ERROR_FILEFORM;
    return false;
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK) {
    *error = BASS_ERROR_FILEFORM;
    return false;
  }
  format_.rate = static_cast<std::uint32_t>(rate);
  format_.channels = channels;
  format_.bits = 16;
  if (!format_.valid()) {
    *error = BASS_ERROR_FORMAT;
    return false;
  }
  scan_thread_ = std::thread([this] { ScanLength(); });
  return true;
}

Mp3Decoder::~Mp3Decoder() {
  cancel_scan_.store(true);
  if (scan_thread_.joinable()) scan_thread_.join();
  if (handle_ != nullptr) mpg123_delete(handle_);
}

void Mp3Decoder::ScanLength() {
  ByteCursor cursor(source_, &cancel_scan_);
  std::uint64_t frames = 0;
  if (mpg123_handle* handle = NewHandle(&cursor)) {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK &&
        mpg123_scan(handle) == MPG123_OK) {
      off_t length = mpg123_length(handle);
      if (length > 0) frames = static_cast<std::uint64_t>(length);
    }
    mpg123_delete(handle);
  }
  std::lock_guard<std::mutex> lock(scan_mutex_);
  scanned_frames_ = frames;
  scan_done_ = true;
  scan_done_cv_.notify_all();
}

std::uint64_t Mp3Decoder::LengthFrames() {
  std::unique_lock<std::mutex> lock(scan_mutex_);
  scan_done_cv_.wait(lock, [this] { return scan_done_; });
  return scanned_frames_;
}

std::size_t Mp3Decoder::Read(std::uint8_t* out, std::size_t frames) {
  const std::size_t frame_bytes = format_.frame_bytes();
  std::size_t filled = 0;
  const std::size_t wanted = frames * frame_bytes;
  while (filled < wanted && !at_end_) {
    size_t done = 0;
    int rc = mpg123_read(handle_, out + filled, wanted - filled, &done);
    filled += done;
    if (rc == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0;
      int encoding = 0;
      mpg123_getformat(handle_, &rate, &channels, &encoding);
      // A stream that changes its format part-way is played up to the change.
      if (static_cast<std::uint32_t>(rate) != format_.rate || channels != format_.channels) {
        at_end_ = true;
      }
    } else if (rc != MPG123_OK) {
      at_end_ = true;
    } else if (done == 0) {
      at_end_ = true;
    }
  }
  return filled / frame_bytes;
}

bool Mp3Decoder::Seek(std::uint64_t frame) {
  off_t result = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
  if (result < 0) return false;
  at_end_ = false;
  return true;
}

}  // namespace audio

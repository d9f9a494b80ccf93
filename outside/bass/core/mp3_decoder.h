// MPEG audio streams through libmpg123, decoded to 16-bit at the file's own
// rate and channel count. The exact length needs a scan of every frame
// header; it runs on a background thread started with the stream, so opening
// and the first samples never wait for it, and LengthFrames waits only when
// asked before the scan has finished.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/decoder.h"

struct mpg123_handle_struct;

namespace audio {

class Mp3Decoder : public Decoder {
 public:
  // Null (and `error` set) when the content is not MPEG audio.
  static std::unique_ptr<Mp3Decoder> Open(std::shared_ptr<ByteSource> source, DWORD* error);
  ~Mp3Decoder() override;

  PcmFormat format() const override { return format_; }
  std::size_t Read(std::uint8_t* out, std::size_t frames) override;
  bool AtEnd() const override { return at_end_; }
  bool Seek(std::uint64_t frame) override;
  std::uint64_t LengthFrames() override;

 private:
  explicit Mp3Decoder(std::shared_ptr<ByteSource> source);
  bool Start(DWORD* error);
  void ScanLength();

  std::shared_ptr<ByteSource> source_;
  ByteCursor cursor_;
  mpg123_handle_struct* handle_ = nullptr;
  PcmFormat format_;
  bool at_end_ = false;

  std::atomic<bool> cancel_scan_{false};
  std::mutex scan_mutex_;
  std::condition_variable scan_done_cv_;
  bool scan_done_ = false;
  std::uint64_t scanned_frames_ = 0;
  std::thread scan_thread_;
};

}  // namespace audio

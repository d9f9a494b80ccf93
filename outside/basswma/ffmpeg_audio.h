// One audio stream of a container FFmpeg has opened, decoded to interleaved
// 16-bit samples at the stream's own rate: mono stays mono, anything wider
// is mixed down to stereo. What the WMA add-on and the ASF input plug-in
// share; FFmpeg is loaded (velko_ffmpeg::Load) before any of it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct AVFormatContext;
struct AVCodec;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace velko_ffmpeg {

class AudioStream {
 public:
  enum class Opened {
    kReady,
    // The decoder or the sample converter could not be set up.
    kBroken,
    // The caller's test refused the stream's rate and channels.
    kRefused,
    // No packet or frame could be allocated.
    kNoMemory,
  };

  AudioStream() = default;
  ~AudioStream() { Close(); }
  AudioStream(const AudioStream&) = delete;
  AudioStream& operator=(const AudioStream&) = delete;

  // Opens `codec` on stream `stream_index` of `container`, which stays the
  // caller's and outlives what this opens. `accept` is given the stream's
  // rate and the channels it comes out with (1 or 2).
  Opened Open(AVFormatContext* container, int stream_index, const AVCodec* codec,
              const std::function<bool(int rate, int channels)>& accept);
  // Frees the decoder, the converter, the packet and the frame; the owner
  // calls it before it closes the container.
  void Close();

  int rate() const { return rate_; }
  int channels() const { return channels_; }
  // The stream's length in 1/per_second seconds: its own duration, else the
  // container's; 0 when neither is known.
  std::int64_t Length(int per_second) const;

  // Decodes more samples into those waiting to be read; false at the end
  // of the input.
  bool DecodeMore();
  // Copies up to `frames` frames to `out`; fewer only at the end.
  std::size_t Read(void* out, std::size_t frames);
  bool HasPending() const { return !pending_.empty(); }
  bool AtEnd() const { return at_end_ && pending_.empty(); }

  // Moves to `position` (in 1/per_second seconds); what comes before frame
  // `target` is dropped. False, with nothing changed, when the container
  // can seek neither there nor to the start.
  bool Seek(std::int64_t position, int per_second, std::int64_t target);
  // Nothing more to read until the next seek.
  void Stop();

 private:
  // Converts the decoded frame into `pending_`, dropping what lies before
  // the seek target.
  void TakeFrame();

  AVFormatContext* container_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* swr_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int stream_index_ = -1;
  int rate_ = 0;
  int channels_ = 0;
  bool draining_ = false;
  bool at_end_ = false;

  std::vector<std::int16_t> pending_;  // decoded samples not yet read
  std::size_t pending_read_ = 0;       // samples of `pending_` already read
  std::int64_t seek_target_ = 0;       // frames before this are dropped after a seek
  bool seeking_ = false;
};

}  // namespace velko_ffmpeg

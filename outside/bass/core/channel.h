// One channel of the mixer: a file stream, a user stream or tracker music.
// It owns its source, its DSP callbacks, effects and syncs, and turns its
// own samples into the device's stereo float frames:
//   source -> DSP callbacks (own format, in place) -> float -> effects
//   (creation order) -> stereo -> resampling to the device rate
// and offers them to the mixer with its volume and pan as two gains.
// Frames nothing has to change (16-bit stereo at the device rate, no
// effect) stay the source's own 16-bit samples, which the mixer converts as
// it mixes; without a DSP callback the source writes them straight into the
// queue. Other stereo at the device rate converts straight into the queue.
// Every method runs under the core's lock.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/decoder.h"
#include "outside/bass/core/effect.h"
#include "outside/bass/core/resampler.h"
#include "outside/bass/core/sample_queue.h"
#include "outside/bass/core/spectrum.h"

namespace audio {

class UserFeed;

enum class ChannelKind { kFileStream, kUserStream, kMusic };

struct SyncEntry {
  HSYNC handle = 0;
  SYNCPROC* proc = nullptr;
  std::uintptr_t user = 0;
  bool one_time = false;
};

class Channel {
 public:
  enum class State { kStopped, kPlaying, kPaused };

  Channel(DWORD handle, ChannelKind kind, std::shared_ptr<Decoder> source,
          std::uint32_t device_rate);
  ~Channel();

  DWORD handle() const { return handle_; }
  ChannelKind kind() const { return kind_; }
  bool is_stream() const { return kind_ != ChannelKind::kMusic; }
  const PcmFormat& format() const { return format_; }
  // The source, for calls that may wait (the length) and run outside the lock.
  const std::shared_ptr<Decoder>& source() const { return source_; }
  DWORD flags() const;
  State state() const { return state_; }

  // Transport. Play restarts from the beginning when `restart` is set or the
  // channel has ended; for a user stream a restart drops its buffer.
  void Play(bool restart);
  bool Pause();
  bool Resume();
  void Stop();
  bool SetPositionFrames(std::uint64_t frame);
  // The frame being heard.
  std::uint64_t PositionFrames() const;

  void SetAttributes(int freq, int volume, int pan);
  void GetAttributes(DWORD* freq, DWORD* volume, int* pan) const;

  void AddDsp(HDSP handle, DSPPROC* proc, std::uintptr_t user);
  bool RemoveDsp(HDSP handle);
  void AddEffect(HFX handle, std::unique_ptr<Effect> effect);
  bool RemoveEffect(HFX handle);
  Effect* FindEffect(HFX handle);
  std::vector<HFX> EffectHandles() const;
  void AddSync(const SyncEntry& sync);
  bool RemoveSync(HSYNC handle);
  std::vector<HSYNC> SyncHandles() const;
  std::vector<HDSP> DspHandles() const;
  // The end syncs to call now that the channel has ended; one-time syncs are
  // removed.
  std::vector<SyncEntry> TakeEndSyncs();

  // What the channel adds to the next device block: up to `frames` stereo
  // float frames, each side to be multiplied by its gain (`gain` on top of
  // the channel's volume and pan). Runs the source, and so the DSP
  // callbacks, as needed. `playing` is false (and nothing offered) when the
  // channel is not playing.
  // The frames are `samples` or, as the source's 16-bit samples, `shorts`
  // (the other is null); a 16-bit sample s stands for s / 32768.0f.
  struct Offer {
    bool playing = false;
    const float* samples = nullptr;
    const std::int16_t* shorts = nullptr;
    std::size_t frames = 0;
    float left = 0.0f;
    float right = 0.0f;
  };
  Offer Pull(std::size_t frames, float gain);
  // The mixer has taken what Pull offered (call it only after an offer with
  // `playing` set, before anything else touches the channel). Returns true
  // when the channel's last sample was in this block (it has ended).
  bool Consume(const Offer& offer);
  // The last kFftSize frames heard, mono, oldest first.
  std::array<float, kFftSize> RecentMono() const;

 private:
  struct Dsp {
    HDSP handle;
    DSPPROC* proc;
    std::uintptr_t user;
    bool removed;
  };
  struct FxSlot {
    HFX handle;
    std::unique_ptr<Effect> effect;
  };

  std::uint32_t playback_rate() const { return freq_ != 0 ? freq_ : format_.rate; }
  void RebuildResampler();
  void ClearPipeline();
  // Pulls source frames through DSPs and effects until `frames` device
  // frames are buffered, the source has ended or it has nothing yet.
  void Fill(std::size_t frames);
  bool ProduceChunk(std::size_t wanted_out);
  void RunDsps(std::uint8_t* samples, std::size_t bytes);
  // True when new frames can be queued as they are, as 16-bit samples.
  bool KeepsShorts() const {
    return format_.bits == 16 && format_.channels == 2 && !resampler_ && effects_.empty() && pending_.empty();
  }
  // Converts `frames` frames of `native_` to float, runs the effects and
  // queues them as device-rate stereo (after what `shorts_` holds).
  void QueueStereoFloat(std::size_t frames);
  std::size_t buffered_frames() const { return (pending_.size() + shorts_.size()) / 2; }
  void Rebase();

  const DWORD handle_;
  const ChannelKind kind_;
  std::shared_ptr<Decoder> source_;
  UserFeed* feed_ = nullptr;  // the source, when this is a user stream
  const PcmFormat format_;
  const std::uint32_t device_rate_;

  State state_ = State::kStopped;
  bool ended_ = false;
  bool source_done_ = false;

  // Position bookkeeping, in the source's frames: heard position =
  // base_frame_ + played_ * playback rate / device rate, never beyond
  // read_frame_ (the next frame to be read from the source).
  std::uint64_t base_frame_ = 0;
  std::uint64_t played_ = 0;
  std::uint64_t read_frame_ = 0;

  std::uint32_t freq_ = 0;  // 0: the source's own rate
  int volume_ = 100;
  int pan_ = 0;

  std::vector<Dsp> dsps_;
  bool in_dsp_ = false;
  std::vector<FxSlot> effects_;
  std::vector<SyncEntry> syncs_;

  std::unique_ptr<Resampler> resampler_;
  std::vector<std::uint8_t> native_;
  std::vector<float> work_;
  std::vector<float> stereo_;
  // Device-rate stereo frames made but not yet mixed, as 16-bit samples or
  // as float; at most one of the two holds any.
  SampleQueue<std::int16_t> shorts_;
  SampleQueue<float> pending_;

  std::array<float, kFftSize> history_{};
  std::size_t history_pos_ = 0;
};

}  // namespace audio

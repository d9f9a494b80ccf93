// One channel of the mixer: a file stream, a user stream or tracker music.
// It owns its source, its DSP callbacks, effects and syncs, and turns its
// own samples into the device's stereo float blocks:
//   source -> DSP callbacks (own format, in place) -> float -> effects
//   (creation order) -> stereo -> resampling to the device rate -> volume
//   and pan -> mix.
// Every method runs under the core's lock.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/decoder.h"
#include "outside/bass/core/effect.h"
#include "outside/bass/core/resampler.h"
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

  // Adds the next `frames` device frames of this channel to `mix` (stereo
  // float) with `gain` on top of its own volume. Returns true when the
  // channel's last sample was in this block (it has ended).
  bool Render(float* mix, std::size_t frames, float gain);
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
  void RunDsps(std::size_t bytes);
  void ToStereoFloat(std::size_t frames);
  std::size_t buffered_frames() const { return (pending_.size() - pending_read_) / 2; }
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
  // Device-rate stereo frames made but not yet mixed.
  std::vector<float> pending_;
  std::size_t pending_read_ = 0;

  std::array<float, kFftSize> history_{};
  std::size_t history_pos_ = 0;
};

}  // namespace audio

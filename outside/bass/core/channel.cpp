#include "outside/bass/core/channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "outside/bass/core/user_feed.h"

namespace audio {

namespace {
// Source frames pulled per step: bounds the DSP buffer and the work per call.
constexpr std::size_t kChunkFrames = 2048;
}  // namespace

Channel::Channel(DWORD handle, ChannelKind kind, std::shared_ptr<Decoder> source,
                 std::uint32_t device_rate)
    : handle_(handle),
      kind_(kind),
      source_(std::move(source)),
      format_(source_->format()),
      device_rate_(device_rate) {
  if (kind_ == ChannelKind::kUserStream) feed_ = static_cast<UserFeed*>(source_.get());
  native_.resize(kChunkFrames * format_.frame_bytes());
  RebuildResampler();
}

Channel::~Channel() = default;

DWORD Channel::flags() const {
  DWORD flags = 0;
  if (format_.bits == 8) flags |= BASS_SAMPLE_8BITS;
  if (format_.channels == 1) flags |= BASS_SAMPLE_MONO;
  return flags;
}

void Channel::RebuildResampler() {
  resampler_.reset();
  if (playback_rate() != device_rate_) {
    resampler_ = std::make_unique<Resampler>(playback_rate(), device_rate_);
    if (!resampler_->ok()) resampler_.reset();
  }
}

void Channel::ClearPipeline() {
  pending_.Clear();
  shorts_.Clear();
  if (resampler_) resampler_->Clear();
  source_done_ = false;
  ended_ = false;
}

void Channel::Rebase() {
  base_frame_ = PositionFrames();
  played_ = 0;
}

void Channel::Play(bool restart) {
  if (feed_ != nullptr) {
    if (restart || ended_) Stop();
    feed_->SetActive(true);
  } else if (restart || ended_) {
    SetPositionFrames(0);
  }
  state_ = State::kPlaying;
}

bool Channel::Pause() {
  if (state_ != State::kPlaying) return false;
  state_ = State::kPaused;
  return true;
}

bool Channel::Resume() {
  if (state_ != State::kPaused) return false;
  state_ = State::kPlaying;
  return true;
}

void Channel::Stop() {
  state_ = State::kStopped;
  if (feed_ == nullptr) return;
  // A user stream starts over: its buffer and position go, and a callback
  // still running delivers into the old generation, which is discarded.
  feed_->SetActive(false);
  feed_->Reset();
  ClearPipeline();
  base_frame_ = 0;
  played_ = 0;
  read_frame_ = 0;
}

bool Channel::SetPositionFrames(std::uint64_t frame) {
  if (!source_->Seek(frame)) return false;
  ClearPipeline();
  base_frame_ = frame;
  played_ = 0;
  read_frame_ = frame;
  return true;
}

std::uint64_t Channel::PositionFrames() const {
  const std::uint64_t heard = base_frame_ + played_ * playback_rate() / device_rate_;
  return ended_ ? read_frame_ : std::min(heard, read_frame_);
}

void Channel::SetAttributes(int freq, int volume, int pan) {
  if (freq != -1) {
    const auto rate = static_cast<std::uint32_t>(std::clamp(freq, 0, 200000));
    const std::uint32_t new_freq = rate < 100 ? 0 : rate;
    if (new_freq != freq_) {
      Rebase();
      freq_ = new_freq;
      // What is buffered was made at the old rate; the source goes back to
      // the frame being heard.
      RebuildResampler();
      if (source_->Seek(base_frame_)) {
        pending_.Clear();
        shorts_.Clear();
        source_done_ = false;
        read_frame_ = base_frame_;
      }
    }
  }
  if (volume != -1) volume_ = std::clamp(volume, 0, 100);
  if (pan != -1) pan_ = std::clamp(pan, -100, 100);
}

void Channel::GetAttributes(DWORD* freq, DWORD* volume, int* pan) const {
  if (freq != nullptr) *freq = playback_rate();
  if (volume != nullptr) *volume = static_cast<DWORD>(volume_);
  if (pan != nullptr) *pan = pan_;
}

void Channel::AddDsp(HDSP handle, DSPPROC* proc, std::uintptr_t user) {
  dsps_.push_back(Dsp{handle, proc, user, false});
}

bool Channel::RemoveDsp(HDSP handle) {
  for (auto it = dsps_.begin(); it != dsps_.end(); ++it) {
    if (it->handle != handle || it->removed) continue;
    // Removed from inside a DSP callback: the running loop erases it.
    if (in_dsp_) {
      it->removed = true;
    } else {
      dsps_.erase(it);
    }
    return true;
  }
  return false;
}

std::vector<HDSP> Channel::DspHandles() const {
  std::vector<HDSP> handles;
  for (const Dsp& dsp : dsps_) {
    if (!dsp.removed) handles.push_back(dsp.handle);
  }
  return handles;
}

void Channel::AddEffect(HFX handle, std::unique_ptr<Effect> effect) {
  effects_.push_back(FxSlot{handle, std::move(effect)});
}

bool Channel::RemoveEffect(HFX handle) {
  auto it = std::find_if(effects_.begin(), effects_.end(),
                         [&](const FxSlot& slot) { return slot.handle == handle; });
  if (it == effects_.end()) return false;
  effects_.erase(it);
  return true;
}

Effect* Channel::FindEffect(HFX handle) {
  for (FxSlot& slot : effects_) {
    if (slot.handle == handle) return slot.effect.get();
  }
  return nullptr;
}

std::vector<HFX> Channel::EffectHandles() const {
  std::vector<HFX> handles;
  for (const FxSlot& slot : effects_) handles.push_back(slot.handle);
  return handles;
}

void Channel::AddSync(const SyncEntry& sync) { syncs_.push_back(sync); }

bool Channel::RemoveSync(HSYNC handle) {
  auto it = std::find_if(syncs_.begin(), syncs_.end(),
                         [&](const SyncEntry& sync) { return sync.handle == handle; });
  if (it == syncs_.end()) return false;
  syncs_.erase(it);
  return true;
}

std::vector<HSYNC> Channel::SyncHandles() const {
  std::vector<HSYNC> handles;
  for (const SyncEntry& sync : syncs_) handles.push_back(sync.handle);
  return handles;
}

std::vector<SyncEntry> Channel::TakeEndSyncs() {
  std::vector<SyncEntry> fired = syncs_;
  std::erase_if(syncs_, [](const SyncEntry& sync) { return sync.one_time; });
  return fired;
}

void Channel::RunDsps(std::uint8_t* samples, std::size_t bytes) {
  if (dsps_.empty()) return;
  in_dsp_ = true;
  // Callbacks may add DSPs (run from the next block) or remove any.
  const std::size_t count = dsps_.size();
  for (std::size_t i = 0; i < count && i < dsps_.size(); ++i) {
    const Dsp dsp = dsps_[i];
    if (!dsp.removed) dsp.proc(dsp.handle, handle_, samples, static_cast<DWORD>(bytes), dsp.user);
  }
  in_dsp_ = false;
  std::erase_if(dsps_, [](const Dsp& dsp) { return dsp.removed; });
}

void Channel::QueueStereoFloat(std::size_t frames) {
  if (!shorts_.empty()) {
    // Kept 16-bit until now: from here on the queue is float.
    const std::size_t count = shorts_.size();
    float* to = pending_.Extend(count);
    const std::int16_t* from = shorts_.data();
    for (std::size_t i = 0; i < count; ++i) to[i] = from[i] / 32768.0f;
    shorts_.Clear();
  }
  const std::size_t samples = frames * format_.channels;
  // Stereo at the device rate is converted straight into the queue; other
  // channels go through `work_` (and `stereo_` before resampling).
  const bool direct = format_.channels == 2 && !resampler_;
  float* work = nullptr;
  if (direct) {
    work = pending_.Extend(samples);
  } else {
    work_.resize(samples);
    work = work_.data();
  }
  if (format_.bits == 8) {
    for (std::size_t i = 0; i < samples; ++i) work[i] = (native_[i] - 128) / 128.0f;
  } else {
    const auto* in = reinterpret_cast<const std::int16_t*>(native_.data());
    for (std::size_t i = 0; i < samples; ++i) work[i] = in[i] / 32768.0f;
  }
  for (FxSlot& slot : effects_) {
    slot.effect->Process(work, frames, format_.channels, playback_rate());
  }
  if (direct) return;
  const float* stereo = work;
  if (format_.channels == 1) {
    float* out = nullptr;
    if (resampler_) {
      stereo_.resize(frames * 2);
      out = stereo_.data();
    } else {
      out = pending_.Extend(frames * 2);
    }
    for (std::size_t i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = work[i];
    if (!resampler_) return;
    stereo = out;
  }
  resampler_->Process(stereo, frames, pending_);
}

bool Channel::ProduceChunk(std::size_t wanted_out) {
  std::size_t wanted_in = wanted_out;
  if (resampler_) {
    wanted_in = static_cast<std::size_t>(
                    std::ceil(static_cast<double>(wanted_out) * playback_rate() / device_rate_)) +
                1;
  }
  wanted_in = std::min(wanted_in, kChunkFrames);
  // With nothing to change the samples and no DSP callback to hand them to,
  // the source writes straight into the queue.
  const bool straight = KeepsShorts() && dsps_.empty();
  std::uint8_t* into = straight ? reinterpret_cast<std::uint8_t*>(shorts_.Extend(wanted_in * 2)) : native_.data();
  const std::size_t got = source_->Read(into, wanted_in);
  if (straight) shorts_.Shrink((wanted_in - got) * 2);
  if (got == 0) {
    if (source_->AtEnd()) {
      if (resampler_) resampler_->Flush(pending_);
      source_done_ = true;
    }
    return false;
  }
  read_frame_ += got;
  if (straight) return true;
  RunDsps(native_.data(), got * format_.frame_bytes());
  // (A callback may have changed the channel.)
  if (KeepsShorts()) {
    std::memcpy(shorts_.Extend(got * 2), native_.data(), got * 4);
  } else {
    QueueStereoFloat(got);
  }
  return true;
}

void Channel::Fill(std::size_t frames) {
  while (buffered_frames() < frames && !source_done_) {
    if (!ProduceChunk(frames - buffered_frames())) break;
  }
}

Channel::Offer Channel::Pull(std::size_t frames, float gain) {
  Offer offer;
  if (state_ != State::kPlaying) return offer;
  Fill(frames);
  offer.playing = true;
  if (shorts_.empty()) {
    offer.samples = pending_.data();
  } else {
    offer.shorts = shorts_.data();
  }
  offer.frames = std::min(frames, buffered_frames());
  const float volume = gain * volume_ / 100.0f;
  offer.left = volume * (pan_ > 0 ? (100 - pan_) / 100.0f : 1.0f);
  offer.right = volume * (pan_ < 0 ? (100 + pan_) / 100.0f : 1.0f);
  return offer;
}

bool Channel::Consume(const Offer& offer) {
  const std::size_t take = offer.frames;
  // The spectrum sees the last kFftSize frames heard: only the tail of a
  // long block reaches it.
  const std::size_t kept = std::min(take, kFftSize);
  history_pos_ = (history_pos_ + (take - kept)) % kFftSize;
  for (std::size_t i = take - kept; i < take; ++i) {
    const float l = offer.shorts ? offer.shorts[2 * i] / 32768.0f : offer.samples[2 * i];
    const float r = offer.shorts ? offer.shorts[2 * i + 1] / 32768.0f : offer.samples[2 * i + 1];
    history_[history_pos_] = 0.5f * (l + r);
    history_pos_ = (history_pos_ + 1) % kFftSize;
  }
  if (offer.shorts) {
    shorts_.Drop(take * 2);
  } else {
    pending_.Drop(take * 2);
  }
  played_ += take;
  // When this block used up everything buffered, find out now whether that
  // was the source's last frame, so the end is reported with this block.
  if (!source_done_ && buffered_frames() == 0) Fill(1);
  if (source_done_ && buffered_frames() == 0) {
    state_ = State::kStopped;
    ended_ = true;
    if (feed_ != nullptr) feed_->SetActive(false);
    return true;
  }
  return false;
}

std::array<float, kFftSize> Channel::RecentMono() const {
  std::array<float, kFftSize> out{};
  for (std::size_t i = 0; i < kFftSize; ++i) out[i] = history_[(history_pos_ + i) % kFftSize];
  return out;
}

}  // namespace audio

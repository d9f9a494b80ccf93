#include "outside/bass/core/audio_core.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "outside/bass/core/byte_source.h"
#include "outside/bass/core/content_probe.h"
#include "outside/bass/core/last_error.h"
#include "outside/bass/core/mp3_decoder.h"
#include "outside/bass/core/music_decoder.h"
#include "outside/bass/core/ogg_decoder.h"
#include "outside/bass/core/silent_device.h"
#include "outside/bass/core/spectrum.h"
#include "outside/bass/core/thread_local_slot.h"
#include "outside/bass/core/user_feed.h"
#include "outside/bass/core/wav_decoder.h"

namespace audio {

namespace {

constexpr DWORD kDefaultRate = 44100;
// How long a test's AdvanceClock waits for the syncs it caused.
constexpr DWORD kAdvanceSyncWaitMs = 5000;
// BASS_Free waits this long for user-stream callbacks still running; the
// player's own callback gives up waiting for data after at most 13 s.
constexpr DWORD kFreeCallbackWaitMs = 15000;
// Test capture keeps at most a minute of output.
constexpr std::size_t kMaxCapturedSamples = 44100 * 2 * 60;

// Echo and reverb tails decay into denormal numbers, which are very slow on
// x86; the mixer thread treats them as zero.
void EnableFlushToZero() {
#if defined(__SSE__)
  AUDIO_THREAD_LOCAL bool done = false;
  if (!done) {
    _mm_setcsr(_mm_getcsr() | 0x8040);
    done = true;
  }
#endif
}

BOOL Succeed() {
  SetLastError(BASS_OK);
  return TRUE;
}

// Picks the decoder by content: WAVE, Ogg Vorbis or MPEG audio. WMA (ASF)
// and tracker files are left to their own calls.
std::unique_ptr<Decoder> OpenFileDecoder(const std::shared_ptr<ByteSource>& source, DWORD* error) {
  std::uint8_t head[64] = {};
  const std::size_t size = source->ReadAt(0, head, sizeof(head));
  if (size == 0) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  if (HasWavSignature(head, size)) return WavDecoder::Open(source, error);
  if (HasOggSignature(head, size)) return OggDecoder::Open(source, error);
  const bool id3 = size >= 3 && std::memcmp(head, "ID3", 3) == 0;
  if (IsAsf(head, size) || (!id3 && LooksLikeTrackerMusic(*source))) {
    *error = BASS_ERROR_FILEFORM;
    return nullptr;
  }
  return Mp3Decoder::Open(source, error);
}

}  // namespace

Core& Core::Get() {
  // Never destroyed: feeder, notifier and device threads may outlive static
  // destruction at process exit.
  static Core* core = new Core();
  return *core;
}

DWORD Core::NextHandle(DWORD& counter) { return counter++; }

std::shared_ptr<Channel> Core::Find(DWORD handle) {
  auto it = channels_.find(handle);
  return it == channels_.end() ? nullptr : it->second;
}

// ---- Device and global ----------------------------------------------------

BOOL Core::Init(int device, DWORD freq) {
  std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
  if (DWORD error = fail_init_error_.load()) return Fail(error, FALSE);
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (initialized_) return Fail(BASS_ERROR_ALREADY, FALSE);
  }
  if (device < BASS_DEVICE_NOSOUND || device > 1) return Fail(BASS_ERROR_DEVICE, FALSE);
  const std::uint32_t rate = (freq >= 8000 && freq <= 192000) ? freq : kDefaultRate;
  auto notifier = Notifier::Start([this](const SyncCall& call) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto owner = sync_owner_.find(call.sync);
    if (owner == sync_owner_.end()) return false;
    if (call.one_time) {
      if (auto channel = Find(owner->second)) channel->RemoveSync(call.sync);
      sync_owner_.erase(owner);
    }
    return true;
  });
  RenderCallback render = [this](std::int16_t* out, std::size_t frames) { Render(out, frames); };
  std::unique_ptr<OutputDevice> output;
  const bool silent = device == BASS_DEVICE_NOSOUND || force_silent_.load();
  if (!silent) output = OpenSdlDevice(rate, render);
  if (!output && !silent && device != BASS_DEVICE_DEFAULT) {
    notifier->Shutdown();
    return Fail(BASS_ERROR_DEVICE, FALSE);
  }
  if (!output) {
    output = std::make_unique<SilentDevice>(rate, render, [this] { WaitSyncs(kAdvanceSyncWaitMs); });
  }
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    rate_ = rate;
    notifier_ = notifier;
    device_ = std::move(output);
    initialized_ = true;
  }
  device_->Start();
  return Succeed();
}

BOOL Core::Free() {
  std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
  std::unique_ptr<OutputDevice> device;
  std::shared_ptr<Notifier> notifier;
  std::map<DWORD, std::shared_ptr<Channel>> channels;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!initialized_) return Fail(BASS_ERROR_INIT, FALSE);
    // The device cannot be closed from its own thread (a DSP callback).
    if (device_->OnMixerThread()) return Fail(BASS_ERROR_NOTAVAIL, FALSE);
    initialized_ = false;
    device = std::move(device_);
    notifier = std::move(notifier_);
    channels.swap(channels_);
    sync_owner_.clear();
    dsp_owner_.clear();
    fx_owner_.clear();
  }
  device.reset();
  channels.clear();
  notifier->Shutdown();
  // At shut-down the caller frees what its stream callbacks use right after
  // this returns: let a call still running (a plug-in waiting for data) end.
  UserFeed::WaitForCallsToReturn(kFreeCallbackWaitMs);
  return Succeed();
}

BOOL Core::Start() {
  std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
  if (!device_) return Fail(BASS_ERROR_INIT, FALSE);
  device_->Start();
  return Succeed();
}

BOOL Core::Pause() {
  std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
  if (!device_) return Fail(BASS_ERROR_INIT, FALSE);
  device_->Pause();
  return Succeed();
}

BOOL Core::Stop() {
  std::lock_guard<std::mutex> lifecycle(lifecycle_mutex_);
  if (!device_) return Fail(BASS_ERROR_INIT, FALSE);
  device_->Pause();
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto& [handle, channel] : channels_) channel->Stop();
  }
  return Succeed();
}

void Core::GetInfo(BASS_INFO* info) {
  if (info == nullptr) return SetLastError(BASS_ERROR_ILLPARAM);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!initialized_) return SetLastError(BASS_ERROR_INIT);
  BASS_INFO full{};
  full.size = info->size;
  full.minrate = 100;
  full.maxrate = 200000;
  full.dsver = 8;
  full.latency = device_->latency_ms();
  std::memcpy(info, &full, std::min<std::size_t>(info->size, sizeof(full)));
  SetLastError(BASS_OK);
}

BOOL Core::SetGlobalVolumes(int music, int sample, int stream) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (music != -1) music_volume_ = std::clamp(music, 0, 100);
  if (sample != -1) sample_volume_ = std::clamp(sample, 0, 100);
  if (stream != -1) stream_volume_ = std::clamp(stream, 0, 100);
  return Succeed();
}

BOOL Core::GetGlobalVolumes(int* music, int* sample, int* stream) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (music != nullptr) *music = music_volume_;
  if (sample != nullptr) *sample = sample_volume_;
  if (stream != nullptr) *stream = stream_volume_;
  return Succeed();
}

// ---- Channels ---------------------------------------------------------------

HSTREAM Core::AddChannel(ChannelKind kind, std::shared_ptr<Decoder> source) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!initialized_) return Fail(BASS_ERROR_INIT, HSTREAM{0});
  const DWORD handle = NextHandle(next_channel_);
  channels_[handle] = std::make_shared<Channel>(handle, kind, std::move(source), rate_);
  SetLastError(BASS_OK);
  return handle;
}

HSTREAM Core::CreateFileStream(BOOL mem, const void* file, DWORD offset, DWORD length) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!initialized_) return Fail(BASS_ERROR_INIT, HSTREAM{0});
  }
  DWORD error = BASS_ERROR_UNKNOWN;
  std::shared_ptr<ByteSource> source = OpenCallerSource(mem, file, offset, length, &error);
  if (!source) return Fail(error, HSTREAM{0});
  std::unique_ptr<Decoder> decoder = OpenFileDecoder(source, &error);
  if (!decoder) return Fail(error, HSTREAM{0});
  return AddChannel(ChannelKind::kFileStream, std::move(decoder));
}

HMUSIC Core::LoadMusic(BOOL mem, const void* file, DWORD offset, DWORD length) {
  std::uint32_t rate;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!initialized_) return Fail(BASS_ERROR_INIT, HMUSIC{0});
    rate = rate_;
  }
  DWORD error = BASS_ERROR_UNKNOWN;
  std::shared_ptr<ByteSource> source = OpenCallerSource(mem, file, offset, length, &error);
  if (!source) return Fail(error, HMUSIC{0});
  std::unique_ptr<MusicDecoder> decoder = MusicDecoder::Open(*source, rate, &error);
  if (!decoder) return Fail(error, HMUSIC{0});
  return AddChannel(ChannelKind::kMusic, std::move(decoder));
}

HSTREAM Core::AddDecodedStream(std::unique_ptr<Decoder> decoder) {
  if (!decoder) return Fail(BASS_ERROR_FILEFORM, HSTREAM{0});
  return AddChannel(ChannelKind::kFileStream, std::move(decoder));
}

HSTREAM Core::CreateUserStream(DWORD freq, DWORD flags, STREAMPROC* proc, std::uintptr_t user) {
  if (proc == nullptr) return Fail(BASS_ERROR_ILLPARAM, HSTREAM{0});
  PcmFormat format;
  format.rate = freq;
  format.channels = (flags & BASS_SAMPLE_MONO) ? 1 : 2;
  format.bits = (flags & BASS_SAMPLE_8BITS) ? 8 : 16;
  if (!format.valid()) return Fail(BASS_ERROR_FREQ, HSTREAM{0});
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!initialized_) return Fail(BASS_ERROR_INIT, HSTREAM{0});
  const DWORD handle = NextHandle(next_channel_);
  auto feed = std::make_shared<UserFeed>(format, handle, proc, user);
  channels_[handle] = std::make_shared<Channel>(handle, ChannelKind::kUserStream, feed, rate_);
  SetLastError(BASS_OK);
  return handle;
}

void Core::ForgetHandlesOf(const Channel& channel) {
  for (HSYNC sync : channel.SyncHandles()) sync_owner_.erase(sync);
  for (HDSP dsp : channel.DspHandles()) dsp_owner_.erase(dsp);
  for (HFX fx : channel.EffectHandles()) fx_owner_.erase(fx);
}

BOOL Core::FreeChannel(DWORD handle, bool music) {
  std::shared_ptr<Channel> channel;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    channel = Find(handle);
    if (!channel || channel->is_stream() == music) return Fail(BASS_ERROR_HANDLE, FALSE);
    channel->Stop();
    ForgetHandlesOf(*channel);
    channels_.erase(handle);
  }
  // The channel (and its decoder) goes outside the lock; a user stream's
  // feeder is not waited for.
  channel.reset();
  return Succeed();
}

// ---- Transport and state ----------------------------------------------------

BOOL Core::Play(DWORD handle, bool restart, bool music) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel || channel->is_stream() == music) return Fail(BASS_ERROR_HANDLE, FALSE);
  channel->Play(restart);
  if (device_) device_->Kick();
  return Succeed();
}

BOOL Core::ChannelPause(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
  if (!channel->Pause()) return Fail(BASS_ERROR_NOPLAY, FALSE);
  return Succeed();
}

BOOL Core::ChannelResume(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
  if (!channel->Resume()) return Fail(BASS_ERROR_NOPAUSE, FALSE);
  if (device_) device_->Kick();
  return Succeed();
}

BOOL Core::ChannelStop(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
  channel->Stop();
  return Succeed();
}

DWORD Core::IsActive(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, BASS_ACTIVE_STOPPED);
  SetLastError(BASS_OK);
  switch (channel->state()) {
    case Channel::State::kPlaying: return BASS_ACTIVE_PLAYING;
    case Channel::State::kPaused: return BASS_ACTIVE_PAUSED;
    case Channel::State::kStopped: break;
  }
  return BASS_ACTIVE_STOPPED;
}

DWORD Core::GetFlags(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, DWORD{0});
  SetLastError(BASS_OK);
  return channel->flags();
}

QWORD Core::StreamLength(HSTREAM handle) {
  std::shared_ptr<Decoder> source;
  std::size_t frame_bytes = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::shared_ptr<Channel> channel = Find(handle);
    if (!channel || !channel->is_stream()) return Fail(BASS_ERROR_HANDLE, ~QWORD{0});
    if (channel->kind() == ChannelKind::kUserStream) return Fail(BASS_ERROR_NOTAVAIL, ~QWORD{0});
    source = channel->source();
    frame_bytes = channel->format().frame_bytes();
  }
  // An MP3's length may wait for its scan: never under the mixer's lock.
  const QWORD frames = source->LengthFrames();
  SetLastError(BASS_OK);
  return frames * frame_bytes;
}

DWORD Core::MusicLength(HMUSIC handle, BOOL playlen) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel || channel->is_stream()) return Fail(BASS_ERROR_HANDLE, DWORD{0});
  auto* music = static_cast<MusicDecoder*>(channel->source().get());
  SetLastError(BASS_OK);
  if (!playlen) return music->OrderCount();
  const QWORD bytes = music->LengthFrames() * channel->format().frame_bytes();
  return static_cast<DWORD>(std::min<QWORD>(bytes, 0xFFFFFFFFu));
}

QWORD Core::GetPosition(DWORD handle) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, ~QWORD{0});
  SetLastError(BASS_OK);
  return channel->PositionFrames() * channel->format().frame_bytes();
}

BOOL Core::SetPosition(DWORD handle, QWORD bytes) {
  std::shared_ptr<Decoder> source;
  std::size_t frame_bytes = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::shared_ptr<Channel> channel = Find(handle);
    if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
    if (channel->kind() != ChannelKind::kFileStream) return Fail(BASS_ERROR_NOTAVAIL, FALSE);
    source = channel->source();
    frame_bytes = channel->format().frame_bytes();
  }
  const QWORD frame = bytes / frame_bytes;
  if (frame > source->LengthFrames()) return Fail(BASS_ERROR_POSITION, FALSE);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
  if (!channel->SetPositionFrames(frame)) return Fail(BASS_ERROR_POSITION, FALSE);
  return Succeed();
}

float Core::Bytes2Seconds(DWORD handle, QWORD bytes) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, -1.0f);
  const PcmFormat& format = channel->format();
  SetLastError(BASS_OK);
  return static_cast<float>(static_cast<double>(bytes) /
                            (static_cast<double>(format.rate) * format.frame_bytes()));
}

QWORD Core::Seconds2Bytes(DWORD handle, float seconds) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, ~QWORD{0});
  if (!(seconds >= 0.0f) || !std::isfinite(seconds)) return Fail(BASS_ERROR_ILLPARAM, ~QWORD{0});
  const PcmFormat& format = channel->format();
  const auto frames = static_cast<QWORD>(std::floor(static_cast<double>(seconds) * format.rate));
  SetLastError(BASS_OK);
  return frames * format.frame_bytes();
}

BOOL Core::SetAttributes(DWORD handle, int freq, int volume, int pan) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
  channel->SetAttributes(freq, volume, pan);
  return Succeed();
}

BOOL Core::GetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, FALSE);
  channel->GetAttributes(freq, volume, pan);
  return Succeed();
}

DWORD Core::GetData(DWORD handle, void* buffer, DWORD flags) {
  constexpr DWORD kFailed = 0xFFFFFFFF;
  std::array<float, kFftSize> recent;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::shared_ptr<Channel> channel = Find(handle);
    if (!channel) return Fail(BASS_ERROR_HANDLE, kFailed);
    if (flags != BASS_DATA_FFT512) return Fail(BASS_ERROR_NOTAVAIL, kFailed);
    if (buffer == nullptr) return Fail(BASS_ERROR_ILLPARAM, kFailed);
    if (channel->state() != Channel::State::kPlaying) return Fail(BASS_ERROR_NOPLAY, kFailed);
    recent = channel->RecentMono();
  }
  Fft512Magnitudes(recent, static_cast<float*>(buffer));
  SetLastError(BASS_OK);
  return static_cast<DWORD>(kFftBins * sizeof(float));
}

// ---- Syncs, DSPs and effects ------------------------------------------------

HSYNC Core::SetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc, std::uintptr_t user) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, HSYNC{0});
  if ((type & 0xFFFF) != BASS_SYNC_END) return Fail(BASS_ERROR_ILLTYPE, HSYNC{0});
  if (proc == nullptr) return Fail(BASS_ERROR_ILLPARAM, HSYNC{0});
  const HSYNC sync = NextHandle(next_sync_);
  channel->AddSync(SyncEntry{sync, proc, user, (type & BASS_SYNC_ONETIME) != 0});
  sync_owner_[sync] = handle;
  SetLastError(BASS_OK);
  return sync;
}

BOOL Core::RemoveSync(DWORD handle, HSYNC sync) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel || !channel->RemoveSync(sync)) return Fail(BASS_ERROR_HANDLE, FALSE);
  sync_owner_.erase(sync);
  return Succeed();
}

HDSP Core::SetDsp(DWORD handle, DSPPROC* proc, std::uintptr_t user) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, HDSP{0});
  if (proc == nullptr) return Fail(BASS_ERROR_ILLPARAM, HDSP{0});
  const HDSP dsp = NextHandle(next_dsp_);
  channel->AddDsp(dsp, proc, user);
  dsp_owner_[dsp] = handle;
  SetLastError(BASS_OK);
  return dsp;
}

BOOL Core::RemoveDsp(DWORD handle, HDSP dsp) {
  // Holding the lock the mixer renders under: once this returns, the
  // callback is not running and never runs again.
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel || !channel->RemoveDsp(dsp)) return Fail(BASS_ERROR_HANDLE, FALSE);
  dsp_owner_.erase(dsp);
  return Succeed();
}

HFX Core::SetFx(DWORD handle, DWORD type) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel) return Fail(BASS_ERROR_HANDLE, HFX{0});
  std::unique_ptr<Effect> effect = MakeEffect(type);
  if (!effect) return Fail(BASS_ERROR_ILLTYPE, HFX{0});
  const HFX fx = NextHandle(next_fx_);
  channel->AddEffect(fx, std::move(effect));
  fx_owner_[fx] = handle;
  SetLastError(BASS_OK);
  return fx;
}

BOOL Core::RemoveFx(DWORD handle, HFX fx) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::shared_ptr<Channel> channel = Find(handle);
  if (!channel || !channel->RemoveEffect(fx)) return Fail(BASS_ERROR_HANDLE, FALSE);
  fx_owner_.erase(fx);
  return Succeed();
}

BOOL Core::FxSetParameters(HFX fx, const void* params) {
  fx_set_calls_.fetch_add(1);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto owner = fx_owner_.find(fx);
  if (owner == fx_owner_.end()) return Fail(BASS_ERROR_HANDLE, FALSE);
  if (params == nullptr) return Fail(BASS_ERROR_ILLPARAM, FALSE);
  Find(owner->second)->FindEffect(fx)->SetParameters(params);
  return Succeed();
}

BOOL Core::FxGetParameters(HFX fx, void* params) {
  fx_get_calls_.fetch_add(1);
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto owner = fx_owner_.find(fx);
  if (owner == fx_owner_.end()) return Fail(BASS_ERROR_HANDLE, FALSE);
  if (params == nullptr) return Fail(BASS_ERROR_ILLPARAM, FALSE);
  Find(owner->second)->FindEffect(fx)->GetParameters(params);
  return Succeed();
}

// ---- The mixer ----------------------------------------------------------------

namespace {

// One mixed sample to the device's 16-bit: scaled, clipped, rounded half
// away from zero. Written as selects of values (no branch), so that the
// loops around it vectorise.
inline std::int16_t ToDeviceSample(float mixed) {
  float scaled = mixed * 32768.0f;
  scaled = scaled < -32768.0f ? -32768.0f : scaled;
  scaled = 32767.0f < scaled ? 32767.0f : scaled;
  const float half = scaled >= 0.0f ? 0.5f : -0.5f;
  return static_cast<std::int16_t>(scaled + half);
}

// A channel's sample as the mixer takes it.
inline float MixValue(float sample) { return sample; }
inline float MixValue(std::int16_t sample) { return sample / 32768.0f; }

// The sample loops of the mixer, each one pass over the block that the
// compiler can vectorise. A channel's offer covers the first `taken` frames
// of the block; past them it adds nothing.
template <class Sample>
void StoreMix(float* mix, std::size_t frames, const Sample* in, std::size_t taken, float left, float right) {
  for (std::size_t i = 0; i < taken; ++i) {
    mix[2 * i] = MixValue(in[2 * i]) * left;
    mix[2 * i + 1] = MixValue(in[2 * i + 1]) * right;
  }
  std::fill(mix + 2 * taken, mix + 2 * frames, 0.0f);
}

template <class Sample>
void AddMix(float* mix, const Sample* in, std::size_t taken, float left, float right) {
  for (std::size_t i = 0; i < taken; ++i) {
    mix[2 * i] += MixValue(in[2 * i]) * left;
    mix[2 * i + 1] += MixValue(in[2 * i + 1]) * right;
  }
}

// The last channel of a block goes straight to the device's samples, on top
// of the mix of the channels before it (`mix`, or none).
template <class Sample>
void MixToDevice(std::int16_t* out, std::size_t frames, const float* mix, const Sample* in, std::size_t taken,
                 float left, float right) {
  if (mix == nullptr) {
    for (std::size_t i = 0; i < taken; ++i) {
      out[2 * i] = ToDeviceSample(MixValue(in[2 * i]) * left);
      out[2 * i + 1] = ToDeviceSample(MixValue(in[2 * i + 1]) * right);
    }
  } else {
    for (std::size_t i = 0; i < taken; ++i) {
      out[2 * i] = ToDeviceSample(mix[2 * i] + MixValue(in[2 * i]) * left);
      out[2 * i + 1] = ToDeviceSample(mix[2 * i + 1] + MixValue(in[2 * i + 1]) * right);
    }
  }
  if (mix == nullptr) {
    std::fill(out + 2 * taken, out + 2 * frames, std::int16_t{0});
  } else {
    for (std::size_t i = 2 * taken; i < 2 * frames; ++i) out[i] = ToDeviceSample(mix[i]);
  }
}

// One channel's part of the block: into the mix (first channel: stored,
// later ones: added) or, for the last channel, on to the device.
enum class MixStep { kStore, kAdd, kToDevice };

template <class Sample>
void MixOffer(MixStep step, std::int16_t* out, float* mix, bool mixed, std::size_t frames, const Sample* in,
              const Channel::Offer& offer) {
  switch (step) {
    case MixStep::kStore: return StoreMix(mix, frames, in, offer.frames, offer.left, offer.right);
    case MixStep::kAdd: return AddMix(mix, in, offer.frames, offer.left, offer.right);
    case MixStep::kToDevice:
      return MixToDevice(out, frames, mixed ? mix : nullptr, in, offer.frames, offer.left, offer.right);
  }
}

}  // namespace

void Core::Render(std::int16_t* out, std::size_t frames) {
  EnableFlushToZero();
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // Held for the block: a channel freed meanwhile (by a DSP callback) is
  // gone when the block ends, so the freeing call's caller may release
  // what the channel read from.
  playing_.clear();
  if (initialized_) {
    for (auto& [handle, channel] : channels_) {
      if (channel->state() == Channel::State::kPlaying) playing_.push_back(channel);
    }
  }
  if (playing_.size() > 1 && mix_.size() < frames * 2) mix_.resize(frames * 2);
  // The channels in turn, each right after its source ran (its DSP
  // callbacks may stop or free a later one); the last adds itself to the
  // mix on the way to the device.
  bool mixed = false;
  for (std::size_t k = 0; k < playing_.size(); ++k) {
    Channel& channel = *playing_[k];
    const int volume = channel.is_stream() ? stream_volume_ : music_volume_;
    const Channel::Offer offer = channel.Pull(frames, volume / 100.0f);
    const MixStep step = k + 1 == playing_.size() ? MixStep::kToDevice : mixed ? MixStep::kAdd : MixStep::kStore;
    if (step == MixStep::kToDevice && !mixed && offer.shorts != nullptr && offer.left == 1.0f &&
        offer.right == 1.0f) {
      // One channel at full volume, its samples untouched: they are the
      // device's samples (s / 32768 * 32768 is s again, exactly).
      std::memcpy(out, offer.shorts, offer.frames * 4);
      std::fill(out + 2 * offer.frames, out + 2 * frames, std::int16_t{0});
    } else if (offer.shorts != nullptr) {
      MixOffer(step, out, mix_.data(), mixed, frames, offer.shorts, offer);
    } else {
      MixOffer(step, out, mix_.data(), mixed, frames, offer.samples, offer);
    }
    mixed = mixed || step == MixStep::kStore;
    if (!offer.playing || !channel.Consume(offer) || !notifier_) continue;
    for (const SyncEntry& sync : channel.TakeEndSyncs()) {
      notifier_->Post(SyncCall{sync.proc, sync.handle, channel.handle(), 0, sync.user, sync.one_time});
    }
  }
  if (playing_.empty()) std::fill(out, out + 2 * frames, std::int16_t{0});
  playing_.clear();
  if (capture_) {
    captured_.insert(captured_.end(), out, out + frames * 2);
    if (captured_.size() > kMaxCapturedSamples) {
      captured_.erase(captured_.begin(),
                      captured_.begin() + static_cast<std::ptrdiff_t>(captured_.size() - kMaxCapturedSamples));
    }
  }
}

// ---- Test controls ------------------------------------------------------------

bool Core::DeviceIsSilent() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return device_ && device_->silent();
}

bool Core::WaitSyncs(DWORD timeout_ms) {
  std::shared_ptr<Notifier> notifier;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    notifier = notifier_;
  }
  return !notifier || notifier->WaitIdle(timeout_ms);
}

bool Core::WaitFeeders(DWORD timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    bool idle = true;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      for (auto& [handle, channel] : channels_) {
        if (channel->kind() != ChannelKind::kUserStream) continue;
        if (!static_cast<UserFeed*>(channel->source().get())->Idle()) idle = false;
      }
    }
    if (idle) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void Core::CaptureOutput(bool on) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  capture_ = on;
  captured_.clear();
}

DWORD Core::ReadOutput(void* buffer, DWORD bytes) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const std::size_t samples = std::min<std::size_t>(bytes / 2, captured_.size());
  auto* out = static_cast<std::int16_t*>(buffer);
  std::copy(captured_.begin(), captured_.begin() + static_cast<std::ptrdiff_t>(samples), out);
  captured_.erase(captured_.begin(), captured_.begin() + static_cast<std::ptrdiff_t>(samples));
  return static_cast<DWORD>(samples * 2);
}

}  // namespace audio

// The one audio core of the process, shared by bass.dll and basswma.dll:
// the device, the mixer, every channel and the handle tables. Each public
// method is one library call: it sets the calling thread's error code and
// returns the library's result.
//
// Threads and locks:
//  - `lifecycle_mutex_` serialises Init, Free, Start, Stop and Pause, which
//    open, start and close the device; the device is never touched while
//    `mutex_` is held (the device thread takes `mutex_` for every block).
//  - `mutex_` (recursive, so DSP callbacks may call back in) guards the
//    channels and handle tables; the mixer holds it while rendering a block,
//    so a DSP removed by another thread is not running once removal returns.
//  - Sync callbacks run on the notifier thread without `mutex_`; user-stream
//    callbacks on each stream's feeder thread without it. Freeing a stream
//    never waits for its callback; BASS_Free waits for callbacks still
//    running, so none runs after it returns.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/core/channel.h"
#include "outside/bass/core/decoder.h"
#include "outside/bass/core/notifier.h"
#include "outside/bass/core/output_device.h"

namespace audio {

class Core {
 public:
  static Core& Get();

  // Device and global.
  BOOL Init(int device, DWORD freq);
  BOOL Free();
  BOOL Start();
  BOOL Stop();
  BOOL Pause();
  void GetInfo(BASS_INFO* info);
  BOOL SetGlobalVolumes(int music, int sample, int stream);
  BOOL GetGlobalVolumes(int* music, int* sample, int* stream);

  // Creating and freeing channels.
  HSTREAM CreateFileStream(BOOL mem, const void* file, DWORD offset, DWORD length);
  HMUSIC LoadMusic(BOOL mem, const void* file, DWORD offset, DWORD length);
  HSTREAM CreateUserStream(DWORD freq, DWORD flags, STREAMPROC* proc, std::uintptr_t user);
  // A stream from a decoder made elsewhere (the WMA add-on).
  HSTREAM AddDecodedStream(std::unique_ptr<Decoder> decoder);
  BOOL FreeChannel(DWORD handle, bool music);

  // Transport and state.
  BOOL Play(DWORD handle, bool restart, bool music);
  BOOL ChannelPause(DWORD handle);
  BOOL ChannelResume(DWORD handle);
  BOOL ChannelStop(DWORD handle);
  DWORD IsActive(DWORD handle);
  DWORD GetFlags(DWORD handle);
  QWORD StreamLength(HSTREAM handle);
  DWORD MusicLength(HMUSIC handle, BOOL playlen);
  QWORD GetPosition(DWORD handle);
  BOOL SetPosition(DWORD handle, QWORD bytes);
  float Bytes2Seconds(DWORD handle, QWORD bytes);
  QWORD Seconds2Bytes(DWORD handle, float seconds);
  BOOL SetAttributes(DWORD handle, int freq, int volume, int pan);
  BOOL GetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan);
  DWORD GetData(DWORD handle, void* buffer, DWORD flags);

  // Syncs, DSPs and effects.
  HSYNC SetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, std::uintptr_t user);
  BOOL RemoveSync(DWORD handle, HSYNC sync);
  HDSP SetDsp(DWORD handle, DSPPROC* proc, std::uintptr_t user);
  BOOL RemoveDsp(DWORD handle, HDSP dsp);
  HFX SetFx(DWORD handle, DWORD type);
  BOOL RemoveFx(DWORD handle, HFX fx);
  BOOL FxSetParameters(HFX fx, const void* params);
  BOOL FxGetParameters(HFX fx, void* params);

  // Test controls.
  void UseSilentDevice(bool silent) { force_silent_.store(silent); }
  void FailInit(DWORD error) { fail_init_error_.store(error); }
  DWORD FxParameterCalls(bool set) const { return set ? fx_set_calls_.load() : fx_get_calls_.load(); }
  void ResetCounters() {
    fx_set_calls_.store(0);
    fx_get_calls_.store(0);
  }
  bool DeviceIsSilent();
  // Waits (real time) until every sync queued so far has been delivered.
  bool WaitSyncs(DWORD timeout_ms);
  // Waits (real time) until no user-stream feeder has work or a call running.
  bool WaitFeeders(DWORD timeout_ms);
  void CaptureOutput(bool on);
  DWORD ReadOutput(void* buffer, DWORD bytes);

  // The mixer: renders the next block for the device (device thread).
  void Render(std::int16_t* out, std::size_t frames);

 private:
  Core() = default;

  std::shared_ptr<Channel> Find(DWORD handle);
  HSTREAM AddChannel(ChannelKind kind, std::shared_ptr<Decoder> source);
  void ForgetHandlesOf(const Channel& channel);
  bool SyncArmed(HSYNC sync);
  DWORD NextHandle(DWORD& counter);

  std::mutex lifecycle_mutex_;
  std::recursive_mutex mutex_;

  bool initialized_ = false;
  std::uint32_t rate_ = 44100;
  std::unique_ptr<OutputDevice> device_;
  std::shared_ptr<Notifier> notifier_;
  std::map<DWORD, std::shared_ptr<Channel>> channels_;
  std::map<HSYNC, DWORD> sync_owner_;
  std::map<HDSP, DWORD> dsp_owner_;
  std::map<HFX, DWORD> fx_owner_;
  int music_volume_ = 100;
  int sample_volume_ = 100;
  int stream_volume_ = 100;

  // Handles are never reused, across Free and Init too; each kind counts in
  // its own range so a handle of one kind is never valid as another.
  DWORD next_channel_ = 0x00010000;
  DWORD next_sync_ = 0x10000000;
  DWORD next_dsp_ = 0x20000000;
  DWORD next_fx_ = 0x30000000;

  // The mixer's buffers, kept from block to block: the channels playing
  // this block, and the sum of all but the last of them.
  std::vector<std::shared_ptr<Channel>> playing_;
  std::vector<float> mix_;

  std::atomic<bool> force_silent_{false};
  std::atomic<DWORD> fail_init_error_{0};
  std::atomic<DWORD> fx_set_calls_{0};
  std::atomic<DWORD> fx_get_calls_{0};
  bool capture_ = false;
  std::deque<std::int16_t> captured_;
};

}  // namespace audio

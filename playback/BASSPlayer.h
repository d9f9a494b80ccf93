// TBASSPlayer: the program's one audio player.
//
// It holds one channel at a time, played either by the audio library (a
// file stream, a WMA stream through the WMA add-on, or tracker music) or by a
// Winamp input plug-in whose output the plug-in host (PluginCtrl) feeds into
// a user stream. It reads a file's header and tags into a TStreamInfo,
// chooses who plays the file, runs play, pause, resume, stop and seek,
// reports length and position in milliseconds, puts the effects on the
// channel (a flanger of its own, a ten-band equaliser, echo and reverb) and
// computes a 25-band spectrum every 33 ms.
//
// Everything runs on the main thread. The audio library's threads (end sync,
// flanger DSP) and the plug-in host reach the player only through messages
// posted to its hidden window.
//
// Modes (PlayerMode): a successful Open always ends in pmReady; Play, Restart
// and Resume lead to pmPlaying; Pause only acts in pmPlaying, Resume only in
// pmPaused, Stop only in pmPlaying; the end of a song gives pmStopped, from
// which Play seeks to 0 (not for plug-ins) and restarts. A failed Open that
// has already let go of the old channel leaves pmStandBy with no channel.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "classlib/Components.h"
#include "classlib/MessageHandling.h"
#include "outside/bass/bass_api.h"
#include "outside/winamp/winamp_api.h"
#include "platform/user/messages.h"

class TTimer;
class TPluginConfigForm;

// The player's own messages, on its hidden window (the plug-in host's are in
// PluginCtrl.h). The end sync carries its channel in WParam.
constexpr UINT WM_PLAYER_END_SYNC = WM_USER + 107;     // 1131
constexpr UINT WM_PLAYER_FFT_DATA = WM_USER + 108;     // 1132
constexpr UINT WM_PLAYER_PLUGIN_FIRST = WM_USER + 109;  // 1133: LParam 1 ticked, 0 not

// What the player knows of one file.
struct TStreamInfo {
  String FileName;  // without its folder
  std::int32_t FileSize = 0;
  std::int32_t SampleRate = 0;  // Hz
  std::int32_t BitRate = 0;     // kbit/s, 0 for WAV
  std::int32_t Duration = 0;    // ms
  std::uint16_t Channels = 0;   // 1 mono, 2 stereo
  String Title;
  String Artist;
  String Album;
  String Year;
  String Genre;
  std::uint8_t GenreID = 0;  // ID3v1 genre number
  std::uint8_t Track = 0;
  String Comment;
};

enum TPlayerMode : std::uint8_t { pmStandBy, pmReady, pmStopped, pmPlaying, pmPaused };
// Who can play a file: both, the audio library only, a plug-in only, nobody.
enum TSupportedBy : std::uint8_t { sbBoth, sbNative, sbPlugin, sbNone };
enum TChannelType : std::uint8_t { ctNone, ctStream, ctWMAStream, ctMusic, ctPlugin };
// Stored as bits: efFlanger 1, efEqualizer 2, efEcho 4, efReverb 8.
enum TEffect { efFlanger, efEqualizer, efEcho, efReverb };
using TEffectFlags = Set<TEffect>;

constexpr int NumFFTBands = 25;
// Spectrum levels, band 0 the lowest frequencies.
using TBandOut = std::array<std::uint16_t, NumFFTBands>;

constexpr int NumEQBands = 10;
// Equaliser gains in dB, one per band.
using TEQGains = std::array<float, NumEQBands>;
struct TEQBand {
  float CenterFreq;  // Hz
  float Bandwidth;   // semitones
};

using TNotifyPluginEvent = std::function<void(TObject* Sender, std::uint16_t Channels, std::uint32_t SampleRate)>;
using TNotifyNewFFTDataEvent = std::function<void(TObject* Sender, const TBandOut& BandOut)>;

class TBASSPlayer : public TComponent {
 public:
  // Binds bass.dll from the program folder, checks its version (1.7 or
  // higher), opens the default device, binds basswma.dll and starts the
  // plug-in host. When any of the first steps fails the player stays not
  // ready (BASSReady false) and refuses to open files.
  explicit TBASSPlayer(TComponent* AOwner);
  ~TBASSPlayer() override;

  // Opens a file for playing (mode pmReady). The old channel is let go
  // first, unless no one can play the new file at all.
  bool Open(const String& FileName);
  // Reads FileName's header and tags into Info and finds who can play it.
  // PluginNum: the last slot whose plug-in claims the extension, or -1.
  bool GetStreamInfo(const String& FileName, TStreamInfo& Info, int& PluginNum,
                     TSupportedBy& SupportedBy);

  void Play();
  void Pause();
  void Resume();
  void Stop();
  void Restart();
  void SetPaused(bool Paused);
  // Milliseconds.
  std::uint32_t GetPlayLength();
  std::uint32_t GetPosition();
  void SetPosition(std::uint32_t Position);

  // "*.wav;*.mp3;*.ogg;*.wma;", "*.wav;*.mp3;*.ogg;" without the WMA add-on,
  // empty when not ready.
  String GetNativeFileTypes() const;
  String GetPluginFileTypes() const;
  bool PluginReady() const;

  // Gains are clamped to -15..15 dB; only with the DirectX 8 effects.
  void SetEQGains(const TEQGains& Gains);
  // Stores the flags and puts each effect on or takes it off the channel.
  void SetEffects(TEffectFlags Flags);

  // The plug-in dialog, shown modally.
  void ShowPluginConfig();

  // ---- published ----
  // "1.2"; writing is ignored.
  const String& Version() const { return version_; }
  void SetVersion(const String&) {}
  // The bound bass.dll's "major.minor"; empty when it could not be bound.
  const String& BASSDLLVer() const { return bass_dll_ver_; }
  void SetBASSDLLVer(const String&) {}
  bool DX8EffectReady() const { return dx8_effect_ready_; }
  void SetDX8EffectReady(bool) {}
  // Prefer a plug-in for files both it and the audio library can play.
  bool PluginFirst = false;
  TNotifyNewFFTDataEvent OnNewFFTData;
  TNotifyPluginEvent OnPluginStartPlay;
  TNotifyEvent OnPlayEnd;

  // ---- state the program reads (only the player writes it) ----
  bool BASSReady = false;  // bass.dll bound, version accepted, device started
  bool WMAReady = false;   // basswma.dll bound
  TSupportedBy SupportedBy = sbNone;
  TStreamInfo StreamInfo;
  TEffectFlags EffectFlags;
  TPlayerMode PlayerMode = pmStandBy;

  // ---- the rest of the player's state, for inspection ----
  HWND AppWindow() const { return app_window_; }
  HWND PlayerWindow() const { return player_window_; }
  TTimer* FFTTimer() const { return fft_timer_.get(); }
  TChannelType ChannelType() const { return channel_type_; }
  // The open channel; for a plug-in its user stream, 1 while it starts and
  // 0 once it has been stopped.
  DWORD ChannelHandle() const { return channel_handle_; }
  In_Module* CurrentModule() const { return current_module_; }
  int CurrentPlugin() const { return current_plugin_; }
  bool StartWait() const { return start_wait_; }
  bool OutputStarted() const { return output_started_; }
  bool BASSLoaded() const { return bass_loaded_; }
  const BASS_INFO& DeviceInfo() const { return device_info_; }
  const String& OpenedFile() const { return opened_file_; }
  HSYNC SyncHandle() const { return sync_handle_; }
  HDSP DSPHandle() const { return dsp_handle_; }
  const std::array<HFX, NumEQBands>& EQHandles() const { return eq_handles_; }
  HFX EchoHandle() const { return echo_handle_; }
  HFX ReverbHandle() const { return reverb_handle_; }
  const TBandOut& BandOut() const { return band_out_; }
  const TEQGains& EQGains() const { return eq_gains_; }
  std::uint16_t EQBandCount() const { return eq_band_count_; }
  const std::array<TEQBand, NumEQBands>& EQBands() const { return eq_bands_; }
  TPluginConfigForm* ConfigForm() const { return config_form_; }

 private:
  bool Initialize();
  void ShowError(const String& Message) const;
  String GetVersionText() const;

  // GetStreamInfo's reader for the extension; true when it accepted the file.
  bool ReadNativeInfo(const String& Ext, const String& FileName, TStreamInfo& Info,
                      TSupportedBy& SupportedBy);
  // Asks the plug-ins; true when a plug-in alone makes the file playable.
  bool FindPlugin(const String& FileName, const String& Ext, TStreamInfo& Info, int& PluginNum,
                  TSupportedBy& SupportedBy);

  void ReleaseChannel();
  void FreeChannelByKind(TChannelType Kind, DWORD Handle);
  void ForgetChannel();
  bool StartChannel();
  bool StartPlugin();
  void StopPlugin();
  void EndPluginSongIfItEndedWhileStarting();
  void SetEndSync();
  void EnableFFTTimer();
  bool SeekPlugin(std::uint32_t Position);
  std::uint32_t BytesToMs(QWORD Bytes) const;

  void ResetFXHandles();
  bool FlangerFits() const;
  void ApplyFlanger(bool On);
  void ApplyEqualizer(bool On);
  void ApplyEcho(bool On);
  void ApplyReverb(bool On);
  void SetEQBand(int Band);
  void SpectrumStep(TObject* Sender);

  void WndProc(TMessage& Message);
  void PluginEnded(std::uint32_t Song);
  void PluginOutputStarted(const void* Record);
  void EndSyncArrived(DWORD Channel);

  String version_ = "1.2";
  String bass_dll_ver_;
  bool dx8_effect_ready_ = false;

  HWND app_window_ = nullptr;
  std::unique_ptr<TTimer> fft_timer_;
  TChannelType channel_type_ = ctNone;
  DWORD channel_handle_ = 0;
  HWND player_window_ = nullptr;
  In_Module* current_module_ = nullptr;
  bool start_wait_ = false;
  bool output_started_ = false;
  // A plug-in is starting (StartPlugin runs).
  bool starting_ = false;
  // The plug-in's end of input came in while it was starting.
  bool plugin_ended_ = false;
  // The host's serial of the plug-in song started last.
  std::uint32_t plugin_song_ = 0;
  bool bass_loaded_ = false;
  bool host_started_ = false;
  BASS_INFO device_info_{};

  BASS_FXPARAMEQ eq_param_{};
  BASS_FXECHO echo_param_{};
  BASS_FXREVERB reverb_param_{};
  HSYNC sync_handle_ = 0;
  HDSP dsp_handle_ = 0;
  std::array<HFX, NumEQBands> eq_handles_{};
  HFX echo_handle_ = 0;
  HFX reverb_handle_ = 0;
  TBandOut band_out_{};

  int current_plugin_ = -1;
  String opened_file_;
  TEQGains eq_gains_{};
  std::uint16_t eq_band_count_ = 0;
  std::array<TEQBand, NumEQBands> eq_bands_{};

  TPluginConfigForm* config_form_ = nullptr;
  struct Readers;
  std::unique_ptr<Readers> readers_;
};

// The audio library's callbacks (they run on its threads).
void EndSyncProc(HSYNC Handle, DWORD Channel, DWORD Data, std::uintptr_t User);
void FlangerDSP(HDSP Handle, DWORD Channel, void* Buffer, DWORD Length, std::uintptr_t User);

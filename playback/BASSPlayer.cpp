#include "playback/BASSPlayer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "classlib/MathRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/Timers.h"
#include "platform/core/clock.h"
#include "platform/dlg/message_box.h"
#include "platform/user/user.h"
#include "playback/PluginConfig.h"
#include "playback/PluginCtrl.h"
#include "playback/RT_BASS.h"
#include "playback/RT_BASSWMA.h"
#include "tags/MPEGaudio.h"
#include "tags/OggVorbis.h"
#include "tags/WAVfile.h"
#include "tags/WMAfile.h"

namespace {

constexpr UINT kFFTIntervalMs = 33;
// A plug-in has started once its output time passes this.
constexpr int kPluginStartedMs = 200;
constexpr int kPluginStartTries = 60;
constexpr DWORD kPluginStartSleepMs = 50;
constexpr int kPluginSeekPasses = 51;
constexpr DWORD kPluginSeekSleepMs = 40;
constexpr DWORD kPlayOutSleepMs = 50;
// The play-out wait after a plug-in's end lasts at most the buffered time
// plus this.
constexpr std::uint64_t kPlayOutSlackMs = 2000;
// Plug-in titles are cut to this many characters.
constexpr std::size_t kPluginTitleChars = 256;

constexpr TEQBand kEQBands[NumEQBands] = {{80, 4},   {170, 4},  {310, 4},   {600, 4},   {1000, 5},
                                          {3000, 6}, {6000, 5}, {10000, 4}, {12000, 3}, {14000, 3}};

// The last FFT bin of each spectrum band; band 0 is bin 1 alone.
constexpr int kBandLastBin[NumFFTBands] = {1,  2,  3,  6,  12, 18, 24, 30,  36,  42,  48,  54, 60,
                                           66, 72, 78, 84, 90, 96, 102, 108, 120, 132, 156, 180};

// ---------------------------------------------------------------------------
// The flanger: one delay line for the whole program
// ---------------------------------------------------------------------------

constexpr int kFlangerLength = 350;

struct FlangerState {
  std::int16_t line[kFlangerLength][2];
  int index;
  float sweep;  // a fractional delay in entries
  float step;
};
FlangerState Flanger = {};

void ResetFlanger() {
  for (auto& entry : Flanger.line) entry[0] = entry[1] = 0;
  Flanger.index = 0;
  Flanger.sweep = 175.0f;
  Flanger.step = 0.002f;
}

std::int16_t Clip(int value) { return static_cast<std::int16_t>(std::clamp(value, -32768, 32767)); }

// One channel of one frame: mixes in the delayed sample and stores the dry one.
std::int16_t FlangeSample(int channel, int p1, int p2, float f, std::int16_t dry) {
  const int wet = static_cast<int>((1.0f - f) * Flanger.line[p1][channel] + f * Flanger.line[p2][channel]);
  Flanger.line[Flanger.index][channel] = dry;
  return Clip(dry + wet);
}

String UpperExt(const String& FileName) { return UpperCase(ExtractFileExt(FileName)); }

std::int32_t SecondsToMs(double seconds) { return static_cast<std::int32_t>(Round(seconds * 1000.0)); }

}  // namespace

// The audio file readers, made once the player is ready.
struct TBASSPlayer::Readers {
  TMPEGaudio MPEGReader;
  TOggVorbis OggReader;
  TWMAfile WMAReader;
  TWAVfile WAVReader;
};

// ---------------------------------------------------------------------------
// Creation and destruction
// ---------------------------------------------------------------------------

TBASSPlayer::TBASSPlayer(TComponent* AOwner) : TComponent(AOwner) {
  app_window_ = ApplicationWindow();
  player_window_ = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
  SetPlayerTargetWindow(player_window_);
  fft_timer_.reset(new TTimer(nullptr));
  fft_timer_->SetEnabled(false);
  fft_timer_->SetInterval(kFFTIntervalMs);
  fft_timer_->SetOnTimer([this](TObject* Sender) { SpectrumStep(Sender); });
  Initialize();
}

bool TBASSPlayer::Initialize() {
  bass_loaded_ = Load_BASSDLL(GetProgramDir(), "bass.dll");
  if (!bass_loaded_) {
    bass_dll_ver_.clear();
    return false;
  }
  // Minor number in the high word, major in the low word: at least 1.7.
  if (RT_BASS::BASS_GetVersion() < BASS_VERSION_1_7) {
    ShowError("BASS version is not 1.7 or higher");
    return false;
  }
  if (!RT_BASS::BASS_Init(BASS_DEVICE_DEFAULT, 44100, 0, app_window_)) {
    ShowError("Can't initialize device");
    return false;
  }
  if (!RT_BASS::BASS_Start()) return false;

  BASSReady = true;
  device_info_.size = sizeof(BASS_INFO);
  RT_BASS::BASS_GetInfo(&device_info_);
  dx8_effect_ready_ = device_info_.dsver >= 8;
  if (!dx8_effect_ready_) {
    MessageBox(app_window_, "DirectX Ver 8 are not installed.\r\nSound effects except flanger are disabled.",
               "Warning", MB_OK | MB_ICONWARNING);
  }

  eq_band_count_ = NumEQBands;
  for (int i = 0; i < NumEQBands; ++i) {
    eq_gains_[i] = 0.0f;
    eq_bands_[i] = kEQBands[i];
  }
  bass_dll_ver_ = GetVersionText();
  WMAReady = Load_BASSWMADLL(GetProgramDir(), "basswma.dll");
  InitPluginCtrl();
  host_started_ = true;
  readers_ = std::make_unique<Readers>();
  config_form_ = new TPluginConfigForm(this);
  return true;
}

TBASSPlayer::~TBASSPlayer() {
  if (channel_type_ == ctPlugin && channel_handle_ != 0) {
    current_module_->Stop();
    channel_handle_ = 0;
  } else if (PlayerMode == pmPlaying) {
    Stop();
  }
  fft_timer_.reset();
  readers_.reset();
  // The plug-ins close their output through the audio library as they quit:
  // the host goes while the library is still bound.
  if (host_started_) QuitPluginCtrl();
  SetPlayerTargetWindow(nullptr);
  if (bass_loaded_) {
    RT_BASS::BASS_Free();
    Unload_BASSDLL();
  }
  if (WMAReady) Unload_BASSWMADLL();
  DeallocateHWnd(player_window_);
  // The dialog exists only when the player became ready.
  if (config_form_ != nullptr) {
    SetConfigPlayerWindow(nullptr);
    delete config_form_;
  }
}

void TBASSPlayer::ShowError(const String& Message) const {
  const String text =
      Message + "\r\n" + "(error code: " + IntToStr(static_cast<std::int64_t>(RT_BASS::BASS_ErrorGetCode())) + ")";
  MessageBox(app_window_, text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

String TBASSPlayer::GetVersionText() const {
  const DWORD version = RT_BASS::BASS_GetVersion();
  return IntToStr(LOWORD(version)) + "." + IntToStr(HIWORD(version));
}

String TBASSPlayer::GetNativeFileTypes() const {
  if (BASSReady && WMAReady) return "*.wav;*.mp3;*.ogg;*.wma;";
  if (BASSReady) return "*.wav;*.mp3;*.ogg;";
  return "";
}

String TBASSPlayer::GetPluginFileTypes() const { return PluginFileTypes(); }

bool TBASSPlayer::PluginReady() const { return IsOutputReady(); }

// ---------------------------------------------------------------------------
// Stream information
// ---------------------------------------------------------------------------

bool TBASSPlayer::GetStreamInfo(const String& FileName, TStreamInfo& Info, int& PluginNum,
                                TSupportedBy& SupportedBy) {
  // FileSize stays as the caller had it unless a reader accepts the file.
  Info.FileName.clear();
  Info.Title.clear();
  Info.Artist.clear();
  Info.Album.clear();
  Info.Year.clear();
  Info.Genre.clear();
  Info.Comment.clear();
  Info.SampleRate = 0;
  Info.BitRate = 0;
  Info.Duration = 0;
  Info.GenreID = 0;
  Info.Track = 0;
  Info.Channels = 0;
  Info.FileName = ExtractFileName(FileName);
  SupportedBy = sbNone;
  PluginNum = -1;

  const String ext = UpperExt(FileName);
  bool result = readers_ != nullptr && ReadNativeInfo(ext, FileName, Info, SupportedBy);
  // Plug-ins are asked whether or not a reader took the file.
  if (FindPlugin(FileName, ext, Info, PluginNum, SupportedBy)) result = true;
  return result;
}

namespace {

// The texts and track number a reader found, in the shape every reader
// hands them over.
struct TReaderTags {
  String Title, Artist, Album, Year, Genre, Comment;
  std::int64_t Track = 0;
};

void CopyTags(TStreamInfo& Info, const TReaderTags& Tags) {
  Info.Title = Tags.Title;
  Info.Artist = Tags.Artist;
  Info.Album = Tags.Album;
  Info.Year = Tags.Year;
  Info.Genre = Tags.Genre;
  Info.Comment = Tags.Comment;
  // The record keeps the low 8 bits of the reader's number.
  Info.Track = static_cast<std::uint8_t>(Tags.Track & 0xFF);
}

}  // namespace

bool TBASSPlayer::ReadNativeInfo(const String& Ext, const String& FileName, TStreamInfo& Info,
                                 TSupportedBy& SupportedBy) {
  if (Ext == ".WAV") {
    TWAVfile& wav = readers_->WAVReader;
    if (!wav.ReadFromFile(FileName) || !wav.Valid) return false;
    // A streamed file gives 0xFFFFFFFF + 8: clamp, never wrap.
    Info.FileSize = static_cast<std::int32_t>(
        std::min<std::int64_t>(wav.FileSize, std::numeric_limits<std::int32_t>::max()));
    Info.SampleRate = static_cast<std::int32_t>(wav.SampleRate);
    Info.Channels = wav.ChannelModeID;
    Info.Duration = SecondsToMs(wav.GetDuration());
  } else if (Ext == ".MP3") {
    TMPEGaudio& mpeg = readers_->MPEGReader;
    if (!mpeg.ReadFromFile(FileName) || !mpeg.GetValid()) return false;
    Info.FileSize = mpeg.FileLength;
    Info.SampleRate = mpeg.GetSampleRate();
    Info.BitRate = mpeg.GetBitRate();
    Info.Duration = SecondsToMs(mpeg.GetDuration());
    if (mpeg.ID3v1.Exists) {
      const TID3v1& tag = mpeg.ID3v1;
      CopyTags(Info, {tag.Title, tag.Artist, tag.Album, tag.Year, tag.GetGenre(), tag.Comment, tag.Track});
      Info.GenreID = tag.GenreID;
    } else if (mpeg.ID3v2.Exists) {
      const TID3v2& tag = mpeg.ID3v2;
      CopyTags(Info, {tag.Title, tag.Artist, tag.Album, tag.Year, tag.Genre, tag.Comment, tag.Track});
    }
    Info.Channels = mpeg.GetChannelMode() == "Mono" ? 1 : 2;
  } else if (Ext == ".OGG") {
    TOggVorbis& ogg = readers_->OggReader;
    if (!ogg.ReadFromFile(FileName) || !ogg.GetValid()) return false;
    Info.FileSize = ogg.FileSize;
    Info.SampleRate = static_cast<std::int32_t>(ogg.SampleRate);
    Info.BitRate = ogg.GetBitRate();
    Info.Duration = SecondsToMs(ogg.GetDuration());
    CopyTags(Info, {ogg.Title, ogg.Artist, ogg.Album, ogg.Date, ogg.Genre, ogg.Comment, ogg.Track});
    Info.Channels = ogg.ChannelModeID;
  } else if (Ext == ".WMA") {
    TWMAfile& wma = readers_->WMAReader;
    if (!wma.ReadFromFile(FileName) || !wma.Valid) return false;
    Info.FileSize = wma.FileSize;
    Info.SampleRate = wma.SampleRate;
    Info.BitRate = wma.BitRate;
    Info.Channels = wma.ChannelModeID;
    Info.Duration = SecondsToMs(wma.Duration);
    CopyTags(Info, {wma.Title, wma.Artist, wma.Album, wma.Year, wma.Genre, wma.Comment, wma.Track});
    if (WMAReady) SupportedBy = sbNative;
    return true;
  } else {
    return false;
  }
  if (BASSReady) SupportedBy = sbNative;
  return true;
}

bool TBASSPlayer::FindPlugin(const String& FileName, const String& Ext, TStreamInfo& Info,
                             int& PluginNum, TSupportedBy& SupportedBy) {
  // The first three letters after the dot: ".MIDI" matches a list with MID.
  const String key = Copy(Ext, 2, 3);
  if (key.empty()) return false;
  // Plug-ins are not told the buffer's size: give them plenty.
  std::vector<char> title(GETFILEINFO_TITLE_LENGTH + 1, '\0');
  int length = 0;
  bool found = false;
  for (int slot = 0; slot < MaxPluginNum && !found; ++slot) {
    In_Module* module = GetPluginModule(slot);
    if (module == nullptr) continue;
    TPluginInfo plugin;
    GetPluginInfo(slot, plugin);
    if (UpperCase(plugin.FileExtensions).find(key) == String::npos) continue;
    PluginNum = slot;
    const String file = FileName;
    std::fill(title.begin(), title.end(), '\0');
    length = 0;
    module->GetFileInfo(file.c_str(), title.data(), &length);
    title.back() = '\0';
    found = length > 0;
  }
  if (!found) return false;
  // The reader's values stand when the audio library can play the file too.
  if (SupportedBy == sbNative) {
    SupportedBy = sbBoth;
    return false;
  }
  if (BASSReady) SupportedBy = sbPlugin;
  Info.Title = String(title.data()).substr(0, kPluginTitleChars);
  Info.Duration = length;
  return true;
}

// ---------------------------------------------------------------------------
// Opening
// ---------------------------------------------------------------------------

bool TBASSPlayer::Open(const String& FileName) {
  if (!BASSReady) {
    ApplicationMessageBox("Player is not ready !", "Confirm", MB_OK);
    return false;
  }
  TStreamInfo info;
  int plugin_num = -1;
  TSupportedBy supported_by = sbNone;
  if (!GetStreamInfo(FileName, info, plugin_num, supported_by)) {
    ShowError("Invalid stream file(" + FileName + ") !");
    return false;
  }

  ReleaseChannel();
  if (supported_by == sbPlugin || (supported_by == sbBoth && PluginFirst)) {
    // The plug-in makes its channel when it plays.
    channel_type_ = ctPlugin;
    current_plugin_ = plugin_num;
    current_module_ = GetPluginModule(plugin_num);
    SetCurrentPlugin(plugin_num);
  } else {
    TChannelType kind = ctStream;
    DWORD handle = RT_BASS::BASS_StreamCreateFile(FALSE, FileName.c_str(), 0, 0, 0);
    if (handle == 0 && WMAReady) {
      kind = ctWMAStream;
      handle = RT_BASSWMA::BASS_WMA_StreamCreateFile(FALSE, FileName.c_str(), 0, 0, 0);
    }
    if (handle == 0) {
      kind = ctMusic;
      handle = RT_BASS::BASS_MusicLoad(FALSE, FileName.c_str(), 0, 0, 0);
    }
    if (handle == 0) {
      ForgetChannel();
      ShowError("Can't play the file");
      return false;
    }
    if (RT_BASS::BASS_ChannelGetFlags(handle) & BASS_SAMPLE_8BITS) {
      FreeChannelByKind(kind, handle);
      ForgetChannel();
      ShowError("Sound card does not support 16-bit sources.");
      return false;
    }
    channel_type_ = kind;
    channel_handle_ = handle;
  }

  ResetFXHandles();
  if (channel_type_ != ctPlugin) SetEffects(EffectFlags);
  opened_file_ = FileName;
  StreamInfo = info;
  SupportedBy = supported_by;
  PlayerMode = pmReady;
  return true;
}

void TBASSPlayer::FreeChannelByKind(TChannelType Kind, DWORD Handle) {
  switch (Kind) {
    case ctStream:
      RT_BASS::BASS_StreamFree(Handle);
      break;
    case ctWMAStream:
      RT_BASSWMA::BASS_WMA_StreamFree(Handle);
      break;
    case ctMusic:
      RT_BASS::BASS_MusicFree(Handle);
      break;
    case ctPlugin:
    case ctNone:
      break;
  }
}

void TBASSPlayer::ReleaseChannel() {
  if (channel_type_ == ctPlugin) {
    if (channel_handle_ != 0) StopPlugin();
  } else {
    FreeChannelByKind(channel_type_, channel_handle_);
  }
  // Whatever the kind, the handle is gone now: nothing may stop it again.
  channel_handle_ = 0;
  sync_handle_ = 0;
}

// No channel any more: back to the state after creation.
void TBASSPlayer::ForgetChannel() {
  channel_type_ = ctNone;
  channel_handle_ = 0;
  sync_handle_ = 0;
  ResetFXHandles();
  fft_timer_->SetEnabled(false);
  opened_file_.clear();
  StreamInfo = TStreamInfo{};
  SupportedBy = sbNone;
  PlayerMode = pmStandBy;
}

// ---------------------------------------------------------------------------
// Transport
// ---------------------------------------------------------------------------

void TBASSPlayer::Play() {
  if (start_wait_ || channel_type_ == ctNone || PlayerMode == pmPlaying) return;
  if (PlayerMode == pmPaused) {
    Resume();
    return;
  }
  if (PlayerMode == pmStopped) {
    if (channel_type_ != ctPlugin) SetPosition(0);
    Restart();
    return;
  }
  if (!StartChannel()) return;
  SetEndSync();
  PlayerMode = pmPlaying;
  if (channel_type_ != ctPlugin) EnableFFTTimer();
  EndPluginSongIfItEndedWhileStarting();
}

void TBASSPlayer::Restart() {
  if (PlayerMode != pmStopped || start_wait_) return;
  // The channel keeps the end sync that Play set.
  if (!StartChannel()) return;
  PlayerMode = pmPlaying;
  if (channel_type_ != ctPlugin) EnableFFTTimer();
  EndPluginSongIfItEndedWhileStarting();
}

void TBASSPlayer::EndPluginSongIfItEndedWhileStarting() {
  if (channel_type_ != ctPlugin || !plugin_ended_) return;
  plugin_ended_ = false;
  PluginEnded(plugin_song_);
}

bool TBASSPlayer::StartChannel() {
  switch (channel_type_) {
    case ctMusic:
      return RT_BASS::BASS_MusicPlay(channel_handle_) != FALSE;
    case ctStream:
      return RT_BASS::BASS_StreamPlay(channel_handle_, FALSE, 0) != FALSE;
    case ctWMAStream:
      return RT_BASSWMA::BASS_WMA_StreamPlay(channel_handle_, FALSE, 0) != FALSE;
    case ctPlugin:
      return StartPlugin();
    case ctNone:
      break;
  }
  return false;
}

void TBASSPlayer::SetEndSync() {
  const auto window = reinterpret_cast<std::uintptr_t>(player_window_);
  if (channel_type_ == ctWMAStream) {
    sync_handle_ = RT_BASSWMA::BASS_WMA_ChannelSetSync(channel_handle_, BASS_SYNC_END, 0, &EndSyncProc, window);
  } else if (channel_type_ == ctStream || channel_type_ == ctMusic) {
    sync_handle_ = RT_BASS::BASS_ChannelSetSync(channel_handle_, BASS_SYNC_END, 0, &EndSyncProc, window);
  }
}

bool TBASSPlayer::StartPlugin() {
  start_wait_ = true;
  output_started_ = false;
  plugin_ended_ = false;
  starting_ = true;
  // Stop, Open and Destroy see an active plug-in before its stream arrives.
  channel_handle_ = 1;
  plugin_song_ = BeginPluginSong();
  const String file = opened_file_;
  current_module_->Play(file.c_str());

  bool started = false;
  for (int tries = 0; tries < kPluginStartTries; ++tries) {
    if (current_module_->GetOutputTime() > kPluginStartedMs) {
      started = true;
      break;
    }
    if (ProcessPendingMessages()) break;
    // Stopped or replaced while the messages were handled.
    if (channel_type_ != ctPlugin || channel_handle_ == 0) break;
    // The whole song was shorter than a start takes: it counts as started
    // when its output did.
    if (plugin_ended_) {
      started = output_started_;
      break;
    }
    Sleep(kPluginStartSleepMs);
  }
  starting_ = false;
  start_wait_ = false;
  if (started || channel_type_ != ctPlugin || channel_handle_ == 0) return started;
  // A plug-in that did not get going is stopped now, so that its late
  // output cannot start a song nobody is waiting for.
  StopPlugin();
  if (plugin_ended_) {
    // Its input ended without a sound: that is the end of its song.
    plugin_ended_ = false;
    if (OnPlayEnd) OnPlayEnd(this);
  }
  return false;
}

void TBASSPlayer::StopPlugin() {
  current_module_->Stop();
  channel_handle_ = 0;
  ResetFXHandles();
}

void TBASSPlayer::Pause() {
  if (PlayerMode != pmPlaying) return;
  if (channel_type_ == ctPlugin) {
    current_module_->Pause();
  } else {
    RT_BASS::BASS_ChannelPause(channel_handle_);
  }
  PlayerMode = pmPaused;
}

void TBASSPlayer::Resume() {
  if (PlayerMode != pmPaused) return;
  if (channel_type_ == ctPlugin) {
    current_module_->UnPause();
  } else {
    RT_BASS::BASS_ChannelResume(channel_handle_);
  }
  PlayerMode = pmPlaying;
  if (channel_type_ != ctPlugin || output_started_) EnableFFTTimer();
}

void TBASSPlayer::SetPaused(bool Paused) {
  if (Paused) {
    Pause();
  } else {
    Resume();
  }
}

void TBASSPlayer::Stop() {
  // A paused channel is not stopped.
  if (PlayerMode != pmPlaying) return;
  if (channel_type_ == ctPlugin) {
    if (channel_handle_ != 0) StopPlugin();
  } else {
    RT_BASS::BASS_ChannelStop(channel_handle_);
  }
  PlayerMode = pmStopped;
}

void TBASSPlayer::EnableFFTTimer() {
  if (OnNewFFTData) fft_timer_->SetEnabled(true);
}

// ---------------------------------------------------------------------------
// Length and position
// ---------------------------------------------------------------------------

std::uint32_t TBASSPlayer::BytesToMs(QWORD Bytes) const {
  // The seconds are a 32-bit float before they become milliseconds.
  const float seconds = RT_BASS::BASS_ChannelBytes2Seconds(channel_handle_, Bytes);
  return static_cast<std::uint32_t>(Round(1000.0 * static_cast<double>(seconds)));
}

std::uint32_t TBASSPlayer::GetPlayLength() {
  QWORD bytes = 0;
  switch (channel_type_) {
    case ctNone:
      return 0;
    case ctPlugin:
      return static_cast<std::uint32_t>(StreamInfo.Duration);
    case ctStream:
      bytes = RT_BASS::BASS_StreamGetLength(channel_handle_);
      break;
    case ctWMAStream:
      bytes = RT_BASSWMA::BASS_WMA_StreamGetLength(channel_handle_);
      break;
    case ctMusic: {
      const auto length = static_cast<std::int32_t>(RT_BASS::BASS_MusicGetLength(channel_handle_, TRUE));
      bytes = length < 0 ? 0 : static_cast<QWORD>(length);
      break;
    }
  }
  if (static_cast<std::int64_t>(bytes) < 0) bytes = 0;
  return BytesToMs(bytes);
}

std::uint32_t TBASSPlayer::GetPosition() {
  QWORD bytes = 0;
  switch (channel_type_) {
    case ctNone:
      return 0;
    case ctPlugin:
      if (PlayerMode == pmReady) return 0;
      return static_cast<std::uint32_t>(GetPluginOutputTime(output_started_));
    case ctStream:
    case ctMusic:
      bytes = RT_BASS::BASS_ChannelGetPosition(channel_handle_);
      break;
    case ctWMAStream:
      bytes = RT_BASSWMA::BASS_WMA_ChannelGetPosition(channel_handle_);
      break;
  }
  if (static_cast<std::int64_t>(bytes) < 0) bytes = 0;
  return BytesToMs(bytes);
}

void TBASSPlayer::SetPosition(std::uint32_t Position) {
  if (channel_type_ == ctNone || start_wait_) return;
  if (Position > static_cast<std::uint32_t>(StreamInfo.Duration)) return;
  const float seconds = static_cast<float>(Position / 1000.0);
  switch (channel_type_) {
    case ctStream:
      RT_BASS::BASS_ChannelSetPosition(channel_handle_,
                                       RT_BASS::BASS_ChannelSeconds2Bytes(channel_handle_, seconds));
      break;
    case ctWMAStream:
      RT_BASSWMA::BASS_WMA_ChannelSetPosition(channel_handle_,
                                              RT_BASS::BASS_ChannelSeconds2Bytes(channel_handle_, seconds));
      break;
    case ctPlugin:
      SeekPlugin(Position);
      break;
    case ctMusic:  // tracker music is not seekable
    case ctNone:
      break;
  }
}

bool TBASSPlayer::SeekPlugin(std::uint32_t Position) {
  if (PlayerMode == pmPlaying && output_started_) start_wait_ = true;
  // A flush while paused is honoured for this seek only.
  SetSeekRequested();
  current_module_->SetOutputTime(static_cast<int>(Position));
  bool restarted = false;
  for (int pass = 0; PlayerMode == pmPlaying; ++pass) {
    // The output's new start (WM_PLUGIN_START_PLAY) clears start_wait_.
    if (!start_wait_) {
      EnableFFTTimer();
      restarted = true;
      break;
    }
    if (pass >= kPluginSeekPasses || ProcessPendingMessages()) break;
    Sleep(kPluginSeekSleepMs);
  }
  start_wait_ = false;
  return restarted;
}

// ---------------------------------------------------------------------------
// The hidden window
// ---------------------------------------------------------------------------

void TBASSPlayer::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_QUERYENDSESSION:
      Message.Result = 1;
      return;
    case WM_WA_PLUGIN_END:
      PluginEnded(static_cast<std::uint32_t>(Message.WParam));
      return;
    case WM_PLUGIN_START_PLAY:
      PluginOutputStarted(reinterpret_cast<const void*>(Message.LParam));
      return;
    case WM_PLUGIN_CHANNEL:
      // Only a plug-in that is starting or playing takes a stream.
      if (channel_type_ == ctPlugin && channel_handle_ != 0) channel_handle_ = static_cast<DWORD>(Message.WParam);
      return;
    case WM_PLAYER_END_SYNC:
      EndSyncArrived(static_cast<DWORD>(Message.WParam));
      return;
    case WM_PLAYER_FFT_DATA:
      if (OnNewFFTData) OnNewFFTData(this, band_out_);
      return;
    case WM_PLAYER_PLUGIN_FIRST:
      PluginFirst = Message.LParam != 0;
      return;
    default:
      Message.Result = DefWindowProc(player_window_, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TBASSPlayer::PluginEnded(std::uint32_t Song) {
  // The end of a song this player no longer plays is old news.
  if (channel_type_ != ctPlugin || channel_handle_ == 0 || Song != plugin_song_) return;
  // A seek since the end was relayed made the plug-in decode again: it
  // ends again later.
  if (!PluginInputEnded()) return;
  // While the plug-in starts, its end waits until the start is over.
  if (starting_) {
    plugin_ended_ = true;
    return;
  }
  start_wait_ = false;
  // The plug-in may have closed its output already: then there is nothing
  // left to play out.
  const DWORD stream = channel_handle_;
  if (output_started_) {
    // Let what is buffered play out, but not for ever.
    const std::uint64_t deadline =
        GetTickCount64() + static_cast<std::uint64_t>(GetPluginBufferedTime()) + kPlayOutSlackMs;
    while (channel_handle_ == stream && PluginInputEnded() &&
           RT_BASS::BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING && GetTickCount64() < deadline) {
      if (ProcessPendingMessages()) break;
      Sleep(kPlayOutSleepMs);
    }
    // Something else took the channel over while the messages were
    // handled, or a seek made the plug-in go on.
    if (channel_handle_ != stream || !PluginInputEnded()) return;
  }
  Stop();
  if (OnPlayEnd) OnPlayEnd(this);
}

void TBASSPlayer::PluginOutputStarted(const void* Record) {
  if (channel_type_ != ctPlugin || channel_handle_ == 0) return;
  start_wait_ = false;
  output_started_ = true;
  if (const auto* start = static_cast<const TStartRecord*>(Record)) {
    StreamInfo.Channels = start->NumChannels;
    StreamInfo.SampleRate = static_cast<std::int32_t>(start->SampleRate);
  }
  if (OnPluginStartPlay) {
    OnPluginStartPlay(this, StreamInfo.Channels, static_cast<std::uint32_t>(StreamInfo.SampleRate));
  }
  EnableFFTTimer();
  SetEffects(EffectFlags);
}

void TBASSPlayer::EndSyncArrived(DWORD Channel) {
  if (channel_type_ == ctNone || channel_type_ == ctPlugin || Channel != channel_handle_) return;
  PlayerMode = pmStopped;
  if (OnPlayEnd) OnPlayEnd(this);
}

void EndSyncProc(HSYNC, DWORD Channel, DWORD, std::uintptr_t User) {
  PostMessage(reinterpret_cast<HWND>(User), WM_PLAYER_END_SYNC, Channel, 0);
}

// ---------------------------------------------------------------------------
// Effects
// ---------------------------------------------------------------------------

void TBASSPlayer::ResetFXHandles() {
  dsp_handle_ = 0;
  eq_handles_.fill(0);
  echo_handle_ = 0;
  reverb_handle_ = 0;
}

void TBASSPlayer::SetEffects(TEffectFlags Flags) {
  EffectFlags = Flags;
  if (channel_type_ == ctNone) return;
  // A plug-in's stream gets its effects once its output has started.
  if (channel_type_ == ctPlugin && channel_handle_ <= 1) return;
  ApplyFlanger(Flags.Contains(efFlanger));
  if (!dx8_effect_ready_) return;
  ApplyEqualizer(Flags.Contains(efEqualizer));
  ApplyEcho(Flags.Contains(efEcho));
  ApplyReverb(Flags.Contains(efReverb));
}

// The flanger works on whole frames of 16-bit stereo only.
bool TBASSPlayer::FlangerFits() const {
  return (RT_BASS::BASS_ChannelGetFlags(channel_handle_) & (BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO)) == 0;
}

void TBASSPlayer::ApplyFlanger(bool On) {
  if (On && dsp_handle_ == 0) {
    if (!FlangerFits()) return;
    ResetFlanger();
    dsp_handle_ = RT_BASS::BASS_ChannelSetDSP(channel_handle_, &FlangerDSP, 0);
  } else if (!On && dsp_handle_ != 0) {
    if (RT_BASS::BASS_ChannelRemoveDSP(channel_handle_, dsp_handle_)) dsp_handle_ = 0;
  }
}

void TBASSPlayer::SetEQBand(int Band) {
  eq_param_.fCenter = eq_bands_[Band].CenterFreq;
  eq_param_.fBandwidth = eq_bands_[Band].Bandwidth;
  eq_param_.fGain = eq_gains_[Band];
  RT_BASS::BASS_FXSetParameters(eq_handles_[Band], &eq_param_);
}

void TBASSPlayer::ApplyEqualizer(bool On) {
  if (On) {
    for (int i = 0; i < eq_band_count_; ++i) {
      if (eq_handles_[i] == 0) eq_handles_[i] = RT_BASS::BASS_ChannelSetFX(channel_handle_, BASS_FX_PARAMEQ);
      if (eq_handles_[i] != 0) SetEQBand(i);
    }
    return;
  }
  for (HFX& handle : eq_handles_) {
    if (handle != 0 && RT_BASS::BASS_ChannelRemoveFX(channel_handle_, handle)) handle = 0;
  }
}

void TBASSPlayer::ApplyEcho(bool On) {
  if (On) {
    if (echo_handle_ == 0) echo_handle_ = RT_BASS::BASS_ChannelSetFX(channel_handle_, BASS_FX_ECHO);
    if (echo_handle_ != 0 && RT_BASS::BASS_FXGetParameters(echo_handle_, &echo_param_)) {
      echo_param_.fWetDryMix = 30;
      echo_param_.fFeedback = 30;
      RT_BASS::BASS_FXSetParameters(echo_handle_, &echo_param_);
    }
  } else if (echo_handle_ != 0 && RT_BASS::BASS_ChannelRemoveFX(channel_handle_, echo_handle_)) {
    echo_handle_ = 0;
  }
}

void TBASSPlayer::ApplyReverb(bool On) {
  if (On) {
    if (reverb_handle_ == 0) reverb_handle_ = RT_BASS::BASS_ChannelSetFX(channel_handle_, BASS_FX_REVERB);
    if (reverb_handle_ != 0 && RT_BASS::BASS_FXGetParameters(reverb_handle_, &reverb_param_)) {
      reverb_param_.fInGain = 0;
      reverb_param_.fReverbMix = 0;
      reverb_param_.fReverbTime = 1000;
      reverb_param_.fHighFreqRTRatio = 0.1f;
      RT_BASS::BASS_FXSetParameters(reverb_handle_, &reverb_param_);
    }
  } else if (reverb_handle_ != 0 && RT_BASS::BASS_ChannelRemoveFX(channel_handle_, reverb_handle_)) {
    reverb_handle_ = 0;
  }
}

void TBASSPlayer::SetEQGains(const TEQGains& Gains) {
  if (!dx8_effect_ready_) return;
  for (int i = 0; i < NumEQBands; ++i) {
    eq_gains_[i] = std::clamp(Gains[i], -15.0f, 15.0f);
    if (!EffectFlags.Contains(efEqualizer) || eq_handles_[i] == 0) continue;
    if (!RT_BASS::BASS_FXGetParameters(eq_handles_[i], &eq_param_)) continue;
    if (std::fabs(eq_param_.fGain - eq_gains_[i]) >= 0.001f) SetEQBand(i);
  }
}

void FlangerDSP(HDSP, DWORD, void* Buffer, DWORD Length, std::uintptr_t) {
  auto* frame = static_cast<std::int16_t*>(Buffer);
  // Whole 16-bit stereo frames only: a trailing part of a frame is left alone.
  for (DWORD frames = Length / 4; frames > 0; --frames, frame += 2) {
    const int whole = static_cast<int>(Flanger.sweep);
    const int p1 = (Flanger.index + whole) % kFlangerLength;
    const int p2 = (p1 + 1) % kFlangerLength;
    const float f = Flanger.sweep - static_cast<float>(whole);
    frame[0] = FlangeSample(0, p1, p2, f, frame[0]);
    frame[1] = FlangeSample(1, p1, p2, f, frame[1]);
    Flanger.index = (Flanger.index + 1) % kFlangerLength;
    Flanger.sweep += Flanger.step;
    if (Flanger.sweep < 0.0f || Flanger.sweep > static_cast<float>(kFlangerLength)) Flanger.step = -Flanger.step;
  }
}

// ---------------------------------------------------------------------------
// Spectrum
// ---------------------------------------------------------------------------

void TBASSPlayer::SpectrumStep(TObject*) {
  if (RT_BASS::BASS_ChannelIsActive(channel_handle_) != BASS_ACTIVE_PLAYING) {
    fft_timer_->SetEnabled(false);
    return;
  }
  float fft[256];
  if (RT_BASS::BASS_ChannelGetData(channel_handle_, fft, BASS_DATA_FFT512) == ~DWORD{0}) {
    band_out_.fill(0);
    return;
  }
  int bin = 1;
  for (int band = 0; band < NumFFTBands; ++band) {
    float peak = 0.0f;
    for (; bin <= kBandLastBin[band]; ++bin) peak = std::max(peak, fft[bin]);
    const auto level = static_cast<std::uint16_t>(Round((band * 0.15 + 1.0) * peak * 80.0));
    std::uint16_t& shown = band_out_[band];
    // Rises at once, falls by 2 a tick.
    shown = shown < level ? level : (shown < 2 ? 0 : static_cast<std::uint16_t>(shown - 2));
    if (shown < level) shown = level;
  }
  PostMessage(player_window_, WM_PLAYER_FFT_DATA, 0, 0);
}

// ---------------------------------------------------------------------------
// The plug-in dialog
// ---------------------------------------------------------------------------

void TBASSPlayer::ShowPluginConfig() {
  if (!BASSReady) {
    ApplicationMessageBox("Player is not ready !", "Confirm", MB_OK);
    return;
  }
  // Ticking the box in code tells the window stored so far (none before the
  // first opening) through its click.
  config_form_->PluginFirst->SetChecked(PluginFirst);
  config_form_->ListPluginFiles();
  config_form_->SetGridHeader();
  config_form_->ClearPluginGrid();
  config_form_->FillPluginGrid();
  SetConfigPlayerWindow(player_window_);
  config_form_->ShowModal();
}

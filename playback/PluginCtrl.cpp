#include "playback/PluginCtrl.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "classlib/Application.h"
#include "classlib/MathRoutines.h"
#include "classlib/MessageHandling.h"
#include "classlib/StringRoutines.h"
#include "classlib/Threads.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/core/threads.h"
#include "platform/dlg/message_box.h"
#include "platform/user/user.h"
#include "playback/RT_BASS.h"

namespace {

// ---------------------------------------------------------------------------
// Program-wide state of the host
// ---------------------------------------------------------------------------

// The hidden window that the plug-ins take for Winamp's main window.
class TMsgHandler : public TObject {
 public:
  TMsgHandler() : window_(AllocateHWnd([this](TMessage& m) { WndProc(m); })) {}
  ~TMsgHandler() override { DeallocateHWnd(window_); }
  HWND Handle() const { return window_; }

 private:
  void WndProc(TMessage& Message);
  HWND window_;
};

// The ring between a plug-in's decoding thread (the one writer) and the
// audio library's stream thread (the one reader). Equal positions mean
// empty, so the writer never fills it completely. Each side claims it with
// its busy flag before it copies (see ClaimRingForWriter and
// ClaimRingForReader).
class TPluginRing {
 public:
  std::uint32_t Used() const { return UsedBetween(read_, write_); }
  std::uint32_t Free() const { return FreeBetween(read_, write_); }
  std::int64_t TotalWritten() const { return total_written_; }
  void Reset() {
    read_ = 0;
    write_ = 0;
    total_written_ = 0;
  }
  // Copies `length` bytes in, continuing at the ring's start; the caller
  // has made sure they fit.
  void Write(const std::uint8_t* data, std::uint32_t length) {
    const std::uint32_t pos = write_;
    const std::uint32_t first = std::min(length, RingBufferSize - pos);
    std::memcpy(bytes_.data() + pos, data, first);
    std::memcpy(bytes_.data(), data + first, length - first);
    write_ = (pos + length) % RingBufferSize;
    total_written_ += length;
  }
  // Copies out up to `length` bytes; returns the count.
  std::uint32_t Read(std::uint8_t* out, std::uint32_t length) {
    const std::uint32_t pos = read_;
    const std::uint32_t count = std::min(length, UsedBetween(pos, write_));
    const std::uint32_t first = std::min(count, RingBufferSize - pos);
    std::memcpy(out, bytes_.data() + pos, first);
    std::memcpy(out + first, bytes_.data(), count - first);
    read_ = (pos + count) % RingBufferSize;
    return count;
  }

  std::atomic<bool> ReaderBusy{false};
  std::atomic<bool> WriterBusy{false};

 private:
  static std::uint32_t UsedBetween(std::uint32_t read, std::uint32_t write) {
    return write >= read ? write - read : write + RingBufferSize - read;
  }
  static std::uint32_t FreeBetween(std::uint32_t read, std::uint32_t write) {
    return write >= read ? RingBufferSize - write + read : read - write;
  }

  std::array<std::uint8_t, RingBufferSize> bytes_{};
  std::atomic<std::uint32_t> read_{0};
  std::atomic<std::uint32_t> write_{0};
  std::atomic<std::int64_t> total_written_{0};
};

// Everything the host keeps, in one place: its slots, the emulated output
// module with its window, ring and format, and the flags its threads share.
class TPluginHost {
 public:
  In_Module* PluginSlots[MaxPluginNum] = {};
  TPluginInfo PluginInfos[MaxPluginNum];
  int ActivePlugin = -1;

  Out_Module OutModule = {};
  std::atomic<bool> OutputReady{false};
  std::unique_ptr<TMsgHandler> MsgHandler;
  std::atomic<HWND> HostWindow{nullptr};
  std::atomic<HWND> PlayerTargetWindow{nullptr};

  TPluginRing Ring;
  std::atomic<std::int32_t> FormatSampleRate{0};
  std::atomic<std::int32_t> FormatBitsPerSample{0};
  std::atomic<std::int32_t> FormatNumChannels{0};
  std::atomic<std::uint32_t> StartThreshold{0};
  std::atomic<std::int32_t> OutputTimeOffset{0};
  std::atomic<HSTREAM> UserStream{0};

  // Output starts (WM_PLUGIN_START_PLAY) once enough is buffered.
  std::atomic<bool> StartPending{false};
  // The plug-in's input has ended: the reader no longer waits for data.
  std::atomic<bool> InputEnded{false};
  // The player is seeking: a Flush while paused is honoured.
  std::atomic<bool> SeekRequested{false};
  // The plug-in was resumed: the reader gives its writer time to catch up.
  std::atomic<bool> ResumeWait{false};

  // Flushes whose mark (WM_PLUGIN_FLUSHED) was posted to the host window,
  // and the last mark the window took. An end of input the window takes
  // while a mark is still on its way was posted before that flush.
  std::atomic<std::uint32_t> FlushesPosted{0};
  std::uint32_t FlushesSeen = 0;

  TStartRecord StartRecord;
  // The plug-in song now playing; its end of input is relayed with it.
  std::uint32_t PluginSongSerial = 0;
};

// The process's host. A host that is replaced is kept, not freed: a stream
// callback that is still returning never reads freed memory.
std::vector<std::unique_ptr<TPluginHost>>& Hosts() {
  static std::vector<std::unique_ptr<TPluginHost>> hosts;
  return hosts;
}

std::atomic<TPluginHost*> CurrentHost{nullptr};

TPluginHost& H() {
  TPluginHost* host = CurrentHost.load();
  if (host == nullptr) {
    MakeFreshPluginHost();
    host = CurrentHost.load();
  }
  return *host;
}

std::atomic<HWND> AppWindow{nullptr};

// A flush has emptied the ring (WParam: its count); private to the host
// window.
constexpr UINT WM_PLUGIN_FLUSHED = WM_USER + 111;  // 1135

constexpr DWORD kWriterWaitMs = 20;
// How long the reader keeps looking at the writer's flag before it sleeps.
constexpr std::chrono::microseconds kReaderLookTime{1000};
constexpr DWORD kDataWaitMs = 50;
constexpr int kDataWaitPasses = 60;
constexpr DWORD kResumeWaitMs = 200;
constexpr int kResumeWaitPasses = 50;
// The ring counts as nearly full with this little room left.
constexpr std::uint32_t kNearlyFull = 8192;

// ---------------------------------------------------------------------------
// The ring's busy flags
// ---------------------------------------------------------------------------

// Claims the ring for one side. Each side sets its own flag and then looks
// at the other's; with both flags sequentially consistent at most one side
// can pass. The two sides do not wait alike: were both to drop their flags
// and sleep on a collision, they would wake together and could collide
// again and again. The writer (a plug-in's decoding thread) gives way: when
// it finds the reader busy it drops its flag and waits. The reader (the
// audio library's stream thread) keeps its flag up and only waits for the
// writer to leave; a writer that is not copying lets go at once, so the
// reader waits at most for one copy (or one Flush), and sleeps only with
// its flag down.
// False when the wait was given up (the thread's WM_QUIT, or the output
// module going away); the side's flag is then down.
bool ClaimRingForWriter(TPluginRing& ring) {
  for (;;) {
    if (!ring.ReaderBusy.load()) {
      ring.WriterBusy.store(true);
      if (!ring.ReaderBusy.load()) return true;
      ring.WriterBusy.store(false);
    }
    if (ProcessPendingMessages() || !H().OutputReady.load()) return false;
    Sleep(kWriterWaitMs);
  }
}

bool ClaimRingForReader(TPluginRing& ring) {
  for (;;) {
    ring.ReaderBusy.store(true);
    // A writer that collided lets go within a few instructions, and one
    // that copies within microseconds: keep looking for a moment (of real
    // time: the writer's copy does not wait for any clock) before sleeping.
    const auto look_until = std::chrono::steady_clock::now() + kReaderLookTime;
    do {
      if (!ring.WriterBusy.load()) return true;
      std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < look_until);
    // The writer holds on (a Flush stopping the stream): sleep with the
    // flag down, so that the writer is never kept waiting by a sleeper.
    ring.ReaderBusy.store(false);
    if (ProcessPendingMessages() || !H().OutputReady.load()) return false;
    Sleep(kWriterWaitMs);
  }
}

// Ms that `bytes` of the open format last; 0 when no format is open.
int BytesToMs(std::int64_t bytes) {
  const std::int64_t per_second = std::int64_t{H().FormatBitsPerSample.load() / 8} *
                                  H().FormatSampleRate.load() * H().FormatNumChannels.load();
  if (per_second <= 0) return 0;
  return static_cast<int>(Round(static_cast<double>(bytes) * 1000.0 / static_cast<double>(per_second)));
}

// ---------------------------------------------------------------------------
// The emulated output module
// ---------------------------------------------------------------------------

void OutConfig(HWND) { ApplicationMessageBox("No configuration is needed.", "Confirm", MB_OK); }

void OutAbout(HWND) {
  ApplicationMessageBox("This is a Winamp output plug-in emulator using BASS", "Confirm", MB_OK);
}

void OutInit() {
  if (!H().OutputReady) {
    H().MsgHandler = std::make_unique<TMsgHandler>();
    H().HostWindow = H().MsgHandler->Handle();
  }
  H().OutputReady = true;
}

void OutQuit() {
  H().OutputReady = false;
  H().HostWindow = nullptr;
  H().MsgHandler.reset();
}

void CloseUserStream() {
  const HSTREAM stream = H().UserStream.exchange(0);
  if (stream == 0) return;
  if (RT_BASS::BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING) RT_BASS::BASS_ChannelStop(stream);
  RT_BASS::BASS_StreamFree(stream);
}

int OutOpen(int samplerate, int numchannels, int bitspersamp, int, int) {
  if (!H().OutputReady) return -1;
  // The user stream plays 8- or 16-bit PCM, mono or stereo, and nothing else.
  if ((bitspersamp != 8 && bitspersamp != 16) || (numchannels != 1 && numchannels != 2) ||
      samplerate <= 0) {
    return -1;
  }
  // A plug-in that opens again without closing gets a fresh stream.
  CloseUserStream();

  H().Ring.Reset();
  H().Ring.ReaderBusy = false;
  H().Ring.WriterBusy = false;
  H().SeekRequested = false;
  H().InputEnded = false;
  H().StartPending = true;

  DWORD flags = 0;
  if (bitspersamp == 8) flags |= BASS_SAMPLE_8BITS;
  if (numchannels == 1) flags |= BASS_SAMPLE_MONO;
  const HSTREAM stream =
      RT_BASS::BASS_StreamCreate(static_cast<DWORD>(samplerate), flags, &StreamProc, 0);
  if (stream == 0) return -1;

  H().FormatSampleRate = samplerate;
  H().FormatBitsPerSample = bitspersamp;
  H().FormatNumChannels = numchannels;
  // Bytes in 0.2 s.
  H().StartThreshold = static_cast<std::uint32_t>((bitspersamp / 8) * samplerate * numchannels * 2 / 10);
  H().OutputTimeOffset = 0;
  H().UserStream = stream;
  if (HWND target = H().PlayerTargetWindow.load()) {
    PostMessage(target, WM_PLUGIN_CHANNEL, static_cast<WPARAM>(stream), 0);
  }
  return 0;
}

void OutClose() { CloseUserStream(); }

void FillStartRecord() {
  H().StartRecord.BitsPerSample = static_cast<std::uint16_t>(H().FormatBitsPerSample.load());
  H().StartRecord.SampleRate = static_cast<std::uint32_t>(H().FormatSampleRate.load());
  H().StartRecord.NumChannels = static_cast<std::uint16_t>(H().FormatNumChannels.load());
}

// Output starts once 0.4 s is buffered, or earlier when the ring is nearly
// full.
void StartOutputWhenBuffered() {
  if (!H().StartPending.load()) return;
  const TPluginRing& ring = H().Ring;
  if (ring.Free() > kNearlyFull && ring.Used() < 2 * H().StartThreshold) return;
  if (!H().StartPending.exchange(false)) return;
  const HSTREAM stream = H().UserStream;
  HWND host = H().HostWindow;
  if (stream == 0 || host == nullptr) return;
  FillStartRecord();
  PostMessage(host, WM_PLUGIN_START_PLAY, 0, reinterpret_cast<LPARAM>(&H().StartRecord));
}

// On the host window: starts the user stream and tells the player.
void StartOutput(HWND target, WPARAM wparam, LPARAM lparam) {
  if (HSTREAM stream = H().UserStream) RT_BASS::BASS_StreamPlay(stream, FALSE, 0);
  H().ResumeWait = false;
  if (target != nullptr) PostMessage(target, WM_PLUGIN_START_PLAY, wparam, lparam);
}

int OutWrite(char* buf, int len) {
  // Nothing to write is not "no space": answering 1 would make a plug-in
  // that retries on 1 spin for ever.
  if (len < 0 || (len > 0 && buf == nullptr)) return 0;
  TPluginRing& ring = H().Ring;
  if (!ClaimRingForWriter(ring)) return 1;
  // Never fill the ring completely: equal positions mean empty.
  if (static_cast<std::uint32_t>(len) >= ring.Free()) {
    ring.WriterBusy = false;
    ApplicationMessageBox("Write error : No Space", "Error", MB_OKCANCEL);
    StartOutputWhenBuffered();
    return 1;
  }
  ring.Write(reinterpret_cast<const std::uint8_t*>(buf), static_cast<std::uint32_t>(len));
  ring.WriterBusy = false;
  StartOutputWhenBuffered();
  return 0;
}

int OutCanWrite() {
  if (H().Ring.ReaderBusy) return 0;
  return static_cast<int>(RingFree()) - 1;
}

int OutIsPlaying() {
  const HSTREAM stream = H().UserStream;
  if (stream == 0) return 0;
  return RT_BASS::BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING ? 1 : 0;
}

int OutPause(int pause) {
  const HSTREAM stream = H().UserStream;
  if (stream == 0) return 0;
  const bool was_paused = RT_BASS::BASS_ChannelIsActive(stream) == BASS_ACTIVE_PAUSED;
  if (pause == 0) {
    H().ResumeWait = true;
    if (was_paused) {
      RT_BASS::BASS_ChannelResume(stream);
    } else {
      RT_BASS::BASS_StreamPlay(stream, TRUE, 0);
    }
  } else if (!was_paused) {
    RT_BASS::BASS_ChannelPause(stream);
  }
  return was_paused ? 1 : 0;
}

void OutSetVolume(int volume) {
  // The whole output's volume, not only the user stream's.
  int v = static_cast<int>(Round(volume * 100.0 / 255.0));
  if (v < 0) v = 99;
  RT_BASS::BASS_SetGlobalVolumes(v, v, v);
}

void OutSetPan(int pan) {
  const HSTREAM stream = H().UserStream;
  if (stream == 0) return;
  RT_BASS::BASS_ChannelSetAttributes(stream, -1, -1, static_cast<int>(Round(pan * 0.78125)));
}

void OutFlush(int t) {
  const HSTREAM stream = H().UserStream;
  const DWORD state = stream == 0 ? BASS_ACTIVE_STOPPED : RT_BASS::BASS_ChannelIsActive(stream);
  const bool restart = state != BASS_ACTIVE_STOPPED && state != BASS_ACTIVE_PAUSED;
  // Paused, a flush is honoured only for the player's own seek; output then
  // restarts when the plug-in resumes.
  if (state == BASS_ACTIVE_PAUSED && !H().SeekRequested) return;
  // Hold the writer's side so that no read starts while the ring is reset.
  if (!ClaimRingForWriter(H().Ring)) return;
  // The plug-in decodes again from the new position: an end of its input
  // before this flush no longer holds. Cleared before the stream stops, so
  // that whoever sees the stream stopped also sees the end withdrawn.
  H().InputEnded = false;
  if (stream != 0) RT_BASS::BASS_ChannelStop(stream);
  if (restart) H().StartPending = true;
  H().OutputTimeOffset = t;
  H().Ring.Reset();
  H().SeekRequested = false;
  H().Ring.WriterBusy = false;
  // An end of input still waiting in the host window's queue was posted
  // before this flush; the mark behind it tells the window so.
  const std::uint32_t flushes = H().FlushesPosted.load() + 1;
  HWND host = H().HostWindow;
  if (host != nullptr && PostMessage(host, WM_PLUGIN_FLUSHED, flushes, 0)) H().FlushesPosted = flushes;
}

int OutGetOutputTime() {
  const HSTREAM stream = H().UserStream;
  QWORD position = stream == 0 ? 0 : RT_BASS::BASS_ChannelGetPosition(stream);
  if (position == ~QWORD{0}) position = 0;
  return BytesToMs(static_cast<std::int64_t>(position)) + H().OutputTimeOffset;
}

int OutGetWrittenTime() { return BytesToMs(H().Ring.TotalWritten()) + H().OutputTimeOffset; }

void FillOutModule() {
  H().OutModule.version = OUT_VER;
  H().OutModule.description = "BASS Winamp output plug-in emulator";
  H().OutModule.id = 65537;
  H().OutModule.hMainWindow = ApplicationWindow();
  H().OutModule.hDllInstance = nullptr;
  H().OutModule.Config = OutConfig;
  H().OutModule.About = OutAbout;
  H().OutModule.Init = OutInit;
  H().OutModule.Quit = OutQuit;
  H().OutModule.Open = OutOpen;
  H().OutModule.Close = OutClose;
  H().OutModule.Write = OutWrite;
  H().OutModule.CanWrite = OutCanWrite;
  H().OutModule.IsPlaying = OutIsPlaying;
  H().OutModule.Pause = OutPause;
  H().OutModule.SetVolume = OutSetVolume;
  H().OutModule.SetPan = OutSetPan;
  H().OutModule.Flush = OutFlush;
  H().OutModule.GetOutputTime = OutGetOutputTime;
  H().OutModule.GetWrittenTime = OutGetWrittenTime;
  H().OutModule.Init();
}

// ---------------------------------------------------------------------------
// The hooks a plug-in gets for the player's visualisation and DSP: the host
// has neither.
// ---------------------------------------------------------------------------

void NoSAVSAInit(int, int) {}
void NoSAVSADeInit() {}
void NoSAAddPCMData(void*, int, int, int) {}
int NoSAGetMode() { return 0; }
void NoSAAdd(void*, int, int) {}
void NoVSAAddPCMData(void*, int, int, int) {}
int NoVSAGetMode(int*, int*) { return 0; }
void NoVSAAdd(void*, int) {}
void NoVSASetInfo(int, int) {}
int NoDspIsActive() { return 0; }
int NoDspDoSamples(short*, int numsamples, int, int, int) { return numsamples; }
void NoSetInfo(int, int, int, int) {}

void ReplaceHooks(In_Module* module) {
  module->SAVSAInit = NoSAVSAInit;
  module->SAVSADeInit = NoSAVSADeInit;
  module->SAAddPCMData = NoSAAddPCMData;
  module->SAGetMode = NoSAGetMode;
  module->SAAdd = NoSAAdd;
  module->VSAAddPCMData = NoVSAAddPCMData;
  module->VSAGetMode = NoVSAGetMode;
  module->VSAAdd = NoVSAAdd;
  module->VSASetInfo = NoVSASetInfo;
  module->dsp_isactive = NoDspIsActive;
  module->dsp_dosamples = NoDspDoSamples;
  module->SetInfo = NoSetInfo;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < MaxPluginNum && H().PluginSlots[slot] != nullptr; }

void TMsgHandler::WndProc(TMessage& Message) {
  HWND target = H().PlayerTargetWindow;
  switch (Message.Msg) {
    case WM_PLUGIN_FLUSHED:
      H().FlushesSeen = static_cast<std::uint32_t>(Message.WParam);
      return;
    case WM_WA_PLUGIN_END:
      // Posted before a flush (a seek) whose mark is still queued behind
      // it: the plug-in goes on from the new position and ends again later.
      if (static_cast<std::int32_t>(H().FlushesPosted.load() - H().FlushesSeen) > 0) return;
      H().InputEnded = true;
      // A song shorter than the start threshold starts now, so that what
      // was buffered is heard.
      if (H().UserStream != 0 && RingUsed() > 0 && H().StartPending.exchange(false)) {
        FillStartRecord();
        StartOutput(target, 0, reinterpret_cast<LPARAM>(&H().StartRecord));
      }
      // The song's serial goes with the relay, so that the player can tell
      // the end of a song it no longer plays, whether or not the plug-in
      // still has its output open.
      if (target != nullptr) PostMessage(target, WM_WA_PLUGIN_END, H().PluginSongSerial, 0);
      return;
    case WM_PLUGIN_START_PLAY:
      StartOutput(target, Message.WParam, Message.LParam);
      return;
    case WM_PLUGIN_RELEASE:
      H().ActivePlugin = -1;
      return;
    case WM_QUERYENDSESSION:
      Message.Result = 1;
      return;
    default:
      Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Host routines
// ---------------------------------------------------------------------------

void MakeFreshPluginHost() {
  Hosts().push_back(std::make_unique<TPluginHost>());
  CurrentHost = Hosts().back().get();
}

bool InitPluginCtrl() {
  for (int i = 0; i < MaxPluginNum; ++i) {
    H().PluginSlots[i] = nullptr;
    H().PluginInfos[i] = TPluginInfo{};
  }
  H().OutputReady = false;
  H().Ring.Reset();
  H().Ring.ReaderBusy = false;
  H().Ring.WriterBusy = false;
  H().StartPending = false;
  H().InputEnded = false;
  H().SeekRequested = false;
  H().ResumeWait = false;
  FillOutModule();
  H().ActivePlugin = -1;
  return H().OutputReady;
}

void QuitPluginCtrl() {
  for (int i = 0; i < MaxPluginNum; ++i) {
    if (H().PluginSlots[i] == nullptr) continue;
    H().PluginSlots[i]->Quit();
    FreeLibrary(H().PluginInfos[i].DLLHandle);
    // The module lived in the library just freed.
    H().PluginSlots[i] = nullptr;
    H().PluginInfos[i] = TPluginInfo{};
  }
  H().ActivePlugin = -1;
  if (H().OutputReady) {
    CloseUserStream();
    H().OutModule.Quit();
  }
}

int LoadWinampPlugin(const String& Name) {
  if (!H().OutputReady) return PLUGIN_OUTPUT_NOT_READY;
  if (FindPluginByName(Name) >= 0) return PLUGIN_ALREADY_LOADED;
  int slot = -1;
  for (int i = 0; i < MaxPluginNum && slot < 0; ++i) {
    if (H().PluginSlots[i] == nullptr) slot = i;
  }
  if (slot < 0) return PLUGIN_NO_FREE_SLOT;

  HMODULE library = LoadLibrary((GetProgramDir() + "\\Plugins\\" + Name).c_str());
  if (library == nullptr) return PLUGIN_CANNOT_LOAD;
  auto get_module = reinterpret_cast<winampGetInModule2Proc>(GetProcAddress(library, kWinampGetInModule2));
  if (get_module == nullptr || get_module() == nullptr) {
    FreeLibrary(library);
    return PLUGIN_NOT_WINAMP2;
  }
  In_Module* module = get_module();
  module->hMainWindow = H().HostWindow;
  module->hDllInstance = library;
  module->outMod = &H().OutModule;
  module->Init();
  ReplaceHooks(module);

  H().PluginSlots[slot] = module;
  TPluginInfo& info = H().PluginInfos[slot];
  info.Name = Name;
  info.Version = module->version;
  info.Description = module->description != nullptr ? module->description : "";
  info.FileExtensions = module->FileExtensions != nullptr ? module->FileExtensions : "";
  info.Seekable = module->is_seekable;
  info.DLLHandle = library;
  return PLUGIN_LOADED;
}

int UnloadWinampPlugin(const String& Name) {
  const int slot = FindPluginByName(Name);
  if (slot < 0) return PLUGIN_NOT_LOADED;
  // A plug-in stays active after its song until another one is chosen.
  if (slot == H().ActivePlugin) return PLUGIN_IN_USE;
  H().PluginSlots[slot]->Quit();
  if (!FreeLibrary(H().PluginInfos[slot].DLLHandle)) return PLUGIN_CANNOT_FREE;
  H().PluginSlots[slot] = nullptr;
  H().PluginInfos[slot] = TPluginInfo{};
  return PLUGIN_UNLOADED;
}

int FindPluginByName(const String& Name) {
  for (int i = 0; i < MaxPluginNum; ++i) {
    if (H().PluginSlots[i] != nullptr && H().PluginInfos[i].Name == Name) return i;
  }
  return -1;
}

In_Module* GetPluginModule(int Slot) { return ValidSlot(Slot) ? H().PluginSlots[Slot] : nullptr; }

void GetPluginInfo(int Slot, TPluginInfo& Info) {
  Info = ValidSlot(Slot) ? H().PluginInfos[Slot] : TPluginInfo{};
}

int SetCurrentPlugin(int Slot) {
  if (!ValidSlot(Slot)) return -1;
  H().ActivePlugin = Slot;
  return 0;
}

int GetCurrentPlugin() { return H().ActivePlugin; }

int GetPluginOutputTime(bool FromOutput) {
  if (FromOutput) return OutGetOutputTime();
  In_Module* module = GetPluginModule(H().ActivePlugin);
  return module != nullptr ? module->GetOutputTime() : 0;
}

int GetPluginBufferedTime() {
  if (H().UserStream == 0) return 0;
  return std::max(0, OutGetWrittenTime() - OutGetOutputTime());
}

std::uint32_t BeginPluginSong() {
  MSG stale;
  if (HWND host = H().HostWindow) {
    while (PeekMessage(&stale, host, WM_WA_PLUGIN_END, WM_WA_PLUGIN_END, PM_REMOVE)) {
      // A quit passes every filter: leave it for the program's loop.
      if (stale.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(stale.wParam));
        break;
      }
    }
  }
  if (++H().PluginSongSerial == 0) H().PluginSongSerial = 1;
  return H().PluginSongSerial;
}

void SetSeekRequested() { H().SeekRequested = true; }

bool PluginInputEnded() { return H().InputEnded; }

void SetPlayerTargetWindow(HWND Window) { H().PlayerTargetWindow = Window; }

bool IsOutputReady() { return H().OutputReady; }

HWND GetHostWindow() { return H().HostWindow; }

String PluginFileTypes() {
  String types;
  for (int i = 0; i < MaxPluginNum; ++i) {
    if (H().PluginSlots[i] == nullptr) continue;
    const char* extensions = H().PluginSlots[i]->FileExtensions;
    types += ExtensionsToFilter(extensions != nullptr ? extensions : "") + ";";
  }
  return types;
}

String ExtensionsToFilter(const String& Exts) {
  if (Exts.empty()) return "";
  String filter = "*.";
  for (std::size_t i = 0; i < Exts.size(); ++i) {
    filter += Exts[i];
    if (Exts[i] == ';' && i + 1 < Exts.size()) filter += "*.";
  }
  return filter;
}

String GetProgramDir() {
  // The program's path as the module calls report it (tests may stand the
  // program in another folder).
  char buffer[4096];
  const DWORD length = GetModuleFileName(nullptr, buffer, sizeof buffer);
  const String path(buffer, std::min<DWORD>(length, sizeof buffer - 1));
  const std::size_t slash = path.rfind('\\');
  return slash == String::npos ? String() : path.substr(0, slash);
}

// ---------------------------------------------------------------------------
// The ring's reader
// ---------------------------------------------------------------------------

Out_Module* GetOutModule() { return &H().OutModule; }

std::uint32_t RingUsed() { return H().Ring.Used(); }

std::uint32_t RingFree() { return H().Ring.Free(); }

HSTREAM GetUserStream() { return H().UserStream; }

DWORD StreamProc(HSTREAM, void* Buffer, DWORD Length, std::uintptr_t) {
  if (!H().OutputReady || Buffer == nullptr) return 0;
  // Short of data: give the plug-in up to 3 s to catch up.
  if (!H().InputEnded && Length > RingUsed()) {
    for (int pass = 0; pass < kDataWaitPasses && RingUsed() < Length && !H().InputEnded; ++pass) {
      if (ProcessPendingMessages() || !H().OutputReady) break;
      Sleep(kDataWaitMs);
    }
    H().ResumeWait = false;
  }

  TPluginRing& ring = H().Ring;
  if (!ClaimRingForReader(ring)) return 0;
  const std::uint32_t count = ring.Read(static_cast<std::uint8_t*>(Buffer), Length);
  // Free the ring before any further wait: the writer must be able to write
  // while this side waits for it.
  ring.ReaderBusy = false;

  // Just resumed and little left: let the plug-in's writer get going again.
  if (H().ResumeWait && Length > RingUsed() && !H().InputEnded) {
    const std::int64_t written_before = ring.TotalWritten();
    for (int pass = 0; pass < kResumeWaitPasses; ++pass) {
      if (ring.WriterBusy || ring.TotalWritten() != written_before || H().InputEnded || !H().OutputReady) {
        break;
      }
      if (ProcessPendingMessages()) break;
      Sleep(kResumeWaitMs);
    }
    H().ResumeWait = false;
  }
  return count;
}

// ---------------------------------------------------------------------------
// Shared by the playback engine
// ---------------------------------------------------------------------------

bool ProcessPendingMessages() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the program's own loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return false;
}

HWND ApplicationWindow() {
  if (GetCurrentThreadId() == MainThreadID && Application != nullptr) AppWindow = Application->Handle();
  return AppWindow;
}

int ApplicationMessageBox(const String& Text, const String& Caption, UINT Flags) {
  // The emulated output's Write runs on a plug-in's decoding thread, and the
  // forms the application's message box disables belong to the main thread:
  // from any other thread the box is only owned by the application's window.
  if (GetCurrentThreadId() != MainThreadID || Application == nullptr) {
    return MessageBox(AppWindow, Text.c_str(), Caption.c_str(), Flags);
  }
  return Application->MessageBox(Text, Caption, Flags);
}

// A Winamp 2 input plug-in for the tests: it plays a generated tone
// described by a small text file (extension TON), and in its WAV build
// (VELKO_TONE_PLAYS_WAV) also the PCM of plain WAV files.
//
// A tone file holds "key value" lines; every key is optional:
//   tone 1000        frequency in Hz (440)
//   seconds 2.5      length (1)
//   rate 22050       sample rate (44100)
//   channels 1       1 or 2 (2)
//   bits 8           8 or 16 (16)
//   title Some text  the title GetFileInfo reports (the file name)
//   mode normal      normal: decode, asking CanWrite before every block
//                    silent: open the output and never write
//                    endnow: open the output and end the input at once
//                    nocanwrite: write without asking CanWrite
//                    noclose: as normal, but Stop leaves the output open
//                             (it is closed when the plug-in quits)
//                    earlyend: reports the end of its input after one
//                             second, then goes on writing to the end
//                    closefirst: closes its output when its input is used
//                             up, and only then reports the end of input
//
// Like any input plug-in it decodes on a thread of its own, writes blocks
// while the output module's CanWrite allows, flushes the output on a seek,
// pauses the output with itself and posts the end-of-input message to the
// main window when its input is used up. Its waits read the platform clock,
// so tests on the manual clock control its pace.
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "outside/winamp/winamp_api.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/dlg/message_box.h"
#include "platform/user/message_queue.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum class Mode { kNormal, kSilent, kEndNow, kNoCanWrite, kNoClose, kEarlyEnd, kCloseFirst };

// What one file plays.
struct Source {
  bool is_wav = false;
  double tone_hz = 440.0;
  double seconds = 1.0;
  int rate = 44100;
  int channels = 2;
  int bits = 16;
  std::string title;
  Mode mode = Mode::kNormal;
  std::vector<std::uint8_t> pcm;  // a WAV file's samples

  int frame_bytes() const { return channels * bits / 8; }
  std::int64_t total_frames() const {
    if (is_wav) return static_cast<std::int64_t>(pcm.size()) / frame_bytes();
    return static_cast<std::int64_t>(std::llround(seconds * rate));
  }
  int length_ms() const { return static_cast<int>(total_frames() * 1000 / rate); }
};

// The file name is a platform path; the file is read through its Linux path.
std::optional<std::string> NativePath(const char* file) {
  if (file == nullptr || *file == '\0') return std::nullopt;
  return platform::ModuleNativePath(file);
}

std::string BaseTitle(const std::string& path) {
  std::size_t start = path.find_last_of("\\/");
  start = start == std::string::npos ? 0 : start + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) dot = path.size();
  return path.substr(start, dot - start);
}

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// A RIFF WAVE file with PCM samples: its format and data chunk.
bool ParseWav(const std::string& bytes, Source& source) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (bytes.size() < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
    return false;
  }
  bool have_format = false;
  std::size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const std::uint32_t size = Le32(data + pos + 4);
    const std::size_t body = pos + 8;
    const std::size_t available = bytes.size() - body;
    if (std::memcmp(data + pos, "fmt ", 4) == 0 && size >= 16 && available >= 16) {
      if (Le16(data + body) != 1) return false;
      source.channels = Le16(data + body + 2);
      source.rate = static_cast<int>(Le32(data + body + 4));
      source.bits = Le16(data + body + 14);
      have_format = true;
    } else if (std::memcmp(data + pos, "data", 4) == 0 && have_format) {
      source.pcm.assign(data + body, data + body + std::min<std::size_t>(size, available));
      return (source.bits == 8 || source.bits == 16) && (source.channels == 1 || source.channels == 2) &&
             source.rate > 0;
    }
    pos = body + size + (size & 1);
  }
  return false;
}

bool ParseTone(const std::string& text, Source& source) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key.empty()) continue;
    if (key == "title") {
      std::getline(words >> std::ws, source.title);
    } else if (key == "tone") {
      words >> source.tone_hz;
    } else if (key == "seconds") {
      words >> source.seconds;
    } else if (key == "rate") {
      words >> source.rate;
    } else if (key == "channels") {
      words >> source.channels;
    } else if (key == "bits") {
      words >> source.bits;
    } else if (key == "mode") {
      std::string mode;
      words >> mode;
      if (mode == "silent") source.mode = Mode::kSilent;
      if (mode == "endnow") source.mode = Mode::kEndNow;
      if (mode == "nocanwrite") source.mode = Mode::kNoCanWrite;
      if (mode == "noclose") source.mode = Mode::kNoClose;
      if (mode == "earlyend") source.mode = Mode::kEarlyEnd;
    } else {
      return false;
    }
  }
  return source.rate > 0 && source.seconds >= 0;
}

std::optional<Source> ReadSource(const char* file) {
  const std::optional<std::string> native = NativePath(file);
  if (!native) return std::nullopt;
  std::ifstream in(*native, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  const std::string bytes = content.str();
  Source source;
  source.title = BaseTitle(file);
  // Both builds read WAV files; only the WAV build claims them.
  if (bytes.rfind("RIFF", 0) == 0) {
    source.is_wav = true;
    if (!ParseWav(bytes, source)) return std::nullopt;
    return source;
  }
  if (!ParseTone(bytes, source)) return std::nullopt;
  return source;
}

In_Module g_module;

// The song being played and its decoding thread.
class Player {
 public:
  bool Start(const Source& source) {
    Stop();
    source_ = source;
    stop_ = false;
    paused_ = false;
    seek_to_ = -1;
    const int latency = g_module.outMod->Open(source.rate, source.channels, source.bits, -1, -1);
    if (latency < 0) return false;
    thread_ = std::thread([this] { Decode(); });
    return true;
  }

  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (source_.mode == Mode::kNoClose) {
      output_left_open_ = true;
    } else {
      g_module.outMod->Close();
    }
  }

  // Quitting: an output left open by Stop is closed now.
  void Quit() {
    Stop();
    if (output_left_open_) g_module.outMod->Close();
    output_left_open_ = false;
  }

  void SetPaused(bool paused) {
    paused_ = paused;
    g_module.outMod->Pause(paused ? 1 : 0);
    wake_.notify_all();
  }
  bool paused() const { return paused_; }

  void Seek(int ms) {
    seek_to_ = ms;
    wake_.notify_all();
  }

  int length_ms() const { return thread_.joinable() ? source_.length_ms() : 0; }
  const Source& source() const { return source_; }

 private:
  // Waits `ms` on the platform clock, or until told to stop or seek.
  void Idle(DWORD ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    platform::WaitUntilClock(lock, wake_, platform::DeadlineAfterMs(ms),
                             [this] { return stop_ || seek_to_ >= 0; });
  }

  void Generate(std::int64_t first, int frames, std::vector<char>& out) const {
    const int frame_bytes = source_.frame_bytes();
    out.resize(static_cast<std::size_t>(frames) * frame_bytes);
    if (source_.is_wav) {
      std::memcpy(out.data(), source_.pcm.data() + first * frame_bytes, out.size());
      return;
    }
    constexpr double kTwoPi = 6.283185307179586;
    for (int i = 0; i < frames; ++i) {
      const double phase = kTwoPi * source_.tone_hz * static_cast<double>(first + i) / source_.rate;
      const double value = 0.5 * std::sin(phase);
      for (int c = 0; c < source_.channels; ++c) {
        char* sample = out.data() + static_cast<std::size_t>(i) * frame_bytes + c * source_.bits / 8;
        if (source_.bits == 8) {
          *reinterpret_cast<std::uint8_t*>(sample) = static_cast<std::uint8_t>(128 + std::lround(value * 127));
        } else {
          const auto s = static_cast<std::int16_t>(std::lround(value * 32767));
          std::memcpy(sample, &s, 2);
        }
      }
    }
  }

  void EndOfInput() { PostMessage(g_module.hMainWindow, WM_WA_MPEG_EOF, 0, 0); }

  void Decode() {
    constexpr int kBlockFrames = 576;
    const std::int64_t total = source_.total_frames();
    std::int64_t position = 0;
    bool ended = false;
    bool early_end_sent = false;
    std::vector<char> block;
    if (source_.mode == Mode::kEndNow) {
      EndOfInput();
      ended = true;
    }
    while (!stop_) {
      const int seek = seek_to_.exchange(-1);
      if (seek >= 0) {
        position = std::min<std::int64_t>(total, std::int64_t{seek} * source_.rate / 1000);
        g_module.outMod->Flush(seek);
        ended = source_.mode == Mode::kEndNow;
        continue;
      }
      if (paused_ || ended || source_.mode == Mode::kSilent) {
        Idle(10);
        continue;
      }
      if (position >= total) {
        if (source_.mode == Mode::kCloseFirst) g_module.outMod->Close();
        EndOfInput();
        ended = true;
        continue;
      }
      const int frames = static_cast<int>(std::min<std::int64_t>(kBlockFrames, total - position));
      const int bytes = frames * source_.frame_bytes();
      if (source_.mode != Mode::kNoCanWrite && g_module.outMod->CanWrite() < bytes) {
        Idle(10);
        continue;
      }
      Generate(position, frames, block);
      if (g_module.outMod->Write(block.data(), bytes) != 0) {
        Idle(10);  // not taken: try the same block again
        continue;
      }
      position += frames;
      if (source_.mode == Mode::kEarlyEnd && !early_end_sent && position >= source_.rate) {
        EndOfInput();
        early_end_sent = true;
      }
    }
  }

  Source source_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::atomic<bool> paused_{false};
  std::atomic<int> seek_to_{-1};
  bool output_left_open_ = false;
};

Player* g_player = nullptr;

void Config(HWND parent) { MessageBox(parent, "Nothing to configure.", "Velko test tone player", MB_OK); }
void About(HWND parent) { MessageBox(parent, g_module.description, "About", MB_OK); }
void Init() { g_player = new Player; }
void Quit() {
  g_player->Quit();
  delete g_player;
  g_player = nullptr;
}

void GetFileInfo(const char* file, char* title, int* length_in_ms) {
  std::optional<Source> source;
  if (file == nullptr || *file == '\0') {
    if (g_player != nullptr) source = g_player->source();
  } else {
    source = ReadSource(file);
  }
  if (title != nullptr) {
    std::snprintf(title, GETFILEINFO_TITLE_LENGTH, "%s", source ? source->title.c_str() : "");
  }
  if (length_in_ms != nullptr) *length_in_ms = source ? source->length_ms() : 0;
}

int InfoBox(const char*, HWND) { return 0; }
int IsOurFile(const char*) { return 0; }

int Play(const char* fn) {
  std::optional<Source> source = ReadSource(fn);
  if (!source) return -1;
  return g_player->Start(*source) ? 0 : 1;
}

void Pause() { g_player->SetPaused(true); }
void UnPause() { g_player->SetPaused(false); }
int IsPaused() { return g_player->paused() ? 1 : 0; }
void Stop() { g_player->Stop(); }
int GetLength() { return g_player->length_ms(); }
int GetOutputTime() { return g_module.outMod->GetOutputTime(); }
void SetOutputTime(int time_in_ms) { g_player->Seek(time_in_ms); }
void SetVolume(int volume) { g_module.outMod->SetVolume(volume); }
void SetPan(int pan) { g_module.outMod->SetPan(pan); }
void EQSet(int, char[10], int) {}

#ifdef VELKO_TONE_PLAYS_WAV
constexpr char kDescription[] = "Velko test tone and WAV player 1.0";
constexpr char kExtensions[] = "TON;WAV\0Test tones and WAV files\0";
#else
constexpr char kDescription[] = "Velko test tone player 1.0";
constexpr char kExtensions[] = "TON;TONE\0Test tones\0";
#endif

In_Module MakeModule() {
  In_Module m{};
  m.version = IN_VER;
  m.description = kDescription;
  m.FileExtensions = kExtensions;
  m.is_seekable = 1;
  m.UsesOutputPlug = 1;
  m.Config = Config;
  m.About = About;
  m.Init = Init;
  m.Quit = Quit;
  m.GetFileInfo = GetFileInfo;
  m.InfoBox = InfoBox;
  m.IsOurFile = IsOurFile;
  m.Play = Play;
  m.Pause = Pause;
  m.UnPause = UnPause;
  m.IsPaused = IsPaused;
  m.Stop = Stop;
  m.GetLength = GetLength;
  m.GetOutputTime = GetOutputTime;
  m.SetOutputTime = SetOutputTime;
  m.SetVolume = SetVolume;
  m.SetPan = SetPan;
  m.EQSet = EQSet;
  return m;
}

}  // namespace

PLUGIN_EXPORT In_Module* winampGetInModule2() {
  static bool made = false;
  if (!made) {
    g_module = MakeModule();
    made = true;
  }
  return &g_module;
}

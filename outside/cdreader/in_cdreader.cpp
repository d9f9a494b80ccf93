// in_CDReader.dll: plays the ".cda" track files of a CD letter by reading
// the disc's audio digitally through the platform's CD layer, at 44100 Hz,
// stereo, 16 bits, from a thread of its own.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "outside/winamp/winamp_api.h"
#include "platform/cd/cd.h"
#include "platform/core/clock.h"
#include "platform/core/handles.h"
#include "platform/core/modules.h"
#include "platform/fs/files.h"
#include "platform/user/message_queue.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace cd = platform::cd;

namespace {

constexpr int kTrackFileSize = 44;
constexpr int kBlockSectors = 4;  // one write: 4 sectors, about 53 ms

// What a track file names.
struct Track {
  char letter = 0;
  int number = 0;
  int32_t start = 0;
  int32_t sectors = 0;
  int length_ms() const { return static_cast<int>(int64_t{sectors} * 1000 / cd::kSectorsPerSecond); }
};

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

std::optional<Track> ReadTrack(const char* file) {
  if (file == nullptr || !*file) return std::nullopt;
  // The track files of a CD letter exist only through the platform's file
  // calls (the drive's root lists them).
  HANDLE handle = CreateFile(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  uint8_t b[kTrackFileSize];
  DWORD read = 0;
  const BOOL ok = ReadFile(handle, b, kTrackFileSize, &read, nullptr);
  CloseHandle(handle);
  if (!ok || read != kTrackFileSize) return std::nullopt;
  if (std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "CDDAfmt ", 8) != 0) return std::nullopt;
  Track t;
  t.number = b[22] | b[23] << 8;
  t.start = static_cast<int32_t>(Le32(b + 28));
  t.sectors = static_cast<int32_t>(Le32(b + 32));
  if (t.start < 0 || t.sectors <= 0) return std::nullopt;
  // The drive is the letter the file lies on.
  const std::string path = file;
  if (path.size() >= 2 && path[1] == ':') t.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  return t;
}

In_Module g_module;

class Player {
 public:
  bool Start(const Track& track) {
    Stop();
    reader_ = cd::AudioReader::Open(track.letter);
    if (!reader_) return false;
    const cd::Toc& toc = reader_->toc();
    if (track.start + track.sectors > toc.lead_out) return false;
    track_ = track;
    stop_ = false;
    paused_ = false;
    seek_to_ = -1;
    if (g_module.outMod->Open(44100, 2, 16, -1, -1) < 0) {
      reader_.reset();
      return false;
    }
    thread_ = std::thread([this] { Run(); });
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
    g_module.outMod->Close();
    reader_.reset();
  }

  void SetPaused(bool paused) {
    paused_ = paused;
    g_module.outMod->Pause(paused ? 1 : 0);
    wake_.notify_all();
  }
  bool paused() const { return paused_; }
  void Seek(int ms) {
    seek_to_ = ms < 0 ? 0 : ms;
    wake_.notify_all();
  }
  int length_ms() const { return thread_.joinable() ? track_.length_ms() : 0; }
  const Track& track() const { return track_; }

 private:
  void Idle(DWORD ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    platform::WaitUntilClock(lock, wake_, platform::DeadlineAfterMs(ms), [this] { return stop_ || seek_to_ >= 0; });
  }

  void EndOfInput() { PostMessage(g_module.hMainWindow, WM_WA_MPEG_EOF, 0, 0); }

  void Run() {
    int32_t position = 0;  // sectors into the track
    bool ended = false;
    std::vector<char> block(static_cast<size_t>(kBlockSectors) * cd::kSectorBytes);
    while (!stop_) {
      const int seek = seek_to_.exchange(-1);
      if (seek >= 0) {
        position = static_cast<int32_t>(std::min<int64_t>(track_.sectors, int64_t{seek} * cd::kSectorsPerSecond / 1000));
        g_module.outMod->Flush(seek);
        ended = false;
        continue;
      }
      if (paused_ || ended) {
        Idle(10);
        continue;
      }
      if (position >= track_.sectors) {
        EndOfInput();
        ended = true;
        continue;
      }
      const int count = std::min(kBlockSectors, track_.sectors - position);
      const int bytes = count * cd::kSectorBytes;
      if (g_module.outMod->CanWrite() < bytes) {
        Idle(10);
        continue;
      }
      // Reads may come back short; a read that gives nothing means the
      // disc went away or cannot be read: the song ends there.
      long done = 0;
      while (done < count) {
        const long n = reader_->ReadSectors(track_.start + position + static_cast<int32_t>(done), count - done,
                                            block.data() + done * cd::kSectorBytes);
        if (n <= 0) break;
        done += n;
      }
      if (done < count || !cd::HasDisc(track_.letter)) {
        EndOfInput();
        ended = true;
        continue;
      }
      while (!stop_ && seek_to_ < 0 && g_module.outMod->Write(block.data(), bytes) != 0) Idle(10);
      position += count;
    }
  }

  Track track_;
  std::unique_ptr<cd::AudioReader> reader_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::atomic<bool> paused_{false};
  std::atomic<int> seek_to_{-1};
};

Player* g_player = nullptr;

void Config(HWND) {}
void About(HWND) {}
void Init() { g_player = new Player; }
void Quit() {
  if (!g_player) return;
  g_player->Stop();
  delete g_player;
  g_player = nullptr;
}

void GetFileInfo(const char* file, char* title, int* length_in_ms) {
  std::optional<Track> track;
  if (file == nullptr || *file == '\0') {
    if (g_player) track = g_player->track();
  } else {
    track = ReadTrack(file);
  }
  if (title) {
    if (track && track->number > 0) std::snprintf(title, GETFILEINFO_TITLE_LENGTH, "Track %02d", track->number);
    else title[0] = '\0';
  }
  if (length_in_ms) *length_in_ms = track ? track->length_ms() : 0;
}

int InfoBox(const char*, HWND) { return 0; }
int IsOurFile(const char*) { return 0; }
int Play(const char* fn) {
  std::optional<Track> track = ReadTrack(fn);
  if (!track || !track->letter) return -1;
  return g_player->Start(*track) ? 0 : 1;
}
void Pause() { g_player->SetPaused(true); }
void UnPause() { g_player->SetPaused(false); }
int IsPaused() { return g_player->paused() ? 1 : 0; }
void Stop() { g_player->Stop(); }
int GetLength() { return g_player->length_ms(); }
int GetOutputTime() { return g_module.outMod->GetOutputTime(); }
void SetOutputTime(int ms) { g_player->Seek(ms); }
void SetVolume(int volume) { g_module.outMod->SetVolume(volume); }
void SetPan(int pan) { g_module.outMod->SetPan(pan); }
void EQSet(int, char[10], int) {}

In_Module MakeModule() {
  In_Module m{};
  m.version = IN_VER;
  m.description = "Velko CD audio reader 1.0";
  m.FileExtensions = "CDA\0CD audio tracks\0";
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

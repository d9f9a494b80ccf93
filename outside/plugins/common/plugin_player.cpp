#include "outside/plugins/common/plugin_player.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/user/message_queue.h"

namespace velko_plugin {

namespace {

constexpr int kTitleBytes = 256;

}  // namespace

bool PluginPlayer::Start(std::unique_ptr<Decoder> decoder) {
  Stop();
  if (!decoder || module_.outMod == nullptr) return false;
  if (module_.outMod->Open(decoder->rate(), decoder->channels(), 16, -1, -1) < 0) return false;
  decoder_ = std::move(decoder);
  stop_ = false;
  paused_ = false;
  seek_to_ = -1;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void PluginPlayer::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  module_.outMod->Close();
  decoder_.reset();
  paused_ = false;
}

void PluginPlayer::SetPaused(bool paused) {
  if (!playing()) return;
  paused_ = paused;
  module_.outMod->Pause(paused ? 1 : 0);
  wake_.notify_all();
}

void PluginPlayer::Seek(int ms) {
  if (!playing()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    seek_to_ = std::max(ms, 0);
  }
  wake_.notify_all();
}

int PluginPlayer::output_time() const { return playing() ? module_.outMod->GetOutputTime() : 0; }

void PluginPlayer::Idle(unsigned ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  platform::WaitUntilClock(lock, wake_, platform::DeadlineAfterMs(ms), [this] { return stop_ || seek_to_ >= 0; });
}

void PluginPlayer::Run() {
  Out_Module& out = *module_.outMod;
  const int channels = decoder_->channels();
  std::vector<std::int16_t> block(static_cast<std::size_t>(block_frames_) * channels);
  int pending = 0;  // frames decoded and not yet written
  bool ended = false;
  while (!stop_) {
    const int seek = seek_to_.exchange(-1);
    if (seek >= 0) {
      decoder_->Seek(seek);
      out.Flush(seek);
      pending = 0;
      ended = false;
      continue;
    }
    if (paused_ || ended) {
      Idle(10);
      continue;
    }
    if (pending == 0) {
      pending = decoder_->Read(block.data(), block_frames_);
      if (pending <= 0) {
        pending = 0;
        ended = true;
        PostMessage(module_.hMainWindow, WM_WA_MPEG_EOF, 0, 0);
        continue;
      }
    }
    const int bytes = pending * channels * 2;
    if (out.CanWrite() < bytes || out.Write(reinterpret_cast<char*>(block.data()), bytes) != 0) {
      Idle(10);
      continue;
    }
    pending = 0;
  }
}

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

void CopyTitle(const std::string& title, char* out) {
  if (out == nullptr) return;
  std::size_t n = std::min<std::size_t>(title.size(), kTitleBytes - 1);
  // Back off to the start of a UTF-8 sequence that would be cut.
  if (n < title.size()) {
    while (n > 0 && (static_cast<unsigned char>(title[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(out, title.data(), n);
  out[n] = '\0';
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& native_path, std::size_t limit) {
  std::ifstream in(native_path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > limit) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
  return bytes;
}

bool IsUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t more = 0;
    if (c < 0x80) {
      more = 0;
    } else if (c >= 0xC2 && c < 0xE0) {
      more = 1;
    } else if (c >= 0xE0 && c < 0xF0) {
      more = 2;
    } else if (c >= 0xF0 && c < 0xF5) {
      more = 3;
    } else {
      return false;
    }
    if (s.size() - i <= more) return false;
    for (std::size_t k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += more + 1;
  }
  return true;
}

std::string ToUtf8(const std::string& bytes) {
  if (IsUtf8(bytes)) return bytes;
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

namespace {

void NoSAVSAInit(int, int) {}
void NoSAVSADeInit() {}
void NoAddPCMData(void*, int, int, int) {}
int NoSAGetMode() { return 0; }
void NoSAAdd(void*, int, int) {}
int NoVSAGetMode(int*, int*) { return 0; }
void NoVSAAdd(void*, int) {}
void NoVSASetInfo(int, int) {}
int NoDspIsActive() { return 0; }
int NoDspDoSamples(short*, int numsamples, int, int, int) { return numsamples; }
void NoEQSet(int, char[10], int) {}
void NoSetInfo(int, int, int, int) {}
void NoConfig(HWND) {}
int NoInfoBox(const char*, HWND) { return 0; }
int NotOurFile(const char*) { return 0; }

}  // namespace

In_Module BlankModule() {
  In_Module m{};
  m.version = IN_VER;
  m.is_seekable = 1;
  m.UsesOutputPlug = 1;
  m.Config = NoConfig;
  m.About = NoConfig;
  m.InfoBox = NoInfoBox;
  m.IsOurFile = NotOurFile;
  m.SAVSAInit = NoSAVSAInit;
  m.SAVSADeInit = NoSAVSADeInit;
  m.SAAddPCMData = NoAddPCMData;
  m.SAGetMode = NoSAGetMode;
  m.SAAdd = NoSAAdd;
  m.VSAAddPCMData = NoAddPCMData;
  m.VSAGetMode = NoVSAGetMode;
  m.VSAAdd = NoVSAAdd;
  m.VSASetInfo = NoVSASetInfo;
  m.dsp_isactive = NoDspIsActive;
  m.dsp_dosamples = NoDspDoSamples;
  m.EQSet = NoEQSet;
  m.SetInfo = NoSetInfo;
  return m;
}

}  // namespace velko_plugin

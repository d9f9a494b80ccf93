// in_asf.dll: a Winamp 2 input plug-in for the audio of ASF files, decoded by
// FFmpeg.
#include <memory>
#include <optional>
#include <string>

#include "outside/plugins/common/plugin_player.h"
#include "outside/plugins/in_asf/asf_decoder.h"
#include "outside/winamp/winamp_api.h"
#include "platform/dlg/message_box.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr char kDescription[] = "Velko ASF audio player 1.0";
constexpr char kExtensions[] = "ASF\0ASF files (*.ASF)\0";

In_Module g_module;
velko_plugin::PluginPlayer* g_player = nullptr;

std::unique_ptr<velko_asf::AsfDecoder> OpenFile(const char* file) {
  const std::optional<std::string> native = velko_plugin::NativePath(file);
  if (!native) return nullptr;
  return velko_asf::AsfDecoder::Open(*native, file);
}

void About(HWND parent) { MessageBox(parent, kDescription, "About", MB_OK); }
void Init() { g_player = new velko_plugin::PluginPlayer(g_module); }
void Quit() {
  delete g_player;
  g_player = nullptr;
}

void GetFileInfo(const char* file, char* title, int* length_in_ms) {
  if (file == nullptr || *file == '\0') {
    velko_plugin::CopyTitle(g_player != nullptr ? g_player->title() : std::string(), title);
    if (length_in_ms != nullptr) *length_in_ms = g_player != nullptr ? g_player->length_ms() : 0;
    return;
  }
  const std::unique_ptr<velko_asf::AsfDecoder> decoder = OpenFile(file);
  velko_plugin::CopyTitle(decoder ? decoder->title() : velko_plugin::BaseTitle(file), title);
  if (length_in_ms != nullptr) *length_in_ms = decoder ? decoder->length_ms() : 0;
}

int Play(const char* fn) {
  if (g_player == nullptr) return 1;
  g_player->Stop();
  std::unique_ptr<velko_asf::AsfDecoder> decoder = OpenFile(fn);
  if (!decoder) return -1;
  return g_player->Start(std::move(decoder)) ? 0 : 1;
}

void Pause() { g_player->SetPaused(true); }
void UnPause() { g_player->SetPaused(false); }
int IsPaused() { return g_player->paused() ? 1 : 0; }
void Stop() { g_player->Stop(); }
int GetLength() { return g_player->length_ms(); }
int GetOutputTime() { return g_player->output_time(); }
void SetOutputTime(int time_in_ms) { g_player->Seek(time_in_ms); }
void SetVolume(int volume) { g_module.outMod->SetVolume(volume); }
void SetPan(int pan) { g_module.outMod->SetPan(pan); }

In_Module MakeModule() {
  In_Module m = velko_plugin::BlankModule();
  m.description = kDescription;
  m.FileExtensions = kExtensions;
  m.About = About;
  m.Init = Init;
  m.Quit = Quit;
  m.GetFileInfo = GetFileInfo;
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

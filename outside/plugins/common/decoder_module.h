// The module record of an input plug-in that plays through a PluginPlayer.
//
// Most of a decoder plug-in's calls only hand on to its player or to the
// host's output module; DecoderModule<Plugin> makes them, and the plug-in
// gives what is its own as static members of `Plugin`:
//
//   kDescription, kExtensions   the module's description and extension list
//   Open(file, &error)          the decoder that plays `file`; null when it
//                               cannot, with `error` the value Play returns
//                               (it starts as -1, "file not found")
//   FileInfo(file, title, &ms)  GetFileInfo for a named file
//   Quit()                      (optional) what the plug-in frees on Quit,
//                               after the player has stopped
//   Config(parent)              (optional) the configuration call
//   About(parent)               (optional) the about call; without it a
//                               message box shows the description
//   kBlockFrames                (optional) the frames of one write
//
// `Plugin` should be a type of the plug-in's own unnamed namespace: the
// module record and the player are static members of the template, one per
// plug-in.
#pragma once

#include <memory>
#include <string>

#include "outside/plugins/common/plugin_player.h"
#include "outside/winamp/winamp_api.h"
#include "platform/dlg/message_box.h"

namespace velko_plugin {

template <class Plugin>
class DecoderModule {
 public:
  // The record the host asks for, filled on the first call.
  static In_Module* Get() {
    static bool made = false;
    if (!made) {
      module_ = Make();
      made = true;
    }
    return &module_;
  }

 private:
  static In_Module Make() {
    In_Module m = BlankModule();
    m.description = Plugin::kDescription;
    m.FileExtensions = Plugin::kExtensions;
    if constexpr (requires(HWND parent) { Plugin::Config(parent); }) m.Config = Plugin::Config;
    if constexpr (requires(HWND parent) { Plugin::About(parent); }) {
      m.About = Plugin::About;
    } else {
      m.About = About;
    }
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

  static void About(HWND parent) { MessageBox(parent, Plugin::kDescription, "About", MB_OK); }
  static void Init() {
    if constexpr (requires { Plugin::kBlockFrames; }) {
      player_ = new PluginPlayer(module_, Plugin::kBlockFrames);
    } else {
      player_ = new PluginPlayer(module_);
    }
  }
  static void Quit() {
    delete player_;
    player_ = nullptr;
    if constexpr (requires { Plugin::Quit(); }) Plugin::Quit();
  }

  static void GetFileInfo(const char* file, char* title, int* length_in_ms) {
    if (file == nullptr || *file == '\0') {
      CopyTitle(player_ != nullptr ? player_->title() : std::string(), title);
      if (length_in_ms != nullptr) *length_in_ms = player_ != nullptr ? player_->length_ms() : 0;
      return;
    }
    Plugin::FileInfo(file, title, length_in_ms);
  }

  static int Play(const char* fn) {
    if (player_ == nullptr) return 1;
    player_->Stop();
    int error = -1;
    std::unique_ptr<Decoder> decoder = Plugin::Open(fn, &error);
    if (!decoder) return error;
    return player_->Start(std::move(decoder)) ? 0 : 1;
  }

  static void Pause() { player_->SetPaused(true); }
  static void UnPause() { player_->SetPaused(false); }
  static int IsPaused() { return player_->paused() ? 1 : 0; }
  static void Stop() { player_->Stop(); }
  static int GetLength() { return player_->length_ms(); }
  static int GetOutputTime() { return player_->output_time(); }
  static void SetOutputTime(int time_in_ms) { player_->Seek(time_in_ms); }
  static void SetVolume(int volume) { module_.outMod->SetVolume(volume); }
  static void SetPan(int pan) { module_.outMod->SetPan(pan); }

  static inline In_Module module_{};
  static inline PluginPlayer* player_ = nullptr;
};

}  // namespace velko_plugin

// in_midi.dll: a Winamp 2 input plug-in for MIDI files (standard MIDI files
// of type 0 and 1, RIFF RMID and karaoke files), synthesised by FluidSynth
// with Debian's General MIDI sound font.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "outside/plugins/common/plugin_player.h"
#include "outside/plugins/in_midi/midi_file.h"
#include "outside/plugins/in_midi/midi_synth.h"
#include "outside/winamp/winamp_api.h"
#include "platform/dlg/message_box.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using velko_midi::MidiSong;

// No MIDI file is anywhere near this big; larger files are not read.
constexpr std::size_t kMaxMidiBytes = 8u << 20;

constexpr char kDescription[] = "Velko MIDI player 1.0";
constexpr char kExtensions[] = "MID;MIDI;RMI;KAR\0MIDI files (*.MID;*.MIDI;*.RMI;*.KAR)\0";

In_Module g_module;
velko_plugin::PluginPlayer* g_player = nullptr;
std::mutex g_font_mutex;
std::string g_font_path = velko_midi::kDefaultSoundFont;
std::shared_ptr<velko_midi::SoundFontSynth> g_synth;

std::optional<MidiSong> ReadSong(const char* file) {
  const std::optional<std::string> native = velko_plugin::NativePath(file);
  if (!native) return std::nullopt;
  const auto bytes = velko_plugin::ReadWholeFile(*native, kMaxMidiBytes);
  if (!bytes) return std::nullopt;
  return velko_midi::ParseMidiFile(bytes->data(), bytes->size());
}

// The synthesiser with the sound font loaded, loading it on first use.
std::shared_ptr<velko_midi::SoundFontSynth> Synth() {
  std::lock_guard<std::mutex> lock(g_font_mutex);
  if (!g_synth || g_synth->path() != g_font_path) {
    g_synth.reset();
    g_synth = velko_midi::SoundFontSynth::Load(g_font_path);
  }
  return g_synth;
}

void Config(HWND parent) {
  const std::string text = "Instruments come from the sound font " + g_font_path + ".";
  MessageBox(parent, text.c_str(), kDescription, MB_OK);
}
void About(HWND parent) { MessageBox(parent, kDescription, "About", MB_OK); }
void Init() { g_player = new velko_plugin::PluginPlayer(g_module); }
void Quit() {
  delete g_player;
  g_player = nullptr;
  std::lock_guard<std::mutex> lock(g_font_mutex);
  g_synth.reset();
  // The library stays loaded; the next load starts afresh.
  g_font_path = velko_midi::kDefaultSoundFont;
}

void GetFileInfo(const char* file, char* title, int* length_in_ms) {
  if (file == nullptr || *file == '\0') {
    velko_plugin::CopyTitle(g_player != nullptr ? g_player->title() : std::string(), title);
    if (length_in_ms != nullptr) *length_in_ms = g_player != nullptr ? g_player->length_ms() : 0;
    return;
  }
  const std::optional<MidiSong> song = ReadSong(file);
  velko_plugin::CopyTitle(song ? velko_midi::SongTitle(*song, file) : velko_plugin::BaseTitle(file), title);
  if (length_in_ms != nullptr) *length_in_ms = song ? static_cast<int>((song->length_us + 500) / 1000) : 0;
}

int Play(const char* fn) {
  if (g_player == nullptr) return 1;
  g_player->Stop();
  std::optional<MidiSong> song = ReadSong(fn);
  if (!song || song->length_us == 0) return -1;
  std::shared_ptr<velko_midi::SoundFontSynth> synth = Synth();
  if (!synth) return 1;
  std::string title = velko_midi::SongTitle(*song, fn);
  auto decoder = std::make_unique<velko_midi::MidiDecoder>(std::move(*song), std::move(title), std::move(synth));
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
  m.Config = Config;
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

// For tests: the sound font later songs load (its Linux path); null or empty
// goes back to the installed one.
PLUGIN_EXPORT void VelkoMidi_SetSoundFont(const char* native_path) {
  std::lock_guard<std::mutex> lock(g_font_mutex);
  g_font_path = native_path != nullptr && *native_path != '\0' ? native_path : velko_midi::kDefaultSoundFont;
}

// in_midi.dll: a Winamp 2 input plug-in for MIDI files (standard MIDI files
// of type 0 and 1, RIFF RMID and karaoke files), synthesised by FluidSynth
// with Debian's General MIDI sound font.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "outside/plugins/common/decoder_module.h"
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

struct MidiPlugin {
  static constexpr char kDescription[] = "Velko MIDI player 1.0";
  static constexpr char kExtensions[] = "MID;MIDI;RMI;KAR\0MIDI files (*.MID;*.MIDI;*.RMI;*.KAR)\0";

  static void Config(HWND parent) {
    const std::string text = "Instruments come from the sound font " + g_font_path + ".";
    MessageBox(parent, text.c_str(), kDescription, MB_OK);
  }

  static void Quit() {
    std::lock_guard<std::mutex> lock(g_font_mutex);
    g_synth.reset();
    // The library stays loaded; the next load starts afresh.
    g_font_path = velko_midi::kDefaultSoundFont;
  }

  static void FileInfo(const char* file, char* title, int* length_in_ms) {
    const std::optional<MidiSong> song = ReadSong(file);
    velko_plugin::CopyTitle(song ? velko_midi::SongTitle(*song, file) : velko_plugin::BaseTitle(file), title);
    if (length_in_ms != nullptr) *length_in_ms = song ? static_cast<int>((song->length_us + 500) / 1000) : 0;
  }

  // An unreadable or empty song is "file not found"; a sound font that does
  // not load is any other failure.
  static std::unique_ptr<velko_plugin::Decoder> Open(const char* file, int* error) {
    std::optional<MidiSong> song = ReadSong(file);
    if (!song || song->length_us == 0) return nullptr;
    std::shared_ptr<velko_midi::SoundFontSynth> synth = Synth();
    if (!synth) {
      *error = 1;
      return nullptr;
    }
    std::string title = velko_midi::SongTitle(*song, file);
    return std::make_unique<velko_midi::MidiDecoder>(std::move(*song), std::move(title), std::move(synth));
  }
};

}  // namespace

PLUGIN_EXPORT In_Module* winampGetInModule2() { return velko_plugin::DecoderModule<MidiPlugin>::Get(); }

// For tests: the sound font later songs load (its Linux path); null or empty
// goes back to the installed one.
PLUGIN_EXPORT void VelkoMidi_SetSoundFont(const char* native_path) {
  std::lock_guard<std::mutex> lock(g_font_mutex);
  g_font_path = native_path != nullptr && *native_path != '\0' ? native_path : velko_midi::kDefaultSoundFont;
}

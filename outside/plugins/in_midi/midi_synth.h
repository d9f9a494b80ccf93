// MIDI songs rendered by FluidSynth with a General MIDI sound font, as
// 44100 Hz 16-bit stereo.
#pragma once

#include <memory>
#include <string>

#include "outside/plugins/common/plugin_player.h"
#include "outside/plugins/in_midi/midi_file.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace velko_midi {

constexpr int kMidiRate = 44100;
// Where Debian's General MIDI sound font is installed.
constexpr char kDefaultSoundFont[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

// A synthesiser with one sound font loaded. One song uses it at a time.
class SoundFontSynth {
 public:
  // Nothing when the sound font cannot be loaded.
  static std::shared_ptr<SoundFontSynth> Load(const std::string& path);
  ~SoundFontSynth();
  SoundFontSynth(const SoundFontSynth&) = delete;
  SoundFontSynth& operator=(const SoundFontSynth&) = delete;

  const std::string& path() const { return path_; }
  fluid_synth_t* synth() const { return synth_; }

 private:
  SoundFontSynth() = default;
  std::string path_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
};

class MidiDecoder : public velko_plugin::Decoder {
 public:
  MidiDecoder(MidiSong song, std::string title, std::shared_ptr<SoundFontSynth> synth);

  int rate() const override { return kMidiRate; }
  int channels() const override { return 2; }
  int length_ms() const override;
  const std::string& title() const override { return title_; }
  int Read(std::int16_t* out, int max_frames) override;
  void Seek(int ms) override;

 private:
  std::uint64_t FrameOf(const MidiEvent& event) const;
  void Send(const MidiEvent& event) const;

  MidiSong song_;
  std::string title_;
  std::shared_ptr<SoundFontSynth> synth_;
  std::uint64_t total_frames_;
  std::uint64_t position_ = 0;  // frames rendered
  std::size_t next_event_ = 0;
};

// The title GetFileInfo reports: the first track name, or the file name.
std::string SongTitle(const MidiSong& song, const std::string& file_name);

}  // namespace velko_midi

#include "outside/plugins/in_midi/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace velko_midi {

namespace {

void QuietLogging() {
  // A missing or broken sound font is reported by the result of Play, not
  // on the terminal.
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
  });
}

}  // namespace

std::shared_ptr<SoundFontSynth> SoundFontSynth::Load(const std::string& path) {
  QuietLogging();
  if (path.empty() || !fluid_is_soundfont(path.c_str())) return nullptr;
  std::shared_ptr<SoundFontSynth> s(new SoundFontSynth);
  s->path_ = path;
  s->settings_ = new_fluid_settings();
  if (s->settings_ == nullptr) return nullptr;
  fluid_settings_setnum(s->settings_, "synth.sample-rate", kMidiRate);
  fluid_settings_setint(s->settings_, "synth.threadsafe-api", 0);
  fluid_settings_setint(s->settings_, "synth.cpu-cores", 1);
  fluid_settings_setnum(s->settings_, "synth.gain", 0.5);
  s->synth_ = new_fluid_synth(s->settings_);
  if (s->synth_ == nullptr || fluid_synth_sfload(s->synth_, path.c_str(), 1) == FLUID_FAILED) return nullptr;
  return s;
}

SoundFontSynth::~SoundFontSynth() {
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
}

MidiDecoder::MidiDecoder(MidiSong song, std::string title, std::shared_ptr<SoundFontSynth> synth)
    : song_(std::move(song)),
      title_(std::move(title)),
      synth_(std::move(synth)),
      total_frames_(song_.length_us * kMidiRate / 1000000) {
  fluid_synth_system_reset(synth_->synth());
}

int MidiDecoder::length_ms() const { return static_cast<int>((song_.length_us + 500) / 1000); }

std::uint64_t MidiDecoder::FrameOf(const MidiEvent& event) const { return event.time_us * kMidiRate / 1000000; }

void MidiDecoder::Send(const MidiEvent& event) const {
  fluid_synth_t* synth = synth_->synth();
  const int channel = event.status & 0x0F;
  switch (event.status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth, channel, event.data1);
      break;
    case 0x90:
      if (event.data2 == 0) {
        fluid_synth_noteoff(synth, channel, event.data1);
      } else {
        fluid_synth_noteon(synth, channel, event.data1, event.data2);
      }
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
      break;
    case 0xB0:
      fluid_synth_cc(synth, channel, event.data1, event.data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, channel, event.data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth, channel, event.data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth, channel, event.data2 << 7 | event.data1);
      break;
    default:
      break;
  }
}

int MidiDecoder::Read(std::int16_t* out, int max_frames) {
  if (max_frames <= 0 || position_ >= total_frames_) return 0;
  const std::uint64_t end = std::min(total_frames_, position_ + static_cast<std::uint64_t>(max_frames));
  int made = 0;
  while (position_ < end) {
    while (next_event_ < song_.events.size() && FrameOf(song_.events[next_event_]) <= position_) {
      Send(song_.events[next_event_++]);
    }
    std::uint64_t until = end;
    if (next_event_ < song_.events.size()) until = std::min(until, FrameOf(song_.events[next_event_]));
    const int frames = static_cast<int>(until - position_);
    std::int16_t* at = out + static_cast<std::ptrdiff_t>(made) * 2;
    fluid_synth_write_s16(synth_->synth(), frames, at, 0, 2, at, 1, 2);
    made += frames;
    position_ = until;
  }
  return made;
}

void MidiDecoder::Seek(int ms) {
  const std::uint64_t target =
      std::min(total_frames_, static_cast<std::uint64_t>(std::max(ms, 0)) * kMidiRate / 1000);
  // Start from silence with every channel's sound set up as it would be at
  // the target: programs, controllers, pressure and bends, without notes.
  fluid_synth_t* synth = synth_->synth();
  fluid_synth_system_reset(synth);
  next_event_ = 0;
  while (next_event_ < song_.events.size() && FrameOf(song_.events[next_event_]) < target) {
    const MidiEvent& event = song_.events[next_event_++];
    const std::uint8_t kind = event.status & 0xF0;
    if (kind != 0x80 && kind != 0x90 && kind != 0xA0) Send(event);
  }
  position_ = target;
}

std::string SongTitle(const MidiSong& song, const std::string& file_name) {
  if (song.track_name) {
    std::string name = *song.track_name;
    // Keep printable text only, without surrounding blanks.
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
               name.end());
    const std::size_t first = name.find_first_not_of(' ');
    const std::size_t last = name.find_last_not_of(' ');
    if (first != std::string::npos) return velko_plugin::ToUtf8(name.substr(first, last - first + 1));
  }
  return velko_plugin::BaseTitle(file_name);
}

}  // namespace velko_midi

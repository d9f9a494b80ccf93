#include "outside/plugins/in_midi/midi_synth.h"

#include <dlfcn.h>
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace velko_midi {

namespace {

// FluidSynth's calls, bound at run time: the library and the many
// libraries it depends on are loaded by the first sound font, not with the
// plug-in, which the player loads at start.
#define VELKO_FLUID_CALLS(X)                                                                     \
  X(delete_fluid_settings) X(delete_fluid_synth) X(fluid_is_soundfont)                          \
  X(fluid_set_log_function) X(fluid_settings_setint) X(fluid_settings_setnum) X(fluid_synth_cc) \
  X(fluid_synth_channel_pressure) X(fluid_synth_key_pressure) X(fluid_synth_noteoff)            \
  X(fluid_synth_noteon) X(fluid_synth_pitch_bend) X(fluid_synth_program_change)                 \
  X(fluid_synth_sfload) X(fluid_synth_system_reset) X(fluid_synth_write_s16)                    \
  X(new_fluid_settings) X(new_fluid_synth)

struct FluidLibrary {
#define VELKO_FLUID_MEMBER(name) decltype(&::name) name = nullptr;
  VELKO_FLUID_CALLS(VELKO_FLUID_MEMBER)
#undef VELKO_FLUID_MEMBER
};

FluidLibrary g_fluid;

// Loads FluidSynth once (the interface this code was built against:
// FluidSynth 2, libfluidsynth.so.3) and quiets its log: a missing or broken
// sound font is reported by the result of Play, not on the terminal. Its
// sound font library registers GLib types as it loads, which GLib keeps for
// the life of the process: once loaded, it stays.
static_assert(FLUIDSYNTH_VERSION_MAJOR == 2);

bool LoadFluid() {
  static std::mutex mutex;
  static bool loaded = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (loaded) return true;
  void* handle = dlopen("libfluidsynth.so.3", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) return false;
  FluidLibrary library;
  bool complete = true;
#define VELKO_FLUID_BIND(name)                                                 \
  if (complete) {                                                              \
    library.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));  \
    complete = library.name != nullptr;                                        \
  }
  VELKO_FLUID_CALLS(VELKO_FLUID_BIND)
#undef VELKO_FLUID_BIND
  if (!complete) return false;
  for (int level = 0; level < LAST_LOG_LEVEL; ++level) library.fluid_set_log_function(level, nullptr, nullptr);
  g_fluid = library;
  loaded = true;
  return true;
}

// Only after LoadFluid has succeeded.
const FluidLibrary& Fluid() { return g_fluid; }

}  // namespace

std::shared_ptr<SoundFontSynth> SoundFontSynth::Load(const std::string& path) {
  if (!LoadFluid()) return nullptr;
  if (path.empty() || !Fluid().fluid_is_soundfont(path.c_str())) return nullptr;
  std::shared_ptr<SoundFontSynth> s(new SoundFontSynth);
  s->path_ = path;
  s->settings_ = Fluid().new_fluid_settings();
  if (s->settings_ == nullptr) return nullptr;
  Fluid().fluid_settings_setnum(s->settings_, "synth.sample-rate", kMidiRate);
  Fluid().fluid_settings_setint(s->settings_, "synth.threadsafe-api", 0);
  Fluid().fluid_settings_setint(s->settings_, "synth.cpu-cores", 1);
  Fluid().fluid_settings_setnum(s->settings_, "synth.gain", 0.5);
  s->synth_ = Fluid().new_fluid_synth(s->settings_);
  if (s->synth_ == nullptr || Fluid().fluid_synth_sfload(s->synth_, path.c_str(), 1) == FLUID_FAILED) return nullptr;
  return s;
}

SoundFontSynth::~SoundFontSynth() {
  if (synth_ != nullptr) Fluid().delete_fluid_synth(synth_);
  if (settings_ != nullptr) Fluid().delete_fluid_settings(settings_);
}

MidiDecoder::MidiDecoder(MidiSong song, std::string title, std::shared_ptr<SoundFontSynth> synth)
    : song_(std::move(song)),
      title_(std::move(title)),
      synth_(std::move(synth)),
      total_frames_(song_.length_us * kMidiRate / 1000000) {
  Fluid().fluid_synth_system_reset(synth_->synth());
}

int MidiDecoder::length_ms() const { return static_cast<int>((song_.length_us + 500) / 1000); }

std::uint64_t MidiDecoder::FrameOf(const MidiEvent& event) const { return event.time_us * kMidiRate / 1000000; }

void MidiDecoder::Send(const MidiEvent& event) const {
  fluid_synth_t* synth = synth_->synth();
  const int channel = event.status & 0x0F;
  switch (event.status & 0xF0) {
    case 0x80:
      Fluid().fluid_synth_noteoff(synth, channel, event.data1);
      break;
    case 0x90:
      if (event.data2 == 0) {
        Fluid().fluid_synth_noteoff(synth, channel, event.data1);
      } else {
        Fluid().fluid_synth_noteon(synth, channel, event.data1, event.data2);
      }
      break;
    case 0xA0:
      Fluid().fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
      break;
    case 0xB0:
      Fluid().fluid_synth_cc(synth, channel, event.data1, event.data2);
      break;
    case 0xC0:
      Fluid().fluid_synth_program_change(synth, channel, event.data1);
      break;
    case 0xD0:
      Fluid().fluid_synth_channel_pressure(synth, channel, event.data1);
      break;
    case 0xE0:
      Fluid().fluid_synth_pitch_bend(synth, channel, event.data2 << 7 | event.data1);
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
    Fluid().fluid_synth_write_s16(synth_->synth(), frames, at, 0, 2, at, 1, 2);
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
  Fluid().fluid_synth_system_reset(synth);
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

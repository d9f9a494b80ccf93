// The MIDI plug-in's file reader on arbitrary bytes: it must never read out
// of bounds, and a song it accepts must be in time order within its length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "outside/plugins/in_midi/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto song = velko_midi::ParseMidiFile(data, size);
  if (!song) return 0;
  if (song->length_us > velko_midi::kMaxSongMicros) std::abort();
  std::uint64_t last = 0;
  for (const velko_midi::MidiEvent& event : song->events) {
    if (event.time_us < last || event.time_us > song->length_us + 1) std::abort();
    if (event.status < 0x80 || event.status >= 0xF0 || event.data1 > 0x7F || event.data2 > 0x7F) std::abort();
    last = event.time_us;
  }
  return 0;
}

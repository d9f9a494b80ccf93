// Standard MIDI files (type 0, 1 and 2) and RIFF RMID files, read from bytes
// into one list of timed channel messages.
//
// The reader trusts nothing in the file: every length is checked against
// the bytes that are there before it is used, nothing is allocated from a
// count the file states, a tempo of 0 is ignored, and a song longer than a
// day is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velko_midi {

// One channel message (note, controller, program, pressure, pitch bend).
struct MidiEvent {
  std::uint64_t time_us = 0;  // from the start of the song
  std::uint8_t status = 0;    // 0x80..0xEF
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  bool operator==(const MidiEvent&) const = default;
};

struct MidiSong {
  std::vector<MidiEvent> events;  // in playing order
  // The text of the first track-name meta event, as it stands in the file.
  std::optional<std::string> track_name;
  // The end of the last track.
  std::uint64_t length_us = 0;
  int format = 0;
  int tracks = 0;
};

constexpr std::uint64_t kMaxSongMicros = 24ull * 3600 * 1000 * 1000;

// The song in `size` bytes at `data`; nothing when they do not hold a whole,
// well-formed MIDI file.
std::optional<MidiSong> ParseMidiFile(const std::uint8_t* data, std::size_t size);

}  // namespace velko_midi

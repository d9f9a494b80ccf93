// MIDI files built byte by byte for the plug-in tests, benchmarks and fuzz
// seeds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace plugin_test {

// A variable-length number as MIDI files store it.
std::string Vlq(std::uint32_t value);

// The events of one MTrk chunk.
class Track {
 public:
  // A message after `delta` ticks: status and data bytes as given (running
  // status is simply leaving the status byte out).
  Track& Event(std::uint32_t delta, std::initializer_list<int> bytes);
  Track& Tempo(std::uint32_t delta, std::uint32_t us_per_quarter);
  Track& Name(std::uint32_t delta, const std::string& text);
  Track& SysEx(std::uint32_t delta, const std::string& body);
  Track& End(std::uint32_t delta);
  // The whole chunk; `stated_length` replaces the true length when given.
  std::string Chunk(std::int64_t stated_length = -1) const;
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// "MThd" with the given fields, then the chunks. `stated_tracks` -1 states
// the number of chunks.
std::string SmfFile(int format, std::uint16_t division, const std::vector<std::string>& chunks,
                    int stated_tracks = -1);
// The SMF in a RIFF RMID file's data chunk.
std::string RmidFile(const std::string& smf);

// A tune of `beats` quarter notes at `bpm` on channel 0 (a piano) with a bass
// line on channel 1 and a hi-hat on the drum channel, type 1 with the name
// `name` in its conductor track; its length is beats * 60 / bpm seconds.
std::string Tune(int beats, int bpm, const std::string& name = "Velko Tune");

}  // namespace plugin_test

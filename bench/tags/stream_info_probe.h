// What the player's GetStreamInfo fills from the audio file readers, for
// the probe program and the benchmark (not part of the product): the
// reader is picked by the file's extension, and its fields are copied the
// way the player copies them.
#pragma once

#include <cstdint>
#include <string>

#include "tags/MPEGaudio.h"
#include "tags/OggVorbis.h"
#include "tags/WAVfile.h"
#include "tags/WMAfile.h"

namespace velko_bench {

struct ProbedStream {
  std::string reader;  // "MP3", "OGG", "WMA", "WAV" or "none"
  bool read = false;   // the reader could read the file
  bool valid = false;  // the reader accepted it
  std::int32_t file_size = 0;
  std::int32_t sample_rate = 0;
  std::int32_t bit_rate = 0;
  std::int32_t duration_ms = 0;
  std::uint16_t channels = 0;
  std::string title, artist, album, year, genre;
  std::uint8_t genre_id = 0;
  std::uint8_t track = 0;
  std::string comment;
};

// One set of readers, used again for every file, as the player does.
class StreamProbe {
 public:
  // `file_name` is a platform path ("Z:\home\me\song.mp3").
  ProbedStream Probe(const std::string& file_name);

 private:
  TMPEGaudio mpeg_;
  TOggVorbis ogg_;
  TWMAfile wma_;
  TWAVfile wav_;
};

}  // namespace velko_bench

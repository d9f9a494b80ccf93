// Ogg Vorbis files for tests, written with libvorbisenc and libogg.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velko_test {

struct VorbisParameters {
  int sample_rate = 44100;
  int channels = 2;
  float quality = 0.4f;  // variable bit rate, -0.1 to 1
  int serial = 12345;    // the logical stream's serial number
  std::vector<std::pair<std::string, std::string>> comments = {};
};

// Encodes interleaved samples (-1 to 1, `channels` a frame) into an Ogg
// Vorbis file. Throws std::runtime_error when the encoder refuses the
// parameters.
std::string EncodeVorbis(const std::vector<float>& interleaved, const VorbisParameters& parameters);

}  // namespace velko_test

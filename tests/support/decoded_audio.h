// What the reference decoders make of the files the encoders under test
// write: libvorbisfile for Ogg Vorbis, libmpg123 for MP3. Header-only: the
// test programs that use it link those libraries themselves.
#pragma once

#include <mpg123.h>
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velko_test {

struct DecodedAudio {
  std::int64_t frames = -1;  // -1: not decodable
  int channels = 0;
  long rate = 0;
  std::map<std::string, std::string> comments;  // Vorbis comments by name
};

inline DecodedAudio DecodeVorbisFile(const std::filesystem::path& path) {
  DecodedAudio d;
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) return d;
  d.frames = ov_pcm_total(&vf, -1);
  d.channels = ov_info(&vf, -1)->channels;
  d.rate = ov_info(&vf, -1)->rate;
  vorbis_comment* vc = ov_comment(&vf, -1);
  for (int i = 0; i < vc->comments; ++i) {
    const std::string c(vc->user_comments[i], static_cast<std::size_t>(vc->comment_lengths[i]));
    d.comments[c.substr(0, c.find('='))] = c.substr(c.find('=') + 1);
  }
  ov_clear(&vf);
  return d;
}

// The frames of 16-bit output of an MP3 stream (with the encoder's delay
// and padding: there is no gapless information).
inline DecodedAudio DecodeMp3(const std::string& mp3) {
  mpg123_init();
  int err = 0;
  mpg123_handle* h = mpg123_new(nullptr, &err);
  mpg123_open_feed(h);
  mpg123_feed(h, reinterpret_cast<const unsigned char*>(mp3.data()), mp3.size());
  DecodedAudio d;
  int encoding = 0;
  std::vector<unsigned char> out(1 << 16);
  std::size_t done = 0;
  std::int64_t bytes = 0;
  for (;;) {
    const int r = mpg123_read(h, out.data(), out.size(), &done);
    bytes += static_cast<std::int64_t>(done);
    if (r == MPG123_NEW_FORMAT) mpg123_getformat(h, &d.rate, &d.channels, &encoding);
    else if (r != MPG123_OK) break;
  }
  d.frames = d.channels ? bytes / (2 * d.channels) : 0;
  mpg123_delete(h);
  return d;
}

}  // namespace velko_test

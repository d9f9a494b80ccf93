#include "bench/tags/stream_info_probe.h"

#include <cmath>

namespace velko_bench {

namespace {

std::int32_t Milliseconds(double seconds) { return static_cast<std::int32_t>(std::nearbyint(seconds * 1000)); }

std::string UpperExtension(const std::string& file_name) {
  const std::size_t dot = file_name.rfind('.');
  const std::size_t slash = file_name.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string ext = file_name.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return ext;
}

}  // namespace

ProbedStream StreamProbe::Probe(const std::string& file_name) {
  ProbedStream info;
  const std::string ext = UpperExtension(file_name);
  if (ext == ".WAV") {
    info.reader = "WAV";
    info.read = wav_.ReadFromFile(file_name);
    info.valid = info.read && wav_.Valid;
    if (!info.valid) return info;
    info.file_size = static_cast<std::int32_t>(wav_.FileSize);
    info.sample_rate = static_cast<std::int32_t>(wav_.SampleRate);
    info.channels = wav_.ChannelModeID;
    info.duration_ms = Milliseconds(wav_.GetDuration());
  } else if (ext == ".MP3") {
    info.reader = "MP3";
    info.read = mpeg_.ReadFromFile(file_name);
    info.valid = info.read && mpeg_.GetValid();
    if (!info.valid) return info;
    info.file_size = mpeg_.FileLength;
    info.sample_rate = mpeg_.GetSampleRate();
    info.bit_rate = mpeg_.GetBitRate();
    info.duration_ms = Milliseconds(mpeg_.GetDuration());
    if (mpeg_.ID3v1.Exists) {
      const TID3v1& tag = mpeg_.ID3v1;
      info.title = tag.Title, info.artist = tag.Artist, info.album = tag.Album, info.year = tag.Year;
      info.comment = tag.Comment;
      info.genre = tag.GetGenre();
      info.genre_id = tag.GenreID;
      info.track = tag.Track;
    } else if (mpeg_.ID3v2.Exists) {
      const TID3v2& tag = mpeg_.ID3v2;
      info.title = tag.Title, info.artist = tag.Artist, info.album = tag.Album, info.year = tag.Year;
      info.genre = tag.Genre;
      info.comment = tag.Comment;
      info.track = static_cast<std::uint8_t>(tag.Track);
    }
    info.channels = mpeg_.GetChannelMode() == "Mono" ? 1 : 2;
  } else if (ext == ".OGG") {
    info.reader = "OGG";
    info.read = ogg_.ReadFromFile(file_name);
    info.valid = info.read && ogg_.GetValid();
    if (!info.valid) return info;
    info.file_size = ogg_.FileSize;
    info.sample_rate = static_cast<std::int32_t>(ogg_.SampleRate);
    info.bit_rate = ogg_.GetBitRate();
    info.duration_ms = Milliseconds(ogg_.GetDuration());
    info.title = ogg_.Title, info.artist = ogg_.Artist, info.album = ogg_.Album, info.year = ogg_.Date;
    info.genre = ogg_.Genre;
    info.comment = ogg_.Comment;
    info.track = static_cast<std::uint8_t>(ogg_.Track);
    info.channels = ogg_.ChannelModeID;
  } else if (ext == ".WMA") {
    info.reader = "WMA";
    info.read = wma_.ReadFromFile(file_name);
    info.valid = info.read && wma_.Valid;
    if (!info.valid) return info;
    info.file_size = wma_.FileSize;
    info.sample_rate = wma_.SampleRate;
    info.bit_rate = wma_.BitRate;
    info.channels = wma_.ChannelModeID;
    info.duration_ms = Milliseconds(wma_.Duration);
    info.title = wma_.Title, info.artist = wma_.Artist, info.album = wma_.Album, info.year = wma_.Year;
    info.genre = wma_.Genre;
    info.comment = wma_.Comment;
    info.track = static_cast<std::uint8_t>(wma_.Track);
  } else {
    info.reader = "none";
  }
  return info;
}

}  // namespace velko_bench

#include "outside/plugins/in_midi/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velko_midi {

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// A bounded view of the bytes of one chunk.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ >= size_; }
  std::size_t left() const { return size_ - pos_; }
  bool Byte(std::uint8_t& out) {
    if (AtEnd()) return false;
    out = data_[pos_++];
    return true;
  }
  // A variable-length number: at most four bytes.
  bool Number(std::uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint8_t b = 0;
      if (!Byte(b)) return false;
      out = out << 7 | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }
  bool Skip(std::size_t n) {
    if (n > left()) return false;
    pos_ += n;
    return true;
  }
  const std::uint8_t* here() const { return data_ + pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

struct TickedEvent {
  std::uint64_t tick;
  MidiEvent event;
};

struct TempoChange {
  std::uint64_t tick;
  std::uint32_t us_per_quarter;
};

struct Tracks {
  std::vector<TickedEvent> events;
  std::vector<TempoChange> tempos;
  std::optional<std::string> track_name;
  std::uint64_t end_tick = 0;
};

// One MTrk chunk's events; false when they are malformed.
bool ParseTrack(Reader track, Tracks& out) {
  std::uint64_t tick = 0;
  std::uint8_t running = 0;
  while (!track.AtEnd()) {
    std::uint32_t delta = 0;
    if (!track.Number(delta)) return false;
    tick += delta;
    std::uint8_t status = 0;
    if (!track.Byte(status)) return false;
    std::uint8_t first = 0;
    if (status < 0x80) {
      // Running status: this byte is the first data byte.
      if (running == 0) return false;
      first = status;
      status = running;
    } else if (status < 0xF0) {
      if (!track.Byte(first)) return false;
    }
    if (status < 0xF0) {
      running = status;
      MidiEvent event;
      event.status = status;
      event.data1 = first & 0x7F;
      const std::uint8_t kind = status & 0xF0;
      if (kind != 0xC0 && kind != 0xD0) {
        std::uint8_t second = 0;
        if (!track.Byte(second)) return false;
        event.data2 = second & 0x7F;
      }
      out.events.push_back({tick, event});
      continue;
    }
    running = 0;
    if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length = 0;
      if (!track.Number(length) || !track.Skip(length)) return false;
      continue;
    }
    if (status != 0xFF) return false;
    std::uint8_t type = 0;
    std::uint32_t length = 0;
    if (!track.Byte(type) || !track.Number(length) || length > track.left()) return false;
    const std::uint8_t* body = track.here();
    track.Skip(length);
    if (type == 0x51 && length >= 3) {
      const std::uint32_t tempo = std::uint32_t{body[0]} << 16 | std::uint32_t{body[1]} << 8 | body[2];
      if (tempo > 0) out.tempos.push_back({tick, tempo});
    } else if (type == 0x03 && !out.track_name) {
      out.track_name = std::string(reinterpret_cast<const char*>(body), length);
    } else if (type == 0x2F) {
      break;
    }
  }
  out.end_tick = std::max(out.end_tick, tick);
  return true;
}

// Ticks to microseconds through the tempo map (or the fixed SMPTE rate).
class Clock {
 public:
  Clock(std::uint16_t division, std::vector<TempoChange> tempos) : tempos_(std::move(tempos)) {
    if (division & 0x8000) {
      const int fps = -static_cast<std::int8_t>(division >> 8);
      const int ticks_per_frame = division & 0xFF;
      const double frames = fps == 29 ? 29.97 : fps;
      if ((fps == 24 || fps == 25 || fps == 29 || fps == 30) && ticks_per_frame > 0) {
        smpte_us_per_tick_ = 1e6 / (frames * ticks_per_frame);
      }
    } else {
      ticks_per_quarter_ = division;
    }
    std::stable_sort(tempos_.begin(), tempos_.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  }
  bool valid() const { return smpte_us_per_tick_ > 0 || ticks_per_quarter_ > 0; }

  // Ticks must be asked for in rising order.
  double Micros(std::uint64_t tick) {
    if (smpte_us_per_tick_ > 0) return static_cast<double>(tick) * smpte_us_per_tick_;
    while (next_ < tempos_.size() && tempos_[next_].tick <= tick) {
      segment_us_ += static_cast<double>(tempos_[next_].tick - segment_tick_) * tempo_ / ticks_per_quarter_;
      segment_tick_ = tempos_[next_].tick;
      tempo_ = tempos_[next_].us_per_quarter;
      ++next_;
    }
    return segment_us_ + static_cast<double>(tick - segment_tick_) * tempo_ / ticks_per_quarter_;
  }

 private:
  std::vector<TempoChange> tempos_;
  double smpte_us_per_tick_ = 0;
  double ticks_per_quarter_ = 0;
  std::size_t next_ = 0;
  std::uint64_t segment_tick_ = 0;
  double segment_us_ = 0;
  double tempo_ = 500000;  // 120 beats a minute until told otherwise
};

std::optional<MidiSong> ParseSmf(const std::uint8_t* data, std::size_t size) {
  if (size < 14 || std::memcmp(data, "MThd", 4) != 0) return std::nullopt;
  const std::uint32_t header_length = Be32(data + 4);
  if (header_length < 6 || header_length > size - 8) return std::nullopt;
  const int format = Be16(data + 8);
  const int track_count = Be16(data + 10);
  const std::uint16_t division = Be16(data + 12);
  if (format > 2 || track_count == 0) return std::nullopt;

  Tracks tracks;
  int found = 0;
  std::size_t pos = 8 + header_length;
  while (found < track_count && size - pos >= 8) {
    const std::uint32_t length = Be32(data + pos + 4);
    const std::size_t body = pos + 8;
    if (length > size - body) return std::nullopt;  // the chunk runs past the file
    if (std::memcmp(data + pos, "MTrk", 4) == 0) {
      if (!ParseTrack(Reader(data + body, length), tracks)) return std::nullopt;
      ++found;
    }
    pos = body + length;
  }
  if (found < track_count) return std::nullopt;

  Clock clock(division, std::move(tracks.tempos));
  if (!clock.valid()) return std::nullopt;
  std::stable_sort(tracks.events.begin(), tracks.events.end(),
                   [](const TickedEvent& a, const TickedEvent& b) { return a.tick < b.tick; });
  const std::uint64_t end_tick =
      std::max(tracks.end_tick, tracks.events.empty() ? std::uint64_t{0} : tracks.events.back().tick);
  Clock length_clock = clock;
  const double length_us = length_clock.Micros(end_tick);
  if (!(length_us <= static_cast<double>(kMaxSongMicros))) return std::nullopt;

  MidiSong song;
  song.format = format;
  song.tracks = found;
  song.track_name = std::move(tracks.track_name);
  song.length_us = static_cast<std::uint64_t>(std::llround(length_us));
  song.events.reserve(tracks.events.size());
  for (const TickedEvent& ticked : tracks.events) {
    MidiEvent event = ticked.event;
    event.time_us = static_cast<std::uint64_t>(std::llround(clock.Micros(ticked.tick)));
    song.events.push_back(event);
  }
  return song;
}

}  // namespace

std::optional<MidiSong> ParseMidiFile(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) return std::nullopt;
  if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0) {
    std::size_t pos = 12;
    while (size - pos >= 8) {
      const std::uint32_t length = Le32(data + pos + 4);
      const std::size_t body = pos + 8;
      if (length > size - body) return std::nullopt;
      if (std::memcmp(data + pos, "data", 4) == 0) return ParseSmf(data + body, length);
      pos = body + length + (length & 1);
      if (pos > size) return std::nullopt;
    }
    return std::nullopt;
  }
  return ParseSmf(data, size);
}

}  // namespace velko_midi

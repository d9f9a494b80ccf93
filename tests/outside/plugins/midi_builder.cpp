#include "tests/outside/plugins/midi_builder.h"

namespace plugin_test {

namespace {

std::string Be(std::uint32_t value, int bytes) {
  std::string s;
  for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>((value >> (8 * i)) & 0xFF);
  return s;
}

}  // namespace

std::string Vlq(std::uint32_t value) {
  std::string s(1, static_cast<char>(value & 0x7F));
  while ((value >>= 7) != 0) s.insert(s.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  return s;
}

Track& Track::Event(std::uint32_t delta, std::initializer_list<int> bytes) {
  bytes_ += Vlq(delta);
  for (const int b : bytes) bytes_ += static_cast<char>(b);
  return *this;
}

Track& Track::Tempo(std::uint32_t delta, std::uint32_t us_per_quarter) {
  bytes_ += Vlq(delta) + "\xFF\x51\x03" + Be(us_per_quarter, 3);
  return *this;
}

Track& Track::Name(std::uint32_t delta, const std::string& text) {
  bytes_ += Vlq(delta) + "\xFF\x03" + Vlq(static_cast<std::uint32_t>(text.size())) + text;
  return *this;
}

Track& Track::SysEx(std::uint32_t delta, const std::string& body) {
  bytes_ += Vlq(delta) + "\xF0" + Vlq(static_cast<std::uint32_t>(body.size())) + body;
  return *this;
}

Track& Track::End(std::uint32_t delta) {
  bytes_ += Vlq(delta) + std::string("\xFF\x2F\x00", 3);
  return *this;
}

std::string Track::Chunk(std::int64_t stated_length) const {
  const auto length = static_cast<std::uint32_t>(stated_length >= 0 ? stated_length : bytes_.size());
  return "MTrk" + Be(length, 4) + bytes_;
}

std::string SmfFile(int format, std::uint16_t division, const std::vector<std::string>& chunks, int stated_tracks) {
  const int tracks = stated_tracks >= 0 ? stated_tracks : static_cast<int>(chunks.size());
  std::string s = "MThd" + Be(6, 4) + Be(format, 2) + Be(tracks, 2) + Be(division, 2);
  for (const std::string& c : chunks) s += c;
  return s;
}

std::string RmidFile(const std::string& smf) {
  auto le = [](std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  std::string body = "RMID" + std::string("data") + le(static_cast<std::uint32_t>(smf.size())) + smf;
  if (smf.size() & 1) body += '\0';
  return "RIFF" + le(static_cast<std::uint32_t>(body.size())) + body;
}

std::string Tune(int beats, int bpm, const std::string& name) {
  constexpr int kDivision = 480;
  Track conductor;
  conductor.Name(0, name).Tempo(0, static_cast<std::uint32_t>(60000000 / bpm)).End(static_cast<std::uint32_t>(beats) * kDivision);
  static constexpr int kScale[] = {60, 62, 64, 65, 67, 69, 71, 72};
  Track melody;
  melody.Event(0, {0xC0, 0}).Event(0, {0xB0, 7, 110});
  Track bass;
  bass.Event(0, {0xC1, 33});
  Track drums;
  for (int i = 0; i < beats; ++i) {
    const int key = kScale[i % 8];
    // The melody's notes after the first use running status, and end by a
    // note-on of velocity 0.
    if (i == 0) {
      melody.Event(0, {0x90, key, 100});
    } else {
      melody.Event(20, {key, 100});
    }
    melody.Event(kDivision - 20, {key, 0});
    bass.Event(0, {0x91, key - 24, 90}).Event(kDivision, {0x81, key - 24, 64});
    drums.Event(i == 0 ? 0 : kDivision / 2, {0x99, 42, 80}).Event(kDivision / 2, {0x89, 42, 0});
  }
  melody.End(20);
  bass.End(0);
  drums.End(kDivision / 2);
  return SmfFile(1, kDivision, {conductor.Chunk(), melody.Chunk(), bass.Chunk(), drums.Chunk()});
}

}  // namespace plugin_test

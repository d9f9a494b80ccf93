// The MIDI file reader: timing through the tempo map, the file kinds it
// takes, and the malformed and hostile files it refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "outside/plugins/in_midi/midi_file.h"
#include "outside/plugins/in_midi/midi_synth.h"
#include "tests/outside/plugins/midi_builder.h"

namespace plugin_test {
namespace {

using velko_midi::MidiEvent;
using velko_midi::MidiSong;

std::optional<MidiSong> Parse(const std::string& bytes) {
  return velko_midi::ParseMidiFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string OneTrack(const Track& track, std::uint16_t division = 96) {
  return SmfFile(0, division, {track.Chunk()});
}

TEST(MidiFile, TypeZeroEventsAndLength) {
  Track t;
  t.Event(0, {0xC0, 5}).Event(0, {0x90, 60, 100}).Event(96, {0x80, 60, 0}).Event(0, {0xE0, 0x00, 0x40}).End(96);
  const auto song = Parse(OneTrack(t));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->format, 0);
  EXPECT_EQ(song->tracks, 1);
  EXPECT_FALSE(song->track_name);
  EXPECT_EQ(song->length_us, 1000000u);  // two quarters at the default 120 a minute
  const std::vector<MidiEvent> expected = {
      {0, 0xC0, 5, 0}, {0, 0x90, 60, 100}, {500000, 0x80, 60, 0}, {500000, 0xE0, 0, 0x40}};
  EXPECT_EQ(song->events, expected);
}

TEST(MidiFile, TempoMapFromAnyTrackTimesEveryTrack) {
  Track conductor;
  conductor.Tempo(0, 1000000).Tempo(96, 250000).Tempo(96, 0).End(96);  // a tempo of 0 is ignored
  Track notes;
  notes.Event(96, {0x90, 60, 1}).Event(96, {0x90, 62, 1}).Event(96, {0x90, 64, 1}).End(0);
  const auto song = Parse(SmfFile(1, 96, {conductor.Chunk(), notes.Chunk()}));
  ASSERT_TRUE(song);
  ASSERT_EQ(song->events.size(), 3u);
  EXPECT_EQ(song->events[0].time_us, 1000000u);
  EXPECT_EQ(song->events[1].time_us, 1250000u);
  EXPECT_EQ(song->events[2].time_us, 1500000u);
  EXPECT_EQ(song->length_us, 1500000u);
}

TEST(MidiFile, TypeOneTracksMergeInTimeOrderWithTheFirstName) {
  const auto song = Parse(Tune(8, 120, "First Name"));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->format, 1);
  EXPECT_EQ(song->tracks, 4);
  EXPECT_EQ(song->track_name, "First Name");
  EXPECT_EQ(song->length_us, 4000000u);
  EXPECT_TRUE(std::is_sorted(song->events.begin(), song->events.end(),
                             [](const MidiEvent& a, const MidiEvent& b) { return a.time_us < b.time_us; }));
  // Running-status notes came through as note-ons of the melody's channel.
  const auto melody_ons = std::count_if(song->events.begin(), song->events.end(),
                                        [](const MidiEvent& e) { return e.status == 0x90; });
  EXPECT_EQ(melody_ons, 16);
}

TEST(MidiFile, RmidHoldsTheSameSong) {
  const std::string smf = Tune(4, 90);
  const auto plain = Parse(smf);
  const auto wrapped = Parse(RmidFile(smf));
  ASSERT_TRUE(plain && wrapped);
  EXPECT_EQ(wrapped->events, plain->events);
  EXPECT_EQ(wrapped->length_us, plain->length_us);
}

TEST(MidiFile, SmpteDivisionIgnoresTempo) {
  Track t;
  t.Tempo(0, 250000).Event(1000, {0x90, 60, 100}).End(500);
  // 25 frames a second of 40 ticks: a thousand ticks a second.
  const auto song = Parse(OneTrack(t, 0xE728));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->events.at(0).time_us, 1000000u);
  EXPECT_EQ(song->length_us, 1500000u);
}

TEST(MidiFile, SysExUnknownChunksAndSurplusTracksAreSkipped) {
  Track t;
  t.SysEx(0, "\x7E\x7F\x09\x01\xF7").Name(0, "Song").Name(0, "Later").Event(48, {0xB0, 7, 0xFF}).End(48);
  std::string file = SmfFile(0, 96, {"XFIH" + std::string("\0\0\0\2ab", 6), t.Chunk(), Track().End(0).Chunk()}, 1);
  const auto song = Parse(file);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->tracks, 1);
  EXPECT_EQ(song->track_name, "Song");
  ASSERT_EQ(song->events.size(), 1u);
  EXPECT_EQ(song->events[0], (MidiEvent{250000, 0xB0, 7, 0x7F})) << "data bytes keep seven bits";
}

struct Refused {
  const char* what;
  std::string bytes;
};

std::vector<Refused> RefusedFiles() {
  Track ok;
  ok.Event(0, {0x90, 60, 100}).Event(96, {0x80, 60, 0}).End(0);
  const std::string good = OneTrack(ok);
  std::vector<Refused> cases = {
      {"empty", ""},
      {"header only", good.substr(0, 14)},
      {"cut in its track", good.substr(0, good.size() - 3)},
      {"track length past the file", SmfFile(0, 96, {ok.Chunk(0xFFFFFFF0)})},
      {"more tracks stated than present", SmfFile(1, 96, {ok.Chunk()}, 65535)},
      {"no tracks", SmfFile(0, 96, {}, 0)},
      {"format 3", SmfFile(3, 96, {ok.Chunk()})},
      {"division 0", SmfFile(0, 0, {ok.Chunk()})},
      {"SMPTE rate 23", SmfFile(0, 0xE928, {ok.Chunk()})},
      {"header length past the file", "MThd" + std::string("\xFF\xFF\xFF\xF0\0\0\0\1\0\x60", 10) + ok.Chunk()},
      {"RMID without data", "RIFF" + std::string("\x04\0\0\0", 4) + "RMID"},
      {"RMID data past the file", RmidFile(good).substr(0, 30)},
      {"not MIDI at all", "This is plainly not a MIDI file, is it?"},
  };
  Track t;
  t.Event(0, {60, 100}).End(0);
  cases.push_back({"running status with none before", OneTrack(t)});
  t = Track();
  t.Event(0, {0x90, 60}).End(0);
  cases.push_back({"message cut by the track's end", SmfFile(0, 96, {"MTrk" + std::string("\0\0\0\3", 4) + t.bytes().substr(0, 3)})});
  cases.push_back({"five-byte delta", SmfFile(0, 96, {"MTrk" + std::string("\0\0\0\x08", 4) + std::string("\x81\x81\x81\x81\x01\x90\x3C\x40", 8)})});
  cases.push_back({"meta length past the track", SmfFile(0, 96, {"MTrk" + std::string("\0\0\0\x05", 4) + std::string("\x00\xFF\x03\x7F\x41", 5)})});
  cases.push_back({"system common status", SmfFile(0, 96, {"MTrk" + std::string("\0\0\0\x03", 4) + std::string("\x00\xF2\x00", 3)})});
  t = Track();
  t.Tempo(0, 0xFFFFFF).Event(0x0FFFFFFF, {0x90, 60, 100}).End(0);
  cases.push_back({"longer than a day", OneTrack(t, 1)});
  return cases;
}

TEST(MidiFile, MalformedAndHostileFilesAreRefused) {
  for (const Refused& c : RefusedFiles()) {
    EXPECT_FALSE(Parse(c.bytes)) << c.what;
  }
  EXPECT_FALSE(velko_midi::ParseMidiFile(nullptr, 0));
}

TEST(MidiFile, TitleIsTheTrackNameOrTheFileName) {
  struct Case {
    std::optional<std::string> track_name;
    const char* expected;
  };
  const Case cases[] = {
      {std::nullopt, "Some Song"},
      {"  Real Title \r\n", "Real Title"},
      {"Caf\xE9", "Caf\xC3\xA9"},          // Latin-1 becomes UTF-8
      {"Caf\xC3\xA9", "Caf\xC3\xA9"},      // UTF-8 stays
      {" \t ", "Some Song"},                 // nothing printable
  };
  for (const Case& c : cases) {
    MidiSong song;
    song.track_name = c.track_name;
    EXPECT_EQ(velko_midi::SongTitle(song, "C:\\Music\\Some Song.mid"), c.expected) << c.expected;
  }
}

}  // namespace
}  // namespace plugin_test

// MIDI and ASF songs played by in_midi.dll and in_asf.dll through the real
// player, the output emulator and the audio library's silent device on the
// manual clock; the hostile files and the missing sound font.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "playback/PluginCtrl.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/outside/plugins/asf_files.h"
#include "tests/outside/plugins/midi_builder.h"
#include "tests/playback/player_fixture.h"

namespace plugin_test {
namespace {

using playback_test::PlaybackTest;

// A type 0 song: a piano and a drum on one track, `quarters` quarter notes
// at the default 120 a minute.
std::string TypeZero(int quarters) {
  Track t;
  t.Event(0, {0xC0, 0});
  for (int i = 0; i < quarters; ++i) {
    t.Event(0, {0x90, 60 + i % 12, 110}).Event(0, {0x99, 38, 100});
    t.Event(96, {0x80, 60 + i % 12, 0}).Event(0, {0x89, 38, 0});
  }
  t.End(0);
  return SmfFile(0, 96, {t.Chunk()});
}

class PluginSongs : public PlaybackTest {
 protected:
  TBASSPlayer& MakePluginPlayer() {
    Folder({.plugins = {{"in_midi.dll", ""}, {"in_asf.dll", ""}}});
    TBASSPlayer& player = MakePlayer();
    EXPECT_EQ(LoadWinampPlugin("in_midi.dll"), PLUGIN_LOADED);
    EXPECT_EQ(LoadWinampPlugin("in_asf.dll"), PLUGIN_LOADED);
    return player;
  }
  In_Module& Module(const std::string& name) { return *GetPluginModule(FindPluginByName(name)); }
  HMODULE Library(const std::string& name) {
    TPluginInfo info;
    GetPluginInfo(FindPluginByName(name), info);
    return info.DLLHandle;
  }
  // Writes an ASF song into the program folder, encoded from a 16-bit sine
  // WAV by ffmpeg.
  std::string AsfFile(const std::string& name, const std::string& codec, const bass_test::Pcm& pcm,
                      const std::string& title = "") {
    velko_test::TempDir scratch;
    const auto written = scratch.WriteFile("source.wav", bass_test::WavBytes(pcm));
    const std::filesystem::path asf = folder_->path() / name;
    EXPECT_TRUE(MakeAsf(written, asf, codec, title)) << "ffmpeg made " << name;
    return playback_test::PlatformPathOf(asf);
  }
  // Loudest sample of what the device played since capture began.
  int TakeLoudest() {
    std::vector<std::int16_t> heard(44100 * 2 * 60);
    const DWORD bytes = bass_.ReadOutput(heard.data(), static_cast<DWORD>(heard.size() * 2));
    int loudest = 0;
    for (std::size_t i = 0; i < bytes / 2; ++i) loudest = std::max(loudest, std::abs(static_cast<int>(heard[i])));
    return loudest;
  }
};

enum class Kind { kType0, kType1, kRmid, kAsfWma, kAsfMp3 };

struct SongCase {
  const char* name;
  Kind kind;
  int length_ms;
  const char* title;
};

void PrintTo(const SongCase& c, std::ostream* out) { *out << c.name; }

class PluginSong : public PluginSongs, public ::testing::WithParamInterface<SongCase> {
 protected:
  std::string Write(const SongCase& c) {
    switch (c.kind) {
      case Kind::kType0:
        return folder_->WriteFile(c.name, TypeZero(6));
      case Kind::kType1:
        return folder_->WriteFile(c.name, Tune(6, 120, c.title));
      case Kind::kRmid:
        return folder_->WriteFile(c.name, RmidFile(Tune(5, 100, c.title)));
      case Kind::kAsfWma:
        return AsfFile(c.name, "wmav2", bass_test::Sine(440, 3.0), c.title);
      case Kind::kAsfMp3:
        // The ring holds 2 s of this format: the song is long enough that its
        // end is not read before the test has sought.
        return AsfFile(c.name, "libmp3lame", bass_test::Sine(660, c.length_ms / 1000.0, 22050, 1));
    }
    return {};
  }
};

TEST_P(PluginSong, OpensPlaysPausesSeeksAndEndsOnce) {
  const SongCase& c = GetParam();
  TBASSPlayer& player = MakePluginPlayer();
  const std::string file = Write(c);
  ASSERT_TRUE(player.Open(file));
  EXPECT_EQ(player.ChannelType(), ctPlugin);
  EXPECT_EQ(player.SupportedBy, sbPlugin);
  EXPECT_NEAR(static_cast<double>(player.GetPlayLength()), c.length_ms, 50.0);
  EXPECT_EQ(player.StreamInfo.Title, c.title);

  bass_.CaptureOutput(TRUE);
  WithClock([&] { player.Play(); });
  ASSERT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_TRUE(player.OutputStarted());
  PlayMs(400, 100);
  EXPECT_GT(TakeLoudest(), 1000) << "the song is heard";

  player.Pause();
  EXPECT_EQ(player.PlayerMode, pmPaused);
  PlayMs(50, 100);
  const std::uint32_t paused_at = player.GetPosition();
  PlayMs(300, 100);
  EXPECT_EQ(player.GetPosition(), paused_at);
  player.Play();
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  PlayMs(300, 100);
  EXPECT_NEAR(player.GetPosition(), paused_at + 300.0, 40.0);

  const std::uint32_t target = static_cast<std::uint32_t>(c.length_ms) / 2;
  WithClock([&] { player.SetPosition(target); });
  EXPECT_FALSE(player.StartWait());
  EXPECT_GE(player.GetPosition(), target);
  EXPECT_LT(player.GetPosition(), target + 500);
  PlayMs(200, 100);
  EXPECT_GT(TakeLoudest(), 1000) << "heard after the seek";

  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 0; }));
  EXPECT_EQ(play_ends_, 1);
  EXPECT_EQ(player.PlayerMode, pmStopped);
  EXPECT_EQ(GetUserStream(), 0u) << "the plug-in closed its output";
  PlayMs(300, 100);
  EXPECT_EQ(play_ends_, 1);
  EXPECT_TRUE(TakeBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Files, PluginSong,
                         ::testing::Values(SongCase{"type0.mid", Kind::kType0, 3000, "type0"},
                                           SongCase{"tune.mid", Kind::kType1, 3000, "Velko Tune"},
                                           SongCase{"tune.rmi", Kind::kRmid, 3000, "Rmid Tune"},
                                           SongCase{"wma.asf", Kind::kAsfWma, 3000, "Asf Title"},
                                           SongCase{"mp3.asf", Kind::kAsfMp3, 8000, "mp3"}));

// The files each plug-in claims, beyond those the songs above open.
TEST_F(PluginSongs, PluginsClaimTheirFileTypes) {
  MakePluginPlayer();
  EXPECT_EQ(PluginFileTypes(), "*.MID;*.MIDI;*.RMI;*.KAR;*.ASF;");
}

struct Hostile {
  const char* name;
  const char* plugin;
  std::string bytes;
};

TEST_F(PluginSongs, HostileFilesAreUnplayableAndLeaveNothingRunning) {
  TBASSPlayer& player = MakePluginPlayer();
  const std::string good_midi = Tune(4, 120);
  AsfFile("good.asf", "wmav2", bass_test::Sine(440, 1.0));
  const std::string asf = velko_test::ReadFile(folder_->path() / "good.asf");
  ASSERT_GT(asf.size(), 4000u);
  std::mt19937 random(21);
  std::string garbled = asf;
  for (std::size_t i = 16; i < garbled.size(); ++i) garbled[i] = static_cast<char>(random());
  Track t;
  t.Tempo(0, 0).Event(0, {0x90, 60, 100}).Event(96, {0x80, 60, 0}).End(0);

  const std::vector<Hostile> files = {
      {"empty.mid", "in_midi.dll", ""},
      {"cut.mid", "in_midi.dll", good_midi.substr(0, good_midi.size() / 2)},
      {"junk.mid", "in_midi.dll", std::string(5000, '\x90')},
      {"far.mid", "in_midi.dll", SmfFile(0, 96, {t.Chunk(0x7FFFFFF0)})},
      {"many.mid", "in_midi.dll", SmfFile(1, 96, {t.Chunk()}, 65535)},
      {"empty.asf", "in_asf.dll", ""},
      {"cut.asf", "in_asf.dll", asf.substr(0, 600)},
      {"garbled.asf", "in_asf.dll", garbled},
      {"junk.asf", "in_asf.dll", std::string(20000, 'A')},
  };
  for (const Hostile& h : files) {
    const std::string path = folder_->WriteFile(h.name, h.bytes);
    In_Module& module = Module(h.plugin);
    char title[GETFILEINFO_TITLE_LENGTH] = "unchanged";
    int length = -1;
    module.GetFileInfo(path.c_str(), title, &length);
    EXPECT_EQ(length, 0) << h.name;
    EXPECT_NE(module.Play(path.c_str()), 0) << h.name;
    EXPECT_EQ(GetUserStream(), 0u) << h.name << ": no output was opened";
    module.Stop();
    EXPECT_FALSE(player.Open(path)) << h.name;
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u) << h.name;
    EXPECT_EQ(boxes[0].text.rfind("Invalid stream file(" + path + ") !", 0), 0u) << boxes[0].text;
  }

  // A tempo of 0 is ignored: the song keeps the default tempo.
  const std::string zero = folder_->WriteFile("zero.mid", SmfFile(0, 96, {t.Chunk()}));
  int length = 0;
  Module("in_midi.dll").GetFileInfo(zero.c_str(), nullptr, &length);
  EXPECT_EQ(length, 500);
}

TEST_F(PluginSongs, MissingSoundFontMakesPlayFailCleanly) {
  TBASSPlayer& player = MakePluginPlayer();
  auto set_font = reinterpret_cast<void (*)(const char*)>(GetProcAddress(Library("in_midi.dll"), "VelkoMidi_SetSoundFont"));
  ASSERT_NE(set_font, nullptr);
  set_font((folder_->path() / "missing.sf2").c_str());
  const std::string song = folder_->WriteFile("song.mid", Tune(4, 120));
  EXPECT_NE(Module("in_midi.dll").Play(song.c_str()), 0);
  EXPECT_EQ(GetUserStream(), 0u);

  ASSERT_TRUE(player.Open(song));
  EXPECT_EQ(player.GetPlayLength(), 2000u) << "the length needs no sound font";
  WithClock([&] { player.Play(); });
  EXPECT_EQ(player.PlayerMode, pmReady);
  EXPECT_EQ(player.ChannelHandle(), 0u);
  EXPECT_EQ(GetUserStream(), 0u);
  EXPECT_TRUE(TakeBoxes().empty());

  // A file that is no sound font at all is as good as none.
  folder_->WriteFile("bad.sf2", "RIFF....sfbk");
  set_font((folder_->path() / "bad.sf2").c_str());
  EXPECT_NE(Module("in_midi.dll").Play(song.c_str()), 0);

  set_font(nullptr);
  WithClock([&] { player.Play(); });
  EXPECT_EQ(player.PlayerMode, pmPlaying) << "the installed sound font plays it";
  player.Stop();
}

TEST_F(PluginSongs, StopDuringTheFirstBufferAndSeekPastTheEnd) {
  TBASSPlayer& player = MakePluginPlayer();
  const std::string midi = folder_->WriteFile("tune.mid", Tune(8, 120));
  const std::string asf = AsfFile("song.asf", "wmav2", bass_test::Sine(440, 3.0));
  for (const std::string& file : {midi, asf}) {
    In_Module& module = Module(file == midi ? "in_midi.dll" : "in_asf.dll");
    // Stopped at once, before its output could start.
    ASSERT_EQ(module.Play(file.c_str()), 0) << file;
    module.Stop();
    EXPECT_EQ(GetUserStream(), 0u) << file;
    EXPECT_EQ(module.GetLength(), 0) << file << ": nothing plays";

    // Sought past the end: the song ends, once.
    ASSERT_TRUE(player.Open(file));
    const int ends = play_ends_;
    WithClock([&] { player.Play(); });
    ASSERT_EQ(player.PlayerMode, pmPlaying) << file;
    module.SetOutputTime(static_cast<int>(player.GetPlayLength()) + 5000);
    ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > ends; })) << file;
    PlayMs(300, 100);
    EXPECT_EQ(play_ends_, ends + 1) << file;
    EXPECT_EQ(player.PlayerMode, pmStopped) << file;
    EXPECT_EQ(GetUserStream(), 0u) << file;
  }
}

// The input ends while the player is paused: one end, and the player goes
// on with the next song.
TEST_F(PluginSongs, PausedAtTheEndEndsOnce) {
  TBASSPlayer& player = MakePluginPlayer();
  const std::string song = folder_->WriteFile("tune.mid", Tune(6, 120));
  ASSERT_TRUE(player.Open(song));
  WithClock([&] { player.Play(); });
  ASSERT_EQ(player.PlayerMode, pmPlaying);
  // The plug-in jumps to its last 200 ms and is paused about when its
  // input ends: whichever comes first, the song ends once.
  In_Module& module = Module("in_midi.dll");
  SetSeekRequested();
  module.SetOutputTime(2800);
  player.Pause();
  EXPECT_EQ(module.IsPaused(), 1);
  PumpWithClockUntil([] { return false; }, 300);
  EXPECT_LE(play_ends_, 1);
  player.Play();
  EXPECT_EQ(module.IsPaused(), 0);
  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 0; }));
  PumpWithClockUntil([] { return false; }, 300);
  EXPECT_EQ(play_ends_, 1) << "its input ended once";

  ASSERT_TRUE(player.Open(folder_->WriteFile("next.mid", TypeZero(4))));
  EXPECT_EQ(GetUserStream(), 0u) << "the plug-in was stopped";
  WithClock([&] { player.Play(); });
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(module.IsPaused(), 0);
  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 1; }));
  EXPECT_EQ(play_ends_, 2);
}

}  // namespace
}  // namespace plugin_test

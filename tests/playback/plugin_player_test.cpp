// Songs played by a Winamp input plug-in through the player, the output
// emulator and its ring: start, seek, stop, end of song and the failure
// paths. The player's wait loops sleep on the manual clock, so a
// ClockDriver moves time on while they run.
#include <cstdlib>
#include <ostream>
#include <vector>

#include "classlib/Timers.h"
#include "playback/PluginCtrl.h"
#include "playback/RT_BASS.h"
#include "platform/core/clock.h"
#include "platform/user/user.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/playback/player_fixture.h"
#include "tests/tags/audio_builders.h"

namespace playback_test {
namespace {

struct Start {
  std::uint16_t channels;
  std::uint32_t rate;
  bool operator==(const Start&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Start& s) {
    return out << s.channels << " channels at " << s.rate << " Hz";
  }
};

class PluginPlayer : public PlaybackTest {
 protected:
  TBASSPlayer& MakePluginPlayer(const std::string& plugin = "in_tone.dll") {
    Folder({.plugins = {{plugin, ""}}});
    TBASSPlayer& player = MakePlayer();
    EXPECT_EQ(LoadWinampPlugin(plugin), PLUGIN_LOADED);
    player.OnPluginStartPlay = [this](TObject*, std::uint16_t channels, std::uint32_t rate) {
      starts_.push_back({channels, rate});
    };
    player.OnNewFFTData = [this](TObject*, const TBandOut&) { ++fft_events_; };
    return player;
  }
  std::string Tone(const std::string& name, const std::string& text) { return folder_->WriteFile(name, text); }
  static std::uint64_t Now() { return GetTickCount64(); }

  std::vector<Start> starts_;
  int fft_events_ = 0;
};

TEST_F(PluginPlayer, StartSeekStopAndRestart) {
  TBASSPlayer& player = MakePluginPlayer();
  player.SetEffects({efFlanger, efEqualizer, efEcho, efReverb});
  ASSERT_TRUE(player.Open(Tone("five.ton", "tone 1000\nseconds 5\n")));
  EXPECT_EQ(player.ChannelType(), ctPlugin);
  EXPECT_EQ(player.SupportedBy, sbPlugin);
  EXPECT_EQ(player.GetPlayLength(), 5000u);
  EXPECT_EQ(player.GetPosition(), 0u);
  EXPECT_EQ(player.DSPHandle(), 0u) << "effects wait for the plug-in's stream";

  WithClock([&] { player.Play(); });
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_TRUE(player.OutputStarted());
  EXPECT_FALSE(player.StartWait());
  ASSERT_NE(GetUserStream(), 0u);
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(GetUserStream()), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(starts_, (std::vector<Start>{{2, 44100}}));
  EXPECT_EQ(player.StreamInfo.Channels, 2);
  EXPECT_EQ(player.StreamInfo.SampleRate, 44100);
  EXPECT_NE(player.DSPHandle(), 0u) << "effects went onto the user stream";
  EXPECT_NE(player.EchoHandle(), 0u);
  EXPECT_GT(player.GetPosition(), 200u);
  EXPECT_TRUE(player.FFTTimer()->Enabled());

  const std::uint32_t before = player.GetPosition();
  PlayMs(300);
  EXPECT_NEAR(player.GetPosition(), before + 300, 30);
  EXPECT_GT(fft_events_, 5);

  // Pausing and resuming a plug-in song: the songs of the program's own
  // plug-ins (outside/plugins) check it.
  player.SetPosition(6000);
  EXPECT_LT(player.GetPosition(), 2000u) << "beyond the song: ignored";
  WithClock([&] { player.SetPosition(3000); });
  EXPECT_FALSE(player.StartWait());
  EXPECT_GE(player.GetPosition(), 3000u);
  EXPECT_LT(player.GetPosition(), 3500u);
  EXPECT_EQ(starts_.size(), 2u) << "the output started again after the seek";

  player.Stop();
  EXPECT_EQ(player.PlayerMode, pmStopped);
  EXPECT_EQ(GetUserStream(), 0u) << "the plug-in closed its output";
  EXPECT_EQ(player.DSPHandle(), 0u);

  WithClock([&] { player.Play(); });
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(starts_.size(), 3u);
  EXPECT_LT(player.GetPosition(), 1000u) << "from the start again";
  EXPECT_EQ(play_ends_, 0);
  EXPECT_TRUE(TakeBoxes().empty());
}

// A song ends once, after its buffer played out, and every frame of it was
// heard before the stop: one longer than the 0.4 s the output waits for
// before it starts, one shorter (its output starts when its input ends),
// and one that fits in the ring whole (its end arrives while it starts).
TEST_F(PluginPlayer, SongEndsOnceAfterItsBufferPlayedOut) {
  TBASSPlayer& player = MakePluginPlayer();
  struct Case {
    const char* tone;
    std::size_t frames;  // 0: not counted
    std::size_t missed;  // at most, at the start
  };
  for (const Case& c : {Case{"tone 1000\nseconds 1\n", 44100, 1500}, Case{"tone 1000\nseconds 0.25\n", 11025, 500},
                        Case{"tone 800\nseconds 2\nrate 22050\nchannels 1\nbits 8\n", 0, 0}}) {
    SCOPED_TRACE(c.tone);
    const int ends = play_ends_;
    const std::size_t starts = starts_.size();
    ASSERT_TRUE(player.Open(Tone("song.ton", c.tone)));
    bass_.CaptureOutput(TRUE);
    WithClock([&] { player.Play(); });
    ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > ends; }));
    EXPECT_EQ(starts_.size(), starts + 1);
    EXPECT_EQ(player.PlayerMode, pmStopped);
    EXPECT_EQ(GetUserStream(), 0u);
    std::vector<std::int16_t> heard(44100 * 2 * 20);
    const DWORD bytes = bass_.ReadOutput(heard.data(), static_cast<DWORD>(heard.size() * 2));
    bass_.CaptureOutput(FALSE);
    PlayMs(300);
    EXPECT_EQ(play_ends_, ends + 1);
    if (c.frames == 0) continue;
    std::size_t sounding = 0;
    for (std::size_t i = 0; i < bytes / 4; ++i) {
      if (heard[2 * i] != 0) ++sounding;
    }
    EXPECT_GT(sounding, c.frames - c.missed);
    EXPECT_LE(sounding, c.frames);
  }
}

TEST_F(PluginPlayer, PausedAndResumedSongEndsWithoutStalling) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("two.ton", "tone 500\nseconds 2\n")));
  WithClock([&] { player.Play(); });
  PlayMs(300);
  player.Pause();
  PlayMs(200);
  const std::uint32_t left = 2000 - player.GetPosition();
  player.Resume();
  const std::uint64_t resumed = Now();
  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 0; }));
  EXPECT_LT(Now() - resumed, left + 1000) << "no waiting for a writer that has finished";
  EXPECT_EQ(play_ends_, 1);
}

// A plug-in that reports its end early and goes on writing keeps its stream
// playing: the play-out wait gives up after what was buffered plus 2 s.
TEST_F(PluginPlayer, PlayOutWaitIsBounded) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("liar.ton", "seconds 20\nmode earlyend\n")));
  const std::uint64_t start = Now();
  WithClock([&] { player.Play(); });
  ASSERT_EQ(player.PlayerMode, pmPlaying);
  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 0; }));
  // The end came after about 0.5 s of output; then at most the ring's half
  // second and 2 s more.
  EXPECT_LT(Now() - start, 4000u);
  EXPECT_GT(Now() - start, 2000u);
  EXPECT_EQ(play_ends_, 1);
  EXPECT_EQ(player.PlayerMode, pmStopped);
  EXPECT_EQ(GetUserStream(), 0u);
}

// A start that never hears from the plug-in times out after 60 tries of
// 50 ms and stops it, showing nothing; an input that ends at once ends the
// start at once. Either way the plug-in's output is closed with it.
TEST_F(PluginPlayer, StartThatTimesOutOrEndsAtOnceStopsThePlugin) {
  TBASSPlayer& player = MakePluginPlayer();
  struct Case {
    const char* mode;
    std::uint64_t least_ms, most_ms;
    int ends;
  };
  for (const Case& c : {Case{"silent", 2900, 10000, 0}, Case{"endnow", 0, 1000, 1}}) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(player.Open(Tone("start.ton", std::string("seconds 5\nmode ") + c.mode + "\n")));
    const std::uint64_t start = Now();
    WithClock([&] { player.Play(); });
    EXPECT_GE(Now() - start, c.least_ms);
    EXPECT_LT(Now() - start, c.most_ms);
    EXPECT_EQ(play_ends_, c.ends);
    EXPECT_EQ(player.PlayerMode, pmReady);
    EXPECT_FALSE(player.StartWait());
    EXPECT_EQ(GetUserStream(), 0u) << "its output was closed with it";
    EXPECT_TRUE(starts_.empty());
    EXPECT_TRUE(TakeBoxes().empty()) << "nothing is shown";
  }
}

TEST_F(PluginPlayer, WritingWithoutAskingGetsTheNoSpaceBox) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("pushy.ton", "seconds 5\nmode nocanwrite\n")));
  WithClock([&] { player.Play(); });
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  // The box the host shows (its texts are checked with the host).
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes[0].text, "Write error : No Space");
  const std::uint32_t before = player.GetPosition();
  PlayMs(200);
  EXPECT_NEAR(player.GetPosition(), before + 200, 30) << "what was taken plays on";
  player.Stop();
}

TEST_F(PluginPlayer, EightBitMonoStreamGetsNoFlanger) {
  TBASSPlayer& player = MakePluginPlayer();
  player.SetEffects({efFlanger, efEcho});
  // Longer than the ring holds (4 s of this format).
  ASSERT_TRUE(player.Open(Tone("small.ton", "tone 800\nseconds 10\nrate 22050\nchannels 1\nbits 8\n")));
  WithClock([&] { player.Play(); });
  ASSERT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(starts_, (std::vector<Start>{{1, 22050}}));
  EXPECT_EQ(player.StreamInfo.Channels, 1);
  EXPECT_EQ(player.StreamInfo.SampleRate, 22050);
  EXPECT_EQ(RT_BASS::BASS_ChannelGetFlags(GetUserStream()), BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO);
  EXPECT_EQ(player.DSPHandle(), 0u);
  EXPECT_NE(player.EchoHandle(), 0u);
  const std::uint32_t before = player.GetPosition();
  PlayMs(200);
  EXPECT_NEAR(player.GetPosition(), before + 200, 30);
}

// The plug-in closes its output and only then reports the end of its input:
// the end still belongs to its song, long or shorter than the start.
TEST_F(PluginPlayer, OutputClosedBeforeTheEndOfInputStillEndsTheSong) {
  TBASSPlayer& player = MakePluginPlayer();
  for (const char* seconds : {"1", "0.25"}) {
    SCOPED_TRACE(seconds);
    const int ends = play_ends_;
    ASSERT_TRUE(player.Open(Tone("closing.ton", std::string("mode closefirst\nseconds ") + seconds + "\n")));
    WithClock([&] { player.Play(); });
    ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > ends; }));
    EXPECT_EQ(GetUserStream(), 0u);
    EXPECT_NE(player.PlayerMode, pmPlaying);
    PlayMs(300);
    ProcessPendingMessages();
    EXPECT_EQ(play_ends_, ends + 1) << "exactly once";
  }
}

TEST_F(PluginPlayer, LateEndOfAnEarlierSongIsIgnored) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("first.ton", "seconds 5\n")));
  WithClock([&] { player.Play(); });
  // The first song's end reaches the host and is relayed, but the player
  // has not taken the relay yet ...
  PostMessage(GetHostWindow(), WM_WA_MPEG_EOF, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, GetHostWindow(), WM_WA_MPEG_EOF, WM_WA_MPEG_EOF, PM_REMOVE));
  DispatchMessage(&msg);
  // ... and another one is still on its way to the host as the next song
  // of the same plug-in starts.
  PostMessage(GetHostWindow(), WM_WA_MPEG_EOF, 0, 0);
  ASSERT_TRUE(player.Open(Tone("second.ton", "seconds 5\n")));
  WithClock([&] { player.Play(); });
  ProcessPendingMessages();
  PlayMs(200);
  EXPECT_EQ(play_ends_, 0);
  EXPECT_EQ(player.PlayerMode, pmPlaying);

  // An end on its way as a song of the audio library opens.
  PostMessage(GetHostWindow(), WM_WA_MPEG_EOF, 0, 0);
  ASSERT_TRUE(player.Open(folder_->WriteFile("next.wav", bass_test::WavBytes(bass_test::Sine(440, 1.0)))));
  player.Play();
  PlayMs(100);
  EXPECT_EQ(play_ends_, 0);
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(player.GetPosition(), 100u);

  // The current song's own end still counts.
  PlayMs(950);
  EXPECT_EQ(play_ends_, 1);
}

// The plug-in has decoded the whole song and its end was relayed; while the
// player lets the buffer play out, the song is sought back. The song goes
// on from there and ends once, when the plug-in ends again.
TEST_F(PluginPlayer, SeekWhileTheEndPlaysOutGoesOn) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("two.ton", "tone 1000\nseconds 2\n")));
  WithClock([&] { player.Play(); });
  bool sought = false;
  std::uint64_t sought_at = 0;
  TTimer seeker(nullptr);
  seeker.SetInterval(10);
  seeker.SetOnTimer([&](TObject*) {
    if (sought || !PluginInputEnded()) return;
    sought = true;
    sought_at = Now();
    player.SetPosition(500);
  });
  seeker.SetEnabled(true);
  ASSERT_TRUE(PumpWithClockUntil([&] { return sought || play_ends_ > 0; }));
  seeker.SetEnabled(false);
  ASSERT_TRUE(sought);
  ProcessPendingMessages();
  EXPECT_EQ(play_ends_, 0) << "the seek did not end the song";
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_LT(player.GetPosition(), 1500u);
  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 0; }));
  EXPECT_EQ(play_ends_, 1);
  EXPECT_GE(Now() - sought_at, 1000u) << "the second and a half after 0.5 s was played";
}

TEST_F(PluginPlayer, PluginOfTheLastSongStaysInUse) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("five.ton", "seconds 5\n")));
  WithClock([&] { player.Play(); });
  ASSERT_TRUE(player.Open(folder_->WriteFile("next.wav", bass_test::WavBytes(bass_test::Sine(440, 1.0)))));
  EXPECT_EQ(player.ChannelType(), ctStream);
  EXPECT_EQ(GetUserStream(), 0u) << "the plug-in was stopped";
  EXPECT_EQ(UnloadWinampPlugin("in_tone.dll"), PLUGIN_IN_USE);
}

TEST_F(PluginPlayer, FailedOpenAfterStoppingThePluginLeavesNothingToStop) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("five.ton", "seconds 5\n")));
  WithClock([&] { player.Play(); });
  TakeBoxes();
  const std::string deep = folder_->WriteFile("deep.wav", velko_test::WaveFile(2, 44100, 24, 44100 * 6));
  EXPECT_FALSE(player.Open(deep));
  EXPECT_EQ(TakeBoxes().size(), 1u);
  EXPECT_EQ(player.ChannelType(), ctNone);
  EXPECT_EQ(player.PlayerMode, pmStandBy);
  EXPECT_EQ(GetUserStream(), 0u);
  DestroyPlayer();
}

TEST_F(PluginPlayer, OutputLeftOpenIsClosedWhileTheLibraryIsStillBound) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("lazy.ton", "seconds 5\nmode noclose\n")));
  WithClock([&] { player.Play(); });
  ASSERT_EQ(player.PlayerMode, pmPlaying);
  player.Stop();
  EXPECT_NE(GetUserStream(), 0u) << "this plug-in leaves its output open";
  DestroyPlayer();  // the plug-in closes it as it quits
  EXPECT_EQ(GetUserStream(), 0u);
}

TEST_F(PluginPlayer, QuitDuringTheStartEndsTheWait) {
  TBASSPlayer& player = MakePluginPlayer();
  ASSERT_TRUE(player.Open(Tone("mute.ton", "seconds 5\nmode silent\n")));
  PostQuitMessage(3);
  const std::uint64_t start = Now();
  player.Play();  // no clock moves: only the quit can end the wait
  EXPECT_EQ(Now(), start);
  EXPECT_EQ(player.PlayerMode, pmReady);
  EXPECT_EQ(GetUserStream(), 0u);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
}  // namespace playback_test

// Plays one file of every kind through the player on the real clock and, when
// VELKO_TEST_REAL_AUDIO=1 is set, on the machine's sound device (tests never
// touch the sound card otherwise; without a device the library falls back to
// its silent one, which then plays in real time).
#include <chrono>
#include <cstdlib>

#include "playback/PluginCtrl.h"
#include "platform/core/clock.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/playback/player_fixture.h"

namespace playback_test {
namespace {

using bass_test::Sine;

bool RealAudioAsked() {
  const char* value = std::getenv("VELKO_TEST_REAL_AUDIO");
  return value != nullptr && std::string(value) == "1";
}

class RealTime : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    platform::UseRealClock();
  }
};

TEST_F(RealTime, EveryKindOfFilePlaysWithEffectsAndSpectrum) {
  Folder({.plugins = {{"in_tone.dll", ""}}});
  if (RealAudioAsked()) bass_.UseSilentDevice(FALSE);
  TBASSPlayer& player = MakePlayer();
  bass_.UseSilentDevice(TRUE);
  ASSERT_TRUE(player.BASSReady);
  ASSERT_EQ(LoadWinampPlugin("in_tone.dll"), PLUGIN_LOADED);
  int fft_events = 0;
  player.OnNewFFTData = [&](TObject*, const TBandOut&) { ++fft_events; };
  player.SetEffects({efFlanger, efEqualizer, efEcho, efReverb});

  const bass_test::Pcm tone = Sine(660, 2.0, 44100, 2, 0.2);
  const auto wma = folder_->path() / "a.wma";
  bass_test::WriteWma(tone, wma);
  const std::vector<std::string> files = {
      folder_->WriteFile("a.wav", bass_test::WavBytes(tone)), folder_->WriteFile("a.mp3", bass_test::Mp3Bytes(tone)),
      folder_->WriteFile("a.ogg", bass_test::OggBytes(tone)), PlatformPathOf(wma),
      folder_->WriteFile("a.ton", "tone 440\nseconds 2\n")};
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    fft_events = 0;
    ASSERT_TRUE(player.Open(file));
    player.Play();
    ASSERT_EQ(player.PlayerMode, pmPlaying);
    const auto start = std::chrono::steady_clock::now();
    PumpUntil([&] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(600); });
    EXPECT_GT(player.GetPosition(), 300u);
    EXPECT_GT(fft_events, 3);
    player.Stop();
    EXPECT_EQ(player.PlayerMode, pmStopped);
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

}  // namespace
}  // namespace playback_test

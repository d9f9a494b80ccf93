// A ".cda" track of a written disc image played by the CD audio plug-in
// through the real player, the output emulator and the audio library's
// silent device on the manual clock.
#include <string>
#include <vector>

#include "platform/cd/cd.h"
#include "platform/core/clock.h"
#include "platform/fs/drives.h"
#include "playback/PluginCtrl.h"
#include "tests/playback/player_fixture.h"
#include "tests/support/cd_image.h"

namespace {

using velko_test::CdImageSectors;

// Track 2 of the image: sectors 100 .. 399, four seconds.
constexpr int kFirst = 100;
constexpr int kLast = 399;

struct PlayCase {
  const char* name;
  int seek_ms;  // -1: no seek
  bool eject;   // the disc leaves mid-play
};

void PrintTo(const PlayCase& c, std::ostream* out) { *out << c.name; }

class CdTrackPlay : public playback_test::PlaybackTest, public ::testing::WithParamInterface<PlayCase> {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    platform::ResetDriveTable();
    const auto cue = velko_test::WriteCdImage(image_.path(), "disc", {{kFirst}, {kLast - kFirst + 1}});
    ASSERT_TRUE(platform::cd::InsertImage('K', cue.string()));
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    platform::cd::RemoveImage('K');
    platform::ResetDriveTable();
  }

  velko_test::TempDir image_;
};

TEST_P(CdTrackPlay, PlaysTheImageSamplesAndEndsOnce) {
  const PlayCase& c = GetParam();
  Folder({.plugins = {{"in_CDReader.dll", ""}}});
  TBASSPlayer& player = MakePlayer();
  ASSERT_EQ(LoadWinampPlugin("in_CDReader.dll"), PLUGIN_LOADED);

  ASSERT_TRUE(player.Open("K:\\Track02.cda"));
  EXPECT_EQ(player.SupportedBy, sbPlugin);
  EXPECT_EQ(player.ChannelType(), ctPlugin);
  EXPECT_EQ(player.GetPlayLength(), 4000u);
  EXPECT_EQ(player.StreamInfo.Title, "Track 02");

  bass_.CaptureOutput(TRUE);
  WithClock([&] { player.Play(); });
  ASSERT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(GetPluginModule(0)->GetLength(), 4000);
  PlayMs(300, 100);
  int first = kFirst;
  if (c.seek_ms >= 0) {
    WithClock([&] { player.SetPosition(static_cast<std::uint32_t>(c.seek_ms)); });
    EXPECT_GE(player.GetPosition(), static_cast<std::uint32_t>(c.seek_ms));
    EXPECT_LT(player.GetPosition(), static_cast<std::uint32_t>(c.seek_ms) + 500);
    first = kFirst + c.seek_ms * 75 / 1000;
  }
  if (c.eject) {
    ASSERT_TRUE(platform::cd::Eject('K'));
  }
  ASSERT_TRUE(PumpWithClockUntil([&] { return play_ends_ > 0; }));
  EXPECT_EQ(play_ends_, 1);
  EXPECT_EQ(player.PlayerMode, pmStopped);
  EXPECT_EQ(GetUserStream(), 0u) << "the plug-in closed its output";
  PlayMs(300, 100);
  EXPECT_EQ(play_ends_, 1);

  std::string heard(44100 * 4 * 30, '\0');
  heard.resize(bass_.ReadOutput(heard.data(), static_cast<DWORD>(heard.size())));
  if (c.eject) {
    // Only what was read before the disc went is heard, and not all of it.
    EXPECT_NE(heard.find(CdImageSectors(kFirst, kFirst + 10)), std::string::npos);
    EXPECT_EQ(heard.find(CdImageSectors(kLast - 10, kLast)), std::string::npos);
  } else {
    // From the start (or the place sought) to the end, every sample in order.
    EXPECT_NE(heard.find(CdImageSectors(first, kLast)), std::string::npos);
    // What lay between the play position and the place sought (read ahead
    // into the ring) was dropped.
    if (c.seek_ms >= 0) {
      EXPECT_EQ(heard.find(velko_test::CdImageSector(first - 40)), std::string::npos);
    }
  }
  EXPECT_TRUE(TakeBoxes().empty());
  // A track the disc does not have, or any once the disc is out, is refused.
  EXPECT_FALSE(player.Open(c.eject ? "K:\\Track02.cda" : "K:\\Track09.cda"));
  EXPECT_EQ(TakeBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Track, CdTrackPlay,
                         ::testing::Values(PlayCase{"whole", -1, false}, PlayCase{"seek2s", 2000, false},
                                           PlayCase{"eject", -1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

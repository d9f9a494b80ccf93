// Run-time binding of bass.dll and basswma.dll, and what the player makes of
// a missing, old or incomplete library.
#include "playback/RT_BASS.h"
#include "playback/RT_BASSWMA.h"
#include "playback/PluginCtrl.h"
#include "tests/playback/player_fixture.h"

namespace playback_test {
namespace {

class Binding : public PlaybackTest {
 protected:
  void TearDown() override {
    DestroyPlayer();
    Unload_BASSWMADLL();
    Unload_BASSDLL();
    PlaybackTest::TearDown();
  }
  std::string Dir() const { return PlatformPathOf(folder_->path()); }
};

TEST_F(Binding, BindsEveryEntryPointAndClearsThemAgain) {
  Folder();
  EXPECT_EQ(RT_BASS::EntryPointCount, 107);
  EXPECT_EQ(RT_BASSWMA::EntryPointCount, 20);
  ASSERT_TRUE(Load_BASSDLL(Dir(), "bass.dll"));
  EXPECT_NE(RT_BASS::LibraryHandle(), nullptr);
  EXPECT_NE(RT_BASS::BASS_GetVersion, nullptr);
  EXPECT_NE(RT_BASS::BASS_ChannelIsSliding, nullptr);
  EXPECT_EQ(RT_BASS::BASS_GetVersion(), 0x00070001u);
  // Bound already: the second load does nothing and succeeds.
  const HMODULE first = RT_BASS::LibraryHandle();
  EXPECT_TRUE(Load_BASSDLL("Z:\\nowhere", "bass.dll"));
  EXPECT_EQ(RT_BASS::LibraryHandle(), first);

  ASSERT_TRUE(Load_BASSWMADLL(Dir() + "\\", "basswma.dll")) << "a trailing backslash is not doubled";
  EXPECT_NE(RT_BASSWMA::BASS_WMA_StreamCreateFile, nullptr);
  EXPECT_NE(RT_BASSWMA::BASS_WMA_EncodeClose, nullptr);

  Unload_BASSWMADLL();
  EXPECT_EQ(RT_BASSWMA::LibraryHandle(), nullptr);
  EXPECT_EQ(RT_BASSWMA::BASS_WMA_StreamCreateFile, nullptr);
  Unload_BASSDLL();
  EXPECT_EQ(RT_BASS::LibraryHandle(), nullptr);
  EXPECT_EQ(RT_BASS::BASS_GetVersion, nullptr);
  EXPECT_EQ(RT_BASS::BASS_ChannelIsSliding, nullptr);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(Binding, ALibraryLackingOneNameIsNotBoundAtAll) {
  Folder({.bass = BassVariant::kMissingExport});
  EXPECT_FALSE(Load_BASSDLL(Dir(), "bass.dll"));
  EXPECT_EQ(RT_BASS::LibraryHandle(), nullptr);
  EXPECT_EQ(RT_BASS::BASS_GetVersion, nullptr) << "names found before the missing one are cleared";
  EXPECT_EQ(RT_BASS::BASS_Init, nullptr);
}

TEST_F(Binding, AMissingFileFailsQuietly) {
  Folder({.bass = BassVariant::kNone, .wma = false});
  EXPECT_FALSE(Load_BASSDLL(Dir(), "bass.dll"));
  EXPECT_FALSE(Load_BASSWMADLL(Dir(), "basswma.dll"));
  EXPECT_TRUE(TakeBoxes().empty());
}

// No bass.dll, or one that lacks an entry point: the player is not ready,
// says so only when asked to play, and quits no host that never started.
TEST_F(Binding, MissingOrIncompleteBassLeavesThePlayerNotReady) {
  for (const BassVariant variant : {BassVariant::kNone, BassVariant::kMissingExport}) {
    SCOPED_TRACE(static_cast<int>(variant));
    Folder({.bass = variant});
    TBASSPlayer& player = MakePlayer();
    EXPECT_FALSE(player.BASSLoaded());
    EXPECT_FALSE(player.BASSReady);
    EXPECT_FALSE(player.WMAReady);
    EXPECT_EQ(player.BASSDLLVer(), "");
    EXPECT_EQ(player.Version(), "1.2");
    EXPECT_EQ(player.GetNativeFileTypes(), "");
    EXPECT_EQ(player.ConfigForm(), nullptr) << "no dialog without the library";
    EXPECT_FALSE(player.PluginReady()) << "the plug-in host is not started";
    EXPECT_TRUE(TakeBoxes().empty()) << "a missing library is not reported";

    EXPECT_FALSE(player.Open(folder_->WriteFile("song.wav", "whatever")));
    player.ShowPluginConfig();
    std::vector<ShownBox> boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Player is not ready !");
    EXPECT_EQ(boxes[0].caption, "Confirm");
    EXPECT_EQ(boxes[0].type & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(boxes[1].text, "Player is not ready !");
    EXPECT_EQ(player.PlayerMode, pmStandBy);
    DestroyPlayer();
  }
}

TEST_F(Binding, VersionOneSixIsRefusedWithTheErrorCode) {
  Folder({.bass = BassVariant::kVersion16});
  TBASSPlayer& player = MakePlayer();
  EXPECT_TRUE(player.BASSLoaded());
  EXPECT_FALSE(player.BASSReady);
  EXPECT_EQ(player.BASSDLLVer(), "");
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("BASS version is not 1.7 or higher\r\n(error code: ", 0), 0u) << boxes[0].text;
  EXPECT_EQ(boxes[0].text.back(), ')');
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].type & MB_ICONMASK, MB_ICONERROR);
  DestroyPlayer();
  EXPECT_EQ(RT_BASS::LibraryHandle(), nullptr) << "unbound again when the player goes";
}

TEST_F(Binding, FailingDeviceShowsTheLibrarysErrorCode) {
  Folder();
  bass_.FailInit(BASS_ERROR_DRIVER);
  TBASSPlayer& player = MakePlayer();
  bass_.FailInit(0);
  EXPECT_FALSE(player.BASSReady);
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Can't initialize device\r\n(error code: 3)");
  EXPECT_EQ(boxes[0].caption, "Error");
}

TEST_F(Binding, ReadyPlayerReportsVersionsAndFileTypes) {
  Folder();
  TBASSPlayer& player = MakePlayer();
  EXPECT_TRUE(player.BASSReady);
  EXPECT_TRUE(player.WMAReady);
  EXPECT_EQ(player.BASSDLLVer(), "1.7");
  EXPECT_EQ(player.Version(), "1.2");
  player.SetVersion("9.9");
  player.SetBASSDLLVer("9.9");
  EXPECT_EQ(player.Version(), "1.2") << "published but not writable";
  EXPECT_EQ(player.BASSDLLVer(), "1.7");
  EXPECT_TRUE(player.DX8EffectReady());
  EXPECT_EQ(player.DeviceInfo().size, 48u);
  EXPECT_EQ(player.GetNativeFileTypes(), "*.wav;*.mp3;*.ogg;*.wma;");
  EXPECT_TRUE(player.PluginReady());
  EXPECT_NE(player.ConfigForm(), nullptr);
  EXPECT_EQ(player.PlayerMode, pmStandBy);
  EXPECT_EQ(player.ChannelType(), ctNone);
  EXPECT_EQ(player.SupportedBy, sbNone);
  EXPECT_FALSE(player.PluginFirst);
  EXPECT_EQ(player.EQBandCount(), 10);
  EXPECT_FLOAT_EQ(player.EQBands()[9].CenterFreq, 14000.0f);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(Binding, MissingWmaAddOnOnlyDropsWma) {
  Folder({.wma = false});
  TBASSPlayer& player = MakePlayer();
  EXPECT_TRUE(player.BASSReady);
  EXPECT_FALSE(player.WMAReady);
  EXPECT_EQ(player.GetNativeFileTypes(), "*.wav;*.mp3;*.ogg;");
  EXPECT_TRUE(TakeBoxes().empty());
}

}  // namespace
}  // namespace playback_test

// The play commands over real songs on the silent device, and the
// spectrum's pixels.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "app/Settings.h"
#include "classlib/Application.h"
#include "classlib/Bitmaps.h"
#include "classlib/Threads.h"
#include "platform/core/clock.h"
#include "platform/display/display.h"
#include "platform/gdi/surface.h"
#include "tests/app/app_fixture.h"

namespace app_test {
namespace {

using PlayerFrontTest = AppTest;

TEST(SongTimeTest, ShowsTotalMinutesAndSeconds) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "00:00"}, {59'999, "00:59"}, {61'000, "01:01"}, {3'599'000, "59:59"}, {75 * 60'000, "75:00"}};
  for (const auto& [ms, text] : cases) EXPECT_EQ(FormatSongTime(ms), text) << ms;
}

TEST(PlayableFilterTest, JoinsTheTypesAsTheDialogExpects) {
  EXPECT_EQ(PlayableFilter("*.wav;*.mp3;", "*.cda;"),
            "All playable files |*.wav;*.mp3;*.cda;|BASS native files (*.wav;*.mp3;)|*.wav;*.mp3;|"
            "Plug-in supported files (*.cda;)|*.cda;");
}

TEST_F(PlayerFrontTest, RowsPlayWithoutWrappingAndQuotesStayInThePath) {
  AddSong("Music/a one.mp3");
  AddSong("Music/b \"quoted\".mp3");
  AddSong("Music/c, comma.mp3");
  Start({.earlier_starts = 9});
  Form1->FindMusic();
  TListItems* items = Form1->MusicList->Items();
  ASSERT_EQ(items->Count(), 3);
  Form1->AutoPlay();
  EXPECT_EQ(MainPlayer->PlayerMode, pmPlaying);
  EXPECT_EQ(Form1->MusicList->Selected(), items->Item(0));
  EXPECT_EQ(Form1->Label_Length->Caption(), "00:01");
  EXPECT_EQ(Form1->InfoMemo->Lines()->Strings(0), "a one.mp3");
  EXPECT_EQ(Form1->InfoMemo->Lines()->Strings(1), "44100Hz, Stereo");
  EXPECT_EQ(Form1->OpenDialog1->Filter, PlayableFilter(MainPlayer->GetNativeFileTypes(), MainPlayer->GetPluginFileTypes()));
  // PlayLast on the first row: nothing.
  Form1->PlayLast(nullptr);
  EXPECT_EQ(Form1->MusicList->Selected(), items->Item(0));
  Form1->PlayNext(nullptr);
  EXPECT_EQ(Form1->MusicList->Selected(), items->Item(1));
  EXPECT_EQ(MainPlayer->PlayerMode, pmPlaying);
  EXPECT_EQ(CurrentSongPath, SongPathOfRow(items->Item(1)));
  EXPECT_NE(CurrentSongPath.find("\"quoted\""), std::string::npos);
  EXPECT_EQ(MainPlayer->StreamInfo.FileName, "b \"quoted\".mp3");
  Form1->PlayNext(nullptr);
  EXPECT_EQ(MainPlayer->StreamInfo.FileName, "c, comma.mp3");
  // The last row: nothing further.
  Form1->PlayNext(nullptr);
  EXPECT_EQ(Form1->MusicList->Selected(), items->Item(2));
  EXPECT_EQ(MainPlayer->StreamInfo.FileName, "c, comma.mp3");
  // No selection: nothing.
  Form1->MusicList->SetSelected(nullptr);
  Form1->PlayNext(nullptr);
  Form1->RepeatPlay(nullptr);
  EXPECT_EQ(Form1->MusicList->Selected(), nullptr);
}

TEST_F(PlayerFrontTest, AFailedOpenStopsAndTheStatusShowsTheState) {
  AddSong("Music/a.mp3");
  Start({.earlier_starts = 9});
  Form1->FindMusic();
  TListItem* broken = Form1->MusicList->Items()->Add();
  broken->SetCaption("zz missing.mp3");
  broken->SubItems()->Add("C:\\Music\\");
  Form1->MusicList->SetSelected(Form1->MusicList->Items()->Item(0));
  Form1->PlayNext(nullptr);
  EXPECT_NE(MainPlayer->PlayerMode, pmPlaying);
  Form1->AutoPlay();
  PlayMs(200);
  EXPECT_EQ(Form1->Label_State->Caption(), "00:00");
  EXPECT_GT(Form1->PosSlider->Value(), 0);
  Form1->btnStopClick();
  PlayMs(100);
  EXPECT_EQ(Form1->Label_State->Caption(), "Stopped");
  EXPECT_TRUE(Form1->MusicList->Visible());
}

TEST_F(PlayerFrontTest, ShufflePicksEveryRowIncludingTheLastAndRebindsTheEnd) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) AddSong(std::string("Music/") + name);
  Start({.earlier_starts = 9});
  Form1->FindMusic();
  std::set<int> picked;
  for (int i = 0; i < 200 && picked.size() < 3; ++i) {
    Form1->ShufflePlay(nullptr);
    picked.insert(Form1->LastRandomRow());
    platform::AdvanceClockMs(1);
  }
  EXPECT_EQ(picked, (std::set<int>{0, 1, 2}));
  // ShufflePlay leaves the list shown.
  Form1->MusicList->SetVisible(true);
  Form1->ShufflePlay(nullptr);
  EXPECT_TRUE(Form1->MusicList->Visible());
  // After Shuffle the end of a song plays a random row.
  Form1->Shuffle();
  Form1->AutoPlay();
  ASSERT_EQ(MainPlayer->PlayerMode, pmPlaying);
  Form1->MusicList->SetVisible(true);
  for (int second = 0; second < 5; ++second) {
    PlayMs(1000);
    EXPECT_TRUE(Form1->MusicList->Visible());
    EXPECT_EQ(MainPlayer->PlayerMode, pmPlaying) << second;
  }
}

TEST_F(PlayerFrontTest, ShuffleOnAnEmptyListDoesNothing) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  boxes_.clear();
  Form1->Shuffle();
  Form1->ShufflePlay(nullptr);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(MainPlayer->PlayerMode, pmStandBy);
}

TEST_F(PlayerFrontTest, EqualiserAndEffectBoxesReachThePlayer) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  Form1->EQSliders[2]->SetValue(27);
  EXPECT_FLOAT_EQ(EQGains[2], 12.0f);
  EXPECT_FLOAT_EQ(MainPlayer->EQGains()[2], 12.0f);
  Form1->cbEcho->SetChecked(true);
  Form1->cbFlanger->SetChecked(true);
  EXPECT_EQ(MainPlayer->EffectFlags.Bits(), 1u | 4u);
  Form1->cbEcho->SetChecked(false);
  EXPECT_EQ(MainPlayer->EffectFlags.Bits(), 1u);
  // The knobs act on the system mixer.
  Form1->VolumeKnob->SetPosition(80);
  EXPECT_EQ(Form1->VolControl->Volume(), 80);
}

TEST_F(PlayerFrontTest, NotReadyShowsTheMembersText) {
  AddSong("Music/a.mp3");
  Start({.bass = false, .earlier_starts = 9});
  Form1->FindMusic();
  boxes_.clear();
  Form1->AutoPlay();
  Form1->ShufflePlay(nullptr);
  Form1->RepeatPlay(nullptr);
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(boxes_[0].text, "AutoPlay - Cannot open file (Velko is not ready)");
  EXPECT_EQ(boxes_[1].text, "AutoPlay - Cannot open file (Velko is not ready)");
  EXPECT_EQ(boxes_[2].text, "Cannot open file (Velko is not ready)");
}

// ---- spectrum

TColor PixelOf(TBitmap* bitmap, int x, int y) { return bitmap->Canvas()->Pixels(x, y); }

TEST_F(PlayerFrontTest, SpectrumRampBarsAndFallingPeaks) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  ASSERT_NE(SpectrumBars, nullptr);
  EXPECT_EQ(PixelOf(SpectrumBars, 0, 0), RGB(255, 6, 0));
  EXPECT_EQ(PixelOf(SpectrumBars, 7, 42), RGB(255, 255, 0));
  EXPECT_EQ(PixelOf(SpectrumBars, 3, 110), RGB(145, 255, 0));
  EXPECT_EQ(SpectrumRampColor(110), RGB(145, 255, 0));

  TBandOut bands{};
  bands[0] = 100;
  bands[24] = 500;
  Form1->DisplayFFTBand(nullptr, bands);
  // Band 1 at x 2..9, from row 11 down; band 25 at x 266..273, full height.
  EXPECT_EQ(PixelOf(SpectrumWork, 2, 11), PixelOf(SpectrumBars, 0, 11));
  EXPECT_EQ(PixelOf(SpectrumWork, 9, 110), PixelOf(SpectrumBars, 0, 110));
  EXPECT_EQ(PixelOf(SpectrumWork, 2, 10), clBlack);
  EXPECT_EQ(PixelOf(SpectrumWork, 10, 50), clBlack);
  EXPECT_EQ(PixelOf(SpectrumWork, 266, 0), PixelOf(SpectrumBars, 0, 0));
  EXPECT_EQ(PixelOf(SpectrumWork, 274, 0), clBlack);
  EXPECT_FLOAT_EQ(PeakLevels[0], 100.01f);
  EXPECT_FLOAT_EQ(PeakLevels[24], 111.01f);

  const TBandOut silence{};
  for (int frame = 1; frame <= 9; ++frame) {
    Form1->DisplayFFTBand(nullptr, silence);
    EXPECT_EQ(PixelOf(SpectrumWork, 2, 11), RGB(192, 192, 192)) << frame;
    EXPECT_EQ(PixelOf(SpectrumWork, 9, 11), RGB(192, 192, 192)) << frame;
    EXPECT_EQ(PixelOf(SpectrumWork, 10, 11), clBlack) << frame;
    EXPECT_FLOAT_EQ(PeakLevels[0], 100.01f) << frame;
  }
  for (float expected : {99.71f, 99.11f, 98.21f}) {
    Form1->DisplayFFTBand(nullptr, silence);
    EXPECT_NEAR(PeakLevels[0], expected, 1e-4);
  }
  // 98.21 is drawn at 98 in the next frame.
  Form1->DisplayFFTBand(nullptr, silence);
  EXPECT_EQ(PixelOf(SpectrumWork, 5, 111 - 98), RGB(192, 192, 192));
  // A steady level keeps its marker.
  bands.fill(50);
  for (int i = 0; i < 20; ++i) Form1->DisplayFFTBand(nullptr, bands);
  EXPECT_FLOAT_EQ(PeakLevels[3], 50.01f);
}

// A level at or above the ramp's height fills the whole column, bottom row
// included, on the work bitmap and on the screen; the marker then waits at
// the top.
TEST_F(PlayerFrontTest, AFullBarFillsAll112RowsAndItsPeakWaitsAtTheTop) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  Form1->MusicList->SetVisible(false);
  TBandOut bands{};
  bands[0] = 111;
  bands[24] = 4000;
  Form1->DisplayFFTBand(nullptr, bands);
  Pump();
  auto screen = platform::ComposeScreen();
  ASSERT_NE(screen, nullptr);
  const TPoint origin = Form1->GaugePaintBox->ClientToScreen(TPoint{0, 0});
  for (const int x : {2, 9, 266, 273}) {
    int bar_rows = 0;
    for (int y = 0; y < 112; ++y) {
      const TColor ramp = SpectrumRampColor(std::min(y, 110));
      bar_rows += PixelOf(SpectrumWork, x, y) == ramp;
      EXPECT_EQ(screen->Pixel(origin.x + x, origin.y + y), static_cast<COLORREF>(ramp)) << x << "," << y;
    }
    EXPECT_EQ(bar_rows, 112) << x;
  }
  // Beside a bar and under a silent band the bottom line stays the
  // background's.
  for (const int x : {10, 13, 20}) {
    EXPECT_EQ(PixelOf(SpectrumWork, x, 111), PixelOf(SpectrumBackground, x, 111)) << x;
  }
  EXPECT_FLOAT_EQ(PeakLevels[0], 111.01f);
  EXPECT_FLOAT_EQ(PeakLevels[24], 111.01f);

  const TBandOut silence{};
  Form1->DisplayFFTBand(nullptr, silence);
  for (const int x : {266, 273}) {
    EXPECT_EQ(PixelOf(SpectrumWork, x, 0), RGB(192, 192, 192)) << x;
    EXPECT_EQ(PixelOf(SpectrumWork, x, 1), clBlack) << x;
  }
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

using UpgradeTest = AppTest;

TEST_F(UpgradeTest, ProgressFromTheWorkerReachesTheGaugeOnTheMainThread) {
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  std::atomic<bool> done{false};
  std::thread worker([&] {
    Form1->UpgradeProgress(nullptr, 1000, 250);
    done = true;
  });
  for (int i = 0; i < 2000 && !done; ++i) {
    if (!CheckSynchronize()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  worker.join();
  EXPECT_TRUE(Form1->ProgressBar1->Visible());
  EXPECT_EQ(Form1->ProgressBar1->Max(), 1000);
  EXPECT_EQ(Form1->ProgressBar1->Position(), 250);
  boxes_.clear();
  Form1->UpgradeDone(nullptr, 1000);
  EXPECT_FALSE(Form1->ProgressBar1->Visible());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Your update has completed successfully\r\n\r\nClick OK to restart Velko");
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

using NavigatorTest = AppTest;

TEST_F(NavigatorTest, EachButtonActsAndNamesItself) {
  AddSong("Music/a.mp3");
  AddSong("Music/b.mp3");
  Start({.earlier_starts = 9});
  Form1->FindMusic();
  Form1->AutoPlay();
  struct Case {
    TVrButtonType button;
    const char* hint;
    TPlayerMode mode;
    int row;
  };
  const Case cases[] = {
      {btPause, "Pause", pmPaused, 0},
      {btPlay, "Play", pmPlaying, 0},
      {btNext, "Next Song - Keyboard command is +", pmPlaying, 1},
      {btPrev, "Previous Song - Keyboard command is -", pmPlaying, 0},
      {btStop, "Stop", pmStopped, 0},
      {btEject, "Eject CD", pmStopped, 0},
  };
  for (const Case& c : cases) {
    Form1->Controller(Form1->Navigator, c.button);
    EXPECT_EQ(Form1->Navigator->Hint, c.hint);
    EXPECT_EQ(MainPlayer->PlayerMode, c.mode) << c.hint;
    EXPECT_EQ(Form1->MusicList->Selected(), Form1->MusicList->Items()->Item(c.row)) << c.hint;
  }
  // Stop shows the list again.
  EXPECT_TRUE(Form1->MusicList->Visible());
}

}  // namespace
}  // namespace app_test

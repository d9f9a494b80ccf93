// The movie window on the real player: the list file, a click that plays a
// movie in the panel, the keys, full screen, the timer at the end of a
// movie, and the ways of leaving it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "classlib/Colors.h"
#include "classlib/Screen.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "platform/core/clock.h"
#include "platform/display/display.h"
#include "platform/fs/drives.h"
#include "platform/user/input.h"
#include "platform/user/screen.h"
#include "tests/library/windows/window_test_support.h"
#include "tests/support/message_pump.h"
#include "tests/support/movie_maker.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

bool IsRed(COLORREF c) { return GetRValue(c) > 235 && GetGValue(c) < 20 && GetBValue(c) < 20; }

class VideoWindowTest : public ProgramFolderTest {
 protected:
  static void SetUpTestSuite() {
    movies_ = new TempDir;
    std::filesystem::create_directories(movies_->path() / "My Films");
    ASSERT_TRUE(MakeMovie(movies_->path() / "My Films" / "clip.avi", 0.8, 160, 120, 25, "red", "red"));
    // Long enough to be still playing on a slow, loaded machine.
    ASSERT_TRUE(MakeMovie(movies_->path() / "My Films" / "long.avi", 20, 64, 48, 5, "red", "red"));
  }
  static void TearDownTestSuite() {
    delete movies_;
    movies_ = nullptr;
  }
  void SetUp() override {
    ProgramFolderTest::SetUp();
    platform::MapDrive('M', movies_->path().string());
  }
  void TearDown() override {
    delete VideoForm;
    VideoForm = nullptr;
    platform::UnmapDrive('M');
    ProgramFolderTest::TearDown();
  }
  // The window over a list file holding `contents` (none when empty).
  void MakeForm(const std::string& contents) {
    if (!contents.empty()) WriteList("movie.csv", contents);
    VideoForm = new TVideoForm(Application);
    VideoForm->Show();
    Pump();
  }
  std::string ListFile() const { return ReadList("movie.csv"); }
  void Type(char c) {
    platform::InjectText(std::string(1, c));
    Pump();
  }
  void ClickRow(int index) {
    VideoForm->VideoList->SetSelected(VideoForm->VideoList->Items()->Item(index));
    VideoForm->VideoListClick(VideoForm->VideoList);
  }

  static TempDir* movies_;
};
TempDir* VideoWindowTest::movies_ = nullptr;

const char kOneMovie[] = "clip.avi,\"M:\\My Films\"\r\n";

TEST_F(VideoWindowTest, MissingListGivesTheBoxAndAnEmptyList) {
  MakeForm("");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(VideoForm->VideoList->Items()->Count(), 0);
  EXPECT_EQ(VideoForm->Progress->BackgroundColor(), static_cast<TColor>(65535));
  EXPECT_FALSE(VideoForm->FullButton->Enabled());
  EXPECT_TRUE(VideoForm->Timer1->Enabled());
}

TEST_F(VideoWindowTest, ClickPlaysTheMovieInThePanel) {
  MakeForm(kOneMovie);
  ASSERT_EQ(VideoForm->VideoList->Items()->Count(), 1);
  ClickRow(0);
  EXPECT_EQ(VideoForm->MoviePath(), "M:\\My Films\\clip.avi");
  EXPECT_FALSE(VideoForm->VideoList->Visible());
  EXPECT_TRUE(VideoForm->FullButton->Enabled());
  EXPECT_NEAR(VideoForm->Progress->Max(), 800, 40);
  const TPoint centre = VideoForm->ViewPanel->ClientToScreen(Point(240, 180));
  ASSERT_TRUE(PumpMessagesUntil(
      [&] {
        auto screen = platform::ComposeScreen();
        return screen && IsRed(screen->Pixel(centre.x, centre.y));
      },
      15, [this] { Pump(); }));
}

// Quote marks are part of a movie's name: it opens under that name.
TEST_F(VideoWindowTest, AMovieWithQuoteMarksInItsNameOpens) {
  TempDir quoted;
  std::filesystem::create_directories(quoted.path() / "The \"Best\"");
  ASSERT_TRUE(MakeMovie(quoted.path() / "The \"Best\"" / "b \"quoted\".avi", 0.8, 64, 48, 5, "red", "red"));
  platform::MapDrive('Q', quoted.path().string());
  MakeForm("\"b \"\"quoted\"\".avi\",\"Q:\\The \"\"Best\"\"\"\r\n");
  ASSERT_EQ(VideoForm->VideoList->Items()->Count(), 1);
  ClickRow(0);
  EXPECT_EQ(VideoForm->MoviePath(), "Q:\\The \"Best\"\\b \"quoted\".avi");
  EXPECT_NE(VideoForm->VideoMedia->DeviceID(), 0u);
  EXPECT_FALSE(VideoForm->VideoList->Visible());
  VideoForm->ShowLibrary();
  platform::UnmapDrive('Q');
}

TEST_F(VideoWindowTest, LowerCaseKeysActAndUpperCaseDoNothing) {
  MakeForm("long.avi,\"M:\\My Films\"\r\n");
  ClickRow(0);
  Type('F');
  EXPECT_TRUE(VideoForm->ViewPanel->Visible());
  Type('f');
  EXPECT_FALSE(VideoForm->ViewPanel->Visible());
  EXPECT_EQ(VideoForm->Width(), Screen->Width());
  EXPECT_EQ(VideoForm->Height(), Screen->Height());
  EXPECT_EQ(VideoForm->Navigate->Top(), 580);
  Type('N');
  EXPECT_FALSE(VideoForm->ViewPanel->Visible());
  Type('n');
  EXPECT_TRUE(VideoForm->ViewPanel->Visible());
  EXPECT_EQ(VideoForm->ViewPanel->Width(), 480);
  EXPECT_EQ(VideoForm->ViewPanel->Height(), 360);
  EXPECT_EQ(VideoForm->Navigate->Top(), 382);
  Type('P');
  EXPECT_EQ(VideoForm->VideoMedia->Mode(), mpPlaying);
  Type('p');
  EXPECT_EQ(VideoForm->VideoMedia->Mode(), mpPaused);
}

TEST_F(VideoWindowTest, TimerEndsTheMovie) {
  platform::UseManualClock(1'000'000);
  MakeForm(kOneMovie);
  ClickRow(0);
  ASSERT_TRUE(PumpMessagesUntil([&] { return VideoForm->VideoMedia->Mode() == mpStopped; }, 15, [this] { Pump(); }));
  EXPECT_FALSE(VideoForm->VideoList->Visible());
  Advance(2000);
  EXPECT_TRUE(VideoForm->VideoList->Visible());
  EXPECT_EQ(VideoForm->VideoMedia->DeviceID(), 0u);
  EXPECT_EQ(VideoForm->Progress->Position(), VideoForm->Progress->Max());
}

TEST_F(VideoWindowTest, EscSavesTheListAndOtherClosesDoNot) {
  MakeForm(kOneMovie);
  TListItem* item = VideoForm->VideoList->Items()->Add();
  item->SetCaption("extra.mpg");
  item->SubItems()->Add("M:\\");
  VideoForm->Close();
  EXPECT_EQ(ListFile(), kOneMovie);
  VideoForm->Show();
  Pump();
  Press(VK_ESCAPE);
  EXPECT_FALSE(VideoForm->Visible());
  EXPECT_NE(ListFile().find("extra.mpg"), std::string::npos);
}

TEST_F(VideoWindowTest, AnEmptyListKeepsTheOldFile) {
  MakeForm(kOneMovie);
  VideoForm->VideoList->Items()->Clear();
  VideoForm->Quit(VideoForm);
  EXPECT_EQ(ListFile(), kOneMovie);
}

TEST_F(VideoWindowTest, AMovieThatFailsToOpenChangesNothing) {
  MakeForm("gone.avi,M:\\\r\n");
  boxes.clear();
  // A click's exception reaches the application's handler, which shows it.
  try {
    ClickRow(0);
    FAIL() << "a missing movie opened";
  } catch (const EMCIDeviceError&) {
    Application->HandleException(VideoForm);
  }
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The file was not found. Check its path and name.");
  EXPECT_TRUE(VideoForm->VideoList->Visible());
  EXPECT_FALSE(VideoForm->FullButton->Enabled());
  EXPECT_EQ(VideoForm->VideoMedia->DeviceID(), 0u);
}

TEST_F(VideoWindowTest, SearchReplacesTheListThroughTheHunter) {
  platform::UseManualClock(1'000'000);
  MakeForm(kOneMovie);
  VideoHunterForm = new TVideoHunterForm(Application);
  VideoHunterForm->DriveCombo->SetDrive('M');
  std::atomic<bool> stop{false};
  std::thread clock([&] {
    while (!stop) {
      platform::AdvanceClockMs(50);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  Type('m');  // runs the search window modally until it closes itself
  stop = true;
  clock.join();
  EXPECT_TRUE(VideoForm->Visible());
  ASSERT_EQ(VideoForm->VideoList->Items()->Count(), 2);
  EXPECT_EQ(VideoForm->VideoList->Items()->Item(0)->Caption(), "clip.avi");
  EXPECT_EQ(VideoForm->VideoList->Items()->Item(1)->Caption(), "long.avi");
  EXPECT_EQ(VideoHunterForm->Caption(), "Search has completed - Found 2 movies");
  // Only leaving with Esc or Quit writes the new list.
  EXPECT_EQ(ListFile(), kOneMovie);
  delete VideoHunterForm;
  VideoHunterForm = nullptr;
}

TEST_F(VideoWindowTest, ButtonBarSetsItsHints) {
  MakeForm(kOneMovie);
  ClickRow(0);
  const struct {
    TVrButtonType button;
    const char* hint;
  } cases[] = {
      {btPause, "Pause - Keyboard command is P"},
      {btStep, "Step forward to the next scene - Keyboard command is S"},
      {btBack, "Step back to the previous scene - Keyboard command is B"},
      {btPlay, "Play - Keyboard command is P"},
      {btNext, "Next - Keyboard command is +"},
      {btPrev, "Previous - Keyboard command is -"},
      {btStop, "Stop movie - Show the Selection Menu"},
  };
  for (const auto& c : cases) {
    VideoForm->Controller(VideoForm->Navigate, c.button);
    EXPECT_EQ(VideoForm->Navigate->Hint, c.hint);
  }
  // Stop shows the list again and closes the movie.
  EXPECT_TRUE(VideoForm->VideoList->Visible());
  EXPECT_EQ(VideoForm->VideoMedia->DeviceID(), 0u);
}

TEST_F(VideoWindowTest, StepsOnlyBetweenRows) {
  MakeForm("a.avi,M:\\\r\nb.avi,M:\\\r\n");
  VideoForm->Next();  // no row chosen: nothing
  VideoForm->Previous();
  EXPECT_EQ(VideoForm->VideoList->Selected(), nullptr);
  VideoForm->VideoList->SetSelected(VideoForm->VideoList->Items()->Item(0));
  VideoForm->Previous();  // before the first row: nothing
  EXPECT_EQ(VideoForm->VideoList->Selected(), VideoForm->VideoList->Items()->Item(0));
  EXPECT_EQ(VideoForm->MoviePath(), "");
}

// The button bar and the position gauge as the window places them, read
// back from the live controls and their pixels on the screen.
TEST_F(VideoWindowTest, TheBarAndTheGaugeAsPlaced) {
  MakeForm(kOneMovie);
  VideoForm->ShowNormal();
  TGProgress* gauge = VideoForm->Progress;
  TVrNavigator* bar = VideoForm->Navigate;
  auto pixel = [](TControl* control, int x, int y) {
    auto screen = platform::ComposeScreen();
    const TPoint p = control->ClientToScreen(TPoint{x, y});
    return screen->Pixel(p.x, p.y);
  };
  auto rgb = [](TColor color) { return static_cast<COLORREF>(ColorToRGB(color)); };
  // Behind the gauge, before it shows anything: it leaves that as it was.
  gauge->SetVisible(false);
  Pump();
  const COLORREF behind = pixel(gauge, 200, 3);
  gauge->SetVisible(true);
  gauge->SetPosition(0);
  Pump();
  EXPECT_EQ(pixel(gauge, 200, 3), behind);
  gauge->SetMax(100);
  gauge->SetPosition(100);
  Pump();

  const TVrButtonSet seven{btPlay, btPause, btStop, btPrev, btBack, btStep, btNext};
  EXPECT_EQ(bar->VisibleButtons(), seven);
  EXPECT_EQ(bar->EnabledButtons(), seven);
  EXPECT_EQ(bar->ButtonWidth(), 37);
  EXPECT_EQ(bar->ButtonHeight(), 16);
  EXPECT_EQ(bar->ButtonRect(btNext).left, 3 + 6 * 38);
  EXPECT_TRUE(gauge->GradientBar());
  EXPECT_TRUE(gauge->Solid());
  EXPECT_TRUE(gauge->Transparent());
  const struct {
    TControl* control;
    int width, height;
    struct {
      int x, y;
      COLORREF colour;
    } pixels[5];
  } cases[] = {
      // Outlined, raised outside and lowered inside.
      {bar, 271, 22,
       {{0, 11, RGB(0, 0, 0)},
        {1, 11, rgb(clBtnHighlight)},
        {2, 11, rgb(clBtnShadow)},
        {270, 11, RGB(0, 0, 0)},
        {135, 0, RGB(0, 0, 0)}}},
      // Full: solid yellow blocks with no gaps, black left and top, white
      // right and bottom.
      {gauge, 478, 6,
       {{0, 3, RGB(0, 0, 0)},
        {3, 0, RGB(0, 0, 0)},
        {11, 3, RGB(255, 255, 0)},
        {476, 3, RGB(255, 255, 0)},
        {477, 3, RGB(255, 255, 255)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control->Name());
    EXPECT_TRUE(c.control->Visible());
    EXPECT_EQ(c.control->Width(), c.width);
    EXPECT_EQ(c.control->Height(), c.height);
    for (const auto& p : c.pixels) EXPECT_EQ(pixel(c.control, p.x, p.y), p.colour) << p.x << "," << p.y;
  }
  EXPECT_EQ(pixel(gauge, 200, 5), RGB(255, 255, 255));
}

}  // namespace
}  // namespace velko_test

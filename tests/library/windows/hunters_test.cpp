// The movie and CD search windows: real finders over folders of the test's
// mapped as drives and over a disc image; the closing wait runs on the
// manual clock, driven from a helper thread while the window pumps.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "classlib/Resources.h"
#include "library/CDHunter.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "platform/cd/cd.h"
#include "platform/core/clock.h"
#include "platform/display/display.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/gdi/surface.h"
#include "platform/gdi/system_metrics.h"
#include "tests/library/windows/window_test_support.h"
#include "tests/support/cd_image.h"
#include "tests/support/clock_driver.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

class HunterTest : public ProgramFolderTest {
 protected:
  void SetUp() override {
    ProgramFolderTest::SetUp();
    platform::ResetDriveTable();
    platform::MapDrive('T', dir_.path().string());
    platform::UseManualClock(1'000'000);
  }
  void TearDown() override {
    delete VideoHunterForm;
    VideoHunterForm = nullptr;
    delete CDHunterForm;
    CDHunterForm = nullptr;
    delete VideoForm;
    VideoForm = nullptr;
    platform::cd::RemoveImage('K');
    platform::ResetDriveTable();
    ProgramFolderTest::TearDown();
  }
  TVideoHunterForm* MakeVideoHunter() {
    VideoHunterForm = new TVideoHunterForm(Application);
    VideoHunterForm->DriveCombo->SetDrive('T');
    return VideoHunterForm;
  }
  // Shows the window and waits until its chain and closing wait are over.
  void RunSearch(THunterForm* form) {
    ClockDriver clock;
    form->Show();
    ASSERT_TRUE(PumpMessagesUntil([&] { return !form->Searching() && !form->Visible(); }, 20,
                                  [this] { Pump(); }));
  }
  static std::vector<std::string> Rows(TAdvListView* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->Items()->Count(); ++i) {
      TListItem* item = list->Items()->Item(i);
      rows.push_back(item->Caption() + "|" + item->SubItems()->CommaText());
    }
    return rows;
  }

  TempDir dir_;
};

TEST_F(HunterTest, OneAviIsReportedAsOneMovie) {
  dir_.WriteFile("Films/clip.avi", "x");
  dir_.WriteFile("Films/notes.txt", "x");
  TVideoHunterForm* form = MakeVideoHunter();
  EXPECT_EQ(form->Color(), static_cast<TColor>(14058494));
  RunSearch(form);
  EXPECT_EQ(form->Caption(), "Search has completed - Found 1 movies");
  EXPECT_EQ(Rows(form->FoundFiles), (std::vector<std::string>{"clip.avi|T:\\Films"}));
}

TEST_F(HunterTest, TwoSearchesListEveryMovieTwiceAndClearMenuEmptiesBothLists) {
  dir_.WriteFile("a.mpg", "x");
  dir_.WriteFile("Sub/b.asf", "x");
  VideoForm = new TVideoForm(Application);
  boxes.clear();
  TVideoHunterForm* form = MakeVideoHunter();
  RunSearch(form);
  RunSearch(form);
  EXPECT_EQ(form->Caption(), "Search has completed - Found 4 movies");
  // Kept sorted by caption.
  EXPECT_EQ(Rows(form->FoundFiles), (std::vector<std::string>{"a.mpg|T:\\", "a.mpg|T:\\", "b.asf|T:\\Sub",
                                                               "b.asf|T:\\Sub"}));
  EXPECT_EQ(Rows(VideoForm->VideoList), Rows(form->FoundFiles));
  form->ClearMenu(form);
  EXPECT_EQ(form->FoundFiles->Items()->Count(), 0);
  EXPECT_EQ(VideoForm->VideoList->Items()->Count(), 0);
}

TEST_F(HunterTest, AbortDuringTheMpgWalkStillRunsTheOthers) {
  for (int i = 0; i < 300; ++i) dir_.WriteFile("Deep/" + std::to_string(i) + "/m.mpg", "x");
  dir_.WriteFile("z.avi", "x");
  dir_.WriteFile("z.asf", "x");
  TVideoHunterForm* form = MakeVideoHunter();
  bool aborted = false;
  form->mpghunt->OnFound = [&](TObject* Sender, const String& Folder, WIN32_FIND_DATA& Info) {
    form->FileFound(Sender, Folder, Info);
    if (!aborted) {
      aborted = true;
      form->DoAbort(form->StopButton, {}, 1, 1);
    }
  };
  RunSearch(form);
  EXPECT_EQ(form->Caption(), "Search aborted at your request...");
  EXPECT_TRUE(form->mpghunt->Aborted());
  EXPECT_FALSE(form->AVIHunt->Aborted());
  const auto rows = Rows(form->FoundFiles);
  EXPECT_LT(rows.size(), 300u);
  // The list is sorted by caption: the avi and asf walks' finds come last.
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[rows.size() - 2], "z.asf|T:\\");
  EXPECT_EQ(rows.back(), "z.avi|T:\\");
}

TEST_F(HunterTest, ActivationDuringTheClosingWaitStartsNothing) {
  dir_.WriteFile("a.avi", "x");
  TVideoHunterForm* form = MakeVideoHunter();
  int activations = 0;
  form->AVIHunt->OnComplete = [&](TObject* Sender) {
    // The window is activated again while the chain is still going.
    ++activations;
    form->TriggerSearch(form);
    form->FindASF(Sender);
  };
  RunSearch(form);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(form->FoundFiles->Items()->Count(), 1);
}

TEST_F(HunterTest, AnyKeyClosesAndEscAbortsTheWalk) {
  TVideoHunterForm* form = MakeVideoHunter();
  form->mpghunt->Threaded = true;
  Word key = 'A';
  form->Show();
  form->Abort(form, key, {});
  EXPECT_FALSE(form->Visible());
  EXPECT_FALSE(form->mpghunt->Aborted() && !form->mpghunt->Busy());
  // The chain still ends in AllDone.
  ClockDriver clock;
  ASSERT_TRUE(PumpMessagesUntil([&] { return !form->Searching(); }, 20, [this] { Pump(); }));
}

TEST_F(HunterTest, CdWindowListsTheDiscTracksInEveryList) {
  const auto cue = WriteCdImage(dir_.path(), "disc", {{150}, {75}, {75, false}});
  ASSERT_TRUE(platform::cd::InsertImage('K', cue.string()));
  CDHunterForm = new TCDHunterForm(Application);
  TAdvListView songs(nullptr), ripper(nullptr);
  CDHunterForm->SongList = &songs;
  CDHunterForm->RipperList = &ripper;
  CDHunterForm->mp3hunt->SetLocation("K:\\");
  RunSearch(CDHunterForm);
  EXPECT_EQ(CDHunterForm->Caption(), "Search has completed - Found 2 songs");
  const std::vector<std::string> expected{"Track01.cda|K:\\", "Track02.cda|K:\\"};
  EXPECT_EQ(Rows(CDHunterForm->FoundFiles), expected);
  EXPECT_EQ(Rows(&songs), expected);
  EXPECT_EQ(Rows(&ripper), expected);
  EXPECT_EQ(CDHunterForm->WipeButton->Hint,
            "Clear the search Window - Use this if the autosearch fails to find your\r\nCD, then click the drives "
            "button below to select the correct location");
  CDHunterForm->ClearMenu(CDHunterForm);
  EXPECT_EQ(songs.Items()->Count(), 0);
  EXPECT_EQ(ripper.Items()->Count(), 2);
  CDHunterForm->SongList = nullptr;
  CDHunterForm->RipperList = nullptr;
}

TEST_F(HunterTest, CdWindowSearchesTheChosenDrive) {
  dir_.WriteFile("Track07.cda", "x");
  CDHunterForm = new TCDHunterForm(Application);
  CDHunterForm->mp3hunt->SetLocation("Z:\\nowhere");
  CDHunterForm->DriveCombo->SetDrive('T');
  CDHunterForm->DriveCombo->OnSelect(CDHunterForm->DriveCombo);
  EXPECT_EQ(CDHunterForm->mp3hunt->Location(), "t:\\");
  ClockDriver clock;
  ASSERT_TRUE(PumpMessagesUntil([&] { return !CDHunterForm->Searching(); }, 20, [this] { Pump(); }));
  EXPECT_EQ(Rows(CDHunterForm->FoundFiles), (std::vector<std::string>{"Track07.cda|T:\\"}));
}

// F8 on a machine without a CD-ROM drive gives the window no location: it
// must not walk the current folder, where a track entry lies.
TEST_F(HunterTest, CdWindowWithoutACdDriveSearchesNothing) {
  if (!platform::cd::CdLetters().empty()) GTEST_SKIP() << "this machine has CD drives of its own";
  dir_.WriteFile("Rips/Track01.cda", "x");
  char before[MAX_PATH] = {};
  GetCurrentDirectory(sizeof before, before);
  ASSERT_TRUE(SetCurrentDirectory("T:\\"));
  CDHunterForm = new TCDHunterForm(Application);
  TAdvListView songs(nullptr);
  CDHunterForm->SongList = &songs;
  ASSERT_TRUE(CDHunterForm->mp3hunt->Location().empty());
  RunSearch(CDHunterForm);
  SetCurrentDirectory(before);
  EXPECT_EQ(CDHunterForm->Caption(), "Search has completed - Found 0 songs");
  EXPECT_EQ(CDHunterForm->FoundFiles->Items()->Count(), 0);
  EXPECT_EQ(songs.Items()->Count(), 0);
  CDHunterForm->SongList = nullptr;
}

// Before any picture is chosen each window shows its own picture, stretched
// over the whole window, not its bare colour.
TEST_F(HunterTest, WindowsShowTheirOwnPictureOnTheFirstStart) {
  ASSERT_GT(RegisterResourceFolder((ProgramFolder() / "Resources").string()), 0);
  MakeVideoHunter();
  CDHunterForm = new TCDHunterForm(Application);
  CDHunterForm->mp3hunt->SetLocation("T:\\");
  for (THunterForm* form : std::initializer_list<THunterForm*>{VideoHunterForm, CDHunterForm}) {
    SCOPED_TRACE(form->Name());
    TBitmap* picture = form->Image1->Picture()->Bitmap();
    ASSERT_FALSE(picture->Empty());
    // Painted before the search's report comes and the window closes.
    form->Show();
    form->Update();
    auto screen = platform::ComposeScreen();
    ASSERT_NE(screen, nullptr);
    const TPoint origin = form->ClientToScreen(TPoint{0, 0});
    // Corners and the gaps between the controls.
    for (auto [x, y] : {std::pair{1, 1}, {328, 1}, {1, 248}, {328, 248}, {4, 182}, {165, 214}}) {
      const COLORREF shown = screen->Pixel(origin.x + x, origin.y + y);
      EXPECT_NE(shown, static_cast<COLORREF>(ColorToRGB(form->Color()))) << x << "," << y;
      const TColor drawn = picture->Canvas()->Pixels(x * picture->Width() / 330, y * picture->Height() / 250);
      EXPECT_EQ(shown, static_cast<COLORREF>(drawn)) << x << "," << y;
    }
    ClockDriver clock;
    ASSERT_TRUE(PumpMessagesUntil([&] { return !form->Searching() && !form->Visible(); }, 20, [this] { Pump(); }));
  }
}

// The drive box of both windows, read back from the live window and seen on
// the screen: 33 x 19, black, the hand pointer over it; a drive chosen from
// its list with the mouse starts the search there.
TEST_F(HunterTest, TheDriveBoxIsASmallBlackHandButtonAndChoosingADriveSearches) {
  TempDir empty;
  platform::MapDrive('U', empty.path().string());
  dir_.WriteFile("clip.avi", "x");
  dir_.WriteFile("Track07.cda", "x");
  MakeVideoHunter()->DriveCombo->SetDrive('U');
  CDHunterForm = new TCDHunterForm(Application);
  CDHunterForm->mp3hunt->SetLocation("U:\\");
  const struct {
    THunterForm* form;
    const char* found;
  } windows[] = {{VideoHunterForm, "clip.avi|T:\\"}, {CDHunterForm, "Track07.cda|T:\\"}};
  for (const auto& w : windows) {
    THunterForm* form = w.form;
    TKavoDriveComboBox* combo = form->DriveCombo;
    SCOPED_TRACE(form->Name());
    ClockDriver clock;
    // The first search (of the empty drive) ends while the list is down,
    // so the window stays open and idle.
    form->Show();
    combo->SetDroppedDown(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !form->Searching(); }, 20, [this] { Pump(); }));
    combo->SetDroppedDown(false);
    Pump();
    ASSERT_TRUE(form->Visible());
    ASSERT_TRUE(form->FoundFiles->Items()->Count() == 0);

    EXPECT_EQ(combo->Width(), 33);
    EXPECT_EQ(combo->Height(), 19);
    EXPECT_EQ(combo->Color(), clBlack);
    EXPECT_EQ(combo->Cursor(), crHandPoint);
    RECT box{};
    GetWindowRect(combo->Handle(), &box);
    EXPECT_EQ(box.right - box.left, 33);
    EXPECT_EQ(box.bottom - box.top, 19);
    // The field between the frame and the drop-down button shows black.
    auto screen = platform::ComposeScreen();
    ASSERT_NE(screen, nullptr);
    int field = 0, black = 0;
    for (int y = box.top + 3; y < box.bottom - 3; ++y) {
      for (int x = box.left + 3; x < box.right - 3 - GetSystemMetrics(SM_CXVSCROLL); ++x) {
        ++field;
        black += screen->Pixel(x, y) == RGB(0, 0, 0);
      }
    }
    EXPECT_GT(field, 100);
    EXPECT_EQ(black, field);
    MoveMouse(combo, 5, 5);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));

    int t_entry = -1;
    for (int i = 0; i < combo->Items()->Count(); ++i) {
      if (combo->Items()->Strings(i).rfind("t:", 0) == 0) t_entry = i;
    }
    ASSERT_GE(t_entry, 0);
    Click(combo, combo->Width() - 6, combo->Height() / 2);
    ASSERT_TRUE(combo->DroppedDown());
    // The dropped list is black too; its drive names must still be readable.
    auto dropped = platform::ComposeScreen();
    ASSERT_NE(dropped, nullptr);
    int white = 0;
    for (int y = box.bottom; y < box.bottom + combo->ItemHeight() * 2; ++y) {
      for (int x = box.left; x < box.right; ++x) white += dropped->Pixel(x, y) == RGB(255, 255, 255);
    }
    EXPECT_GT(white, 0);
    const int h = combo->ItemHeight();
    const int entry_y = combo->Height() + t_entry * h + h / 2;
    MoveMouse(combo, 8, entry_y);
    Click(combo, 8, entry_y);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Drive(), 't');
    ASSERT_TRUE(PumpMessagesUntil([&] { return !form->Searching() && !form->Visible(); }, 20, [this] { Pump(); }));
    EXPECT_EQ(Rows(form->FoundFiles), (std::vector<std::string>{w.found}));
  }
}

TEST_F(HunterTest, StaysOpenWhileTheDriveListIsDroppedDown) {
  TCDHunterForm* form = CDHunterForm = new TCDHunterForm(Application);
  form->mp3hunt->SetLocation("T:\\");
  ClockDriver clock;
  form->Show();
  form->DriveCombo->SetDroppedDown(true);
  ASSERT_TRUE(PumpMessagesUntil([&] { return !form->Searching(); }, 20, [this] { Pump(); }));
  EXPECT_TRUE(form->Visible());
  form->DriveCombo->SetDroppedDown(false);
  form->Close();
}

}  // namespace
}  // namespace velko_test

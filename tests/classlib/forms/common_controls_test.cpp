// The common controls: progress bar, track bar, page control with its tab
// sheets, up-down arrows and the spin edit.
#include <gtest/gtest.h>

#include <vector>

#include "classlib/Button.h"
#include "classlib/PageControl.h"
#include "classlib/ProgressBar.h"
#include "classlib/Spin.h"
#include "classlib/TrackBar.h"
#include "classlib/UpDown.h"
#include "platform/core/clock.h"
#include "platform/ctl/progress_bar.h"
#include "platform/ctl/tab_control.h"
#include "platform/ctl/track_bar.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TCommonForm : public TForm {
 public:
  explicit TCommonForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("CommonForm");
    SetClientSize(500, 400);
    Progress = NewControl<TProgressBar>(this, this, "Progress", 10, 10, 200, 16);
    Volume = NewControl<TTrackBar>(this, this, "Volume", 10, 40, 200, 40);
    Volume->SetMax(100);
    Spin = NewControl<TSpinEdit>(this, this, "Spin", 250, 10, 80, 21);
    Spin->SetMinValue(1);
    Spin->SetMaxValue(10);
    Pages = NewControl<TPageControl>(this, this, "Pages", 10, 100, 480, 280);
    const char* captions[] = {"Search Results", "Hosts", "Transfers"};
    for (int i = 0; i < 3; ++i) {
      Sheets[i] = new TTabSheet(this);
      Sheets[i]->SetCaption(captions[i]);
      Sheets[i]->SetPageControl(Pages);
    }
    OnSecondPage = NewControl<TButton>(this, Sheets[1], "OnSecondPage", 10, 10, 80, 25);
    EndLoad();
  }
  TProgressBar* Progress;
  TTrackBar* Volume;
  TSpinEdit* Spin;
  TPageControl* Pages;
  TTabSheet* Sheets[3];
  TButton* OnSecondPage;
};

class CommonControlsTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    platform::UseManualClock(1'000'000);
    form = ShowNewForm<TCommonForm>();
  }
  TCommonForm* form = nullptr;
};

TEST_F(CommonControlsTest, AProgressBarKeepsItsPositionInRangeAndSteps) {
  TProgressBar* bar = form->Progress;
  bar->SetPosition(40);
  EXPECT_EQ(SendMessage(bar->Handle(), PBM_GETPOS, 0, 0), 40);
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetMax(200);
  bar->SetPosition(150);
  bar->StepIt();
  EXPECT_EQ(bar->Position(), 160);
  bar->StepBy(-60);
  EXPECT_EQ(bar->Position(), 100);
  // Settings survive a new window.
  bar->SetSmooth(true);
  EXPECT_EQ(bar->Position(), 100);
  EXPECT_TRUE(GetWindowLongPtr(bar->Handle(), GWL_STYLE) & PBS_SMOOTH);
}

TEST_F(CommonControlsTest, ATrackBarTellsOfChangesByTheUserAndByCode) {
  TTrackBar* bar = form->Volume;
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  bar->SetPosition(50);
  EXPECT_EQ(changes, 1);
  bar->SetPosition(50);
  EXPECT_EQ(changes, 1);
  bar->SetFocus();
  Press(VK_RIGHT);
  EXPECT_EQ(bar->Position(), 51);
  EXPECT_EQ(changes, 2);
  Press(VK_END);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetMax(80);
  EXPECT_EQ(bar->Position(), 80);
  bar->SetOrientation(trVertical);
  EXPECT_EQ(bar->Width(), 40);
  EXPECT_TRUE(GetWindowLongPtr(bar->Handle(), GWL_STYLE) & TBS_VERT);
}

TEST_F(CommonControlsTest, APageControlShowsThePageOfTheChosenTab) {
  TPageControl* pages = form->Pages;
  EXPECT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(pages->ActivePage(), form->Sheets[0]);
  EXPECT_EQ(SendMessage(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(IsWindowVisible(form->Sheets[0]->Handle()));
  EXPECT_FALSE(form->Sheets[1]->Visible());
  // The page fills the display area.
  EXPECT_EQ(form->Sheets[0]->BoundsRect(), pages->DisplayRect());

  int changings = 0;
  int changes = 0;
  bool allow = false;
  pages->OnChanging = [&](TObject*, bool& allow_change) {
    ++changings;
    allow_change = allow;
  };
  pages->OnChange = [&](TObject*) { ++changes; };
  RECT tab{};
  SendMessage(pages->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
  Click(pages, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  EXPECT_EQ(changings, 1);
  EXPECT_EQ(pages->ActivePage(), form->Sheets[0]);  // refused
  allow = true;
  Advance(600);
  Click(pages, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  EXPECT_EQ(pages->ActivePage(), form->Sheets[1]);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(IsWindowVisible(form->OnSecondPage->Handle()));
  EXPECT_FALSE(IsWindowVisible(form->Sheets[0]->Handle()));
  // Code changes raise nothing.
  pages->SetActivePageIndex(2);
  EXPECT_EQ(pages->TabIndex(), 2);
  EXPECT_EQ(changes, 1);
  // A hidden tab is passed over; a page that goes hands over to the next.
  form->Sheets[1]->SetTabVisible(false);
  EXPECT_EQ(SendMessage(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(form->Sheets[2]->TabIndex(), 1);
  delete form->Sheets[2];
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), form->Sheets[0]);
}

TEST_F(CommonControlsTest, CtrlTabTurnsThePages) {
  TPageControl* pages = form->Pages;
  pages->SetFocus();
  PressWith(VK_CONTROL, VK_TAB);
  EXPECT_EQ(pages->ActivePage(), form->Sheets[1]);
}

TEST_F(CommonControlsTest, ASpinEditStepsWithinItsRangeByArrowsAndKeys) {
  TSpinEdit* spin = form->Spin;
  EXPECT_EQ(spin->Value(), 1);  // "0" is below the range
  spin->SetValue(5);
  EXPECT_EQ(spin->Text(), "5");
  spin->SetFocus();
  Press(VK_UP);
  EXPECT_EQ(spin->Value(), 6);
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(spin->Value(), 4);
  spin->SetValue(25);
  EXPECT_EQ(spin->Text(), "10");
  // The arrows beside the text step too.
  TControl* arrows = spin->Controls(0);
  Click(arrows, arrows->Width() / 2, arrows->Height() - 3);
  EXPECT_EQ(spin->Value(), 9);
  Advance(600);
  Click(arrows, arrows->Width() / 2, 3);
  EXPECT_EQ(spin->Value(), 10);
  // Only digits and signs can be typed.
  spin->SelectAll();
  platform::InjectText("7x");
  Pump();
  EXPECT_EQ(spin->Text(), "7");
}

TEST_F(CommonControlsTest, AnUpDownTellsWhichArrowWasPressed) {
  auto* arrows = NewControl<TUpDown>(form, form, "", 350, 10, 17, 30);
  arrows->SetPosition(50);
  std::vector<TUDBtnType> presses;
  arrows->OnClick = [&](TObject*, TUDBtnType button) { presses.push_back(button); };
  Pump();
  Click(arrows, 8, 5);
  EXPECT_EQ(arrows->Position(), 51);
  Advance(600);
  Click(arrows, 8, 25);
  EXPECT_EQ(arrows->Position(), 50);
  EXPECT_EQ((std::vector<TUDBtnType>{TUDBtnType::btNext, TUDBtnType::btPrev}), presses);
  // OnChanging can refuse a step.
  arrows->OnChanging = [](TObject*, bool& allow) { allow = false; };
  Advance(600);
  Click(arrows, 8, 5);
  EXPECT_EQ(arrows->Position(), 50);
}

}  // namespace
}  // namespace velko_test

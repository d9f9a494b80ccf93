// The mouse over controls: entering and leaving, hints after a pause and
// their end, the hint window class, cursors, and speed buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Buttons.h"
#include "classlib/Panel.h"
#include "platform/core/clock.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// Writes down the enter and leave messages it gets, with whom they are
// about.
class TWatchedPanel : public TPanel {
 public:
  explicit TWatchedPanel(TComponent* AOwner) : TPanel(AOwner) {}
  std::vector<std::string> seen;

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) {
      auto* about = reinterpret_cast<TControl*>(Message.LParam);
      seen.push_back(std::string(Message.Msg == CM_MOUSEENTER ? "enter " : "leave ") +
                     (about != nullptr ? about->Name() : Name()));
    }
    TPanel::Dispatch(Message);
  }
};

class TMouseForm : public TForm {
 public:
  explicit TMouseForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("MouseForm");
    SetClientSize(300, 200);
    SetShowHint(true);
    Panel = NewControl<TWatchedPanel>(this, this, "Panel", 10, 10, 200, 100);
    Play = MakeButton("Play", 10, "Play the song|Plays the selected song");
    Stop = MakeButton("Stop", 50, "Stop");
    EndLoad();
  }

  TSpeedButton* MakeButton(const String& name, int left, const String& hint) {
    auto* button = NewControl<TSpeedButton>(this, Panel, name, left, 10, 30, 30);
    button->Hint = hint;
    button->SetFlat(true);
    return button;
  }

  TWatchedPanel* Panel;
  TSpeedButton* Play;
  TSpeedButton* Stop;
};

class MouseTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    platform::UseManualClock(10'000'000);
    Application->CreateForm(form);
    form->SetLeft(100);
    form->SetTop(100);
    form->Show();
    Pump();
  }
  bool HintShowing() {
    THintWindow* window = Application->HintWindow();
    return window != nullptr && window->HandleAllocated() && IsWindowVisible(window->Handle());
  }
  TMouseForm* form = nullptr;
};

TEST_F(MouseTest, EnteringAndLeavingAControlIsToldToItAndItsParents) {
  MoveMouse(form->Panel, 150, 80);
  EXPECT_FALSE(form->Play->MouseInControl());
  MoveMouse(form->Play, 5, 5);
  EXPECT_TRUE(form->Play->MouseInControl());  // a flat button shows its frame
  MoveMouse(form->Panel, 150, 80);
  EXPECT_FALSE(form->Play->MouseInControl());
  MoveMouse(form, 280, 180);
  EXPECT_EQ((std::vector<std::string>{"enter Panel", "leave Panel", "enter Play", "leave Play", "enter Panel",
                                      "leave Panel"}),
            form->Panel->seen);
}

TEST_F(MouseTest, AHintShowsAfterThePauseWithItsShortPartAndGoesAfterTheHidePause) {
  std::vector<String> long_hints;
  Application->OnHint = [&](TObject*) { long_hints.push_back(Application->Hint()); };
  MoveMouse(form->Play, 5, 5);
  EXPECT_FALSE(HintShowing());
  ASSERT_FALSE(long_hints.empty());
  EXPECT_EQ(long_hints.back(), "Plays the selected song");
  Advance(450);
  EXPECT_FALSE(HintShowing());
  Advance(100);
  ASSERT_TRUE(HintShowing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Play the song");
  // Below the mouse, not under it.
  const TPoint mouse = form->Play->ClientToScreen(Point(5, 5));
  EXPECT_GT(Application->HintWindow()->Top(), mouse.y);
  Advance(2600);
  EXPECT_FALSE(HintShowing());
}

TEST_F(MouseTest, ClickingEndsAHintAndHintsNeedShowHint) {
  MoveMouse(form->Stop, 5, 5);
  Advance(600);
  ASSERT_TRUE(HintShowing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Stop");
  Click(form->Stop, 5, 5);
  EXPECT_FALSE(HintShowing());

  form->SetShowHint(false);  // the buttons follow their parents
  EXPECT_FALSE(form->Stop->ShowHint());
  MoveMouse(form->Play, 6, 6);
  Advance(600);
  EXPECT_FALSE(HintShowing());
}

// A hint window class of a component's own, as a shaped hint installs it.
class TLoudHintWindow : public THintWindow {
 public:
  explicit TLoudHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}
  void ActivateHint(TRect Rect, const String& AHint) override { THintWindow::ActivateHint(Rect, AHint + "!"); }
};

TEST_F(MouseTest, AnotherHintWindowClassTakesOverOnceHintsAreSwitchedOffAndOn) {
  const THintWindowClass saved = HintWindowClass;
  MoveMouse(form->Stop, 5, 5);
  Advance(600);
  ASSERT_TRUE(HintShowing());
  HintWindowClass = HintWindowClassOf<TLoudHintWindow>();
  Application->SetShowHint(false);
  EXPECT_EQ(Application->HintWindow(), nullptr);
  Application->SetShowHint(true);
  MoveMouse(form->Play, 5, 5);
  Advance(600);
  ASSERT_TRUE(HintShowing());
  EXPECT_NE(dynamic_cast<TLoudHintWindow*>(Application->HintWindow()), nullptr);
  EXPECT_EQ(Application->HintWindow()->Caption(), "Play the song!");
  HintWindowClass = saved;
}

TEST_F(MouseTest, SpeedButtonsOfAGroupReleaseEachOther) {
  form->Play->SetGroupIndex(1);
  form->Stop->SetGroupIndex(1);
  int clicks = 0;
  form->Stop->OnClick = [&](TObject*) { ++clicks; };
  Click(form->Play, 5, 5);
  EXPECT_TRUE(form->Play->Down());
  Advance(600);  // not a double click
  Click(form->Stop, 5, 5);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(form->Stop->Down());
  EXPECT_FALSE(form->Play->Down());
  // Without AllowAllUp a down button cannot be released.
  form->Stop->SetDown(false);
  EXPECT_TRUE(form->Stop->Down());
  form->Stop->SetAllowAllUp(true);
  EXPECT_TRUE(form->Play->AllowAllUp());
  form->Stop->SetDown(false);
  EXPECT_FALSE(form->Stop->Down());
  // A button outside any group never stays down.
  form->Play->SetGroupIndex(0);
  form->Play->SetDown(true);
  EXPECT_FALSE(form->Play->Down());
}

TEST_F(MouseTest, ReleasingOutsideAPressedButtonIsNoClick) {
  int clicks = 0;
  form->Play->OnClick = [&](TObject*) { ++clicks; };
  const TPoint down = form->Play->ClientToScreen(Point(5, 5));
  const TPoint away = form->Panel->ClientToScreen(Point(150, 80));
  platform::InjectMouse(platform::MouseAction::kLeftDown, down.x, down.y);
  Pump();
  EXPECT_EQ(GetCaptureControl(), form->Play);
  platform::InjectMouse(platform::MouseAction::kMove, away.x, away.y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, away.x, away.y);
  Pump();
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MouseTest, TheControlsCursorShowsOverIt) {
  form->Play->SetCursor(crHandPoint);
  MoveMouse(form->Play, 5, 5);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  MoveMouse(form->Panel, 150, 80);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  MoveMouse(form->Play, 6, 6);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
}

}  // namespace
}  // namespace velko_test

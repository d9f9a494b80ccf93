// Layout and inherited settings: aligned controls, fonts, colours and hint
// settings taken from the parent, z-order, windows made again with their
// children, and the hint a control changes as it shows.
#include <gtest/gtest.h>

#include "classlib/ExtCtrls.h"
#include "classlib/GroupBox.h"
#include "classlib/Label.h"
#include "platform/core/clock.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TLayoutForm : public TForm {
 public:
  explicit TLayoutForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("LayoutForm");
    SetClientSize(300, 200);
    Top = MakePanel("TopPanel", alTop, 0, 0, 10, 30);
    Bottom = MakePanel("BottomPanel", alBottom, 0, 0, 10, 20);
    Left = MakePanel("LeftPanel", alLeft, 0, 0, 50, 10);
    Client = MakePanel("ClientPanel", alClient, 0, 0, 10, 10);
    EndLoad();
  }
  TPanel* MakePanel(const String& name, TAlign align, int x, int y, int w, int h) {
    auto* panel = NewControl<TPanel>(this, this, name, x, y, w, h);
    panel->SetAlign(align);
    return panel;
  }
  TPanel* Top;
  TPanel* Bottom;
  TPanel* Left;
  TPanel* Client;
};

using LayoutTest = FormsTest;

TEST_F(LayoutTest, AlignedControlsFillTheSidesInTurnAndFollowTheParentsSize) {
  auto* form = NewForm<TLayoutForm>();
  EXPECT_EQ(form->Top->BoundsRect(), Rect(0, 0, 300, 30));
  EXPECT_EQ(form->Bottom->BoundsRect(), Rect(0, 180, 300, 200));
  EXPECT_EQ(form->Left->BoundsRect(), Rect(0, 30, 50, 180));
  EXPECT_EQ(form->Client->BoundsRect(), Rect(50, 30, 300, 180));
  form->Show();
  Pump();
  form->SetClientSize(400, 300);
  Pump();
  EXPECT_EQ(form->Bottom->BoundsRect(), Rect(0, 280, 400, 300));
  EXPECT_EQ(form->Client->BoundsRect(), Rect(50, 30, 400, 280));
  // A hidden aligned control leaves its room to the others.
  form->Left->Hide();
  EXPECT_EQ(form->Client->BoundsRect(), Rect(0, 30, 400, 280));
  // A second top panel goes below the first.
  auto* second = form->MakePanel("SecondTop", alTop, 0, 100, 10, 10);
  EXPECT_EQ(second->BoundsRect(), Rect(0, 30, 400, 40));
  EXPECT_EQ(form->Client->BoundsRect(), Rect(0, 40, 400, 280));
  int resized = 0;
  form->Client->OnResize = [&](TObject*) { ++resized; };
  form->SetClientSize(500, 300);
  Pump();
  EXPECT_EQ(resized, 1);
}

TEST_F(LayoutTest, FontColourAndShowHintComeFromTheParentUntilSetOnTheControl) {
  auto* form = NewForm<TLayoutForm>();
  auto* label = new TLabel(form);
  label->SetParent(form->Client);
  EXPECT_TRUE(label->ParentFont());
  form->Client->Font()->SetSize(12);
  EXPECT_EQ(label->Font()->Size(), 12);
  EXPECT_TRUE(label->ParentFont());
  label->Font()->SetStyle({fsBold});
  EXPECT_FALSE(label->ParentFont());
  form->Client->Font()->SetSize(14);
  EXPECT_EQ(label->Font()->Size(), 12);
  label->SetParentFont(true);
  EXPECT_EQ(label->Font()->Size(), 14);

  EXPECT_EQ(label->Color(), form->Client->Color());
  form->Client->SetColor(clYellow);
  EXPECT_EQ(label->Color(), clYellow);
  label->SetColor(clRed);
  form->Client->SetColor(clBlue);
  EXPECT_EQ(label->Color(), clRed);

  form->SetShowHint(true);
  EXPECT_TRUE(form->Client->ShowHint());
  EXPECT_TRUE(label->ShowHint());
  form->Client->SetShowHint(false);
  EXPECT_FALSE(label->ShowHint());
  EXPECT_FALSE(form->Client->ParentShowHint());
}

TEST_F(LayoutTest, RecreatingAWindowKeepsItsTextChildrenAndPlace) {
  auto* form = NewForm<TLayoutForm>();
  auto* box = NewControl<TGroupBox>(form, form->Client, "", 5, 5, 120, 80);
  box->SetCaption("Connection");
  auto* inner = NewControl<TPanel>(form, box, "", 10, 20, 40, 30);
  form->Show();
  Pump();
  HWND before = box->Handle();
  box->RecreateWnd();
  ASSERT_TRUE(box->HandleAllocated());
  EXPECT_NE(box->Handle(), before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(box->Caption(), "Connection");
  EXPECT_TRUE(IsWindowVisible(box->Handle()));
  ASSERT_TRUE(inner->HandleAllocated());
  EXPECT_EQ(GetParent(inner->Handle()), box->Handle());
  EXPECT_EQ(inner->BoundsRect(), Rect(10, 20, 50, 50));
  // Its children keep their order and the panel its window.
  EXPECT_TRUE(IsWindowVisible(inner->Handle()));
}

TEST_F(LayoutTest, BringingToFrontChangesWhichControlGetsTheMouse) {
  auto* form = NewForm<TLayoutForm>();
  auto* under = new TLabel(form);
  under->SetParent(form->Client);
  under->SetAutoSize(false);
  under->SetBounds(10, 10, 50, 20);
  auto* over = new TLabel(form);
  over->SetParent(form->Client);
  over->SetAutoSize(false);
  over->SetBounds(20, 10, 50, 20);
  form->Show();
  Pump();
  int under_clicks = 0;
  int over_clicks = 0;
  under->OnClick = [&](TObject*) { ++under_clicks; };
  over->OnClick = [&](TObject*) { ++over_clicks; };
  Click(form->Client, 30, 15);
  EXPECT_EQ(over_clicks, 1);
  under->BringToFront();
  platform::UseManualClock(5'000'000);
  Click(form->Client, 30, 15);
  EXPECT_EQ(under_clicks, 1);
}

// A control that changes its hint as it shows (the way a list shows the
// caption of the row under the mouse).
class TRowHintPanel : public TPanel {
 public:
  explicit TRowHintPanel(TComponent* AOwner) : TPanel(AOwner) {}
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_HINTSHOW) {
      auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
      info->HintStr = "Row " + std::to_string(info->CursorPos.y / 10);
      info->HintColor = clYellow;
      return;
    }
    TPanel::Dispatch(Message);
  }
};

TEST_F(LayoutTest, AControlCanChangeItsHintAsItShows) {
  platform::UseManualClock(1'000'000);
  auto* form = NewForm<TLayoutForm>();
  form->SetShowHint(true);
  auto* rows = NewControl<TRowHintPanel>(form, form->Client, "", 0, 0, 100, 100);
  rows->Hint = "rows";
  form->Show();
  Pump();
  MoveMouse(rows, 20, 35);
  Advance(600);
  THintWindow* window = Application->HintWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Caption(), "Row 3");
  EXPECT_EQ(window->Color(), clYellow);
}

}  // namespace
}  // namespace velko_test

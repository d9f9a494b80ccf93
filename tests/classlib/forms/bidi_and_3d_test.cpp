// Right-to-left modes and the 3-D look of the standard controls, read off
// the headless screen: where text, drop-down buttons, check boxes and
// scroll bars stand in each BiDiMode, the sunken edge or the flat border
// of Ctl3D, both settings taken from the parent until set on the control,
// and a mode outside the enumeration refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Button.h"
#include "classlib/ComboBox.h"
#include "classlib/Edit.h"
#include "classlib/Exceptions.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Label.h"
#include "classlib/ListBox.h"
#include "classlib/ListView.h"
#include "platform/gdi/system_metrics.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

// A panel holding one of each control that draws text or has a client
// edge; none takes the focus, so no caret or highlight covers the text.
class TBiDiForm : public TForm {
 public:
  explicit TBiDiForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("BiDiForm");
    SetClientSize(420, 300);
    Box = NewControl<TPanel>(this, this, "Box", 5, 5, 410, 290);
    Box->SetCaption("");
    Field = NewControl<TEdit>(this, Box, "Field", 10, 10, 200, 25);
    Field->SetText("Hello");
    Choice = NewControl<TComboBox>(this, Box, "Choice", 10, 50, 200, 21);
    Choice->SetStyle(csDropDownList);
    Caption = NewControl<TLabel>(this, Box, "Caption", 10, 90, 200, 17);
    Caption->SetAutoSize(false);
    Caption->SetCaption("Title");
    Option = NewControl<TCheckBox>(this, Box, "Option", 10, 120, 200, 20);
    Option->SetCaption("Shuffle");
    Names = NewControl<TListBox>(this, Box, "Names", 220, 10, 180, 100);
    Notes = NewControl<TMemo>(this, Box, "Notes", 220, 120, 180, 60);
    Songs = NewControl<TListView>(this, Box, "Songs", 220, 190, 180, 60);
    for (TWinControl* c : std::vector<TWinControl*>{Field, Choice, Option, Names, Notes, Songs})
      c->SetTabStop(false);
    EndLoad();
  }
  TPanel* Box;
  TEdit* Field;
  TComboBox* Choice;
  TLabel* Caption;
  TCheckBox* Option;
  TListBox* Names;
  TMemo* Notes;
  TListView* Songs;
};

class BiDiAnd3DTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form = ShowNewForm<TBiDiForm>();
    form->Choice->Items()->Add("Tracks");
    form->Choice->SetItemIndex(0);
    form->Notes->SetText("Notes");
    for (int i = 0; i < 12; ++i) form->Names->Items()->Add("Name " + std::to_string(i));
    Pump();
  }

  static DWORD ExStyle(TWinControl* c) {
    return static_cast<DWORD>(GetWindowLongPtr(c->Handle(), GWL_EXSTYLE));
  }
  // Ink in the client area, less `margin` columns on each side and the
  // rows a combo box's own edge takes.
  static std::pair<int, int> Ink(TControl* c, int margin = 0) {
    return InkColumns(c, margin, 3, c->ClientWidth() - margin, c->ClientHeight() - 3);
  }
  static bool InkAtRight(TControl* c, int margin = 0) {
    return Ink(c, margin).first > c->ClientWidth() / 2;
  }
  static bool InkAtLeft(TControl* c, int margin = 0) {
    const auto span = Ink(c, margin);
    return span.first >= 0 && span.second < c->ClientWidth() / 2;
  }
  // The sunken edge: shadow then dark shadow along the top, highlight along
  // the bottom; the flat border: one black line, then the control's paper
  // (looked at below and beside, where a list view's header is not).
  static bool SunkenEdge(TWinControl* c) {
    const int x = c->Width() / 2;
    return WindowPixel(c, x, 0) == GetSysColor(COLOR_BTNSHADOW) &&
           WindowPixel(c, x, 1) == GetSysColor(COLOR_3DDKSHADOW) &&
           WindowPixel(c, x, c->Height() - 1) == GetSysColor(COLOR_BTNHIGHLIGHT) &&
           WindowPixel(c, 0, c->Height() / 2) == GetSysColor(COLOR_BTNSHADOW);
  }
  static bool FlatBorder(TWinControl* c) {
    const int x = c->Width() / 2;
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    const COLORREF paper = GetSysColor(COLOR_WINDOW);
    return WindowPixel(c, x, 0) == frame && WindowPixel(c, x, c->Height() - 1) == frame &&
           WindowPixel(c, x, c->Height() - 2) == paper &&
           WindowPixel(c, 0, c->Height() / 2) == frame &&
           WindowPixel(c, 1, c->Height() / 2) == paper;
  }

  TBiDiForm* form = nullptr;
};

struct ModeCase {
  TBiDiMode mode;
  bool reading;      // right-to-left reading order
  bool text_right;   // text aligned from the right
  bool button_left;  // scroll bars and drop-down buttons on the left
};

TEST_F(BiDiAnd3DTest, EachModeReadsAlignsAndPlacesButtonsAndScrollBarsAsItSays) {
  const ModeCase cases[] = {
      {bdLeftToRight, false, false, false},
      {bdRightToLeft, true, true, true},
      {bdRightToLeftNoAlign, true, false, true},
      {bdRightToLeftReadingOnly, true, false, false},
  };
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF paper = GetSysColor(COLOR_WINDOW);
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    form->SetBiDiMode(c.mode);
    Pump();
    for (TWinControl* w :
         std::vector<TWinControl*>{form->Field, form->Choice, form->Option, form->Names}) {
      SCOPED_TRACE(w->Name());
      EXPECT_EQ(w->BiDiMode(), c.mode);
      EXPECT_EQ((ExStyle(w) & WS_EX_RTLREADING) != 0, c.reading);
      EXPECT_EQ((ExStyle(w) & WS_EX_LEFTSCROLLBAR) != 0, c.button_left);
      EXPECT_EQ((ExStyle(w) & WS_EX_RIGHT) != 0, c.text_right);
    }
    // The edit's, label's and list's text.
    EXPECT_EQ(InkAtRight(form->Field), c.text_right);
    EXPECT_EQ(InkAtLeft(form->Field), !c.text_right);
    EXPECT_EQ(InkAtRight(form->Caption), c.text_right);
    EXPECT_EQ(InkAtLeft(form->Caption), !c.text_right);
    EXPECT_EQ(InkAtRight(form->Names), c.text_right);
    EXPECT_EQ(InkAtLeft(form->Names), !c.text_right);
    EXPECT_EQ(InkAtRight(form->Notes), c.text_right);
    EXPECT_EQ(InkAtLeft(form->Notes), !c.text_right);
    // The combo box's button (the arrow's face) and its text, looked for
    // between the two places a button can take.
    TComboBox* combo = form->Choice;
    const int mid = combo->Height() / 2;
    EXPECT_EQ(WindowPixel(combo, 4, mid) == face, c.button_left);
    EXPECT_EQ(WindowPixel(combo, combo->Width() - 5, mid) == face, !c.button_left);
    EXPECT_EQ(InkAtRight(combo, 22), c.text_right);
    EXPECT_EQ(InkAtLeft(combo, 22), !c.text_right);
    // The check box's white square at the side its caption does not take.
    TCheckBox* box = form->Option;
    EXPECT_EQ(WindowPixel(box, 6, box->Height() / 2) == paper, !c.text_right);
    EXPECT_EQ(WindowPixel(box, box->Width() - 7, box->Height() / 2) == paper, c.text_right);
    EXPECT_EQ(InkAtRight(box, 20), c.text_right);
    // The list's scroll bar: its up arrow's face in the top corner.
    TListBox* list = form->Names;
    EXPECT_EQ(WindowPixel(list, 4, 4) == face, c.button_left);
    EXPECT_EQ(WindowPixel(list, list->Width() - 5, 4) == face, !c.button_left);
  }
}

// Aligned from the right, a memo's own alignment is mirrored: right
// justified text then stands at the left, centred text stays centred.
TEST_F(BiDiAnd3DTest, RightToLeftMirrorsAMemosAlignment) {
  TMemo* memo = form->Notes;
  memo->SetAlignment(taRightJustify);
  EXPECT_TRUE(InkAtRight(memo));
  form->SetBiDiMode(bdRightToLeft);
  EXPECT_TRUE(InkAtLeft(memo));
  form->SetBiDiMode(bdRightToLeftNoAlign);
  EXPECT_TRUE(InkAtRight(memo));
  form->SetBiDiMode(bdRightToLeft);
  memo->SetAlignment(taCenter);
  const auto span = Ink(memo);
  EXPECT_LT(span.first, memo->ClientWidth() / 2);
  EXPECT_GT(span.second, memo->ClientWidth() / 2);
}

// The scroll bar a right-to-left list shows at its left works there: a
// click on its down arrow scrolls the list by a line.
TEST_F(BiDiAnd3DTest, TheScrollBarAtTheLeftScrollsTheList) {
  TListBox* list = form->Names;
  form->SetBiDiMode(bdRightToLeft);
  Pump();
  ASSERT_EQ(list->TopIndex(), 0);
  const int arrow = GetSystemMetrics(SM_CXVSCROLL) / 2;
  Click(list, -arrow, list->ClientHeight() - arrow);
  EXPECT_EQ(list->TopIndex(), 1);
  Click(list, list->ClientWidth() - 4, list->ClientHeight() - arrow);
  EXPECT_EQ(list->TopIndex(), 1) << "the right side is the list's own";
}

TEST_F(BiDiAnd3DTest, ParentBiDiModeFollowsThroughNestedParentsUntilTheModeIsSet) {
  TEdit* field = form->Field;
  EXPECT_TRUE(field->ParentBiDiMode());
  form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(form->Box->BiDiMode(), bdRightToLeft);
  EXPECT_EQ(field->BiDiMode(), bdRightToLeft);
  EXPECT_TRUE(field->ParentBiDiMode());
  EXPECT_TRUE(InkAtRight(field));

  // Set on the control: it keeps its own mode from then on.
  field->SetBiDiMode(bdLeftToRight);
  EXPECT_FALSE(field->ParentBiDiMode());
  EXPECT_TRUE(InkAtLeft(field));
  form->SetBiDiMode(bdLeftToRight);
  form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(field->BiDiMode(), bdLeftToRight);
  EXPECT_TRUE(InkAtLeft(field));
  EXPECT_TRUE(InkAtRight(form->Names)) << "a sibling still follows";

  // Following again takes the parent's mode at once.
  field->SetParentBiDiMode(true);
  EXPECT_EQ(field->BiDiMode(), bdRightToLeft);
  EXPECT_TRUE(InkAtRight(field));

  // A control put into the panel later takes its mode too.
  auto* late = NewControl<TEdit>(form, form->Box, "Late", 10, 200, 150, 25);
  EXPECT_EQ(late->BiDiMode(), bdRightToLeft);
  EXPECT_NE(ExStyle(late) & WS_EX_RIGHT, 0u);
}

TEST_F(BiDiAnd3DTest, AModeOutsideTheEnumerationRaisesAndKeepsTheMode) {
  form->Field->SetBiDiMode(bdRightToLeftNoAlign);
  form->Names->SetBiDiMode(bdRightToLeft);
  form->Names->SetParentBiDiMode(true);  // following the form's left to right
  for (int value : {-1, 4, 1000}) {
    SCOPED_TRACE(value);
    for (TControl* c : std::vector<TControl*>{form->Field, form->Names, form->Caption}) {
      const TBiDiMode before = c->BiDiMode();
      const bool following = c->ParentBiDiMode();
      try {
        c->SetBiDiMode(static_cast<TBiDiMode>(value));
        ADD_FAILURE() << "no error for " << value;
      } catch (const EPropertyError& e) {
        EXPECT_STREQ(e.what(), "Invalid property value");
      }
      EXPECT_EQ(c->BiDiMode(), before);
      EXPECT_EQ(c->ParentBiDiMode(), following);
    }
  }
  EXPECT_TRUE(InkAtLeft(form->Field)) << "NoAlign keeps the text at the left";
}

TEST_F(BiDiAnd3DTest, Ctl3DDrawsTheSunkenEdgeAndOffAFlatOnePixelBorder) {
  const std::vector<TWinControl*> framed{form->Field, form->Choice, form->Names, form->Notes,
                                         form->Songs};
  for (TWinControl* c : framed) {
    SCOPED_TRACE(c->Name());
    EXPECT_TRUE(c->Ctl3D());
    EXPECT_TRUE(SunkenEdge(c));
    c->SetCtl3D(false);
    EXPECT_FALSE(c->Ctl3D());
    EXPECT_FALSE(c->ParentCtl3D());
    EXPECT_TRUE(FlatBorder(c));
    EXPECT_FALSE(SunkenEdge(c));
    c->SetCtl3D(true);
    EXPECT_TRUE(SunkenEdge(c));
  }
  // The flat edit keeps its text where it was.
  form->Field->SetCtl3D(false);
  EXPECT_TRUE(InkAtLeft(form->Field));
}

TEST_F(BiDiAnd3DTest, ParentCtl3DFollowsThroughNestedParentsUntilSet) {
  TEdit* field = form->Field;
  form->SetCtl3D(false);
  EXPECT_FALSE(form->Box->Ctl3D());
  EXPECT_TRUE(field->ParentCtl3D());
  EXPECT_TRUE(FlatBorder(field));
  EXPECT_TRUE(FlatBorder(form->Names));

  field->SetCtl3D(true);
  EXPECT_FALSE(field->ParentCtl3D());
  form->SetCtl3D(true);
  form->SetCtl3D(false);
  EXPECT_TRUE(SunkenEdge(field)) << "set on the control, it no longer follows";
  EXPECT_TRUE(FlatBorder(form->Names));

  field->SetParentCtl3D(true);
  EXPECT_FALSE(field->Ctl3D());
  EXPECT_TRUE(FlatBorder(field));

  auto* late = NewControl<TListBox>(form, form->Box, "Late", 10, 200, 150, 60);
  EXPECT_FALSE(late->Ctl3D());
  EXPECT_TRUE(FlatBorder(late));
}

}  // namespace
}  // namespace velko_test

// Buttons and statics, driven by injected mouse and keys.
#include "tests/platform/ctl/ctl_test_support.h"
#include "tests/platform/gdi/canvas.h"

namespace ctl_test {
namespace {

using ButtonTest = ControlTest;

TEST_F(ButtonTest, ClickingACheckBoxTogglesItAndSendsClicked) {
  HWND box = Make("BUTTON", "&Check", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 10, 120, 20, 101);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  Click(box, 5, 10);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  ASSERT_EQ(CommandCount(box, BN_CLICKED), 1);
  EXPECT_EQ(NotesOf(WM_COMMAND, BN_CLICKED)[0].id, 101);
  EXPECT_EQ(GetFocus(), box);
  Click(box, 60, 10);  // on the text
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ(CommandCount(box, BN_CLICKED), 2);
  // The space bar clicks it too.
  Press(VK_SPACE);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(CommandCount(box, BN_CLICKED), 3);
}

TEST_F(ButtonTest, APressLetGoOutsideTheButtonOrOnADisabledOneIsNoClick) {
  HWND button = Make("BUTTON", "OK", BS_PUSHBUTTON, 10, 10, 80, 24, 1);
  MouseDown(button, 20, 10);
  EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
  MouseMove(button, 200, 10);
  EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
  MouseUp(button, 200, 10);
  EXPECT_EQ(CommandCount(button, BN_CLICKED), 0);
  // Back over it before letting go: a click.
  MouseDown(button, 20, 10);
  MouseMove(button, 200, 10);
  MouseMove(button, 30, 12);
  MouseUp(button, 30, 12);
  EXPECT_EQ(CommandCount(button, BN_CLICKED), 1);
  EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
  EXPECT_EQ(GetCapture(), nullptr);
  // A disabled button takes neither clicks nor BM_CLICK.
  EnableWindow(button, FALSE);
  Click(button, 20, 10);
  SendMessage(button, BM_CLICK, 0, 0);
  EXPECT_EQ(CommandCount(button, BN_CLICKED), 1);
  EnableWindow(button, TRUE);
  SendMessage(button, BM_CLICK, 0, 0);
  EXPECT_EQ(CommandCount(button, BN_CLICKED), 2);
}

TEST_F(ButtonTest, ThreeStateBoxGoesThroughItsThreeStates) {
  HWND box = Make("BUTTON", "Three", BS_AUTO3STATE, 10, 10, 120, 20, 7);
  std::vector<LRESULT> seen;
  for (int i = 0; i < 3; ++i) {
    Click(box, 5, 10);
    seen.push_back(SendMessage(box, BM_GETCHECK, 0, 0));
  }
  EXPECT_EQ(seen, (std::vector<LRESULT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}));
  // A two-state box takes "indeterminate" as checked.
  HWND two = Make("BUTTON", "Two", BS_AUTOCHECKBOX, 10, 40, 120, 20, 8);
  SendMessage(two, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessage(two, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  // Setting the state in code sends nothing.
  EXPECT_EQ(CommandCount(two, BN_CLICKED), 0);
}

TEST_F(ButtonTest, AutomaticRadioButtonsUncheckTheirGroupOnly) {
  platform::UseManualClock(1'000'000);  // no click comes quickly enough to be a double click
  HWND a = Make("BUTTON", "A", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 10, 10, 80, 20, 1);
  HWND b = Make("BUTTON", "B", BS_AUTORADIOBUTTON, 10, 30, 80, 20, 2);
  HWND c = Make("BUTTON", "C", BS_AUTORADIOBUTTON, 10, 50, 80, 20, 3);
  HWND other = Make("BUTTON", "X", BS_AUTORADIOBUTTON | WS_GROUP, 10, 80, 80, 20, 4);
  SendMessage(other, BM_SETCHECK, BST_CHECKED, 0);
  Click(a, 5, 10);
  platform::AdvanceClockMs(1000);
  Click(c, 5, 10);
  platform::AdvanceClockMs(1000);
  EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(SendMessage(other, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(CommandCount(a, BN_CLICKED), 1);
  EXPECT_EQ(CommandCount(c, BN_CLICKED), 1);
  // The checked button of a group is its tab stop.
  EXPECT_TRUE(GetWindowLongPtr(c, GWL_STYLE) & WS_TABSTOP);
  EXPECT_FALSE(GetWindowLongPtr(a, GWL_STYLE) & WS_TABSTOP);
  // Clicking the checked one again leaves it checked and still notifies.
  Click(c, 5, 10);
  EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(CommandCount(c, BN_CLICKED), 2);
}

TEST_F(ButtonTest, DoubleClicksOnRadioButtonsAreReportedPushButtonsClickTwice) {
  platform::UseManualClock(1'000'000);
  HWND radio = Make("BUTTON", "R", BS_AUTORADIOBUTTON, 10, 10, 80, 20, 1);
  HWND push = Make("BUTTON", "P", BS_PUSHBUTTON, 10, 40, 80, 24, 2);
  DoubleClick(radio, 5, 10);
  EXPECT_EQ(CommandCount(radio, BN_CLICKED), 1);
  EXPECT_EQ(CommandCount(radio, BN_DOUBLECLICKED), 1);
  platform::AdvanceClock(2'000'000);
  DoubleClick(push, 20, 10);
  EXPECT_EQ(CommandCount(push, BN_CLICKED), 2);
  EXPECT_EQ(CommandCount(push, BN_DOUBLECLICKED), 0);
}

TEST_F(ButtonTest, OwnerDrawnButtonIsDrawnByItsParentAsItIsPressed) {
  HWND button = Make("BUTTON", "", BS_OWNERDRAW, 10, 10, 80, 24, 9);
  notes_.clear();
  MouseDown(button, 20, 10);
  std::vector<Note> draws = NotesOf(WM_DRAWITEM, 0);
  ASSERT_FALSE(draws.empty());
  const DRAWITEMSTRUCT& pressed = draws.back().draw;
  EXPECT_EQ(pressed.CtlType, ODT_BUTTON);
  EXPECT_EQ(pressed.CtlID, 9u);
  EXPECT_EQ(pressed.hwndItem, button);
  EXPECT_TRUE(pressed.itemState & ODS_SELECTED);
  EXPECT_TRUE(pressed.itemState & ODS_FOCUS);
  EXPECT_EQ(pressed.rcItem.right, 80);
  // What the parent drew is what shows.
  EXPECT_EQ(PixelAt(button, 40, 12), RGB(255, 0, 0));
  MouseUp(button, 20, 10);
  EXPECT_FALSE(NotesOf(WM_DRAWITEM, 0).back().draw.itemState & ODS_SELECTED);
  EXPECT_EQ(PixelAt(button, 40, 12), RGB(255, 255, 255));
  EXPECT_EQ(CommandCount(button, BN_CLICKED), 1);
}

TEST_F(ButtonTest, GroupBoxLetsClicksThroughToTheControlsInIt) {
  HWND group = Make("BUTTON", "Group", BS_GROUPBOX, 5, 5, 200, 100, 1);
  HWND box = Make("BUTTON", "Inside", BS_AUTOCHECKBOX, 20, 30, 100, 20, 2);
  Click(box, 5, 10);
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  EXPECT_EQ(SendMessage(group, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
  // The frame is drawn and the inside left alone.
  EXPECT_EQ(PixelAt(group, 0, 60), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(PixelAt(group, 1, 60), GetSysColor(COLOR_3DHILIGHT));
}

TEST_F(ButtonTest, DefaultPushButtonHasADarkFrameAndAFocusedButtonAFocusFrame) {
  HWND def = Make("BUTTON", "Def", BS_DEFPUSHBUTTON, 10, 10, 80, 24, 1);
  HWND plain = Make("BUTTON", "Plain", BS_PUSHBUTTON, 10, 50, 80, 24, 2);
  HWND flat = Make("BUTTON", "Flat", BS_PUSHBUTTON | BS_FLAT, 10, 90, 80, 24, 3);
  EXPECT_EQ(PixelAt(def, 0, 10), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_NE(PixelAt(plain, 0, 10), GetSysColor(COLOR_WINDOWFRAME));
  // A flat button: a dark frame round a flat face.
  EXPECT_EQ(PixelAt(flat, 0, 10), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(PixelAt(flat, 1, 10), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(SendMessage(def, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(SendMessage(plain, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  // BM_SETSTYLE turns a plain button into the default one.
  SendMessage(plain, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  Pump();
  EXPECT_EQ(PixelAt(plain, 0, 10), GetSysColor(COLOR_WINDOWFRAME));
  // Focus: a dotted frame three pixels inside the button (inside the dark
  // frame of a default button).
  SetFocus(plain);
  Pump();
  EXPECT_EQ(GetFocus(), plain);
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  int changed = 0;
  for (int x = 5; x < 20; ++x) changed += PixelAt(plain, x, 4) != face;
  EXPECT_GT(changed, 4);
  SetFocus(def);
  Pump();
  changed = 0;
  for (int x = 5; x < 20; ++x) changed += PixelAt(plain, x, 4) != face;
  EXPECT_EQ(changed, 0);
}

TEST_F(ButtonTest, CheckBoxAsksItsParentForItsColours) {
  handler_ = [](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message != WM_CTLCOLORSTATIC) return std::nullopt;
    static HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
    SetTextColor(reinterpret_cast<HDC>(wparam), RGB(0, 0, 255));
    return reinterpret_cast<LRESULT>(green);
  };
  HWND box = Make("BUTTON", "MMMM", BS_AUTOCHECKBOX, 10, 10, 120, 20, 1);
  EXPECT_EQ(PixelAt(box, 110, 2), RGB(0, 160, 0));
  // The test font draws solid boxes: the first letter is blue.
  EXPECT_EQ(PixelAt(box, 13 + 4 + 3, 10), RGB(0, 0, 255));
}

TEST_F(ButtonTest, StaticWithNotifyReportsClicksOthersLetThemThrough) {
  HWND label = Make("STATIC", "Label", SS_LEFT, 10, 10, 100, 20, 1);
  HWND link = Make("STATIC", "Link", SS_LEFT | SS_NOTIFY, 10, 40, 100, 20, 2);
  EXPECT_EQ(SendMessage(label, WM_NCHITTEST, 0, MAKELPARAM(60, 60)), HTTRANSPARENT);
  Click(label, 5, 5);
  Click(link, 5, 5);
  EXPECT_EQ(CommandCount(label, STN_CLICKED), 0);
  EXPECT_EQ(CommandCount(link, STN_CLICKED), 1);
  EXPECT_EQ(SendMessage(link, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(ButtonTest, StaticTextIsPlacedAsItsStyleSays) {
  HWND left = Make("STATIC", "AB", SS_LEFT, 10, 10, 100, 20, 1);
  HWND right = Make("STATIC", "AB", SS_RIGHT, 10, 40, 100, 20, 2);
  HWND centre = Make("STATIC", "AB", SS_CENTER | SS_CENTERIMAGE, 10, 70, 100, 40, 3);
  HWND prefix = Make("STATIC", "&&A", SS_LEFT, 10, 120, 100, 20, 4);
  const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
  const COLORREF face = GetSysColor(COLOR_3DFACE);
  EXPECT_EQ(PixelAt(left, 1, 8), ink);
  EXPECT_EQ(PixelAt(left, 17, 8), face);
  EXPECT_EQ(PixelAt(right, 97, 8), ink);
  EXPECT_EQ(PixelAt(right, 83, 8), face);
  EXPECT_EQ(PixelAt(centre, 50, 20), ink);  // centred both ways
  EXPECT_EQ(PixelAt(centre, 50, 5), face);
  EXPECT_EQ(PixelAt(centre, 33, 20), face);
  // "&&A" shows as "&A": two characters.
  EXPECT_EQ(PixelAt(prefix, 9, 8), ink);
  EXPECT_EQ(PixelAt(prefix, 17, 8), face);
}

TEST_F(ButtonTest, BitmapStaticTakesThePictureAndItsSize) {
  HWND picture = Make("STATIC", "", SS_BITMAP, 10, 10, 100, 100, 1);
  HBITMAP bitmap = velko_test::SolidBitmap(30, 20, RGB(255, 0, 0));
  EXPECT_EQ(SendMessage(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)), 0);
  Pump();
  RECT r;
  GetClientRect(picture, &r);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 20);
  EXPECT_EQ(PixelAt(picture, 15, 10), RGB(255, 0, 0));
  EXPECT_EQ(SendMessage(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
  DestroyWindow(picture);
  DeleteObject(bitmap);
}

TEST_F(ButtonTest, EtchedLineAndFramesDrawTheirEdges) {
  HWND line = Make("STATIC", "", SS_ETCHEDHORZ, 10, 10, 100, 2, 1);
  HWND frame = Make("STATIC", "", SS_BLACKFRAME, 10, 20, 50, 50, 2);
  HWND etched = Make("STATIC", "", SS_ETCHEDFRAME, 70, 20, 50, 50, 3);
  HWND gray = Make("STATIC", "", SS_GRAYRECT, 130, 20, 50, 50, 4);
  EXPECT_EQ(PixelAt(line, 50, 0), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(PixelAt(line, 50, 1), GetSysColor(COLOR_3DHILIGHT));
  EXPECT_EQ(PixelAt(frame, 0, 25), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(PixelAt(frame, 25, 25), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(PixelAt(etched, 0, 25), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(PixelAt(etched, 25, 25), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(PixelAt(gray, 25, 25), GetSysColor(COLOR_BACKGROUND));
}

}  // namespace
}  // namespace ctl_test

// Up-down controls, track bars, progress bars and tab controls.
#include <cstring>

#include "tests/platform/ctl/ctl_test_support.h"

namespace ctl_test {
namespace {

using CommonControlsTest = ControlTest;

std::vector<int> Positions(const std::vector<Note>& notes) {
  std::vector<int> out;
  for (const Note& n : notes) out.push_back(n.pos);
  return out;
}

NMUPDOWN UpDownDetail(const Note& note) {
  NMUPDOWN change;
  std::memcpy(&change.iPos, note.detail.data(), sizeof(int) * 2);
  return change;
}

// ---- up-down ----

TEST_F(CommonControlsTest, UpDownAsksStepsAndWritesItsBuddy) {
  HWND buddy = Make("EDIT", "", ES_AUTOHSCROLL, 10, 10, 80, 24, 1);
  HWND spin = Make("msctls_updown32", "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY, 0, 0,
                   16, 24, 2);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(spin, UDM_GETBUDDY, 0, 0)), buddy);
  // It sits at the buddy's right edge, which gave up the room.
  RECT spin_rect, buddy_rect;
  GetWindowRect(spin, &spin_rect);
  GetWindowRect(buddy, &buddy_rect);
  EXPECT_EQ(spin_rect.left, buddy_rect.right);
  EXPECT_EQ(buddy_rect.right - buddy_rect.left, 64);
  SendMessage(spin, UDM_SETRANGE32, 0, 2000);
  SendMessage(spin, UDM_SETPOS32, 0, 998);
  EXPECT_EQ(TextOf(buddy), "998");
  notes_.clear();
  platform::UseManualClock(1'000'000);
  Click(spin, 8, 4);  // the up arrow
  std::vector<Note> asks = NotesOf(WM_NOTIFY, UDN_DELTAPOS);
  ASSERT_EQ(asks.size(), 1u);
  EXPECT_EQ(UpDownDetail(asks[0]).iPos, 998);
  EXPECT_EQ(UpDownDetail(asks[0]).iDelta, 1);
  ASSERT_EQ(CountOf(WM_VSCROLL, SB_THUMBPOSITION), 1);
  EXPECT_EQ(NotesOf(WM_VSCROLL, SB_THUMBPOSITION)[0].pos, 999);
  EXPECT_EQ(NotesOf(WM_VSCROLL, SB_THUMBPOSITION)[0].from, spin);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_ENDSCROLL), 1);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 999);
  Click(spin, 8, 4);
  EXPECT_EQ(TextOf(buddy), "1,000");
  EXPECT_EQ(GetFocus(), buddy);
  // What the user types into the buddy is the position.
  SetWindowText(buddy, "1,500");
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS, 0, 0), MAKELRESULT(1500, 0));
  SetWindowText(buddy, "abc");
  EXPECT_EQ(HIWORD(SendMessage(spin, UDM_GETPOS, 0, 0)), 1);
}

TEST_F(CommonControlsTest, UpDownStopsAtTheEndsWrapsAndCanBeRefused) {
  HWND spin = Make("msctls_updown32", "", 0, 10, 10, 16, 30, 3);
  // The range starts as 100 to 0: up goes down.
  EXPECT_EQ(SendMessage(spin, UDM_GETRANGE, 0, 0), MAKELRESULT(0, 100));
  SendMessage(spin, UDM_SETPOS, 0, 50);
  Click(spin, 8, 5);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS, 0, 0), 49);
  SendMessage(spin, UDM_SETRANGE, 0, MAKELPARAM(5, 0));
  SendMessage(spin, UDM_SETPOS, 0, 5);
  platform::UseManualClock(1'000'000);
  Click(spin, 8, 5);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS, 0, 0), 5);  // clamped
  SetWindowLongPtr(spin, GWL_STYLE, GetWindowLongPtr(spin, GWL_STYLE) | UDS_WRAP);
  platform::AdvanceClockMs(1000);
  Click(spin, 8, 5);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS, 0, 0), 0);  // round to the other end
  handler_ = [](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == UDN_DELTAPOS) return 1;
    return std::nullopt;
  };
  notes_.clear();
  platform::AdvanceClockMs(1000);
  Click(spin, 8, 25);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS, 0, 0), 0);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_THUMBPOSITION), 0);
}

TEST_F(CommonControlsTest, UpDownRepeatsFasterTheLongerItIsHeld) {
  platform::UseManualClock(1'000'000);
  HWND spin = Make("msctls_updown32", "", 0, 10, 10, 16, 30, 3);
  SendMessage(spin, UDM_SETRANGE32, 0, 1000);
  MouseDown(spin, 8, 5);
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 1);
  platform::AdvanceClockMs(500);
  Pump();
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 2);
  for (int i = 0; i < 15; ++i) {  // to 2 seconds held
    platform::AdvanceClockMs(100);
    Pump();
  }
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 2 + 14 + 5);  // the last step is 5
  MouseUp(spin, 8, 5);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_ENDSCROLL), 1);
  const LRESULT held = SendMessage(spin, UDM_GETPOS32, 0, 0);
  platform::AdvanceClockMs(500);
  Pump();
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), held);
}

TEST_F(CommonControlsTest, UpDownArrowKeysWorkFromTheBuddy) {
  HWND buddy = Make("EDIT", "", ES_AUTOHSCROLL, 10, 10, 80, 24, 1);
  HWND spin = Make("msctls_updown32", "", UDS_SETBUDDYINT | UDS_ARROWKEYS, 100, 10, 16, 24, 2);
  SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessage(spin, UDM_SETRANGE32, 0, 10);
  SetFocus(buddy);
  Press(VK_UP);
  Press(VK_UP);
  Press(VK_DOWN);
  EXPECT_EQ(TextOf(buddy), "1");
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_THUMBPOSITION), 3);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_ENDSCROLL), 3);
  DestroyWindow(spin);
  Press(VK_UP);  // the buddy is on its own again
  EXPECT_EQ(TextOf(buddy), "1");
}

// ---- track bar ----

TEST_F(CommonControlsTest, TrackBarKeysMoveAndNotify) {
  HWND track = Make("msctls_trackbar32", "", TBS_AUTOTICKS | WS_TABSTOP, 10, 10, 208, 30, 5);
  SetFocus(track);
  Press(VK_RIGHT);
  Press(VK_NEXT);
  Press(VK_END);
  Press(VK_LEFT);
  Press(VK_HOME);
  std::vector<UINT> codes;
  for (const Note& n : notes_) {
    if (n.message == WM_HSCROLL) {
      codes.push_back(n.code);
      EXPECT_EQ(n.from, track);
    }
  }
  EXPECT_EQ(codes, (std::vector<UINT>{TB_LINEDOWN, TB_ENDTRACK, TB_PAGEDOWN, TB_ENDTRACK, TB_BOTTOM,
                                      TB_ENDTRACK, TB_LINEUP, TB_ENDTRACK, TB_TOP, TB_ENDTRACK}));
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 0);
  SendMessage(track, TBM_SETPOS, TRUE, 37);
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 37);
  SendMessage(track, TBM_SETPOS, TRUE, 500);
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(SendMessage(track, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
  // Ticks: every position by default, every tenth after TBM_SETTICFREQ.
  EXPECT_EQ(SendMessage(track, TBM_GETNUMTICS, 0, 0), 101);
  SendMessage(track, TBM_SETTICFREQ, 10, 0);
  EXPECT_EQ(SendMessage(track, TBM_GETNUMTICS, 0, 0), 11);
}

TEST_F(CommonControlsTest, TrackBarThumbDragTracksAndEnds) {
  // 200 pixels of travel less the thumb: the thumb's edge runs from 4 to 4 + 189.
  HWND track = Make("msctls_trackbar32", "", TBS_NOTICKS, 10, 10, 208, 30, 5);
  SendMessage(track, TBM_SETRANGE, TRUE, MAKELONG(0, 189));
  RECT thumb;
  SendMessage(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_EQ(thumb.left, 4);
  const int y = (thumb.top + thumb.bottom) / 2;
  MouseDown(track, thumb.left + 2, y);
  MouseMove(track, thumb.left + 2 + 50, y);
  MouseMove(track, thumb.left + 2 + 100, y);
  MouseUp(track, thumb.left + 2 + 100, y);
  EXPECT_EQ(Positions(NotesOf(WM_HSCROLL, TB_THUMBTRACK)), (std::vector<int>{50, 100}));
  ASSERT_EQ(CountOf(WM_HSCROLL, TB_THUMBPOSITION), 1);
  EXPECT_EQ(NotesOf(WM_HSCROLL, TB_THUMBPOSITION)[0].pos, 100);
  EXPECT_EQ(CountOf(WM_HSCROLL, TB_ENDTRACK), 1);
  EXPECT_EQ(CountOf(WM_NOTIFY, NM_RELEASEDCAPTURE), 1);
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CommonControlsTest, TrackBarPagesTowardAPressUntilItGetsThere) {
  platform::UseManualClock(1'000'000);
  HWND track = Make("msctls_trackbar32", "", TBS_NOTICKS, 10, 10, 208, 30, 5);
  SendMessage(track, TBM_SETRANGE, TRUE, MAKELONG(0, 189));
  SendMessage(track, TBM_SETPAGESIZE, 0, 30);
  MouseDown(track, 150, 15);
  EXPECT_EQ(CountOf(WM_HSCROLL, TB_PAGEDOWN), 1);
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 30);
  for (int i = 0; i < 20; ++i) {
    platform::AdvanceClockMs(100);
    Pump();
  }
  MouseUp(track, 150, 15);
  const LRESULT pos = SendMessage(track, TBM_GETPOS, 0, 0);
  EXPECT_EQ(pos, 150);  // the thumb (4 + pos .. + 11) covers x = 150
  EXPECT_EQ(CountOf(WM_HSCROLL, TB_PAGEUP), 0);
  EXPECT_EQ(CountOf(WM_HSCROLL, TB_ENDTRACK), 1);
}

TEST_F(CommonControlsTest, VerticalTrackBarSendsVerticalScrolls) {
  HWND track = Make("msctls_trackbar32", "", TBS_VERT | TBS_BOTH, 10, 10, 40, 150, 6);
  SetFocus(track);
  Press(VK_DOWN);
  EXPECT_EQ(CountOf(WM_VSCROLL, TB_LINEDOWN), 1);
  EXPECT_EQ(CountOf(WM_HSCROLL, TB_LINEDOWN), 0);
  SendMessage(track, TBM_SETTIC, 0, 40);
  EXPECT_EQ(SendMessage(track, TBM_GETTIC, 0, 0), 40);
  EXPECT_EQ(SendMessage(track, TBM_GETNUMTICS, 0, 0), 3);
  RECT thumb;
  SendMessage(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_GT(thumb.bottom - thumb.top, 0);
  EXPECT_LT(thumb.bottom - thumb.top, thumb.right - thumb.left);  // across the channel
}

// ---- progress bar ----

TEST_F(CommonControlsTest, ProgressBarKeepsItsRangeAndWrapsWhenStepping) {
  HWND bar = Make("msctls_progress32", "", PBS_SMOOTH, 10, 10, 202, 20, 7);
  EXPECT_EQ(SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 50)), MAKELRESULT(0, 100));
  EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 25, 0), 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 25);
  EXPECT_EQ(SendMessage(bar, PBM_DELTAPOS, 100, 0), 25);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(SendMessage(bar, PBM_SETSTEP, 20, 0), 10);
  SendMessage(bar, PBM_SETPOS, 40, 0);
  SendMessage(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 10);  // 60 is past 50: round again
  SendMessage(bar, PBM_SETRANGE32, 1000, 3000);
  PBRANGE range;
  EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 1000);
  EXPECT_EQ(range.iHigh, 3000);
  EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 1000);
  // Half full: the left half has the bar's colour.
  SendMessage(bar, PBM_SETPOS, 2000, 0);
  SendMessage(bar, PBM_SETBARCOLOR, 0, RGB(0, 200, 0));
  SendMessage(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 0));
  Pump();
  EXPECT_EQ(PixelAt(bar, 50, 10), RGB(0, 200, 0));
  EXPECT_EQ(PixelAt(bar, 150, 10), RGB(255, 255, 0));
  EXPECT_EQ(SendMessage(bar, PBM_SETBARCOLOR, 0, CLR_DEFAULT),
            static_cast<LRESULT>(RGB(0, 200, 0)));
  Pump();
  EXPECT_EQ(PixelAt(bar, 50, 10), GetSysColor(COLOR_HIGHLIGHT));
  // Without PBS_SMOOTH: blocks of 10 (two thirds of the 16-pixel inside)
  // with 2-pixel gaps, starting two pixels in.
  HWND blocks = Make("msctls_progress32", "", 0, 10, 40, 202, 20, 8);
  SendMessage(blocks, PBM_SETPOS, 100, 0);
  Pump();
  EXPECT_EQ(PixelAt(blocks, 2 + 5, 10), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(PixelAt(blocks, 2 + 10, 10), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(PixelAt(blocks, 2 + 12 + 5, 10), GetSysColor(COLOR_HIGHLIGHT));
}

// ---- tab control ----

class TabTest : public ControlTest {
 protected:
  HWND MakeTabs(DWORD style, std::initializer_list<const char*> labels, int width = 300) {
    HWND tabs = Make("SysTabControl32", "", style | WS_TABSTOP, 10, 10, width, 150, 8);
    int index = 0;
    for (const char* label : labels) {
      TCITEM item;
      item.mask = TCIF_TEXT | TCIF_PARAM;
      item.pszText = const_cast<char*>(label);
      item.lParam = 100 + index;
      SendMessage(tabs, TCM_INSERTITEM, static_cast<WPARAM>(index++),
                  reinterpret_cast<LPARAM>(&item));
    }
    Pump();
    notes_.clear();
    return tabs;
  }

  static RECT ItemRect(HWND tabs, int index) {
    RECT r{};
    SendMessage(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
  }

  std::vector<UINT> TabCodes() const {
    std::vector<UINT> codes;
    for (const Note& n : notes_) {
      if (n.message == WM_NOTIFY) codes.push_back(n.code);
    }
    return codes;
  }
};

TEST_F(TabTest, ClickingATabAsksThenTellsTheParent) {
  HWND tabs = MakeTabs(0, {"One", "Two", "Three"});
  EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 0);  // the first tab is selected
  RECT two = ItemRect(tabs, 1);
  Click(tabs, (two.left + two.right) / 2, (two.top + two.bottom) / 2);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(TabCodes(), (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
  EXPECT_EQ(NotesOf(WM_NOTIFY, TCN_SELCHANGE)[0].from, tabs);
  EXPECT_EQ(NotesOf(WM_NOTIFY, TCN_SELCHANGE)[0].id, 8);
  // The parent can keep the selection where it is.
  handler_ = [](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == TCN_SELCHANGING)
      return TRUE;
    return std::nullopt;
  };
  notes_.clear();
  RECT three = ItemRect(tabs, 2);
  Click(tabs, three.left + 5, three.top + 5);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(TabCodes(), (std::vector<UINT>{TCN_SELCHANGING}));
  handler_ = nullptr;
  // Keys, each reported first.
  notes_.clear();
  SetFocus(tabs);
  Press(VK_RIGHT);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
  Press(VK_RIGHT);  // no further
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(TabCodes(),
            (std::vector<UINT>{TCN_KEYDOWN, TCN_SELCHANGING, TCN_SELCHANGE, TCN_KEYDOWN}));
  // TCM_SETCURSEL tells nobody.
  notes_.clear();
  EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 0, 0), 2);
  EXPECT_TRUE(TabCodes().empty());
}

TEST_F(TabTest, ItemsKeepTextAndDataAndPlaceThemselves) {
  HWND tabs = MakeTabs(0, {"Search Results", "Hosts", "Transfers"});
  TCITEM item;
  char text[32] = {};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  ASSERT_TRUE(SendMessage(tabs, TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(text, "Hosts");
  EXPECT_EQ(item.lParam, 101);
  // Tabs lie side by side, each as wide as its text and padding.
  RECT first = ItemRect(tabs, 0), second = ItemRect(tabs, 1);
  EXPECT_EQ(second.left, first.right);
  EXPECT_EQ(first.right - first.left, 14 * 8 + 12);
  TCHITTESTINFO hit;
  hit.pt = POINT{second.left + 3, second.top + 3};
  EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
  EXPECT_EQ(hit.flags, TCHT_ONITEMLABEL);
  hit.pt = POINT{290, 100};
  EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
  // The display area lies under the tabs, inside the frame.
  RECT area{0, 0, 300, 150};
  SendMessage(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(area.top, first.bottom + 4);
  EXPECT_EQ(area.left, 4);
  SendMessage(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right, 300);
  // Deleting the selected tab leaves none selected; one before it moves it.
  SendMessage(tabs, TCM_SETCURSEL, 2, 0);
  SendMessage(tabs, TCM_DELETEITEM, 0, 0);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), 1);
  SendMessage(tabs, TCM_DELETEITEM, 1, 0);
  EXPECT_EQ(SendMessage(tabs, TCM_GETCURSEL, 0, 0), -1);
}

TEST_F(TabTest, ButtonsAndSeveralRows) {
  HWND buttons = MakeTabs(TCS_BUTTONS, {"a", "b"});
  RECT a = ItemRect(buttons, 0), b = ItemRect(buttons, 1);
  EXPECT_EQ(b.left, a.right + 3);
  RECT area{0, 0, 300, 150};
  SendMessage(buttons, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, a.bottom + 3);
  DestroyWindow(buttons);
  // Six tabs of 76 pixels in 200: three rows of two; the selected row lies
  // next to the display area.
  HWND rows = MakeTabs(
      TCS_MULTILINE, {"12345678", "12345678", "12345678", "12345678", "12345678", "12345678"}, 200);
  EXPECT_EQ(SendMessage(rows, TCM_GETROWCOUNT, 0, 0), 3);
  RECT selected = ItemRect(rows, 0);
  RECT later = ItemRect(rows, 5);
  EXPECT_GT(selected.top, later.top);
  SendMessage(rows, TCM_SETCURSEL, 5, 0);
  EXPECT_GT(ItemRect(rows, 5).top, ItemRect(rows, 0).top);
  // Rows are stretched over the whole width.
  EXPECT_EQ(ItemRect(rows, 1).right, 198);
}

}  // namespace
}  // namespace ctl_test

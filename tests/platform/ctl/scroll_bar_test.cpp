// Scroll bars: the control and the bars of windows, by mouse and keys.
#include "tests/platform/ctl/ctl_test_support.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace ctl_test {
namespace {

class ScrollBarTest : public ControlTest {
 protected:
  // A vertical bar 16 x 200: arrows 16 high, a track of 168 pixels.
  HWND MakeBar(int min, int max, UINT page, int pos) {
    HWND bar = Make("SCROLLBAR", "", SBS_VERT, 10, 10, 16, 200, 50);
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = min;
    info.nMax = max;
    info.nPage = page;
    info.nPos = pos;
    SetScrollInfo(bar, SB_CTL, &info, TRUE);
    return bar;
  }

  // The host moves the bar as a program would.
  void FollowScrolls(HWND bar, int line, int page) {
    handler_ = [bar, line, page](HWND, UINT message, WPARAM wparam,
                                 LPARAM lparam) -> std::optional<LRESULT> {
      if (message != WM_VSCROLL || reinterpret_cast<HWND>(lparam) != bar) return std::nullopt;
      int pos = GetScrollPos(bar, SB_CTL);
      switch (LOWORD(wparam)) {
        case SB_LINEUP:
          pos -= line;
          break;
        case SB_LINEDOWN:
          pos += line;
          break;
        case SB_PAGEUP:
          pos -= page;
          break;
        case SB_PAGEDOWN:
          pos += page;
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          pos = static_cast<SHORT>(HIWORD(wparam));
          break;
      }
      SetScrollPos(bar, SB_CTL, pos, TRUE);
      return 0;
    };
  }

  // Which pixels inside an arrow's box of the bar MakeBar makes (the box's
  // edges left out) are of `color`.
  std::vector<bool> GlyphPixels(HWND bar, bool low, COLORREF color) {
    std::vector<bool> mask;
    const int top = low ? 0 : 200 - 16;
    for (int y = top + 2; y < top + 14; ++y)
      for (int x = 2; x < 14; ++x) mask.push_back(PixelAt(bar, x, y) == color);
    return mask;
  }

  std::vector<UINT> Codes() const {
    std::vector<UINT> codes;
    for (const Note& n : notes_) {
      if (n.message == WM_VSCROLL || n.message == WM_HSCROLL) codes.push_back(n.code);
    }
    return codes;
  }
};

TEST_F(ScrollBarTest, ValuesStayWithinTheRangeLessAPage) {
  HWND bar = MakeBar(0, 99, 10, 0);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(bar, SB_CTL, &info));
  EXPECT_EQ(info.nMin, 0);
  EXPECT_EQ(info.nMax, 99);
  EXPECT_EQ(info.nPage, 10u);
  EXPECT_EQ(SetScrollPos(bar, SB_CTL, 500, TRUE), 0);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 90);
  EXPECT_EQ(SetScrollPos(bar, SB_CTL, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
  int min = -1, max = -1;
  EXPECT_TRUE(GetScrollRange(bar, SB_CTL, &min, &max));
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 99);
  // A page larger than the range shrinks to it.
  info.fMask = SIF_PAGE;
  info.nPage = 500;
  SetScrollInfo(bar, SB_CTL, &info, FALSE);
  info.fMask = SIF_PAGE;
  GetScrollInfo(bar, SB_CTL, &info);
  EXPECT_EQ(info.nPage, 100u);
  // SB_CTL on a window that is no scroll bar fails.
  EXPECT_FALSE(GetScrollInfo(host_, SB_CTL, &info));
}

TEST_F(ScrollBarTest, ArrowAndTrackClicksSendLineAndPageCodesThenEnd) {
  platform::UseManualClock(1'000'000);
  HWND bar = MakeBar(0, 99, 10, 0);
  FollowScrolls(bar, 1, 10);
  Click(bar, 8, 195);  // down arrow
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_LINEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 1);
  EXPECT_EQ(NotesOf(WM_VSCROLL, SB_LINEDOWN)[0].from, bar);
  notes_.clear();
  platform::AdvanceClockMs(1000);
  Click(bar, 8, 150);  // the track below the thumb
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_PAGEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 11);
  notes_.clear();
  platform::AdvanceClockMs(1000);
  Click(bar, 8, 5);  // up arrow
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL}));
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 10);
  // A disabled arrow sends nothing.
  EXPECT_TRUE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_DOWN));
  EXPECT_FALSE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_DOWN));
  notes_.clear();
  platform::AdvanceClockMs(1000);
  Click(bar, 8, 195);
  EXPECT_TRUE(Codes().empty());
  platform::AdvanceClockMs(1000);
  Click(bar, 8, 5);
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL}));
}

TEST_F(ScrollBarTest, HoldingAnArrowRepeatsOnThePlatformClock) {
  platform::UseManualClock(1'000'000);
  HWND bar = MakeBar(0, 99, 10, 0);
  FollowScrolls(bar, 1, 10);
  MouseDown(bar, 8, 195);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_LINEDOWN), 1);
  platform::AdvanceClockMs(399);
  Pump();
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_LINEDOWN), 1);
  platform::AdvanceClockMs(1);
  Pump();
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_LINEDOWN), 2);
  for (int i = 0; i < 4; ++i) {
    platform::AdvanceClockMs(50);
    Pump();
  }
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_LINEDOWN), 6);
  // Off the arrow the repeat pauses.
  MouseMove(bar, 100, 195);
  platform::AdvanceClockMs(50);
  Pump();
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_LINEDOWN), 6);
  MouseUp(bar, 100, 195);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_ENDSCROLL), 1);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 6);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBarTest, HoldingTheTrackPagesUntilTheThumbReachesTheMouse) {
  platform::UseManualClock(1'000'000);
  HWND bar = MakeBar(0, 99, 10, 0);
  FollowScrolls(bar, 1, 10);
  MouseDown(bar, 8, 120);
  for (int i = 0; i < 40; ++i) {
    platform::AdvanceClockMs(50);
    Pump();
  }
  MouseUp(bar, 8, 120);
  // The thumb (16.8 pixels a page) stopped under the mouse.
  const int pos = GetScrollPos(bar, SB_CTL);
  const int thumb_top = 16 + pos * (168 - 16) / 90;
  EXPECT_LE(thumb_top, 120);
  EXPECT_GE(thumb_top + 16, 120 - 16);
  EXPECT_LT(pos, 90);
  EXPECT_EQ(CountOf(WM_VSCROLL, SB_PAGEUP), 0);
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWhereLetGo) {
  HWND bar = MakeBar(0, 99, 10, 0);
  std::vector<int> track_positions;
  handler_ = [bar, &track_positions](HWND, UINT message, WPARAM wparam,
                                     LPARAM) -> std::optional<LRESULT> {
    if (message == WM_VSCROLL && LOWORD(wparam) == SB_THUMBTRACK) {
      SCROLLINFO info;
      info.fMask = SIF_TRACKPOS | SIF_POS;
      GetScrollInfo(bar, SB_CTL, &info);
      track_positions.push_back(info.nTrackPos);
      EXPECT_EQ(info.nPos, 0);  // nobody moved the bar yet
    }
    return std::nullopt;
  };
  // The thumb is 16 pixels at the top of the track (16..32).
  MouseDown(bar, 8, 20);
  MouseMove(bar, 8, 20 + 76);   // half the travel of 152 pixels
  MouseMove(bar, 8, 20 + 152);  // to the end
  MouseMove(bar, 8, 400);       // beyond it
  MouseUp(bar, 8, 400);
  std::vector<Note> tracks = NotesOf(WM_VSCROLL, SB_THUMBTRACK);
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[0].pos, 45);
  EXPECT_EQ(tracks[1].pos, 90);
  EXPECT_EQ(track_positions, (std::vector<int>{45, 90}));
  ASSERT_EQ(CountOf(WM_VSCROLL, SB_THUMBPOSITION), 1);
  EXPECT_EQ(NotesOf(WM_VSCROLL, SB_THUMBPOSITION)[0].pos, 90);
  EXPECT_EQ(Codes().back(), SB_ENDSCROLL);
  // The bar stays where the program left it.
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
}

// An arrow that cannot scroll is drawn in the button shadow colour over
// its highlight (embossed), the same glyph an arrow that can scroll draws
// in the text colour.
TEST_F(ScrollBarTest, ArrowsThatCannotScrollAreDrawnEmbossed) {
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT), shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  HWND live = MakeBar(0, 100, 10, 50);
  Pump();
  const std::vector<bool> up_glyph = GlyphPixels(live, true, ink);
  const std::vector<bool> down_glyph = GlyphPixels(live, false, ink);
  ASSERT_GT(std::count(up_glyph.begin(), up_glyph.end(), true), 5);
  ASSERT_NE(up_glyph, down_glyph);
  DestroyWindow(live);

  struct Case {
    const char* name;
    std::function<void(HWND)> change;
    bool up_live, down_live;
  };
  const Case cases[] = {
      {"at the middle", [](HWND) {}, true, true},
      {"up arrow off", [](HWND bar) { EnableScrollBar(bar, SB_CTL, ESB_DISABLE_UP); }, false, true},
      {"down arrow off", [](HWND bar) { EnableScrollBar(bar, SB_CTL, ESB_DISABLE_DOWN); }, true, false},
      {"both arrows off", [](HWND bar) { EnableScrollBar(bar, SB_CTL, ESB_DISABLE_BOTH); }, false, false},
      {"bar disabled", [](HWND bar) { EnableWindow(bar, FALSE); }, false, false},
      {"nothing to scroll", [](HWND bar) { SetScrollRange(bar, SB_CTL, 0, 0, TRUE); }, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND bar = MakeBar(0, 100, 10, 50);
    c.change(bar);
    Pump();
    for (const bool low : {true, false}) {
      SCOPED_TRACE(low ? "up arrow" : "down arrow");
      const std::vector<bool>& glyph = low ? up_glyph : down_glyph;
      const bool arrow_live = low ? c.up_live : c.down_live;
      const std::vector<bool> inked = GlyphPixels(bar, low, ink);
      const std::vector<bool> shaded = GlyphPixels(bar, low, shadow);
      const std::vector<bool> lit = GlyphPixels(bar, low, light);
      const std::vector<bool> none(glyph.size(), false);
      EXPECT_EQ(inked, arrow_live ? glyph : none);
      EXPECT_EQ(shaded, arrow_live ? none : glyph);
      EXPECT_EQ(std::count(lit.begin(), lit.end(), true) > 0, !arrow_live);
    }
    DestroyWindow(bar);
  }
}

TEST_F(ScrollBarTest, KeysScrollAFocusedBar) {
  HWND bar = Make("SCROLLBAR", "", SBS_HORZ | WS_TABSTOP, 10, 10, 200, 16, 51);
  SetScrollRange(bar, SB_CTL, 0, 50, TRUE);
  SetFocus(bar);
  Press(VK_RIGHT);
  Press(VK_NEXT);
  Press(VK_HOME);
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL,
                                        SB_TOP, SB_ENDSCROLL}));
  EXPECT_EQ(notes_.front().message, static_cast<UINT>(WM_HSCROLL));
}

// ---- the scroll bars of windows ----

class WindowBarTest : public ScrollBarTest {
 protected:
  // A framed child of the host with a vertical bar, whose own WM_VSCROLL
  // the host's handler sees (the child's procedure is the host's).
  HWND MakeScrolled(DWORD bars) {
    HWND hwnd = CreateWindowEx(0, "VelkoControlTestHost", "", WS_CHILD | WS_VISIBLE | bars, 20, 20,
                               200, 150, host_, nullptr, nullptr, nullptr);
    Pump();
    return hwnd;
  }
};

TEST_F(WindowBarTest, NothingToScrollHidesTheBarUnlessAskedToKeepIt) {
  HWND hwnd = MakeScrolled(WS_VSCROLL);
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 184);
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  info.nMin = 0;
  info.nMax = 9;
  info.nPage = 20;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  EXPECT_FALSE(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 200);
  info.nMax = 99;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  EXPECT_TRUE(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VSCROLL);
  info.nMax = 9;
  info.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  EXPECT_TRUE(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VSCROLL);
  ShowScrollBar(hwnd, SB_VERT, FALSE);
  EXPECT_FALSE(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VSCROLL);
  DestroyWindow(hwnd);
}

TEST_F(WindowBarTest, APressOnAWindowsBarScrollsTheWindowItself) {
  HWND hwnd = MakeScrolled(WS_VSCROLL);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 10;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  // The bar is the rightmost 16 pixels of the window (no border).
  RECT window;
  GetWindowRect(hwnd, &window);
  const int x = window.right - 8;
  // The press runs a loop of its own: the release is queued first.
  platform::InjectMouse(platform::MouseAction::kLeftDown, x, window.bottom - 8);
  platform::InjectMouse(platform::MouseAction::kLeftUp, x, window.bottom - 8);
  Pump();
  std::vector<UINT> codes = Codes();
  EXPECT_EQ(codes, (std::vector<UINT>{SB_LINEDOWN, SB_ENDSCROLL}));
  for (const Note& n : notes_) EXPECT_EQ(n.from, nullptr);  // lParam 0: the window's own bar
  notes_.clear();
  // Drag the thumb (16 pixels at the top of a 118-pixel track) to the end.
  platform::InjectMouse(platform::MouseAction::kLeftDown, x, window.top + 20);
  platform::InjectMouse(platform::MouseAction::kMove, x, window.top + 20 + 200);
  platform::InjectMouse(platform::MouseAction::kLeftUp, x, window.top + 20 + 200);
  Pump();
  EXPECT_EQ(Codes(), (std::vector<UINT>{SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(NotesOf(WM_VSCROLL, SB_THUMBPOSITION)[0].pos, 90);
  EXPECT_EQ(GetCapture(), nullptr);
  DestroyWindow(hwnd);
}

TEST_F(WindowBarTest, BarsAreDrawnFromTheirValues) {
  HWND hwnd = MakeScrolled(WS_VSCROLL);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  info.nMin = 0;
  info.nMax = 99;
  info.nPage = 50;
  info.nPos = 50;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  Pump();
  auto image = platform::CaptureWindow(hwnd);
  ASSERT_TRUE(image);
  // Track 16..134 (118 pixels): a thumb of 59 pixels in its lower half.
  const int x = 200 - 8;
  EXPECT_EQ(image->Pixel(x, 100), GetSysColor(COLOR_3DFACE));  // thumb
  const COLORREF above = image->Pixel(x, 40);
  EXPECT_TRUE(above == GetSysColor(COLOR_3DHILIGHT) || above == GetSysColor(COLOR_3DFACE));
  EXPECT_NE(image->Pixel(x, 40), image->Pixel(x + 1, 40));  // the track's pattern
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace ctl_test

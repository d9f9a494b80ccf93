// The classic frame: client rectangles, hit tests, mouse on the frame,
// moving and sizing, minimise, maximise and restore.
#include <gtest/gtest.h>

#include "platform/gdi/system_metrics.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace velko_test {
namespace {

class FrameTest : public UserTest {
 protected:
  // A shown, framed window at (100, 100), 300 x 200.
  HWND MakeFramed(DWORD style = WS_OVERLAPPEDWINDOW, LPCSTR text = "Frame") {
    HWND hwnd = Make(nullptr, style | WS_VISIBLE, text, 0, 100, 100, 300, 200);
    Pump();
    return hwnd;
  }

  static LRESULT HitAt(HWND hwnd, int x, int y) {
    return SendMessage(hwnd, WM_NCHITTEST, 0,
                       MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }
};

TEST_F(FrameTest, AnOverlappedWindowHasASizingFrameAndACaption) {
  HWND hwnd = MakeFramed();
  // Sizing frame 4 on each side, caption 18 plus its line.
  EXPECT_EQ(ClientEdges(hwnd), (Edges{104, 123, 396, 296}));

  RECT wanted{0, 0, 292, 173};
  ASSERT_TRUE(AdjustWindowRectEx(&wanted, WS_OVERLAPPEDWINDOW, FALSE, 0));
  EXPECT_EQ(wanted.right - wanted.left, 300);
  EXPECT_EQ(wanted.bottom - wanted.top, 200);
}

TEST_F(FrameTest, DialogFramesBordersAndEdgesHaveTheirOwnWidths) {
  HWND dialog = Make(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU, "Dialog", 0, 0, 0, 200, 100);
  EXPECT_EQ(ClientEdges(dialog), (Edges{3, 3 + 19, 200 - 3, 100 - 3}));
  HWND bordered = Make(nullptr, WS_POPUP | WS_BORDER, nullptr, WS_EX_CLIENTEDGE, 0, 0, 100, 50);
  EXPECT_EQ(ClientEdges(bordered), (Edges{1 + 2, 1 + 2, 100 - 3, 50 - 3}));
  HWND plain = Make(nullptr, WS_POPUP, nullptr, 0, 0, 0, 80, 40);
  EXPECT_EQ(ClientEdges(plain), (Edges{0, 0, 80, 40}));
}

TEST_F(FrameTest, DefaultHitTestsNameThePartsOfTheFrame) {
  HWND hwnd = MakeFramed();
  EXPECT_EQ(HitAt(hwnd, 200, 200), HTCLIENT);
  EXPECT_EQ(HitAt(hwnd, 200, 110), HTCAPTION);
  EXPECT_EQ(HitAt(hwnd, 110, 110), HTSYSMENU);
  // Buttons 16 x 14, two pixels from the right frame edge: close at
  // 378..394, maximise 360..376, minimise 344..360 (window coordinates
  // plus 100), rows 106..120.
  EXPECT_EQ(HitAt(hwnd, 390, 112), HTCLOSE);
  EXPECT_EQ(HitAt(hwnd, 370, 112), HTMAXBUTTON);
  EXPECT_EQ(HitAt(hwnd, 350, 112), HTMINBUTTON);
  EXPECT_EQ(HitAt(hwnd, 101, 200), HTLEFT);
  EXPECT_EQ(HitAt(hwnd, 398, 200), HTRIGHT);
  EXPECT_EQ(HitAt(hwnd, 200, 101), HTTOP);
  EXPECT_EQ(HitAt(hwnd, 200, 298), HTBOTTOM);
  EXPECT_EQ(HitAt(hwnd, 101, 101), HTTOPLEFT);
  EXPECT_EQ(HitAt(hwnd, 398, 298), HTBOTTOMRIGHT);
  EXPECT_EQ(HitAt(hwnd, 398, 101), HTTOPRIGHT);
  EXPECT_EQ(HitAt(hwnd, 101, 298), HTBOTTOMLEFT);
  EXPECT_EQ(HitAt(hwnd, 50, 50), HTNOWHERE);

  // A dialog frame cannot be dragged to a new size.
  HWND dialog =
      Make(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, "D", 0, 500, 500, 100, 80);
  EXPECT_EQ(HitAt(dialog, 501, 540), HTBORDER);
}

TEST_F(FrameTest, AReplacedNonClientCalculationChangesTheClientRectangle) {
  HWND hwnd = MakeFramed();
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_NCCALCSIZE || !wparam) return std::nullopt;
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam);
    // A skin's frame: 10 pixels all round, 30 on top.
    RECT& r = params->rgrc[0];
    r = RECT{r.left + 10, r.top + 30, r.right - 10, r.bottom - 10};
    params->rgrc[1] = r;
    return WVR_VALIDRECTS;
  });
  ClearMessageLog();
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(CountOf(hwnd, WM_NCCALCSIZE), 1);
  EXPECT_EQ(ClientEdges(hwnd), (Edges{110, 130, 390, 290}));
  // The client area changed size: the window hears of it.
  auto sizes = MessagesOf(hwnd, {WM_SIZE});
  ASSERT_EQ(sizes.size(), 1u);
  // And the mouse follows the new frame: the old client corner is frame now.
  SetHandler(nullptr);
  EXPECT_NE(HitAt(hwnd, 105, 125), HTCLIENT);
}

TEST_F(FrameTest, AClickOnTheCaptionGivesAHitTestThenANonClientPress) {
  HWND hwnd = MakeFramed();
  // The press itself must not start a move loop here.
  SetHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_NCLBUTTONDOWN) return 0;
    return std::nullopt;
  });
  ClearMessageLog();
  platform::InjectMouse(platform::MouseAction::kLeftDown, 200, 110);
  Pump();
  auto messages = MessagesOf(hwnd, {WM_NCHITTEST, WM_SETCURSOR, WM_NCLBUTTONDOWN, WM_LBUTTONDOWN});
  std::vector<UINT> expected{WM_NCHITTEST, WM_SETCURSOR, WM_NCLBUTTONDOWN};
  // Moving onto the caption first gives its own hit test and cursor.
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(std::vector<UINT>(messages.end() - 3, messages.end()), expected);
  for (const LoggedMessage& m : MessageLog()) {
    if (m.message != WM_NCLBUTTONDOWN) continue;
    EXPECT_EQ(m.wparam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(GET_X_LPARAM(m.lparam), 200);  // screen coordinates
    EXPECT_EQ(GET_Y_LPARAM(m.lparam), 110);
  }
  platform::InjectMouse(platform::MouseAction::kLeftUp, 200, 110);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_NCLBUTTONUP), 1);
}

TEST_F(FrameTest, AClickInTheClientAreaGivesClientCoordinates) {
  HWND hwnd = MakeFramed();
  ClearMessageLog();
  platform::InjectClick(150, 160);
  Pump();
  std::vector<LoggedMessage> presses;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.hwnd == hwnd && (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONUP)) {
      presses.push_back(m);
    }
  }
  ASSERT_EQ(presses.size(), 2u);
  EXPECT_EQ(presses[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(GET_X_LPARAM(presses[0].lparam), 150 - 104);
  EXPECT_EQ(GET_Y_LPARAM(presses[0].lparam), 160 - 123);
  EXPECT_EQ(presses[0].wparam & MK_LBUTTON, MK_LBUTTON);
  EXPECT_EQ(presses[1].message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(presses[1].wparam & MK_LBUTTON, 0u);
  EXPECT_EQ(CountOf(hwnd, WM_NCLBUTTONDOWN), 0);
}

TEST_F(FrameTest, DraggingTheCaptionMovesTheWindow) {
  HWND hwnd = MakeFramed();
  // Once the move loop has started, the mouse moves on and lets go.
  SetHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_ENTERSIZEMOVE) {
      platform::InjectMouse(platform::MouseAction::kMove, 240, 140);
      platform::InjectMouse(platform::MouseAction::kLeftUp, 240, 140);
    }
    return std::nullopt;
  });
  platform::InjectMouse(platform::MouseAction::kLeftDown, 200, 110);
  Pump();
  EXPECT_EQ(WindowEdges(hwnd), (Edges{140, 130, 440, 330}));
  EXPECT_EQ(CountOf(hwnd, WM_EXITSIZEMOVE), 1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(FrameTest, DraggingTheCornerSizesTheWindowWithinTheTrackingLimits) {
  HWND hwnd = MakeFramed();
  SetHandler([](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_ENTERSIZEMOVE) {
      platform::InjectMouse(platform::MouseAction::kMove, 450, 350);
      platform::InjectMouse(platform::MouseAction::kLeftUp, 450, 350);
    }
    if (message == WM_GETMINMAXINFO) {
      reinterpret_cast<MINMAXINFO*>(lparam)->ptMaxTrackSize = POINT{320, 1000};
      return 0;
    }
    return std::nullopt;
  });
  platform::InjectMouse(platform::MouseAction::kLeftDown, 398, 298);
  Pump();
  EXPECT_EQ(WindowEdges(hwnd), (Edges{100, 100, 420, 352}));  // held at the tracking limit
  EXPECT_GE(CountOf(hwnd, WM_SIZING), 1);
}

TEST_F(FrameTest, TheCloseBoxClosesTheWindowWhenReleasedOverIt) {
  HWND hwnd = MakeFramed();
  platform::InjectMouse(platform::MouseAction::kLeftDown, 386, 112);
  platform::InjectMouse(platform::MouseAction::kMove, 200, 200);  // off the box
  platform::InjectMouse(platform::MouseAction::kLeftUp, 200, 200);
  Pump();
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(CountOf(hwnd, WM_CLOSE), 0);

  platform::InjectClick(386, 112);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(CountOf(hwnd, WM_CLOSE), 1);
}

TEST_F(FrameTest, AMaximiseHonoursGetMinMaxInfo) {
  HWND hwnd = MakeFramed();
  SetHandler([](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_GETMINMAXINFO) return std::nullopt;
    auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
    info->ptMaxSize = POINT{500, 400};
    info->ptMaxPosition = POINT{10, 20};
    return 0;
  });
  ClearMessageLog();
  ShowWindow(hwnd, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(hwnd));
  EXPECT_EQ(WindowEdges(hwnd), (Edges{10, 20, 510, 420}));
  bool maximized_size = false;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.hwnd == hwnd && m.message == WM_SIZE && m.wparam == SIZE_MAXIMIZED) maximized_size = true;
  }
  EXPECT_TRUE(maximized_size);

  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(hwnd));
  EXPECT_EQ(WindowEdges(hwnd), (Edges{100, 100, 400, 300}));
}

TEST_F(FrameTest, ADefaultMaximiseFillsTheWorkAreaWithTheFrameOutside) {
  platform::SetWorkArea(RECT{0, 0, 1024, 740});
  HWND hwnd = MakeFramed();
  SendMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(WindowEdges(hwnd), (Edges{-4, -4, 1028, 744}));
  // Maximised, the frame no longer sizes.
  EXPECT_EQ(HitAt(hwnd, -2, 300), HTBORDER);
  EXPECT_EQ(HitAt(hwnd, 0, 300), HTCLIENT);
  platform::SetWorkArea(RECT{0, 0, 1024, 768});
}

TEST_F(FrameTest, MinimisingMovesTheWindowOffTheScreenAndRestoringBringsItBack) {
  HWND hwnd = MakeFramed();
  ClearMessageLog();
  ShowWindow(hwnd, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(hwnd));
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(EdgesOf(client), (Edges{0, 0, 0, 0}));
  EXPECT_EQ(WindowFromPoint(POINT{200, 200}), nullptr);
  bool minimized_size = false;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.hwnd == hwnd && m.message == WM_SIZE && m.wparam == SIZE_MINIMIZED) minimized_size = true;
  }
  EXPECT_TRUE(minimized_size);
  SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_EQ(WindowEdges(hwnd), (Edges{100, 100, 400, 300}));
  EXPECT_EQ(WindowFromPoint(POINT{200, 200}), hwnd);
}

TEST_F(FrameTest, AWindowMinimisedFromMaximisedComesBackMaximised) {
  HWND hwnd = MakeFramed();
  ShowWindow(hwnd, SW_MAXIMIZE);
  ShowWindow(hwnd, SW_MINIMIZE);
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(hwnd));
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(hwnd));
  EXPECT_EQ(WindowEdges(hwnd), (Edges{100, 100, 400, 300}));
}

TEST_F(FrameTest, ADoubleClickOnTheCaptionMaximisesAndRestores) {
  HWND hwnd = MakeFramed();
  SetHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_NCLBUTTONDOWN) return 0;  // no move loop
    return std::nullopt;
  });
  platform::InjectClick(200, 110);
  platform::InjectClick(200, 110);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_NCLBUTTONDBLCLK), 1);
  EXPECT_TRUE(IsZoomed(hwnd));
}

TEST_F(FrameTest, SizesStayWithinTheTrackingLimits) {
  HWND hwnd = MakeFramed();
  SetWindowPos(hwnd, nullptr, 0, 0, 20, 10, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(WindowEdges(hwnd), (Edges{100, 100, 100 + GetSystemMetrics(SM_CXMINTRACK),
                                      100 + GetSystemMetrics(SM_CYMINTRACK)}));
}

TEST_F(FrameTest, SystemCommandsCloseMinimiseAndAltF4) {
  HWND hwnd = MakeFramed();
  SetFocus(hwnd);
  InjectChord(VK_MENU, VK_F4);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(FrameTest, PlacementKeepsTheNormalRectangleWhileMaximised) {
  HWND hwnd = MakeFramed();
  ShowWindow(hwnd, SW_MAXIMIZE);
  WINDOWPLACEMENT placement;
  ASSERT_TRUE(GetWindowPlacement(hwnd, &placement));
  EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
  EXPECT_EQ(EdgesOf(placement.rcNormalPosition), (Edges{100, 100, 400, 300}));
  placement.rcNormalPosition = RECT{50, 60, 250, 210};
  placement.showCmd = SW_SHOWNORMAL;
  ASSERT_TRUE(SetWindowPlacement(hwnd, &placement));
  EXPECT_EQ(WindowEdges(hwnd), (Edges{50, 60, 250, 210}));
  EXPECT_FALSE(IsZoomed(hwnd));
}

TEST_F(FrameTest, NewTextRepaintsTheCaption) {
  HWND hwnd = MakeFramed();
  ClearMessageLog();
  SetWindowText(hwnd, "Another caption");
  EXPECT_EQ(CountOf(hwnd, WM_NCPAINT), 1);
  HWND popup = Make(nullptr, WS_POPUP | WS_VISIBLE, "No caption", 0, 0, 0, 10, 10);
  ClearMessageLog();
  SetWindowText(popup, "Still none");
  EXPECT_EQ(CountOf(popup, WM_NCPAINT), 0);
}

TEST_F(FrameTest, OwnedWindowsHideWithTheirMinimisedOwnerAndComeBack) {
  HWND owner = MakeFramed();
  HWND owned = Make(owner, WS_POPUP | WS_CAPTION | WS_VISIBLE, "Owned", 0, 150, 150, 100, 80);
  HWND hidden = Make(owner, WS_POPUP | WS_CAPTION, "Hidden", 0, 150, 150, 100, 80);
  ClearMessageLog();
  ShowWindow(owner, SW_MINIMIZE);
  EXPECT_FALSE(IsWindowVisible(owned));
  bool closing = false;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.hwnd == owned && m.message == WM_SHOWWINDOW && m.lparam == SW_PARENTCLOSING)
      closing = true;
  }
  EXPECT_TRUE(closing);
  ShowWindow(owner, SW_RESTORE);
  EXPECT_TRUE(IsWindowVisible(owned));
  EXPECT_FALSE(IsWindowVisible(hidden));  // it was hidden before: it stays so
}

// What a menu stage would see through the menu-bar seam.
struct MenuSeen {
  int paints = 0;
  std::vector<std::pair<WPARAM, LPARAM>> tracks;
};
MenuSeen g_menu_seen;

TEST_F(FrameTest, TheMenuBarSeamReservesPaintsAndTracksTheBar) {
  static const platform::MenuBarHandler handler{
      [](HWND, HMENU, int) { return 19; },
      [](HWND, HMENU, HDC, const RECT&) { ++g_menu_seen.paints; },
      [](HWND, HMENU, WPARAM command, LPARAM lparam) {
        g_menu_seen.tracks.push_back({command, lparam});
      }};
  g_menu_seen = MenuSeen{};
  platform::SetMenuBarHandler(&handler);
  HMENU menu = reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(0x1234));
  HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Menu", 0, 100, 100, 300, 200, menu);
  Pump();
  EXPECT_EQ(ClientEdges(hwnd)[1], 123 + 19);
  EXPECT_GE(g_menu_seen.paints, 1);
  EXPECT_EQ(HitAt(hwnd, 200, 130), HTMENU);
  platform::InjectClick(200, 130);
  platform::InjectKeyPress(VK_MENU);
  Pump();
  platform::SetMenuBarHandler(nullptr);
  ASSERT_EQ(g_menu_seen.tracks.size(), 2u);
  EXPECT_EQ(g_menu_seen.tracks[0].first, SC_MOUSEMENU + HTMENU);
  EXPECT_EQ(g_menu_seen.tracks[1].first, SC_KEYMENU);
  EXPECT_EQ(g_menu_seen.tracks[1].second, 0);
}

}  // namespace
}  // namespace velko_test

#include "platform/user/window_position.h"

#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::ClientEdges;
using velko_test::ClientRectEdges;
using velko_test::CountOf;
using velko_test::Edges;
using velko_test::MessageLog;
using velko_test::MessagesOf;
using velko_test::SetHandler;
using velko_test::UserTest;
using velko_test::WindowEdges;

class WindowPositionTest : public UserTest {
 protected:
  // The last (wParam, lParam) logged for a message of a window.
  std::pair<WPARAM, LPARAM> LastParams(HWND hwnd, UINT message) {
    std::pair<WPARAM, LPARAM> params{0, 0};
    for (const auto& logged : MessageLog()) {
      if (logged.hwnd == hwnd && logged.message == message) {
        params = {logged.wparam, logged.lparam};
      }
    }
    return params;
  }
};

TEST_F(WindowPositionTest, MoveWindowSendsPositionSizeAndMove) {
  HWND hwnd = Make(nullptr, WS_POPUP, nullptr, 0, 0, 0, 40, 30);
  velko_test::ClearMessageLog();
  EXPECT_TRUE(MoveWindow(hwnd, 10, 20, 100, 50, TRUE));
  EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE,
                                                 WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(LastParams(hwnd, WM_SIZE),
            (std::pair<WPARAM, LPARAM>{SIZE_RESTORED, MAKELPARAM(100, 50)}));
  EXPECT_EQ(LastParams(hwnd, WM_MOVE).second, MAKELPARAM(10, 20));
  EXPECT_EQ(WindowEdges(hwnd), (Edges{10, 20, 110, 70}));
  EXPECT_EQ(ClientRectEdges(hwnd), (Edges{0, 0, 100, 50}));

  // Only moving: no WM_SIZE. Staying put: neither.
  velko_test::ClearMessageLog();
  MoveWindow(hwnd, 15, 20, 100, 50, TRUE);
  EXPECT_EQ(CountOf(hwnd, WM_SIZE), 0);
  EXPECT_EQ(CountOf(hwnd, WM_MOVE), 1);
  velko_test::ClearMessageLog();
  MoveWindow(hwnd, 15, 20, 100, 50, TRUE);
  EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
}

TEST_F(WindowPositionTest, TheWindowMayAmendAPositionChange) {
  HWND hwnd = Make(nullptr, WS_POPUP);
  SetHandler([](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lparam)->cx = 30;
    return std::nullopt;
  });
  SetWindowPos(hwnd, nullptr, 5, 5, 200, 100, SWP_NOZORDER);
  EXPECT_EQ(WindowEdges(hwnd), (Edges{5, 5, 35, 105}));
  // SWP_NOSIZE keeps the size whatever is passed.
  SetHandler(nullptr);
  SetWindowPos(hwnd, nullptr, 7, 8, 999, 999, SWP_NOZORDER | SWP_NOSIZE);
  EXPECT_EQ(WindowEdges(hwnd), (Edges{7, 8, 37, 108}));
}

TEST_F(WindowPositionTest, ChildRectanglesAreRelativeToTheParentsClientArea) {
  HWND parent = Make(nullptr, WS_POPUP, nullptr, 0, 100, 100, 200, 200);
  HWND child = Make(parent, WS_CHILD, nullptr, 0, 10, 20, 50, 50);
  EXPECT_EQ(WindowEdges(child), (Edges{110, 120, 160, 170}));
  POINT point{1, 2};
  EXPECT_TRUE(ClientToScreen(child, &point));
  EXPECT_EQ(point.x, 111);
  EXPECT_EQ(point.y, 122);
  EXPECT_TRUE(ScreenToClient(parent, &point));
  EXPECT_EQ(point.x, 11);
  EXPECT_EQ(point.y, 22);
  POINT points[2] = {{0, 0}, {5, 5}};
  int offset = MapWindowPoints(child, parent, points, 2);
  EXPECT_EQ(points[1].x, 15);
  EXPECT_EQ(points[1].y, 25);
  EXPECT_EQ(LOWORD(static_cast<DWORD>(offset)), 10);
  EXPECT_EQ(HIWORD(static_cast<DWORD>(offset)), 20);

  // Moving the parent carries the child along.
  MoveWindow(parent, 0, 0, 200, 200, TRUE);
  EXPECT_EQ(WindowEdges(child), (Edges{10, 20, 60, 70}));
}

TEST_F(WindowPositionTest, NcCalcSizeDecidesTheClientArea) {
  // A 5-pixel frame all round.
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_NCCALCSIZE) return std::nullopt;
    RECT* r = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                     : reinterpret_cast<RECT*>(lparam);
    r->left += 5;
    r->top += 5;
    r->right -= 5;
    r->bottom -= 5;
    return 0;
  });
  HWND hwnd = Make(nullptr, WS_POPUP, nullptr, 0, 50, 50, 100, 80);
  EXPECT_EQ(ClientRectEdges(hwnd), (Edges{0, 0, 90, 70}));
  EXPECT_EQ(ClientEdges(hwnd), (Edges{55, 55, 145, 125}));
  EXPECT_EQ(LastParams(hwnd, WM_SIZE).second, MAKELPARAM(90, 70));

  SetWindowPos(hwnd, nullptr, 0, 0, 60, 40, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(ClientRectEdges(hwnd), (Edges{0, 0, 50, 30}));
}

TEST_F(WindowPositionTest, ShowWindowChangesVisibilityAndSizeState) {
  HWND parent = Make(nullptr, WS_POPUP | WS_VISIBLE);
  EXPECT_TRUE(IsWindowVisible(parent));
  EXPECT_EQ(LastParams(parent, WM_SHOWWINDOW).first, static_cast<WPARAM>(TRUE));
  HWND child = Make(parent, WS_CHILD | WS_VISIBLE);
  EXPECT_TRUE(IsWindowVisible(child));

  velko_test::ClearMessageLog();
  EXPECT_TRUE(ShowWindow(parent, SW_HIDE));  // was visible
  EXPECT_EQ(MessagesOf(parent, {WM_SHOWWINDOW}).size(), 1u);
  EXPECT_EQ(LastParams(parent, WM_SHOWWINDOW).first, static_cast<WPARAM>(FALSE));
  EXPECT_FALSE(IsWindowVisible(parent));
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  EXPECT_TRUE(GetWindowLong(child, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(ShowWindow(parent, SW_HIDE));  // was hidden: nothing sent
  EXPECT_EQ(CountOf(parent, WM_SHOWWINDOW), 1);

  velko_test::ClearMessageLog();
  EXPECT_FALSE(ShowWindow(parent, SW_SHOWMINIMIZED));
  EXPECT_TRUE(IsIconic(parent));
  EXPECT_TRUE(IsWindowVisible(parent));
  EXPECT_EQ(LastParams(parent, WM_SIZE).first, SIZE_MINIMIZED);
  EXPECT_TRUE(ShowWindow(parent, SW_MAXIMIZE));
  EXPECT_FALSE(IsIconic(parent));
  EXPECT_TRUE(IsZoomed(parent));
  EXPECT_EQ(LastParams(parent, WM_SIZE).first, SIZE_MAXIMIZED);
  ShowWindow(parent, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(parent));
  EXPECT_EQ(LastParams(parent, WM_SIZE).first, SIZE_RESTORED);
}

TEST_F(WindowPositionTest, EnableWindowReportsThePreviousStateAndSendsWmEnable) {
  HWND hwnd = Make(HWND_MESSAGE);
  EXPECT_TRUE(IsWindowEnabled(hwnd));
  EXPECT_FALSE(EnableWindow(hwnd, FALSE));  // was enabled
  EXPECT_FALSE(IsWindowEnabled(hwnd));
  EXPECT_TRUE(EnableWindow(hwnd, FALSE));  // was disabled already: no message
  EXPECT_EQ(CountOf(hwnd, WM_ENABLE), 1);
  EXPECT_TRUE(EnableWindow(hwnd, TRUE));
  EXPECT_TRUE(IsWindowEnabled(hwnd));
  EXPECT_EQ(CountOf(hwnd, WM_ENABLE), 2);
  EXPECT_EQ(LastParams(hwnd, WM_ENABLE).first, static_cast<WPARAM>(TRUE));
}

TEST_F(WindowPositionTest, ZOrderOfSiblings) {
  HWND parent = Make(nullptr, WS_POPUP);
  HWND a = Make(parent, WS_CHILD);
  HWND b = Make(parent, WS_CHILD);
  HWND c = Make(parent, WS_CHILD);
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(parent, GW_CHILD), c);
  SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(a, GW_HWNDLAST), c);
  SetWindowPos(a, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(parent, GW_CHILD), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);

  // A topmost top-level window stays above windows made after it.
  HWND topmost = Make(nullptr, WS_POPUP, nullptr, WS_EX_TOPMOST);
  HWND later = Make(nullptr, WS_POPUP);
  EXPECT_EQ(GetTopWindow(nullptr), topmost);
  EXPECT_EQ(GetWindow(topmost, GW_HWNDNEXT), later);
  SetWindowPos(topmost, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_FALSE(GetWindowLong(topmost, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(later, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetTopWindow(nullptr), later);
  EXPECT_TRUE(GetWindowLong(later, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

}  // namespace

// Activation, focus and z-order.
#include <gtest/gtest.h>

#include "tests/platform/user/user_test_support.h"

namespace velko_test {
namespace {

class ActivationTest : public UserTest {
 protected:
  HWND MakeTop(int x, int y, DWORD ex_style = 0, HWND owner = nullptr) {
    HWND hwnd = Make(owner, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Top", ex_style, x, y, 200, 150);
    Pump();
    return hwnd;
  }
};

struct Event {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  bool operator==(const Event&) const = default;
};

std::vector<Event> FocusEvents() {
  std::vector<Event> events;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.message == WM_NCACTIVATE || m.message == WM_ACTIVATE || m.message == WM_SETFOCUS ||
        m.message == WM_KILLFOCUS) {
      events.push_back({m.hwnd, m.message, m.wparam, m.lparam});
    }
  }
  return events;
}

WPARAM H(HWND hwnd) {
  return reinterpret_cast<WPARAM>(hwnd);
}
LPARAM L(HWND hwnd) {
  return reinterpret_cast<LPARAM>(hwnd);
}

TEST_F(ActivationTest, TheLoserHearsFirstThenTheWinnerThenTheFocus) {
  HWND a = MakeTop(10, 10);
  // Showing a window activates it and gives it the focus.
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetForegroundWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  HWND b = Make(nullptr, WS_OVERLAPPEDWINDOW, "B", 0, 300, 10, 200, 150);
  ClearMessageLog();
  ShowWindow(b, SW_SHOW);
  std::vector<Event> expected{
      {a, WM_NCACTIVATE, FALSE, 0}, {a, WM_ACTIVATE, WA_INACTIVE, L(b)},
      {b, WM_NCACTIVATE, TRUE, 0},  {b, WM_ACTIVATE, WA_ACTIVE, L(a)},
      {a, WM_KILLFOCUS, H(b), 0},   {b, WM_SETFOCUS, H(a), 0},
  };
  EXPECT_EQ(FocusEvents(), expected);
  EXPECT_EQ(GetActiveWindow(), b);
  // B went on top of A.
  EXPECT_EQ(GetTopWindow(nullptr), b);
}

TEST_F(ActivationTest, AClickActivatesWithClickActive) {
  HWND a = MakeTop(10, 10);
  HWND b = MakeTop(300, 10);
  ClearMessageLog();
  platform::InjectClick(50, 80);  // a's client area
  Pump();
  EXPECT_EQ(GetActiveWindow(), a);
  bool mouse_activate = false, click_active = false;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.hwnd == a && m.message == WM_MOUSEACTIVATE) {
      mouse_activate = true;
      EXPECT_EQ(m.wparam, H(a));
      EXPECT_EQ(LOWORD(m.lparam), HTCLIENT);
      EXPECT_EQ(HIWORD(m.lparam), WM_LBUTTONDOWN);
    }
    if (m.hwnd == a && m.message == WM_ACTIVATE && LOWORD(m.wparam) == WA_CLICKACTIVE) {
      click_active = true;
    }
  }
  EXPECT_TRUE(mouse_activate);
  EXPECT_TRUE(click_active);
  EXPECT_EQ(CountOf(a, WM_LBUTTONDOWN), 1);
  (void)b;
}

TEST_F(ActivationTest, MouseActivateCanRefuseAndEatTheClick) {
  HWND a = MakeTop(10, 10);
  HWND b = MakeTop(300, 10);
  SetHandler([a](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (hwnd == a && message == WM_MOUSEACTIVATE) return MA_NOACTIVATEANDEAT;
    return std::nullopt;
  });
  ClearMessageLog();
  platform::InjectClick(50, 80);
  Pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(CountOf(a, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(CountOf(a, WM_LBUTTONUP), 1);
}

TEST_F(ActivationTest, FocusMovesBetweenChildrenKillFirstThenSet) {
  HWND top = MakeTop(10, 10);
  HWND one = Make(top, WS_CHILD | WS_VISIBLE, nullptr, 0, 0, 0, 50, 20);
  HWND two = Make(top, WS_CHILD | WS_VISIBLE, nullptr, 0, 0, 30, 50, 20);
  SetFocus(one);
  ClearMessageLog();
  EXPECT_EQ(SetFocus(two), one);
  std::vector<Event> expected{{one, WM_KILLFOCUS, H(two), 0}, {two, WM_SETFOCUS, H(one), 0}};
  EXPECT_EQ(FocusEvents(), expected);
  EXPECT_EQ(GetFocus(), two);
  // Hiding the focused child hands the focus to its parent.
  ShowWindow(two, SW_HIDE);
  EXPECT_EQ(GetFocus(), top);
  // A disabled window does not take the focus.
  EnableWindow(one, FALSE);
  EXPECT_EQ(SetFocus(one), nullptr);
  EXPECT_EQ(GetFocus(), top);
}

TEST_F(ActivationTest, SettingTheFocusInAnInactiveWindowActivatesIt) {
  HWND a = MakeTop(10, 10);
  HWND child = Make(a, WS_CHILD | WS_VISIBLE, nullptr, 0, 0, 0, 50, 20);
  HWND b = MakeTop(300, 10);
  EXPECT_EQ(GetActiveWindow(), b);
  SetFocus(child);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), child);
}

TEST_F(ActivationTest, ClosingAModalWindowReturnsToItsOwner) {
  HWND main_window = MakeTop(10, 10);
  HWND other = MakeTop(500, 10);
  SetActiveWindow(main_window);
  // The modal loop's steps: disable the owner, show the modal window.
  HWND modal =
      Make(main_window, WS_POPUP | WS_CAPTION | WS_SYSMENU, "Modal", 0, 100, 100, 150, 100);
  EnableWindow(main_window, FALSE);
  ShowWindow(modal, SW_SHOW);
  EXPECT_EQ(GetActiveWindow(), modal);
  // The disabled owner takes no activation; a click on it brings the modal
  // window forward.
  EXPECT_EQ(SetActiveWindow(main_window), nullptr);
  SetActiveWindow(other);
  ClearMessageLog();
  platform::InjectClick(60, 60);
  Pump();
  EXPECT_EQ(GetActiveWindow(), modal);
  EXPECT_EQ(CountOf(main_window, WM_LBUTTONDOWN), 0);
  // Closing: enable the owner first, then the modal window goes.
  EnableWindow(main_window, TRUE);
  DestroyWindow(modal);
  EXPECT_EQ(GetActiveWindow(), main_window);
  EXPECT_EQ(GetFocus(), main_window);
}

TEST_F(ActivationTest, HidingTheActiveWindowActivatesTheNextOne) {
  HWND a = MakeTop(10, 10);
  HWND b = MakeTop(300, 10);
  EXPECT_EQ(GetActiveWindow(), b);
  ShowWindow(b, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), a);
  ShowWindow(a, SW_MINIMIZE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(ActivationTest, ATopmostWindowStaysAbove) {
  HWND topmost = MakeTop(10, 10, WS_EX_TOPMOST);
  HWND normal = MakeTop(50, 50);
  EXPECT_EQ(GetTopWindow(nullptr), topmost);
  SetWindowPos(normal, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  BringWindowToTop(normal);
  SetActiveWindow(normal);
  EXPECT_EQ(GetTopWindow(nullptr), topmost);
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), topmost);
  // Placed as not topmost, it can be covered.
  SetWindowPos(topmost, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(GetWindowLongPtr(topmost, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(normal, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), normal);
  // And a window made topmost later goes above.
  SetWindowPos(topmost, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), topmost);
}

TEST_F(ActivationTest, OwnedWindowsStayAboveTheirOwner) {
  HWND owner = MakeTop(10, 10);
  HWND owned = Make(owner, WS_POPUP | WS_VISIBLE | WS_BORDER, nullptr, 0, 20, 20, 50, 50);
  HWND other = MakeTop(15, 15);
  EXPECT_EQ(WindowFromPoint(POINT{30, 30}), other);
  SetActiveWindow(owner);
  EXPECT_EQ(WindowFromPoint(POINT{30, 30}), owned);
}

TEST_F(ActivationTest, TheApplicationHearsWhenItBecomesActiveAndWhenItStops) {
  HWND a = Make(nullptr, WS_OVERLAPPEDWINDOW, "A", 0, 10, 10, 100, 100);
  HWND b = Make(nullptr, WS_OVERLAPPEDWINDOW, "B", 0, 10, 10, 100, 100);
  ClearMessageLog();
  ShowWindow(a, SW_SHOW);
  // Every top-level window of the thread hears it, before the activation.
  EXPECT_EQ(MessagesOf(a, {WM_ACTIVATEAPP, WM_ACTIVATE}),
            (std::vector<UINT>{WM_ACTIVATEAPP, WM_ACTIVATE}));
  EXPECT_EQ(CountOf(b, WM_ACTIVATEAPP), 1);
  ClearMessageLog();
  ShowWindow(b, SW_SHOW);  // within the application: no news
  EXPECT_EQ(CountOf(a, WM_ACTIVATEAPP), 0);
  ClearMessageLog();
  SetActiveWindow(nullptr);
  auto apps = MessagesOf(b, {WM_ACTIVATEAPP});
  ASSERT_EQ(apps.size(), 1u);
  for (const LoggedMessage& m : MessageLog()) {
    if (m.message == WM_ACTIVATEAPP) {
      EXPECT_EQ(m.wparam, static_cast<WPARAM>(FALSE));
    }
  }
}

TEST_F(ActivationTest, AChildMovedToAnotherParentDrawsThere) {
  HWND first = Make(nullptr, WS_POPUP | WS_VISIBLE, nullptr, 0, 10, 10, 100, 100);
  HWND second = Make(nullptr, WS_POPUP | WS_VISIBLE, nullptr, 0, 200, 10, 100, 100);
  HWND child = Make(first, WS_CHILD | WS_VISIBLE, nullptr, 0, 10, 10, 20, 20);
  EXPECT_EQ(SetParent(child, second), first);
  EXPECT_EQ(WindowFromPoint(POINT{215, 25}), child);
  EXPECT_EQ(WindowFromPoint(POINT{25, 25}), first);
  EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE));
}

}  // namespace
}  // namespace velko_test

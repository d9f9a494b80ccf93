// Shared pieces of the menu tests: a fixture that frees the menus a test
// made and checks that none leaked, a shown and active owner window, and a
// script of steps that runs one step each time a menu loop waits for input
// (WM_ENTERIDLE), so that tests can look at the open menu and then act.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/display/display.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/menu.h"
#include "tests/platform/user/user_test_support.h"

namespace velko_test {

class MenuTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    menus_before_ = platform::LiveMenuCount();
  }

  void TearDown() override {
    for (HMENU menu : menus_) {
      if (IsMenu(menu)) DestroyMenu(menu);
    }
    UserTest::TearDown();
    EXPECT_EQ(platform::LiveMenuCount(), menus_before_) << "a test left menus behind";
  }

  // A menu destroyed at the end of the test (if still alive).
  HMENU Keep(HMENU menu) {
    menus_.push_back(menu);
    return menu;
  }

  // A shown, active overlapped window at (100, 100), 300 x 200.
  HWND MakeOwner(HMENU bar = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
    HWND hwnd = Make(nullptr, style | WS_VISIBLE, "Owner", 0, 100, 100, 300, 200, bar);
    Pump();
    return hwnd;
  }

  // Runs `steps` one at a time as the menu loop goes idle; once they are
  // used up the loop is ended (so a test that goes wrong cannot hang).
  // Other messages go to `also` when given.
  void Script(std::vector<std::function<void()>> steps, Handler also = nullptr) {
    auto state = std::make_shared<std::pair<std::size_t, std::vector<std::function<void()>>>>(
        0, std::move(steps));
    SetHandler([state, also](HWND hwnd, UINT message, WPARAM wparam,
                             LPARAM lparam) -> std::optional<LRESULT> {
      if (message == WM_ENTERIDLE && wparam == MSGF_MENU) {
        if (state->first < state->second.size()) {
          state->second[state->first++]();
        } else {
          EndMenu();
        }
        return 0;
      }
      if (also) return also(hwnd, message, wparam, lparam);
      return std::nullopt;
    });
  }

  // Messages of one kind sent to a window, in order.
  static std::vector<LoggedMessage> Logged(HWND hwnd, UINT message) {
    std::vector<LoggedMessage> found;
    for (const LoggedMessage& m : MessageLog()) {
      if (m.hwnd == hwnd && m.message == message) found.push_back(m);
    }
    return found;
  }

  // The command ids of the WM_COMMAND messages the window got.
  static std::vector<WORD> Commands(HWND hwnd) {
    std::vector<WORD> ids;
    for (const LoggedMessage& m : Logged(hwnd, WM_COMMAND)) ids.push_back(LOWORD(m.wparam));
    return ids;
  }

  static POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  static void ClickAt(POINT p) { platform::InjectClick(p.x, p.y); }

  // The popup menu window on the screen now (the last one made).
  static HWND PopupWindow() { return FindWindow("#32768", nullptr); }

 private:
  std::vector<HMENU> menus_;
  std::size_t menus_before_ = 0;
};

}  // namespace velko_test

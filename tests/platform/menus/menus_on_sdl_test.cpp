// Menus and the message box on the SDL2 display of a real X server (a
// test-started Xvfb): the bar's drop-down and the box show as windows of
// their own on the X screen, and a click or a key made there through the X
// test extension chooses the item or answers the box.
#include <X11/keysym.h>

#include <chrono>

#include "platform/core/clock.h"
#include "platform/dlg/message_box.h"
#include "tests/platform/menus/menu_fixture.h"
#include "tests/support/message_pump.h"
#include "tests/support/x_server.h"

namespace velko_test {
namespace {

class MenusOnSdlTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    KeepXLibrariesLoaded();
    ASSERT_TRUE(x_.Start()) << "Xvfb did not start (scripts/deps installs it)";
    ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  }
  void TearDown() override {
    SetHandler(nullptr);
    MenuTest::TearDown();
    platform::UseHeadlessDisplay();
  }

  // Once a modal loop waits for input (WM_ENTERIDLE with `idle`), a timer
  // asks `shown` (given the loop's window) until it answers true and then
  // runs `act` once; after 20 seconds `give_up` ends the loop instead.
  void WhenShownOnX(WPARAM idle, std::function<bool(HWND)> shown, std::function<void()> act,
                    std::function<void(HWND)> give_up) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    SetHandler([=, this](HWND window, UINT message, WPARAM wparam,
                         LPARAM lparam) -> std::optional<LRESULT> {
      if (message == WM_ENTERIDLE && wparam == idle && !shown_on_x_) {
        loop_window_ = reinterpret_cast<HWND>(lparam);
        SetTimer(window, 1, 20, nullptr);
        return 0;
      }
      if (message != WM_TIMER || wparam != 1) return std::nullopt;
      if (shown(loop_window_)) {
        KillTimer(window, 1);
        shown_on_x_ = true;
        act();
      } else if (std::chrono::steady_clock::now() > deadline) {
        KillTimer(window, 1);
        give_up(loop_window_);
      }
      return 0;
    });
  }

  XServer x_;
  HWND loop_window_ = nullptr;
  bool shown_on_x_ = false;
};

TEST_F(MenusOnSdlTest, ADropDownShowsOnTheXScreenAndAClickThereChooses) {
  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 11, "&Open");
  AppendMenu(file, MF_STRING, 12, "E&xit");
  HMENU bar = Keep(CreateMenu());
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Menus", 0, 60, 60, 300, 200, bar);
  RECT file_item{}, exit_item{};
  ASSERT_TRUE(GetMenuItemRect(hwnd, bar, 0, &file_item));
  // The frame and its bar reach the X server.
  ASSERT_TRUE(PumpMessagesUntil([&] {
    return x_.Pixel(file_item.right + 20, file_item.top + 5) == GetSysColor(COLOR_MENU);
  }));
  // Once the drop-down shows on the X screen, "Exit" is clicked there.
  WhenShownOnX(
      MSGF_MENU,
      [&](HWND) {
        GetMenuItemRect(hwnd, file, 1, &exit_item);
        return x_.Pixel(exit_item.right - 4, exit_item.top + 2) == GetSysColor(COLOR_MENU);
      },
      [&] { x_.Click(Centre(exit_item).x, Centre(exit_item).y); }, [](HWND) { EndMenu(); });
  x_.Click(Centre(file_item).x, Centre(file_item).y);
  EXPECT_TRUE(PumpMessagesUntil([&] { return !Commands(hwnd).empty(); }));
  EXPECT_TRUE(shown_on_x_);
  EXPECT_EQ(Commands(hwnd), std::vector<WORD>{12});
  SetMenu(hwnd, nullptr);
}

TEST_F(MenusOnSdlTest, AMessageBoxShowsOnTheXScreenAndAnswersAKeyTypedThere) {
  HWND owner = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Owner", 0, 60, 60, 400, 300);
  ASSERT_TRUE(
      PumpMessagesUntil([&] { return x_.Pixel(200, 65) == GetSysColor(COLOR_ACTIVECAPTION); }));
  // Once the box shows on the X screen (its face in the button colour where
  // the owner's client area is black), Escape is typed there.
  WhenShownOnX(
      MSGF_DIALOGBOX,
      [&](HWND box) {
        RECT client;
        GetClientRect(box, &client);
        POINT face{2, client.bottom - 2};
        ClientToScreen(box, &face);
        return x_.Pixel(face.x, face.y) == GetSysColor(COLOR_3DFACE);
      },
      [&] { x_.Key(XK_Escape); }, [](HWND box) { DestroyWindow(box); });
  EXPECT_EQ(MessageBox(owner, "Go on?", "Question", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
  EXPECT_TRUE(shown_on_x_);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

}  // namespace
}  // namespace velko_test

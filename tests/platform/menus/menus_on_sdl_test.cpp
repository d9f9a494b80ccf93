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

using MenusOnSdlTest = MenuTest;

TEST_F(MenusOnSdlTest, ADropDownShowsOnTheXScreenAndAClickThereChooses) {
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);

  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 11, "&Open");
  AppendMenu(file, MF_STRING, 12, "E&xit");
  HMENU bar = Keep(CreateMenu());
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Menus", 0, 60, 60, 300, 200, bar);

  RECT file_item{};
  ASSERT_TRUE(GetMenuItemRect(hwnd, bar, 0, &file_item));
  // The frame and its bar reach the X server.
  ASSERT_TRUE(PumpMessagesUntil(
      [&] { return x.Pixel(file_item.right + 20, file_item.top + 5) == GetSysColor(COLOR_MENU); }));

  // Once the drop-down is up, a timer looks at the X screen until it shows
  // there, then clicks "Exit".
  bool shown_on_x = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  SetHandler([&](HWND window, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_ENTERIDLE && wparam == MSGF_MENU && !shown_on_x) {
      SetTimer(window, 1, 20, nullptr);
      return 0;
    }
    if (message == WM_TIMER && wparam == 1) {
      RECT exit_item{};
      GetMenuItemRect(window, file, 1, &exit_item);
      const POINT inside{exit_item.right - 4, exit_item.top + 2};
      if (x.Pixel(inside.x, inside.y) == GetSysColor(COLOR_MENU)) {
        KillTimer(window, 1);
        shown_on_x = true;
        x.Click((exit_item.left + exit_item.right) / 2, (exit_item.top + exit_item.bottom) / 2);
      } else if (std::chrono::steady_clock::now() > deadline) {
        KillTimer(window, 1);
        EndMenu();
      }
      return 0;
    }
    return std::nullopt;
  });
  x.Click((file_item.left + file_item.right) / 2, (file_item.top + file_item.bottom) / 2);
  EXPECT_TRUE(PumpMessagesUntil([&] { return !Commands(hwnd).empty(); }));
  EXPECT_TRUE(shown_on_x);
  EXPECT_EQ(Commands(hwnd), std::vector<WORD>{12});
  SetHandler(nullptr);
  SetMenu(hwnd, nullptr);
  DestroyWindow(hwnd);
  platform::UseHeadlessDisplay();
}

TEST_F(MenusOnSdlTest, AMessageBoxShowsOnTheXScreenAndAnswersAKeyTypedThere) {
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  HWND owner = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Owner", 0, 60, 60, 400, 300);
  ASSERT_TRUE(
      PumpMessagesUntil([&] { return x.Pixel(200, 65) == GetSysColor(COLOR_ACTIVECAPTION); }));

  // Once the box is up, a timer waits for it on the X screen (its face in
  // the button colour where the owner's client area is black), then types
  // Escape there.
  bool shown_on_x = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  SetHandler(
      [&](HWND window, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
        if (message == WM_ENTERIDLE && wparam == MSGF_DIALOGBOX && !shown_on_x) {
          SetTimer(window, 1, 20, nullptr);
          SetProp(window, "box", reinterpret_cast<HANDLE>(lparam));
          return 0;
        }
        if (message == WM_TIMER && wparam == 1) {
          HWND box = reinterpret_cast<HWND>(GetProp(window, "box"));
          RECT client;
          GetClientRect(box, &client);
          POINT face{2, client.bottom - 2};
          ClientToScreen(box, &face);
          if (x.Pixel(face.x, face.y) == GetSysColor(COLOR_3DFACE)) {
            KillTimer(window, 1);
            shown_on_x = true;
            x.Key(XK_Escape);
          } else if (std::chrono::steady_clock::now() > deadline) {
            KillTimer(window, 1);
            DestroyWindow(box);
          }
          return 0;
        }
        return std::nullopt;
      });
  EXPECT_EQ(MessageBox(owner, "Go on?", "Question", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
  EXPECT_TRUE(shown_on_x);
  EXPECT_TRUE(IsWindowEnabled(owner));
  RemoveProp(owner, "box");
  SetHandler(nullptr);
  DestroyWindow(owner);
  platform::UseHeadlessDisplay();
}

}  // namespace
}  // namespace velko_test

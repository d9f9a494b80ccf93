// Menu bars: the room they take in the frame, their items on the screen,
// and the menu loop opened from them with Alt, Alt+letter, F10 and the
// mouse, on the headless display.
#include <filesystem>

#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "tests/platform/checks.h"
#include "tests/platform/menus/menu_fixture.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

class MenuBarTest : public MenuTest {
 protected:
  // &File (Open 11, Save 12), &Edit (Cut 21, Copy 22, Paste 23), &Help
  // (a command item on the bar, 31).
  HMENU MakeBar() {
    file_ = CreatePopupMenu();
    AppendMenu(file_, MF_STRING, 11, "&Open");
    AppendMenu(file_, MF_STRING, 12, "&Save");
    edit_ = CreatePopupMenu();
    AppendMenu(edit_, MF_STRING, 21, "Cu&t");
    AppendMenu(edit_, MF_STRING, 22, "&Copy");
    AppendMenu(edit_, MF_STRING, 23, "&Paste");
    HMENU bar = Keep(CreateMenu());
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file_), "&File");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit_), "&Edit");
    AppendMenu(bar, MF_STRING, 31, "&Help");
    return bar;
  }

  static RECT ClientOnScreen(HWND hwnd) {
    const Edges e = ClientEdges(hwnd);
    return RECT{e[0], e[1], e[2], e[3]};
  }

  static RECT ItemRect(HWND hwnd, HMENU menu, UINT position) {
    RECT r{};
    EXPECT_TRUE(GetMenuItemRect(hwnd, menu, position, &r));
    return r;
  }

  HMENU file_ = nullptr;
  HMENU edit_ = nullptr;
};

TEST_F(MenuBarTest, ABarTakesOneMenuRowOfTheFrame) {
  HWND plain = MakeOwner();
  RECT before = ClientOnScreen(plain);
  HMENU bar = MakeBar();
  ASSERT_TRUE(SetMenu(plain, bar));
  EXPECT_EQ(GetMenu(plain), bar);
  RECT after = ClientOnScreen(plain);
  EXPECT_EQ(after.top - before.top, GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(after.bottom, before.bottom);
  ASSERT_TRUE(SetMenu(plain, nullptr));
  EXPECT_EQ(ClientOnScreen(plain).top, before.top);

  // A window made with the menu has it from the start, as AdjustWindowRect says.
  HWND with_bar = MakeOwner(bar);
  RECT client;
  GetClientRect(with_bar, &client);
  RECT wanted{0, 0, client.right, client.bottom};
  AdjustWindowRectEx(&wanted, WS_OVERLAPPEDWINDOW, TRUE, 0);
  EXPECT_EQ(wanted.bottom - wanted.top, 200);
  SetMenu(with_bar, nullptr);
}

TEST_F(MenuBarTest, ChildWindowsHaveNoBar) {
  HWND parent = MakeOwner();
  HWND child = Make(parent, WS_CHILD | WS_VISIBLE, nullptr, 0, 0, 0, 50, 50);
  HMENU bar = MakeBar();
  EXPECT_EQ(ERROR_OF(SetMenu(child, bar)), ERROR_CHILD_WINDOW_MENU);
  EXPECT_EQ(GetMenu(child), nullptr);
}

TEST_F(MenuBarTest, BarItemsLieInTheBarLeftToRight) {
  HWND hwnd = MakeOwner(MakeBar());
  HMENU bar = GetMenu(hwnd);
  RECT client = ClientOnScreen(hwnd);
  RECT file = ItemRect(hwnd, bar, 0);
  RECT edit = ItemRect(hwnd, bar, 1);
  EXPECT_EQ(file.bottom, client.top);
  EXPECT_EQ(file.bottom - file.top, GetSystemMetrics(SM_CYMENU));
  EXPECT_EQ(edit.left, file.right);
  EXPECT_EQ(MenuItemFromPoint(hwnd, bar, Centre(edit)), 1);
  EXPECT_EQ(MenuItemFromPoint(hwnd, bar, POINT{client.left + 5, client.top + 5}), -1);
  // The bar is painted in the menu colour.
  std::shared_ptr<platform::Surface> image = platform::CaptureWindow(hwnd);
  ASSERT_NE(image, nullptr);
  RECT window;
  GetWindowRect(hwnd, &window);
  EXPECT_EQ(image->Pixel(client.right - 5 - window.left, file.top + 2 - window.top),
            GetSysColor(COLOR_MENU));
  SetMenu(hwnd, nullptr);
  DestroyMenu(bar);
}

TEST_F(MenuBarTest, ANarrowWindowWrapsItsBarIntoRows) {
  HMENU bar = MakeBar();
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  HWND wide = Make(nullptr, style, "Wide", 0, 100, 100, 300, 200, bar);
  HWND narrow = Make(nullptr, style, "Narrow", 0, 100, 400, 60, 200, bar);
  Pump();
  RECT wide_client = ClientOnScreen(wide);
  RECT narrow_client = ClientOnScreen(narrow);
  EXPECT_GE((narrow_client.top - 300) - wide_client.top, GetSystemMetrics(SM_CYMENU));
  RECT file = ItemRect(narrow, bar, 0);
  RECT edit = ItemRect(narrow, bar, 1);
  EXPECT_EQ(edit.top, file.bottom);
  EXPECT_EQ(edit.left, file.left);
  SetMenu(wide, nullptr);
  SetMenu(narrow, nullptr);
}

TEST_F(MenuBarTest, AltOpensTheBarAndTheArrowsFindTheItem) {
  HWND hwnd = MakeOwner(MakeBar());
  platform::InjectKeyPress(VK_MENU);   // the bar, File selected
  platform::InjectKeyPress(VK_RIGHT);  // Edit
  platform::InjectKeyPress(VK_DOWN);   // opens Edit with Cut selected
  platform::InjectKeyPress(VK_DOWN);   // Copy
  platform::InjectKeyPress(VK_RETURN);
  Pump();
  EXPECT_EQ(Commands(hwnd), std::vector<WORD>{22});
  std::vector<LoggedMessage> enter = Logged(hwnd, WM_ENTERMENULOOP);
  ASSERT_EQ(enter.size(), 1u);
  EXPECT_EQ(enter[0].wparam, static_cast<WPARAM>(FALSE));
  std::vector<LoggedMessage> init = Logged(hwnd, WM_INITMENU);
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].wparam, reinterpret_cast<WPARAM>(GetMenu(hwnd)));
  std::vector<LoggedMessage> popups = Logged(hwnd, WM_INITMENUPOPUP);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].wparam, reinterpret_cast<WPARAM>(edit_));
  EXPECT_EQ(LOWORD(popups[0].lparam), 1);
  EXPECT_EQ(CountOf(hwnd, WM_EXITMENULOOP), 1);
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, LeftAndRightMoveAnOpenDropDownAlongTheBar) {
  HWND hwnd = MakeOwner(MakeBar());
  platform::InjectKeyPress(VK_F10);
  platform::InjectKeyPress(VK_DOWN);   // File opens
  platform::InjectKeyPress(VK_RIGHT);  // Edit opens in its place
  platform::InjectKeyPress(VK_UP);     // Paste, going round
  platform::InjectKeyPress(VK_RETURN);
  Pump();
  EXPECT_EQ(Commands(hwnd), std::vector<WORD>{23});
  std::vector<LoggedMessage> popups = Logged(hwnd, WM_INITMENUPOPUP);
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[0].wparam, reinterpret_cast<WPARAM>(file_));
  EXPECT_EQ(popups[1].wparam, reinterpret_cast<WPARAM>(edit_));
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, LeftFromTheFirstItemReachesTheSystemMenu) {
  HWND hwnd = MakeOwner(MakeBar());
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_MAXIMIZE) return 0;
    return std::nullopt;
  });
  platform::InjectKeyPress(VK_F10);
  platform::InjectKeyPress(VK_DOWN);  // File opens
  platform::InjectKeyPress(VK_LEFT);  // the system menu opens in its place
  platform::InjectKeyPress('X');      // Maximize
  Pump();
  std::vector<LoggedMessage> popups = Logged(hwnd, WM_INITMENUPOPUP);
  ASSERT_EQ(popups.size(), 2u);
  EXPECT_EQ(popups[1].wparam, reinterpret_cast<WPARAM>(GetSystemMenu(hwnd, FALSE)));
  EXPECT_EQ(HIWORD(popups[1].lparam), TRUE);
  std::vector<LoggedMessage> commands = Logged(hwnd, WM_SYSCOMMAND);
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back().wparam & 0xFFF0, SC_MAXIMIZE);
  EXPECT_TRUE(Commands(hwnd).empty());
  SetMenu(hwnd, nullptr);
}

// Alt with a letter opens that item of the bar (the drop-down's own letter
// then chooses), or chooses a command item on the bar at once.
TEST_F(MenuBarTest, AltWithALetterOpensOrChoosesThatItem) {
  const std::pair<std::vector<UINT>, WORD> cases[] = {{{'E', 'P'}, 23}, {{'H'}, 31}};
  for (const auto& [keys, command] : cases) {
    HWND hwnd = MakeOwner(MakeBar());
    InjectChord(VK_MENU, keys[0]);
    for (std::size_t i = 1; i < keys.size(); ++i) platform::InjectKeyPress(keys[i]);
    Pump();
    EXPECT_EQ(Commands(hwnd), std::vector<WORD>{command});
    SetMenu(hwnd, nullptr);
    DestroyWindow(hwnd);
  }
}

TEST_F(MenuBarTest, EscapeStepsBackToTheBarThenLeaves) {
  HWND hwnd = MakeOwner(MakeBar());
  platform::InjectKeyPress(VK_MENU);
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_ESCAPE);  // back on the bar
  platform::InjectKeyPress(VK_ESCAPE);  // out
  platform::InjectKeyPress('S');        // an ordinary key again
  Pump();
  EXPECT_TRUE(Commands(hwnd).empty());
  EXPECT_EQ(CountOf(hwnd, WM_EXITMENULOOP), 1);
  std::vector<LoggedMessage> keys = Logged(hwnd, WM_KEYDOWN);
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys.back().wparam, static_cast<WPARAM>('S'));
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, AClickOnTheBarOpensTheDropDownAndAClickChooses) {
  HWND hwnd = MakeOwner(MakeBar());
  HMENU bar = GetMenu(hwnd);
  RECT edit_item = ItemRect(hwnd, bar, 1);
  Script({[&] {
    // The drop-down hangs below its bar item.
    RECT copy = ItemRect(hwnd, edit_, 1);
    EXPECT_GE(copy.top, edit_item.bottom);
    EXPECT_NEAR(copy.left, edit_item.left, 8);
    ClickAt(Centre(copy));
  }});
  ClickAt(Centre(edit_item));
  Pump();
  EXPECT_EQ(Commands(hwnd), std::vector<WORD>{22});
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, MovingAlongTheBarWithADropDownOpenSwitchesIt) {
  HWND hwnd = MakeOwner(MakeBar());
  HMENU bar = GetMenu(hwnd);
  RECT file_item = ItemRect(hwnd, bar, 0);
  RECT edit_item = ItemRect(hwnd, bar, 1);
  Script({[&] {
            POINT p = Centre(edit_item);
            platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
          },
          [&] {
            std::vector<LoggedMessage> popups = Logged(hwnd, WM_INITMENUPOPUP);
            ASSERT_EQ(popups.size(), 2u);
            EXPECT_EQ(popups[1].wparam, reinterpret_cast<WPARAM>(edit_));
            platform::InjectKeyPress(VK_ESCAPE);
            platform::InjectKeyPress(VK_ESCAPE);
          }});
  ClickAt(Centre(file_item));
  Pump();
  EXPECT_EQ(Logged(hwnd, WM_INITMENUPOPUP).size(), 2u);
  EXPECT_TRUE(Commands(hwnd).empty());
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, TheOpenItemIsDrawnPressedIn) {
  HWND hwnd = MakeOwner(MakeBar());
  HMENU bar = GetMenu(hwnd);
  RECT file_item = ItemRect(hwnd, bar, 0);
  RECT window;
  GetWindowRect(hwnd, &window);
  COLORREF top_left_open = 0, top_left_closed = 0;
  Script({[&] {
    top_left_open = platform::CaptureWindow(hwnd)->Pixel(file_item.left - window.left,
                                                         file_item.top - window.top);
    platform::InjectKeyPress(VK_ESCAPE);
    platform::InjectKeyPress(VK_ESCAPE);
  }});
  platform::InjectKeyPress(VK_MENU);
  platform::InjectKeyPress(VK_DOWN);
  Pump();
  top_left_closed = platform::CaptureWindow(hwnd)->Pixel(file_item.left - window.left,
                                                         file_item.top - window.top);
  // Sunken: shadow on the top-left edge while open; plain menu colour after.
  EXPECT_EQ(top_left_open, GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(top_left_closed, GetSysColor(COLOR_MENU));
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, OwnerDrawnBarItemsAreMeasuredAndDrawnByTheWindow) {
  HMENU bar = Keep(CreateMenu());
  AppendMenu(bar, MF_OWNERDRAW, 70, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(5)));
  AppendMenu(bar, MF_STRING, 71, "&Next");
  int measured = 0, drawn = 0;
  SetHandler([&](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      EXPECT_EQ(mis->CtlType, ODT_MENU);
      EXPECT_EQ(mis->itemData, 5u);
      mis->itemWidth = 90;
      mis->itemHeight = 15;
      ++measured;
      return TRUE;
    }
    if (message == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      EXPECT_EQ(dis->itemID, 70u);
      EXPECT_EQ(dis->hwndItem, reinterpret_cast<HWND>(bar));
      FillRect(dis->hDC, &dis->rcItem, GetSysColorBrush(COLOR_HIGHLIGHT));
      ++drawn;
      return TRUE;
    }
    return std::nullopt;
  });
  HWND hwnd = MakeOwner();
  ASSERT_TRUE(SetMenu(hwnd, bar));
  Pump();
  EXPECT_GE(measured, 1);
  EXPECT_GE(drawn, 1);
  RECT first = ItemRect(hwnd, bar, 0);
  EXPECT_EQ(first.right - first.left, 90);
  RECT window;
  GetWindowRect(hwnd, &window);
  EXPECT_EQ(platform::CaptureWindow(hwnd)->Pixel(first.left + 3 - window.left,
                                                 first.top + 3 - window.top),
            GetSysColor(COLOR_HIGHLIGHT));
  SetMenu(hwnd, nullptr);
}

TEST_F(MenuBarTest, HiliteMenuItemMarksABarItem) {
  HWND hwnd = MakeOwner(MakeBar());
  HMENU bar = GetMenu(hwnd);
  ASSERT_TRUE(HiliteMenuItem(hwnd, bar, 1, MF_BYPOSITION | MF_HILITE));
  EXPECT_TRUE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_HILITE);
  ASSERT_TRUE(HiliteMenuItem(hwnd, bar, 1, MF_BYPOSITION | MF_UNHILITE));
  EXPECT_FALSE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_HILITE);
  SetMenu(hwnd, nullptr);
}

}  // namespace
}  // namespace velko_test

// TrackPopupMenu on the headless display, driven by injected keys and
// clicks: choosing items, what the owner is told, disabled items,
// sub-menus, letters, dismissing, placement and owner-drawn items.
#include <algorithm>

#include "platform/gdi/gdi.h"
#include "tests/platform/checks.h"
#include "tests/platform/menus/menu_fixture.h"

namespace velko_test {
namespace {

class PopupMenuTest : public MenuTest {
 protected:
  // Open, separator, Save, Exit.
  HMENU FileMenu() {
    HMENU menu = Keep(CreatePopupMenu());
    AppendMenu(menu, MF_STRING, 101, "&Open\tCtrl+O");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, 102, "&Save");
    AppendMenu(menu, MF_STRING, 103, "E&xit");
    return menu;
  }

  // Where the popup window stood when its loop first waited for input.
  RECT PlacedAt(HMENU menu, UINT flags, int x, int y, HWND owner, TPMPARAMS* params = nullptr) {
    RECT placed{};
    Script({[&] {
      GetWindowRect(PopupWindow(), &placed);
      platform::InjectKeyPress(VK_ESCAPE);
    }});
    TrackPopupMenuEx(menu, flags, x, y, owner, params);
    return placed;
  }

  static RECT ItemRect(HWND owner, HMENU menu, UINT position) {
    RECT r{};
    EXPECT_TRUE(GetMenuItemRect(owner, menu, position, &r));
    return r;
  }
};

TEST_F(PopupMenuTest, AnItemChosenWithTheKeyboardPostsItsCommand) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  platform::InjectKeyPress(VK_DOWN);  // Open
  platform::InjectKeyPress(VK_DOWN);  // Save: the separator is passed over
  platform::InjectKeyPress(VK_RETURN);
  ASSERT_TRUE(TrackPopupMenu(menu, TPM_LEFTALIGN, 200, 200, 0, owner, nullptr));
  // Posted, so it arrives once the owner takes its messages.
  EXPECT_TRUE(Commands(owner).empty());
  Pump();
  EXPECT_EQ(Commands(owner), std::vector<WORD>{102});
  for (const LoggedMessage& m : Logged(owner, WM_COMMAND)) {
    EXPECT_EQ(HIWORD(m.wparam), 0);
    EXPECT_EQ(m.lparam, 0);
  }

  auto order = MessagesOf(owner, {WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP,
                                  WM_UNINITMENUPOPUP, WM_EXITMENULOOP, WM_COMMAND});
  std::vector<UINT> expected{WM_ENTERMENULOOP,   WM_INITMENU,     WM_INITMENUPOPUP,
                             WM_UNINITMENUPOPUP, WM_EXITMENULOOP, WM_COMMAND};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(Logged(owner, WM_ENTERMENULOOP)[0].wparam, static_cast<WPARAM>(TRUE));
  EXPECT_EQ(Logged(owner, WM_INITMENUPOPUP)[0].wparam, reinterpret_cast<WPARAM>(menu));

  // The selection was reported as it moved, then the close.
  std::vector<LoggedMessage> selects = Logged(owner, WM_MENUSELECT);
  ASSERT_EQ(selects.size(), 3u);
  EXPECT_EQ(LOWORD(selects[0].wparam), 101);
  EXPECT_TRUE(HIWORD(selects[0].wparam) & MF_HILITE);
  EXPECT_EQ(selects[0].lparam, reinterpret_cast<LPARAM>(menu));
  EXPECT_EQ(LOWORD(selects[1].wparam), 102);
  EXPECT_EQ(HIWORD(selects[2].wparam), 0xFFFF);
  EXPECT_EQ(selects[2].lparam, 0);
  EXPECT_EQ(PopupWindow(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PopupMenuTest, ReturnCmdGivesTheChoiceInsteadOfACommand) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  platform::InjectKeyPress(VK_UP);  // from nothing, up lands on the last item
  platform::InjectKeyPress(VK_RETURN);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 200, 200, 0, owner, nullptr), 103);
  Pump();
  EXPECT_TRUE(Commands(owner).empty());
}

TEST_F(PopupMenuTest, ADisabledItemCannotBeChosenByKeyOrClick) {
  HWND owner = MakeOwner();
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING | MF_GRAYED, 201, "&Delete");
  AppendMenu(menu, MF_STRING, 202, "&Rename");
  // The keyboard may land on it, but Enter and its letter do nothing.
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_RETURN);
  platform::InjectKeyPress('D');
  Script({[&] {
            // Still open: a click on the grayed item does nothing either.
            ClickAt(Centre(ItemRect(owner, menu, 0)));
          },
          [&] {
            EXPECT_NE(PopupWindow(), nullptr);
            platform::InjectKeyPress(VK_ESCAPE);
          }});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 200, 200, 0, owner, nullptr), 0);
  Pump();
  EXPECT_TRUE(Commands(owner).empty());
  std::vector<LoggedMessage> selects = Logged(owner, WM_MENUSELECT);
  ASSERT_FALSE(selects.empty());
  EXPECT_EQ(LOWORD(selects[0].wparam), 201);
  EXPECT_TRUE(HIWORD(selects[0].wparam) & MF_GRAYED);
}

TEST_F(PopupMenuTest, AClickOnAnItemChoosesIt) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  Script({[&] { ClickAt(Centre(ItemRect(owner, menu, 3))); }});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 150, 150, 0, owner, nullptr), 103);
  // Mouse selection is reported as such.
  bool mouse_select = false;
  for (const LoggedMessage& m : Logged(owner, WM_MENUSELECT)) {
    if (LOWORD(m.wparam) == 103 && (HIWORD(m.wparam) & MF_MOUSESELECT)) mouse_select = true;
  }
  EXPECT_TRUE(mouse_select);
}

TEST_F(PopupMenuTest, TheArrowKeysOpenAndCloseASubMenu) {
  HWND owner = MakeOwner();
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 301, "&Small");
  AppendMenu(sub, MF_STRING, 302, "&Large");
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 300, "&Refresh");
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&View");
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_DOWN);   // View
  platform::InjectKeyPress(VK_RIGHT);  // opens it, Small selected
  platform::InjectKeyPress(VK_LEFT);   // closes it again
  platform::InjectKeyPress(VK_RIGHT);
  platform::InjectKeyPress(VK_DOWN);  // Large
  platform::InjectKeyPress(VK_RETURN);
  ASSERT_TRUE(TrackPopupMenu(menu, 0, 200, 200, 0, owner, nullptr));
  Pump();
  EXPECT_EQ(Commands(owner), std::vector<WORD>{302});
  std::vector<LoggedMessage> inits = Logged(owner, WM_INITMENUPOPUP);
  ASSERT_EQ(inits.size(), 3u);
  EXPECT_EQ(inits[1].wparam, reinterpret_cast<WPARAM>(sub));
  EXPECT_EQ(LOWORD(inits[1].lparam), 1);  // the position of "View"
  EXPECT_EQ(CountOf(owner, WM_UNINITMENUPOPUP), 3);
  // A popup item is reported by position with MF_POPUP.
  bool popup_reported = false;
  for (const LoggedMessage& m : Logged(owner, WM_MENUSELECT)) {
    if (HIWORD(m.wparam) != 0xFFFF && (HIWORD(m.wparam) & MF_POPUP) && LOWORD(m.wparam) == 1)
      popup_reported = true;
  }
  EXPECT_TRUE(popup_reported);
}

TEST_F(PopupMenuTest, HoveringAPopupItemOpensItsSubMenuForAClick) {
  HWND owner = MakeOwner();
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 311, "&Inner");
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More");
  Script({[&] {
            POINT p = Centre(ItemRect(owner, menu, 0));
            platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
          },
          [&] {
            // The sub-menu opened beside its item.
            RECT parent = ItemRect(owner, menu, 0);
            RECT inner = ItemRect(owner, sub, 0);
            EXPECT_GE(inner.left, parent.right - 8);
            ClickAt(Centre(inner));
          }});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 311);
}

TEST_F(PopupMenuTest, ALetterChoosesItsItemOrCyclesAmongSeveral) {
  HWND owner = MakeOwner();
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 1, "&Copy");
  AppendMenu(menu, MF_STRING, 2, "&Cut");
  AppendMenu(menu, MF_STRING, 3, "&Paste");
  AppendMenu(menu, MF_STRING, 4, "Select &All");
  platform::InjectKeyPress('A');
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 4);

  // Two items share "C": the letter moves between them, Enter chooses.
  platform::InjectKeyPress('C');
  platform::InjectKeyPress('C');
  platform::InjectKeyPress(VK_RETURN);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 2);
}

TEST_F(PopupMenuTest, ALetterNoItemClaimsIsOfferedToTheOwner) {
  HWND owner = MakeOwner();
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 1, "One");
  AppendMenu(menu, MF_STRING, 2, "Two");
  SetHandler([&](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_MENUCHAR) return std::nullopt;
    EXPECT_EQ(LOWORD(wparam), 'q');
    EXPECT_TRUE(HIWORD(wparam) & MF_POPUP);
    EXPECT_EQ(lparam, reinterpret_cast<LPARAM>(menu));
    return MAKELRESULT(1, MNC_EXECUTE);
  });
  platform::InjectKeyPress('Q');
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 2);
  EXPECT_EQ(CountOf(owner, WM_MENUCHAR), 1);
}

TEST_F(PopupMenuTest, TheMenuIsPlacedAroundThePointOnTheScreenAndOutOfTheExcludedRectangle) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  // Near the bottom right corner the menu opens up and to the left.
  const SIZE screen = platform::ScreenSize();
  RECT placed = PlacedAt(menu, 0, screen.cx - 5, screen.cy - 5, owner);
  EXPECT_EQ(placed.right, screen.cx - 5);
  EXPECT_EQ(placed.bottom, screen.cy - 5);
  EXPECT_GT(placed.right - placed.left, 40);
  // Alignment flags.
  placed = PlacedAt(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, 400, 300, owner);
  EXPECT_EQ(placed.right, 400);
  EXPECT_EQ(placed.bottom, 300);
  // Beside the excluded rectangle, or below it with TPM_VERTICAL.
  TPMPARAMS params;
  params.rcExclude = RECT{180, 180, 260, 220};
  placed = PlacedAt(menu, 0, 200, 200, owner, &params);
  EXPECT_EQ(placed.left, 260);
  EXPECT_EQ(placed.top, 200);
  placed = PlacedAt(menu, TPM_VERTICAL, 200, 200, owner, &params);
  EXPECT_EQ(placed.left, 200);
  EXPECT_EQ(placed.top, 220);
}

TEST_F(PopupMenuTest, CheckedAndRadioCheckedItemsShowTheirMarks) {
  HWND owner = MakeOwner();
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING | MF_CHECKED, 1, "&Toolbar");
  AppendMenu(menu, MF_STRING, 2, "&Large");
  AppendMenu(menu, MF_STRING, 3, "&Small");
  AppendMenu(menu, MF_STRING, 4, "&None");
  CheckMenuRadioItem(menu, 2, 3, 3, MF_BYCOMMAND);
  std::vector<int> inked;  // dark pixels in the check column of each item
  Script({[&] {
    std::shared_ptr<platform::Surface> image = platform::CaptureWindow(PopupWindow());
    ASSERT_NE(image, nullptr);
    RECT popup;
    GetWindowRect(PopupWindow(), &popup);
    for (UINT i = 0; i < 4; ++i) {
      const RECT item = ItemRect(owner, menu, i);
      int dark = 0;
      for (LONG y = item.top; y < item.bottom; ++y)
        for (LONG x = item.left; x < item.left + 12; ++x)
          dark += image->Pixel(x - popup.left, y - popup.top) == RGB(0, 0, 0);
      inked.push_back(dark);
    }
    platform::InjectKeyPress(VK_ESCAPE);
  }});
  TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr);
  ASSERT_EQ(inked.size(), 4u);
  EXPECT_GT(inked[0], 0);  // the tick
  EXPECT_EQ(inked[1], 0);
  EXPECT_GT(inked[2], 0);  // the bullet
  EXPECT_EQ(inked[3], 0);
  EXPECT_NE(inked[0], inked[2]);
}

TEST_F(PopupMenuTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheOwner) {
  HWND owner = MakeOwner();
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 400, "&Plain");
  AppendMenu(menu, MF_OWNERDRAW, 401, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(0xAB)));
  std::vector<MEASUREITEMSTRUCT> measured;
  std::vector<DRAWITEMSTRUCT> drawn;
  RECT item{};
  COLORREF inside = 0;
  Script({[&] {
            item = ItemRect(owner, menu, 1);
            platform::InjectKeyPress(VK_DOWN);
            platform::InjectKeyPress(VK_DOWN);  // the owner-drawn item, selected
          },
          [&] {
            std::shared_ptr<platform::Surface> image = platform::CaptureWindow(PopupWindow());
            ASSERT_NE(image, nullptr);
            RECT popup;
            GetWindowRect(PopupWindow(), &popup);
            inside = image->Pixel(item.left - popup.left + 5, item.top - popup.top + 5);
            platform::InjectKeyPress(VK_RETURN);
          }},
         [&](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
           if (message == WM_MEASUREITEM) {
             auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
             measured.push_back(*mis);
             mis->itemWidth = 80;
             mis->itemHeight = 30;
             return TRUE;
           }
           if (message == WM_DRAWITEM) {
             auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
             drawn.push_back(*dis);
             HBRUSH brush = CreateSolidBrush((dis->itemState & ODS_SELECTED) ? RGB(0, 0, 255)
                                                                             : RGB(255, 0, 0));
             FillRect(dis->hDC, &dis->rcItem, brush);
             DeleteObject(brush);
             return TRUE;
           }
           return std::nullopt;
         });
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 401);

  ASSERT_EQ(measured.size(), 1u);
  EXPECT_EQ(measured[0].CtlType, ODT_MENU);
  EXPECT_EQ(measured[0].itemID, 401u);
  EXPECT_EQ(measured[0].itemData, 0xABu);
  EXPECT_EQ(item.bottom - item.top, 30);
  EXPECT_GE(item.right - item.left, 80);

  ASSERT_GE(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].CtlType, ODT_MENU);
  EXPECT_EQ(drawn[0].itemID, 401u);
  EXPECT_EQ(drawn[0].hwndItem, reinterpret_cast<HWND>(menu));
  EXPECT_EQ(drawn[0].itemData, 0xABu);
  EXPECT_EQ(drawn[0].itemState & ODS_SELECTED, 0u);
  EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(),
                          [](const DRAWITEMSTRUCT& d) { return d.itemState & ODS_SELECTED; }));
  // What the owner drew is what the menu shows.
  EXPECT_EQ(inside, RGB(0, 0, 255));
}

TEST_F(PopupMenuTest, ASecondLoopCannotStartInsideTheFirst) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  BOOL nested = TRUE;
  DWORD error = 0;
  Script({[&] {
    nested = TrackPopupMenu(menu, 0, 10, 10, 0, owner, nullptr);
    error = GetLastError();
    platform::InjectKeyPress(VK_ESCAPE);
  }});
  TrackPopupMenu(menu, 0, 100, 100, 0, owner, nullptr);
  EXPECT_FALSE(nested);
  EXPECT_EQ(error, ERROR_POPUP_ALREADY_ACTIVE);
}

TEST_F(PopupMenuTest, NoNotifySendsTheOwnerNothing) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  platform::InjectKeyPress(VK_DOWN);
  platform::InjectKeyPress(VK_RETURN);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_NONOTIFY | TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 101);
  Pump();
  EXPECT_EQ(CountOf(owner, WM_INITMENUPOPUP), 0);
  EXPECT_EQ(CountOf(owner, WM_MENUSELECT), 0);
  EXPECT_EQ(CountOf(owner, WM_ENTERMENULOOP), 0);
  EXPECT_TRUE(Commands(owner).empty());
}

TEST_F(PopupMenuTest, AMenuFilledWhileItOpensShowsTheNewItems) {
  HWND owner = MakeOwner();
  HMENU menu = Keep(CreatePopupMenu());
  Script({[&] {
           platform::InjectKeyPress(VK_DOWN);
           platform::InjectKeyPress(VK_RETURN);
         }},
         [&](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
           if (message == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wparam) == menu &&
               GetMenuItemCount(menu) == 0) {
             AppendMenu(menu, MF_STRING, 501, "&Fresh");
           }
           return std::nullopt;
         });
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 501);
}

TEST_F(PopupMenuTest, AContextMenuFromARightClickIsChosenWithTheLeftButton) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  UINT chosen = 0;
  Script({[&] {
           RECT save{};
           GetMenuItemRect(owner, menu, 2, &save);
           ClickAt(Centre(save));
         }},
         [&](HWND hwnd, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
           if (message != WM_CONTEXTMENU) return std::nullopt;
           chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                     GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), 0,
                                                     hwnd, nullptr));
           return 0;
         });
  platform::InjectMouse(platform::MouseAction::kRightDown, 180, 180);
  platform::InjectMouse(platform::MouseAction::kRightUp, 180, 180);
  Pump();
  EXPECT_EQ(chosen, 102u);
}

// Ways out of the loop without a choice: no command, no popup left over.
TEST_F(PopupMenuTest, TheLoopEndsWithoutAChoice) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  BOOL ended = FALSE;
  struct Ending {
    const char* how;
    std::function<void()> step;
    UINT flags;
    BOOL result;  // without TPM_RETURNCMD a dismissed menu is no failure
  };
  const Ending endings[] = {
      {"a press outside", [] { platform::InjectClick(20, 600); }, TPM_RETURNCMD, 0},
      {"escape",
       [] {
         platform::InjectKeyPress(VK_DOWN);
         platform::InjectKeyPress(VK_ESCAPE);
       },
       0, TRUE},
      {"EndMenu", [&] { ended = EndMenu(); }, TPM_RETURNCMD, 0},
  };
  for (const Ending& e : endings) {
    ClearMessageLog();
    Script({e.step});
    EXPECT_EQ(TrackPopupMenu(menu, e.flags, 150, 150, 0, owner, nullptr), e.result) << e.how;
    Pump();
    EXPECT_TRUE(Commands(owner).empty()) << e.how;
    EXPECT_EQ(CountOf(owner, WM_EXITMENULOOP), 1) << e.how;
    EXPECT_EQ(PopupWindow(), nullptr) << e.how;
  }
  EXPECT_TRUE(ended);
  // An empty menu returns at once.
  ClearMessageLog();
  EXPECT_EQ(TrackPopupMenu(Keep(CreatePopupMenu()), TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 0);
  EXPECT_EQ(CountOf(owner, WM_EXITMENULOOP), 1);
  // So does the loop when the owner is destroyed.
  Script({[&] { DestroyWindow(owner); }});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 0);
  EXPECT_EQ(PopupWindow(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(PopupMenuTest, BadArgumentsFail) {
  HWND owner = MakeOwner();
  HMENU menu = FileMenu();
  EXPECT_EQ(ERROR_OF(TrackPopupMenu(nullptr, 0, 0, 0, 0, owner, nullptr)),
            ERROR_INVALID_MENU_HANDLE);
  EXPECT_EQ(ERROR_OF(TrackPopupMenu(menu, 0, 0, 0, 0, nullptr, nullptr)),
            ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(EndMenu());
}

}  // namespace
}  // namespace velko_test

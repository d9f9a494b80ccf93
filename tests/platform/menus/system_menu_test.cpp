// The system menu: its standard entries and their states, and opening it
// with Alt+Space or a click on the caption's icon.
#include <string>

#include "tests/platform/checks.h"
#include "tests/platform/menus/menu_fixture.h"

namespace velko_test {
namespace {

using SystemMenuTest = MenuTest;

struct Entry {
  std::string text;
  UINT id;
  bool separator;
  bool enabled;
};

std::vector<Entry> EntriesOf(HMENU menu) {
  std::vector<Entry> entries;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[100] = {};
    GetMenuString(menu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
    UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    entries.push_back(Entry{text, GetMenuItemID(menu, i), (state & MF_SEPARATOR) != 0,
                            (state & (MF_GRAYED | MF_DISABLED)) == 0});
  }
  return entries;
}

// One character an entry: '+' enabled, '-' not, '|' a separator.
std::string StatesOf(HWND hwnd) {
  std::string states;
  for (const Entry& e : EntriesOf(GetSystemMenu(hwnd, FALSE)))
    states += e.separator ? '|' : e.enabled ? '+' : '-';
  return states;
}

TEST_F(SystemMenuTest, TheStandardEntriesWithTheirCommands) {
  HWND hwnd = MakeOwner();
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetSystemMenu(hwnd, FALSE), menu);  // the same copy each time
  std::vector<std::pair<std::string, UINT>> texts_and_ids;
  for (const Entry& e : EntriesOf(menu)) texts_and_ids.emplace_back(e.text, e.id);
  EXPECT_EQ(texts_and_ids,
            (std::vector<std::pair<std::string, UINT>>{{"&Restore", SC_RESTORE},
                                                       {"&Move", SC_MOVE},
                                                       {"&Size", SC_SIZE},
                                                       {"Mi&nimize", SC_MINIMIZE},
                                                       {"Ma&ximize", SC_MAXIMIZE},
                                                       {"", 0},
                                                       {"&Close\tAlt+F4", SC_CLOSE}}));
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), SC_CLOSE);
  // A normal sizable window: everything but Restore.
  EXPECT_EQ(StatesOf(hwnd), "-++++|+");
}

TEST_F(SystemMenuTest, TheEntriesFollowTheWindowState) {
  HWND hwnd = MakeOwner();
  ShowWindow(hwnd, SW_MAXIMIZE);
  EXPECT_EQ(StatesOf(hwnd), "+--+-|+");  // Restore, Minimize and Close
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_EQ(StatesOf(hwnd), "-++++|+");
  // A dialog frame without boxes can only be moved and closed.
  EXPECT_EQ(StatesOf(MakeOwner(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU)), "-+---|+");
}

TEST_F(SystemMenuTest, RevertThrowsAwayTheProgramsChanges) {
  HWND hwnd = MakeOwner();
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  ASSERT_TRUE(DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuItemCount(GetSystemMenu(hwnd, FALSE)), 6);
  EXPECT_EQ(GetSystemMenu(hwnd, TRUE), nullptr);
  EXPECT_FALSE(IsMenu(menu));
  HMENU fresh = GetSystemMenu(hwnd, FALSE);
  EXPECT_NE(fresh, menu);
  EXPECT_EQ(GetMenuItemCount(fresh), 7);
}

TEST_F(SystemMenuTest, AltSpaceOpensItAndItsCommandIsASystemCommand) {
  HWND hwnd = MakeOwner();
  // A command the default procedure would act on, answered here instead.
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_MINIMIZE) return 0;
    return std::nullopt;
  });
  InjectChord(VK_MENU, VK_SPACE);
  platform::InjectKeyPress('N');  // Minimize
  Pump();
  std::vector<LoggedMessage> commands = Logged(hwnd, WM_SYSCOMMAND);
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back().wparam & 0xFFF0, SC_MINIMIZE);
  EXPECT_TRUE(Commands(hwnd).empty());
  std::vector<LoggedMessage> popups = Logged(hwnd, WM_INITMENUPOPUP);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0].wparam, reinterpret_cast<WPARAM>(GetSystemMenu(hwnd, FALSE)));
  EXPECT_EQ(HIWORD(popups[0].lparam), TRUE);
  bool sysmenu_select = false;
  for (const LoggedMessage& m : Logged(hwnd, WM_MENUSELECT)) {
    if (HIWORD(m.wparam) != 0xFFFF && (HIWORD(m.wparam) & MF_SYSMENU)) sysmenu_select = true;
  }
  EXPECT_TRUE(sysmenu_select);
}

TEST_F(SystemMenuTest, CloseFromTheSystemMenuClosesTheWindow) {
  HWND hwnd = MakeOwner();
  InjectChord(VK_MENU, VK_SPACE);
  platform::InjectKeyPress('C');
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(SystemMenuTest, AltF4InAChildWindowClosesItsTopLevelWindow) {
  HWND hwnd = MakeOwner();
  HWND child = Make(hwnd, WS_CHILD | WS_VISIBLE, "child", 0, 10, 10, 50, 20);
  SetFocus(child);
  InjectChord(VK_MENU, VK_F4);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(CountOf(child, WM_CLOSE), 0);
}

TEST_F(SystemMenuTest, AClickOnTheIconOpensItBelowTheIcon) {
  HWND hwnd = MakeOwner();
  RECT window;
  GetWindowRect(hwnd, &window);
  RECT first{};
  Script({[&] {
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    EXPECT_TRUE(GetMenuItemRect(hwnd, menu, 0, &first));
    platform::InjectKeyPress(VK_ESCAPE);
    platform::InjectKeyPress(VK_ESCAPE);
  }});
  platform::InjectClick(window.left + 10, window.top + 10);  // the caption's icon
  Pump();
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(CountOf(hwnd, WM_INITMENUPOPUP), 1);
  EXPECT_GE(first.top, window.top + 20);
  EXPECT_LT(first.left, window.left + 20);
}

}  // namespace
}  // namespace velko_test

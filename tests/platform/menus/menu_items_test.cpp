// Making, changing and reading menus: items by position and by command,
// item information, states, sub-menus and handles.
#include <cstring>
#include <string>

#include "tests/platform/checks.h"
#include "tests/platform/menus/menu_fixture.h"

namespace velko_test {
namespace {

using MenuItemsTest = MenuTest;

std::string StringOf(HMENU menu, UINT item, UINT flags) {
  char buffer[64] = {};
  int length = GetMenuString(menu, item, buffer, sizeof(buffer), flags);
  return std::string(buffer, static_cast<std::size_t>(length));
}

TEST_F(MenuItemsTest, AppendedItemsAreReadBackByPositionAndByCommand) {
  HMENU file = Keep(CreatePopupMenu());
  ASSERT_TRUE(AppendMenu(file, MF_STRING, 10, "&Open\tCtrl+O"));
  ASSERT_TRUE(AppendMenu(file, MF_SEPARATOR, 0, nullptr));
  ASSERT_TRUE(AppendMenu(file, MF_STRING | MF_GRAYED, 11, "&Save"));
  HMENU bar = Keep(CreateMenu());
  ASSERT_TRUE(AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File"));

  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  EXPECT_EQ(StringOf(file, 0, MF_BYPOSITION), "&Open\tCtrl+O");
  // By command the search goes into sub-menus.
  EXPECT_EQ(StringOf(bar, 11, MF_BYCOMMAND), "&Save");
  EXPECT_EQ(GetMenuItemID(file, 0), 10u);
  EXPECT_EQ(GetMenuItemID(file, 1), 0u);                    // a separator
  EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));  // a popup item
  EXPECT_EQ(GetMenuItemID(file, 7), static_cast<UINT>(-1));
  EXPECT_EQ(GetSubMenu(bar, 0), file);
  EXPECT_EQ(GetSubMenu(file, 0), nullptr);
  // Without a buffer the length comes back.
  EXPECT_EQ(GetMenuString(file, 0, nullptr, 0, MF_BYPOSITION), 12);
}

TEST_F(MenuItemsTest, MenuStateGivesFlagsAndTheSubMenuItemCount) {
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 1, "a");
  AppendMenu(sub, MF_STRING, 2, "b");
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  AppendMenu(menu, MF_STRING | MF_CHECKED | MF_GRAYED, 3, "c");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);

  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), MF_POPUP | (2u << 8));
  EXPECT_EQ(GetMenuState(menu, 3, MF_BYCOMMAND), MF_CHECKED | MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(menu, 99, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(MenuItemsTest, CheckAndEnableReturnThePreviousState) {
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 40, "Deep");
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 30, "Top");
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");

  EXPECT_EQ(CheckMenuItem(menu, 40, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 40, MF_BYCOMMAND | MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(sub, 0, MF_BYPOSITION) & MF_CHECKED, 0u);

  EXPECT_EQ(EnableMenuItem(menu, 0, MF_BYPOSITION | MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(menu, 0, MF_BYPOSITION | MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(menu, 40, MF_BYCOMMAND | MF_DISABLED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(sub, 40, MF_BYCOMMAND), MF_DISABLED);

  SetLastError(0);
  EXPECT_EQ(CheckMenuItem(menu, 77, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);
  EXPECT_EQ(EnableMenuItem(menu, 5, MF_BYPOSITION), static_cast<UINT>(-1));
}

TEST_F(MenuItemsTest, ItemInformationRoundTripsWithTheTextBufferRules) {
  HMENU menu = Keep(CreatePopupMenu());
  MENUITEMINFO info;
  info.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE | MIIM_DATA;
  info.fType = MFT_STRING | MFT_RADIOCHECK;
  info.fState = MFS_CHECKED | MFS_DEFAULT;
  info.wID = 55;
  info.dwItemData = 0xBEEF;
  char text[] = "&Properties";
  info.dwTypeData = text;
  ASSERT_TRUE(InsertMenuItem(menu, 0, TRUE, &info));

  MENUITEMINFO read;
  read.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_DATA | MIIM_STRING;
  ASSERT_TRUE(GetMenuItemInfo(menu, 55, FALSE, &read));
  EXPECT_EQ(read.wID, 55u);
  EXPECT_EQ(read.fType, MFT_STRING | MFT_RADIOCHECK);
  EXPECT_EQ(read.fState, MFS_CHECKED | MFS_DEFAULT);
  EXPECT_EQ(read.dwItemData, 0xBEEFu);
  // No buffer: the length only.
  EXPECT_EQ(read.cch, 11u);

  char small[5];
  read = MENUITEMINFO{};
  read.fMask = MIIM_STRING;
  read.dwTypeData = small;
  read.cch = sizeof(small);
  ASSERT_TRUE(GetMenuItemInfo(menu, 0, TRUE, &read));
  EXPECT_STREQ(small, "&Pro");
  EXPECT_EQ(read.cch, 4u);

  // A wrong structure size is refused.
  read.cbSize = 12;
  EXPECT_EQ(ERROR_OF(GetMenuItemInfo(menu, 0, TRUE, &read)), ERROR_INVALID_PARAMETER);
}

TEST_F(MenuItemsTest, SetMenuItemInfoChangesOnlyTheFieldsOfTheMask) {
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING | MF_CHECKED, 7, "Old");
  MENUITEMINFO info;
  info.fMask = MIIM_STRING;
  char text[] = "New";
  info.dwTypeData = text;
  ASSERT_TRUE(SetMenuItemInfo(menu, 7, FALSE, &info));
  EXPECT_EQ(StringOf(menu, 0, MF_BYPOSITION), "New");
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), MF_CHECKED);
  EXPECT_EQ(GetMenuItemID(menu, 0), 7u);

  info.fMask = MIIM_SUBMENU;
  info.hSubMenu = reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(0x12345678));
  EXPECT_EQ(ERROR_OF(SetMenuItemInfo(menu, 0, TRUE, &info)), ERROR_INVALID_MENU_HANDLE);
}

TEST_F(MenuItemsTest, InsertGoesBeforeTheItemAndAppendsPastTheEnd) {
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 1, "one");
  AppendMenu(menu, MF_STRING, 3, "three");
  ASSERT_TRUE(InsertMenu(menu, 3, MF_BYCOMMAND | MF_STRING, 2, "two"));
  ASSERT_TRUE(InsertMenu(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, 4, "four"));
  MENUITEMINFO info;
  info.fMask = MIIM_ID | MIIM_STRING;
  char zero[] = "zero";
  info.dwTypeData = zero;
  info.wID = 0;
  ASSERT_TRUE(InsertMenuItem(menu, 0, TRUE, &info));
  ASSERT_EQ(GetMenuItemCount(menu), 5);
  for (UINT i = 0; i < 5; ++i) EXPECT_EQ(GetMenuItemID(menu, static_cast<int>(i)), i);
  // By command the item must exist.
  EXPECT_EQ(ERROR_OF(InsertMenu(menu, 99, MF_BYCOMMAND | MF_STRING, 5, "x")),
            ERROR_MENU_ITEM_NOT_FOUND);
}

TEST_F(MenuItemsTest, RemoveKeepsTheSubMenuDeleteAndDestroyFreeIt) {
  const std::size_t before = platform::LiveMenuCount();
  HMENU sub = CreatePopupMenu();
  HMENU subsub = CreatePopupMenu();
  AppendMenu(sub, MF_POPUP, reinterpret_cast<UINT_PTR>(subsub), "deeper");
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub");
  EXPECT_EQ(platform::LiveMenuCount(), before + 3);

  ASSERT_TRUE(RemoveMenu(menu, 0, MF_BYPOSITION));
  EXPECT_EQ(GetMenuItemCount(menu), 0);
  EXPECT_TRUE(IsMenu(sub));

  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub");
  ASSERT_TRUE(DeleteMenu(menu, 0, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_FALSE(IsMenu(subsub));

  ASSERT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_EQ(platform::LiveMenuCount(), before);
  EXPECT_EQ(ERROR_OF(DestroyMenu(menu)), ERROR_INVALID_MENU_HANDLE);
}

TEST_F(MenuItemsTest, ModifyReplacesTheItemAndFreesAReplacedSubMenu) {
  HMENU sub = CreatePopupMenu();
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&Recent");
  ASSERT_TRUE(ModifyMenu(menu, 0, MF_BYPOSITION | MF_STRING | MF_CHECKED, 90, "&Plain"));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_EQ(GetMenuItemID(menu, 0), 90u);
  EXPECT_EQ(StringOf(menu, 90, MF_BYCOMMAND), "&Plain");
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), MF_CHECKED);
}

TEST_F(MenuItemsTest, RadioCheckMarksOneItemOfTheRange) {
  HMENU menu = Keep(CreatePopupMenu());
  for (UINT id = 1; id <= 4; ++id) AppendMenu(menu, MF_STRING | MF_CHECKED, id, "x");
  ASSERT_TRUE(CheckMenuRadioItem(menu, 1, 3, 2, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuState(menu, 1, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuState(menu, 2, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(GetMenuState(menu, 3, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuState(menu, 4, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);  // outside the range
  MENUITEMINFO info;
  info.fMask = MIIM_FTYPE;
  GetMenuItemInfo(menu, 2, FALSE, &info);
  EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
  // The item to check must lie in the range.
  EXPECT_FALSE(CheckMenuRadioItem(menu, 0, 1, 3, MF_BYPOSITION));
}

TEST_F(MenuItemsTest, OneItemIsTheDefault) {
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_STRING, 1, "a");
  AppendMenu(menu, MF_STRING, 2, "b");
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
  ASSERT_TRUE(SetMenuDefaultItem(menu, 2, FALSE));
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), 2u);
  ASSERT_TRUE(SetMenuDefaultItem(menu, 0, TRUE));
  EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), 0u);
  EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_DEFAULT, 0u);
  ASSERT_TRUE(SetMenuDefaultItem(menu, static_cast<UINT>(-1), TRUE));
  EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), static_cast<UINT>(-1));
}

TEST_F(MenuItemsTest, HandlesAreNeverReusedAndBadHandlesFail) {
  HMENU first = CreateMenu();
  ASSERT_TRUE(DestroyMenu(first));
  HMENU second = Keep(CreateMenu());
  EXPECT_NE(first, second);
  EXPECT_FALSE(IsMenu(first));
  EXPECT_EQ(ERROR_OF(GetMenuItemCount(first) != -1), ERROR_INVALID_MENU_HANDLE);
  EXPECT_FALSE(AppendMenu(first, MF_STRING, 1, "x"));
  // A popup item must name a real menu.
  EXPECT_FALSE(AppendMenu(second, MF_POPUP, reinterpret_cast<UINT_PTR>(first), "x"));
  EXPECT_EQ(GetMenuItemCount(second), 0);
}

TEST_F(MenuItemsTest, OwnerDrawAndBitmapItemsKeepTheirValues) {
  HMENU menu = Keep(CreatePopupMenu());
  AppendMenu(menu, MF_OWNERDRAW, 5, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(0x77)));
  MENUITEMINFO info;
  info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
  ASSERT_TRUE(GetMenuItemInfo(menu, 0, TRUE, &info));
  EXPECT_EQ(info.fType, MFT_OWNERDRAW);
  EXPECT_EQ(info.dwItemData, 0x77u);
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), MF_OWNERDRAW);
}

}  // namespace
}  // namespace velko_test

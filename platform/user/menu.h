// Menus: menu bars, popup menus and the system menu.
//
// A menu is a list of items; an item is a command (an id), a separator, or
// a popup item that opens a sub-menu. Menus live in their own handle table
// (values never reused); every call given a handle that is not a menu fails
// with ERROR_INVALID_MENU_HANDLE. Items are addressed by position
// (MF_BYPOSITION) or by command id (MF_BYCOMMAND, searched in sub-menus too).
//
// A top-level window shows its menu (SetMenu) as a bar in its non-client
// area. Clicking the bar, Alt or F10, or Alt with an item's "&" letter opens
// the menu loop (DefWindowProc's WM_SYSCOMMAND SC_MOUSEMENU / SC_KEYMENU);
// TrackPopupMenu opens a popup menu anywhere. While the loop runs the owner
// window gets WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP before each
// popup opens, WM_MENUSELECT as the selection moves (and once more with
// 0xFFFF flags and no menu when the loop ends), WM_MEASUREITEM and
// WM_DRAWITEM for owner-drawn items, WM_MENUCHAR for a letter no item
// claims, WM_ENTERIDLE (MSGF_MENU) when the loop waits for input,
// WM_UNINITMENUPOPUP as each popup closes and WM_EXITMENULOOP; the chosen
// command is posted as WM_COMMAND, or WM_SYSCOMMAND for the system menu.
// Popups are windows of the class "#32768".
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"

// ---------------------------------------------------------------------------
// Flags of AppendMenu, InsertMenu, ModifyMenu, CheckMenuItem, EnableMenuItem,
// GetMenuState and WM_MENUSELECT.
// ---------------------------------------------------------------------------
constexpr UINT MF_INSERT = 0x00000000;
constexpr UINT MF_CHANGE = 0x00000080;
constexpr UINT MF_APPEND = 0x00000100;
constexpr UINT MF_DELETE = 0x00000200;
constexpr UINT MF_REMOVE = 0x00001000;
constexpr UINT MF_BYCOMMAND = 0x00000000;
constexpr UINT MF_BYPOSITION = 0x00000400;
constexpr UINT MF_SEPARATOR = 0x00000800;
constexpr UINT MF_ENABLED = 0x00000000;
constexpr UINT MF_GRAYED = 0x00000001;
constexpr UINT MF_DISABLED = 0x00000002;
constexpr UINT MF_UNCHECKED = 0x00000000;
constexpr UINT MF_CHECKED = 0x00000008;
constexpr UINT MF_USECHECKBITMAPS = 0x00000200;
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_BITMAP = 0x00000004;
constexpr UINT MF_OWNERDRAW = 0x00000100;
constexpr UINT MF_POPUP = 0x00000010;
constexpr UINT MF_MENUBARBREAK = 0x00000020;
constexpr UINT MF_MENUBREAK = 0x00000040;
constexpr UINT MF_UNHILITE = 0x00000000;
constexpr UINT MF_HILITE = 0x00000080;
constexpr UINT MF_DEFAULT = 0x00001000;
constexpr UINT MF_SYSMENU = 0x00002000;
constexpr UINT MF_HELP = 0x00004000;
constexpr UINT MF_RIGHTJUSTIFY = 0x00004000;
constexpr UINT MF_MOUSESELECT = 0x00008000;

// MENUITEMINFO::fType.
constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x00000200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x00002000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;

// MENUITEMINFO::fState.
constexpr UINT MFS_GRAYED = 0x00000003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

// MENUITEMINFO::fMask.
constexpr UINT MIIM_STATE = 0x00000001;
constexpr UINT MIIM_ID = 0x00000002;
constexpr UINT MIIM_SUBMENU = 0x00000004;
constexpr UINT MIIM_CHECKMARKS = 0x00000008;
constexpr UINT MIIM_TYPE = 0x00000010;
constexpr UINT MIIM_DATA = 0x00000020;
constexpr UINT MIIM_STRING = 0x00000040;
constexpr UINT MIIM_BITMAP = 0x00000080;
constexpr UINT MIIM_FTYPE = 0x00000100;

// One item, as InsertMenuItem, SetMenuItemInfo and GetMenuItemInfo take it.
// With MIIM_TYPE, fType and dwTypeData go together (the text of a string
// item, the bitmap of an MFT_BITMAP item); MIIM_STRING, MIIM_FTYPE and
// MIIM_BITMAP set them one at a time. GetMenuItemInfo copies the text into
// dwTypeData (at most cch - 1 bytes and a NUL) and sets cch to the length
// copied; with a null dwTypeData it only sets cch to the text's length.
struct MENUITEMINFO {
  UINT cbSize = sizeof(MENUITEMINFO);
  UINT fMask = 0;
  UINT fType = 0;
  UINT fState = 0;
  UINT wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;
  HBITMAP hbmpUnchecked = nullptr;
  ULONG_PTR dwItemData = 0;
  LPSTR dwTypeData = nullptr;
  UINT cch = 0;
  HBITMAP hbmpItem = nullptr;
};
using LPMENUITEMINFO = MENUITEMINFO*;
using LPCMENUITEMINFO = const MENUITEMINFO*;

// TrackPopupMenu(Ex) flags.
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_RECURSE = 0x0001;
constexpr UINT TPM_HORPOSANIMATION = 0x0400;
constexpr UINT TPM_HORNEGANIMATION = 0x0800;
constexpr UINT TPM_VERPOSANIMATION = 0x1000;
constexpr UINT TPM_VERNEGANIMATION = 0x2000;
constexpr UINT TPM_NOANIMATION = 0x4000;
constexpr UINT TPM_LAYOUTRTL = 0x8000;

// TrackPopupMenuEx: a screen rectangle the popup must not cover.
struct TPMPARAMS {
  UINT cbSize = sizeof(TPMPARAMS);
  RECT rcExclude{};
};
using LPTPMPARAMS = TPMPARAMS*;

// WM_MENUCHAR results (high word; the low word is the item's position).
constexpr WORD MNC_IGNORE = 0;
constexpr WORD MNC_CLOSE = 1;
constexpr WORD MNC_EXECUTE = 2;
constexpr WORD MNC_SELECT = 3;

// Messages a "#32768" popup window answers.
constexpr UINT MN_GETHMENU = 0x01E1;

// ---------------------------------------------------------------------------
// Making, changing and reading menus
// ---------------------------------------------------------------------------

// A menu for a bar, and one for a popup (or sub-menu).
HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and, recursively, the sub-menus of its popup items.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// `flags`: MF_STRING (item = text), MF_BITMAP (item = HBITMAP),
// MF_OWNERDRAW (item = the item data), MF_SEPARATOR, MF_POPUP (id = the
// sub-menu's HMENU), with MF_GRAYED / MF_DISABLED, MF_CHECKED,
// MF_MENUBREAK / MF_MENUBARBREAK, MF_HELP. InsertMenu puts the new item
// before `position` (by command or by position; position -1 appends).
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR item);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR item);
// Replaces an item in place (a replaced popup item's sub-menu is destroyed
// unless the new item opens the same one).
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR item);
// By position beyond the end appends; by command the item must exist.
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL by_position, LPCMENUITEMINFO info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL by_position, LPCMENUITEMINFO info);
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL by_position, LPMENUITEMINFO info);
// RemoveMenu keeps a popup item's sub-menu; DeleteMenu destroys it.
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);

// The previous state (MF_CHECKED or MF_UNCHECKED; MF_ENABLED, MF_GRAYED or
// MF_DISABLED), or (DWORD)-1 when there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
// Checks `check` with a radio mark and unchecks the other items from
// `first` to `last` (all addressed the same way).
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
// Makes one item the default (drawn bold); -1 clears it.
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position);
// The default item's id or position, -1 when there is none.
UINT GetMenuDefaultItem(HMENU menu, UINT by_position, UINT flags);

// -1 for a handle that is not a menu.
int GetMenuItemCount(HMENU menu);
// The item's id; -1 for a popup item or no such item.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// MF_* flags of the item; for a popup item the sub-menu's item count is in
// the high byte of the low word. (UINT)-1 when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Copies the item's text (at most max_count - 1 bytes and a NUL); returns
// the length copied, or the text's length when `buffer` is null.
int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int max_count, UINT flags);

// ---------------------------------------------------------------------------
// Menus on windows
// ---------------------------------------------------------------------------

// The bar of a top-level window (child windows have none: SetMenu fails
// with ERROR_CHILD_WINDOW_MENU). SetMenu re-lays the frame; DrawMenuBar
// repaints the bar after its items changed.
BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
BOOL DrawMenuBar(HWND hwnd);
// Highlights or un-highlights an item of the window's bar.
BOOL HiliteMenuItem(HWND hwnd, HMENU menu, UINT item, UINT flags);

// The window's copy of the system menu: "&Restore", "&Move", "&Size",
// "Mi&nimize", "Ma&ximize", a separator and "&Close\tAlt+F4" with the ids
// SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE and SC_CLOSE,
// enabled as the window's styles and state allow (updated each time it is
// asked for and before it opens). `revert` TRUE throws the copy away (a
// later call makes a fresh one) and returns null.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

// Shows a popup menu at (x, y) (screen) and runs the menu loop until an
// item is chosen or the menu is dismissed. TPM_RETURNCMD returns the chosen
// id (0 for none) instead of posting WM_COMMAND; TPM_NONOTIFY sends no
// notification messages. `reserved` must be 0 and `rect` is ignored.
// Fails with ERROR_POPUP_ALREADY_ACTIVE while another menu loop runs on the
// thread.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND hwnd,
                    const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, LPTPMPARAMS params);
// Ends the menu loop running on the calling thread (as Esc would).
BOOL EndMenu();

// The screen rectangle of an item of the window's bar or of a popup menu on
// the screen now.
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT item, LPRECT rect);
// The position of the item at a screen point (bar of `hwnd`, or a popup on
// the screen now), -1 for none.
int MenuItemFromPoint(HWND hwnd, HMENU menu, POINT screen_point);

namespace platform {

// Number of menus alive in the process (leak checks in tests).
std::size_t LiveMenuCount();

}  // namespace platform

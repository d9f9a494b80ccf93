// Internal state of menus: the handle table, the menu and item records,
// and copies of them for code that must call out (layout, painting, the
// menu loop). Only platform/user/menu* includes it.
//
// Locking: one mutex guards every menu. It is the innermost lock of the
// window system: code holding it never calls a window function, sends a
// message or takes the window-system lock, so the menu-bar height can be
// asked for while the window system's lock is held.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/types.h"
#include "platform/user/menu.h"

namespace platform::user::menus {

struct MenuItem {
  UINT type = MFT_STRING;  // MFT_* bits
  UINT state = 0;          // MFS_* bits
  UINT id = 0;
  HMENU submenu = nullptr;
  HBITMAP checked_bitmap = nullptr;
  HBITMAP unchecked_bitmap = nullptr;
  HBITMAP bitmap = nullptr;  // MFT_BITMAP's picture, or hbmpItem beside the text
  ULONG_PTR data = 0;
  std::string text;  // label, then an optional tab and the accelerator text
  // Where the item was laid out last: client coordinates of the popup
  // window showing the menu, or window coordinates of the window whose bar
  // it is.
  RECT rect{};
  // Owner-drawn items: the size the owner gave in WM_MEASUREITEM.
  bool measured = false;
  SIZE measured_size{};

  bool IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }
  bool IsOwnerDrawn() const { return (type & MFT_OWNERDRAW) != 0; }
  bool IsBitmap() const { return (type & MFT_BITMAP) != 0; }
  bool IsEnabled() const { return (state & MFS_GRAYED) == 0; }
  bool IsGrayed() const { return (state & MF_GRAYED) != 0; }
  bool IsChecked() const { return (state & MFS_CHECKED) != 0; }
  bool IsHilited() const { return (state & MFS_HILITE) != 0; }
  bool IsDefault() const { return (state & MFS_DEFAULT) != 0; }
  bool IsPopup() const { return submenu != nullptr; }
};

struct Menu {
  HMENU handle = nullptr;
  bool popup = false;     // made by CreatePopupMenu
  bool system = false;    // a window's copy of the system menu
  HWND window = nullptr;  // the "#32768" window showing it now
  int open_item = -1;     // the item whose sub-menu is shown now
  std::vector<MenuItem> items;
};

// A copy of a menu taken under the lock.
using MenuView = Menu;

// Where an item is: its menu and its position there.
struct ItemRef {
  HMENU menu = nullptr;
  int position = -1;
};

// ---- Lock-free entry points (each takes the menu lock itself) ----

// A copy of the menu, or nothing when the handle is not a menu.
std::optional<MenuView> View(HMENU menu);
// Finds an item by position or by command (searching sub-menus, deepest
// first match in item order). Sets no error.
std::optional<ItemRef> Locate(HMENU menu, UINT item, bool by_position);
// Stores the laid-out rectangles of every item (size must match).
void StoreItemRects(HMENU menu, const std::vector<RECT>& rects);
void StoreMeasuredSize(HMENU menu, int position, SIZE size);
// Highlights one item (clearing MFS_HILITE on the others); -1 clears all.
void SetHilite(HMENU menu, int position);
void SetShownIn(HMENU menu, HWND window);
void SetOpenItem(HMENU menu, int position);
// Marks a menu as a window's system menu.
void MarkSystem(HMENU menu);
// Destroys the system-menu copies of windows that are gone (menu_system.cpp).
void ForgetSystemMenusOfDeadWindows();

// The label of an item's text (before a tab) and its accelerator text
// (after it).
std::string LabelOf(const std::string& text);
std::string AcceleratorOf(const std::string& text);
// The upper-case letter marked with "&" in a label, 0 for none.
char MnemonicOf(const std::string& text);

}  // namespace platform::user::menus

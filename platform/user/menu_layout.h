// Where menu items go and how they look, in the classic style: popup menus
// with a raised 3-D frame, a check-mark column, the label, the accelerator
// text in a column of its own and the sub-menu arrow; menu bars with rows
// of SM_CYMENU pixels. Owner-drawn items are measured with WM_MEASUREITEM
// and drawn with WM_DRAWITEM (ODT_MENU), sent to the menu's owner window.
#pragma once

#include <vector>

#include "platform/core/types.h"
#include "platform/user/menu_data.h"

namespace platform::user::menus {

// Frame of a popup menu window on each side.
constexpr int kPopupFrame = 3;

// ---- Popup menus ----

// Lays the items of `menu` out for a popup window (client coordinates),
// asking `owner` to measure owner-drawn items, and stores the rectangles
// in the items. Returns the window size.
SIZE LayoutPopup(HWND owner, HMENU menu);
// Paints a popup menu's frame and items on `dc` (the popup's client area).
void PaintPopup(HWND owner, HMENU menu, HDC dc, const RECT& client);

// ---- Menu bars ----

// Height of the bar at this width (rows of SM_CYMENU). Calls nothing
// outside the menu table (safe under the window-system lock); owner-drawn
// items count with their last measured size.
int BarHeight(HMENU menu, int bar_width);
// Lays the bar out in `bar` (window coordinates) and stores the item
// rectangles.
void LayoutBar(HMENU menu, const RECT& bar);
// Asks `owner` to measure the bar's owner-drawn items.
void MeasureBarItems(HWND owner, HMENU menu);
// Paints the bar at `bar` (window coordinates) on a window DC.
void PaintBar(HWND owner, HMENU menu, HDC dc, const RECT& bar);

// ---- Items ----

// The MF_* flags WM_MENUSELECT reports for an item.
UINT SelectFlags(const MenuItem& item);

}  // namespace platform::user::menus

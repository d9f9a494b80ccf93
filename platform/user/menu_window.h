// The popup menu window ("#32768"), internal to the menu code.
#pragma once

#include "platform/core/types.h"

namespace platform::user::menus {

// A hidden popup window for `menu` at `screen_rect`, owned by the top-level
// window of `owner`, which is also the window asked to draw owner-drawn
// items.
HWND CreateMenuWindow(HWND owner, HMENU menu, const RECT& screen_rect);
// The menu a "#32768" window shows.
HMENU MenuOfWindow(HWND hwnd);

}  // namespace platform::user::menus

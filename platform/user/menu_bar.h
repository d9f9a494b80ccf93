// The menu bar in a window's non-client area, internal to the menu code:
// where it is on the screen and repainting it while the menu loop runs.
#pragma once

#include "platform/core/types.h"

namespace platform::user::menus {

// The window's bar on the screen, after laying its items out again (their
// rectangles, in window coordinates, are stored in the menu). False when
// the window shows no bar.
bool BarScreenRect(HWND hwnd, RECT* bar);
// The top-left corner of the window rectangle on the screen.
POINT WindowOrigin(HWND hwnd);
// Where the system menu drops down from: the caption's icon, or the top-left
// corner of the window's client area when it has no icon.
RECT SystemIconScreenRect(HWND hwnd);
// True when the window has a system menu to open (WS_SYSMENU and a caption).
bool HasSystemMenuEntry(HWND hwnd);
// Paints the bar again now (it shows highlights and the open item).
void RedrawBar(HWND hwnd);

}  // namespace platform::user::menus

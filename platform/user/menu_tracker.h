// The menu loop: a modal loop on the calling thread that shows popup menu
// windows, follows the mouse and the keyboard through a menu bar and its
// popups, and ends with a chosen command or none. Internal to the menu
// code; the platform's entry points are TrackPopupMenu(Ex), EndMenu and
// DefWindowProc's SC_MOUSEMENU / SC_KEYMENU (through the menu-bar handler).
#pragma once

#include "platform/core/types.h"

namespace platform::user::menus {

// TrackPopupMenuEx: shows `menu` at (x, y) for `owner`. Returns the chosen
// command (0 for none); false in *started when another loop runs.
UINT TrackPopup(HMENU menu, UINT flags, POINT at, HWND owner, const RECT* exclude, bool* started);

// The menu bar of top-level window `hwnd` (and its system menu) for
// WM_SYSCOMMAND SC_MOUSEMENU or SC_KEYMENU.
void TrackBar(HWND hwnd, WPARAM command, LPARAM lparam);

// Ends the loop running on the calling thread; false when none runs.
bool EndTracking();

// True while a menu loop runs on the calling thread.
bool IsTracking();

}  // namespace platform::user::menus

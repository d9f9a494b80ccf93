// Activation and keyboard focus.
//
// One top-level window is the foreground (active) window; one window has
// the keyboard focus. Activating a window B while A is active sends, in
// this order: WM_NCACTIVATE(FALSE) and WM_ACTIVATE(WA_INACTIVE, B) to A,
// WM_NCACTIVATE(TRUE) and WM_ACTIVATE(WA_ACTIVE or WA_CLICKACTIVE, A) to B.
// DefWindowProc answers WM_ACTIVATE by giving B the focus, which sends
// WM_KILLFOCUS to the old focus window and WM_SETFOCUS to the new one. A
// window that handles WM_ACTIVATE itself and sets no focus leaves none.
//
// When the active window is hidden, minimized or destroyed, activation goes
// to its owner when that is visible and enabled (so closing a modal window
// returns to the window it was modal to, once the owner is enabled again),
// else to the topmost visible, enabled top-level window.
#pragma once

#include "platform/core/types.h"

// The calling thread's active window.
HWND GetActiveWindow();
// Activates the top-level window of `hwnd`; returns the previously active
// window. Disabled windows cannot be activated (null, nothing changes).
HWND SetActiveWindow(HWND hwnd);
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);
// Puts the window on top of its siblings; a top-level window is activated.
BOOL BringWindowToTop(HWND hwnd);
// The last active popup owned by `hwnd` (or `hwnd` itself).
HWND GetLastActivePopup(HWND hwnd);

// The window with the keyboard focus (of the calling thread's windows).
HWND GetFocus();
// Gives `hwnd` the keyboard focus (activating its top-level window first);
// null takes the focus away. Returns the window that had it. A disabled
// window does not take the focus.
HWND SetFocus(HWND hwnd);

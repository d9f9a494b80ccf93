// Window geometry, visibility and the enabled state.
//
// Each window keeps its window rectangle and client rectangle. The client
// rectangle comes from WM_NCCALCSIZE (the default procedure leaves room for
// the classic frame the styles ask for, see nonclient.h). Changes go through
// SetWindowPos: WM_WINDOWPOSCHANGING (which may amend the WINDOWPOS; the
// default keeps sizable top-level windows within WM_GETMINMAXINFO's
// tracking sizes), WM_NCCALCSIZE when the window moved, changed size or
// SWP_FRAMECHANGED was given, then WM_WINDOWPOSCHANGED, whose default
// handling sends WM_MOVE and WM_SIZE when the client area moved or changed
// size. What a change uncovers is invalidated (unless SWP_NOREDRAW), and a
// top-level window shown or put on top without SWP_NOACTIVATE is
// activated.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"
#include "platform/user/window_styles.h"

// Returns whether the window was visible before. Sends WM_SHOWWINDOW when
// the visibility changes. Showing a top-level window activates it (not for
// SW_SHOWNA, SW_SHOWNOACTIVATE, SW_SHOWMINNOACTIVE); hiding or minimizing
// the active window activates the next one (SW_SHOWMINIMIZED keeps it).
// Maximizing asks WM_GETMINMAXINFO (defaults: the work area with the frame
// outside it) and sets WS_MAXIMIZE; minimizing sets WS_MINIMIZE and moves
// the window off the screen (-32000, -32000) with an empty client area;
// restoring goes back to the rectangle the window had before (a window
// minimized from maximized is maximized again). WM_SIZE tells the kind:
// SIZE_MINIMIZED, SIZE_MAXIMIZED or SIZE_RESTORED.
BOOL ShowWindow(HWND hwnd, int command);
// True when the window and all its ancestors have WS_VISIBLE.
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
// Returns whether the window was disabled before; sends WM_ENABLE when the
// state changes. Disabling sends WM_CANCELMODE first and takes the focus and
// the mouse capture from the window and its children. A disabled window
// gets no input and cannot be activated (modal loops disable the owner).
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

// Coordinates are relative to the parent's client area (screen coordinates
// for top-level windows). `insert_after` places the window in its siblings'
// z-order: HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST or a sibling.
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Window rectangle in screen coordinates.
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
// Client rectangle: (0, 0, client width, client height).
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL ClientToScreen(HWND hwnd, LPPOINT point);
BOOL ScreenToClient(HWND hwnd, LPPOINT point);
// Maps points from one window's client coordinates to another's (null:
// screen). Returns the offset: horizontal in the low word, vertical in the
// high word.
int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);

// Where a window is when it is not minimized or maximized, and its state.
constexpr UINT WPF_SETMINPOSITION = 0x0001;
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;
struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;  // SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED (SW_HIDE when hidden)
  POINT ptMinPosition{};
  POINT ptMaxPosition{};
  RECT rcNormalPosition{};  // parent coordinates (screen for top-level windows)
};
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
// Sets the normal rectangle, then shows the window with showCmd.
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);

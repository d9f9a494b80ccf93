// The classic non-client area: frame sizes, the parts of the caption bar,
// and what DefWindowProc does for WM_NCCALCSIZE, WM_NCHITTEST and
// WM_NCPAINT. Everything here follows the window's styles; a window
// procedure (a skin) can answer those messages itself and so replace the
// frame completely.
//
// Sizes (classic look, 96 dots per inch): a sizing frame is 4 pixels
// (SM_CXFRAME), a dialog frame 3 (SM_CXDLGFRAME), a plain border 1; the
// caption bar is 18 pixels plus a 1-pixel line under it (SM_CYCAPTION 19;
// tool windows 14 + 1); caption buttons are 16 x 14; a client edge adds 2
// pixels, a static edge 1; scroll bars are 16 pixels.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"
#include "platform/user/window_styles.h"

// The window rectangle that gives `rect` as client rectangle for a window of
// these styles (and a menu bar when `menu` is TRUE).
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu);
BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style);

namespace platform {

// Where the parts of a window's classic frame lie, in window coordinates
// (0, 0 is the window rectangle's top-left).
struct FrameLayout {
  RECT client{};   // the client area
  int border = 0;  // width of the outer frame on each side
  bool has_caption = false;
  RECT caption{};  // the caption bar (without the line under it)
  bool has_icon = false;
  RECT icon{};  // the system-menu icon
  bool has_close = false, has_minmax = false, has_help = false;
  RECT close{}, maximize{}, minimize{}, help{};
  bool has_menu = false;
  RECT menu{};  // the menu bar
  bool has_vscroll = false, has_hscroll = false;
  RECT vscroll{}, hscroll{};
  RECT edge_outer{};  // the client edge, when the window has one
  int edge = 0;       // its width (2 client edge, 1 static edge)
};

// The classic frame of a window of this size and these styles. `menu_height`
// is the height of its menu bar (0: none). A minimized window has an empty
// client area at its caption's bottom-left.
FrameLayout ComputeFrameLayout(DWORD style, DWORD ex_style, UINT class_style, int width, int height,
                               int menu_height);

// A menu bar for top-level windows with a menu. The menu stage installs
// one; without it windows have no menu bar and DefWindowProc does nothing
// for SC_MOUSEMENU and SC_KEYMENU.
struct MenuBarHandler {
  // Height of the bar for `menu` when the bar is `width` pixels wide (the
  // window's width less its frame on both sides); 0 for no bar. Called
  // with the window system's lock held: it must not call into it.
  int (*height)(HWND hwnd, HMENU menu, int width) = nullptr;
  // Paints the bar into `dc` (a window DC) at `rect` (window coordinates).
  void (*paint)(HWND hwnd, HMENU menu, HDC dc, const RECT& rect) = nullptr;
  // WM_SYSCOMMAND SC_MOUSEMENU (a press on the menu bar or the system-menu
  // icon; the low bits of `command` hold the hit-test code) or SC_KEYMENU
  // (lParam: the character typed with Alt, ' ' for the system menu, 0 for
  // Alt alone or F10).
  void (*track)(HWND hwnd, HMENU menu, WPARAM command, LPARAM lparam) = nullptr;
};
const MenuBarHandler* CurrentMenuBarHandler();
void SetMenuBarHandler(const MenuBarHandler* handler);

// The scroll bars of WS_HSCROLL / WS_VSCROLL windows. The controls stage
// installs a handler that draws them from their scroll information and
// tracks presses on them; without it they are drawn plain and do nothing.
struct ScrollBarHandler {
  // Paints a bar into `dc` (a window DC) at `bar` (window coordinates).
  void (*paint)(HWND hwnd, HDC dc, const RECT& bar, bool vertical) = nullptr;
  // A press of the left button on a bar (screen point); returns when the
  // button is released.
  void (*track)(HWND hwnd, bool vertical, POINT screen_pt) = nullptr;
};
const ScrollBarHandler* CurrentScrollBarHandler();
void SetScrollBarHandler(const ScrollBarHandler* handler);
// Where a window's scroll bar lies, in window coordinates; false when the
// window has no such bar.
bool GetWindowScrollBarRect(HWND hwnd, bool vertical, RECT* rect);

}  // namespace platform

// Scroll bars: the "SCROLLBAR" control and the scroll bars of windows with
// WS_HSCROLL / WS_VSCROLL, both set through the same calls.
//
// A bar has a range (nMin..nMax), a page size and a position, which stays
// within nMin..nMax - max(nPage - 1, 0). The mouse on a bar sends WM_HSCROLL
// or WM_VSCROLL (low word: an SB_* code; high word: the position for
// SB_THUMBTRACK and SB_THUMBPOSITION): a window's own bars to the window
// (lParam 0), a scroll-bar control to its parent (lParam: the control).
// The bar does not move by itself: whoever receives the message sets the
// new position. Holding an arrow or the track down repeats its code (after
// 400 ms, then every 50 ms on the platform clock) until the thumb reaches
// the mouse; dragging the thumb sends SB_THUMBTRACK with the position under
// the mouse and SB_THUMBPOSITION where it is let go; every press ends with
// SB_ENDSCROLL.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"

// Which bar.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// WM_HSCROLL / WM_VSCROLL codes.
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

// SCROLLINFO.fMask.
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;  // the thumb's place while it is dragged
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// EnableScrollBar arrows.
constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;
constexpr UINT ESB_DISABLE_LEFT = 0x0001;
constexpr UINT ESB_DISABLE_RIGHT = 0x0002;
constexpr UINT ESB_DISABLE_UP = 0x0001;
constexpr UINT ESB_DISABLE_DOWN = 0x0002;
constexpr UINT ESB_DISABLE_LTUP = ESB_DISABLE_LEFT;
constexpr UINT ESB_DISABLE_RTDN = ESB_DISABLE_RIGHT;

// Scroll-bar control styles.
constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;
constexpr DWORD SBS_TOPALIGN = 0x0002;
constexpr DWORD SBS_LEFTALIGN = 0x0002;
constexpr DWORD SBS_BOTTOMALIGN = 0x0004;
constexpr DWORD SBS_RIGHTALIGN = 0x0004;
constexpr DWORD SBS_SIZEBOXTOPLEFTALIGN = 0x0002;
constexpr DWORD SBS_SIZEBOXBOTTOMRIGHTALIGN = 0x0004;
constexpr DWORD SBS_SIZEBOX = 0x0008;
constexpr DWORD SBS_SIZEGRIP = 0x0010;

// Scroll-bar control messages.
constexpr UINT SBM_SETPOS = 0x00E0;  // wParam pos, lParam redraw; old pos
constexpr UINT SBM_GETPOS = 0x00E1;
constexpr UINT SBM_SETRANGE = 0x00E2;  // wParam min, lParam max
constexpr UINT SBM_SETRANGEREDRAW = 0x00E6;
constexpr UINT SBM_GETRANGE = 0x00E3;       // wParam int* min, lParam int* max
constexpr UINT SBM_ENABLE_ARROWS = 0x00E4;  // wParam ESB_*
constexpr UINT SBM_SETSCROLLINFO = 0x00E9;  // wParam redraw, lParam LPSCROLLINFO; new pos
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;  // lParam LPSCROLLINFO

// Returns the new position. With SIF_RANGE or SIF_PAGE a window's own bar
// is hidden when there is nothing to scroll (range smaller than the page)
// and shown again when there is, unless SIF_DISABLENOSCROLL asks that it
// stay and be disabled instead.
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
// Returns the previous position.
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);
// SB_HORZ, SB_VERT or SB_BOTH of a window; SB_CTL shows or hides the control.
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
// FALSE when the arrows were already in that state.
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

// Painting windows: update regions, WM_PAINT, window DCs and window regions.
//
// Each top-level window draws on an image of its own (its surface); child
// windows draw on their top-level window's image, clipped to where they
// show. The display shows those images on the screen.
//
// Invalidation adds to a window's update region (and, unless the window
// has WS_CLIPCHILDREN, to the children under it). A thread gets WM_PAINT
// for a window with a non-empty update region when no sent, posted or
// input message is waiting, before WM_TIMER. BeginPaint sends WM_NCPAINT
// when the frame needs painting and WM_ERASEBKGND when the invalidation
// asked for erasing, hands out a DC clipped to the update region and
// validates the window; EndPaint gives the DC back.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // the background still needs erasing
  RECT rcPaint{};       // bounds of the area to paint, client coordinates
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// `rect` and regions are in client coordinates; a null rectangle means the
// whole client area. A null window invalidates every window.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
// Sends WM_PAINT now to the window (and its children) when it needs it.
BOOL UpdateWindow(HWND hwnd);
// The update region's bounds (client coordinates); FALSE when empty. With
// `erase`, a pending WM_ERASEBKGND is sent now.
BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase);
// Copies the update region (client coordinates) into `region`; returns its
// complexity (NULLREGION, SIMPLEREGION, COMPLEXREGION) or ERROR.
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

// Invalidates or validates `rect` or `region` (client coordinates; with
// RDW_FRAME and neither, the whole window), then with RDW_UPDATENOW paints
// now and with RDW_ERASENOW sends the pending WM_NCPAINT and WM_ERASEBKGND
// now. Children take part with RDW_ALLCHILDREN, not with RDW_NOCHILDREN,
// and otherwise unless the window has WS_CLIPCHILDREN.
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

// DCs on windows. GetDC: the client area; GetWindowDC: the whole window,
// origin at the window's top-left; GetDC(0): the screen. Every such DC goes
// back with ReleaseDC (a CS_OWNDC window keeps its DC and its settings).
// A hidden window's DC draws nowhere.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_EXCLUDEUPDATE = 0x00000100;
constexpr DWORD DCX_INTERSECTUPDATE = 0x00000200;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;
// GetDCEx: DCX_WINDOW for the whole window; DCX_INTERSECTRGN /
// DCX_EXCLUDERGN clip further by `clip` (screen coordinates, as the region
// of WM_NCPAINT); DCX_CACHE takes a common DC even for a CS_OWNDC window.
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
// 1 when the DC was a window DC and is given back, 0 otherwise.
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);

// Shapes the window: only the pixels in `region` (window coordinates) show
// and take the mouse. The system owns the region afterwards (the handle is
// deleted). A null region makes the window rectangular again. With
// `redraw`, the window is repainted.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// Copies the window region into `region`; ERROR (0) when the window has none.
int GetWindowRgn(HWND hwnd, HRGN region);

constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;
constexpr UINT SW_SMOOTHSCROLL = 0x0010;
// Moves the pixels of the client area (or `scroll`, clipped to `clip`) by
// (dx, dy) and reports the uncovered area in `update` / `update_rect`;
// SW_INVALIDATE adds it to the update region (SW_ERASE: with erasing),
// SW_SCROLLCHILDREN moves the child windows too. Returns the uncovered
// area's complexity.
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   LPRECT update_rect, UINT flags);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip);

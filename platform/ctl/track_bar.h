// The "msctls_trackbar32" class: a thumb that slides along a channel over
// a range of positions, with tick marks.
//
// The user moves it with the mouse (dragging the thumb; a press beside it
// pages toward the press and repeats while held) and with the keys
// (arrows: a line, Page Up/Down: a page, Home/End: the ends). Each move
// sends the parent WM_HSCROLL (WM_VSCROLL with TBS_VERT) with a TB_* code,
// the position in the high word for TB_THUMBTRACK and TB_THUMBPOSITION, and
// the control as lParam, after the position changed; the end of a press
// or a key sends TB_ENDTRACK. Changes made with messages send nothing.
#pragma once

#include "platform/core/types.h"
#include "platform/ctl/common_controls.h"

constexpr DWORD TBS_AUTOTICKS = 0x0001;
constexpr DWORD TBS_VERT = 0x0002;
constexpr DWORD TBS_HORZ = 0x0000;
constexpr DWORD TBS_TOP = 0x0004;
constexpr DWORD TBS_BOTTOM = 0x0000;
constexpr DWORD TBS_LEFT = 0x0004;
constexpr DWORD TBS_RIGHT = 0x0000;
constexpr DWORD TBS_BOTH = 0x0008;
constexpr DWORD TBS_NOTICKS = 0x0010;
constexpr DWORD TBS_ENABLESELRANGE = 0x0020;
constexpr DWORD TBS_FIXEDLENGTH = 0x0040;
constexpr DWORD TBS_NOTHUMB = 0x0080;
constexpr DWORD TBS_TOOLTIPS = 0x0100;
constexpr DWORD TBS_REVERSED = 0x0200;
constexpr DWORD TBS_DOWNISLEFT = 0x0400;

// The range starts 0..100, the line 1, the page 20, a tick every position.
constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_GETTIC = WM_USER + 3;       // wParam index of a set tick; its position
constexpr UINT TBM_SETTIC = WM_USER + 4;       // lParam position
constexpr UINT TBM_SETPOS = WM_USER + 5;       // wParam redraw, lParam position
constexpr UINT TBM_SETRANGE = WM_USER + 6;     // wParam redraw, lParam MAKELONG(min, max)
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;  // wParam redraw, lParam min
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;  // wParam redraw, lParam max
constexpr UINT TBM_CLEARTICS = WM_USER + 9;
constexpr UINT TBM_SETSEL = WM_USER + 10;  // wParam redraw, lParam MAKELONG(start, end)
constexpr UINT TBM_SETSELSTART = WM_USER + 11;
constexpr UINT TBM_SETSELEND = WM_USER + 12;
constexpr UINT TBM_GETPTICS = WM_USER + 14;
constexpr UINT TBM_GETTICPOS = WM_USER + 15;  // wParam index; the tick's client x (or y)
constexpr UINT TBM_GETNUMTICS = WM_USER + 16;
constexpr UINT TBM_GETSELSTART = WM_USER + 17;
constexpr UINT TBM_GETSELEND = WM_USER + 18;
constexpr UINT TBM_CLEARSEL = WM_USER + 19;
constexpr UINT TBM_SETTICFREQ = WM_USER + 20;
constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;  // lParam size; the old one
constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
constexpr UINT TBM_SETLINESIZE = WM_USER + 23;  // lParam size; the old one
constexpr UINT TBM_GETLINESIZE = WM_USER + 24;
constexpr UINT TBM_GETTHUMBRECT = WM_USER + 25;  // lParam RECT*
constexpr UINT TBM_GETCHANNELRECT = WM_USER + 26;
constexpr UINT TBM_SETTHUMBLENGTH = WM_USER + 27;
constexpr UINT TBM_GETTHUMBLENGTH = WM_USER + 28;
constexpr UINT TBM_SETTOOLTIPS = WM_USER + 29;
constexpr UINT TBM_GETTOOLTIPS = WM_USER + 30;
constexpr UINT TBM_SETTIPSIDE = WM_USER + 31;
constexpr UINT TBM_SETBUDDY = WM_USER + 32;
constexpr UINT TBM_GETBUDDY = WM_USER + 33;

// Low word of the WM_HSCROLL / WM_VSCROLL of a track bar.
constexpr WORD TB_LINEUP = 0;
constexpr WORD TB_LINEDOWN = 1;
constexpr WORD TB_PAGEUP = 2;
constexpr WORD TB_PAGEDOWN = 3;
constexpr WORD TB_THUMBPOSITION = 4;
constexpr WORD TB_THUMBTRACK = 5;
constexpr WORD TB_TOP = 6;
constexpr WORD TB_BOTTOM = 7;
constexpr WORD TB_ENDTRACK = 8;

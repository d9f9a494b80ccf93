// The "msctls_progress32" class: a bar that fills from its low to its high
// value, in blocks or smoothly (PBS_SMOOTH), left to right or bottom to
// top (PBS_VERTICAL). Sends no notifications.
#pragma once

#include "platform/core/types.h"
#include "platform/ctl/common_controls.h"

constexpr DWORD PBS_SMOOTH = 0x01;
constexpr DWORD PBS_VERTICAL = 0x04;
constexpr DWORD PBS_MARQUEE = 0x08;

// The range starts 0..100, the step 10.
constexpr UINT PBM_SETRANGE = WM_USER + 1;    // lParam MAKELPARAM(low, high); the old range
constexpr UINT PBM_SETPOS = WM_USER + 2;      // wParam position; the old position
constexpr UINT PBM_DELTAPOS = WM_USER + 3;    // wParam increment; the old position
constexpr UINT PBM_SETSTEP = WM_USER + 4;     // wParam step; the old step
constexpr UINT PBM_STEPIT = WM_USER + 5;      // past the high end starts again at the low end
constexpr UINT PBM_SETRANGE32 = WM_USER + 6;  // wParam low, lParam high
constexpr UINT PBM_GETRANGE = WM_USER + 7;    // wParam TRUE: low; lParam PBRANGE* or null
constexpr UINT PBM_GETPOS = WM_USER + 8;
constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;  // lParam COLORREF (CLR_DEFAULT: the highlight)
constexpr UINT PBM_SETBKCOLOR = CCM_SETBKCOLOR;
constexpr UINT PBM_SETMARQUEE = WM_USER + 10;
constexpr UINT PBM_GETSTEP = WM_USER + 13;
constexpr UINT PBM_GETBKCOLOR = WM_USER + 14;
constexpr UINT PBM_GETBARCOLOR = WM_USER + 15;
constexpr UINT PBM_SETSTATE = WM_USER + 16;
constexpr UINT PBM_GETSTATE = WM_USER + 17;

constexpr WPARAM PBST_NORMAL = 0x0001;
constexpr WPARAM PBST_ERROR = 0x0002;
constexpr WPARAM PBST_PAUSED = 0x0003;

struct PBRANGE {
  int iLow = 0;
  int iHigh = 0;
};

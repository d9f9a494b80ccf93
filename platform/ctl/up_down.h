// The "msctls_updown32" class: a pair of arrow buttons that step a
// position, often shown against a "buddy" window (an edit field) that
// displays it.
//
// A press on an arrow (or Up/Down on the focused control or, with
// UDS_ARROWKEYS, its buddy) first asks the parent with UDN_DELTAPOS (a
// non-zero answer refuses the step), then moves the position (clamped to
// the range, or round it with UDS_WRAP), writes it into the buddy with
// UDS_SETBUDDYINT, and sends the parent WM_VSCROLL (WM_HSCROLL with
// UDS_HORZ) with SB_THUMBPOSITION and the position; letting go sends
// SB_ENDSCROLL. Held down, the arrow repeats on the platform clock, in
// steps that grow with the time held (UDM_SETACCEL). The up arrow (the
// right one of a horizontal control) steps toward the range's upper end.
#pragma once

#include "platform/core/types.h"
#include "platform/ctl/common_controls.h"

constexpr DWORD UDS_WRAP = 0x0001;
constexpr DWORD UDS_SETBUDDYINT = 0x0002;
constexpr DWORD UDS_ALIGNRIGHT = 0x0004;
constexpr DWORD UDS_ALIGNLEFT = 0x0008;
constexpr DWORD UDS_AUTOBUDDY = 0x0010;
constexpr DWORD UDS_ARROWKEYS = 0x0020;
constexpr DWORD UDS_HORZ = 0x0040;
constexpr DWORD UDS_NOTHOUSANDS = 0x0080;
constexpr DWORD UDS_HOTTRACK = 0x0100;

constexpr int UD_MAXVAL = 0x7FFF;
constexpr int UD_MINVAL = -UD_MAXVAL;

// The range starts as 100 (lower) to 0 (upper).
constexpr UINT UDM_SETRANGE = WM_USER + 101;  // lParam MAKELONG(upper, lower)
constexpr UINT UDM_GETRANGE = WM_USER + 102;  // MAKELONG(upper, lower)
constexpr UINT UDM_SETPOS = WM_USER + 103;    // lParam position; the old one
constexpr UINT UDM_GETPOS = WM_USER + 104;    // MAKELONG(position, error)
constexpr UINT UDM_SETBUDDY = WM_USER + 105;  // wParam the buddy; the old one
constexpr UINT UDM_GETBUDDY = WM_USER + 106;
constexpr UINT UDM_SETACCEL = WM_USER + 107;  // wParam count, lParam UDACCEL*
constexpr UINT UDM_GETACCEL = WM_USER + 108;
constexpr UINT UDM_SETBASE = WM_USER + 109;  // wParam 10 or 16
constexpr UINT UDM_GETBASE = WM_USER + 110;
constexpr UINT UDM_SETRANGE32 = WM_USER + 111;  // wParam lower, lParam upper
constexpr UINT UDM_GETRANGE32 = WM_USER + 112;  // wParam int* lower, lParam int* upper
constexpr UINT UDM_SETPOS32 = WM_USER + 113;
constexpr UINT UDM_GETPOS32 = WM_USER + 114;  // lParam BOOL* error

constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;

// Held for nSec seconds, the arrow steps by nInc.
struct UDACCEL {
  UINT nSec = 0;
  UINT nInc = 0;
};

// UDN_DELTAPOS: the position and the step about to be taken.
struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0;
  int iDelta = 0;
};
using LPNMUPDOWN = NMUPDOWN*;

// The "LISTBOX" class: a scrolling list of text items (or owner-drawn
// items of a fixed height), with single, multiple or extended selection.
//
// Items keep a text and a pointer-sized value. LBS_SORT keeps them in the
// order of their texts, ignoring case (owner-drawn items without strings
// ask the parent with WM_COMPAREITEM). Owner-drawn lists ask the parent for
// the item height once (WM_MEASUREITEM) and have every item drawn with
// WM_DRAWITEM; WM_DELETEITEM tells the parent of removed items that carry a
// value (and of every removed item of an owner-drawn list).
//
// Selection: a click selects the item (LBS_MULTIPLESEL: toggles it;
// LBS_EXTENDEDSEL: Shift+click selects from the anchor, Ctrl+click toggles);
// dragging selects as it goes; the arrows, Page Up/Down, Home and End move
// the selection (Space toggles in multiple-selection lists; Ctrl moves only
// the focus in extended ones); typing selects the next item starting with
// what was typed (letters typed within a second add up). With LBS_NOTIFY
// the parent hears LBN_SELCHANGE for changes made by the user (never for
// changes made with messages) and LBN_DBLCLK; LBN_SETFOCUS and
// LBN_KILLFOCUS always. Colours come from WM_CTLCOLORLISTBOX. WS_EX_RIGHT
// aligns the items' text at the right.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"

constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOREDRAW = 0x0004;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_WANTKEYBOARDINPUT = 0x0400;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
constexpr DWORD LBS_DISABLENOSCROLL = 0x1000;
constexpr DWORD LBS_NODATA = 0x2000;
constexpr DWORD LBS_NOSEL = 0x4000;
constexpr DWORD LBS_COMBOBOX = 0x8000;
constexpr DWORD LBS_STANDARD =
    LBS_NOTIFY | LBS_SORT | 0x00200000 /* WS_VSCROLL */ | 0x00800000 /* WS_BORDER */;

constexpr UINT LB_ADDSTRING = 0x0180;       // lParam text (or the value); the index
constexpr UINT LB_INSERTSTRING = 0x0181;    // wParam index (-1: at the end)
constexpr UINT LB_DELETESTRING = 0x0182;    // the count left
constexpr UINT LB_SELITEMRANGEEX = 0x0183;  // wParam first, lParam last
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;     // wParam select, lParam index (-1: all)
constexpr UINT LB_SETCURSEL = 0x0186;  // wParam index (-1: none)
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;  // wParam index, lParam buffer
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;  // wParam start after (-1: all), lParam prefix
constexpr UINT LB_DIR = 0x018D;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;  // wParam start after (-1: all), lParam prefix
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;  // wParam room, lParam int*
constexpr UINT LB_SETTABSTOPS = 0x0192;
constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
constexpr UINT LB_SETHORIZONTALEXTENT = 0x0194;
constexpr UINT LB_SETCOLUMNWIDTH = 0x0195;
constexpr UINT LB_ADDFILE = 0x0196;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMRECT = 0x0198;  // wParam index, lParam RECT*
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SELITEMRANGE = 0x019B;  // wParam select, lParam MAKELPARAM(first, last)
constexpr UINT LB_SETANCHORINDEX = 0x019C;
constexpr UINT LB_GETANCHORINDEX = 0x019D;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;  // lParam height
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr UINT LB_SETLOCALE = 0x01A5;
constexpr UINT LB_GETLOCALE = 0x01A6;
constexpr UINT LB_SETCOUNT = 0x01A7;
constexpr UINT LB_INITSTORAGE = 0x01A8;
constexpr UINT LB_ITEMFROMPOINT = 0x01A9;  // lParam MAKELPARAM(x, y); MAKELONG(index, outside)

constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;

constexpr WORD LBN_ERRSPACE = static_cast<WORD>(-2);
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD LBN_SELCANCEL = 3;
constexpr WORD LBN_SETFOCUS = 4;
constexpr WORD LBN_KILLFOCUS = 5;

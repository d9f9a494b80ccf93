// The "EDIT" class: single-line and multi-line text fields.
//
// Text is UTF-8. Positions (EM_GETSEL, EM_SETSEL, EM_LINEINDEX...) are byte
// offsets into the text, as GetWindowText returns it; the caret always
// moves by whole characters, and a position inside a character is taken
// as the start of that character. Lines of a multi-line field end with
// CR LF (a lone CR or LF also ends a line); without ES_AUTOHSCROLL (and
// WS_HSCROLL) long lines wrap at word boundaries, and line numbers count
// the lines as shown.
//
// Notifications (WM_COMMAND to the parent): EN_UPDATE before and EN_CHANGE
// after the text changes by the user, EM_REPLACESEL, WM_SETTEXT (not for
// multi-line fields), cut, paste, clear or undo; EN_MAXTEXT when an
// insertion was cut short by the limit; EN_SETFOCUS, EN_KILLFOCUS,
// EN_HSCROLL, EN_VSCROLL. Colours come from WM_CTLCOLOREDIT, or
// WM_CTLCOLORSTATIC for a read-only or disabled field.
//
// Keys: arrows, Home, End, Page Up/Down (Ctrl: by word, to the ends),
// Shift extends the selection; Backspace, Delete; Ctrl+C/X/V/Z/A and
// Ctrl+Insert, Shift+Insert, Shift+Delete. Mouse: a click places the caret,
// Shift+click and dragging select, a double click selects a word.
// WS_EX_RIGHT aligns the text of a field whose style aligns it left at the
// right (right-to-left alignment).
//
// Undo keeps the last change (typing in a row is one change) and undoing
// twice brings it back.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"

constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_UPPERCASE = 0x0008;
constexpr DWORD ES_LOWERCASE = 0x0010;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_OEMCONVERT = 0x0400;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;

constexpr UINT EM_GETSEL = 0x00B0;  // wParam DWORD* start, lParam DWORD* end
constexpr UINT EM_SETSEL = 0x00B1;  // wParam start (anchor), lParam end (caret)
constexpr UINT EM_GETRECT = 0x00B2;
constexpr UINT EM_SETRECT = 0x00B3;
constexpr UINT EM_SETRECTNP = 0x00B4;
constexpr UINT EM_SCROLL = 0x00B5;      // wParam SB_LINEUP...; MAKELONG(lines, TRUE)
constexpr UINT EM_LINESCROLL = 0x00B6;  // wParam characters, lParam lines
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;  // wParam line (-1: the caret's)
constexpr UINT EM_SETHANDLE = 0x00BC;
constexpr UINT EM_GETHANDLE = 0x00BD;
constexpr UINT EM_GETTHUMB = 0x00BE;
constexpr UINT EM_LINELENGTH = 0x00C1;  // wParam a position on the line
constexpr UINT EM_REPLACESEL = 0x00C2;  // wParam can undo, lParam text
constexpr UINT EM_GETLINE = 0x00C4;     // wParam line, lParam buffer (first WORD: its size)
constexpr UINT EM_LIMITTEXT = 0x00C5;   // wParam bytes (0: the largest)
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_FMTLINES = 0x00C8;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;  // wParam position (-1: the selection's)
constexpr UINT EM_SETTABSTOPS = 0x00CB;
constexpr UINT EM_SETPASSWORDCHAR = 0x00CC;  // wParam character (0: none)
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_SETREADONLY = 0x00CF;  // wParam TRUE / FALSE
constexpr UINT EM_SETWORDBREAKPROC = 0x00D0;
constexpr UINT EM_GETWORDBREAKPROC = 0x00D1;
constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
constexpr UINT EM_SETMARGINS = 0x00D3;  // wParam EC_*, lParam MAKELONG(left, right)
constexpr UINT EM_GETMARGINS = 0x00D4;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT EM_POSFROMCHAR = 0x00D6;  // wParam position; MAKELONG(x, y) or -1
constexpr UINT EM_CHARFROMPOS = 0x00D7;  // lParam MAKELPARAM(x, y); MAKELONG(position, line)

constexpr WPARAM EC_LEFTMARGIN = 0x0001;
constexpr WPARAM EC_RIGHTMARGIN = 0x0002;
constexpr WORD EC_USEFONTINFO = 0xFFFF;

constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD EN_UPDATE = 0x0400;
constexpr WORD EN_ERRSPACE = 0x0500;
constexpr WORD EN_MAXTEXT = 0x0501;
constexpr WORD EN_HSCROLL = 0x0601;
constexpr WORD EN_VSCROLL = 0x0602;

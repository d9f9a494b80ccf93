// The "COMBOBOX" class: a selection field with a list, either always shown
// under it (CBS_SIMPLE) or dropped down as a top-level popup window of the
// class "ComboLBox" (CBS_DROPDOWN with an edit field, CBS_DROPDOWNLIST
// without one).
//
// The height a drop-down combo box is given (at creation or later) is the
// height of the field and its dropped list together; the window keeps the
// field's height. The list drops down under the field (above it when the
// screen has no room below), as wide as the field or CB_SETDROPPEDWIDTH,
// and as tall as its items up to that height.
//
// Mouse: a press on the field (on the arrow button, with an edit field)
// drops the list down or closes it; in the dropped list the item under the
// mouse is highlighted, a click chooses it, and a press outside the list
// closes it without choosing. Keys: F4, Alt+Down and Alt+Up drop the list
// down and close it; in the dropped list the arrows move through it, Enter
// chooses and Esc closes; with the list closed, the arrows (and Home, End,
// Page Up/Down in a field without edit) change the selection, and typing
// into a field without edit selects the next item starting with it.
//
// Notifications (WM_COMMAND to the parent): CBN_DROPDOWN before the list
// shows, CBN_SELCHANGE when the user changed the selection (by keys at
// once, by the mouse when the list closes on a choice), CBN_SELENDOK or
// CBN_SELENDCANCEL and CBN_CLOSEUP when the list closes, CBN_EDITUPDATE and
// CBN_EDITCHANGE when the user changed the edit field's text, CBN_DBLCLK
// (CBS_SIMPLE), CBN_SETFOCUS and CBN_KILLFOCUS. Owner-drawn combo boxes ask
// the parent for the field's height (WM_MEASUREITEM with itemID -1) and
// the items' height (itemID 0), and have the field (ODS_COMBOBOXEDIT) and
// the items drawn through WM_DRAWITEM with the combo box as hwndItem.
//
// The field has a sunken edge, or a flat one-pixel frame when the box is
// made with WS_BORDER (which the box takes off its own frame). Right to
// left: WS_EX_LEFTSCROLLBAR puts the arrow button at the left, WS_EX_RIGHT
// aligns the field's text and the list's items at the right; the edit
// field and the list get the box's right-to-left styles.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"

constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD CBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
constexpr DWORD CBS_OEMCONVERT = 0x0080;
constexpr DWORD CBS_SORT = 0x0100;
constexpr DWORD CBS_HASSTRINGS = 0x0200;
constexpr DWORD CBS_NOINTEGRALHEIGHT = 0x0400;
constexpr DWORD CBS_DISABLENOSCROLL = 0x0800;
constexpr DWORD CBS_UPPERCASE = 0x2000;
constexpr DWORD CBS_LOWERCASE = 0x4000;

constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_LIMITTEXT = 0x0141;
constexpr UINT CB_SETEDITSEL = 0x0142;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_DIR = 0x0145;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
constexpr UINT CB_SETITEMHEIGHT = 0x0153;  // wParam -1: the field, 0: the items
constexpr UINT CB_GETITEMHEIGHT = 0x0154;
constexpr UINT CB_SETEXTENDEDUI = 0x0155;
constexpr UINT CB_GETEXTENDEDUI = 0x0156;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT CB_SETLOCALE = 0x0159;
constexpr UINT CB_GETLOCALE = 0x015A;
constexpr UINT CB_GETTOPINDEX = 0x015B;
constexpr UINT CB_SETTOPINDEX = 0x015C;
constexpr UINT CB_GETHORIZONTALEXTENT = 0x015D;
constexpr UINT CB_SETHORIZONTALEXTENT = 0x015E;
constexpr UINT CB_GETDROPPEDWIDTH = 0x015F;
constexpr UINT CB_SETDROPPEDWIDTH = 0x0160;
constexpr UINT CB_INITSTORAGE = 0x0161;
constexpr UINT CB_GETCOMBOBOXINFO = 0x0164;

constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;

constexpr WORD CBN_ERRSPACE = static_cast<WORD>(-1);
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DBLCLK = 2;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_EDITCHANGE = 5;
constexpr WORD CBN_EDITUPDATE = 6;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;

// CB_GETCOMBOBOXINFO.
constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x00008000;
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
struct COMBOBOXINFO {
  DWORD cbSize = sizeof(COMBOBOXINFO);
  RECT rcItem{};
  RECT rcButton{};
  DWORD stateButton = 0;
  HWND hwndCombo = nullptr;
  HWND hwndItem = nullptr;  // the edit field, or the combo box itself
  HWND hwndList = nullptr;
};
BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info);

// The id of the edit field inside a combo box.
constexpr int kComboEditId = 1001;

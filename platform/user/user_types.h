// Types of the window system: procedure pointers, the message record, window
// class records and the structures that window messages point to. Field
// order follows the platform's documented layouts.
#pragma once

#include <cstdint>

#include "platform/core/errors.h"
#include "platform/core/types.h"

using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
using TIMERPROC = void (*)(HWND window, UINT message, UINT_PTR timer_id, DWORD tick_count);
using WNDENUMPROC = BOOL (*)(HWND window, LPARAM lparam);

// An integer atom passed where a class or property name is expected.
inline LPCSTR MAKEINTATOM(ATOM atom) {
  return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(atom));
}

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};
using LPMSG = MSG*;

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCSTR lpszMenuName = nullptr;
  LPCSTR lpszClassName = nullptr;
};

struct WNDCLASSEX {
  UINT cbSize = sizeof(WNDCLASSEX);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCSTR lpszMenuName = nullptr;
  LPCSTR lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

// lParam of WM_NCCREATE and WM_CREATE.
struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  LPCSTR lpszName = nullptr;
  LPCSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;

// lParam of WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED. Coordinates are
// relative to the parent's client area (screen coordinates for top-level
// windows).
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};
using LPWINDOWPOS = WINDOWPOS*;

// lParam of WM_NCCALCSIZE when wParam is TRUE: rgrc[0] holds the new window
// rectangle on entry and the new client rectangle on return; rgrc[1] the
// window rectangle before the change; rgrc[2] the client rectangle before.
struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

// lParam of WM_GETMINMAXINFO.
struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

// lParam of WM_STYLECHANGING and WM_STYLECHANGED.
struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

// ---------------------------------------------------------------------------
// Owner-drawn menu items and controls: WM_MEASUREITEM, WM_DRAWITEM,
// WM_DELETEITEM and WM_COMPAREITEM point to these.
// ---------------------------------------------------------------------------
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;

// DRAWITEMSTRUCT::itemAction.
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;

// DRAWITEMSTRUCT::itemState.
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_GRAYED = 0x0002;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_CHECKED = 0x0008;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_DEFAULT = 0x0020;
constexpr UINT ODS_HOTLIGHT = 0x0040;
constexpr UINT ODS_INACTIVE = 0x0080;
constexpr UINT ODS_NOACCEL = 0x0100;
constexpr UINT ODS_NOFOCUSRECT = 0x0200;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  ULONG_PTR itemData = 0;
};
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

// For a menu item, hwndItem holds the menu's handle.
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem{};
  ULONG_PTR itemData = 0;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

struct DELETEITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  HWND hwndItem = nullptr;
  ULONG_PTR itemData = 0;
};
using LPDELETEITEMSTRUCT = DELETEITEMSTRUCT*;

struct COMPAREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  HWND hwndItem = nullptr;
  UINT itemID1 = 0;
  ULONG_PTR itemData1 = 0;
  UINT itemID2 = 0;
  ULONG_PTR itemData2 = 0;
  DWORD dwLocaleId = 0;
};
using LPCOMPAREITEMSTRUCT = COMPAREITEMSTRUCT*;

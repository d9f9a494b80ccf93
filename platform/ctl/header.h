// The header control ("SysHeader32"): a row of column buttons with
// dividers that the user drags to size the columns. The list view keeps one
// above its report view; it can stand alone as well.
#pragma once

#include "platform/core/types.h"
#include "platform/ctl/common_controls.h"
#include "platform/ctl/imagelist.h"
#include "platform/user/message_queue.h"
#include "platform/user/user_types.h"

inline constexpr char WC_HEADER[] = "SysHeader32";

// Owner-drawn header items (HDF_OWNERDRAW): DRAWITEMSTRUCT::CtlType.
constexpr UINT ODT_HEADER = 100;

// Styles.
constexpr DWORD HDS_HORZ = 0x0000;
constexpr DWORD HDS_BUTTONS = 0x0002;  // items are buttons: clicks notify
constexpr DWORD HDS_HOTTRACK = 0x0004;
constexpr DWORD HDS_HIDDEN = 0x0008;  // HDM_LAYOUT gives the header no height
constexpr DWORD HDS_DRAGDROP = 0x0040;
constexpr DWORD HDS_FULLDRAG = 0x0080;
constexpr DWORD HDS_FILTERBAR = 0x0100;
constexpr DWORD HDS_FLAT = 0x0200;

// Messages.
constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
constexpr UINT HDM_INSERTITEMA = HDM_FIRST + 1;
constexpr UINT HDM_INSERTITEM = HDM_INSERTITEMA;
constexpr UINT HDM_DELETEITEM = HDM_FIRST + 2;
constexpr UINT HDM_GETITEMA = HDM_FIRST + 3;
constexpr UINT HDM_GETITEM = HDM_GETITEMA;
constexpr UINT HDM_SETITEMA = HDM_FIRST + 4;
constexpr UINT HDM_SETITEM = HDM_SETITEMA;
constexpr UINT HDM_LAYOUT = HDM_FIRST + 5;
constexpr UINT HDM_HITTEST = HDM_FIRST + 6;
constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;
constexpr UINT HDM_SETIMAGELIST = HDM_FIRST + 8;
constexpr UINT HDM_GETIMAGELIST = HDM_FIRST + 9;
constexpr UINT HDM_ORDERTOINDEX = HDM_FIRST + 15;
constexpr UINT HDM_GETORDERARRAY = HDM_FIRST + 17;
constexpr UINT HDM_SETORDERARRAY = HDM_FIRST + 18;
constexpr UINT HDM_SETHOTDIVIDER = HDM_FIRST + 19;
constexpr UINT HDM_SETBITMAPMARGIN = HDM_FIRST + 20;
constexpr UINT HDM_GETBITMAPMARGIN = HDM_FIRST + 21;
// The filter bar: lParam the time-out in milliseconds (1000 at first),
// returns the old one; start editing filter wParam; clear filter wParam
// (-1: all).
constexpr UINT HDM_SETFILTERCHANGETIMEOUT = HDM_FIRST + 22;
constexpr UINT HDM_EDITFILTER = HDM_FIRST + 23;
constexpr UINT HDM_CLEARFILTER = HDM_FIRST + 24;

// HDITEM::mask
constexpr UINT HDI_WIDTH = 0x0001;
constexpr UINT HDI_HEIGHT = HDI_WIDTH;
constexpr UINT HDI_TEXT = 0x0002;
constexpr UINT HDI_FORMAT = 0x0004;
constexpr UINT HDI_LPARAM = 0x0008;
constexpr UINT HDI_BITMAP = 0x0010;
constexpr UINT HDI_IMAGE = 0x0020;
constexpr UINT HDI_DI_SETITEM = 0x0040;
constexpr UINT HDI_ORDER = 0x0080;

// HDITEM::fmt
constexpr int HDF_LEFT = 0x0000;
constexpr int HDF_RIGHT = 0x0001;
constexpr int HDF_CENTER = 0x0002;
constexpr int HDF_JUSTIFYMASK = 0x0003;
constexpr int HDF_RTLREADING = 0x0004;
constexpr int HDF_SORTDOWN = 0x0200;
constexpr int HDF_SORTUP = 0x0400;
constexpr int HDF_IMAGE = 0x0800;
constexpr int HDF_BITMAP_ON_RIGHT = 0x1000;
constexpr int HDF_BITMAP = 0x2000;
constexpr int HDF_STRING = 0x4000;
constexpr int HDF_OWNERDRAW = 0x8000;

struct HDITEM {
  UINT mask = 0;
  int cxy = 0;  // width
  LPSTR pszText = nullptr;
  HBITMAP hbm = nullptr;
  int cchTextMax = 0;
  int fmt = 0;
  LPARAM lParam = 0;
  int iImage = 0;
  int iOrder = 0;
  UINT type = 0;             // HDI_FILTER: HDFT_ISSTRING
  void* pvFilter = nullptr;  // HDI_FILTER: an HDTEXTFILTER
};
using HDITEMA = HDITEM;

// The filter of an item (HDI_FILTER with HDFT_ISSTRING).
constexpr UINT HDI_FILTER = 0x0100;
constexpr UINT HDFT_ISSTRING = 0x0000;
struct HDTEXTFILTER {
  LPSTR pszText = nullptr;
  int cchTextMax = 0;
};
using LPHDITEM = HDITEM*;

// HDM_LAYOUT: given the rectangle the header may take (prc), answers the
// header's place (pwpos) and leaves in prc what remains below it.
struct HDLAYOUT {
  RECT* prc = nullptr;
  WINDOWPOS* pwpos = nullptr;
};

constexpr UINT HHT_NOWHERE = 0x0001;
constexpr UINT HHT_ONHEADER = 0x0002;
constexpr UINT HHT_ONDIVIDER = 0x0004;
constexpr UINT HHT_ONDIVOPEN = 0x0008;
constexpr UINT HHT_ABOVE = 0x0100;
constexpr UINT HHT_BELOW = 0x0200;
constexpr UINT HHT_TORIGHT = 0x0400;
constexpr UINT HHT_TOLEFT = 0x0800;

struct HDHITTESTINFO {
  POINT pt;
  UINT flags = 0;
  int iItem = -1;
};

// Notifications (WM_NOTIFY to the parent).
constexpr UINT HDN_ITEMCHANGINGA = HDN_FIRST - 0;
constexpr UINT HDN_ITEMCHANGING = HDN_ITEMCHANGINGA;
constexpr UINT HDN_ITEMCHANGEDA = HDN_FIRST - 1;
constexpr UINT HDN_ITEMCHANGED = HDN_ITEMCHANGEDA;
constexpr UINT HDN_ITEMCLICKA = HDN_FIRST - 2;
constexpr UINT HDN_ITEMCLICK = HDN_ITEMCLICKA;
constexpr UINT HDN_ITEMDBLCLICKA = HDN_FIRST - 3;
constexpr UINT HDN_ITEMDBLCLICK = HDN_ITEMDBLCLICKA;
constexpr UINT HDN_DIVIDERDBLCLICKA = HDN_FIRST - 5;
constexpr UINT HDN_DIVIDERDBLCLICK = HDN_DIVIDERDBLCLICKA;
constexpr UINT HDN_BEGINTRACKA = HDN_FIRST - 6;
constexpr UINT HDN_BEGINTRACK = HDN_BEGINTRACKA;
constexpr UINT HDN_ENDTRACKA = HDN_FIRST - 7;
constexpr UINT HDN_ENDTRACK = HDN_ENDTRACKA;
constexpr UINT HDN_TRACKA = HDN_FIRST - 8;
constexpr UINT HDN_TRACK = HDN_TRACKA;
constexpr UINT HDN_BEGINDRAG = HDN_FIRST - 10;
constexpr UINT HDN_ENDDRAG = HDN_FIRST - 11;
// With HDS_FILTERBAR: a filter's text changed (iItem -1: every filter was
// cleared), after the filter-change time-out; the filter button was
// clicked (NMHDFILTERBTNCLICK; a non-zero answer redraws the filters).
constexpr UINT HDN_FILTERCHANGE = HDN_FIRST - 12;
constexpr UINT HDN_FILTERBTNCLICK = HDN_FIRST - 13;

struct NMHDFILTERBTNCLICK {
  NMHDR hdr;
  int iItem = -1;
  RECT rc{};
};

// lParam of the HDN_* notifications. iButton: 0 left, 1 right, 2 middle.
// pitem (may be null) describes the change; for the track notifications
// it holds the new width (HDI_WIDTH).
struct NMHEADER {
  NMHDR hdr;
  int iItem = -1;
  int iButton = 0;
  HDITEM* pitem = nullptr;
};
using NMHEADERA = NMHEADER;
using LPNMHEADER = NMHEADER*;

// Wrappers of the messages.
inline int Header_GetItemCount(HWND hwnd) {
  return static_cast<int>(SendMessage(hwnd, HDM_GETITEMCOUNT, 0, 0));
}
inline int Header_InsertItem(HWND hwnd, int index, const HDITEM* item) {
  return static_cast<int>(SendMessage(hwnd, HDM_INSERTITEM, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(item)));
}
inline BOOL Header_DeleteItem(HWND hwnd, int index) {
  return static_cast<BOOL>(SendMessage(hwnd, HDM_DELETEITEM, static_cast<WPARAM>(index), 0));
}
inline BOOL Header_GetItem(HWND hwnd, int index, HDITEM* item) {
  return static_cast<BOOL>(
      SendMessage(hwnd, HDM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
}
inline BOOL Header_SetItem(HWND hwnd, int index, const HDITEM* item) {
  return static_cast<BOOL>(
      SendMessage(hwnd, HDM_SETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
}
inline BOOL Header_GetItemRect(HWND hwnd, int index, RECT* rect) {
  return static_cast<BOOL>(SendMessage(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(rect)));
}
inline BOOL Header_Layout(HWND hwnd, HDLAYOUT* layout) {
  return static_cast<BOOL>(SendMessage(hwnd, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(layout)));
}
inline HIMAGELIST Header_SetImageList(HWND hwnd, HIMAGELIST list) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(hwnd, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list)));
}
inline BOOL Header_GetOrderArray(HWND hwnd, int count, int* order) {
  return static_cast<BOOL>(SendMessage(hwnd, HDM_GETORDERARRAY, static_cast<WPARAM>(count),
                                       reinterpret_cast<LPARAM>(order)));
}
inline BOOL Header_SetOrderArray(HWND hwnd, int count, const int* order) {
  return static_cast<BOOL>(SendMessage(hwnd, HDM_SETORDERARRAY, static_cast<WPARAM>(count),
                                       reinterpret_cast<LPARAM>(order)));
}

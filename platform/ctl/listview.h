// The list view ("SysListView32") in report view: rows of items with
// sub-items under a header of columns, with selection, check boxes, hot
// tracking, sorting, custom draw and in-place editing of captions.
//
// Items are kept in blocks, so inserting in the middle of 100,000 rows,
// sorting and painting only the rows on screen stay cheap. Only the report
// view is built: the other view styles show as a report.
#pragma once

#include "platform/core/types.h"
#include "platform/ctl/common_controls.h"
#include "platform/ctl/header.h"
#include "platform/ctl/imagelist.h"
#include "platform/user/message_queue.h"
#include "platform/user/user_types.h"

inline constexpr char WC_LISTVIEW[] = "SysListView32";

// Styles.
constexpr DWORD LVS_ICON = 0x0000;
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SMALLICON = 0x0002;
constexpr DWORD LVS_LIST = 0x0003;
constexpr DWORD LVS_TYPEMASK = 0x0003;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_SORTASCENDING = 0x0010;
constexpr DWORD LVS_SORTDESCENDING = 0x0020;
constexpr DWORD LVS_SHAREIMAGELISTS = 0x0040;
constexpr DWORD LVS_NOLABELWRAP = 0x0080;
constexpr DWORD LVS_AUTOARRANGE = 0x0100;
constexpr DWORD LVS_EDITLABELS = 0x0200;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
constexpr DWORD LVS_ALIGNLEFT = 0x0800;
constexpr DWORD LVS_OWNERDATA = 0x1000;
constexpr DWORD LVS_NOSCROLL = 0x2000;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;

// Extended styles (LVM_SETEXTENDEDLISTVIEWSTYLE).
constexpr DWORD LVS_EX_GRIDLINES = 0x00000001;
constexpr DWORD LVS_EX_SUBITEMIMAGES = 0x00000002;
constexpr DWORD LVS_EX_CHECKBOXES = 0x00000004;
constexpr DWORD LVS_EX_TRACKSELECT = 0x00000008;
constexpr DWORD LVS_EX_HEADERDRAGDROP = 0x00000010;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x00000020;
constexpr DWORD LVS_EX_ONECLICKACTIVATE = 0x00000040;
constexpr DWORD LVS_EX_TWOCLICKACTIVATE = 0x00000080;
constexpr DWORD LVS_EX_FLATSB = 0x00000100;
constexpr DWORD LVS_EX_INFOTIP = 0x00000400;
constexpr DWORD LVS_EX_UNDERLINEHOT = 0x00000800;
constexpr DWORD LVS_EX_UNDERLINECOLD = 0x00001000;
constexpr DWORD LVS_EX_LABELTIP = 0x00004000;
constexpr DWORD LVS_EX_BORDERSELECT = 0x00008000;
constexpr DWORD LVS_EX_DOUBLEBUFFER = 0x00010000;

// Messages.
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETBKCOLOR = LVM_FIRST + 0;
constexpr UINT LVM_SETBKCOLOR = LVM_FIRST + 1;
constexpr UINT LVM_GETIMAGELIST = LVM_FIRST + 2;
constexpr UINT LVM_SETIMAGELIST = LVM_FIRST + 3;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_GETITEMA = LVM_FIRST + 5;
constexpr UINT LVM_GETITEM = LVM_GETITEMA;
constexpr UINT LVM_SETITEMA = LVM_FIRST + 6;
constexpr UINT LVM_SETITEM = LVM_SETITEMA;
constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;
constexpr UINT LVM_INSERTITEM = LVM_INSERTITEMA;
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
constexpr UINT LVM_GETCALLBACKMASK = LVM_FIRST + 10;
constexpr UINT LVM_SETCALLBACKMASK = LVM_FIRST + 11;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
constexpr UINT LVM_FINDITEMA = LVM_FIRST + 13;
constexpr UINT LVM_FINDITEM = LVM_FINDITEMA;
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
constexpr UINT LVM_GETSTRINGWIDTHA = LVM_FIRST + 17;
constexpr UINT LVM_GETSTRINGWIDTH = LVM_GETSTRINGWIDTHA;
constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_SCROLL = LVM_FIRST + 20;
constexpr UINT LVM_REDRAWITEMS = LVM_FIRST + 21;
constexpr UINT LVM_ARRANGE = LVM_FIRST + 22;
constexpr UINT LVM_EDITLABELA = LVM_FIRST + 23;
constexpr UINT LVM_EDITLABEL = LVM_EDITLABELA;
constexpr UINT LVM_GETEDITCONTROL = LVM_FIRST + 24;
constexpr UINT LVM_GETCOLUMNA = LVM_FIRST + 25;
constexpr UINT LVM_GETCOLUMN = LVM_GETCOLUMNA;
constexpr UINT LVM_SETCOLUMNA = LVM_FIRST + 26;
constexpr UINT LVM_SETCOLUMN = LVM_SETCOLUMNA;
constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27;
constexpr UINT LVM_INSERTCOLUMN = LVM_INSERTCOLUMNA;
constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_GETHEADER = LVM_FIRST + 31;
constexpr UINT LVM_GETVIEWRECT = LVM_FIRST + 34;
constexpr UINT LVM_GETTEXTCOLOR = LVM_FIRST + 35;
constexpr UINT LVM_SETTEXTCOLOR = LVM_FIRST + 36;
constexpr UINT LVM_GETTEXTBKCOLOR = LVM_FIRST + 37;
constexpr UINT LVM_SETTEXTBKCOLOR = LVM_FIRST + 38;
constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
constexpr UINT LVM_GETORIGIN = LVM_FIRST + 41;
constexpr UINT LVM_UPDATE = LVM_FIRST + 42;
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;
constexpr UINT LVM_GETITEMTEXT = LVM_GETITEMTEXTA;
constexpr UINT LVM_SETITEMTEXTA = LVM_FIRST + 46;
constexpr UINT LVM_SETITEMTEXT = LVM_SETITEMTEXTA;
constexpr UINT LVM_SETITEMCOUNT = LVM_FIRST + 47;
constexpr UINT LVM_SORTITEMS = LVM_FIRST + 48;
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
constexpr UINT LVM_GETSUBITEMRECT = LVM_FIRST + 56;
constexpr UINT LVM_SUBITEMHITTEST = LVM_FIRST + 57;
constexpr UINT LVM_SETCOLUMNORDERARRAY = LVM_FIRST + 58;
constexpr UINT LVM_GETCOLUMNORDERARRAY = LVM_FIRST + 59;
constexpr UINT LVM_SETHOTITEM = LVM_FIRST + 60;
constexpr UINT LVM_GETHOTITEM = LVM_FIRST + 61;
constexpr UINT LVM_GETSELECTIONMARK = LVM_FIRST + 66;
constexpr UINT LVM_SETSELECTIONMARK = LVM_FIRST + 67;
constexpr UINT LVM_SETHOVERTIME = LVM_FIRST + 71;
constexpr UINT LVM_GETHOVERTIME = LVM_FIRST + 72;
constexpr UINT LVM_SETTOOLTIPS = LVM_FIRST + 74;
constexpr UINT LVM_GETTOOLTIPS = LVM_FIRST + 78;
constexpr UINT LVM_SORTITEMSEX = LVM_FIRST + 81;
// Our own, beyond the original platform: puts wParam rows in at once from
// the array of LVITEM at lParam, each as LVM_INSERTITEM would (at its
// iItem, in the array's order), with no LVN_INSERTITEM and one repaint for
// all. A row whose text is LPSTR_TEXTCALLBACK also asks the parent for the
// text of every sub-item not set since. Returns the number of rows put in.
constexpr UINT LVM_INSERTITEMS = LVM_FIRST + 0xF0;

// LVM_SETIMAGELIST / LVM_GETIMAGELIST wParam.
constexpr WPARAM LVSIL_NORMAL = 0;
constexpr WPARAM LVSIL_SMALL = 1;
constexpr WPARAM LVSIL_STATE = 2;

// LVITEM::mask
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
constexpr UINT LVIF_STATE = 0x0008;
constexpr UINT LVIF_INDENT = 0x0010;
constexpr UINT LVIF_NORECOMPUTE = 0x0800;
constexpr UINT LVIF_DI_SETITEM = 0x1000;

// Item states.
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;
constexpr UINT LVIS_CUT = 0x0004;
constexpr UINT LVIS_DROPHILITED = 0x0008;
constexpr UINT LVIS_ACTIVATING = 0x0020;
constexpr UINT LVIS_OVERLAYMASK = 0x0F00;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
// State image 1 is an unchecked box, 2 a checked one (LVS_EX_CHECKBOXES).
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT index) {
  return index << 12;
}

// Text and image asked from the parent with LVN_GETDISPINFO: LPSTR_TEXTCALLBACK,
// I_IMAGECALLBACK (common_controls.h).

struct LVITEM {
  UINT mask = 0;
  int iItem = 0;
  int iSubItem = 0;
  UINT state = 0;
  UINT stateMask = 0;
  LPSTR pszText = nullptr;
  int cchTextMax = 0;
  int iImage = 0;
  LPARAM lParam = 0;
  int iIndent = 0;
};
using LVITEMA = LVITEM;
using LPLVITEM = LVITEM*;

// LVCOLUMN::mask
constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVCF_SUBITEM = 0x0008;
constexpr UINT LVCF_IMAGE = 0x0010;
constexpr UINT LVCF_ORDER = 0x0020;

// LVCOLUMN::fmt
constexpr int LVCFMT_LEFT = 0x0000;
constexpr int LVCFMT_RIGHT = 0x0001;
constexpr int LVCFMT_CENTER = 0x0002;
constexpr int LVCFMT_JUSTIFYMASK = 0x0003;
constexpr int LVCFMT_IMAGE = 0x0800;
constexpr int LVCFMT_BITMAP_ON_RIGHT = 0x1000;
constexpr int LVCFMT_COL_HAS_IMAGES = 0x8000;

struct LVCOLUMN {
  UINT mask = 0;
  int fmt = 0;
  int cx = 0;
  LPSTR pszText = nullptr;
  int cchTextMax = 0;
  int iSubItem = 0;
  int iImage = 0;
  int iOrder = 0;
};
using LVCOLUMNA = LVCOLUMN;
using LPLVCOLUMN = LVCOLUMN*;

// LVM_SETCOLUMNWIDTH widths.
constexpr int LVSCW_AUTOSIZE = -1;            // fit the widest cell
constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;  // fit cells and caption; the last column fills

// LVM_GETNEXTITEM flags.
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr UINT LVNI_CUT = 0x0004;
constexpr UINT LVNI_DROPHILITED = 0x0008;
constexpr UINT LVNI_ABOVE = 0x0100;
constexpr UINT LVNI_BELOW = 0x0200;
constexpr UINT LVNI_TOLEFT = 0x0400;
constexpr UINT LVNI_TORIGHT = 0x0800;

// LVM_GETITEMRECT / LVM_GETSUBITEMRECT: the kind in RECT::left on entry.
constexpr LONG LVIR_BOUNDS = 0;
constexpr LONG LVIR_ICON = 1;
constexpr LONG LVIR_LABEL = 2;
constexpr LONG LVIR_SELECTBOUNDS = 3;

// LVHITTESTINFO::flags
constexpr UINT LVHT_NOWHERE = 0x0001;
constexpr UINT LVHT_ONITEMICON = 0x0002;
constexpr UINT LVHT_ONITEMLABEL = 0x0004;
constexpr UINT LVHT_ONITEMSTATEICON = 0x0008;
constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
constexpr UINT LVHT_ABOVE = 0x0008;
constexpr UINT LVHT_BELOW = 0x0010;
constexpr UINT LVHT_TORIGHT = 0x0020;
constexpr UINT LVHT_TOLEFT = 0x0040;

struct LVHITTESTINFO {
  POINT pt;
  UINT flags = 0;
  int iItem = -1;
  int iSubItem = 0;
};
using LPLVHITTESTINFO = LVHITTESTINFO*;

// LVFINDINFO::flags
constexpr UINT LVFI_PARAM = 0x0001;
constexpr UINT LVFI_STRING = 0x0002;
constexpr UINT LVFI_SUBSTRING = 0x0004;  // same as LVFI_PARTIAL
constexpr UINT LVFI_PARTIAL = 0x0008;
constexpr UINT LVFI_WRAP = 0x0020;
constexpr UINT LVFI_NEARESTXY = 0x0040;

struct LVFINDINFO {
  UINT flags = 0;
  LPCSTR psz = nullptr;
  LPARAM lParam = 0;
  POINT pt;
  UINT vkDirection = 0;
};
using LVFINDINFOA = LVFINDINFO;

// LVM_SETITEMCOUNT flags (lParam).
constexpr LPARAM LVSICF_NOINVALIDATEALL = 0x00000001;
constexpr LPARAM LVSICF_NOSCROLL = 0x00000002;

// Comparison of LVM_SORTITEMS: the two items' lParam values (LVM_SORTITEMSEX:
// their indexes before the sort) and the caller's value; negative when the
// first comes first.
using PFNLVCOMPARE = int (*)(LPARAM first, LPARAM second, LPARAM sort_param);

// Notifications (WM_NOTIFY to the parent).
constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0;
constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
constexpr UINT LVN_INSERTITEM = LVN_FIRST - 2;
constexpr UINT LVN_DELETEITEM = LVN_FIRST - 3;
constexpr UINT LVN_DELETEALLITEMS = LVN_FIRST - 4;
constexpr UINT LVN_BEGINLABELEDITA = LVN_FIRST - 5;
constexpr UINT LVN_BEGINLABELEDIT = LVN_BEGINLABELEDITA;
constexpr UINT LVN_ENDLABELEDITA = LVN_FIRST - 6;
constexpr UINT LVN_ENDLABELEDIT = LVN_ENDLABELEDITA;
constexpr UINT LVN_COLUMNCLICK = LVN_FIRST - 8;
constexpr UINT LVN_BEGINDRAG = LVN_FIRST - 9;
constexpr UINT LVN_BEGINRDRAG = LVN_FIRST - 11;
constexpr UINT LVN_ODCACHEHINT = LVN_FIRST - 13;
constexpr UINT LVN_ITEMACTIVATE = LVN_FIRST - 14;
constexpr UINT LVN_ODSTATECHANGED = LVN_FIRST - 15;
constexpr UINT LVN_HOTTRACK = LVN_FIRST - 21;
constexpr UINT LVN_GETDISPINFOA = LVN_FIRST - 50;
constexpr UINT LVN_GETDISPINFO = LVN_GETDISPINFOA;
constexpr UINT LVN_SETDISPINFOA = LVN_FIRST - 51;
constexpr UINT LVN_SETDISPINFO = LVN_SETDISPINFOA;
constexpr UINT LVN_ODFINDITEMA = LVN_FIRST - 52;
constexpr UINT LVN_ODFINDITEM = LVN_ODFINDITEMA;
constexpr UINT LVN_KEYDOWN = LVN_FIRST - 55;

// LVN_ITEMCHANGING / ITEMCHANGED / INSERTITEM / DELETEITEM / DELETEALLITEMS /
// COLUMNCLICK / BEGINDRAG / HOTTRACK. uChanged holds the LVIF_* bits that
// changed. LVN_ITEMCHANGING answered TRUE refuses the change; LVN_HOTTRACK
// answered TRUE refuses the new hot item; LVN_DELETEALLITEMS answered TRUE
// asks for no LVN_DELETEITEM per item.
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction;
  LPARAM lParam = 0;
};
using LPNMLISTVIEW = NMLISTVIEW*;

// LVN_ITEMACTIVATE and the list view's NM_CLICK, NM_DBLCLK, NM_RCLICK.
constexpr UINT LVKF_ALT = 0x0001;
constexpr UINT LVKF_CONTROL = 0x0002;
constexpr UINT LVKF_SHIFT = 0x0004;
struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction;
  LPARAM lParam = 0;
  UINT uKeyFlags = 0;
};
using LPNMITEMACTIVATE = NMITEMACTIVATE*;

// LVN_GETDISPINFO (the parent fills the fields item.mask asks for),
// LVN_SETDISPINFO, LVN_BEGINLABELEDIT (TRUE refuses the edit) and
// LVN_ENDLABELEDIT (item.pszText null when cancelled; TRUE keeps the text).
struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};
using LV_DISPINFO = NMLVDISPINFO;

struct NMLVKEYDOWN {
  NMHDR hdr;
  WORD wVKey = 0;
  UINT flags = 0;
};
using LPNMLVKEYDOWN = NMLVKEYDOWN*;

// Rows the control is about to draw (owner data).
struct NMLVCACHEHINT {
  NMHDR hdr;
  int iFrom = 0;
  int iTo = 0;
};

// Owner data: the selection of a range changed in one step.
struct NMLVODSTATECHANGE {
  NMHDR hdr;
  int iFrom = 0;
  int iTo = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
};

// Owner data: LVM_FINDITEM asks the parent; it answers the index or -1.
struct NMLVFINDITEM {
  NMHDR hdr;
  int iStart = 0;
  LVFINDINFO lvfi;
};

// NM_CUSTOMDRAW of the list view. In the item stage iSubItem is 0; in the
// sub-item stage (CDDS_ITEMPREPAINT | CDDS_SUBITEM) it names the column.
// clrText and clrTextBk may be changed by the parent.
struct NMLVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText = 0;
  COLORREF clrTextBk = 0;
  int iSubItem = 0;
};
using LPNMLVCUSTOMDRAW = NMLVCUSTOMDRAW*;

// Owner-drawn rows (LVS_OWNERDRAWFIXED): DRAWITEMSTRUCT::CtlType.
constexpr UINT ODT_LISTVIEW = 102;

// ---- Wrappers of the messages ----

inline int ListView_GetItemCount(HWND hwnd) {
  return static_cast<int>(SendMessage(hwnd, LVM_GETITEMCOUNT, 0, 0));
}
inline int ListView_InsertItem(HWND hwnd, const LVITEM* item) {
  return static_cast<int>(SendMessage(hwnd, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(item)));
}
inline int ListView_InsertItems(HWND hwnd, int count, const LVITEM* items) {
  return static_cast<int>(
      SendMessage(hwnd, LVM_INSERTITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(items)));
}
inline BOOL ListView_SetItem(HWND hwnd, const LVITEM* item) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETITEM, 0, reinterpret_cast<LPARAM>(item)));
}
inline BOOL ListView_GetItem(HWND hwnd, LVITEM* item) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(item)));
}
inline BOOL ListView_DeleteItem(HWND hwnd, int index) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_DELETEITEM, static_cast<WPARAM>(index), 0));
}
inline BOOL ListView_DeleteAllItems(HWND hwnd) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_DELETEALLITEMS, 0, 0));
}
inline void ListView_SetItemText(HWND hwnd, int index, int sub_item, LPCSTR text) {
  LVITEM item;
  item.iSubItem = sub_item;
  item.pszText = const_cast<LPSTR>(text);
  SendMessage(hwnd, LVM_SETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
inline int ListView_GetItemText(HWND hwnd, int index, int sub_item, LPSTR buffer, int size) {
  LVITEM item;
  item.iSubItem = sub_item;
  item.pszText = buffer;
  item.cchTextMax = size;
  return static_cast<int>(SendMessage(hwnd, LVM_GETITEMTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(&item)));
}
inline void ListView_SetItemState(HWND hwnd, int index, UINT state, UINT mask) {
  LVITEM item;
  item.state = state;
  item.stateMask = mask;
  SendMessage(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}
inline UINT ListView_GetItemState(HWND hwnd, int index, UINT mask) {
  return static_cast<UINT>(
      SendMessage(hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index), static_cast<LPARAM>(mask)));
}
inline void ListView_SetCheckState(HWND hwnd, int index, BOOL checked) {
  ListView_SetItemState(hwnd, index, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}
inline BOOL ListView_GetCheckState(HWND hwnd, int index) {
  return ((ListView_GetItemState(hwnd, index, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1;
}
inline int ListView_GetNextItem(HWND hwnd, int start, UINT flags) {
  return static_cast<int>(
      SendMessage(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(start), static_cast<LPARAM>(flags)));
}
inline int ListView_GetSelectedCount(HWND hwnd) {
  return static_cast<int>(SendMessage(hwnd, LVM_GETSELECTEDCOUNT, 0, 0));
}
inline int ListView_InsertColumn(HWND hwnd, int index, const LVCOLUMN* column) {
  return static_cast<int>(SendMessage(hwnd, LVM_INSERTCOLUMN, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(column)));
}
inline BOOL ListView_DeleteColumn(HWND hwnd, int index) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_DELETECOLUMN, static_cast<WPARAM>(index), 0));
}
inline BOOL ListView_SetColumn(HWND hwnd, int index, const LVCOLUMN* column) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETCOLUMN, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(column)));
}
inline BOOL ListView_GetColumn(HWND hwnd, int index, LVCOLUMN* column) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_GETCOLUMN, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(column)));
}
inline int ListView_GetColumnWidth(HWND hwnd, int index) {
  return static_cast<int>(SendMessage(hwnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index), 0));
}
inline BOOL ListView_SetColumnWidth(HWND hwnd, int index, int width) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index),
                                       MAKELPARAM(static_cast<WORD>(width), 0)));
}
inline HWND ListView_GetHeader(HWND hwnd) {
  return reinterpret_cast<HWND>(SendMessage(hwnd, LVM_GETHEADER, 0, 0));
}
inline BOOL ListView_GetItemRect(HWND hwnd, int index, RECT* rect, LONG code) {
  if (rect != nullptr) rect->left = code;
  return static_cast<BOOL>(SendMessage(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(rect)));
}
inline BOOL ListView_GetSubItemRect(HWND hwnd, int index, int sub_item, LONG code, RECT* rect) {
  if (rect != nullptr) {
    rect->top = sub_item;
    rect->left = code;
  }
  return static_cast<BOOL>(SendMessage(hwnd, LVM_GETSUBITEMRECT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(rect)));
}
inline int ListView_HitTest(HWND hwnd, LVHITTESTINFO* info) {
  return static_cast<int>(SendMessage(hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
}
inline int ListView_SubItemHitTest(HWND hwnd, LVHITTESTINFO* info) {
  return static_cast<int>(SendMessage(hwnd, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(info)));
}
inline BOOL ListView_EnsureVisible(HWND hwnd, int index, BOOL partial_ok) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index),
                                       static_cast<LPARAM>(partial_ok)));
}
inline BOOL ListView_Scroll(HWND hwnd, int dx, int dy) {
  return static_cast<BOOL>(
      SendMessage(hwnd, LVM_SCROLL, static_cast<WPARAM>(dx), static_cast<LPARAM>(dy)));
}
inline int ListView_GetTopIndex(HWND hwnd) {
  return static_cast<int>(SendMessage(hwnd, LVM_GETTOPINDEX, 0, 0));
}
inline int ListView_GetCountPerPage(HWND hwnd) {
  return static_cast<int>(SendMessage(hwnd, LVM_GETCOUNTPERPAGE, 0, 0));
}
inline BOOL ListView_SortItems(HWND hwnd, PFNLVCOMPARE compare, LPARAM sort_param) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SORTITEMS, static_cast<WPARAM>(sort_param),
                                       reinterpret_cast<LPARAM>(compare)));
}
inline BOOL ListView_SortItemsEx(HWND hwnd, PFNLVCOMPARE compare, LPARAM sort_param) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SORTITEMSEX, static_cast<WPARAM>(sort_param),
                                       reinterpret_cast<LPARAM>(compare)));
}
inline int ListView_FindItem(HWND hwnd, int start, const LVFINDINFO* find) {
  return static_cast<int>(
      SendMessage(hwnd, LVM_FINDITEM, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(find)));
}
inline DWORD ListView_SetExtendedListViewStyle(HWND hwnd, DWORD style) {
  return static_cast<DWORD>(
      SendMessage(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
}
inline DWORD ListView_SetExtendedListViewStyleEx(HWND hwnd, DWORD mask, DWORD style) {
  return static_cast<DWORD>(SendMessage(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE,
                                        static_cast<WPARAM>(mask), static_cast<LPARAM>(style)));
}
inline DWORD ListView_GetExtendedListViewStyle(HWND hwnd) {
  return static_cast<DWORD>(SendMessage(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}
inline HIMAGELIST ListView_SetImageList(HWND hwnd, HIMAGELIST list, WPARAM which) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(hwnd, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list)));
}
inline HIMAGELIST ListView_GetImageList(HWND hwnd, WPARAM which) {
  return reinterpret_cast<HIMAGELIST>(SendMessage(hwnd, LVM_GETIMAGELIST, which, 0));
}
inline HWND ListView_EditLabel(HWND hwnd, int index) {
  return reinterpret_cast<HWND>(SendMessage(hwnd, LVM_EDITLABEL, static_cast<WPARAM>(index), 0));
}
inline HWND ListView_GetEditControl(HWND hwnd) {
  return reinterpret_cast<HWND>(SendMessage(hwnd, LVM_GETEDITCONTROL, 0, 0));
}
inline BOOL ListView_SetItemCount(HWND hwnd, int count) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0));
}
inline BOOL ListView_SetBkColor(HWND hwnd, COLORREF color) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color)));
}
inline BOOL ListView_SetTextColor(HWND hwnd, COLORREF color) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(color)));
}
inline BOOL ListView_SetTextBkColor(HWND hwnd, COLORREF color) {
  return static_cast<BOOL>(SendMessage(hwnd, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(color)));
}

// What the common controls share: the WM_NOTIFY header and its generic
// codes, custom draw, the common control styles and messages, and the
// start-up calls. Each control's own constants live in its own header
// (button.h, edit.h, listview.h, ...).
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"

// ---------------------------------------------------------------------------
// Start-up. The built-in classes register themselves on first use, so these
// only answer as the platform does.
// ---------------------------------------------------------------------------
constexpr DWORD ICC_LISTVIEW_CLASSES = 0x00000001;
constexpr DWORD ICC_TREEVIEW_CLASSES = 0x00000002;
constexpr DWORD ICC_BAR_CLASSES = 0x00000004;  // toolbar, status bar, track bar, tooltips
constexpr DWORD ICC_TAB_CLASSES = 0x00000008;
constexpr DWORD ICC_UPDOWN_CLASS = 0x00000010;
constexpr DWORD ICC_PROGRESS_CLASS = 0x00000020;
constexpr DWORD ICC_HOTKEY_CLASS = 0x00000040;
constexpr DWORD ICC_ANIMATE_CLASS = 0x00000080;
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
constexpr DWORD ICC_DATE_CLASSES = 0x00000100;
constexpr DWORD ICC_USEREX_CLASSES = 0x00000200;
constexpr DWORD ICC_COOL_CLASSES = 0x00000400;
constexpr DWORD ICC_INTERNET_CLASSES = 0x00000800;
constexpr DWORD ICC_PAGESCROLLER_CLASS = 0x00001000;
constexpr DWORD ICC_NATIVEFNTCTL_CLASS = 0x00002000;
constexpr DWORD ICC_STANDARD_CLASSES = 0x00004000;
constexpr DWORD ICC_LINK_CLASS = 0x00008000;

struct INITCOMMONCONTROLSEX {
  DWORD dwSize = sizeof(INITCOMMONCONTROLSEX);
  DWORD dwICC = 0;
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;

void InitCommonControls();
// FALSE (ERROR_INVALID_PARAMETER) for a null record or a wrong dwSize.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

// ---------------------------------------------------------------------------
// WM_NOTIFY: lParam points to an NMHDR (or a larger record starting with
// one); wParam is the control's id.
// ---------------------------------------------------------------------------
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};
using LPNMHDR = NMHDR*;

// Notification code ranges (codes are negative numbers held in a UINT).
constexpr UINT NM_FIRST = 0u - 0u;
constexpr UINT NM_LAST = 0u - 99u;
constexpr UINT LVN_FIRST = 0u - 100u;
constexpr UINT LVN_LAST = 0u - 199u;
constexpr UINT HDN_FIRST = 0u - 300u;
constexpr UINT HDN_LAST = 0u - 399u;
constexpr UINT TVN_FIRST = 0u - 400u;
constexpr UINT TVN_LAST = 0u - 499u;
constexpr UINT TTN_FIRST = 0u - 520u;
constexpr UINT TTN_LAST = 0u - 549u;
constexpr UINT TCN_FIRST = 0u - 550u;
constexpr UINT TCN_LAST = 0u - 580u;
constexpr UINT CDN_FIRST = 0u - 601u;
constexpr UINT CDN_LAST = 0u - 699u;
constexpr UINT TBN_FIRST = 0u - 700u;
constexpr UINT TBN_LAST = 0u - 720u;
constexpr UINT UDN_FIRST = 0u - 721u;
constexpr UINT UDN_LAST = 0u - 729u;
constexpr UINT MCN_FIRST = 0u - 746u;
constexpr UINT MCN_LAST = 0u - 752u;
constexpr UINT DTN_FIRST = 0u - 760u;
constexpr UINT DTN_LAST = 0u - 799u;
constexpr UINT CBEN_FIRST = 0u - 800u;
constexpr UINT CBEN_LAST = 0u - 830u;
constexpr UINT RBN_FIRST = 0u - 831u;
constexpr UINT RBN_LAST = 0u - 859u;
constexpr UINT IPN_FIRST = 0u - 860u;
constexpr UINT IPN_LAST = 0u - 879u;
constexpr UINT SBN_FIRST = 0u - 880u;
constexpr UINT SBN_LAST = 0u - 899u;
constexpr UINT PGN_FIRST = 0u - 900u;
constexpr UINT PGN_LAST = 0u - 950u;
constexpr UINT TRBN_FIRST = 0u - 1501u;
constexpr UINT TRBN_LAST = 0u - 1519u;

// Generic notifications.
constexpr UINT NM_OUTOFMEMORY = NM_FIRST - 1;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_RDBLCLK = NM_FIRST - 6;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;
constexpr UINT NM_CUSTOMDRAW = NM_FIRST - 12;
constexpr UINT NM_HOVER = NM_FIRST - 13;
constexpr UINT NM_NCHITTEST = NM_FIRST - 14;
constexpr UINT NM_KEYDOWN = NM_FIRST - 15;
constexpr UINT NM_RELEASEDCAPTURE = NM_FIRST - 16;
constexpr UINT NM_SETCURSOR = NM_FIRST - 17;
constexpr UINT NM_CHAR = NM_FIRST - 18;
constexpr UINT NM_TOOLTIPSCREATED = NM_FIRST - 19;
constexpr UINT NM_LDOWN = NM_FIRST - 20;
constexpr UINT NM_RDOWN = NM_FIRST - 21;
constexpr UINT NM_THEMECHANGED = NM_FIRST - 22;

// NM_KEYDOWN.
struct NMKEY {
  NMHDR hdr;
  UINT nVKey = 0;
  UINT uFlags = 0;  // the key message's lParam bits 16..31
};
using LPNMKEY = NMKEY*;

// NM_CHAR.
struct NMCHAR {
  NMHDR hdr;
  UINT ch = 0;
  DWORD dwItemPrev = 0;
  DWORD dwItemNext = 0;
};
using LPNMCHAR = NMCHAR*;

// NM_CLICK and friends of controls with items (the item under the mouse).
struct NMMOUSE {
  NMHDR hdr;
  DWORD_PTR dwItemSpec = 0;
  DWORD_PTR dwItemData = 0;
  POINT pt;
  LPARAM dwHitInfo = 0;
};
using LPNMMOUSE = NMMOUSE*;

// ---------------------------------------------------------------------------
// Custom draw (NM_CUSTOMDRAW): the control asks its parent before and
// after painting itself and each item; the answer says what to do.
// ---------------------------------------------------------------------------
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_POSTPAINT = 0x00000002;
constexpr DWORD CDDS_PREERASE = 0x00000003;
constexpr DWORD CDDS_POSTERASE = 0x00000004;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
constexpr DWORD CDDS_ITEMPREERASE = CDDS_ITEM | CDDS_PREERASE;
constexpr DWORD CDDS_ITEMPOSTERASE = CDDS_ITEM | CDDS_POSTERASE;
constexpr DWORD CDDS_SUBITEM = 0x00020000;

// Answers.
constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
constexpr LRESULT CDRF_NEWFONT = 0x00000002;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
constexpr LRESULT CDRF_DOERASE = 0x00000008;
constexpr LRESULT CDRF_SKIPPOSTPAINT = 0x00000100;
constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x00000010;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYPOSTERASE = 0x00000040;

// Item states (uItemState).
constexpr UINT CDIS_SELECTED = 0x0001;
constexpr UINT CDIS_GRAYED = 0x0002;
constexpr UINT CDIS_DISABLED = 0x0004;
constexpr UINT CDIS_CHECKED = 0x0008;
constexpr UINT CDIS_FOCUS = 0x0010;
constexpr UINT CDIS_DEFAULT = 0x0020;
constexpr UINT CDIS_HOT = 0x0040;
constexpr UINT CDIS_MARKED = 0x0080;
constexpr UINT CDIS_INDETERMINATE = 0x0100;
constexpr UINT CDIS_SHOWKEYBOARDCUES = 0x0200;

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage = 0;
  HDC hdc = nullptr;
  RECT rc;
  DWORD_PTR dwItemSpec = 0;
  UINT uItemState = 0;
  LPARAM lItemlParam = 0;
};
using LPNMCUSTOMDRAW = NMCUSTOMDRAW*;

// ---------------------------------------------------------------------------
// Common control styles (CCS_*) and messages (CCM_*).
// ---------------------------------------------------------------------------
constexpr DWORD CCS_TOP = 0x00000001;
constexpr DWORD CCS_NOMOVEY = 0x00000002;
constexpr DWORD CCS_BOTTOM = 0x00000003;
constexpr DWORD CCS_NORESIZE = 0x00000004;
constexpr DWORD CCS_NOPARENTALIGN = 0x00000008;
constexpr DWORD CCS_ADJUSTABLE = 0x00000020;
constexpr DWORD CCS_NODIVIDER = 0x00000040;
constexpr DWORD CCS_VERT = 0x00000080;
constexpr DWORD CCS_LEFT = CCS_VERT | CCS_TOP;
constexpr DWORD CCS_RIGHT = CCS_VERT | CCS_BOTTOM;
constexpr DWORD CCS_NOMOVEX = CCS_VERT | CCS_NOMOVEY;

constexpr UINT CCM_FIRST = 0x2000;
constexpr UINT CCM_SETBKCOLOR = CCM_FIRST + 1;
constexpr UINT CCM_SETCOLORSCHEME = CCM_FIRST + 2;
constexpr UINT CCM_GETCOLORSCHEME = CCM_FIRST + 3;
constexpr UINT CCM_GETDROPTARGET = CCM_FIRST + 4;
constexpr UINT CCM_SETUNICODEFORMAT = CCM_FIRST + 5;
constexpr UINT CCM_GETUNICODEFORMAT = CCM_FIRST + 6;
constexpr UINT CCM_SETVERSION = CCM_FIRST + 7;
constexpr UINT CCM_GETVERSION = CCM_FIRST + 8;

// Text and image "ask the parent" markers of item records (list view,
// header, tab control).
inline const LPSTR LPSTR_TEXTCALLBACK = reinterpret_cast<LPSTR>(static_cast<std::intptr_t>(-1));
constexpr int I_IMAGECALLBACK = -1;
constexpr int I_IMAGENONE = -2;

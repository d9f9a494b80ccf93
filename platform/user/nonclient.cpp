// The classic frame: its layout, WM_NCCALCSIZE, WM_NCHITTEST, WM_NCPAINT
// and WM_NCACTIVATE as DefWindowProc answers them.
#include "platform/user/nonclient.h"

#include <algorithm>
#include <atomic>

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/message_queue.h"
#include "platform/user/painting.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_position.h"

using namespace platform::user;

namespace {

std::atomic<const platform::MenuBarHandler*> g_menu_bar{nullptr};
std::atomic<const platform::ScrollBarHandler*> g_scroll_bars{nullptr};

constexpr int kCaptionBar = 18;       // caption bar height (SM_CYCAPTION without its line)
constexpr int kToolCaptionBar = 14;   // tool windows (SM_CYSMCAPTION without its line)
constexpr int kButtonWidth = 16;      // SM_CXSIZE - 2
constexpr int kButtonHeight = 14;     // SM_CYSIZE - 4
constexpr int kToolButtonWidth = 12;  // SM_CXSMSIZE
constexpr int kToolButtonHeight = 10;
constexpr int kScrollBar = 16;

bool HasCaption(DWORD style) {
  return (style & WS_CAPTION) == WS_CAPTION;
}

int BorderWidth(DWORD style, DWORD ex_style) {
  if (style & WS_THICKFRAME) return 4;
  if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME)) return 3;
  if (style & WS_BORDER) return 1;
  return 0;
}

int EdgeWidth(DWORD ex_style) {
  if (ex_style & WS_EX_CLIENTEDGE) return 2;
  if (ex_style & WS_EX_STATICEDGE) return 1;
  return 0;
}

RECT Rect(int left, int top, int right, int bottom) {
  return RECT{left, top, right, bottom};
}

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

void LayoutCaption(platform::FrameLayout& f, DWORD style, DWORD ex_style, UINT class_style,
                   int width) {
  const bool tool = (ex_style & WS_EX_TOOLWINDOW) != 0;
  const int bar = tool ? kToolCaptionBar : kCaptionBar;
  const int b = f.border;
  f.has_caption = true;
  f.caption = Rect(b, b, width - b, b + bar);
  if (!(style & WS_SYSMENU)) return;
  const int bw = tool ? kToolButtonWidth : kButtonWidth;
  const int bh = tool ? kToolButtonHeight : kButtonHeight;
  const int top = b + (bar - bh) / 2;
  int right = width - b - 2;
  f.has_close = true;
  (void)class_style;
  f.close = Rect(right - bw, top, right, top + bh);
  right = f.close.left - 2;
  if (!tool && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
    f.has_minmax = true;
    f.maximize = Rect(right - bw, top, right, top + bh);
    f.minimize = Rect(f.maximize.left - bw, top, f.maximize.left, top + bh);
  } else if (!tool && (ex_style & WS_EX_CONTEXTHELP)) {
    f.has_help = true;
    f.help = Rect(right - bw, top, right, top + bh);
  }
  if (!tool && !(ex_style & WS_EX_DLGMODALFRAME)) {
    f.has_icon = true;
    f.icon = Rect(b + 1, b + 1, b + 17, b + 17);
  }
}

}  // namespace

namespace platform {

FrameLayout ComputeFrameLayout(DWORD style, DWORD ex_style, UINT class_style, int width, int height,
                               int menu_height) {
  FrameLayout f;
  f.border = BorderWidth(style, ex_style);
  int top = f.border;
  if (HasCaption(style)) {
    LayoutCaption(f, style, ex_style, class_style, width);
    top = f.caption.bottom + 1;
  }
  if (style & WS_MINIMIZE) {
    f.client = Rect(f.border, top, f.border, top);
    return f;
  }
  if (menu_height > 0 && !(style & WS_CHILD)) {
    f.has_menu = true;
    f.menu = Rect(f.border, top, width - f.border, top + menu_height);
    top = f.menu.bottom;
  }
  RECT inner = Rect(f.border, top, width - f.border, height - f.border);
  f.edge = EdgeWidth(ex_style);
  if (f.edge > 0) {
    f.edge_outer = inner;
    inner =
        Rect(inner.left + f.edge, inner.top + f.edge, inner.right - f.edge, inner.bottom - f.edge);
  }
  if ((style & WS_VSCROLL) && (ex_style & WS_EX_LEFTSCROLLBAR)) {
    f.has_vscroll = true;
    f.vscroll = Rect(inner.left, inner.top, inner.left + kScrollBar, inner.bottom);
    inner.left += kScrollBar;
  } else if (style & WS_VSCROLL) {
    f.has_vscroll = true;
    f.vscroll = Rect(inner.right - kScrollBar, inner.top, inner.right, inner.bottom);
    inner.right -= kScrollBar;
  }
  if (style & WS_HSCROLL) {
    f.has_hscroll = true;
    f.hscroll = Rect(inner.left, inner.bottom - kScrollBar, inner.right, inner.bottom);
    inner.bottom -= kScrollBar;
    if (f.has_vscroll) f.vscroll.bottom -= kScrollBar;
  }
  inner.right = std::max(inner.left, inner.right);
  inner.bottom = std::max(inner.top, inner.bottom);
  f.client = inner;
  return f;
}

void SetMenuBarHandler(const MenuBarHandler* handler) {
  g_menu_bar.store(handler);
}

const MenuBarHandler* CurrentMenuBarHandler() {
  return g_menu_bar.load();
}

void SetScrollBarHandler(const ScrollBarHandler* handler) {
  g_scroll_bars.store(handler);
}

const ScrollBarHandler* CurrentScrollBarHandler() {
  return g_scroll_bars.load();
}

bool GetWindowScrollBarRect(HWND hwnd, bool vertical, RECT* rect) {
  auto lock = platform::user::Lock();
  platform::user::Window* window = platform::user::FindWindowRecord(hwnd);
  if (window == nullptr || rect == nullptr) return false;
  FrameLayout f = platform::user::LayoutOf(window);
  if (vertical ? !f.has_vscroll : !f.has_hscroll) return false;
  *rect = vertical ? f.vscroll : f.hscroll;
  return true;
}

}  // namespace platform

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The layout of a large window tells how far the client area sits from
  // each edge.
  constexpr int kProbe = 1000;
  style &= ~WS_MINIMIZE;
  platform::FrameLayout f = platform::ComputeFrameLayout(style, ex_style, 0, kProbe, kProbe,
                                                         menu ? GetSystemMetrics(SM_CYMENU) : 0);
  rect->left -= f.client.left;
  rect->top -= f.client.top;
  rect->right += kProbe - f.client.right;
  rect->bottom += kProbe - f.client.bottom;
  return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
  return AdjustWindowRectEx(rect, style, menu, 0);
}

namespace platform::user {

int MenuBarHeight(const Window* window, int width) {
  const platform::MenuBarHandler* handler = g_menu_bar.load();
  if (handler == nullptr || handler->height == nullptr || window->menu == nullptr ||
      window->IsChild()) {
    return 0;
  }
  // The bar spans the window between the frame's sides.
  const int bar_width = width - 2 * BorderWidth(window->style, window->ex_style);
  return handler->height(window->handle, window->menu, std::max(0, bar_width));
}

platform::FrameLayout LayoutOf(const Window* window) {
  int width = window->Width();
  UINT class_style = window->window_class ? window->window_class->style : 0;
  return platform::ComputeFrameLayout(window->style, window->ex_style, class_style, width,
                                      window->Height(), MenuBarHeight(window, width));
}

namespace {

struct FrameSnapshot {
  platform::FrameLayout layout;
  DWORD style = 0;
  DWORD ex_style = 0;
  UINT class_style = 0;
  bool active = false;
  std::string text;
  HMENU menu = nullptr;
  int width = 0, height = 0;
  RECT screen{};
  RECT client{};  // the client area as the window has it, window coordinates
};

bool Snapshot(HWND hwnd, FrameSnapshot* snap) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  if (window == nullptr) return false;
  snap->layout = LayoutOf(window);
  snap->style = window->style;
  snap->ex_style = window->ex_style;
  snap->class_style = window->window_class ? window->window_class->style : 0;
  snap->active = window->nc_active;
  snap->text = window->text;
  snap->menu = window->menu;
  snap->width = window->Width();
  snap->height = window->Height();
  snap->screen = WindowRectOnScreen(window);
  snap->client = ClientRectInWindow(window);
  return true;
}

LRESULT BorderHit(const FrameSnapshot& s, POINT p) {
  const int b = s.layout.border;
  if (!(s.style & WS_THICKFRAME) || (s.style & (WS_MAXIMIZE | WS_MINIMIZE))) return HTBORDER;
  // Corners reach along each edge as far as a caption button plus the frame.
  const int corner = GetSystemMetrics(SM_CXSIZE) + b;
  const bool left = p.x < corner, right = p.x >= s.width - corner;
  const bool top = p.y < corner, bottom = p.y >= s.height - corner;
  if (p.y < b) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
  if (p.y >= s.height - b) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
  if (p.x < b) return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
  if (p.x >= s.width - b) return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
  return HTBORDER;
}

LRESULT CaptionHit(const platform::FrameLayout& f, POINT p) {
  if (f.has_close && Inside(f.close, p)) return HTCLOSE;
  if (f.has_minmax && Inside(f.maximize, p)) return HTMAXBUTTON;
  if (f.has_minmax && Inside(f.minimize, p)) return HTMINBUTTON;
  if (f.has_help && Inside(f.help, p)) return HTHELP;
  if (f.has_icon && p.x < f.icon.right + 1) return HTSYSMENU;
  return HTCAPTION;
}

// A 16 x 16 window picture for the system-menu icon: our windows have no
// icon images of their own.
void DrawWindowGlyph(HDC dc, const RECT& r) {
  RECT outer{r.left + 1, r.top + 2, r.right - 1, r.bottom - 2};
  FrameRect(dc, &outer, GetSysColorBrush(COLOR_WINDOWFRAME));
  RECT bar{outer.left + 1, outer.top + 1, outer.right - 1, outer.top + 4};
  FillRect(dc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
  RECT body{outer.left + 1, bar.bottom, outer.right - 1, outer.bottom - 1};
  FillRect(dc, &body, GetSysColorBrush(COLOR_WINDOW));
}

void DrawOuterFrame(HDC dc, const FrameSnapshot& s) {
  RECT r{0, 0, s.width, s.height};
  const int b = s.layout.border;
  if (b == 1) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    return;
  }
  if (b < 3) return;
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  int border_color = (s.style & WS_THICKFRAME)
                         ? (s.active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER)
                         : COLOR_3DFACE;
  for (int i = 2; i < b; ++i) {
    FrameRect(dc, &r, GetSysColorBrush(border_color));
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
}

UINT ButtonState(bool pushed, bool inactive) {
  return (pushed ? DFCS_PUSHED : 0u) | (inactive ? DFCS_INACTIVE : 0u);
}

}  // namespace

// Draws the caption bar; `pressed` is the button held down (HTCLOSE,
// HTMINBUTTON, HTMAXBUTTON, HTHELP) or 0.
void DrawCaption(HDC dc, const FrameSnapshot& s, LRESULT pressed) {
  const platform::FrameLayout& f = s.layout;
  RECT bar = f.caption;
  FillRect(dc, &bar, GetSysColorBrush(s.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
  RECT line{bar.left, bar.bottom, bar.right, bar.bottom + 1};
  FillRect(dc, &line, GetSysColorBrush(COLOR_3DFACE));
  int text_left = bar.left + 2;
  if (f.has_icon) {
    DrawWindowGlyph(dc, f.icon);
    text_left = f.icon.right + 2;
  }
  int text_right = bar.right - 2;
  if (f.has_close) text_right = f.close.left - 2;
  if (f.has_minmax) text_right = f.minimize.left - 2;
  if (f.has_help) text_right = f.help.left - 2;
  if (!s.text.empty() && text_right > text_left) {
    LOGFONT lf = platform::DefaultGuiLogFont(true);
    if (s.ex_style & WS_EX_TOOLWINDOW) lf.lfWeight = FW_NORMAL;
    HFONT font = CreateFontIndirect(&lf);
    HGDIOBJ old_font = SelectObject(dc, font);
    int old_mode = SetBkMode(dc, TRANSPARENT);
    COLORREF old_color =
        SetTextColor(dc, GetSysColor(s.active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT text{text_left, bar.top, text_right, bar.bottom};
    DrawText(dc, s.text.c_str(), -1, &text,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, old_color);
    SetBkMode(dc, old_mode);
    SelectObject(dc, old_font);
    DeleteObject(font);
  }
  if (f.has_close) {
    RECT r = f.close;
    DrawFrameControl(
        dc, &r, DFC_CAPTION,
        DFCS_CAPTIONCLOSE | ButtonState(pressed == HTCLOSE, (s.class_style & CS_NOCLOSE) != 0));
  }
  if (f.has_minmax) {
    RECT r = f.maximize;
    UINT kind = (s.style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX;
    DrawFrameControl(dc, &r, DFC_CAPTION,
                     kind | ButtonState(pressed == HTMAXBUTTON, !(s.style & WS_MAXIMIZEBOX)));
    r = f.minimize;
    kind = (s.style & WS_MINIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN;
    DrawFrameControl(dc, &r, DFC_CAPTION,
                     kind | ButtonState(pressed == HTMINBUTTON, !(s.style & WS_MINIMIZEBOX)));
  }
  if (f.has_help) {
    RECT r = f.help;
    DrawFrameControl(dc, &r, DFC_CAPTION, DFCS_CAPTIONHELP | ButtonState(pressed == HTHELP, false));
  }
}

void DrawScrollBarFrame(HDC dc, const RECT& bar, bool vertical) {
  RECT r = bar;
  FillRect(dc, &r, GetSysColorBrush(COLOR_SCROLLBAR));
  RECT first = r, second = r;
  if (vertical) {
    first.bottom = std::min(r.bottom, r.top + kScrollBar);
    second.top = std::max(r.top, r.bottom - kScrollBar);
  } else {
    first.right = std::min(r.right, r.left + kScrollBar);
    second.left = std::max(r.left, r.right - kScrollBar);
  }
  DrawFrameControl(dc, &first, DFC_SCROLL, vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT);
  DrawFrameControl(dc, &second, DFC_SCROLL, vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
}

void PaintFrame(HWND hwnd, HDC dc, const FrameSnapshot& s, LRESULT pressed) {
  const platform::FrameLayout& f = s.layout;
  // The client area is the window's own to paint.
  ExcludeClipRect(dc, s.client.left, s.client.top, s.client.right, s.client.bottom);
  DrawOuterFrame(dc, s);
  if (f.has_caption) DrawCaption(dc, s, pressed);
  if (f.has_menu) {
    const platform::MenuBarHandler* handler = g_menu_bar.load();
    if (handler != nullptr && handler->paint != nullptr) {
      handler->paint(hwnd, s.menu, dc, f.menu);
    } else {
      RECT r = f.menu;
      FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
    }
  }
  if (f.edge == 2) {
    RECT r = f.edge_outer;
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  } else if (f.edge == 1) {
    RECT r = f.edge_outer;
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  }
  const platform::ScrollBarHandler* bars = g_scroll_bars.load();
  if (bars != nullptr && bars->paint != nullptr) {
    if (f.has_vscroll) bars->paint(hwnd, dc, f.vscroll, true);
    if (f.has_hscroll) bars->paint(hwnd, dc, f.hscroll, false);
  } else {
    if (f.has_vscroll) DrawScrollBarFrame(dc, f.vscroll, true);
    if (f.has_hscroll) DrawScrollBarFrame(dc, f.hscroll, false);
  }
  if (f.has_vscroll && f.has_hscroll) {
    RECT corner{f.vscroll.left, f.hscroll.top, f.vscroll.right, f.hscroll.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_3DFACE));
  }
}

void PaintFrameNow(HWND hwnd, HRGN clip, LRESULT pressed) {
  FrameSnapshot s;
  if (!Snapshot(hwnd, &s)) return;
  HDC dc = clip != nullptr ? GetDCEx(hwnd, clip, DCX_WINDOW | DCX_INTERSECTRGN) : GetWindowDC(hwnd);
  if (dc == nullptr) return;
  PaintFrame(hwnd, dc, s, pressed);
  ReleaseDC(hwnd, dc);
}

LRESULT DefNcCalcSize(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  if (lparam == 0) return 0;
  RECT* proposed = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0]
                          : reinterpret_cast<RECT*>(lparam);
  DWORD style = 0, ex_style = 0;
  UINT class_style = 0;
  int menu_height = 0;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return 0;
    style = window->style;
    ex_style = window->ex_style;
    class_style = window->window_class ? window->window_class->style : 0;
    menu_height = MenuBarHeight(window, proposed->right - proposed->left);
  }
  platform::FrameLayout f =
      platform::ComputeFrameLayout(style, ex_style, class_style, proposed->right - proposed->left,
                                   proposed->bottom - proposed->top, menu_height);
  RECT client{proposed->left + f.client.left, proposed->top + f.client.top,
              proposed->left + f.client.right, proposed->top + f.client.bottom};
  *proposed = client;
  return 0;
}

LRESULT DefNcHitTest(HWND hwnd, LPARAM lparam) {
  FrameSnapshot s;
  if (!Snapshot(hwnd, &s)) return HTNOWHERE;
  POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr || !ContainsScreenPoint(window, screen)) return HTNOWHERE;
  }
  POINT p{screen.x - s.screen.left, screen.y - s.screen.top};
  const platform::FrameLayout& f = s.layout;
  if (Inside(s.client, p)) return HTCLIENT;
  if (f.has_vscroll && Inside(f.vscroll, p)) return HTVSCROLL;
  if (f.has_hscroll && Inside(f.hscroll, p)) return HTHSCROLL;
  if (f.has_vscroll && f.has_hscroll && p.x >= f.vscroll.left && p.y >= f.hscroll.top &&
      p.x < f.vscroll.right && p.y < f.hscroll.bottom) {
    return (s.style & WS_THICKFRAME) ? HTBOTTOMRIGHT : HTGROWBOX;
  }
  if (f.has_menu && Inside(f.menu, p)) return HTMENU;
  if (f.has_caption && Inside(f.caption, p)) return CaptionHit(f, p);
  const int b = f.border;
  if (p.x < b || p.y < b || p.x >= s.width - b || p.y >= s.height - b) return BorderHit(s, p);
  return HTBORDER;  // the line under the caption, the client edge
}

void DefNcPaint(HWND hwnd, HRGN update) {
  // wParam 1 means the whole frame.
  HRGN clip = reinterpret_cast<std::uintptr_t>(update) > 1 ? update : nullptr;
  PaintFrameNow(hwnd, clip, 0);
}

LRESULT DefNcActivate(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  bool changed = false;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return TRUE;
    changed = window->nc_active != (wparam != 0);
    window->nc_active = wparam != 0;
  }
  // lParam -1: only the state changes, nothing is drawn.
  if (lparam != -1 && IsWindowVisible(hwnd)) PaintFrameNow(hwnd, nullptr, 0);
  (void)changed;
  return TRUE;
}

// Draws a caption button pressed or released (button tracking).
void PaintCaptionButton(HWND hwnd, LRESULT pressed) {
  PaintFrameNow(hwnd, nullptr, pressed);
}

bool CaptionButtonRect(HWND hwnd, LRESULT hit, RECT* screen_rect) {
  FrameSnapshot s;
  if (!Snapshot(hwnd, &s)) return false;
  const platform::FrameLayout& f = s.layout;
  RECT r{};
  if (hit == HTCLOSE && f.has_close)
    r = f.close;
  else if (hit == HTMAXBUTTON && f.has_minmax)
    r = f.maximize;
  else if (hit == HTMINBUTTON && f.has_minmax)
    r = f.minimize;
  else if (hit == HTHELP && f.has_help)
    r = f.help;
  else
    return false;
  *screen_rect = RECT{r.left + s.screen.left, r.top + s.screen.top, r.right + s.screen.left,
                      r.bottom + s.screen.top};
  return true;
}

}  // namespace platform::user

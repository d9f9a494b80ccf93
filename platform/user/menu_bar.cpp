// Menus on windows: the menu bar drawn in the non-client area (installed
// as the frame's menu-bar handler when the platform library loads),
// SetMenu and its kin, item rectangles, and TrackPopupMenu.
#include "platform/user/menu_bar.h"

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"
#include "platform/user/menu.h"
#include "platform/user/menu_data.h"
#include "platform/user/menu_layout.h"
#include "platform/user/menu_tracker.h"
#include "platform/user/nonclient.h"
#include "platform/user/painting.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_position.h"

using namespace platform::user;

namespace {

int HandlerHeight(HWND, HMENU menu, int width) {
  return menus::BarHeight(menu, width);
}

void HandlerPaint(HWND hwnd, HMENU menu, HDC dc, const RECT& rect) {
  menus::PaintBar(hwnd, menu, dc, rect);
}

void HandlerTrack(HWND hwnd, HMENU, WPARAM command, LPARAM lparam) {
  // Keys typed in a child window reach its top-level window's menus.
  HWND top = GetAncestor(hwnd, GA_ROOT);
  menus::TrackBar(top != nullptr ? top : hwnd, command, lparam);
}

const platform::MenuBarHandler kBarHandler{&HandlerHeight, &HandlerPaint, &HandlerTrack};

// Installed when the library loads, so every top-level window with a menu
// shows its bar.
[[maybe_unused]] const bool kBarHandlerInstalled = [] {
  platform::SetMenuBarHandler(&kBarHandler);
  return true;
}();

// The bar rectangle in window coordinates and the window's menu; false
// when the window shows no bar.
bool BarInWindow(HWND hwnd, RECT* bar, HMENU* menu) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  if (window == nullptr || window->IsChild() || window->menu == nullptr) return false;
  platform::FrameLayout layout = LayoutOf(window);
  if (!layout.has_menu) return false;
  *bar = layout.menu;
  *menu = window->menu;
  return true;
}

// Lays out and measures the bar again and makes the frame follow it.
void RefreshFrame(HWND hwnd, HMENU menu) {
  if (menu != nullptr) menus::MeasureBarItems(hwnd, menu);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// An item's rectangle on the screen: from the bar of `hwnd`, or from the
// popup window showing `menu` now.
bool ItemScreenRect(HWND hwnd, HMENU menu, int position, RECT* rect) {
  std::optional<menus::MenuView> view = menus::View(menu);
  if (!view) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return false;
  }
  if (position < 0 || static_cast<std::size_t>(position) >= view->items.size()) {
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return false;
  }
  POINT origin{};
  if (view->window != nullptr) {
    RECT window;
    GetWindowRect(view->window, &window);
    origin = POINT{window.left, window.top};
  } else {
    RECT bar;
    if (hwnd == nullptr || GetMenu(hwnd) != menu || !menus::BarScreenRect(hwnd, &bar)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    origin = menus::WindowOrigin(hwnd);
    view = menus::View(menu);  // the rectangles were laid out again
    if (!view || static_cast<std::size_t>(position) >= view->items.size()) return false;
  }
  const RECT& r = view->items[static_cast<std::size_t>(position)].rect;
  *rect = RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
  return true;
}

}  // namespace

namespace platform::user::menus {

POINT WindowOrigin(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return POINT{r.left, r.top};
}

bool BarScreenRect(HWND hwnd, RECT* bar) {
  RECT in_window;
  HMENU menu = nullptr;
  if (!BarInWindow(hwnd, &in_window, &menu)) return false;
  LayoutBar(menu, in_window);
  const POINT origin = WindowOrigin(hwnd);
  *bar = RECT{in_window.left + origin.x, in_window.top + origin.y, in_window.right + origin.x,
              in_window.bottom + origin.y};
  return true;
}

RECT SystemIconScreenRect(HWND hwnd) {
  platform::FrameLayout layout;
  bool found = false;
  {
    auto lock = Lock();
    if (Window* window = FindWindowRecord(hwnd)) {
      layout = LayoutOf(window);
      found = true;
    }
  }
  const POINT origin = WindowOrigin(hwnd);
  RECT r{};
  if (found && layout.has_icon) {
    r = layout.icon;
  } else if (found) {
    r = RECT{layout.client.left, layout.client.top, layout.client.left, layout.client.top};
  }
  return RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
}

bool HasSystemMenuEntry(HWND hwnd) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  return (style & WS_SYSMENU) && (style & WS_CAPTION) == WS_CAPTION && !(style & WS_CHILD);
}

void RedrawBar(HWND hwnd) {
  RECT bar;
  HMENU menu = nullptr;
  if (!IsWindowVisible(hwnd) || !BarInWindow(hwnd, &bar, &menu)) return;
  HDC dc = GetWindowDC(hwnd);
  if (dc == nullptr) return;
  PaintBar(hwnd, menu, dc, bar);
  ReleaseDC(hwnd, dc);
}

}  // namespace platform::user::menus

BOOL SetMenu(HWND hwnd, HMENU menu) {
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    if (window->IsChild()) {
      SetLastError(ERROR_CHILD_WINDOW_MENU);
      return FALSE;
    }
  }
  if (menu != nullptr && !IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    window->menu = menu;
  }
  RefreshFrame(hwnd, menu);
  return TRUE;
}

HMENU GetMenu(HWND hwnd) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr || window->IsChild()) return nullptr;
  return window->menu;
}

BOOL DrawMenuBar(HWND hwnd) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RefreshFrame(hwnd, GetMenu(hwnd));
  menus::RedrawBar(hwnd);
  return TRUE;
}

BOOL HiliteMenuItem(HWND hwnd, HMENU menu, UINT item, UINT flags) {
  std::optional<menus::ItemRef> ref = menus::Locate(menu, item, (flags & MF_BYPOSITION) != 0);
  if (!ref) {
    SetLastError(IsMenu(menu) ? ERROR_MENU_ITEM_NOT_FOUND : ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  std::optional<menus::MenuView> view = menus::View(ref->menu);
  if (!view) return FALSE;
  int hilited = -1;
  for (std::size_t i = 0; i < view->items.size(); ++i) {
    if (view->items[i].IsHilited()) hilited = static_cast<int>(i);
  }
  if (flags & MF_HILITE) {
    menus::SetHilite(ref->menu, ref->position);
  } else if (hilited == ref->position) {
    menus::SetHilite(ref->menu, -1);
  }
  if (hwnd != nullptr && GetMenu(hwnd) == ref->menu) menus::RedrawBar(hwnd);
  if (view->window != nullptr) InvalidateRect(view->window, nullptr, FALSE);
  return TRUE;
}

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT item, LPRECT rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ItemScreenRect(hwnd, menu, static_cast<int>(item), rect) ? TRUE : FALSE;
}

int MenuItemFromPoint(HWND hwnd, HMENU menu, POINT screen_point) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    RECT r;
    if (ItemScreenRect(hwnd, menu, i, &r) && Inside(r, screen_point)) return i;
  }
  return -1;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, LPTPMPARAMS params) {
  if (!IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const RECT* exclude = params != nullptr ? &params->rcExclude : nullptr;
  bool started = false;
  UINT chosen = menus::TrackPopup(menu, flags, POINT{x, y}, hwnd, exclude, &started);
  if (!started) {
    SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
    return FALSE;
  }
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND hwnd,
                    const RECT* rect) {
  (void)rect;
  if (reserved != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TrackPopupMenuEx(menu, flags, x, y, hwnd, nullptr);
}

BOOL EndMenu() {
  return menus::EndTracking() ? TRUE : FALSE;
}

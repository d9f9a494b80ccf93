#include "platform/user/window_position.h"

#include <algorithm>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/message_queue.h"
#include "platform/user/remote_windows.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_system.h"

using namespace platform::user;

namespace {

using platform::Region;

int Width(const RECT& r) {
  return r.right - r.left;
}
int Height(const RECT& r) {
  return r.bottom - r.top;
}

RECT Offset(RECT r, POINT by) {
  r.left += by.x;
  r.right += by.x;
  r.top += by.y;
  r.bottom += by.y;
  return r;
}

POINT ClientOriginOnScreen(const Window* window);

// Screen position of the origin of the coordinates a window's rectangles
// are kept in (its parent's client area).
POINT ParentOriginOnScreen(const Window* window) {
  if (window->parent == nullptr || window->parent->kind != WindowKind::kOrdinary) return POINT{};
  return ClientOriginOnScreen(window->parent);
}

POINT ClientOriginOnScreen(const Window* window) {
  POINT origin = ParentOriginOnScreen(window);
  origin.x += window->client_rect.left;
  origin.y += window->client_rect.top;
  return origin;
}

// A window given to a geometry call: null means the screen.
bool OriginOf(HWND hwnd, POINT* origin) {
  if (hwnd == nullptr) {
    *origin = POINT{};
    return true;
  }
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return false;
  *origin = ClientOriginOnScreen(window);
  return true;
}

WPARAM SizeType(DWORD style) {
  if (style & WS_MINIMIZE) return SIZE_MINIMIZED;
  if (style & WS_MAXIMIZE) return SIZE_MAXIMIZED;
  return SIZE_RESTORED;
}

void PlaceInZOrder(Window* window, HWND insert_after);

void PlaceInZOrder(Window* window, HWND insert_after) {
  auto& siblings = window->parent->children;
  if (insert_after == HWND_TOPMOST) {
    window->ex_style |= WS_EX_TOPMOST;
  } else if (insert_after == HWND_NOTOPMOST || insert_after == HWND_BOTTOM) {
    window->ex_style &= ~WS_EX_TOPMOST;
  }
  std::erase(siblings, window);
  if (insert_after == HWND_BOTTOM) {
    siblings.push_back(window);
    return;
  }
  if (insert_after != HWND_TOP && insert_after != HWND_TOPMOST && insert_after != HWND_NOTOPMOST) {
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [&](const Window* w) { return w->handle == insert_after; });
    if (it != siblings.end()) {
      siblings.insert(it + 1, window);
      return;
    }
  }
  // On top of its band: topmost windows above all others.
  auto position = siblings.begin();
  if ((window->ex_style & WS_EX_TOPMOST) == 0) {
    position = std::find_if(siblings.begin(), siblings.end(), [](const Window* sibling) {
      return (sibling->ex_style & WS_EX_TOPMOST) == 0;
    });
  }
  siblings.insert(position, window);
  // Owned top-level windows stay above their owner.
  if (window->IsTopLevel()) {
    for (Window* owned : window->owned) {
      if (owned->parent == window->parent && owned->IsTopLevel()) PlaceInZOrder(owned, HWND_TOP);
    }
  }
}

bool IsSpecialInsertAfter(HWND insert_after) {
  return insert_after == HWND_TOP || insert_after == HWND_BOTTOM || insert_after == HWND_TOPMOST ||
         insert_after == HWND_NOTOPMOST;
}

// The requested position, completed from the window where the flags keep
// something as it is. False (error set) for a bad window.
bool PrepareWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags,
                      WINDOWPOS* pos, RECT* old_window, RECT* old_client) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return false;
  if (window->kind != WindowKind::kOrdinary) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!(flags & SWP_NOZORDER) && !IsSpecialInsertAfter(insert_after) &&
      RequireWindow(insert_after) == nullptr) {
    return false;
  }
  *old_window = window->window_rect;
  *old_client = window->client_rect;
  flags &= ~(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
  if (window->style & WS_VISIBLE) {
    flags &= ~SWP_SHOWWINDOW;
  } else {
    flags &= ~SWP_HIDEWINDOW;
  }
  pos->hwnd = hwnd;
  pos->hwndInsertAfter = insert_after;
  pos->x = (flags & SWP_NOMOVE) ? old_window->left : x;
  pos->y = (flags & SWP_NOMOVE) ? old_window->top : y;
  pos->cx = (flags & SWP_NOSIZE) ? Width(*old_window) : std::max(0, width);
  pos->cy = (flags & SWP_NOSIZE) ? Height(*old_window) : std::max(0, height);
  pos->flags = flags;
  return true;
}

RECT RectOf(const WINDOWPOS& pos, const RECT& old_window) {
  RECT r = old_window;
  if (!(pos.flags & SWP_NOMOVE)) {
    r = Offset(r, POINT{pos.x - old_window.left, pos.y - old_window.top});
  }
  if (!(pos.flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(0, pos.cx);
    r.bottom = r.top + std::max(0, pos.cy);
  }
  return r;
}

// What a position change did to a window, for what follows it.
struct Applied {
  bool shown = false;
  bool hidden = false;
  bool top_level = false;
};

// The parent's client area where a child window was (window coordinates of
// the parent), to repaint what it uncovers.
Region AreaInParent(const Window* child, const RECT& rect) {
  RECT client = ClientRectInWindow(child->parent);
  return Region(RECT{rect.left + client.left, rect.top + client.top, rect.right + client.left,
                     rect.bottom + client.top});
}

bool ApplyWindowPos(const WINDOWPOS& pos, const RECT& window_rect, const RECT& client_rect,
                    Applied* applied) {
  auto lock = Lock();
  Window* window = FindWindowRecord(pos.hwnd);
  if (window == nullptr) return false;
  const RECT old_rect = window->window_rect;
  const bool was_visible = (window->style & WS_VISIBLE) != 0;
  window->window_rect = window_rect;
  window->client_rect = client_rect;
  const bool z_changed = !(pos.flags & SWP_NOZORDER);
  if (z_changed) PlaceInZOrder(window, pos.hwndInsertAfter);
  if (pos.flags & SWP_SHOWWINDOW) window->style |= WS_VISIBLE;
  if (pos.flags & SWP_HIDEWINDOW) window->style &= ~WS_VISIBLE;
  const bool visible = (window->style & WS_VISIBLE) != 0;
  applied->shown = visible && !was_visible;
  applied->hidden = was_visible && !visible;
  applied->top_level = window->IsTopLevel();
  const bool moved = !(pos.flags & SWP_NOMOVE);
  const bool sized = !(pos.flags & SWP_NOSIZE) || (pos.flags & SWP_FRAMECHANGED);
  if (applied->top_level && visible) EnsureSurface(window);
  const bool redraw = !(pos.flags & SWP_NOREDRAW);
  if (redraw) {
    if (window->IsChild() && was_visible && (applied->hidden || moved || sized)) {
      Invalidate(window->parent, AreaInParent(window, old_rect), true, false, true);
    }
    if (visible && (applied->shown || sized || (window->IsChild() && (moved || z_changed)))) {
      InvalidateAll(window);
    }
  }
  RefreshWindowDCs();
  return true;
}

enum class SizeState { kKeep, kNormal, kMinimized, kMaximized };

SizeState StateForCommand(int command) {
  switch (command) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      return SizeState::kMinimized;
    case SW_SHOWMAXIMIZED:
      return SizeState::kMaximized;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      return SizeState::kNormal;
  }
  return SizeState::kKeep;
}

// Owned windows go when their owner is minimized and come back with it.
void ShowOwnedWindows(HWND owner, bool show) {
  std::vector<HWND> owned;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(owner);
    if (window == nullptr) return;
    for (Window* w : window->owned) {
      const bool visible = (w->style & WS_VISIBLE) != 0;
      if (show ? w->hidden_with_owner : visible) owned.push_back(w->handle);
      w->hidden_with_owner = !show && visible;
    }
  }
  for (HWND hwnd : owned) {
    SendMessage(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE,
                show ? SW_PARENTOPENING : SW_PARENTCLOSING);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
}

// Where minimized windows go: off the screen, as the platform keeps them.
constexpr int kMinimizedPosition = -32000;

// Moves a window into the minimized, maximized or normal state: the style
// bits, the rectangle (saving the normal one), WM_SIZE with the new kind.
void ChangeSizeState(HWND hwnd, SizeState state, bool activate) {
  RECT target{};
  bool was_visible = false;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return;
    if (state == SizeState::kNormal && (window->style & WS_MINIMIZE) &&
        window->restore_to_maximized) {
      // A window minimized from maximized goes back to maximized.
      window->restore_to_maximized = false;
      lock.unlock();
      ChangeSizeState(hwnd, SizeState::kMaximized, activate);
      return;
    }
    was_visible = (window->style & WS_VISIBLE) != 0;
    const bool normal_now = !(window->style & (WS_MINIMIZE | WS_MAXIMIZE));
    if (normal_now && state != SizeState::kNormal) {
      window->normal_rect = window->window_rect;
      window->has_normal_rect = true;
    }
    if (state == SizeState::kMinimized) {
      window->restore_to_maximized = (window->style & WS_MAXIMIZE) != 0;
    }
  }
  if (state == SizeState::kMaximized) {
    MINMAXINFO info = platform::user::QueryMinMaxInfo(hwnd);
    LONG width = std::min(info.ptMaxSize.x, info.ptMaxTrackSize.x);
    LONG height = std::min(info.ptMaxSize.y, info.ptMaxTrackSize.y);
    target = RECT{info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + width,
                  info.ptMaxPosition.y + height};
  }
  RECT client_before{};
  bool was_minimized = false;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return;
    client_before = window->client_rect;
    was_minimized = (window->style & WS_MINIMIZE) != 0;
    window->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    if (state == SizeState::kMinimized) {
      window->style |= WS_MINIMIZE;
      target = RECT{kMinimizedPosition, kMinimizedPosition,
                    kMinimizedPosition + GetSystemMetrics(SM_CXMINIMIZED),
                    kMinimizedPosition + GetSystemMetrics(SM_CYMINIMIZED)};
    } else if (state == SizeState::kMaximized) {
      window->style |= WS_MAXIMIZE;
    } else if (state == SizeState::kNormal) {
      target = window->has_normal_rect ? window->normal_rect : window->window_rect;
      window->has_normal_rect = false;
    }
  }
  if (state == SizeState::kMinimized && !was_minimized) ShowOwnedWindows(hwnd, false);
  if (!was_visible) SendMessage(hwnd, WM_SHOWWINDOW, TRUE, 0);
  UINT flags = SWP_FRAMECHANGED | SWP_SHOWWINDOW | (activate ? 0u : SWP_NOACTIVATE | SWP_NOZORDER);
  SetWindowPos(hwnd, HWND_TOP, target.left, target.top, Width(target), Height(target), flags);
  RECT client_after{};
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return;
    client_after = window->client_rect;
  }
  // The kind of size changed even where the size did not.
  if (Width(client_after) == Width(client_before) &&
      Height(client_after) == Height(client_before)) {
    SendSize(hwnd);
  }
  if (state != SizeState::kMinimized && was_minimized) ShowOwnedWindows(hwnd, true);
}

bool DoesNotActivate(int command) {
  return command == SW_HIDE || command == SW_SHOWNOACTIVATE || command == SW_SHOWNA ||
         command == SW_SHOWMINNOACTIVE || command == SW_FORCEMINIMIZE;
}

bool HasStyle(HWND hwnd, DWORD bits) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  return window != nullptr && (window->style & bits) != 0;
}

}  // namespace

namespace platform::user {

namespace {

bool ClientAndStyle(HWND hwnd, RECT* client, DWORD* style) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  if (window == nullptr) return false;
  *client = window->client_rect;
  *style = window->style;
  return true;
}

}  // namespace

void SendSize(HWND hwnd) {
  RECT client;
  DWORD style = 0;
  if (!ClientAndStyle(hwnd, &client, &style)) return;
  SendMessage(hwnd, WM_SIZE, SizeType(style),
              MAKELPARAM(static_cast<WORD>(Width(client)), static_cast<WORD>(Height(client))));
}

void SendMove(HWND hwnd) {
  RECT client;
  DWORD style = 0;
  if (!ClientAndStyle(hwnd, &client, &style)) return;
  SendMessage(hwnd, WM_MOVE, 0,
              MAKELPARAM(static_cast<WORD>(client.left), static_cast<WORD>(client.top)));
}

void SendSizeAndMove(HWND hwnd) {
  SendSize(hwnd);
  SendMove(hwnd);
}

}  // namespace platform::user

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int width, int height, UINT flags) {
  WINDOWPOS pos;
  RECT old_window, old_client;
  if (!PrepareWindowPos(hwnd, insert_after, x, y, width, height, flags, &pos, &old_window,
                        &old_client)) {
    return FALSE;
  }
  if (!(pos.flags & SWP_NOSENDCHANGING)) {
    SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  }
  RECT new_window = RectOf(pos, old_window);
  bool moved = new_window.left != old_window.left || new_window.top != old_window.top;
  bool sized = Width(new_window) != Width(old_window) || Height(new_window) != Height(old_window);
  if (!moved) pos.flags |= SWP_NOMOVE;
  if (!sized) pos.flags |= SWP_NOSIZE;
  RECT new_client = old_client;
  if (moved || sized || (pos.flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS params;
    params.rgrc[0] = new_window;
    params.rgrc[1] = old_window;
    params.rgrc[2] = old_client;
    params.lppos = &pos;
    SendMessage(hwnd, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    new_client = params.rgrc[0];
  }
  Applied applied;
  if (!ApplyWindowPos(pos, new_window, new_client, &applied)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (Width(new_client) == Width(old_client) && Height(new_client) == Height(old_client)) {
    pos.flags |= SWP_NOCLIENTSIZE;
  }
  if (new_client.left == old_client.left && new_client.top == old_client.top) {
    pos.flags |= SWP_NOCLIENTMOVE;
  }
  SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (applied.hidden) WindowLeaving(hwnd, false);
  if (applied.top_level && !(pos.flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW)) &&
      (applied.shown || !(pos.flags & SWP_NOZORDER)) && IsWindowVisible(hwnd)) {
    ActivateWindow(hwnd, WA_ACTIVE);
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW);
  return SetWindowPos(hwnd, nullptr, x, y, width, height, flags);
}

BOOL ShowWindow(HWND hwnd, int command) {
  if (platform::remote::IsRemote(hwnd)) return platform::remote::ShowWindow(hwnd, command);
  if (command < SW_HIDE || command > SW_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool was_visible = false;
  DWORD style = 0;
  bool top_level = false;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    was_visible = (window->style & WS_VISIBLE) != 0;
    style = window->style;
    top_level = window->IsTopLevel();
  }
  const bool activate = top_level && !DoesNotActivate(command);
  switch (StateForCommand(command)) {
    case SizeState::kMinimized:
      // Only SW_SHOWMINIMIZED keeps the window active; the others hand
      // activation on to the next window.
      ChangeSizeState(hwnd, SizeState::kMinimized, activate && command == SW_SHOWMINIMIZED);
      if (command != SW_SHOWMINIMIZED) WindowLeaving(hwnd, false);
      break;
    case SizeState::kMaximized:
      ChangeSizeState(hwnd, SizeState::kMaximized, activate);
      break;
    case SizeState::kNormal:
      if (style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        ChangeSizeState(hwnd, SizeState::kNormal, activate);
        break;
      }
      [[fallthrough]];
    case SizeState::kKeep: {
      const bool show = command != SW_HIDE;
      if (show == was_visible) {
        if (show && activate) ActivateWindow(hwnd, WA_ACTIVE);
        break;
      }
      SendMessage(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
      UINT flags = SWP_NOMOVE | SWP_NOSIZE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
      if (!activate) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
      SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags);
      break;
    }
  }
  return was_visible ? TRUE : FALSE;
}

namespace platform::user {

MINMAXINFO QueryMinMaxInfo(HWND hwnd) {
  MINMAXINFO info;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return info;
    platform::FrameLayout frame = LayoutOf(window);
    RECT area = platform::WorkArea();
    if (window->IsChild())
      area = RECT{0, 0, Width(window->parent->client_rect), Height(window->parent->client_rect)};
    const int b = frame.border;
    info.ptMaxSize = POINT{Width(area) + 2 * b, Height(area) + 2 * b};
    info.ptMaxPosition = POINT{area.left - b, area.top - b};
    info.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    info.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  }
  SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  return info;
}

}  // namespace platform::user

BOOL IsWindowVisible(HWND hwnd) {
  auto lock = Lock();
  for (Window* window = FindWindowRecord(hwnd); window != nullptr; window = window->parent) {
    if ((window->style & WS_VISIBLE) == 0) return FALSE;
    if (!window->IsChild()) return TRUE;
  }
  return FALSE;
}

BOOL IsIconic(HWND hwnd) {
  if (platform::remote::IsRemote(hwnd)) return platform::remote::IsIconic(hwnd);
  return HasStyle(hwnd, WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  return HasStyle(hwnd, WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool was_disabled = false;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    was_disabled = (window->style & WS_DISABLED) != 0;
    if (enable) {
      window->style &= ~WS_DISABLED;
    } else {
      window->style |= WS_DISABLED;
    }
  }
  if (!enable && !was_disabled) WindowDisabled(hwnd);
  if (was_disabled == (enable != FALSE)) SendMessage(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return was_disabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  return window != nullptr && (window->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  *rect = Offset(window->window_rect, ParentOriginOnScreen(window));
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  *rect = RECT{0, 0, Width(window->client_rect), Height(window->client_rect)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  POINT origin;
  if (hwnd == nullptr || !OriginOf(hwnd, &origin)) {
    if (hwnd == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  POINT origin;
  if (hwnd == nullptr || !OriginOf(hwnd, &origin)) {
    if (hwnd == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  auto lock = Lock();
  POINT from_origin, to_origin;
  if (!OriginOf(from, &from_origin) || !OriginOf(to, &to_origin)) return 0;
  LONG dx = from_origin.x - to_origin.x;
  LONG dy = from_origin.y - to_origin.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
  if (placement == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  placement->length = sizeof(WINDOWPLACEMENT);
  placement->flags = window->restore_to_maximized ? WPF_RESTORETOMAXIMIZED : 0;
  if (!(window->style & WS_VISIBLE)) {
    placement->showCmd = SW_HIDE;
  } else if (window->style & WS_MINIMIZE) {
    placement->showCmd = SW_SHOWMINIMIZED;
  } else if (window->style & WS_MAXIMIZE) {
    placement->showCmd = SW_SHOWMAXIMIZED;
  } else {
    placement->showCmd = SW_SHOWNORMAL;
  }
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  placement->rcNormalPosition = window->has_normal_rect ? window->normal_rect : window->window_rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement) {
  if (placement == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool normal_now = false;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    normal_now = !(window->style & (WS_MINIMIZE | WS_MAXIMIZE));
    if (!normal_now) {
      window->normal_rect = placement->rcNormalPosition;
      window->has_normal_rect = true;
    }
  }
  if (normal_now) {
    const RECT& r = placement->rcNormalPosition;
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd, static_cast<int>(placement->showCmd));
  return TRUE;
}

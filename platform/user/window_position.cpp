#include "platform/user/window_position.h"

#include <algorithm>

#include "platform/core/errors.h"
#include "platform/user/message_queue.h"
#include "platform/user/window_system.h"

using namespace platform::user;

namespace {

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

bool ApplyWindowPos(const WINDOWPOS& pos, const RECT& window_rect, const RECT& client_rect) {
  auto lock = Lock();
  Window* window = FindWindowRecord(pos.hwnd);
  if (window == nullptr) return false;
  window->window_rect = window_rect;
  window->client_rect = client_rect;
  if (!(pos.flags & SWP_NOZORDER)) PlaceInZOrder(window, pos.hwndInsertAfter);
  if (pos.flags & SWP_SHOWWINDOW) window->style |= WS_VISIBLE;
  if (pos.flags & SWP_HIDEWINDOW) window->style &= ~WS_VISIBLE;
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

// Sets WS_MINIMIZE/WS_MAXIMIZE for a show command; true when they changed.
bool ApplySizeState(HWND hwnd, int command) {
  SizeState state = StateForCommand(command);
  if (state == SizeState::kKeep) return false;
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  if (window == nullptr) return false;
  DWORD before = window->style;
  window->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  if (state == SizeState::kMinimized) window->style |= WS_MINIMIZE;
  if (state == SizeState::kMaximized) window->style |= WS_MAXIMIZE;
  return window->style != before;
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
  if (!ApplyWindowPos(pos, new_window, new_client)) {
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
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW);
  return SetWindowPos(hwnd, nullptr, x, y, width, height, flags);
}

BOOL ShowWindow(HWND hwnd, int command) {
  if (command < SW_HIDE || command > SW_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool was_visible = false;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    was_visible = (window->style & WS_VISIBLE) != 0;
  }
  const bool show = command != SW_HIDE;
  if (show != was_visible) {
    SendMessage(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    if (DoesNotActivate(command)) flags |= SWP_NOACTIVATE;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags);
  }
  if (ApplySizeState(hwnd, command)) SendSizeAndMove(hwnd);
  return was_visible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  auto lock = Lock();
  for (Window* window = FindWindowRecord(hwnd); window != nullptr; window = window->parent) {
    if ((window->style & WS_VISIBLE) == 0) return FALSE;
    if (!window->IsChild()) return TRUE;
  }
  return FALSE;
}

BOOL IsIconic(HWND hwnd) {
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

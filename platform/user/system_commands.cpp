// What DefWindowProc does with WM_SYSCOMMAND, with presses on the frame
// and with WM_SETCURSOR: moving and sizing windows with the mouse, the
// caption buttons, minimise, maximise, restore and close.
#include <algorithm>

#include "platform/gdi/rect.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/activation.h"
#include "platform/user/cursor.h"
#include "platform/user/input.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_position.h"

using namespace platform::user;

namespace {

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

DWORD StyleOf(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
}

HMENU GetMenuOf(HWND hwnd) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  return window == nullptr || window->IsChild() ? nullptr : window->menu;
}

UINT ClassStyleOf(HWND hwnd) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  return window == nullptr || !window->window_class ? 0 : window->window_class->style;
}

// Takes the next message of a modal mouse loop; false when the loop must
// end (WM_QUIT is put back for the outer loop).
bool NextLoopMessage(MSG* msg) {
  BOOL result = GetMessage(msg, nullptr, 0, 0);
  if (result == 0) {
    PostQuitMessage(static_cast<int>(msg->wParam));
    return false;
  }
  return result > 0;
}

WPARAM ButtonCommand(HWND hwnd, LRESULT hit) {
  switch (hit) {
    case HTCLOSE:
      return SC_CLOSE;
    case HTMINBUTTON:
      return SC_MINIMIZE;
    case HTMAXBUTTON:
      return IsZoomed(hwnd) || IsIconic(hwnd) ? SC_RESTORE : SC_MAXIMIZE;
    case HTHELP:
      return SC_CONTEXTHELP;
  }
  return 0;
}

bool ButtonEnabled(HWND hwnd, LRESULT hit) {
  DWORD style = StyleOf(hwnd);
  if (hit == HTMINBUTTON) return (style & WS_MINIMIZEBOX) != 0;
  if (hit == HTMAXBUTTON) return (style & WS_MAXIMIZEBOX) != 0;
  if (hit == HTCLOSE) return (ClassStyleOf(hwnd) & CS_NOCLOSE) == 0;
  return true;
}

// Holds a caption button down while the left button is; the command runs
// when the button is released over it.
LRESULT TrackCaptionButton(HWND hwnd, LRESULT hit) {
  RECT button;
  if (!CaptionButtonRect(hwnd, hit, &button) || !ButtonEnabled(hwnd, hit)) return 0;
  bool over = true;
  bool released = false;
  POINT at{};
  PaintCaptionButton(hwnd, hit);
  SetCapture(hwnd);
  MSG msg;
  while (GetCapture() == hwnd && NextLoopMessage(&msg)) {
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP ||
        msg.message == WM_NCMOUSEMOVE || msg.message == WM_NCLBUTTONUP) {
      at = msg.pt;
      bool now_over = Inside(button, msg.pt);
      if (now_over != over) {
        over = now_over;
        PaintCaptionButton(hwnd, over ? hit : 0);
      }
      if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) {
        released = true;
        break;
      }
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!IsWindow(hwnd)) return 0;
  PaintCaptionButton(hwnd, 0);
  if (released && over) {
    SendMessage(hwnd, WM_SYSCOMMAND, ButtonCommand(hwnd, hit),
                MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
  }
  return 0;
}

// The window rectangle in the coordinates SetWindowPos takes.
RECT RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  if (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

// Moves the dragged edges of `rect` by (dx, dy) within the tracking sizes.
RECT SizedRect(const RECT& start, WPARAM edge, int dx, int dy, const MINMAXINFO& limits) {
  RECT r = start;
  const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
  const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
  const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
  const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
  auto clamp = [](LONG size, LONG low, LONG high) {
    return std::clamp(size, low, std::max(low, high));
  };
  if (left)
    r.left =
        r.right - clamp(r.right - (r.left + dx), limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x);
  if (right)
    r.right =
        r.left + clamp(r.right + dx - r.left, limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x);
  if (top)
    r.top =
        r.bottom - clamp(r.bottom - (r.top + dy), limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
  if (bottom)
    r.bottom =
        r.top + clamp(r.bottom + dy - r.top, limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
  return r;
}

// Moves or sizes the window with the keyboard (SC_MOVE or SC_SIZE without
// an edge, as a system menu or a script asks): the arrows move the window
// by 8 pixels, or, when sizing, the first arrow picks the edge and the next
// ones move it; mouse moves do the same relative to where the loop began.
// Enter or a click keeps the result; Esc or a right click puts it back.
LRESULT KeyboardMoveOrSizeLoop(HWND hwnd, bool moving) {
  if (moving && IsZoomed(hwnd)) return 0;
  constexpr int kStep = 8;
  POINT start;
  GetCursorPos(&start);
  const RECT original = RectInParent(hwnd);
  const MINMAXINFO limits = QueryMinMaxInfo(hwnd);
  SetCapture(hwnd);
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  RECT current = original;
  WPARAM edge = 0;
  int dx = 0, dy = 0;
  bool cancel = false;
  auto apply = [&] {
    RECT next = original;
    if (moving) {
      OffsetRect(&next, dx, dy);
      SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&next));
    } else if (edge != 0) {
      next = SizedRect(original, edge, dx, dy, limits);
      SendMessage(hwnd, WM_SIZING, edge, reinterpret_cast<LPARAM>(&next));
    }
    if (!EqualRect(&next, &current)) {
      SetWindowPos(hwnd, nullptr, next.left, next.top, next.right - next.left, next.bottom - next.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | (moving ? SWP_NOSIZE : 0u));
      current = next;
    }
  };
  MSG msg;
  while (GetCapture() == hwnd && NextLoopMessage(&msg)) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
      const WPARAM key = msg.wParam;
      if (key == VK_RETURN) break;
      if (key == VK_ESCAPE) {
        cancel = true;
        break;
      }
      int kx = key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : 0;
      int ky = key == VK_UP ? -1 : key == VK_DOWN ? 1 : 0;
      if (kx == 0 && ky == 0) continue;
      if (!moving && edge == 0) {
        edge = kx < 0 ? WMSZ_LEFT : kx > 0 ? WMSZ_RIGHT : ky < 0 ? WMSZ_TOP : WMSZ_BOTTOM;
        continue;
      }
      if (!moving) {
        // Only the arrows along the chosen edge's direction move it.
        const bool horizontal = edge == WMSZ_LEFT || edge == WMSZ_RIGHT;
        if (horizontal) ky = 0;
        else kx = 0;
      }
      dx += kx * kStep;
      dy += ky * kStep;
      apply();
      continue;
    }
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
      if (moving || edge != 0) {
        dx = msg.pt.x - start.x;
        dy = msg.pt.y - start.y;
        apply();
      }
      continue;
    }
    if (msg.message == WM_LBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN) break;
    if (msg.message == WM_RBUTTONDOWN || msg.message == WM_NCRBUTTONDOWN) {
      cancel = true;
      break;
    }
    if (msg.message == WM_KEYUP || msg.message == WM_CHAR || msg.message == WM_SYSKEYUP ||
        msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP)
      continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  if (cancel && IsWindow(hwnd))
    SetWindowPos(hwnd, nullptr, original.left, original.top, original.right - original.left,
                 original.bottom - original.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (GetCapture() == hwnd) ReleaseCapture();
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
  return 0;
}

// Moves or sizes the window with the mouse while the left button is held.
// Esc puts it back where it was; Enter keeps it where it is.
LRESULT MoveOrSizeLoop(HWND hwnd, WPARAM command) {
  const bool moving = (command & 0xFFF0) == SC_MOVE;
  const WPARAM edge = command & 0x000F;
  if (edge == 0) return KeyboardMoveOrSizeLoop(hwnd, moving);
  if (moving && IsZoomed(hwnd)) return 0;
  if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) return 0;
  POINT start;
  GetCursorPos(&start);
  const RECT original = RectInParent(hwnd);
  const MINMAXINFO limits = QueryMinMaxInfo(hwnd);
  SetCapture(hwnd);
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  RECT current = original;
  MSG msg;
  while (GetCapture() == hwnd && NextLoopMessage(&msg)) {
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP ||
        msg.message == WM_NCMOUSEMOVE || msg.message == WM_NCLBUTTONUP) {
      const int dx = msg.pt.x - start.x, dy = msg.pt.y - start.y;
      RECT next = original;
      if (moving) {
        OffsetRect(&next, dx, dy);
        SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&next));
      } else {
        next = SizedRect(original, edge, dx, dy, limits);
        SendMessage(hwnd, WM_SIZING, edge, reinterpret_cast<LPARAM>(&next));
      }
      if (!EqualRect(&next, &current)) {
        SetWindowPos(hwnd, nullptr, next.left, next.top, next.right - next.left,
                     next.bottom - next.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (moving ? SWP_NOSIZE : 0u));
        current = next;
      }
      if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) break;
      continue;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      SetWindowPos(hwnd, nullptr, original.left, original.top, original.right - original.left,
                   original.bottom - original.top, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) break;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
  return 0;
}

LPCSTR CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM:
      return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return IDC_SIZENESW;
  }
  return IDC_ARROW;
}

}  // namespace

namespace platform::user {

LRESULT DefSysCommand(HWND hwnd, WPARAM command, LPARAM lparam) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      if (!(ClassStyleOf(hwnd) & CS_NOCLOSE)) SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      return 0;
    case SC_MOVE:
    case SC_SIZE:
      return MoveOrSizeLoop(hwnd, command);
    case SC_KEYMENU:
    case SC_MOUSEMENU: {
      // Menus belong to the menu stage.
      const platform::MenuBarHandler* handler = platform::CurrentMenuBarHandler();
      if (handler != nullptr && handler->track != nullptr) {
        handler->track(hwnd, GetMenuOf(hwnd), command, lparam);
      }
      return 0;
    }
  }
  return 0;
}

// A press on a window's own scroll bar: the controls stage tracks it.
LRESULT TrackWindowScrollBar(HWND hwnd, bool vertical, LPARAM lparam) {
  const platform::ScrollBarHandler* handler = platform::CurrentScrollBarHandler();
  if (handler != nullptr && handler->track != nullptr) {
    handler->track(hwnd, vertical, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  }
  return 0;
}

LRESULT DefNcLButtonDown(HWND hwnd, WPARAM hit, LPARAM lparam) {
  switch (static_cast<LRESULT>(hit)) {
    case HTVSCROLL:
      return TrackWindowScrollBar(hwnd, true, lparam);
    case HTHSCROLL:
      return TrackWindowScrollBar(hwnd, false, lparam);
    case HTCAPTION:
      SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lparam);
      return 0;
    case HTSYSMENU:
    case HTMENU:
      SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU + hit, lparam);
      return 0;
    case HTCLOSE:
    case HTMINBUTTON:
    case HTMAXBUTTON:
    case HTHELP:
      return TrackCaptionButton(hwnd, static_cast<LRESULT>(hit));
    case HTLEFT:
    case HTRIGHT:
    case HTTOP:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
      SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE + (hit - HTLEFT + WMSZ_LEFT), lparam);
      return 0;
  }
  return 0;
}

LRESULT DefNcLButtonDblClk(HWND hwnd, WPARAM hit, LPARAM lparam) {
  switch (static_cast<LRESULT>(hit)) {
    case HTVSCROLL:
    case HTHSCROLL:
      // A quick second press on a scroll bar scrolls again.
      return DefNcLButtonDown(hwnd, hit, lparam);
    case HTCLOSE:
    case HTMINBUTTON:
    case HTMAXBUTTON:
    case HTHELP:
      // A quick second press on a caption button is a press like any other.
      return TrackCaptionButton(hwnd, static_cast<LRESULT>(hit));
  }
  if (static_cast<LRESULT>(hit) == HTSYSMENU) {
    SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lparam);
  } else if (static_cast<LRESULT>(hit) == HTCAPTION && (StyleOf(hwnd) & WS_MAXIMIZEBOX)) {
    SendMessage(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) || IsIconic(hwnd) ? SC_RESTORE : SC_MAXIMIZE,
                lparam);
  }
  return 0;
}

LRESULT DefSetCursor(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  HWND parent = nullptr;
  HCURSOR class_cursor = nullptr;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return FALSE;
    if (window->IsChild()) parent = window->parent->handle;
    if (window->window_class) class_cursor = window->window_class->cursor;
  }
  if (parent != nullptr && SendMessage(parent, WM_SETCURSOR, wparam, lparam)) return TRUE;
  const LRESULT hit = static_cast<SHORT>(LOWORD(lparam));
  if (hit == HTERROR) return FALSE;
  if (hit == HTCLIENT) {
    if (class_cursor == nullptr) return FALSE;
    SetCursor(class_cursor);
    return TRUE;
  }
  SetCursor(LoadCursor(nullptr, CursorForHit(hit)));
  return TRUE;
}

}  // namespace platform::user

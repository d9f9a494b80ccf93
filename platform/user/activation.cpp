// Activation and keyboard focus.
#include "platform/user/activation.h"
#include "platform/user/remote_windows.h"

#include <vector>

#include "platform/core/errors.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_position.h"

using namespace platform::user;

namespace {

bool Contains(const Window* outer, const Window* inner) {
  return inner == outer || IsDescendant(inner, outer);
}

bool IsOwnedBy(const Window* window, const Window* owner) {
  for (const Window* w = window->owner; w != nullptr; w = w->owner) {
    if (w == owner) return true;
  }
  return false;
}

bool CanTakeActivation(const Window* window) {
  return window->kind == WindowKind::kOrdinary && window->IsTopLevel() &&
         (window->style & WS_VISIBLE) && !(window->style & WS_DISABLED) &&
         !(window->ex_style & WS_EX_NOACTIVATE) && !window->destroying;
}

// Who becomes active when `leaving` stops being so: its owner, else the
// topmost window that can be.
HWND NextActiveWindow(const Window* leaving) {
  if (leaving->owner != nullptr && CanTakeActivation(leaving->owner) &&
      !(leaving->owner->style & WS_MINIMIZE)) {
    return leaving->owner->handle;
  }
  for (const Window* top : System().desktop->children) {
    if (top == leaving || IsOwnedBy(top, leaving)) continue;
    if (!CanTakeActivation(top) || (top->style & WS_MINIMIZE)) continue;
    return top->handle;
  }
  return nullptr;
}

DWORD ThreadOf(HWND hwnd) {
  if (hwnd == nullptr) return 0;
  return GetWindowThreadProcessId(hwnd, nullptr);
}

// WM_ACTIVATEAPP to every top-level window of a thread: the thread's
// windows become active (wParam TRUE) or stop being so; lParam is the
// thread on the other side.
void TellThreadWindows(DWORD thread_id, BOOL active, DWORD other_thread) {
  if (thread_id == 0) return;
  std::vector<HWND> windows;
  {
    auto lock = Lock();
    for (Window* top : System().desktop->children) {
      if (top->queue && top->queue->thread_id == thread_id) windows.push_back(top->handle);
    }
  }
  for (HWND hwnd : windows) {
    if (IsWindow(hwnd))
      SendMessage(hwnd, WM_ACTIVATEAPP, active, static_cast<LPARAM>(other_thread));
  }
}

WPARAM ActivateParam(WORD how, HWND hwnd) {
  return MAKEWPARAM(how, IsIconic(hwnd) ? 1 : 0);
}

}  // namespace

namespace platform::user {

void ActivateWindow(HWND hwnd, WORD how) {
  HWND old = nullptr;
  {
    auto lock = Lock();
    if (hwnd != nullptr) {
      Window* window = FindWindowRecord(hwnd);
      if (window == nullptr || window->kind != WindowKind::kOrdinary) return;
      window = TopLevelOf(window);
      if (window->style & WS_DISABLED) return;
      hwnd = window->handle;
    }
    old = System().foreground;
    if (old == hwnd) return;
  }
  if (hwnd != nullptr) {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (old != nullptr && IsWindow(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(old, WM_ACTIVATE, ActivateParam(WA_INACTIVE, old), reinterpret_cast<LPARAM>(hwnd));
  }
  {
    auto lock = Lock();
    if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) hwnd = nullptr;
    System().foreground = hwnd;
  }
  const DWORD old_thread = old != nullptr && IsWindow(old) ? ThreadOf(old) : 0;
  const DWORD new_thread = ThreadOf(hwnd);
  if (old_thread != new_thread) {
    TellThreadWindows(old_thread, FALSE, new_thread);
    TellThreadWindows(new_thread, TRUE, old_thread);
  }
  if (hwnd != nullptr) {
    SendMessage(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendMessage(hwnd, WM_ACTIVATE, ActivateParam(how, hwnd), reinterpret_cast<LPARAM>(old));
  }
  // A focus left behind in another window goes away.
  HWND focus_left = nullptr;
  {
    auto lock = Lock();
    WindowSystem& system = System();
    Window* focus = FindWindowRecord(system.focus);
    Window* active = FindWindowRecord(system.foreground);
    if (focus != nullptr && (active == nullptr || !Contains(active, focus))) {
      focus_left = focus->handle;
    }
  }
  if (focus_left != nullptr) SetFocus(nullptr);
}

void WindowLeaving(HWND leaving, bool destroying) {
  HWND lost_capture = nullptr;
  bool focus_inside = false;
  bool was_active = false;
  HWND next_active = nullptr;
  HWND focus_to = nullptr;
  {
    auto lock = Lock();
    WindowSystem& system = System();
    Window* window = FindWindowRecord(leaving);
    if (window == nullptr || window->kind != WindowKind::kOrdinary) return;
    Window* capture = FindWindowRecord(system.capture);
    if (capture != nullptr && Contains(window, capture)) {
      lost_capture = system.capture;
      system.capture = nullptr;
    }
    Window* focus = FindWindowRecord(system.focus);
    focus_inside = focus != nullptr && Contains(window, focus);
    was_active = system.foreground == leaving;
    if (was_active) next_active = NextActiveWindow(window);
    if (focus_inside && window->IsChild() && !window->parent->destroying && !destroying) {
      focus_to = window->parent->handle;
    }
  }
  if (lost_capture != nullptr) SendMessage(lost_capture, WM_CAPTURECHANGED, 0, 0);
  if (was_active) {
    ActivateWindow(next_active, WA_ACTIVE);
  }
  if (focus_inside && !was_active) {
    // Only if the focus is still in there (activation may have moved it).
    bool still_inside = false;
    {
      auto lock = Lock();
      Window* window = FindWindowRecord(leaving);
      Window* focus = FindWindowRecord(System().focus);
      still_inside = window != nullptr && focus != nullptr && Contains(window, focus);
    }
    if (still_inside) SetFocus(focus_to);
  }
}

void WindowDisabled(HWND hwnd) {
  HWND lost_capture = nullptr;
  bool focus_inside = false;
  {
    auto lock = Lock();
    WindowSystem& system = System();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) return;
    Window* capture = FindWindowRecord(system.capture);
    if (capture != nullptr && Contains(window, capture)) {
      lost_capture = system.capture;
      system.capture = nullptr;
    }
    Window* focus = FindWindowRecord(system.focus);
    focus_inside = focus != nullptr && Contains(window, focus);
  }
  SendMessage(hwnd, WM_CANCELMODE, 0, 0);
  if (lost_capture != nullptr) SendMessage(lost_capture, WM_CAPTURECHANGED, 0, 0);
  if (focus_inside) SetFocus(nullptr);
}

}  // namespace platform::user

HWND GetActiveWindow() {
  auto lock = Lock();
  Window* active = FindWindowRecord(System().foreground);
  if (active == nullptr || active->queue.get() != &CurrentQueue()) return nullptr;
  return active->handle;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND previous = nullptr;
  {
    auto lock = Lock();
    previous = System().foreground;
    if (hwnd != nullptr) {
      Window* window = RequireWindow(hwnd);
      if (window == nullptr) return nullptr;
      if (window->kind != WindowKind::kOrdinary || (TopLevelOf(window)->style & WS_DISABLED)) {
        return nullptr;
      }
    }
  }
  ActivateWindow(hwnd, WA_ACTIVE);
  return previous;
}

HWND GetForegroundWindow() {
  auto lock = Lock();
  return System().foreground;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (platform::remote::IsRemote(hwnd)) return platform::remote::SetForegroundWindow(hwnd);
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr || window->kind != WindowKind::kOrdinary) return FALSE;
  }
  ActivateWindow(hwnd, WA_ACTIVE);
  return GetForegroundWindow() != nullptr ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HWND GetLastActivePopup(HWND hwnd) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  for (Window* owned : window->owned) {
    if ((owned->style & WS_VISIBLE) && !(owned->style & WS_DISABLED)) return owned->handle;
  }
  return hwnd;
}

HWND GetFocus() {
  auto lock = Lock();
  Window* focus = FindWindowRecord(System().focus);
  if (focus == nullptr || focus->queue.get() != &CurrentQueue()) return nullptr;
  return focus->handle;
}

HWND SetFocus(HWND hwnd) {
  if (hwnd != nullptr) {
    HWND top = nullptr;
    bool activate = false;
    {
      auto lock = Lock();
      Window* window = RequireWindow(hwnd);
      if (window == nullptr || window->kind != WindowKind::kOrdinary) return nullptr;
      if (window->style & WS_DISABLED) return nullptr;
      Window* top_window = TopLevelOf(window);
      if (top_window->style & WS_DISABLED) return nullptr;
      top = top_window->handle;
      activate = top_window->IsTopLevel() && System().foreground != top;
    }
    if (activate) {
      ActivateWindow(top, WA_ACTIVE);
      auto lock = Lock();
      if (System().foreground != top) return nullptr;
    }
  }
  HWND old = nullptr;
  {
    auto lock = Lock();
    if (hwnd != nullptr && FindWindowRecord(hwnd) == nullptr) return nullptr;
    old = System().focus;
    if (old == hwnd) return old;
    System().focus = hwnd;
  }
  if (old != nullptr && IsWindow(old)) {
    SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  }
  {
    auto lock = Lock();
    if (System().focus != hwnd) return old;  // the old window took it back
  }
  if (hwnd != nullptr) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

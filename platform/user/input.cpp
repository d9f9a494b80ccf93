// Mouse input: routing raw input to threads, hit testing, activation by
// click, double clicks, capture, mouse tracking, and the injection seams.
#include "platform/user/input.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/activation.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"

using namespace platform::user;

namespace {

constexpr DWORD kDefaultHoverMs = 400;

bool IsMouseKind(RawInput::Kind kind) {
  return kind == RawInput::Kind::kMouseMove || kind == RawInput::Kind::kButton ||
         kind == RawInput::Kind::kWheel;
}

WORD CurrentMouseKeys(const BYTE* keys) {
  WORD mk = 0;
  if (keys[VK_LBUTTON] & 0x80) mk |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) mk |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) mk |= MK_MBUTTON;
  if (keys[VK_XBUTTON1] & 0x80) mk |= MK_XBUTTON1;
  if (keys[VK_XBUTTON2] & 0x80) mk |= MK_XBUTTON2;
  if (keys[VK_SHIFT] & 0x80) mk |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) mk |= MK_CONTROL;
  return mk;
}

UINT ButtonMessage(UINT button, bool down) {
  switch (button) {
    case VK_LBUTTON:
      return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case VK_RBUTTON:
      return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case VK_MBUTTON:
      return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default:
      return down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
  }
}

bool IsButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
         message == WM_XBUTTONDOWN;
}

// WM_MOUSEMOVE..WM_XBUTTONDBLCLK to their non-client twins.
UINT NonClientMessage(UINT message) {
  return message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
}

ThreadQueue* QueueOf(HWND hwnd) {
  Window* window = FindWindowRecord(hwnd);
  return window == nullptr ? nullptr : window->queue.get();
}

// The queue of the window that gets the keyboard now.
ThreadQueue* KeyboardQueue() {
  WindowSystem& system = System();
  if (ThreadQueue* queue = QueueOf(system.focus)) return queue;
  return QueueOf(system.foreground);
}

void Push(ThreadQueue& queue, const RawInput& input) {
  if (input.kind == RawInput::Kind::kMouseMove && !queue.raw_input.empty()) {
    RawInput& last = queue.raw_input.back();
    if (last.kind == RawInput::Kind::kMouseMove && last.probe_only == input.probe_only) {
      last = input;  // moves that nobody looked at yet merge
      return;
    }
  }
  queue.raw_input.push_back(input);
  UINT bits = input.kind == RawInput::Kind::kMouseMove ? QS_MOUSEMOVE
              : IsMouseKind(input.kind)                ? QS_MOUSEBUTTON
                                                       : QS_KEY;
  queue.Wake(bits);
}

POINT ClipToCursorClip(POINT pt) {
  WindowSystem& system = System();
  if (system.has_cursor_clip) {
    const RECT& c = system.cursor_clip;
    pt.x = std::clamp(pt.x, c.left, std::max(c.left, c.right - 1));
    pt.y = std::clamp(pt.y, c.top, std::max(c.top, c.bottom - 1));
  }
  SIZE screen = platform::ScreenSize();
  pt.x = std::clamp<LONG>(pt.x, 0, std::max<LONG>(0, screen.cx - 1));
  pt.y = std::clamp<LONG>(pt.y, 0, std::max<LONG>(0, screen.cy - 1));
  return pt;
}

void PostInput(ThreadQueue& queue, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, POINT pt,
               DWORD time) {
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = time;
  msg.pt = pt;
  if ((message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE) && !queue.input.empty()) {
    MSG& last = queue.input.back();
    if (last.message == message && last.hwnd == hwnd && last.wParam == wparam) {
      last = msg;
      return;
    }
  }
  queue.input.push_back(msg);
  queue.Wake(message == WM_MOUSEMOVE ? QS_MOUSEMOVE : QS_MOUSEBUTTON);
}

LPARAM PointParam(POINT p) {
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(p.x)),
                    static_cast<WORD>(static_cast<SHORT>(p.y)));
}

POINT ClientPoint(const Window* window, POINT screen) {
  POINT origin = WindowOriginOnScreen(window);
  RECT client = ClientRectInWindow(window);
  return POINT{screen.x - origin.x - client.left, screen.y - origin.y - client.top};
}

// WM_MOUSELEAVE when the mouse is no longer where the tracking asked.
void CheckMouseLeave(ThreadQueue& queue, HWND target, LRESULT hit, POINT pt, DWORD time) {
  if (queue.track_hwnd == nullptr) return;
  if (FindWindowRecord(queue.track_hwnd) == nullptr) {
    queue.track_hwnd = nullptr;
    queue.track_flags = 0;
    return;
  }
  const bool nonclient = (queue.track_flags & TME_NONCLIENT) != 0;
  const bool still = target == queue.track_hwnd && (nonclient ? hit != HTCLIENT : hit == HTCLIENT);
  if (still) return;
  if (queue.track_flags & TME_LEAVE) {
    PostInput(queue, queue.track_hwnd, nonclient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0, pt, time);
  }
  queue.track_hwnd = nullptr;
  queue.track_flags = 0;
  queue.hover_due_micros = UINT64_MAX;
}

void RestartHover(ThreadQueue& queue, HWND target, POINT pt) {
  if (queue.track_hwnd != target || !(queue.track_flags & TME_HOVER)) return;
  int width = 4, height = 4;
  SystemParametersInfo(SPI_GETMOUSEHOVERWIDTH, 0, &width, 0);
  SystemParametersInfo(SPI_GETMOUSEHOVERHEIGHT, 0, &height, 0);
  if (queue.hover_due_micros != UINT64_MAX && std::abs(pt.x - queue.hover_pt.x) <= width / 2 &&
      std::abs(pt.y - queue.hover_pt.y) <= height / 2) {
    return;
  }
  queue.hover_pt = pt;
  queue.hover_due_micros = platform::ClockMicros() + std::uint64_t{queue.hover_time} * 1000;
}

bool IsDoubleClick(ThreadQueue& queue, HWND target, UINT message, POINT pt, DWORD time) {
  const int cx = GetSystemMetrics(SM_CXDOUBLECLK), cy = GetSystemMetrics(SM_CYDOUBLECLK);
  bool doubled = queue.last_click_hwnd == target && queue.last_click_message == message &&
                 time - queue.last_click_time <= System().double_click_ms &&
                 std::abs(pt.x - queue.last_click_pt.x) <= cx / 2 &&
                 std::abs(pt.y - queue.last_click_pt.y) <= cy / 2;
  if (doubled) {
    queue.last_click_hwnd = nullptr;  // a third press starts again
    return true;
  }
  queue.last_click_hwnd = target;
  queue.last_click_message = message;
  queue.last_click_time = time;
  queue.last_click_pt = pt;
  return false;
}

// Sends a message with the lock released; the lock is held again after.
LRESULT SendUnlocked(std::unique_lock<std::mutex>& lock, HWND hwnd, UINT message, WPARAM wparam,
                     LPARAM lparam) {
  lock.unlock();
  LRESULT result = SendMessage(hwnd, message, wparam, lparam);
  lock.lock();
  return result;
}

// A press on a disabled window: its enabled popup comes to the front.
void PressOnDisabled(std::unique_lock<std::mutex>& lock, Window* top) {
  HWND popup = nullptr;
  for (Window* owned : top->owned) {
    if ((owned->style & WS_VISIBLE) && !(owned->style & WS_DISABLED)) popup = owned->handle;
  }
  if (popup == nullptr) return;
  lock.unlock();
  ActivateWindow(popup, WA_ACTIVE);
  lock.lock();
}

void CookMouse(std::unique_lock<std::mutex>& lock, ThreadQueue& queue, const RawInput& in) {
  WindowSystem& system = System();
  const POINT pt = in.pt;
  if (in.kind == RawInput::Kind::kWheel) {
    Window* target = FindWindowRecord(system.focus);
    if (target == nullptr || target->queue.get() != &queue)
      target = FindWindowRecord(system.foreground);
    if (target == nullptr || target->queue.get() != &queue || (target->style & WS_DISABLED)) return;
    UINT message = in.horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL;
    PostInput(queue, target->handle, message,
              MAKEWPARAM(in.mk, static_cast<WORD>(static_cast<SHORT>(in.wheel_delta))),
              PointParam(pt), pt, in.time);
    return;
  }
  const UINT message =
      in.kind == RawInput::Kind::kMouseMove ? WM_MOUSEMOVE : ButtonMessage(in.button, in.down);
  HWND target = nullptr;
  LRESULT hit = HTNOWHERE;
  Window* capture = FindWindowRecord(system.capture);
  if (capture != nullptr && capture->queue.get() == &queue && !in.probe_only) {
    target = capture->handle;
    hit = HTCLIENT;
  } else if (!in.probe_only) {
    std::vector<HWND> passed;  // windows that answered HTTRANSPARENT
    for (int tries = 0; tries < 32; ++tries) {
      Window* skip = passed.empty() ? nullptr : FindWindowRecord(passed.back());
      Window* found = WindowAtPoint(pt, skip, true);
      if (found == nullptr) break;
      if (found->queue.get() != &queue) {
        if (found->queue) Push(*found->queue, in);
        CheckMouseLeave(queue, nullptr, HTNOWHERE, pt, in.time);
        return;
      }
      HWND candidate = found->handle;
      hit = SendUnlocked(lock, candidate, WM_NCHITTEST, 0, PointParam(pt));
      if (hit == HTTRANSPARENT && FindWindowRecord(candidate) != nullptr) {
        passed.push_back(candidate);
        continue;
      }
      if (FindWindowRecord(candidate) != nullptr) target = candidate;
      break;
    }
  }
  CheckMouseLeave(queue, target, hit, pt, in.time);
  if (target == nullptr || hit == HTNOWHERE) return;
  Window* window = FindWindowRecord(target);
  if (window == nullptr) return;
  Window* top = TopLevelOf(window);
  if ((window->style & WS_DISABLED) || (top->style & WS_DISABLED)) {
    SendUnlocked(lock, target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                 MAKELPARAM(static_cast<WORD>(HTERROR), static_cast<WORD>(message)));
    if (IsButtonDown(message) && (top = FindWindowRecord(top->handle)) != nullptr) {
      PressOnDisabled(lock, top);
    }
    return;
  }
  if (capture == nullptr) {
    SendUnlocked(lock, target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                 MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(message)));
  }
  if (IsButtonDown(message)) {
    window = FindWindowRecord(target);
    if (window == nullptr) return;
    top = TopLevelOf(window);
    if (top->IsTopLevel() && top->handle != system.foreground &&
        !(top->ex_style & WS_EX_NOACTIVATE)) {
      HWND top_handle = top->handle;
      LRESULT answer =
          SendUnlocked(lock, target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top_handle),
                       MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(message)));
      if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT || answer == 0) {
        lock.unlock();
        ActivateWindow(top_handle, WA_CLICKACTIVE);
        lock.lock();
      }
      if (answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT) return;
    }
  }
  window = FindWindowRecord(target);
  if (window == nullptr) return;
  const bool client = hit == HTCLIENT;
  UINT final_message = client ? message : NonClientMessage(message);
  if (IsButtonDown(message)) {
    const UINT class_style = window->window_class ? window->window_class->style : 0;
    bool doubled = IsDoubleClick(queue, target, final_message, pt, in.time);
    if (doubled && (!client || (class_style & CS_DBLCLKS))) final_message += 2;
  }
  WPARAM wparam = in.mk;
  if (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) {
    wparam = MAKEWPARAM(in.mk, in.button == VK_XBUTTON1 ? 1 : 2);
  }
  if (client) {
    PostInput(queue, target, final_message, wparam, PointParam(ClientPoint(window, pt)), pt,
              in.time);
  } else {
    WPARAM nc_wparam = static_cast<WPARAM>(hit);
    if (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) {
      nc_wparam = MAKEWPARAM(static_cast<WORD>(hit), in.button == VK_XBUTTON1 ? 1 : 2);
    }
    PostInput(queue, target, final_message, nc_wparam, PointParam(pt), pt, in.time);
  }
  if (message == WM_MOUSEMOVE) RestartHover(queue, target, pt);
}

void CookKey(ThreadQueue& queue, const RawInput& in) {
  WindowSystem& system = System();
  Window* focus = FindWindowRecord(system.focus);
  if (focus != nullptr && focus->queue.get() != &queue) focus = nullptr;
  Window* target = focus;
  if (target == nullptr) {
    target = FindWindowRecord(system.foreground);
    if (target != nullptr && target->queue.get() != &queue) target = nullptr;
  }
  BYTE* state = queue.key_state;
  const bool was_down = (state[in.vk & 0xFF] & 0x80) != 0;
  const bool alt = (state[VK_MENU] & 0x80) != 0 || (in.vk == VK_MENU && in.down);
  const bool ctrl = (state[VK_CONTROL] & 0x80) != 0;
  ApplyKeyTransition(state, in.vk, in.down);
  if (target == nullptr) return;
  if ((target->style & WS_DISABLED) || (TopLevelOf(target)->style & WS_DISABLED)) return;
  bool sys = (alt && !ctrl) || in.vk == VK_F10 || focus == nullptr;
  if (in.vk == VK_MENU && in.down && !was_down) queue.alt_combined = false;
  if (in.vk != VK_MENU && in.down && alt) queue.alt_combined = true;
  if (in.vk == VK_MENU && !in.down && queue.alt_combined && focus != nullptr) sys = false;
  UINT message = in.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  LPARAM lparam = KeyMessageFlags(in.vk, in.down, was_down, alt && in.vk != VK_MENU ? true : alt,
                                  in.text_follows);
  MSG msg;
  msg.hwnd = target->handle;
  msg.message = message;
  msg.wParam = in.vk;
  msg.lParam = lparam;
  msg.time = in.time;
  msg.pt = system.cursor_pos;
  queue.input.push_back(msg);
  queue.Wake(QS_KEY);
}

void CookChar(ThreadQueue& queue, const RawInput& in) {
  WindowSystem& system = System();
  Window* focus = FindWindowRecord(system.focus);
  if (focus == nullptr || focus->queue.get() != &queue) return;
  if ((focus->style & WS_DISABLED) || (TopLevelOf(focus)->style & WS_DISABLED)) return;
  MSG msg;
  msg.hwnd = focus->handle;
  msg.message = WM_CHAR;
  msg.wParam = in.ch;
  msg.lParam = 1;
  msg.time = in.time;
  msg.pt = system.cursor_pos;
  queue.input.push_back(msg);
  queue.Wake(QS_KEY);
}

// Clears the cooking flag however cooking ends.
struct CookingGuard {
  ThreadQueue& queue;
  explicit CookingGuard(ThreadQueue& q) : queue(q) { queue.cooking = true; }
  ~CookingGuard() { queue.cooking = false; }
};

}  // namespace

namespace platform::user {

void DeliverRawInput(const RawInput& raw) {
  WindowSystem& system = System();
  RawInput input = raw;
  input.time = GetTickCount();
  if (IsMouseKind(input.kind)) {
    input.pt = ClipToCursorClip(input.pt);
    system.cursor_pos = input.pt;
    if (input.kind == RawInput::Kind::kButton) {
      ApplyKeyTransition(system.async_keys, input.button, input.down);
    }
    input.mk = CurrentMouseKeys(system.async_keys);
    ThreadQueue* target = nullptr;
    if (input.kind == RawInput::Kind::kWheel) {
      target = KeyboardQueue();
    } else if (ThreadQueue* capture = QueueOf(system.capture)) {
      target = capture;
    } else if (Window* window = WindowAtPoint(input.pt, nullptr, true)) {
      target = window->queue.get();
    }
    if (target != nullptr) Push(*target, input);
    if (input.kind == RawInput::Kind::kMouseMove) {
      // A thread tracking the mouse learns that it went elsewhere.
      for (auto& [id, queue] : system.queues) {
        if (queue.get() != target && queue->track_hwnd != nullptr) {
          RawInput probe = input;
          probe.probe_only = true;
          Push(*queue, probe);
        }
      }
    }
    return;
  }
  if (input.kind == RawInput::Kind::kKey) {
    ApplyKeyTransition(system.async_keys, input.vk, input.down);
  }
  ThreadQueue* target =
      input.kind == RawInput::Kind::kActivate
          ? (input.hwnd != nullptr ? QueueOf(input.hwnd) : QueueOf(system.foreground))
          : KeyboardQueue();
  if (target != nullptr) Push(*target, input);
}

bool CookInput(std::unique_lock<std::mutex>& lock, ThreadQueue& queue) {
  if (queue.cooking || queue.raw_input.empty()) return false;
  CookingGuard guard(queue);
  {
    RawInput in = queue.raw_input.front();
    queue.raw_input.pop_front();
    switch (in.kind) {
      case RawInput::Kind::kMouseMove:
      case RawInput::Kind::kButton:
      case RawInput::Kind::kWheel:
        if (in.kind == RawInput::Kind::kButton)
          ApplyKeyTransition(queue.key_state, in.button, in.down);
        CookMouse(lock, queue, in);
        break;
      case RawInput::Kind::kKey:
        CookKey(queue, in);
        break;
      case RawInput::Kind::kChar:
        CookChar(queue, in);
        break;
      case RawInput::Kind::kActivate:
        lock.unlock();
        ActivateWindow(in.hwnd, WA_ACTIVE);
        lock.lock();
        break;
    }
  }
  return true;
}

bool TakeInputMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG* msg) {
  auto it = std::find_if(queue.input.begin(), queue.input.end(), [&](const MSG& m) {
    return filter.MatchesNumber(m.message) && filter.MatchesWindow(m.hwnd);
  });
  if (it == queue.input.end()) return false;
  *msg = *it;
  if (remove) queue.input.erase(it);
  return true;
}

void UpdateInputTimers(ThreadQueue& queue, std::uint64_t now_micros) {
  if (queue.hover_due_micros == UINT64_MAX || now_micros < queue.hover_due_micros) return;
  queue.hover_due_micros = UINT64_MAX;
  Window* window = FindWindowRecord(queue.track_hwnd);
  if (window == nullptr || !(queue.track_flags & TME_HOVER)) return;
  queue.track_flags &= ~TME_HOVER;
  const bool nonclient = (queue.track_flags & TME_NONCLIENT) != 0;
  POINT pt = System().cursor_pos;
  if (nonclient) {
    PostInput(queue, window->handle, WM_NCMOUSEHOVER, HTCAPTION, PointParam(pt), pt,
              GetTickCount());
  } else {
    PostInput(queue, window->handle, WM_MOUSEHOVER, CurrentMouseKeys(queue.key_state),
              PointParam(ClientPoint(window, pt)), pt, GetTickCount());
  }
  if (queue.track_flags == 0 || queue.track_flags == TME_NONCLIENT) queue.track_hwnd = nullptr;
}

std::uint64_t NextInputTimerDue(const ThreadQueue& queue) {
  return queue.hover_due_micros;
}

}  // namespace platform::user

HWND SetCapture(HWND hwnd) {
  HWND old = nullptr;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return nullptr;
    old = System().capture;
    System().capture = hwnd;
  }
  if (old != nullptr && old != hwnd && IsWindow(old)) {
    SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  }
  return old;
}

BOOL ReleaseCapture() {
  HWND old = nullptr;
  {
    auto lock = Lock();
    old = System().capture;
    System().capture = nullptr;
  }
  if (old != nullptr && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  auto lock = Lock();
  Window* capture = FindWindowRecord(System().capture);
  if (capture == nullptr || capture->queue.get() != &CurrentQueue()) return nullptr;
  return capture->handle;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (track == nullptr || track->cbSize < sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  if (track->dwFlags & TME_QUERY) {
    track->dwFlags = queue.track_hwnd != nullptr ? queue.track_flags : 0;
    track->hwndTrack = queue.track_hwnd;
    track->dwHoverTime = queue.hover_time;
    return TRUE;
  }
  Window* window = RequireWindow(track->hwndTrack);
  if (window == nullptr) return FALSE;
  if (track->dwFlags & TME_CANCEL) {
    if (queue.track_hwnd == track->hwndTrack) {
      queue.track_flags &= ~(track->dwFlags & (TME_HOVER | TME_LEAVE));
      if (!(queue.track_flags & (TME_HOVER | TME_LEAVE))) {
        queue.track_hwnd = nullptr;
        queue.track_flags = 0;
        queue.hover_due_micros = UINT64_MAX;
      }
    }
    return TRUE;
  }
  const bool nonclient = (track->dwFlags & TME_NONCLIENT) != 0;
  // The mouse is already elsewhere: the leave comes at once.
  POINT pt = System().cursor_pos;
  Window* under = WindowAtPoint(pt, nullptr, true);
  bool inside = under == window;
  if (inside && !nonclient) {
    RECT client = ClientRectInWindow(window);
    POINT origin = WindowOriginOnScreen(window);
    inside = pt.x >= origin.x + client.left && pt.x < origin.x + client.right &&
             pt.y >= origin.y + client.top && pt.y < origin.y + client.bottom;
  }
  if (queue.track_hwnd != track->hwndTrack) queue.track_flags = 0;
  queue.track_hwnd = track->hwndTrack;
  queue.track_flags |= track->dwFlags & (TME_HOVER | TME_LEAVE | TME_NONCLIENT);
  queue.hover_time = track->dwHoverTime == HOVER_DEFAULT || track->dwHoverTime == 0
                         ? kDefaultHoverMs
                         : track->dwHoverTime;
  if (track->dwFlags & TME_HOVER) {
    queue.hover_pt = pt;
    queue.hover_due_micros = platform::ClockMicros() + std::uint64_t{queue.hover_time} * 1000;
  }
  if (!inside && (track->dwFlags & TME_LEAVE)) {
    PostInput(queue, track->hwndTrack, nonclient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0, pt,
              GetTickCount());
    queue.track_hwnd = nullptr;
    queue.track_flags = 0;
    queue.hover_due_micros = UINT64_MAX;
  }
  return TRUE;
}

HWND WindowFromPoint(POINT pt) {
  auto lock = Lock();
  Window* window = WindowAtPoint(pt, nullptr, true);
  return window == nullptr ? nullptr : window->handle;
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  auto lock = Lock();
  Window* window = RequireWindow(parent);
  if (window == nullptr) return nullptr;
  RECT client = ClientRectInWindow(window);
  if (pt.x < 0 || pt.y < 0 || pt.x >= client.right - client.left ||
      pt.y >= client.bottom - client.top) {
    return nullptr;
  }
  POINT origin = WindowOriginOnScreen(window);
  POINT screen{pt.x + origin.x + client.left, pt.y + origin.y + client.top};
  for (Window* child : window->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(child->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (child->style & WS_DISABLED)) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (child->ex_style & WS_EX_TRANSPARENT)) continue;
    if (ContainsScreenPoint(child, screen)) return child->handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) {
  return ChildWindowFromPointEx(parent, pt, CWP_ALL);
}

UINT GetDoubleClickTime() {
  auto lock = Lock();
  return System().double_click_ms;
}

BOOL SetDoubleClickTime(UINT ms) {
  auto lock = Lock();
  System().double_click_ms = ms == 0 ? 500 : ms;
  return TRUE;
}

DWORD GetMessagePos() {
  auto lock = Lock();
  POINT pt = CurrentQueue().last_message_pos;
  return MAKELONG(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                  static_cast<WORD>(static_cast<SHORT>(pt.y)));
}

BOOL SwapMouseButton(BOOL) {
  return FALSE;
}

namespace platform {

namespace {

void Deliver(const RawInput& input) {
  auto lock = Lock();
  DeliverRawInput(input);
}

void Button(UINT button, bool down, int x, int y) {
  RawInput input;
  input.kind = RawInput::Kind::kButton;
  input.button = button;
  input.down = down;
  input.pt = POINT{x, y};
  Deliver(input);
}

}  // namespace

void InjectMouse(MouseAction action, int x, int y, int wheel_delta) {
  bool moved = false;
  {
    auto lock = Lock();
    POINT now = System().cursor_pos;
    moved = now.x != x || now.y != y;
  }
  if (moved || action == MouseAction::kMove) {
    RawInput move;
    move.kind = RawInput::Kind::kMouseMove;
    move.pt = POINT{x, y};
    Deliver(move);
  }
  switch (action) {
    case MouseAction::kMove:
      break;
    case MouseAction::kLeftDown:
      Button(VK_LBUTTON, true, x, y);
      break;
    case MouseAction::kLeftUp:
      Button(VK_LBUTTON, false, x, y);
      break;
    case MouseAction::kRightDown:
      Button(VK_RBUTTON, true, x, y);
      break;
    case MouseAction::kRightUp:
      Button(VK_RBUTTON, false, x, y);
      break;
    case MouseAction::kMiddleDown:
      Button(VK_MBUTTON, true, x, y);
      break;
    case MouseAction::kMiddleUp:
      Button(VK_MBUTTON, false, x, y);
      break;
    case MouseAction::kX1Down:
      Button(VK_XBUTTON1, true, x, y);
      break;
    case MouseAction::kX1Up:
      Button(VK_XBUTTON1, false, x, y);
      break;
    case MouseAction::kX2Down:
      Button(VK_XBUTTON2, true, x, y);
      break;
    case MouseAction::kX2Up:
      Button(VK_XBUTTON2, false, x, y);
      break;
    case MouseAction::kWheel:
    case MouseAction::kHWheel: {
      RawInput wheel;
      wheel.kind = RawInput::Kind::kWheel;
      wheel.pt = POINT{x, y};
      wheel.wheel_delta = wheel_delta;
      wheel.horizontal = action == MouseAction::kHWheel;
      Deliver(wheel);
      break;
    }
  }
}

void InjectClick(int x, int y) {
  InjectMouse(MouseAction::kLeftDown, x, y);
  InjectMouse(MouseAction::kLeftUp, x, y);
}

void InjectKey(UINT vk, bool down, bool text_follows) {
  RawInput input;
  input.kind = RawInput::Kind::kKey;
  input.vk = vk & 0xFF;
  input.down = down;
  input.text_follows = text_follows;
  Deliver(input);
}

void InjectKeyPress(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

void InjectText(const std::string& text) {
  auto lock = Lock();
  for (char c : text) {
    RawInput input;
    input.kind = RawInput::Kind::kChar;
    input.ch = static_cast<BYTE>(c);
    DeliverRawInput(input);
  }
}

void ResetInput() {
  auto lock = Lock();
  WindowSystem& system = System();
  std::fill(std::begin(system.async_keys), std::end(system.async_keys), 0);
  system.capture = nullptr;
  system.has_cursor_clip = false;
  for (auto& [id, queue] : system.queues) {
    std::fill(std::begin(queue->key_state), std::end(queue->key_state), 0);
    queue->raw_input.clear();
    queue->input.clear();
    queue->last_click_hwnd = nullptr;
    queue->track_hwnd = nullptr;
    queue->track_flags = 0;
    queue->hover_due_micros = UINT64_MAX;
  }
}

void InjectActivation(HWND hwnd) {
  RawInput input;
  input.kind = RawInput::Kind::kActivate;
  input.hwnd = hwnd;
  Deliver(input);
}

}  // namespace platform

#include "platform/user/timer.h"

#include <algorithm>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/user/message_queue.h"
#include "platform/user/window_system.h"

namespace platform::user {

namespace {

std::uint64_t ClampedIntervalMicros(UINT elapse_ms) {
  UINT ms = std::clamp(elapse_ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  return static_cast<std::uint64_t>(ms) * 1000;
}

Timer* FindTimer(ThreadQueue& queue, HWND hwnd, UINT_PTR id) {
  auto it = std::find_if(queue.timers.begin(), queue.timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  return it == queue.timers.end() ? nullptr : &*it;
}

// A thread-timer id not in use by the queue.
UINT_PTR NewThreadTimerId(ThreadQueue& queue) {
  WindowSystem& system = System();
  for (;;) {
    UINT_PTR id = system.next_thread_timer_id++;
    if (id != 0 && FindTimer(queue, nullptr, id) == nullptr) return id;
  }
}

void Start(Timer& timer, UINT elapse_ms, TIMERPROC proc) {
  timer.interval_micros = ClampedIntervalMicros(elapse_ms);
  timer.proc = proc;
  timer.due_micros = platform::ClockMicros() + timer.interval_micros;
  timer.ready = false;
}

}  // namespace

void UpdateTimers(ThreadQueue& queue, std::uint64_t now_micros) {
  for (Timer& timer : queue.timers) {
    if (now_micros < timer.due_micros) continue;
    if (!timer.ready) {
      timer.ready = true;
      timer.ready_since_micros = timer.due_micros;
      queue.change_bits |= QS_TIMER;
    }
    // Skip every expiry up to now: no pile-up, same schedule.
    std::uint64_t missed = (now_micros - timer.due_micros) / timer.interval_micros + 1;
    timer.due_micros += missed * timer.interval_micros;
  }
}

bool TakeTimerMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG* msg) {
  if (!filter.MatchesNumber(WM_TIMER)) return false;
  Timer* chosen = nullptr;
  for (Timer& timer : queue.timers) {
    if (!timer.ready || !filter.MatchesWindow(timer.hwnd)) continue;
    if (chosen == nullptr || timer.ready_since_micros < chosen->ready_since_micros ||
        (timer.ready_since_micros == chosen->ready_since_micros && timer.serial < chosen->serial)) {
      chosen = &timer;
    }
  }
  if (chosen == nullptr) return false;
  msg->hwnd = chosen->hwnd;
  msg->message = WM_TIMER;
  msg->wParam = chosen->id;
  msg->lParam = reinterpret_cast<LPARAM>(chosen->proc);
  msg->time = GetTickCount();
  msg->pt = POINT{};
  if (remove) chosen->ready = false;
  return true;
}

std::uint64_t NextTimerDue(const ThreadQueue& queue) {
  std::uint64_t next = UINT64_MAX;
  for (const Timer& timer : queue.timers) next = std::min(next, timer.due_micros);
  return next;
}

bool HasReadyTimer(const ThreadQueue& queue) {
  return std::any_of(queue.timers.begin(), queue.timers.end(),
                     [](const Timer& timer) { return timer.ready; });
}

bool IsTimerProc(const ThreadQueue& queue, TIMERPROC proc) {
  return std::any_of(queue.timers.begin(), queue.timers.end(),
                     [proc](const Timer& timer) { return timer.proc == proc; });
}

}  // namespace platform::user

using namespace platform::user;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  if (hwnd != nullptr) {
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return 0;
    if (window->queue.get() != &queue) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  }
  Timer* timer = FindTimer(queue, hwnd, id);
  if (timer == nullptr) {
    Timer fresh;
    fresh.hwnd = hwnd;
    fresh.id = hwnd != nullptr ? id : NewThreadTimerId(queue);
    fresh.serial = System().next_timer_serial++;
    queue.timers.push_back(fresh);
    timer = &queue.timers.back();
  }
  Start(*timer, elapse_ms, proc);
  // A window timer with id 0 still reports success.
  return timer->id != 0 ? timer->id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto lock = Lock();
  ThreadQueue* queue = nullptr;
  if (hwnd != nullptr) {
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    queue = window->queue.get();
  } else {
    queue = &CurrentQueue();
  }
  if (queue == nullptr || FindTimer(*queue, hwnd, id) == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::erase_if(queue->timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  return TRUE;
}

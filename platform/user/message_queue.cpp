#include "platform/user/message_queue.h"

#include <algorithm>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_system.h"

namespace platform::user {

bool MessageFilter::MatchesNumber(UINT message) const {
  if (min == 0 && max == 0) return true;
  if (min <= max) return message >= min && message <= max;
  // A reversed range takes everything outside the gap between them.
  return message >= min || message <= max;
}

bool MessageFilter::MatchesWindow(HWND target) const {
  if (thread_only) return target == nullptr;
  if (hwnd == nullptr || target == hwnd) return true;
  const Window* window = FindWindowRecord(target);
  const Window* filter_window = FindWindowRecord(hwnd);
  return window != nullptr && filter_window != nullptr && IsDescendant(window, filter_window);
}

}  // namespace platform::user

using namespace platform::user;

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg;
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.time = GetTickCount();
  msg.pt = System().cursor_pos;
  return msg;
}

void PostToQueue(ThreadQueue& queue, const MSG& msg) {
  queue.posted.push_back(msg);
  queue.Wake(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
}

std::shared_ptr<SentMessage> QueueSentMessage(ThreadQueue& target, HWND hwnd, UINT message,
                                              WPARAM wparam, LPARAM lparam,
                                              std::shared_ptr<ThreadQueue> sender) {
  auto sent = std::make_shared<SentMessage>();
  sent->hwnd = hwnd;
  sent->message = message;
  sent->wparam = wparam;
  sent->lparam = lparam;
  sent->sender = std::move(sender);
  target.incoming.push_back(sent);
  target.Wake(QS_SENDMESSAGE);
  return sent;
}

// Handles the oldest message sent to this thread by another thread; false
// when none waits. The lock is released while the window procedure runs.
bool AnswerOneSentMessage(std::unique_lock<std::mutex>& lock, ThreadQueue& queue) {
  if (queue.incoming.empty()) return false;
  std::shared_ptr<SentMessage> sent = queue.incoming.front();
  queue.incoming.pop_front();
  Window* window = FindWindowRecord(sent->hwnd);
  if (window == nullptr || window->queue.get() != &queue) {
    Discard(*sent);
    return true;
  }
  WNDPROC proc = window->proc;
  queue.answering.push_back(sent);
  lock.unlock();
  LRESULT result = 0;
  try {
    result = CallProcedure(proc, sent->hwnd, sent->message, sent->wparam, sent->lparam);
  } catch (...) {
    lock.lock();
    queue.answering.pop_back();
    Reply(*sent, 0);
    throw;
  }
  lock.lock();
  queue.answering.pop_back();
  Reply(*sent, result);
  return true;
}

// True when at least one sent message was handled.
bool AnswerSentMessages(std::unique_lock<std::mutex>& lock, ThreadQueue& queue) {
  bool any = false;
  while (AnswerOneSentMessage(lock, queue)) any = true;
  return any;
}

// Sleeps until something happens to the queue after `seen` (its wake serial
// when the caller last looked), a timer falls due, or the clock reaches
// `deadline_micros`.
void WaitForEvent(std::unique_lock<std::mutex>& lock, ThreadQueue& queue, std::uint64_t seen,
                  std::uint64_t deadline_micros) {
  // The thread is idle: the display gets what was drawn.
  PresentToDisplay();
  std::uint64_t deadline = std::min(
      {deadline_micros, NextTimerDue(queue), NextInputTimerDue(queue), NextCaretBlink(queue)});
  platform::WaitUntilClock(lock, queue.wake, deadline, [&] { return queue.wake_serial != seen; });
}

// Waits until `sent` is answered, or until `deadline_micros`. Meanwhile
// messages sent to this thread are answered (unless `answer_others` is
// false), which is what keeps two threads sending to each other going.
bool WaitForAnswer(std::unique_lock<std::mutex>& lock, ThreadQueue& self, const SentMessage& sent,
                   std::uint64_t deadline_micros, bool answer_others) {
  for (;;) {
    if (sent.replied) return true;
    if (answer_others && AnswerOneSentMessage(lock, self)) continue;
    if (deadline_micros != UINT64_MAX && platform::ClockMicros() >= deadline_micros) return false;
    std::uint64_t seen = self.wake_serial;
    platform::WaitUntilClock(lock, self.wake, deadline_micros,
                             [&] { return sent.replied || self.wake_serial != seen; });
  }
}

// QS_* bits of what is in the queue now.
UINT PresentKinds(const ThreadQueue& queue) {
  UINT kinds = 0;
  if (!queue.posted.empty()) kinds |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  if (queue.quit_pending) kinds |= QS_POSTMESSAGE;
  if (!queue.incoming.empty()) kinds |= QS_SENDMESSAGE;
  if (HasReadyTimer(queue)) kinds |= QS_TIMER;
  for (const RawInput& raw : queue.raw_input) {
    kinds |= raw.kind == RawInput::Kind::kMouseMove ? QS_MOUSEMOVE
             : (raw.kind == RawInput::Kind::kKey || raw.kind == RawInput::Kind::kChar)
                 ? QS_KEY
                 : QS_MOUSEBUTTON;
  }
  for (const MSG& input : queue.input) {
    kinds |= input.message == WM_MOUSEMOVE                                   ? QS_MOUSEMOVE
             : (input.message >= WM_KEYFIRST && input.message <= WM_KEYLAST) ? QS_KEY
                                                                             : QS_MOUSEBUTTON;
  }
  if (queue.maybe_paint) kinds |= QS_PAINT;
  return kinds;
}

bool TakePosted(ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG* msg) {
  auto it = std::find_if(queue.posted.begin(), queue.posted.end(), [&](const MSG& posted) {
    return filter.MatchesNumber(posted.message) && filter.MatchesWindow(posted.hwnd);
  });
  if (it == queue.posted.end()) return false;
  *msg = *it;
  if (remove) queue.posted.erase(it);
  return true;
}

// WM_QUIT is taken whatever the window and number filters say, so that a
// filtered loop still ends.
bool TakeQuit(ThreadQueue& queue, bool remove, MSG* msg) {
  if (!queue.quit_pending) return false;
  *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quit_code), 0);
  if (remove) queue.quit_pending = false;
  return true;
}

// The WM_PAINT of the first window of the thread that needs painting.
bool TakePaint(ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG* msg) {
  if (!filter.MatchesNumber(WM_PAINT)) return false;
  Window* window = FindWindowToPaint(queue, filter);
  if (window == nullptr) return false;
  *msg = MakeMessage(window->handle, WM_PAINT, 0, 0);
  if (remove) window->internal_paint = false;
  return true;
}

// One look at the queue in the platform's order: sent messages (answered
// here), posted messages, mouse and keyboard input, WM_QUIT, WM_PAINT, and
// WM_TIMER last.
bool TakeMessage(std::unique_lock<std::mutex>& lock, ThreadQueue& queue,
                 const MessageFilter& filter, bool remove, MSG* msg) {
  AnswerSentMessages(lock, queue);
  const std::uint64_t now = platform::ClockMicros();
  UpdateTimers(queue, now);
  UpdateInputTimers(queue, now);
  UpdateCaret(queue, now);
  queue.change_bits = 0;
  bool taken = filter.Wants(QS_POSTMESSAGE) && TakePosted(queue, filter, remove, msg);
  if (!taken && filter.Wants(QS_INPUT)) {
    taken = TakeInputMessage(queue, filter, remove, msg);
    while (!taken && CookInput(lock, queue)) {
      AnswerSentMessages(lock, queue);
      taken = TakeInputMessage(queue, filter, remove, msg);
    }
    // Cooking may have posted (WM_CHAR from a nested TranslateMessage...).
    if (!taken && filter.Wants(QS_POSTMESSAGE)) taken = TakePosted(queue, filter, remove, msg);
  }
  if (!taken && filter.Wants(QS_POSTMESSAGE)) taken = TakeQuit(queue, remove, msg);
  if (!taken && filter.Wants(QS_PAINT)) taken = TakePaint(queue, filter, remove, msg);
  if (!taken && filter.Wants(QS_TIMER)) taken = TakeTimerMessage(queue, filter, remove, msg);
  if (taken) {
    queue.last_message_time = msg->time;
    queue.last_message_pos = msg->pt;
  }
  return taken;
}

// Builds the filter of GetMessage/PeekMessage; false (error set) when the
// filter window is not a window of this thread.
bool MakeFilter(HWND hwnd, UINT min, UINT max, UINT flags, MessageFilter* filter) {
  filter->min = min;
  filter->max = max;
  filter->kinds = (flags >> 16) != 0 ? (flags >> 16) : (QS_ALLINPUT | QS_ALLPOSTMESSAGE);
  if (hwnd == kThreadMessagesOnly) {
    filter->thread_only = true;
    return true;
  }
  if (hwnd == nullptr) return true;
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return false;
  if (window->queue.get() != &CurrentQueue()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  filter->hwnd = hwnd;
  return true;
}

// The kernel objects of a MsgWaitForMultipleObjects call; false (error
// set) for a bad list or handle. One slot is kept for the queue.
bool CollectWaitables(DWORD count, const HANDLE* handles,
                      std::vector<std::shared_ptr<platform::WaitableObject>>* objects) {
  if (count >= MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  for (DWORD i = 0; i < count; ++i) {
    auto object = platform::LookupObjectAs<platform::WaitableObject>(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    objects->push_back(std::move(object));
  }
  return true;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> handles;
  for (Window* window : System().desktop->children) handles.push_back(window->handle);
  return handles;
}

}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto lock = Lock();
  if (hwnd == nullptr) {
    PostToQueue(CurrentQueue(), MakeMessage(nullptr, message, wparam, lparam));
    return TRUE;
  }
  if (hwnd == HWND_BROADCAST) {
    for (Window* window : System().desktop->children) {
      PostToQueue(*window->queue, MakeMessage(window->handle, message, wparam, lparam));
    }
    return TRUE;
  }
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  // The roots belong to no thread: what is posted to them is dropped.
  if (window->queue) PostToQueue(*window->queue, MakeMessage(hwnd, message, wparam, lparam));
  return TRUE;
}

BOOL PostThreadMessage(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam) {
  auto lock = Lock();
  ThreadQueue* queue = FindQueue(thread_id);
  if (queue == nullptr) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  PostToQueue(*queue, MakeMessage(nullptr, message, wparam, lparam));
  return TRUE;
}

void PostQuitMessage(int exit_code) {
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  queue.quit_pending = true;
  queue.quit_code = exit_code;
  queue.Wake(QS_POSTMESSAGE);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> targets;
    {
      auto lock = Lock();
      targets = TopLevelWindows();
    }
    for (HWND target : targets) {
      if (IsWindow(target)) SendMessage(target, message, wparam, lparam);
    }
    return 0;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr || !window->queue) return 0;
  if (window->queue.get() == &CurrentQueue()) {
    WNDPROC proc = window->proc;
    lock.unlock();
    return CallProcedure(proc, hwnd, message, wparam, lparam);
  }
  auto sent = QueueSentMessage(*window->queue, hwnd, message, wparam, lparam, CurrentQueueShared());
  WaitForAnswer(lock, CurrentQueue(), *sent, UINT64_MAX, true);
  return sent->result;
}

LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                           UINT timeout_ms, DWORD_PTR* result) {
  if (result != nullptr) *result = 0;
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> targets;
    {
      auto lock = Lock();
      targets = TopLevelWindows();
    }
    for (HWND target : targets) {
      if (IsWindow(target)) {
        SendMessageTimeout(target, message, wparam, lparam, flags, timeout_ms, nullptr);
      }
    }
    return TRUE;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return 0;
  if (!window->queue) return TRUE;
  if (window->queue.get() == &CurrentQueue()) {
    WNDPROC proc = window->proc;
    lock.unlock();
    LRESULT answer = CallProcedure(proc, hwnd, message, wparam, lparam);
    if (result != nullptr) *result = static_cast<DWORD_PTR>(answer);
    return TRUE;
  }
  std::shared_ptr<ThreadQueue> target = window->queue;
  auto sent = QueueSentMessage(*target, hwnd, message, wparam, lparam, CurrentQueueShared());
  bool answered = WaitForAnswer(lock, CurrentQueue(), *sent, platform::DeadlineAfterMs(timeout_ms),
                                (flags & SMTO_BLOCK) == 0);
  if (!answered) {
    // Withdrawn: if the target has not started on it, it never will.
    std::erase(target->incoming, sent);
    sent->sender = nullptr;
    SetLastError(ERROR_TIMEOUT);
    return 0;
  }
  if (sent->discarded) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (result != nullptr) *result = static_cast<DWORD_PTR>(sent->result);
  return TRUE;
}

BOOL SendNotifyMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  std::vector<HWND> targets;
  {
    auto lock = Lock();
    if (hwnd == HWND_BROADCAST) {
      targets = TopLevelWindows();
    } else {
      Window* window = RequireWindow(hwnd);
      if (window == nullptr) return FALSE;
      targets.push_back(hwnd);
    }
  }
  for (HWND target : targets) {
    auto lock = Lock();
    Window* window = FindWindowRecord(target);
    if (window == nullptr || !window->queue) continue;
    if (window->queue.get() == &CurrentQueue()) {
      WNDPROC proc = window->proc;
      lock.unlock();
      CallProcedure(proc, target, message, wparam, lparam);
    } else {
      QueueSentMessage(*window->queue, target, message, wparam, lparam, nullptr);
    }
  }
  return TRUE;
}

BOOL InSendMessage() {
  auto lock = Lock();
  return CurrentQueue().answering.empty() ? FALSE : TRUE;
}

BOOL ReplyMessage(LRESULT result) {
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  if (queue.answering.empty()) return FALSE;
  SentMessage& sent = *queue.answering.back();
  if (sent.replied || !sent.sender) return FALSE;
  Reply(sent, result);
  return TRUE;
}

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT min, UINT max) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  MessageFilter filter;
  if (!MakeFilter(hwnd, min, max, 0, &filter)) return -1;
  for (;;) {
    std::uint64_t seen = queue.wake_serial;
    if (TakeMessage(lock, queue, filter, true, msg)) return msg->message == WM_QUIT ? FALSE : TRUE;
    if (filter.hwnd != nullptr && FindWindowRecord(filter.hwnd) == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    WaitForEvent(lock, queue, seen, UINT64_MAX);
  }
}

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT min, UINT max, UINT remove_flags) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  MessageFilter filter;
  if (!MakeFilter(hwnd, min, max, remove_flags, &filter)) return FALSE;
  if (TakeMessage(lock, queue, filter, (remove_flags & PM_REMOVE) != 0, msg)) return TRUE;
  PresentToDisplay();
  return FALSE;
}

BOOL WaitMessage() {
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  for (;;) {
    std::uint64_t seen = queue.wake_serial;
    if (AnswerSentMessages(lock, queue)) return TRUE;
    UpdateTimers(queue, platform::ClockMicros());
    UpdateInputTimers(queue, platform::ClockMicros());
    UpdateCaret(queue, platform::ClockMicros());
    if (queue.change_bits & QS_ALLINPUT) return TRUE;
    WaitForEvent(lock, queue, seen, UINT64_MAX);
  }
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds,
                                  DWORD wake_mask, DWORD flags) {
  std::vector<std::shared_ptr<platform::WaitableObject>> objects;
  if (!CollectWaitables(count, handles, &objects)) return WAIT_FAILED;
  auto queue_object = std::make_shared<QueueWaitable>(wake_mask);
  objects.push_back(queue_object);  // index `count`: WAIT_OBJECT_0 + count means input
  const bool wait_all = (flags & MWMO_WAITALL) != 0;
  const std::uint64_t deadline = platform::DeadlineAfterMs(milliseconds);
  for (;;) {
    std::uint64_t next_timer = UINT64_MAX;
    {
      auto lock = Lock();
      ThreadQueue& queue = CurrentQueue();
      UpdateTimers(queue, platform::ClockMicros());
      UINT kinds = queue.change_bits;
      if (flags & MWMO_INPUTAVAILABLE) kinds |= PresentKinds(queue);
      queue_object->SetReady((kinds & wake_mask) != 0);
      queue.message_wait = queue_object;
      if (wake_mask & QS_TIMER) next_timer = NextTimerDue(queue);
    }
    DWORD result = platform::WaitForObjects(objects, wait_all, std::min(deadline, next_timer));
    {
      auto lock = Lock();
      CurrentQueue().message_wait.reset();
    }
    if (result != WAIT_TIMEOUT || platform::ClockMicros() >= deadline) return result;
    // A timer fell due: look at the queue again.
  }
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                                DWORD milliseconds, DWORD wake_mask) {
  return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, wake_mask,
                                     wait_all ? MWMO_WAITALL : 0);
}

DWORD GetQueueStatus(UINT flags) {
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  UpdateTimers(queue, platform::ClockMicros());
  UINT present = PresentKinds(queue) & flags;
  UINT arrived = queue.change_bits & present;
  queue.change_bits = 0;
  return MAKELONG(static_cast<WORD>(arrived), static_cast<WORD>(present));
}

BOOL GetInputState() {
  auto lock = Lock();
  return (PresentKinds(CurrentQueue()) & (QS_KEY | QS_MOUSEBUTTON)) != 0 ? TRUE : FALSE;
}

LONG GetMessageTime() {
  auto lock = Lock();
  return static_cast<LONG>(CurrentQueue().last_message_time);
}

LRESULT DispatchMessage(const MSG* msg) {
  if (msg == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto lock = Lock();
  ThreadQueue& queue = CurrentQueue();
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    // Only a procedure this thread gave to SetTimer is ever called.
    if (!IsTimerProc(queue, proc)) return 0;
    lock.unlock();
    proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  Window* window = RequireWindow(msg->hwnd);
  if (window == nullptr) return 0;
  if (window->queue.get() != &queue) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return 0;
  }
  WNDPROC proc = window->proc;
  lock.unlock();
  return CallProcedure(proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

namespace platform {

QueueState InspectQueue(DWORD thread_id) {
  auto lock = Lock();
  QueueState state;
  ThreadQueue* queue = FindQueue(thread_id);
  if (queue == nullptr) return state;
  state.exists = true;
  state.posted = queue->posted.size();
  state.sent_waiting = queue->incoming.size();
  state.timers = queue->timers.size();
  state.quit_pending = queue->quit_pending;
  return state;
}

}  // namespace platform

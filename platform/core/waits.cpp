#include "platform/core/waits.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/threads.h"

namespace {

struct Dispatcher {
  std::mutex mutex;
  std::condition_variable changed;
};

Dispatcher& TheDispatcher() {
  static Dispatcher* dispatcher = new Dispatcher;  // never destroyed: used during exit
  return *dispatcher;
}

// Waiters on objects held by other processes re-check this often.
constexpr std::chrono::milliseconds kPollSlice{4};
// Under the manual clock a clock listener wakes waiters whenever the clock
// moves; the slice only guards against a missed switch of clocks.
constexpr std::chrono::milliseconds kManualClockSlice{10};

void EnsureClockListener() {
  static const bool added = [] {
    platform::AddClockListener([] { platform::NotifyWaiters(); });
    return true;
  }();
  (void)added;
}

using Objects = std::vector<std::shared_ptr<platform::WaitableObject>>;

void SettleAllBut(const Objects& objects, std::size_t taken, DWORD thread_id) {
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (i != taken) objects[i]->Settle(thread_id);
  }
}

// One round of readiness checks. Returns the wait result, or WAIT_TIMEOUT
// when the wait is not satisfied yet.
DWORD TryComplete(const Objects& objects, bool wait_all, DWORD thread_id) {
  if (!wait_all) {
    for (std::size_t i = 0; i < objects.size(); ++i) {
      if (!objects[i]->IsReadyFor(thread_id)) continue;
      bool abandoned = objects[i]->Take(thread_id);
      SettleAllBut(objects, i, thread_id);
      return static_cast<DWORD>(i) + (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0);
    }
    SettleAllBut(objects, objects.size(), thread_id);
    return WAIT_TIMEOUT;
  }
  bool all_ready = std::all_of(objects.begin(), objects.end(),
                               [&](const auto& object) { return object->IsReadyFor(thread_id); });
  if (!all_ready) {
    SettleAllBut(objects, objects.size(), thread_id);
    return WAIT_TIMEOUT;
  }
  DWORD result = WAIT_OBJECT_0;
  bool any_abandoned = false;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i]->Take(thread_id) && !any_abandoned) {
      any_abandoned = true;
      result = WAIT_ABANDONED_0 + static_cast<DWORD>(i);
    }
  }
  return result;
}

}  // namespace

namespace platform {

std::unique_lock<std::mutex> LockDispatcher() {
  return std::unique_lock<std::mutex>(TheDispatcher().mutex);
}

void NotifyWaiters() {
  Dispatcher& dispatcher = TheDispatcher();
  { std::lock_guard<std::mutex> lock(dispatcher.mutex); }
  dispatcher.changed.notify_all();
}

void NotifyWaitersLocked() {
  TheDispatcher().changed.notify_all();
}

void WaitForChange(std::unique_lock<std::mutex>& lock) {
  TheDispatcher().changed.wait(lock);
}

DWORD WaitForObjects(const Objects& objects, bool wait_all, std::uint64_t deadline_micros) {
  EnsureClockListener();
  Dispatcher& dispatcher = TheDispatcher();
  const DWORD thread_id = GetCurrentThreadId();
  const bool polling = std::any_of(objects.begin(), objects.end(),
                                   [](const auto& object) { return object->NeedsPolling(); });
  std::unique_lock<std::mutex> lock(dispatcher.mutex);
  DWORD result;
  for (;;) {
    result = TryComplete(objects, wait_all, thread_id);
    if (result != WAIT_TIMEOUT) break;
    const std::uint64_t now = ClockMicros();
    if (now >= deadline_micros) break;
    const bool manual = IsManualClock();
    if (deadline_micros == UINT64_MAX && !manual && !polling) {
      dispatcher.changed.wait(lock);
      continue;
    }
    std::chrono::microseconds slice = manual ? kManualClockSlice : std::chrono::microseconds::max();
    if (polling) slice = std::min<std::chrono::microseconds>(slice, kPollSlice);
    if (!manual && deadline_micros != UINT64_MAX) {
      slice = std::min<std::chrono::microseconds>(slice,
                                                  std::chrono::microseconds(deadline_micros - now));
    }
    dispatcher.changed.wait_for(lock, slice);
  }
  ParkWhileSuspended(lock);
  return result;
}

}  // namespace platform

namespace {

// Looks up every handle as a waitable object; sets the error and returns
// false when one is not.
bool CollectObjects(DWORD count, const HANDLE* handles, Objects& objects) {
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto object = platform::LookupObjectAs<platform::WaitableObject>(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    objects.push_back(std::move(object));
  }
  return true;
}

}  // namespace

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                             DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  Objects objects;
  if (!CollectObjects(count, handles, objects)) return WAIT_FAILED;
  if (wait_all) {
    // One object named twice cannot be taken twice in one atomic step.
    for (DWORD i = 0; i < count; ++i) {
      for (DWORD j = i + 1; j < count; ++j) {
        if (objects[i] == objects[j]) {
          SetLastError(ERROR_INVALID_PARAMETER);
          return WAIT_FAILED;
        }
      }
    }
  }
  return platform::WaitForObjects(objects, wait_all != FALSE,
                                  platform::DeadlineAfterMs(milliseconds));
}

// The one clock of the process. GetTickCount, Sleep, the performance
// counter, timers, waits with time-outs and the audio stand-in's silent device
// all read it. Tests can install a manual clock and advance it by hand.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/core/types.h"

DWORD GetTickCount();
ULONGLONG GetTickCount64();
DWORD timeGetTime();
void Sleep(DWORD milliseconds);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
// The counter runs at 1 MHz.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

namespace platform {

// Microseconds on the platform clock. The real clock starts near zero when
// the process starts (plus a fixed offset so tick counts look like uptime);
// the manual clock starts where the test put it.
std::uint64_t ClockMicros();

// Installs a manual clock that stands still until AdvanceClock is called.
// Threads sleeping or waiting with a time-out wake when the manual time
// reaches their deadline.
void UseManualClock(std::uint64_t start_micros = 0);
// Goes back to the real clock (tests call this in their tear-down).
void UseRealClock();
bool IsManualClock();
// Moves the manual clock forward; ignored on the real clock.
void AdvanceClock(std::uint64_t micros);
inline void AdvanceClockMs(std::uint64_t ms) { AdvanceClock(ms * 1000); }

// Listeners are called (on the advancing thread, outside any clock lock)
// after the manual clock moves, so that components driven by time (timers,
// the silent audio device) can catch up. Returns an id for RemoveClockListener.
int AddClockListener(std::function<void()> listener);
void RemoveClockListener(int id);

// Waits on `cv` (with `lock` held on entry and exit) until `ready()` is true
// or the platform clock reaches `deadline_micros`. Returns ready().
// A deadline of UINT64_MAX waits without a time-out.
template <class Predicate>
bool WaitUntilClock(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                    std::uint64_t deadline_micros, Predicate ready);

// The deadline `milliseconds` from now, or UINT64_MAX for INFINITE.
std::uint64_t DeadlineAfterMs(DWORD milliseconds);

namespace detail {
// Real-time slice a waiter sleeps before re-reading the manual clock.
constexpr std::chrono::microseconds kManualClockPollSlice{500};
}  // namespace detail

template <class Predicate>
bool WaitUntilClock(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                    std::uint64_t deadline_micros, Predicate ready) {
  while (!ready()) {
    if (deadline_micros == UINT64_MAX) {
      if (IsManualClock()) {
        cv.wait_for(lock, detail::kManualClockPollSlice);
      } else {
        cv.wait(lock);
      }
      continue;
    }
    const std::uint64_t now = ClockMicros();
    if (now >= deadline_micros) return ready();
    if (IsManualClock()) {
      cv.wait_for(lock, detail::kManualClockPollSlice);
    } else {
      cv.wait_for(lock, std::chrono::microseconds(deadline_micros - now));
    }
  }
  return true;
}

}  // namespace platform

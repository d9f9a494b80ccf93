#include "platform/core/clock.h"

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "platform/core/waits.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Tick counts look like a machine that has been up for a while, so that code
// subtracting small values from GetTickCount never goes below zero.
constexpr std::uint64_t kRealClockOffsetMicros = 60ull * 60 * 1000 * 1000;

const SteadyClock::time_point g_process_start = SteadyClock::now();

std::atomic<bool> g_manual{false};
std::atomic<std::uint64_t> g_manual_micros{0};

std::mutex g_listener_mutex;
std::map<int, std::function<void()>> g_listeners;
int g_next_listener_id = 1;

std::uint64_t RealMicros() {
  auto elapsed = SteadyClock::now() - g_process_start;
  return kRealClockOffsetMicros +
         static_cast<std::uint64_t>(
             std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void NotifyListeners() {
  std::vector<std::function<void()>> listeners;
  {
    std::lock_guard<std::mutex> lock(g_listener_mutex);
    for (auto& [id, fn] : g_listeners) listeners.push_back(fn);
  }
  for (auto& fn : listeners) fn();
}

}  // namespace

namespace platform {

std::uint64_t ClockMicros() {
  return g_manual.load(std::memory_order_acquire) ? g_manual_micros.load(std::memory_order_acquire)
                                                  : RealMicros();
}

void UseManualClock(std::uint64_t start_micros) {
  g_manual_micros.store(start_micros, std::memory_order_release);
  g_manual.store(true, std::memory_order_release);
}

void UseRealClock() { g_manual.store(false, std::memory_order_release); }

bool IsManualClock() { return g_manual.load(std::memory_order_acquire); }

void AdvanceClock(std::uint64_t micros) {
  if (!IsManualClock()) return;
  g_manual_micros.fetch_add(micros, std::memory_order_acq_rel);
  NotifyListeners();
}

int AddClockListener(std::function<void()> listener) {
  std::lock_guard<std::mutex> lock(g_listener_mutex);
  int id = g_next_listener_id++;
  g_listeners.emplace(id, std::move(listener));
  return id;
}

void RemoveClockListener(int id) {
  std::lock_guard<std::mutex> lock(g_listener_mutex);
  g_listeners.erase(id);
}

std::uint64_t DeadlineAfterMs(DWORD milliseconds) {
  if (milliseconds == INFINITE) return UINT64_MAX;
  return ClockMicros() + static_cast<std::uint64_t>(milliseconds) * 1000;
}

}  // namespace platform

ULONGLONG GetTickCount64() { return platform::ClockMicros() / 1000; }

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

DWORD timeGetTime() { return GetTickCount(); }

namespace {

void SleepOnClock(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  if (!platform::IsManualClock()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
  std::mutex m;
  std::condition_variable cv;
  std::unique_lock<std::mutex> lock(m);
  platform::WaitUntilClock(lock, cv, platform::DeadlineAfterMs(milliseconds),
                           [] { return false; });
}

}  // namespace

void Sleep(DWORD milliseconds) {
  SleepOnClock(milliseconds);
  // A thread suspended by another thread stops here (see SuspendThread).
  auto lock = platform::LockDispatcher();
  platform::ParkWhileSuspended(lock);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) return FALSE;
  count->QuadPart = static_cast<LONGLONG>(platform::ClockMicros());
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return FALSE;
  frequency->QuadPart = 1000000;
  return TRUE;
}

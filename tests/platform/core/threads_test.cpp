// Threads made with CreateThread: suspended start, exit codes, waiting on
// the thread, priorities and cooperative suspension.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"

#include "tests/platform/checks.h"

namespace {

using namespace std::chrono_literals;

struct Shared {
  std::atomic<int> runs{0};
  std::atomic<DWORD> seen_id{0};
  HANDLE gate = nullptr;
};

DWORD CountRun(LPVOID parameter) {
  auto* shared = static_cast<Shared*>(parameter);
  shared->seen_id = GetCurrentThreadId();
  if (shared->gate) WaitForSingleObject(shared->gate, INFINITE);
  ++shared->runs;
  return 42;
}

TEST(Threads, RunsTheRoutineAndReportsItsExitCode) {
  Shared shared;
  shared.gate = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, CountRun, &shared, 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(GetThreadId(thread), id);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(thread, 30), WAIT_TIMEOUT);
  SetEvent(shared.gate);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(shared.runs, 1);
  EXPECT_EQ(shared.seen_id, id);
  ASSERT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  // An ended thread stays signalled.
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  CloseHandle(thread);
  CloseHandle(shared.gate);
}

TEST(Threads, SuspendedThreadWaitsForResume) {
  Shared shared;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, CountRun, &shared, CREATE_SUSPENDED, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);  // known before the routine runs
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(shared.runs, 0);
  EXPECT_EQ(SuspendThread(thread), 1u);  // now suspended twice
  EXPECT_EQ(ResumeThread(thread), 2u);
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(shared.runs, 0);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(shared.runs, 1);
  EXPECT_EQ(ResumeThread(thread), 0u);  // not suspended: nothing to undo
  CloseHandle(thread);
}

struct Ticker {
  std::atomic<int> ticks{0};
  std::atomic<bool> stop{false};
};

DWORD Tick(LPVOID parameter) {
  auto* ticker = static_cast<Ticker*>(parameter);
  while (!ticker->stop) {
    Sleep(2);
    ++ticker->ticks;
  }
  return 0;
}

TEST(Threads, SuspendedThreadStopsAtItsNextWait) {
  Ticker ticker;
  HANDLE thread = CreateThread(nullptr, 0, Tick, &ticker, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  for (int i = 0; i < 2000 && ticker.ticks == 0; ++i) std::this_thread::sleep_for(1ms);
  EXPECT_GT(ticker.ticks, 0);
  EXPECT_EQ(SuspendThread(thread), 0u);
  std::this_thread::sleep_for(30ms);
  const int frozen = ticker.ticks;
  std::this_thread::sleep_for(60ms);
  EXPECT_LE(ticker.ticks, frozen + 1);
  EXPECT_EQ(ResumeThread(thread), 1u);
  for (int i = 0; i < 2000 && ticker.ticks <= frozen + 1; ++i) std::this_thread::sleep_for(1ms);
  EXPECT_GT(ticker.ticks, frozen + 1);
  ticker.stop = true;
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  CloseHandle(thread);
}

TEST(Threads, ClosingTheHandleLetsTheThreadRunOn) {
  Shared shared;
  shared.gate = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, CountRun, &shared, 0, nullptr);
  ASSERT_TRUE(CloseHandle(thread));
  SetEvent(shared.gate);
  for (int i = 0; i < 500 && shared.runs == 0; ++i) std::this_thread::sleep_for(2ms);
  EXPECT_EQ(shared.runs, 1);
  CloseHandle(shared.gate);
}

TEST(Threads, PriorityIsKeptAndCheckedForValidValues) {
  Shared shared;
  HANDLE thread = CreateThread(nullptr, 0, CountRun, &shared, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_IDLE));
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
  EXPECT_EQ(ERROR_OF(SetThreadPriority(thread, 7)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
  ResumeThread(thread);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);

  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(GetCurrentThread(), &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(CloseHandle(GetCurrentThread()));  // a pseudo handle: nothing to close
  EXPECT_EQ(GetThreadId(GetCurrentThread()), GetCurrentThreadId());
}

TEST(Threads, BadHandlesAndArgumentsFail) {
  HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  SetLastError(0);
  EXPECT_EQ(ResumeThread(event), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  DWORD code = 0;
  EXPECT_EQ(ERROR_OF(GetExitCodeThread(reinterpret_cast<HANDLE>(0x5555), &code)),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetThreadPriority(nullptr), THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_FALSE(SetThreadPriority(event, THREAD_PRIORITY_NORMAL));
  EXPECT_EQ(SuspendThread(nullptr), static_cast<DWORD>(-1));
  EXPECT_EQ(ERROR_OF(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr) != nullptr),
            ERROR_INVALID_PARAMETER);
  CloseHandle(event);
}

TEST(Threads, WaitForManyThreadsAtOnce) {
  Shared shared;
  shared.gate = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE threads[8];
  for (auto& t : threads) t = CreateThread(nullptr, 0, CountRun, &shared, 0, nullptr);
  EXPECT_EQ(WaitForMultipleObjects(8, threads, TRUE, 20), WAIT_TIMEOUT);
  SetEvent(shared.gate);
  EXPECT_EQ(WaitForMultipleObjects(8, threads, TRUE, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(shared.runs, 8);
  for (auto& t : threads) CloseHandle(t);
  CloseHandle(shared.gate);
}

}  // namespace

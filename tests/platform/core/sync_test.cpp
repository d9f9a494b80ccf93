// Events, in-process mutexes, critical sections and waits, with real threads
// under the real and the manual clock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/critical_section.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/mutexes.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"

#include "tests/platform/checks.h"

namespace {

using velko_test::ErrorOf;

using namespace std::chrono_literals;

// Closes a handle when the test ends, whatever happened.
struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h) CloseHandle(h);
  }
  operator HANDLE() const { return h; }
};

TEST(Events, ManualResetStaysSignalledUntilReset) {
  Handle event(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  ASSERT_NE(event.h, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(ResetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Events, AutoResetReleasesExactlyOneWaiter) {
  Handle event(CreateEvent(nullptr, FALSE, FALSE, nullptr));
  std::atomic<int> woke{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      if (WaitForSingleObject(event, 2000) == WAIT_OBJECT_0) ++woke;
    });
  }
  std::this_thread::sleep_for(50ms);
  SetEvent(event);
  for (int i = 0; i < 2000 && woke < 1; ++i) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(50ms);  // time for a wrong second wake-up to show
  EXPECT_EQ(woke, 1);
  // Setting an event that is still set changes nothing, so one at a time.
  SetEvent(event);
  for (int i = 0; i < 1000 && woke < 2; ++i) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(woke, 2);
  SetEvent(event);
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woke, 3);
  // Every set was consumed by a waiter: nothing is left signalled.
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Events, InitialStateAndNamedEventsShareOneObject) {
  Handle first(CreateEvent(nullptr, TRUE, TRUE, "velko-test-shared-event"));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  Handle second(CreateEvent(nullptr, TRUE, FALSE, "velko-test-shared-event"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_NE(second.h, nullptr);
  EXPECT_NE(first.h, second.h);
  // The second call's initial state is ignored: it is the same, signalled event.
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  ResetEvent(first);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
  Handle opened(OpenEvent(EVENT_ALL_ACCESS, FALSE, "velko-test-shared-event"));
  ASSERT_NE(opened.h, nullptr);
  SetEvent(opened);
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  // The name of another kind of object is refused.
  EXPECT_EQ(ERROR_OF(CreateMutex(nullptr, FALSE, "velko-test-shared-event") != nullptr),
            ERROR_INVALID_HANDLE);
}

TEST(Events, NameIsFreeAgainWhenTheLastHandleCloses) {
  HANDLE event = CreateEvent(nullptr, TRUE, TRUE, "velko-test-transient-event");
  ASSERT_NE(event, nullptr);
  CloseHandle(event);
  SetLastError(ERROR_GEN_FAILURE);
  EXPECT_EQ(ErrorOf(OpenEvent(EVENT_ALL_ACCESS, FALSE, "velko-test-transient-event") != nullptr),
            ERROR_FILE_NOT_FOUND);
  Handle again(CreateEvent(nullptr, TRUE, FALSE, "velko-test-transient-event"));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_TIMEOUT);
}

TEST(Events, BadHandlesFailWithInvalidHandle) {
  Handle mutex(CreateMutex(nullptr, FALSE, nullptr));
  EXPECT_EQ(ERROR_OF(SetEvent(mutex)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ERROR_OF(ResetEvent(reinterpret_cast<HANDLE>(0x7777))), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(SetEvent(nullptr));
}

TEST(Waits, BadHandlesAndArgumentsFail) {
  EXPECT_EQ(ERROR_OF(WaitForSingleObject(reinterpret_cast<HANDLE>(0x1234), 0) != WAIT_FAILED),
            ERROR_INVALID_HANDLE);
  Handle event(CreateEvent(nullptr, TRUE, TRUE, nullptr));
  HANDLE closed = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  CloseHandle(closed);
  HANDLE mixed[2] = {event, closed};
  EXPECT_EQ(ERROR_OF(WaitForMultipleObjects(2, mixed, FALSE, 0) != WAIT_FAILED),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(ERROR_OF(WaitForMultipleObjects(0, mixed, FALSE, 0) != WAIT_FAILED),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(WaitForMultipleObjects(65, mixed, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(1, nullptr, FALSE, 0), WAIT_FAILED);
  HANDLE twice[2] = {event, event};
  EXPECT_EQ(ERROR_OF(WaitForMultipleObjects(2, twice, TRUE, 0) != WAIT_FAILED),
            ERROR_INVALID_PARAMETER);
}

TEST(Waits, WaitAnyReportsTheFirstSignalledObject) {
  Handle a(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  Handle b(CreateEvent(nullptr, FALSE, FALSE, nullptr));
  Handle c(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  HANDLE all[3] = {a, b, c};
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 10), WAIT_TIMEOUT);
  SetEvent(c);
  SetEvent(b);
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 1);
  // b reset itself; c is manual and still set.
  EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 2);
}

TEST(Waits, WaitAllTakesNothingUntilEverythingIsReady) {
  Handle manual(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  Handle automatic(CreateEvent(nullptr, FALSE, TRUE, nullptr));
  HANDLE both[2] = {manual, automatic};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 20), WAIT_TIMEOUT);
  // The auto-reset event was not consumed by the failed wait.
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  SetEvent(automatic);

  std::thread setter([&] {
    std::this_thread::sleep_for(50ms);
    SetEvent(manual);
  });
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 5000), WAIT_OBJECT_0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
}

TEST(Waits, RealClockTimeOutTakesAboutTheTimeAsked) {
  Handle event(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  const DWORD start = GetTickCount();
  EXPECT_EQ(WaitForSingleObject(event, 60), WAIT_TIMEOUT);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 60u);
  EXPECT_LT(elapsed, 5000u);
}

class ManualClockWaits : public ::testing::Test {
 protected:
  void SetUp() override { platform::UseManualClock(1'000'000); }
  void TearDown() override { platform::UseRealClock(); }
};

// Moves the manual clock a millisecond at a time until `done`.
bool AdvanceUntil(const std::atomic<bool>& done) {
  for (int i = 0; i < 20000 && !done; ++i) {
    platform::AdvanceClockMs(1);
    std::this_thread::sleep_for(100us);
  }
  return done;
}

// A wait run on its own thread, with the manual time it took.
struct TimedWait {
  std::atomic<bool> done{false};
  std::atomic<DWORD> result{0};
  std::atomic<DWORD> elapsed{0};
  std::thread thread;
  template <class Wait>
  explicit TimedWait(Wait wait) {
    thread = std::thread([this, wait] {
      const DWORD start = GetTickCount();
      result = wait();
      elapsed = GetTickCount() - start;
      done = true;
    });
  }
  ~TimedWait() {
    if (thread.joinable()) thread.join();
  }
};

TEST_F(ManualClockWaits, TimeOutFollowsTheManualClock) {
  Handle a(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  Handle b(CreateEvent(nullptr, TRUE, FALSE, nullptr));
  HANDLE both[2] = {a, b};
  TimedWait wait([&] { return WaitForMultipleObjects(2, both, TRUE, 500); });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(wait.done);  // real time passing does not end it
  SetEvent(a);              // half of a wait-all is not enough
  std::this_thread::sleep_for(30ms);
  EXPECT_FALSE(wait.done);
  ASSERT_TRUE(AdvanceUntil(wait.done));
  EXPECT_EQ(wait.result, WAIT_TIMEOUT);
  EXPECT_GE(wait.elapsed, 500u);
  EXPECT_LT(wait.elapsed, 700u);
}

TEST_F(ManualClockWaits, WaitAnyTimesOutOnlyWhenTheClockIsAdvanced) {
  Handle a(CreateEvent(nullptr, FALSE, FALSE, nullptr));
  Handle b(CreateEvent(nullptr, FALSE, FALSE, nullptr));
  HANDLE both[2] = {a, b};
  // A zero time-out answers at once, whatever the clock does.
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);
  TimedWait wait([&] { return WaitForMultipleObjects(2, both, FALSE, 40); });
  std::this_thread::sleep_for(80ms);  // twice the time-out in real time
  EXPECT_FALSE(wait.done);
  ASSERT_TRUE(AdvanceUntil(wait.done));
  EXPECT_EQ(wait.result, WAIT_TIMEOUT);
  EXPECT_GE(wait.elapsed, 40u);
  EXPECT_LT(wait.elapsed, 240u);
}

TEST_F(ManualClockWaits, SignalBeforeTheDeadlineWins) {
  Handle event(CreateEvent(nullptr, FALSE, FALSE, nullptr));
  std::atomic<DWORD> result{0xDEAD};
  std::thread waiter([&] { result = WaitForSingleObject(event, 100); });
  std::this_thread::sleep_for(20ms);
  platform::AdvanceClockMs(60);
  SetEvent(event);
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
}

TEST(Mutexes, OwnerMayTakeItAgainAndMustReleaseAsOften) {
  Handle mutex(CreateMutex(nullptr, TRUE, nullptr));
  ASSERT_NE(mutex.h, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  std::atomic<DWORD> other{0};
  auto try_from_other_thread = [&] {
    std::thread t([&] { other = WaitForSingleObject(mutex, 0); });
    t.join();
    return other.load();
  };
  EXPECT_EQ(try_from_other_thread(), WAIT_TIMEOUT);
  std::atomic<DWORD> error{0};
  std::thread stranger([&] { error = ERROR_OF(ReleaseMutex(mutex)); });
  stranger.join();
  EXPECT_EQ(error, ERROR_NOT_OWNER);  // another thread may not release it
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(try_from_other_thread(), WAIT_TIMEOUT);  // still held once
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(ERROR_OF(ReleaseMutex(mutex)), ERROR_NOT_OWNER);
}

TEST(Mutexes, ThreadEndingWhileOwningAbandonsTheMutex) {
  Handle mutex(CreateMutex(nullptr, FALSE, nullptr));
  std::thread owner([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); });
  owner.join();
  EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED);
  // Only the first wait after the owner's end reports it.
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
}

TEST(Mutexes, WaiterGetsTheMutexWhenReleasedAndWaitAllReportsAbandonment) {
  Handle mutex(CreateMutex(nullptr, TRUE, nullptr));
  Handle event(CreateEvent(nullptr, TRUE, TRUE, nullptr));
  std::atomic<DWORD> result{0xDEAD};
  std::thread waiter([&] {
    HANDLE both[2] = {event, mutex};
    result = WaitForMultipleObjects(2, both, TRUE, 5000);
    // Ends while owning it.
  });
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(result, 0xDEADu);
  ReleaseMutex(mutex);
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
  HANDLE both[2] = {event, mutex};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 1000), WAIT_ABANDONED_0 + 1);
  ReleaseMutex(mutex);
}

TEST(CriticalSections, ExcludeOtherThreadsAndNest) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        EnterCriticalSection(&section);
        EnterCriticalSection(&section);  // the owner may enter again
        ++counter;
        LeaveCriticalSection(&section);
        LeaveCriticalSection(&section);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 20000);
  DeleteCriticalSection(&section);
}

TEST(CriticalSections, TryEnterFailsWhileAnotherThreadOwnsIt) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // nested by the owner
  LeaveCriticalSection(&section);
  std::atomic<BOOL> other{TRUE};
  std::thread t([&] {
    other = TryEnterCriticalSection(&section);
    // A stray Leave by a thread that does not own it changes nothing.
    LeaveCriticalSection(&section);
  });
  t.join();
  EXPECT_FALSE(other);
  LeaveCriticalSection(&section);
  std::thread u([&] {
    other = TryEnterCriticalSection(&section);
    if (other) LeaveCriticalSection(&section);
  });
  u.join();
  EXPECT_TRUE(other);
  DeleteCriticalSection(&section);
  // Calls on a deleted section do nothing rather than crash.
  EnterCriticalSection(&section);
  LeaveCriticalSection(&section);
  EXPECT_FALSE(TryEnterCriticalSection(&section));
}

TEST(Interlocked, CountsFromManyThreads) {
  volatile LONG value = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        InterlockedIncrement(&value);
        InterlockedDecrement(&value);
        InterlockedIncrement(&value);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(value, 40000);
  EXPECT_EQ(InterlockedExchange(&value, 7), 40000);
  EXPECT_EQ(InterlockedCompareExchange(&value, 9, 8), 7);  // no match: unchanged
  EXPECT_EQ(value, 7);
  EXPECT_EQ(InterlockedCompareExchange(&value, 9, 7), 7);
  EXPECT_EQ(value, 9);
  EXPECT_EQ(InterlockedExchangeAdd(&value, 5), 9);
  EXPECT_EQ(value, 14);
}

}  // namespace

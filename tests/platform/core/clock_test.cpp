#include "platform/core/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "platform/core/errors.h"
#include "platform/core/handles.h"

#include "platform/core/handle_table.h"
#include "platform/core/types.h"
#include "tests/platform/checks.h"

namespace {

class ManualClockTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::UseManualClock(5'000'000); }
  void TearDown() override { platform::UseRealClock(); }
};

TEST_F(ManualClockTest, StandsStillUntilAdvanced) {
  EXPECT_EQ(GetTickCount(), 5000u);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(GetTickCount(), 5000u);
  platform::AdvanceClockMs(33);
  EXPECT_EQ(GetTickCount(), 5033u);
  LARGE_INTEGER count{}, freq{};
  ASSERT_TRUE(QueryPerformanceCounter(&count));
  ASSERT_TRUE(QueryPerformanceFrequency(&freq));
  EXPECT_EQ(count.QuadPart, 5'033'000);
  EXPECT_EQ(freq.QuadPart, 1'000'000);
  // Listeners run after each advance until removed.
  int calls = 0;
  int id = platform::AddClockListener([&] { ++calls; });
  platform::AdvanceClockMs(1);
  platform::AdvanceClockMs(1);
  platform::RemoveClockListener(id);
  platform::AdvanceClockMs(1);
  EXPECT_EQ(calls, 2);
}

TEST_F(ManualClockTest, SleepWakesOnlyWhenTheClockReachesTheDeadline) {
  std::atomic<bool> woke{false};
  std::thread sleeper([&] {
    Sleep(100);
    woke = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  platform::AdvanceClockMs(99);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(woke);
  platform::AdvanceClockMs(1);
  sleeper.join();
  EXPECT_TRUE(woke);
}

TEST(RealClock, MovesForwardWithRealTime) {
  DWORD before = GetTickCount();
  Sleep(30);
  DWORD elapsed = GetTickCount() - before;
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 5000u);
}

struct Dummy : platform::KernelObject {
  bool* closed;
  explicit Dummy(bool* c) : closed(c) {}
  void OnHandleClosed() override { *closed = true; }
};

TEST(Handles, ClosedAndUnknownHandlesFailWithInvalidHandle) {
  bool closed = false;
  HANDLE h = platform::RegisterObject(std::make_shared<Dummy>(&closed));
  ASSERT_NE(h, nullptr);
  EXPECT_NE(platform::LookupObjectAs<Dummy>(h), nullptr);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_TRUE(closed);
  EXPECT_EQ(ERROR_OF(CloseHandle(h)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(platform::LookupObject(h), nullptr);
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST(Errors, LastErrorIsPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  std::thread other([] {
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    SetLastError(ERROR_FILE_NOT_FOUND);
  });
  other.join();
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(platform::ErrorMessageText(ERROR_FILE_NOT_FOUND),
            "The system cannot find the file specified.");
}

HANDLE Number(std::uintptr_t n) {
  return reinterpret_cast<HANDLE>(n);
}

TEST(HandleTable, HandlesFollowTheKindsRangeAndAreNeverReused) {
  platform::HandleTable<HANDLE, int> table(0x1000, 4);
  std::set<HANDLE> seen;
  for (int round = 0; round < 3; ++round) {
    HANDLE a = table.Add(round);
    HANDLE b = table.Add(round + 10);
    EXPECT_TRUE(seen.insert(a).second && seen.insert(b).second);
    EXPECT_TRUE(table.Remove(a));
    EXPECT_EQ(table.Take(b), round + 10);
  }
  EXPECT_EQ(*seen.begin(), Number(0x1000));
  EXPECT_EQ(*seen.rbegin(), Number(0x1000 + 5 * 4));
  EXPECT_TRUE(table.empty());
}

TEST(HandleTable, OnlyLiveHandlesFindTheirValue) {
  platform::HandleTable<HANDLE, int> table(0x2001, 2);
  HANDLE kept = table.Add(7);
  HANDLE gone = table.Add(8);
  EXPECT_EQ(table.Take(gone), 8);
  ASSERT_NE(table.Find(kept), nullptr);
  EXPECT_EQ(*table.Find(kept), 7);
  // A removed handle, one never given out, one between two numbers of the
  // range and the null handle are all unknown.
  for (HANDLE stale : {gone, Number(0x2005), Number(0x2002), Number(0)}) {
    EXPECT_EQ(table.Find(stale), nullptr) << stale;
    EXPECT_FALSE(table.Contains(stale) || table.Remove(stale) || table.Take(stale));
  }
  // A number the kind chose itself (an address) stands apart from the range.
  EXPECT_EQ(table.AddAt(0x8000, 1), Number(0x8000));
  EXPECT_EQ(table.AddAt(0x8000, 3), Number(0x8000));  // replaced, not doubled
  EXPECT_EQ(table.Add(4), Number(0x2005));
  EXPECT_EQ(table.size(), 3u);
}

}  // namespace

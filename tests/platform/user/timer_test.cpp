#include "platform/user/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::SetHandler;
using velko_test::UserTest;
using velko_test::WaitFor;

// Timers under the manual clock. Each test counts the WM_TIMER messages its
// window receives, by timer id.
class TimerTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    platform::UseManualClock(10'000'000);
    SetHandler([this](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
      if (message == WM_TIMER) ++fired_[wparam];
      return std::nullopt;
    });
    window_ = Make(HWND_MESSAGE);
  }

  // Advances the clock `ms` milliseconds one at a time, taking messages
  // after each step.
  void StepMs(int ms) {
    for (int i = 0; i < ms; ++i) {
      platform::AdvanceClockMs(1);
      Pump();
    }
  }

  HWND window_ = nullptr;
  std::map<WPARAM, int> fired_;
};

TEST_F(TimerTest, InOneMillisecondStepsEveryExpiryIsDelivered) {
  ASSERT_NE(SetTimer(window_, 1, 50, nullptr), 0u);
  ASSERT_NE(SetTimer(window_, 2, 33, nullptr), 0u);
  SetTimer(window_, 3, 1, nullptr);  // intervals below ten milliseconds are ten
  SetTimer(window_, 4, 0, nullptr);
  StepMs(1000);
  EXPECT_EQ(fired_[1], 20);
  EXPECT_EQ(fired_[2], 30);  // at 33, 66, ... 990
  EXPECT_EQ(fired_[3], 100);
  EXPECT_EQ(fired_[4], 100);
}

TEST_F(TimerTest, OneBigJumpDeliversOneMessagePerTimerAndKeepsTheSchedule) {
  SetTimer(window_, 1, 50, nullptr);
  SetTimer(window_, 2, 33, nullptr);
  platform::AdvanceClockMs(1000);
  Pump();
  EXPECT_EQ(fired_[1], 1);
  EXPECT_EQ(fired_[2], 1);
  // The missed expiries are dropped; the next ones keep the original
  // schedule: 1050, 1100, ... 2000 and 1023, 1056, ... 1980.
  StepMs(1000);
  EXPECT_EQ(fired_[1], 21);
  EXPECT_EQ(fired_[2], 31);
}

TEST_F(TimerTest, NothingFiresWhileTheClockStandsStill) {
  SetTimer(window_, 1, 10, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(Pump(), 0);
  platform::AdvanceClockMs(9);
  EXPECT_EQ(Pump(), 0);
  platform::AdvanceClockMs(1);
  EXPECT_EQ(Pump(), 1);
  EXPECT_EQ(fired_[1], 1);
}

TEST_F(TimerTest, KillTimerStopsOneTimerAndItsPendingMessage) {
  SetTimer(window_, 1, 50, nullptr);
  SetTimer(window_, 2, 50, nullptr);
  StepMs(200);
  EXPECT_TRUE(KillTimer(window_, 2));
  StepMs(200);
  EXPECT_EQ(fired_[1], 8);
  EXPECT_EQ(fired_[2], 4);

  // Due but not taken yet: killing it takes the WM_TIMER away too.
  platform::AdvanceClockMs(50);
  EXPECT_TRUE(KillTimer(window_, 1));
  EXPECT_EQ(Pump(), 0);
  EXPECT_EQ(ERROR_OF(KillTimer(window_, 1)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).timers, 0u);
}

TEST_F(TimerTest, ATimerNeverOvertakesPostedMessages) {
  SetTimer(window_, 1, 10, nullptr);
  platform::AdvanceClockMs(10);
  PostMessage(window_, WM_APP, 1, 0);
  PostMessage(window_, WM_APP, 2, 0);
  PostThreadMessage(GetCurrentThreadId(), WM_APP, 3, 0);
  std::vector<UINT> order;
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) order.push_back(msg.message);
  EXPECT_EQ(order, (std::vector<UINT>{WM_APP, WM_APP, WM_APP, WM_TIMER}));

  // Also when a message is posted by the handling of another.
  SetHandler([](HWND hwnd, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_APP && wparam < 5) PostMessage(hwnd, WM_APP, wparam + 1, 0);
    return std::nullopt;
  });
  platform::AdvanceClockMs(10);
  PostMessage(window_, WM_APP, 0, 0);
  order.clear();
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(msg.message);
    DispatchMessage(&msg);
  }
  ASSERT_EQ(order.size(), 7u);
  EXPECT_EQ(order.back(), WM_TIMER);
}

TEST_F(TimerTest, SettingATimerAgainRestartsIt) {
  SetTimer(window_, 1, 50, nullptr);
  StepMs(40);
  SetTimer(window_, 1, 50, nullptr);  // now due at 90
  StepMs(49);
  EXPECT_EQ(fired_[1], 0);
  StepMs(1);
  EXPECT_EQ(fired_[1], 1);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).timers, 1u);
}

std::vector<std::pair<HWND, UINT_PTR>> g_proc_calls;
DWORD g_proc_tick = 0;

void RecordingTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD tick) {
  EXPECT_EQ(message, WM_TIMER);
  g_proc_calls.emplace_back(hwnd, id);
  g_proc_tick = tick;
}

TEST_F(TimerTest, ThreadTimersCallTheirProcedure) {
  g_proc_calls.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 20, RecordingTimerProc);
  ASSERT_NE(id, 0u);
  UINT_PTR second = SetTimer(nullptr, 0, 20, RecordingTimerProc);
  EXPECT_NE(second, id);
  EXPECT_TRUE(KillTimer(nullptr, second));
  platform::AdvanceClockMs(20);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.wParam, id);
  EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(&RecordingTimerProc));
  DispatchMessage(&msg);
  ASSERT_EQ(g_proc_calls.size(), 1u);
  EXPECT_EQ(g_proc_calls[0], (std::pair<HWND, UINT_PTR>{nullptr, id}));
  EXPECT_EQ(g_proc_tick, GetTickCount());
  // Passing the id again restarts the same timer.
  EXPECT_EQ(SetTimer(nullptr, id, 30, RecordingTimerProc), id);
  EXPECT_TRUE(KillTimer(nullptr, id));
  EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST_F(TimerTest, AWindowTimerWithAProcedureCallsTheProcedureNotTheWindow) {
  g_proc_calls.clear();
  SetTimer(window_, 7, 15, RecordingTimerProc);
  StepMs(30);
  EXPECT_EQ(g_proc_calls.size(), 2u);
  EXPECT_EQ(g_proc_calls[0], (std::pair<HWND, UINT_PTR>{window_, 7}));
  EXPECT_EQ(fired_[7], 0);
}

TEST_F(TimerTest, DestroyingAWindowEndsItsTimersAndOnlyItsOwnThreadSetsThem) {
  HWND other = Make(HWND_MESSAGE);
  SetTimer(other, 1, 10, nullptr);
  SetTimer(other, 2, 10, nullptr);
  SetTimer(window_, 1, 10, nullptr);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).timers, 3u);
  platform::AdvanceClockMs(10);
  DestroyWindow(other);
  EXPECT_EQ(platform::InspectQueue(GetCurrentThreadId()).timers, 1u);
  EXPECT_EQ(Pump(), 1);
  EXPECT_EQ(fired_[1], 1);
  // Timers need a window of the calling thread.
  velko_test::WindowThread thread;
  EXPECT_EQ(ERROR_OF(SetTimer(thread.hwnd(), 1, 10, nullptr) != 0u), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ERROR_OF(SetTimer(reinterpret_cast<HWND>(0x4321), 1, 10, nullptr) != 0u),
            ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(TimerTest, AThreadBlockedInGetMessageWakesWhenItsTimerFalls) {
  std::atomic<bool> blocked{false};
  std::atomic<bool> woke{false};
  MSG got;
  std::thread loop([&] {
    HWND own = CreateWindowEx(0, velko_test::kTestClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, nullptr, nullptr);
    SetTimer(own, 5, 100, nullptr);
    blocked = true;
    GetMessage(&got, nullptr, 0, 0);
    woke = true;
    DestroyWindow(own);
  });
  ASSERT_TRUE(WaitFor([&] { return blocked.load(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  platform::AdvanceClockMs(99);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(woke);
  platform::AdvanceClockMs(1);
  EXPECT_TRUE(WaitFor([&] { return woke.load(); }));
  loop.join();
  EXPECT_EQ(got.message, WM_TIMER);
  EXPECT_EQ(got.wParam, 5u);
}

TEST(RealClockTimer, AThreadBlockedInGetMessageWakesForItsTimer) {
  std::thread loop([] {
    UINT_PTR id = SetTimer(nullptr, 0, 20, nullptr);
    MSG msg;
    ASSERT_EQ(GetMessage(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, id);
    KillTimer(nullptr, id);
  });
  loop.join();
}

}  // namespace

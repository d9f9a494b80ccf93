// TTimer and the hidden utility windows, on the platform's manual clock.
#include "classlib/Timers.h"

#include <gtest/gtest.h>

#include <memory>

#include "classlib/Exceptions.h"
#include "classlib/MessageHandling.h"
#include "platform/core/clock.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::UseManualClock(1'000'000); }
  void TearDown() override {
    ApplicationHandleException = nullptr;
    platform::UseRealClock();
  }
  // Moves the clock on in steps and lets the timers fire.
  void Advance(int ms) {
    for (int i = 0; i < ms; i += 10) {
      platform::AdvanceClockMs(10);
      velko_test::PumpWaitingMessages();
    }
  }
};

TEST_F(TimerTest, FiresEveryIntervalOnlyWithAHandlerAndWhileEnabled) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* timer = new TTimer(owner.get());
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000u);
  int ticks = 0;
  TObject* sender = nullptr;
  Advance(1500);  // no handler: no timer
  timer->SetInterval(100);
  timer->SetOnTimer([&](TObject* s) {
    ++ticks;
    sender = s;
  });
  Advance(350);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(sender, timer);
  timer->SetEnabled(false);
  Advance(300);
  EXPECT_EQ(ticks, 3);
  timer->SetEnabled(true);  // the count starts again
  Advance(90);
  EXPECT_EQ(ticks, 3);
  Advance(20);
  EXPECT_EQ(ticks, 4);
  timer->SetInterval(0);
  Advance(300);
  EXPECT_EQ(ticks, 4);
}

TEST_F(TimerTest, AnExceptionInOnTimerGoesToTheApplicationHandler) {
  auto* timer = new TTimer(nullptr);
  std::unique_ptr<TTimer> owned(timer);
  String handled;
  TObject* handled_sender = nullptr;
  ApplicationHandleException = [&](TObject* sender) {
    handled_sender = sender;
    try {
      throw;
    } catch (const Exception& e) {
      handled = e.ClassName() + ": " + e.Message;
    }
  };
  int ticks = 0;
  timer->SetInterval(50);
  timer->SetOnTimer([&](TObject*) {
    ++ticks;
    throw EConvertError("bad tick");
  });
  Advance(120);
  EXPECT_EQ(ticks, 2);  // the timer goes on
  EXPECT_EQ(handled, "EConvertError: bad tick");
  EXPECT_EQ(handled_sender, timer);
}

TEST_F(TimerTest, ATimerMayFreeItselfInItsOwnHandler) {
  auto* timer = new TTimer(nullptr);
  int ticks = 0;
  timer->SetInterval(50);
  timer->SetOnTimer([&](TObject* sender) {
    ++ticks;
    delete static_cast<TTimer*>(sender);
  });
  Advance(200);
  EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, UtilityWindowsReceiveTheirMessages) {
  std::vector<UINT> seen;
  HWND hwnd = AllocateHWnd([&](TMessage& m) {
    seen.push_back(m.Msg);
    m.Result = m.Msg == WM_USER + 1 ? 77 : 0;
  });
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 0, 0), 77);
  PostMessage(hwnd, WM_USER + 2, 0, 0);
  velko_test::PumpWaitingMessages();
  EXPECT_NE(std::find(seen.begin(), seen.end(), WM_USER + 2), seen.end());
  DeallocateHWnd(hwnd);
  EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace

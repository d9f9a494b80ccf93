// The thread and thread-timer components.
#include <gtest/gtest.h>

#include <atomic>

#include "classlib/Threads.h"
#include "desktop/zelThreads.h"
#include "platform/core/clock.h"
#include "platform/core/threads.h"
#include "platform/dlg/message_box.h"
#include "tests/support/message_pump.h"

namespace {

TEST(ZelThreadComponent, RunsOncePerStartAndAgainOnExecute) {
  TzelThreadComponent component(nullptr);
  EXPECT_TRUE(component.Suspended());
  std::atomic<int> runs{0};
  std::atomic<DWORD> thread{0};
  component.OnExecute = [&](TObject*) {
    thread = GetCurrentThreadId();
    ++runs;
  };
  component.SetSuspended(false);
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return runs == 1; }, 10));
  EXPECT_NE(thread.load(), MainThreadID);
  const DWORD first = thread;
  component.Execute();
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return runs == 2; }, 10));
  EXPECT_NE(thread.load(), first);
  // Synchronised: on the main thread.
  component.SetSynchronized(true);
  component.Execute();
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return runs == 3; }, 10));
  EXPECT_EQ(thread.load(), MainThreadID);
}

TEST(ZelThreadComponent, ExceptionBoxShowsOnTheMainThread) {
  std::atomic<DWORD> box_thread{0};
  std::string text;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& request) {
    box_thread = GetCurrentThreadId();
    text = request.text;
    return IDOK;
  });
  {
    TzelThreadComponent component(nullptr);
    component.SetName("Worker1");
    component.OnExecute = [](TObject*) { throw EConvertError("bad number"); };
    component.SetSuspended(false);
    EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return box_thread != 0; }, 10));
  }
  platform::SetMessageBoxHook(nullptr);
  EXPECT_EQ(box_thread.load(), MainThreadID);
  EXPECT_EQ(text, "Thread Worker1 raised exception class EConvertError with message \"bad number\".");

  // With a handler, the exception object is the Sender.
  std::atomic<bool> handled{false};
  TzelThreadComponent component(nullptr);
  component.OnExecute = [](TObject*) { throw EConvertError("x"); };
  component.OnException = [&](TObject* sender) { handled = dynamic_cast<EConvertError*>(sender) != nullptr; };
  component.SetSuspended(false);
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return handled.load(); }, 10));
}

TEST(ZelThreadTimer, NewIntervalRaisesNoEarlyTick) {
  platform::UseManualClock(0);
  std::atomic<int> ticks{0};
  {
    TzelThreadTimer timer(nullptr);
    timer.OnTimer() = [&](TObject*) { ++ticks; };
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    velko_test::PumpMessagesUntil([] { return false; }, 0.05);
    platform::AdvanceClockMs(900);
    velko_test::PumpMessagesUntil([] { return false; }, 0.05);
    timer.SetInterval(2000);
    velko_test::PumpMessagesUntil([] { return false; }, 0.05);
    platform::AdvanceClockMs(1500);
    velko_test::PumpMessagesUntil([] { return false; }, 0.1);
    EXPECT_EQ(ticks.load(), 0);
    platform::AdvanceClockMs(600);
    EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return ticks == 1; }, 5));
    timer.SetEnabled(false);
  }
  platform::UseRealClock();
}

}  // namespace

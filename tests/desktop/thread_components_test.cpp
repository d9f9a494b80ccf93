// The thread and thread-timer components.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "classlib/Threads.h"
#include "desktop/zelThreads.h"
#include "platform/core/clock.h"
#include "platform/core/threads.h"
#include "platform/dlg/message_box.h"
#include "tests/support/message_pump.h"

namespace {

// Ends the test program when a case hangs (a thread waiting for itself)
// rather than leaving it to the test runner's time-out.
class Watchdog {
 public:
  explicit Watchdog(int seconds)
      : thread_([this, seconds] {
          std::unique_lock lock(mutex_);
          if (!changed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
            std::fprintf(stderr, "Hung for %d s: ended.\n", seconds);
            std::_Exit(1);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  std::thread thread_;
};

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

// The handler starts its own component again: the worker running it is
// neither waited for by itself (with Synchronized the main thread runs the
// handler while the worker waits for it) nor freed under its own feet.
TEST(ZelThreadComponent, RestartsFromItsOwnHandler) {
  for (const bool synchronized : {false, true}) {
    Watchdog watchdog(20);
    std::atomic<int> runs{0};
    {
      TzelThreadComponent component(nullptr);
      component.SetSynchronized(synchronized);
      component.OnExecute = [&](TObject*) {
        if (++runs < 3) component.Execute();
      };
      component.Execute();
      EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return runs == 3; }, 10)) << synchronized;
      velko_test::PumpMessagesFor(0.05);
    }
    EXPECT_EQ(runs.load(), 3) << synchronized;
  }
}

// The component is destroyed while its handler starts it again: once
// destruction has begun no new worker starts, and none runs after it.
TEST(ZelThreadComponent, DestroyedWhileItsHandlerRestartsIt) {
  for (const bool synchronized : {false, true}) {
    Watchdog watchdog(30);
    for (int round = 0; round < 20; ++round) {
      std::atomic<int> runs{0};
      auto* component = new TzelThreadComponent(nullptr);
      component->SetSynchronized(synchronized);
      component->OnExecute = [component, &runs](TObject*) {
        ++runs;
        Sleep(1);
        component->Execute();
      };
      component->Execute();
      ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return runs >= 1 + round % 3; }, 10)) << synchronized;
      delete component;
      const int at_end = runs;
      velko_test::PumpMessagesFor(0.02);
      EXPECT_EQ(runs.load(), at_end) << synchronized << " round " << round;
    }
  }
}

TEST(ZelThreadComponent, TerminateEventReturnValueAndSynchronizeWith) {
  TzelThreadComponent component(nullptr);
  int argument = 0;
  std::atomic<DWORD> call_thread{0};
  void* got = nullptr;
  bool nested = false;
  component.OnExecute = [&](TObject*) {
    component.SynchronizeWith(
        [&](void* value) {
          call_thread = GetCurrentThreadId();
          got = value;
          // One such call at a time: a second one meanwhile does nothing.
          component.SynchronizeWith([&](void*) { nested = true; }, nullptr);
        },
        &argument);
    component.SetReturnValue(7);
  };
  std::vector<int> returned;
  DWORD terminate_thread = 0;
  component.SetOnTerminate([&](TObject* sender) {
    terminate_thread = GetCurrentThreadId();
    returned.push_back(static_cast<TThread*>(sender)->ReturnValue);
  });
  component.SetSuspended(false);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return returned.size() == 1; }, 10));
  EXPECT_EQ(call_thread.load(), MainThreadID);
  EXPECT_EQ(got, &argument);
  EXPECT_FALSE(nested);
  EXPECT_EQ(terminate_thread, MainThreadID);
  EXPECT_EQ(returned[0], 7);
  EXPECT_EQ(component.ReturnValue(), 7);
  // The next worker raises the same terminate event.
  component.Execute();
  EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return returned.size() == 2; }, 10));
}

// Destroying a ticking timer stops its worker before any part of the
// component goes (the thread sanitizer build watches for races).
TEST(ZelThreadTimer, DestroyedWhileTicking) {
  for (const bool synchronized : {false, true}) {
    std::atomic<int> ticks{0};
    for (int round = 0; round < 10; ++round) {
      auto timer = std::make_unique<TzelThreadTimer>(nullptr);
      timer->SetSynchronized(synchronized);
      timer->SetInterval(1);
      timer->OnTimer() = [&](TObject*) { ++ticks; };
      timer->SetEnabled(true);
      const int before = ticks;
      EXPECT_TRUE(velko_test::PumpMessagesUntil([&] { return ticks >= before + 3; }, 10)) << synchronized;
      // Ticks go on meanwhile, unseen by this thread.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      timer.reset();
    }
  }
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

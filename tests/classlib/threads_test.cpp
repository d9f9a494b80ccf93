// TThread, Synchronize and WaitFor against the platform's real threads and
// message queues.
#include "classlib/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "classlib/Exceptions.h"
#include "platform/core/clock.h"
#include "platform/core/threads.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"

namespace {

// A worker that reports each step to the main thread.
class Reporter : public TThread {
 public:
  Reporter(bool suspended, int steps) : TThread(suspended), steps_(steps) {}
  std::vector<DWORD> reported_on;  // the thread each report ran on
  std::atomic<int> executed{0};

 protected:
  void Execute() override {
    ++executed;
    for (int i = 0; i < steps_ && !Terminated(); ++i) {
      Synchronize([this] { reported_on.push_back(GetCurrentThreadId()); });
    }
    ReturnValue = 42;
  }

 private:
  int steps_;
};

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileItPumpsWithGetMessage) {
  auto* thread = new Reporter(true, 5);
  thread->OnTerminate = [](TObject*) { PostQuitMessage(0); };
  thread->Start();
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  EXPECT_EQ(thread->WaitFor(), 42u);
  ASSERT_EQ(thread->reported_on.size(), 5u);
  for (DWORD id : thread->reported_on) EXPECT_EQ(id, MainThreadID);
  delete thread;
}

// Counts its own deletion.
class SelfFreeing : public TThread {
 public:
  explicit SelfFreeing(std::atomic<int>* deleted) : TThread(true), deleted_(deleted) { FreeOnTerminate = true; }
  ~SelfFreeing() override { ++*deleted_; }

 protected:
  void Execute() override { Sleep(5); }

 private:
  std::atomic<int>* deleted_;
};

TEST(Thread, AThreadFreedOnTerminateRaisesOnTerminateOnTheMainThread) {
  std::atomic<int> deleted{0};
  DWORD terminate_thread = 0;
  bool still_alive_in_handler = false;
  auto* thread = new SelfFreeing(&deleted);
  thread->OnTerminate = [&](TObject* sender) {
    terminate_thread = GetCurrentThreadId();
    still_alive_in_handler = deleted == 0 && sender == thread;
  };
  thread->Start();
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return deleted.load() == 1; }, 10));
  EXPECT_EQ(terminate_thread, MainThreadID);
  EXPECT_TRUE(still_alive_in_handler);
}

TEST(Thread, ASuspendedThreadWaitsForStartAndTerminateIsCooperative) {
  class Spinner : public TThread {
   public:
    Spinner() : TThread(true) {}
    std::atomic<bool> running{false};

   protected:
    void Execute() override {
      running = true;
      while (!Terminated()) Sleep(1);
    }
  };
  auto* thread = new Spinner;
  Sleep(20);
  EXPECT_FALSE(thread->running);
  EXPECT_TRUE(thread->Suspended());
  thread->SetPriority(tpLower);
  EXPECT_EQ(thread->Priority(), tpLower);
  thread->Start();
  EXPECT_FALSE(thread->Suspended());
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return thread->running.load(); }, 10));
  EXPECT_FALSE(thread->Finished());
  thread->Terminate();
  thread->WaitFor();
  EXPECT_TRUE(thread->Finished());
  delete thread;
}

TEST(Thread, DeletingARunningThreadStopsItBeforeItsPartsGo) {
  class Looper : public TThread {
   public:
    explicit Looper(std::atomic<bool>* stopped) : TThread(true), stopped_(stopped) {}
    ~Looper() override { EXPECT_TRUE(stopped_->load()); }

   protected:
    void Execute() override {
      while (!Terminated()) Synchronize([] {});
      *stopped_ = true;
    }

   private:
    std::atomic<bool>* stopped_;
  };
  std::atomic<bool> stopped{false};
  auto* thread = new Looper(&stopped);
  thread->Start();
  Sleep(10);
  delete thread;  // terminates, answers its calls and waits
  EXPECT_TRUE(stopped);
}

TEST(Thread, DeletingANeverStartedThreadSkipsExecuteButStillTerminates) {
  auto* thread = new Reporter(true, 1);
  bool terminated = false;
  thread->OnTerminate = [&](TObject*) { terminated = true; };
  delete thread;
  EXPECT_TRUE(terminated);
}

TEST(Thread, ExceptionsOfSynchronizedCallsReachTheWorkerAndExecuteFailuresAreKept) {
  class Failing : public TThread {
   public:
    Failing() : TThread(true) {}
    std::atomic<bool> caught_in_worker{false};

   protected:
    void Execute() override {
      try {
        Synchronize([] { throw EConvertError("from the main thread"); });
      } catch (const EConvertError& e) {
        caught_in_worker = e.Message == "from the main thread";
      }
      throw std::runtime_error("Execute failed");
    }
  };
  auto* thread = new Failing;
  thread->Start();
  thread->WaitFor();  // no message loop: WaitFor itself runs the worker's call
  EXPECT_TRUE(thread->caught_in_worker);
  ASSERT_TRUE(thread->FatalException());
  try {
    std::rethrow_exception(thread->FatalException());
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Execute failed");
  }
  delete thread;
}

TEST(Thread, ARunningThreadIsMadeWithMake) {
  class Immediate : public TThread {
   public:
    explicit Immediate(int value) : TThread(false), value_(value) {}

   protected:
    void Execute() override { ReturnValue = value_; }

   private:
    int value_;
  };
  Immediate* thread = TThread::Make<Immediate>(7);
  EXPECT_EQ(thread->WaitFor(), 7u);
  delete thread;
  EXPECT_THROW(new Immediate(1), EThread);
}

TEST(Thread, SynchronizeFromTheMainThreadRunsAtOnce) {
  int ran = 0;
  TThread::Synchronize(nullptr, [&] { ++ran; });
  EXPECT_EQ(ran, 1);
  EXPECT_FALSE(CheckSynchronize());
}

TEST(Thread, SuspendStopsAThreadAtItsNextWait) {
  class Ticker : public TThread {
   public:
    Ticker() : TThread(true) {}
    std::atomic<int> ticks{0};

   protected:
    void Execute() override {
      while (!Terminated()) {
        ++ticks;
        Sleep(1);
      }
    }
  };
  auto* thread = new Ticker;
  thread->Start();
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return thread->ticks.load() > 3; }, 10));
  thread->Suspend();
  Sleep(20);
  const int frozen = thread->ticks;
  Sleep(30);
  EXPECT_LE(thread->ticks.load(), frozen + 1);
  thread->Resume();
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return thread->ticks.load() > frozen + 3; }, 10));
  delete thread;
}

}  // namespace

// TzelThreadComponent runs OnExecute on a worker thread; TzelThreadTimer
// raises OnTimer at a fixed interval from a worker. With Synchronized the
// handlers run on the main thread while the worker waits. Workers are
// always asked to stop and waited for (serving their synchronised calls),
// never killed, and never freed by their own thread; an exception's message
// box shows on the main thread.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/Threads.h"
#include "desktop/zelComponent.h"

class TzelEventThread : public TThread {
 public:
  TzelEventThread() : TThread(true) {}
  // The call the worker makes. Set and cleared from any thread: a call
  // under way has its own copy, so clearing it never pulls it from under
  // the worker.
  std::function<void()> Method() const;
  void SetMethod(std::function<void()> Value);
  std::atomic<bool> Synchronized{false};
  // Whether the calling thread is running this worker's call at the moment
  // (the worker itself, or the main thread for a synchronised call). Such a
  // thread must not wait for the worker: the worker waits for the call.
  bool RunningHere() const;

 protected:
  void Execute() override;
  void CallMethod();

 private:
  mutable std::mutex method_mutex_;
  std::function<void()> method_;
};

class TzelTimerThread : public TzelEventThread {
 public:
  TzelTimerThread();
  ~TzelTimerThread() override;
  std::atomic<DWORD> Interval{1000};
  // Wakes the worker: it starts its interval again (or sees it should end).
  void Wake();

 protected:
  void Execute() override;

 private:
  HANDLE wake_event_ = nullptr;
};

using TzelExceptionEvent = std::function<void(TObject* Sender)>;
// A call for SynchronizeWith: runs on the main thread with its argument.
using TzelSynchronizeMethod = std::function<void(void* Argument)>;

class TzelCustomThreadComponent : public TzelComponent {
 public:
  explicit TzelCustomThreadComponent(TComponent* AOwner);
  ~TzelCustomThreadComponent() override;

  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority Value);
  bool Suspended() const;
  void SetSuspended(bool Value);
  bool Synchronized() const;
  void SetSynchronized(bool Value);
  // The worker's exit code; a handler may set it.
  int ReturnValue() const;
  void SetReturnValue(int Value);
  // Raised on the main thread (Sender: the worker) when a worker ends.
  TNotifyEvent OnTerminate() const;
  void SetOnTerminate(TNotifyEvent Value);
  TNotifyEvent OnExecute;
  // Sender is the exception object.
  TzelExceptionEvent OnException;

  virtual void DoExecute();
  virtual void DoException(Exception& E);
  // Starts OnExecute again on a fresh worker. Also from the component's own
  // handler: the old worker then ends once the handler returns. Starts
  // nothing once the component's destruction has begun.
  virtual void Execute();
  void Synchronize(const TThreadMethod& Method);
  // Runs Method(Argument) on the main thread, unless such a call is under
  // way already (then it does nothing).
  virtual void SynchronizeWith(const TzelSynchronizeMethod& Method, void* Argument);
  TzelEventThread* Thread() const;

 protected:
  virtual TzelEventThread* NewThread();
  // Makes and installs a worker; called with threads_mutex_ held.
  virtual void CreateThread(bool Suspended);
  void Loaded() override;
  // Asks the worker to end and waits for it (answering its synchronised
  // calls), except when the calling thread is running the worker's
  // handler: that worker ends when the handler returns and is freed later,
  // from another thread.
  void EndThread();
  // Frees the workers EndThread left running: those that have finished,
  // or, with Wait, all (waiting for them), save one whose handler the
  // calling thread runs.
  void FreeEndedThreads(bool Wait);
  // Ends every worker and waits for them; from then on Execute starts
  // none. The most derived destructor calls it, so no worker calls into the
  // component once its destruction begins.
  void StopThreads();

  // Guards thread_, ended_threads_ and stopping_: a handler may restart
  // the component from its worker while another thread uses or destroys it.
  mutable std::mutex threads_mutex_;
  TzelEventThread* thread_ = nullptr;
  std::vector<TzelEventThread*> ended_threads_;
  bool stopping_ = false;
  // Fixed at construction: Execute, which workers call, must not read the
  // component state that destruction writes.
  bool designing_ = false;
  bool suspended_ = true;
  bool synchronized_ = false;
  TThreadPriority priority_ = tpNormal;
  int return_value_ = 0;
  TNotifyEvent on_terminate_;

 private:
  // With threads_mutex_ held: takes the worker out of service and returns
  // it for the caller to free, or parks it in ended_threads_ when the
  // calling thread runs its handler (the worker waits for this very call).
  TzelEventThread* RetireThread();

  std::mutex sync_with_mutex_;
  bool sync_with_pending_ = false;
  TzelSynchronizeMethod sync_with_method_;
  void* sync_with_argument_ = nullptr;
};

class TzelThreadComponent : public TzelCustomThreadComponent {
 public:
  using TzelCustomThreadComponent::TzelCustomThreadComponent;
  ~TzelThreadComponent() override { StopThreads(); }
};

class TzelCustomThreadTimer : public TzelCustomThreadComponent {
 public:
  explicit TzelCustomThreadTimer(TComponent* AOwner);
  ~TzelCustomThreadTimer() override;

  DWORD Interval() const { return interval_; }
  // A new interval starts at once, without a tick on the way.
  void SetInterval(DWORD Value);
  bool Enabled() const { return !Suspended(); }
  void SetEnabled(bool Value) { SetSuspended(!Value); }
  TNotifyEvent& OnTimer() { return OnExecute; }

 protected:
  TzelEventThread* NewThread() override;

 private:
  DWORD interval_ = 1000;
};

class TzelThreadTimer : public TzelCustomThreadTimer {
 public:
  using TzelCustomThreadTimer::TzelCustomThreadTimer;
  ~TzelThreadTimer() override { StopThreads(); }
};

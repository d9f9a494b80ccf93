// TzelThreadComponent runs OnExecute on a worker thread; TzelThreadTimer
// raises OnTimer at a fixed interval from a worker. With Synchronized the
// handlers run on the main thread while the worker waits. Workers are
// always asked to stop and waited for (serving their synchronised calls),
// never killed; an exception's message box shows on the main thread.
#pragma once

#include <atomic>
#include <functional>

#include "classlib/Exceptions.h"
#include "classlib/Threads.h"
#include "desktop/zelComponent.h"

class TzelEventThread : public TThread {
 public:
  TzelEventThread() : TThread(true) {}
  std::function<void()> Method;
  std::atomic<bool> Synchronized{false};

 protected:
  void Execute() override;
  void CallMethod();
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
  int ReturnValue() const;
  TNotifyEvent OnExecute;
  // Sender is the exception object.
  TzelExceptionEvent OnException;

  virtual void DoExecute();
  virtual void DoException(Exception& E);
  virtual void Execute();
  void Synchronize(const TThreadMethod& Method);
  TzelEventThread* Thread() const { return thread_; }

 protected:
  virtual TzelEventThread* NewThread();
  virtual void CreateThread(bool Suspended);
  void Loaded() override;
  void EndThread();

  TzelEventThread* thread_ = nullptr;
  bool suspended_ = true;
  bool synchronized_ = false;
  TThreadPriority priority_ = tpNormal;
};

class TzelThreadComponent : public TzelCustomThreadComponent {
 public:
  using TzelCustomThreadComponent::TzelCustomThreadComponent;
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
};

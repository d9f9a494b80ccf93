#include "desktop/zelThreads.h"

#include <typeinfo>

#include "classlib/Application.h"
#include "classlib/FormatRoutines.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"
#include "platform/dlg/message_box.h"
#include "platform/user/user.h"

// ---- workers ----

void TzelEventThread::CallMethod() {
  if (!Method) return;
  if (Synchronized) {
    Synchronize(Method);
  } else {
    Method();
  }
}

void TzelEventThread::Execute() {
  if (!Terminated()) CallMethod();
}

TzelTimerThread::TzelTimerThread() { wake_event_ = CreateEvent(nullptr, FALSE, FALSE, nullptr); }

TzelTimerThread::~TzelTimerThread() { CloseHandle(wake_event_); }

void TzelTimerThread::Wake() { SetEvent(wake_event_); }

void TzelTimerThread::Execute() {
  while (!Terminated()) {
    const DWORD result = WaitForSingleObject(wake_event_, Interval.load());
    if (result == WAIT_TIMEOUT && !Terminated()) CallMethod();
    if (result == WAIT_FAILED) break;
  }
}

// ---- the components ----

TzelCustomThreadComponent::TzelCustomThreadComponent(TComponent* AOwner) : TzelComponent(AOwner) {
  if (!ComponentState().Contains(csDesigning)) CreateThread(suspended_);
}

TzelCustomThreadComponent::~TzelCustomThreadComponent() { EndThread(); }

TzelEventThread* TzelCustomThreadComponent::NewThread() { return new TzelEventThread(); }

void TzelCustomThreadComponent::CreateThread(bool Suspended) {
  thread_ = NewThread();
  thread_->Method = [this] { DoExecute(); };
  thread_->Synchronized = synchronized_;
  thread_->SetPriority(priority_);
  if (!Suspended) thread_->Resume();
}

void TzelCustomThreadComponent::EndThread() {
  if (thread_ == nullptr) return;
  TzelEventThread* thread = thread_;
  thread_ = nullptr;
  thread->Method = nullptr;
  thread->Terminate();
  if (auto* timer = dynamic_cast<TzelTimerThread*>(thread)) timer->Wake();
  // Deleting waits for the worker and answers its synchronised calls.
  delete thread;
}

TThreadPriority TzelCustomThreadComponent::Priority() const {
  return thread_ != nullptr ? thread_->Priority() : priority_;
}

void TzelCustomThreadComponent::SetPriority(TThreadPriority Value) {
  priority_ = Value;
  if (thread_ != nullptr) thread_->SetPriority(Value);
}

bool TzelCustomThreadComponent::Suspended() const {
  if (thread_ == nullptr || ComponentState().Contains(csLoading)) return suspended_;
  return thread_->Suspended();
}

void TzelCustomThreadComponent::SetSuspended(bool Value) {
  suspended_ = Value;
  if (thread_ != nullptr && !ComponentState().Contains(csLoading)) thread_->SetSuspended(Value);
}

bool TzelCustomThreadComponent::Synchronized() const { return synchronized_; }

void TzelCustomThreadComponent::SetSynchronized(bool Value) {
  synchronized_ = Value;
  if (thread_ != nullptr) thread_->Synchronized = Value;
}

int TzelCustomThreadComponent::ReturnValue() const { return thread_ != nullptr ? thread_->ReturnValue : 0; }

void TzelCustomThreadComponent::DoExecute() {
  try {
    if (OnExecute) OnExecute(this);
  } catch (Exception& e) {
    DoException(e);
  }
}

void TzelCustomThreadComponent::DoException(Exception& E) {
  if (OnException) {
    OnException(&E);
    return;
  }
  const String text = Format("Thread %s raised exception class %s with message \"%s\".",
                             {Name(), E.ClassName(), E.Message});
  auto show = [&text] {
    const String title = Application != nullptr ? Application->Title() : String();
    MessageBox(Application != nullptr ? Application->Handle() : nullptr, text.c_str(), title.c_str(),
               MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  };
  // The box belongs to the main thread.
  if (GetCurrentThreadId() != MainThreadID && thread_ != nullptr) {
    thread_->Synchronize(show);
  } else {
    show();
  }
}

void TzelCustomThreadComponent::Execute() {
  if (ComponentState().Contains(csDesigning)) return;
  const bool was_synchronized = synchronized_;
  EndThread();
  synchronized_ = was_synchronized;
  CreateThread(true);
  thread_->Resume();
}

void TzelCustomThreadComponent::Synchronize(const TThreadMethod& Method) {
  if (thread_ != nullptr) thread_->Synchronize(Method);
}

void TzelCustomThreadComponent::Loaded() {
  TzelComponent::Loaded();
  if (!ComponentState().Contains(csDesigning) && thread_ != nullptr) thread_->SetSuspended(suspended_);
}

TzelCustomThreadTimer::TzelCustomThreadTimer(TComponent* AOwner) : TzelCustomThreadComponent(AOwner) {
  // The base made a plain worker; the timer's is a timer worker.
  if (thread_ != nullptr) {
    EndThread();
    CreateThread(true);
  }
}

TzelCustomThreadTimer::~TzelCustomThreadTimer() { EndThread(); }

TzelEventThread* TzelCustomThreadTimer::NewThread() {
  auto* thread = new TzelTimerThread();
  thread->Interval = interval_;
  return thread;
}

void TzelCustomThreadTimer::SetInterval(DWORD Value) {
  if (Value == interval_) return;
  interval_ = Value;
  auto* timer = dynamic_cast<TzelTimerThread*>(thread_);
  if (timer == nullptr) return;
  const bool was_suspended = timer->Suspended();
  timer->Interval = Value;
  timer->Wake();
  timer->Resume();
  if (was_suspended) timer->Suspend();
}

#include "desktop/zelThreads.h"

#include <algorithm>
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

namespace {

// The workers whose call the current thread is running, innermost first
// (a synchronised call can run inside a wait that answers another one).
struct RunningCall {
  const TzelEventThread* thread;
  const RunningCall* outer;
};
thread_local const RunningCall* t_running = nullptr;

class RunningScope {
 public:
  explicit RunningScope(const TzelEventThread* thread) : call_{thread, t_running} { t_running = &call_; }
  ~RunningScope() { t_running = call_.outer; }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  RunningCall call_;
};

}  // namespace

std::function<void()> TzelEventThread::Method() const {
  std::lock_guard lock(method_mutex_);
  return method_;
}

void TzelEventThread::SetMethod(std::function<void()> Value) {
  std::function<void()> old;
  {
    std::lock_guard lock(method_mutex_);
    old.swap(method_);
    method_ = std::move(Value);
  }
}

bool TzelEventThread::RunningHere() const {
  for (const RunningCall* call = t_running; call != nullptr; call = call->outer) {
    if (call->thread == this) return true;
  }
  return false;
}

void TzelEventThread::CallMethod() {
  const std::function<void()> method = Method();
  if (!method) return;
  if (Synchronized) {
    Synchronize([this, &method] {
      RunningScope running(this);
      method();
    });
  } else {
    RunningScope running(this);
    method();
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
  designing_ = ComponentState().Contains(csDesigning);
  if (designing_) return;
  std::lock_guard lock(threads_mutex_);
  CreateThread(suspended_);
}

TzelCustomThreadComponent::~TzelCustomThreadComponent() { StopThreads(); }

TzelEventThread* TzelCustomThreadComponent::NewThread() { return new TzelEventThread(); }

void TzelCustomThreadComponent::CreateThread(bool Suspended) {
  thread_ = NewThread();
  thread_->SetMethod([this] { DoExecute(); });
  thread_->Synchronized = synchronized_;
  thread_->OnTerminate = on_terminate_;
  thread_->SetPriority(priority_);
  if (!Suspended) thread_->Resume();
}

TzelEventThread* TzelCustomThreadComponent::RetireThread() {
  TzelEventThread* thread = thread_;
  if (thread == nullptr) return nullptr;
  thread_ = nullptr;
  thread->SetMethod(nullptr);
  thread->Terminate();
  if (auto* timer = dynamic_cast<TzelTimerThread*>(thread)) timer->Wake();
  if (!thread->RunningHere()) return thread;
  ended_threads_.push_back(thread);
  return nullptr;
}

void TzelCustomThreadComponent::EndThread() {
  TzelEventThread* thread = nullptr;
  {
    std::lock_guard lock(threads_mutex_);
    thread = RetireThread();
  }
  // Deleting waits for the worker and answers its synchronised calls.
  delete thread;
}

void TzelCustomThreadComponent::FreeEndedThreads(bool Wait) {
  for (;;) {
    TzelEventThread* thread = nullptr;
    {
      std::lock_guard lock(threads_mutex_);
      const auto it = std::find_if(ended_threads_.begin(), ended_threads_.end(), [Wait](TzelEventThread* t) {
        return !t->RunningHere() && (Wait || t->Finished());
      });
      if (it == ended_threads_.end()) return;
      thread = *it;
      ended_threads_.erase(it);
    }
    thread->WaitFor();
    delete thread;
  }
}

void TzelCustomThreadComponent::StopThreads() {
  {
    std::lock_guard lock(threads_mutex_);
    stopping_ = true;
  }
  EndThread();
  FreeEndedThreads(true);
}

TzelEventThread* TzelCustomThreadComponent::Thread() const {
  std::lock_guard lock(threads_mutex_);
  return thread_;
}

TThreadPriority TzelCustomThreadComponent::Priority() const {
  std::lock_guard lock(threads_mutex_);
  return thread_ != nullptr ? thread_->Priority() : priority_;
}

void TzelCustomThreadComponent::SetPriority(TThreadPriority Value) {
  std::lock_guard lock(threads_mutex_);
  priority_ = Value;
  if (thread_ != nullptr) thread_->SetPriority(Value);
}

bool TzelCustomThreadComponent::Suspended() const {
  std::lock_guard lock(threads_mutex_);
  if (thread_ == nullptr || ComponentState().Contains(csLoading)) return suspended_;
  return thread_->Suspended();
}

void TzelCustomThreadComponent::SetSuspended(bool Value) {
  std::unique_lock lock(threads_mutex_);
  suspended_ = Value;
  if (thread_ == nullptr || ComponentState().Contains(csLoading)) return;
  TzelEventThread* thread = thread_;
  // A worker suspending itself parks inside the call: not with the lock held.
  if (Value && thread->ThreadID() == GetCurrentThreadId()) lock.unlock();
  thread->SetSuspended(Value);
}

bool TzelCustomThreadComponent::Synchronized() const {
  std::lock_guard lock(threads_mutex_);
  return synchronized_;
}

void TzelCustomThreadComponent::SetSynchronized(bool Value) {
  std::lock_guard lock(threads_mutex_);
  synchronized_ = Value;
  if (thread_ != nullptr) thread_->Synchronized = Value;
}

int TzelCustomThreadComponent::ReturnValue() const {
  std::lock_guard lock(threads_mutex_);
  if (thread_ == nullptr || ComponentState().Contains(csLoading)) return return_value_;
  return thread_->ReturnValue;
}

void TzelCustomThreadComponent::SetReturnValue(int Value) {
  std::lock_guard lock(threads_mutex_);
  return_value_ = Value;
  if (thread_ != nullptr && !ComponentState().Contains(csLoading)) thread_->ReturnValue = Value;
}

TNotifyEvent TzelCustomThreadComponent::OnTerminate() const {
  std::lock_guard lock(threads_mutex_);
  if (thread_ == nullptr || ComponentState().Contains(csLoading)) return on_terminate_;
  return thread_->OnTerminate;
}

void TzelCustomThreadComponent::SetOnTerminate(TNotifyEvent Value) {
  std::lock_guard lock(threads_mutex_);
  on_terminate_ = Value;
  if (thread_ != nullptr) thread_->OnTerminate = std::move(Value);
}

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
  // The box belongs to the main thread (a call from there runs at once).
  TThread::Synchronize(nullptr, [&text] {
    const String title = Application != nullptr ? Application->Title() : String();
    MessageBox(Application != nullptr ? Application->Handle() : nullptr, text.c_str(), title.c_str(),
               MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  });
}

void TzelCustomThreadComponent::Execute() {
  if (designing_) return;
  FreeEndedThreads(false);
  // Round again when another thread installed a worker meanwhile; once the
  // component is being destroyed nothing starts.
  for (;;) {
    TzelEventThread* old = nullptr;
    {
      std::lock_guard lock(threads_mutex_);
      if (stopping_) return;
      if (thread_ == nullptr) {
        CreateThread(true);
        thread_->Resume();
        return;
      }
      // The new worker takes over what the old one had.
      priority_ = thread_->Priority();
      synchronized_ = thread_->Synchronized;
      on_terminate_ = thread_->OnTerminate;
      old = RetireThread();
    }
    delete old;
  }
}

void TzelCustomThreadComponent::Synchronize(const TThreadMethod& Method) { TThread::Synchronize(nullptr, Method); }

void TzelCustomThreadComponent::SynchronizeWith(const TzelSynchronizeMethod& Method, void* Argument) {
  {
    std::lock_guard lock(sync_with_mutex_);
    if (sync_with_pending_) return;
    sync_with_pending_ = true;
    sync_with_method_ = Method;
    sync_with_argument_ = Argument;
  }
  auto clear = [this] {
    std::lock_guard lock(sync_with_mutex_);
    sync_with_pending_ = false;
    sync_with_method_ = nullptr;
    sync_with_argument_ = nullptr;
  };
  try {
    TThread::Synchronize(nullptr, [this] {
      TzelSynchronizeMethod method;
      void* argument = nullptr;
      {
        std::lock_guard lock(sync_with_mutex_);
        method = sync_with_method_;
        argument = sync_with_argument_;
      }
      if (method) method(argument);
    });
  } catch (...) {
    clear();
    throw;
  }
  clear();
}

void TzelCustomThreadComponent::Loaded() {
  TzelComponent::Loaded();
  if (ComponentState().Contains(csDesigning)) return;
  std::lock_guard lock(threads_mutex_);
  if (thread_ == nullptr) return;
  thread_->ReturnValue = return_value_;
  thread_->OnTerminate = on_terminate_;
  thread_->SetSuspended(suspended_);
}

TzelCustomThreadTimer::TzelCustomThreadTimer(TComponent* AOwner) : TzelCustomThreadComponent(AOwner) {
  // The base made a plain worker; the timer's is a timer worker.
  if (Thread() == nullptr) return;
  EndThread();
  std::lock_guard lock(threads_mutex_);
  CreateThread(true);
}

TzelCustomThreadTimer::~TzelCustomThreadTimer() { StopThreads(); }

TzelEventThread* TzelCustomThreadTimer::NewThread() {
  auto* thread = new TzelTimerThread();
  thread->Interval = interval_;
  return thread;
}

void TzelCustomThreadTimer::SetInterval(DWORD Value) {
  std::lock_guard lock(threads_mutex_);
  if (Value == interval_) return;
  interval_ = Value;
  auto* timer = dynamic_cast<TzelTimerThread*>(thread_);
  if (timer == nullptr) return;
  timer->Interval = Value;
  // A running worker starts the new interval at once. A suspended one is
  // not let run for it: it would stop only at the end of its next wait and
  // could tick in between; it finds the wake when it is resumed.
  timer->Wake();
}

#include "classlib/Threads.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/MessageHandling.h"
#include "platform/core/errors.h"
#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"
#include "platform/user/user.h"

// The library is loaded by the program's first thread.
DWORD MainThreadID = GetCurrentThreadId();

namespace {

// --- The queue of synchronised calls ---

struct SyncRequest {
  TThreadMethod method;
  std::exception_ptr error;
  bool done = false;
};

class SyncQueue {
 public:
  static SyncQueue& Instance() {
    static SyncQueue* queue = new SyncQueue;  // lives to the process end
    return *queue;
  }

  // Made on the main thread: a hidden window of that thread, whose posted
  // wake-up message runs the waiting calls in any message loop.
  void EnsureWindow() {
    if (GetCurrentThreadId() != MainThreadID) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (window_ != nullptr) return;
    WNDCLASS wc{};
    wc.lpfnWndProc = &SyncQueue::WindowProc;
    wc.lpszClassName = kWindowClass;
    RegisterClass(&wc);
    window_ = CreateWindowEx(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  }

  // Called by a worker: queues the call, wakes the main thread and waits.
  void Call(const TThreadMethod& method) {
    SyncRequest request;
    request.method = method;
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back(&request);
    const bool first = queue_.size() == 1;
    HWND window = window_;
    lock.unlock();
    SetEvent(event_);
    if (first) {
      if (window != nullptr) {
        PostMessage(window, kWakeMessage, 0, 0);
      } else {
        PostThreadMessage(MainThreadID, WM_NULL, 0, 0);
      }
    }
    lock.lock();
    done_.wait(lock, [&] { return request.done; });
    lock.unlock();
    if (request.error) std::rethrow_exception(request.error);
  }

  // Runs the waiting calls (main thread only).
  bool Run() {
    if (GetCurrentThreadId() != MainThreadID) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    ResetEvent(event_);
    std::deque<SyncRequest*> pending;
    pending.swap(queue_);
    lock.unlock();
    for (SyncRequest* request : pending) {
      try {
        request->method();
      } catch (...) {
        request->error = std::current_exception();
      }
      lock.lock();
      request->done = true;
      lock.unlock();
      done_.notify_all();
    }
    return !pending.empty();
  }

  // Signalled while calls are waiting (for WaitFor on the main thread).
  HANDLE Event() const { return event_; }

 private:
  static constexpr UINT kWakeMessage = WM_USER + 0x51;
  static constexpr const char* kWindowClass = "TSynchronizeWindow";

  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kWakeMessage) return DefWindowProc(hwnd, message, wparam, lparam);
    Instance().Run();
    return 0;
  }

  SyncQueue() : event_(CreateEvent(nullptr, TRUE, FALSE, nullptr)) {}

  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<SyncRequest*> queue_;
  HWND window_ = nullptr;
  HANDLE event_;
};

[[noreturn]] void RaiseThreadError() {
  const DWORD code = GetLastError();
  throw EThread(Format("%s (%d)", SysErrorMessage(code), code));
}

const int kPriorities[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,       THREAD_PRIORITY_BELOW_NORMAL,
                           THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                           THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

bool CheckSynchronize() {
  SyncQueue& queue = SyncQueue::Instance();
  queue.EnsureWindow();
  return queue.Run();
}

// --- TThread ---

namespace {
// Set by Make for the next TThread constructor of this thread (the base
// part of the object Make is making runs first).
thread_local bool t_making = false;
}  // namespace

void TThread::BeginMake() { t_making = true; }
void TThread::EndMake() { t_making = false; }

TThread::TThread(bool CreateSuspended) {
  const bool made = t_making;
  t_making = false;
  if (!CreateSuspended && !made) {
    throw EThread("A thread that runs at once must be made with TThread::Make");
  }
  SyncQueue::Instance().EnsureWindow();
  // The platform thread always starts suspended; Make or Start lets it run
  // once the object is complete.
  suspended_ = true;
  start_when_made_ = !CreateSuspended;
  handle_ = CreateThread(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &thread_id_);
  if (handle_ == nullptr) {
    throw EThread(Format(SysConst::SThreadCreateError, SysErrorMessage(GetLastError())));
  }
}

void TThread::StartWhenMade() {
  if (start_when_made_) {
    start_when_made_ = false;
    Resume();
  }
}

TThread::~TThread() {
  // A thread deleted with "delete" has been shut down already; one that
  // lived on the stack is shut down here (its own parts are gone by now, so
  // Execute must have returned or never run).
  if (!finished_ && GetCurrentThreadId() != thread_id_) Shutdown();
  if (handle_ != nullptr) CloseHandle(handle_);
}

void* TThread::operator new(std::size_t size) { return ::operator new(size); }

void TThread::operator delete(void* memory) { ::operator delete(memory); }

void TThread::operator delete(TThread* thread, std::destroying_delete_t) {
  if (!thread->finished_ && GetCurrentThreadId() != thread->thread_id_) thread->Shutdown();
  void* whole = dynamic_cast<void*>(thread);
  thread->~TThread();
  ::operator delete(whole);
}

void TThread::Shutdown() {
  Terminate();
  // A thread that never started now runs only its termination.
  while (suspended_) Resume();
  WaitFor();
}

DWORD TThread::ThreadProc(LPVOID parameter) {
  auto* thread = static_cast<TThread*>(parameter);
  if (!thread->terminated_) {
    try {
      thread->Execute();
    } catch (...) {
      thread->fatal_exception_ = std::current_exception();
    }
  }
  const bool free_thread = thread->FreeOnTerminate;
  const DWORD result = static_cast<DWORD>(thread->ReturnValue);
  try {
    thread->DoTerminate();
  } catch (...) {
    if (!thread->fatal_exception_) thread->fatal_exception_ = std::current_exception();
  }
  thread->finished_ = true;
  if (free_thread) delete thread;
  return result;
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }

void TThread::Synchronize(TThread* /*AThread*/, const TThreadMethod& Method) {
  if (GetCurrentThreadId() == MainThreadID) {
    Method();
    return;
  }
  SyncQueue::Instance().Call(Method);
}

void TThread::Resume() {
  // Once it runs, the thread may end and be freed at any moment (on
  // termination, or by an owner on another thread): nothing of it is
  // touched after it has been let go.
  const bool was_suspended = suspended_.exchange(false);
  const DWORD previous = ResumeThread(handle_);
  if (previous == static_cast<DWORD>(-1)) {
    suspended_ = was_suspended;
    RaiseThreadError();
  }
  // Still suspended (it was suspended more than once), so not running.
  if (previous > 1) suspended_ = true;
}

void TThread::Suspend() {
  const bool old = suspended_;
  suspended_ = true;
  if (SuspendThread(handle_) == static_cast<DWORD>(-1)) {
    suspended_ = old;
    RaiseThreadError();
  }
}

void TThread::SetSuspended(bool Value) {
  if (Value == suspended_) return;
  if (Value) {
    Suspend();
  } else {
    Resume();
  }
}

DWORD TThread::WaitFor() {
  if (GetCurrentThreadId() == MainThreadID) {
    // Keep answering synchronised calls (and messages sent to this thread)
    // while the thread runs.
    const HANDLE handles[2] = {handle_, SyncQueue::Instance().Event()};
    for (;;) {
      const DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
      if (r == WAIT_OBJECT_0) break;
      if (r == WAIT_OBJECT_0 + 1) {
        CheckSynchronize();
      } else if (r == WAIT_OBJECT_0 + 2) {
        MSG msg;
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
      } else {
        RaiseThreadError();
      }
    }
  } else {
    if (WaitForSingleObject(handle_, INFINITE) == WAIT_FAILED) RaiseThreadError();
  }
  DWORD code = 0;
  if (!GetExitCodeThread(handle_, &code)) RaiseThreadError();
  return code;
}

TThreadPriority TThread::Priority() const {
  const int p = GetThreadPriority(handle_);
  for (int i = 0; i < 7; ++i) {
    if (kPriorities[i] == p) return static_cast<TThreadPriority>(i);
  }
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority Value) {
  if (!SetThreadPriority(handle_, kPriorities[static_cast<int>(Value)])) RaiseThreadError();
}

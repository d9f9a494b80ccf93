// TThread and the synchronised calls into the main thread.
//
// The main thread is the thread that loaded the class library (the
// program's first thread); MainThreadID holds its id.
//
// Synchronize(Method) from a worker hands Method to the main thread and
// waits until it has run there; an exception it raises is raised again in
// the worker. The main thread runs waiting calls:
// - whenever it dispatches messages (GetMessage or PeekMessage followed by
//   DispatchMessage, in any message loop): a hidden window of the main
//   thread is woken with a posted message and runs them;
// - inside TThread::WaitFor called on the main thread, which keeps running
//   them while it waits;
// - whenever it calls CheckSynchronize itself.
// The hidden window is made by the first TThread made on the main thread
// (or by the first CheckSynchronize there); a worker whose calls arrive
// before it exists wakes the main thread with a thread message, and only a
// loop that calls CheckSynchronize then runs them.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <new>
#include <utility>

#include "classlib/Object.h"
#include "platform/core/types.h"

using TThreadMethod = std::function<void()>;

extern DWORD MainThreadID;

// On the main thread: runs every waiting synchronised call; true when one
// ran. Elsewhere: does nothing and returns false.
bool CheckSynchronize();

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Making threads. A thread must not run Execute before its derived
// constructors have finished, and C++ has no hook after construction, so:
// - a thread made suspended is made with new and started with Start (or
//   Resume): `auto* t = new TWorker(...); ... t->Start();`
// - a thread that runs at once (its class passes CreateSuspended false) is
//   made with TThread::Make<TWorker>(args...), which makes it with new and
//   starts it as soon as it is complete. Making such a class with plain new
//   raises EThread.
// Either way the thread may delete itself (FreeOnTerminate), so keep no
// pointer to such a thread after it has started unless OnTerminate tells
// you when it goes.
class TThread : public TObject {
 public:
  // Creates the platform thread, suspended. Raises EThread when the
  // platform cannot make a thread (see above for CreateSuspended false).
  explicit TThread(bool CreateSuspended);
  ~TThread() override;

  template <class T, class... A>
  static T* Make(A&&... args) {
    BeginMake();
    T* thread = nullptr;
    try {
      thread = new T(std::forward<A>(args)...);
    } catch (...) {
      EndMake();
      throw;
    }
    EndMake();
    thread->StartWhenMade();
    return thread;
  }

  // Threads are made with new. Deleting one that still runs asks it to
  // terminate, starts it if it never ran (Execute is then skipped) and
  // waits for it (answering its synchronised calls when on the main
  // thread) before any destructor runs.
  static void* operator new(std::size_t size);
  static void operator delete(TThread* thread, std::destroying_delete_t);
  static void operator delete(void* memory);

  void Resume();
  void Start() { Resume(); }
  // Stops the thread at its next wait or Sleep (the platform never stops a
  // thread in the middle of its own work).
  void Suspend();
  bool Suspended() const { return suspended_; }
  void SetSuspended(bool Value);

  // Sets Terminated; Execute is expected to look at it and return.
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Finished() const { return finished_; }
  // Waits until the thread has ended and returns its ReturnValue. On the
  // main thread it runs the thread's (and others') synchronised calls while
  // it waits. Not for threads freed on termination.
  DWORD WaitFor();

  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority Value);

  HANDLE Handle() const { return handle_; }
  DWORD ThreadID() const { return thread_id_; }
  // The exception that left Execute, if any (not raised anywhere else).
  std::exception_ptr FatalException() const { return fatal_exception_; }

  // When true, the thread deletes itself after OnTerminate.
  bool FreeOnTerminate = false;
  // The thread's exit code.
  int ReturnValue = 0;
  // Runs on the main thread (through Synchronize) after Execute returns.
  TNotifyEvent OnTerminate;

  // Runs Method on the main thread and waits for it (see the header).
  void Synchronize(const TThreadMethod& Method);
  static void Synchronize(TThread* AThread, const TThreadMethod& Method);

 protected:
  virtual void Execute() = 0;
  // Raises OnTerminate through Synchronize when it is assigned.
  virtual void DoTerminate();

 private:
  static void BeginMake();
  static void EndMake();
  void StartWhenMade();
  static DWORD ThreadProc(LPVOID parameter);
  // Terminates, starts and waits for a thread that has not finished.
  void Shutdown();

  HANDLE handle_ = nullptr;
  DWORD thread_id_ = 0;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> suspended_{false};
  bool start_when_made_ = false;
  std::exception_ptr fatal_exception_;
};

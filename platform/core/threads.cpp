#include "platform/core/threads.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "platform/core/errors.h"
#include "platform/core/mutexes.h"
#include "platform/core/waits.h"

namespace {

const HANDLE kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));
const HANDLE kCurrentProcessPseudoHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// One thread, as seen through its handles. Every field but `priority` is
// guarded by the dispatcher lock.
class ThreadObject : public platform::WaitableObject {
 public:
  explicit ThreadObject(int initial_suspend_count) : suspend_count(initial_suspend_count) {}

  bool IsReadyFor(DWORD) override { return finished; }

  DWORD id = 0;
  bool started = false;
  bool finished = false;
  DWORD exit_code = STILL_ACTIVE;
  int suspend_count;
  std::atomic<int> priority{THREAD_PRIORITY_NORMAL};
};

// The object of the calling thread: the one CreateThread made, or one
// adopted on first use for threads started some other way.
thread_local std::shared_ptr<ThreadObject> t_self;

std::shared_ptr<ThreadObject> CurrentThreadObject() {
  if (!t_self) {
    auto self = std::make_shared<ThreadObject>(0);
    self->id = GetCurrentThreadId();
    self->started = true;
    t_self = std::move(self);
  }
  return t_self;
}

std::shared_ptr<ThreadObject> LookupThread(HANDLE handle) {
  if (handle == kCurrentThreadPseudoHandle) return CurrentThreadObject();
  auto thread = platform::LookupObjectAs<ThreadObject>(handle);
  if (!thread) SetLastError(ERROR_INVALID_HANDLE);
  return thread;
}

struct StartBlock {
  std::shared_ptr<ThreadObject> self;
  LPTHREAD_START_ROUTINE start;
  LPVOID parameter;
};

void* ThreadMain(void* argument) {
  std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(argument));
  t_self = block->self;
  {
    auto lock = platform::LockDispatcher();
    t_self->id = GetCurrentThreadId();
    t_self->started = true;
    platform::NotifyWaitersLocked();
    // A thread made with CREATE_SUSPENDED waits here for ResumeThread.
    platform::ParkWhileSuspended(lock);
  }
  const DWORD exit_code = block->start(block->parameter);
  // Mutexes the routine left owned become abandoned before the thread
  // counts as ended, so a waiter on the thread then sees them free.
  platform::AbandonMutexesOfCurrentThread();
  auto lock = platform::LockDispatcher();
  t_self->exit_code = exit_code;
  t_self->finished = true;
  platform::NotifyWaitersLocked();
  return nullptr;
}

bool IsValidPriority(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE:
    case THREAD_PRIORITY_LOWEST:
    case THREAD_PRIORITY_BELOW_NORMAL:
    case THREAD_PRIORITY_NORMAL:
    case THREAD_PRIORITY_ABOVE_NORMAL:
    case THREAD_PRIORITY_HIGHEST:
    case THREAD_PRIORITY_TIME_CRITICAL:
      return true;
    default:
      return false;
  }
}

}  // namespace

namespace platform {

void ParkWhileSuspended(std::unique_lock<std::mutex>& lock) {
  if (!t_self) return;
  while (t_self->suspend_count > 0) WaitForChange(lock);
}

}  // namespace platform

DWORD GetCurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
  return id;
}

DWORD GetCurrentProcessId() {
  return static_cast<DWORD>(getpid());
}

HANDLE GetCurrentThread() {
  return kCurrentThreadPseudoHandle;
}

HANDLE GetCurrentProcess() {
  return kCurrentProcessPseudoHandle;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD thread_id) {
  if (start == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto self = std::make_shared<ThreadObject>((flags & CREATE_SUSPENDED) ? 1 : 0);
  auto block = std::make_unique<StartBlock>(StartBlock{self, start, parameter});

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  size_t default_size = 0;
  pthread_attr_getstacksize(&attributes, &default_size);
  if (stack_size > default_size) pthread_attr_setstacksize(&attributes, stack_size);
  pthread_t native;
  int err = pthread_create(&native, &attributes, ThreadMain, block.get());
  pthread_attr_destroy(&attributes);
  if (err != 0) {
    SetLastError(err == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : platform::ErrorFromErrno(err));
    return nullptr;
  }
  block.release();  // the thread owns it now

  // The id is the new thread's own; wait until it has read it.
  {
    auto lock = platform::LockDispatcher();
    while (!self->started) platform::WaitForChange(lock);
  }
  if (thread_id != nullptr) *thread_id = self->id;
  return platform::RegisterObject(self);
}

DWORD ResumeThread(HANDLE thread) {
  auto object = LookupThread(thread);
  if (!object) return static_cast<DWORD>(-1);
  auto lock = platform::LockDispatcher();
  const int previous = object->suspend_count;
  if (previous > 0 && --object->suspend_count == 0) platform::NotifyWaitersLocked();
  return static_cast<DWORD>(previous);
}

DWORD SuspendThread(HANDLE thread) {
  auto object = LookupThread(thread);
  if (!object) return static_cast<DWORD>(-1);
  auto lock = platform::LockDispatcher();
  const int previous = object->suspend_count++;
  if (object == t_self) platform::ParkWhileSuspended(lock);
  return static_cast<DWORD>(previous);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code) {
  auto object = LookupThread(thread);
  if (!object) return FALSE;
  if (exit_code == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  auto lock = platform::LockDispatcher();
  *exit_code = object->exit_code;
  return TRUE;
}

DWORD GetThreadId(HANDLE thread) {
  auto object = LookupThread(thread);
  if (!object) return 0;
  auto lock = platform::LockDispatcher();
  return object->id;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  auto object = LookupThread(thread);
  if (!object) return FALSE;
  if (!IsValidPriority(priority)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  object->priority = priority;
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  auto object = LookupThread(thread);
  if (!object) return THREAD_PRIORITY_ERROR_RETURN;
  return object->priority;
}

LONG InterlockedIncrement(volatile LONG* value) {
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(volatile LONG* value) {
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchange(volatile LONG* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return comparand;  // holds the value found when the exchange failed
}

LONG InterlockedExchangeAdd(volatile LONG* addend, LONG value) {
  return __atomic_fetch_add(addend, value, __ATOMIC_SEQ_CST);
}

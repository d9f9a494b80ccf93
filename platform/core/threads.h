// Threads and process identity, and the interlocked operations.
//
// Thread handles are kernel objects: waitable, signalled when the thread's
// start routine has returned. Threads run detached; closing the handle does
// not end the thread.
#pragma once

#include "platform/core/types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD STILL_ACTIVE = 259;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// The calling thread's id: the Linux thread id, stable for the thread's life.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
// Pseudo handles that stand for the calling thread and process; they need
// no closing. The thread's pseudo handle works with the priority calls,
// SuspendThread/ResumeThread and GetExitCodeThread.
HANDLE GetCurrentThread();
HANDLE GetCurrentProcess();

// Starts `start(parameter)` on a new thread. With CREATE_SUSPENDED in
// `flags` the routine does not run until ResumeThread. `stack_size` 0 gives
// the default; smaller requests than the default are rounded up.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD thread_id);
// Returns the previous suspend count, or (DWORD)-1 on failure.
DWORD ResumeThread(HANDLE thread);
// Increments the suspend count and returns its previous value, or (DWORD)-1.
// A thread that suspends itself stops at once; another thread stops at its
// next wait or Sleep (it is never stopped in the middle of its own work, so
// it can never be caught holding a lock).
DWORD SuspendThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code);
DWORD GetThreadId(HANDLE thread);
// The priority is kept and reported; the scheduler is not asked to change
// it (an unprivileged Linux process cannot raise a thread's priority back).
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);

// Atomic operations on 32-bit values shared between threads.
LONG InterlockedIncrement(volatile LONG* value);
LONG InterlockedDecrement(volatile LONG* value);
LONG InterlockedExchange(volatile LONG* target, LONG value);
LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand);
LONG InterlockedExchangeAdd(volatile LONG* addend, LONG value);

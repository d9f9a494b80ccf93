// Waiting on kernel objects: events, mutexes, threads and any other object
// that derives from platform::WaitableObject (change notifications, message
// queues). All waitable state of the process is guarded by one dispatcher
// lock, so a wait for several objects at once takes them all or none.
// Time-outs are measured on the platform clock (see clock.h), so waits
// follow the manual clock in tests.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/handles.h"
#include "platform/core/types.h"

constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_ABANDONED = 0x00000080;
constexpr DWORD WAIT_ABANDONED_0 = 0x00000080;
// WAIT_TIMEOUT (258) is in errors.h.
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds);

namespace platform {

// Base of every object a thread can wait for. The three hooks are called
// with the dispatcher lock held; they must be quick and must not block.
class WaitableObject : public KernelObject {
 public:
  // True when a wait by `thread_id` would be satisfied now.
  virtual bool IsReadyFor(DWORD thread_id) = 0;
  // Completes a satisfied wait: an auto-reset event resets, a mutex becomes
  // owned. Returns true when the object was an abandoned mutex.
  virtual bool Take(DWORD /*thread_id*/) { return false; }
  // Called after a round of readiness checks in which the object was not
  // taken, so that IsReadyFor may reserve something it must give back
  // (a named mutex's lock file).
  virtual void Settle(DWORD /*thread_id*/) {}
  // True when the object's readiness can change without NotifyWaiters being
  // called (a lock held by another process). Waits involving such an object
  // re-check it every few milliseconds.
  virtual bool NeedsPolling() const { return false; }
};

// The dispatcher lock. Hold it while changing state that IsReadyFor reads.
std::unique_lock<std::mutex> LockDispatcher();
// Wakes every waiting thread to re-check its objects. Call it after changing
// waitable state, with or without the dispatcher lock held.
void NotifyWaiters();
// The same, for a caller that already holds the dispatcher lock.
void NotifyWaitersLocked();

// Waits for objects that need no handle (a message queue added by
// MsgWaitForMultipleObjects, for instance). Returns WAIT_OBJECT_0 + i,
// WAIT_ABANDONED_0 + i or WAIT_TIMEOUT. `deadline_micros` is on the platform
// clock; UINT64_MAX waits without a time-out.
DWORD WaitForObjects(const std::vector<std::shared_ptr<WaitableObject>>& objects, bool wait_all,
                     std::uint64_t deadline_micros);

// Blocks until the next NotifyWaiters (or a spurious wake-up); `lock` holds
// the dispatcher lock.
void WaitForChange(std::unique_lock<std::mutex>& lock);

// Blocks the calling thread (dispatcher lock held in `lock`) while it has
// been suspended with SuspendThread. Waits and Sleep call it before
// returning; a suspended thread therefore stops at its next wait.
void ParkWhileSuspended(std::unique_lock<std::mutex>& lock);

}  // namespace platform

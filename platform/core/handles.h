// The kernel-object handle space: events, mutexes, threads, files, find
// handles and anything else closed with CloseHandle. Handle values are
// opaque numbers that are never reused, so a stale handle never reaches a
// newer object.
#pragma once

#include <memory>

#include "platform/core/types.h"

BOOL CloseHandle(HANDLE handle);

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Called by CloseHandle before the handle is dropped; the object itself
  // lives on while others still hold a reference.
  virtual void OnHandleClosed() {}
};

// Registers an object and returns its new handle.
HANDLE RegisterObject(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null (with ERROR_INVALID_HANDLE set) when
// the handle is unknown or closed.
std::shared_ptr<KernelObject> LookupObject(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupObjectAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupObject(handle));
}

// Number of open handles (for leak checks in tests).
std::size_t OpenHandleCount();

}  // namespace platform

// Event objects: manual-reset events stay signalled until reset and release
// every waiter; auto-reset events release one waiter and reset themselves.
// Named events are shared within the process.
#pragma once

#include <memory>

#include "platform/core/handles.h"
#include "platform/core/types.h"

constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD EVENT_MODIFY_STATE = 0x0002;
constexpr DWORD EVENT_ALL_ACCESS = 0x001F0003;

// A name already used by an event gives a new handle to that event with
// ERROR_ALREADY_EXISTS; a name used by another kind of object fails with
// ERROR_INVALID_HANDLE. A new event leaves the last error at ERROR_SUCCESS.
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES security, BOOL manual_reset, BOOL initial_state,
                   LPCSTR name);
HANDLE OpenEvent(DWORD desired_access, BOOL inherit_handle, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

namespace platform {

// Signals an event held as an object rather than a handle (the registry
// keeps the events given to RegNotifyChangeKeyValue this way, so a closed
// handle does no harm). Returns false when `object` is not an event.
bool SignalEventObject(const std::shared_ptr<KernelObject>& object);
// True when `object` is an event.
bool IsEventObject(const std::shared_ptr<KernelObject>& object);

}  // namespace platform

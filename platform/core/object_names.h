// The process's table of named events and mutexes. Kernel object names are
// case-sensitive and shared between object types: a name used by an event
// cannot name a mutex.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/handles.h"
#include "platform/core/types.h"

namespace platform::detail {

// Guards the table. Recursive, so that an object whose last reference is
// dropped while the table is locked can still remove its own entry.
std::recursive_mutex& ObjectNamesMutex();
// The living object of that name, or null. Call with the table locked.
std::shared_ptr<KernelObject> FindNamedObject(const std::string& name);
// Enters `object` under `name`. Call with the table locked.
void AddNamedObject(const std::string& name, const std::shared_ptr<KernelObject>& object);
// Removes the entry of `name` when it no longer holds a living object.
void ForgetNamedObject(const std::string& name);

// The name a caller gave, with the session prefixes "Local\" and "Global\"
// removed (all objects live in one per-user namespace); nothing for a null
// or empty name, which makes an unnamed object.
std::optional<std::string> ObjectName(LPCSTR name);

}  // namespace platform::detail

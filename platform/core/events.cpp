#include "platform/core/events.h"

#include <string>

#include "platform/core/errors.h"
#include "platform/core/object_names.h"
#include "platform/core/waits.h"

namespace {

class EventObject : public platform::WaitableObject {
 public:
  EventObject(bool manual_reset, bool signalled, std::string name)
      : manual_reset_(manual_reset), signalled_(signalled), name_(std::move(name)) {}
  ~EventObject() override {
    if (!name_.empty()) platform::detail::ForgetNamedObject(name_);
  }

  bool IsReadyFor(DWORD) override { return signalled_; }
  bool Take(DWORD) override {
    if (!manual_reset_) signalled_ = false;
    return false;
  }

  // Both with the dispatcher lock held.
  void Set() {
    signalled_ = true;
    platform::NotifyWaitersLocked();
  }
  void Reset() { signalled_ = false; }

 private:
  const bool manual_reset_;
  bool signalled_;
  const std::string name_;
};

std::shared_ptr<EventObject> LookupEvent(HANDLE handle) {
  auto event = platform::LookupObjectAs<EventObject>(handle);
  if (!event) SetLastError(ERROR_INVALID_HANDLE);
  return event;
}

}  // namespace

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state, LPCSTR name) {
  auto object_name = platform::detail::ObjectName(name);
  if (!object_name) {
    HANDLE handle = platform::RegisterObject(
        std::make_shared<EventObject>(manual_reset != FALSE, initial_state != FALSE, ""));
    SetLastError(ERROR_SUCCESS);
    return handle;
  }
  std::lock_guard<std::recursive_mutex> lock(platform::detail::ObjectNamesMutex());
  if (auto existing = platform::detail::FindNamedObject(*object_name)) {
    if (!std::dynamic_pointer_cast<EventObject>(existing)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    HANDLE handle = platform::RegisterObject(existing);
    SetLastError(ERROR_ALREADY_EXISTS);
    return handle;
  }
  auto event =
      std::make_shared<EventObject>(manual_reset != FALSE, initial_state != FALSE, *object_name);
  platform::detail::AddNamedObject(*object_name, event);
  HANDLE handle = platform::RegisterObject(event);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

HANDLE OpenEvent(DWORD, BOOL, LPCSTR name) {
  auto object_name = platform::detail::ObjectName(name);
  if (!object_name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> lock(platform::detail::ObjectNamesMutex());
  auto existing = platform::detail::FindNamedObject(*object_name);
  if (!existing) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (!std::dynamic_pointer_cast<EventObject>(existing)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return platform::RegisterObject(existing);
}

BOOL SetEvent(HANDLE event) {
  auto object = LookupEvent(event);
  if (!object) return FALSE;
  auto lock = platform::LockDispatcher();
  object->Set();
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto object = LookupEvent(event);
  if (!object) return FALSE;
  auto lock = platform::LockDispatcher();
  object->Reset();
  return TRUE;
}

namespace platform {

bool SignalEventObject(const std::shared_ptr<KernelObject>& object) {
  auto event = std::dynamic_pointer_cast<EventObject>(object);
  if (!event) return false;
  auto lock = LockDispatcher();
  event->Set();
  return true;
}

bool IsEventObject(const std::shared_ptr<KernelObject>& object) {
  return std::dynamic_pointer_cast<EventObject>(object) != nullptr;
}

}  // namespace platform

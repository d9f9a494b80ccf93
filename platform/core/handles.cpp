#include "platform/core/handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/core/errors.h"

namespace {

// First value well away from the small numbers code might mistake for
// "no handle", and away from INVALID_HANDLE_VALUE.
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kHandleStep = 4;

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::shared_ptr<platform::KernelObject>> objects;
  std::uintptr_t next = kFirstHandle;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // never destroyed: used during exit
  return *table;
}

}  // namespace

namespace platform {

HANDLE RegisterObject(std::shared_ptr<KernelObject> object) {
  if (!object) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  std::uintptr_t value = table.next;
  table.next += kHandleStep;
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupObject(HANDLE handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == table.objects.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

std::size_t OpenHandleCount() {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.objects.size();
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
  // The calling thread's pseudo handle (GetCurrentThread) needs no closing.
  if (handle == reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2))) return TRUE;
  std::shared_ptr<platform::KernelObject> object;
  {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = std::move(it->second);
    table.objects.erase(it);
  }
  object->OnHandleClosed();
  return TRUE;
}

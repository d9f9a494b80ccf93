#include "platform/core/handles.h"

#include <mutex>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"

namespace {

// First value well away from the small numbers code might mistake for
// "no handle", and away from INVALID_HANDLE_VALUE.
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kHandleStep = 4;

struct KernelTable {
  std::mutex mutex;
  platform::HandleTable<HANDLE, std::shared_ptr<platform::KernelObject>> objects{kFirstHandle, kHandleStep};
};

KernelTable& Table() {
  static KernelTable* table = new KernelTable;  // never destroyed: used during exit
  return *table;
}

}  // namespace

namespace platform {

HANDLE RegisterObject(std::shared_ptr<KernelObject> object) {
  if (!object) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  KernelTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.objects.Add(std::move(object));
}

std::shared_ptr<KernelObject> LookupObject(HANDLE handle) {
  KernelTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto* object = table.objects.Find(handle);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return *object;
}

std::size_t OpenHandleCount() {
  KernelTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.objects.size();
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
  // The calling thread's pseudo handle (GetCurrentThread) needs no closing.
  if (handle == reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2))) return TRUE;
  std::shared_ptr<platform::KernelObject> object;
  {
    KernelTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto taken = table.objects.Take(handle);
    if (!taken) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = std::move(*taken);
  }
  object->OnHandleClosed();
  return TRUE;
}

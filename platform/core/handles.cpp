#include "platform/core/handles.h"

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"

namespace {

// First value well away from the small numbers code might mistake for
// "no handle", and away from INVALID_HANDLE_VALUE.
constexpr std::uintptr_t kFirstHandle = 0x1000;
constexpr std::uintptr_t kHandleStep = 4;

using KernelTable = platform::SharedHandleTable<HANDLE, platform::KernelObject>;

KernelTable& Table() {
  static KernelTable* table = new KernelTable(kFirstHandle, kHandleStep);  // never destroyed: used during exit
  return *table;
}

}  // namespace

namespace platform {

HANDLE RegisterObject(std::shared_ptr<KernelObject> object) {
  if (!object) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Table().Add(std::move(object));
}

std::shared_ptr<KernelObject> LookupObject(HANDLE handle) {
  std::shared_ptr<KernelObject> object = Table().Find(handle);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

std::size_t OpenHandleCount() { return Table().size(); }

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
  // The calling thread's pseudo handle (GetCurrentThread) needs no closing.
  if (handle == reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2))) return TRUE;
  std::shared_ptr<platform::KernelObject> object = Table().Take(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->OnHandleClosed();
  return TRUE;
}

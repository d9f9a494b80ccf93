// Critical sections: light-weight locks within the process. The owning
// thread may enter again; each Enter needs its Leave. A Leave by a thread
// that does not own the section is ignored.
#pragma once

#include "platform/core/types.h"

struct CRITICAL_SECTION {
  // Our own state, made by InitializeCriticalSection and freed by
  // DeleteCriticalSection. Calls on a section that was never initialised
  // (or was deleted) do nothing.
  void* state = nullptr;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spin_count);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

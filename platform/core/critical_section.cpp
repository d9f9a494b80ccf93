#include "platform/core/critical_section.h"

#include <pthread.h>

namespace {

pthread_mutex_t* StateOf(LPCRITICAL_SECTION section) {
  return section == nullptr ? nullptr : static_cast<pthread_mutex_t*>(section->state);
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
  if (section == nullptr) return;
  auto* mutex = new pthread_mutex_t;
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  // Recursive mutexes also refuse an unlock by a thread that does not own
  // them (EPERM), which is what makes a stray Leave harmless.
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  section->state = mutex;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD) {
  InitializeCriticalSection(section);
  return section != nullptr ? TRUE : FALSE;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (auto* mutex = StateOf(section)) pthread_mutex_lock(mutex);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  auto* mutex = StateOf(section);
  return mutex != nullptr && pthread_mutex_trylock(mutex) == 0 ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (auto* mutex = StateOf(section)) pthread_mutex_unlock(mutex);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  auto* mutex = StateOf(section);
  if (mutex == nullptr) return;
  pthread_mutex_destroy(mutex);
  delete mutex;
  section->state = nullptr;
}

// Mutex objects. A mutex is owned by one thread at a time and may be taken
// again by its owner (each wait must be matched by a ReleaseMutex). A
// thread that ends while owning a mutex abandons it: the next wait that
// takes it returns WAIT_ABANDONED (+ index).
//
// Named mutexes are shared by every process of the user through lock files
// in the mutex folder (see mutex_files.h): CreateMutex reports
// ERROR_ALREADY_EXISTS when any process has the name open, and a process
// that dies while owning the mutex leaves it abandoned. Unnamed mutexes
// live in the process only.
#pragma once

#include <string>

#include "platform/core/types.h"

constexpr DWORD MUTEX_MODIFY_STATE = 0x0001;
constexpr DWORD MUTEX_ALL_ACCESS = 0x001F0001;

// With an existing name the handle refers to the existing mutex, the last
// error is ERROR_ALREADY_EXISTS and `initial_owner` is ignored; a new mutex
// leaves the last error at ERROR_SUCCESS. A name used by another kind of
// object fails with ERROR_INVALID_HANDLE.
HANDLE CreateMutex(LPSECURITY_ATTRIBUTES security, BOOL initial_owner, LPCSTR name);
// Fails with ERROR_FILE_NOT_FOUND when no process has the mutex open.
HANDLE OpenMutex(DWORD desired_access, BOOL inherit_handle, LPCSTR name);
// Fails with ERROR_NOT_OWNER when the calling thread does not own it.
BOOL ReleaseMutex(HANDLE mutex);

namespace platform {

// The folder of the named mutexes' lock files. Default:
// $XDG_RUNTIME_DIR/velko, or /tmp/velko-<uid> without a runtime folder.
// Tests point it at a folder of their own; mutexes opened before keep
// their files.
void SetMutexFolder(const std::string& native_folder);
std::string MutexFolder();

// Abandons every mutex the calling thread owns. Threads made by
// CreateThread call it when their routine returns; other threads call it
// from a thread-exit hook.
void AbandonMutexesOfCurrentThread();

}  // namespace platform

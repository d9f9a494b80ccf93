// Threads and process identity.
#pragma once

#include "platform/core/types.h"

// The calling thread's id: the Linux thread id, stable for the thread's life.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

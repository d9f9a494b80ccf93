// Access to the Linux side of a file handle, for the calls in this folder
// that work on open files (CopyFile).
#pragma once

#include "platform/core/types.h"

namespace platform::fs {

// The descriptor behind a file handle, or -1 for a bad handle or a file
// that exists only in the platform's view (a CD track file).
int FileDescriptor(HANDLE file);

}  // namespace platform::fs

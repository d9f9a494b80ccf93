// The logon name of the user the program runs as (the effective user).
#pragma once

#include "platform/core/types.h"

// `size` holds the buffer's size and receives the name's length with its
// terminating zero. A buffer too small fails with
// ERROR_INSUFFICIENT_BUFFER (`size` then holds the size needed); a user
// without a name fails with ERROR_INVALID_DATA.
BOOL GetUserNameA(LPSTR buffer, LPDWORD size);

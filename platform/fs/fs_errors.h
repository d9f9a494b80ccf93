// Error numbers used by the file and drive calls beyond the common set in
// platform/core/errors.h (the documented values).
#pragma once

#include "platform/core/types.h"

constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_BAD_NETPATH = 53;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_BAD_DEVICE = 1200;
constexpr DWORD ERROR_NOT_CONNECTED = 2250;

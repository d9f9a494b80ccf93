// Opening and reading files in as few system calls as the platform allows,
// for readers that take a few pieces of each of many files (the audio file
// readers).
#pragma once

#include <cstdint>

#include "platform/core/types.h"

namespace platform::fs {

// Opens an existing file for reading, with the result, sharing and errors of
// CreateFile(file_name, GENERIC_READ, share_mode, nullptr, OPEN_EXISTING, 0,
// nullptr), and gives its size. The name as spelled is opened straight
// away (a folder, pipe or device is refused after opening, not before); a
// name that needs its case corrected, or any failure, goes the CreateFile way.
HANDLE OpenForReading(LPCSTR file_name, DWORD share_mode, std::uint64_t* size);

// Reads up to `count` bytes at `position` without moving the file pointer:
// the number read, short only at the end of the file, or -1 with the last
// error set.
std::int64_t ReadAt(HANDLE file, std::uint64_t position, void* buffer, DWORD count);

}  // namespace platform::fs

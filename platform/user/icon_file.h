// Icons and cursors from the bytes of an icon file (.ico) or cursor file
// (.cur): the image nearest the wanted size is decoded (1, 4, 8, 24 and 32
// bits, with its AND mask) into a new icon or cursor (DestroyIcon or
// DestroyCursor it). Every size and offset is checked against the bytes;
// a damaged or unknown file gives null with ERROR_INVALID_DATA.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/user/cursor.h"

namespace platform {

// `size` 0 takes the first image. A cursor file's hot spot is kept.
HICON CreateIconFromIconFile(const std::uint8_t* data, std::size_t length, int size);
// Reads the file (a Linux path) and does the same.
HICON LoadIconFile(const char* native_path, int size);

}  // namespace platform

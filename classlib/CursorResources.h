// Cursors from cursor files (.cur) and from the program's cursor
// resources, which hold such files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classlib/Object.h"
#include "platform/core/types.h"

// A cursor made from a cursor file image (the platform's icon and cursor
// file reader): its first image, with the hot spot the file gives. Null
// when the data is not a file the reader understands.
HCURSOR CreateCursorFromFileData(const std::uint8_t* Data, std::size_t Size);
// The program's cursor resource of that name ("AD_HAND", or "#16548" for a
// number); null when there is none or it cannot be read. The caller owns
// the cursor (a screen's cursor table takes it over).
HCURSOR LoadCursorResource(const String& Name);
HCURSOR LoadCursorResource(int Id);

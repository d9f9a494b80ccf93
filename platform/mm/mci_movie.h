// The MCI device for movies and sound files, over libmpv.
#pragma once

#include <memory>
#include <string>

#include "platform/mm/mci.h"

namespace platform::mm {

// Null when the movie player library cannot be loaded (it is loaded by the
// first call, not at start-up); MCI open then fails with
// MCIERR_CANNOT_LOAD_DRIVER.
std::unique_ptr<MciDevice> MakeMovieDevice();

// The file name of the movie player library that the next open loads.
std::string MovieLibraryName();
// Tests: load the library from another file name (empty: the real one).
void SetMovieLibraryName(const std::string& name);

// Pictures the movie devices drew so far (frames rendered into a window).
unsigned long long MovieFramesDrawn();

}  // namespace platform::mm

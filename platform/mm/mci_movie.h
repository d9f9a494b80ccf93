// The MCI device for movies and sound files, over libmpv.
#pragma once

#include <memory>

#include "platform/mm/mci.h"

namespace platform::mm {

std::unique_ptr<MciDevice> MakeMovieDevice();

// Pictures the movie devices drew so far (frames rendered into a window).
unsigned long long MovieFramesDrawn();

}  // namespace platform::mm

// Faces of installed fonts: fontconfig finds the file for a family, weight
// and slant; FreeType renders it.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/gdi/font.h"

namespace platform::gdi {

// The face for the logical font with `family` already mapped; null when no
// scalable font can be found or opened.
std::shared_ptr<FontFace> MakeFreeTypeFont(const LOGFONT& font, const std::string& family);

// FreeType's library object (an FT_Library; null when FreeType did not
// start) and the lock that guards it.
void* FreeTypeLibrary();
std::mutex& FreeTypeLibraryMutex();

}  // namespace platform::gdi

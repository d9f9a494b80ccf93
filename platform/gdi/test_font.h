// The test font (kTestFontName, "Velko Test Font"): made by our own code, so
// tests can assert exact widths and pixels.
//
// For a cell height h (the absolute lfHeight; 16 when it is 0; a negative
// and a positive height mean the same here, as there is no internal
// leading):
//   - ascent = h - h / 4, descent = h / 4, no leading;
//   - every character advances by lfWidth, or h / 2 (at least 1) when
//     lfWidth is 0; C0 control characters advance by 0;
//   - a character other than a space or control character is a solid box
//     from the pen x to pen x + advance - 1 (exclusive), from the baseline
//     up by `ascent` rows (the cell's top row to the baseline, exclusive);
//   - underline: one row just below the baseline; strike-out: one row at
//     baseline - ascent / 2;
//   - an escapement turns the boxes and the advance by its angle.
#pragma once

#include <memory>

#include "platform/gdi/font.h"

namespace platform::gdi {

std::shared_ptr<FontFace> MakeTestFont(const LOGFONT& font);

}  // namespace platform::gdi

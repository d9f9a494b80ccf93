// Paths of text outlines: between BeginPath and EndPath, text output on a
// DC draws nothing and adds the characters' outlines to the DC's path;
// StrokePath then draws those outlines with the DC's pen (its colour and
// width), without anti-aliasing, and discards the path. Faces without
// outlines (the test font) give the outline of their pixels.
#pragma once

#include "platform/core/types.h"

// Discards any path and starts recording one.
BOOL BeginPath(HDC dc);
// Ends recording; ERROR_CAN_NOT_COMPLETE when none was being recorded.
BOOL EndPath(HDC dc);
// Discards the path (recorded or being recorded).
BOOL AbortPath(HDC dc);
// Strokes and discards a path that EndPath closed; ERROR_CAN_NOT_COMPLETE
// when there is none.
BOOL StrokePath(HDC dc);

namespace platform::gdi {

class DeviceContext;
class FontFace;

// Text output's hook: true when the DC records a path; then the glyphs of
// `chars` at their pen positions (surface coordinates, baseline points)
// have been added to it.
bool AddTextToPath(DeviceContext& dc, FontFace& face, const char32_t* chars, const double* penX, const double* penY,
                   std::size_t count);

}  // namespace platform::gdi

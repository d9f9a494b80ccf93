// Putting glyphs on a target: shared by TextOut/ExtTextOut and DrawText.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/font.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/pixels.h"
#include "platform/gdi/region.h"

namespace platform::gdi {

struct TextCanvas {
  std::shared_ptr<DeviceContext> dc;
  PixelStore store;
  std::shared_ptr<FontFace> face;
  const LOGFONT* log = nullptr;  // the selected font's description
};

// The DC, its target and its font's face; false with the last error set.
bool OpenText(HDC handle, TextCanvas* canvas);

// One upright line: characters at whole-pixel offsets from the line's
// origin, and extra underlined ranges (mnemonic prefixes).
struct PlacedLine {
  std::u32string chars;
  std::vector<int> x;  // offset of each character
  int width = 0;       // total advance
  std::vector<std::pair<int, int>> underlines;  // [from, to) offsets
};

// Places characters with the font's advances plus `extra` per character.
PlacedLine PlaceLine(FontFace& face, const std::u32string& chars, int extra);
// Sum of the advances plus `extra` per character.
int MeasureLine(FontFace& face, const char32_t* chars, std::size_t count, int extra);

// Draws a placed line whose origin (left end of the baseline) is the
// surface point (x, baseline), clipped by `clip`. With `opaqueBox` the
// cell box behind the line is first filled with the background colour.
// Font underline and strike-out apply.
void RenderLine(TextCanvas& canvas, LONG x, LONG baseline, const PlacedLine& line, const Region& clip,
                bool opaqueBox);

}  // namespace platform::gdi

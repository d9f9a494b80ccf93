// The skin engine's bitmaps: the skinned system menu's item pictures, the
// menu glyphs (masks: black where the glyph is drawn) and the button glyph
// strip.
#include "data/generator/artwork.h"

namespace art {
namespace {

using namespace vga;

// A 12 x 12 system-menu picture on a fuchsia (transparent) ground.
Canvas SystemPicture(int kind) {
  Canvas c(12, 12, Fuchsia);
  switch (kind) {
    case 0:  // restore: two overlapping windows
      c.FrameRect(3, 1, 11, 7, Black);
      c.FillRect(3, 1, 11, 3, Black);
      c.FillRect(1, 4, 9, 11, White);
      c.FrameRect(1, 4, 9, 11, Black);
      c.FillRect(1, 4, 9, 6, Black);
      break;
    case 1:  // move: four arrows
      c.Line(6, 1, 6, 10, Black);
      c.Line(1, 6, 10, 6, Black);
      c.Line(5, 2, 7, 2, Black);
      c.Line(5, 10, 7, 10, Black);
      c.Line(2, 5, 2, 7, Black);
      c.Line(10, 5, 10, 7, Black);
      break;
    case 2:  // size: a diagonal double arrow
      c.Line(2, 2, 9, 9, Black);
      c.Line(2, 2, 5, 2, Black);
      c.Line(2, 2, 2, 5, Black);
      c.Line(9, 9, 6, 9, Black);
      c.Line(9, 9, 9, 6, Black);
      break;
    case 3:  // minimize
      c.FillRect(2, 8, 9, 10, Black);
      break;
    case 4:  // maximize
      c.FrameRect(1, 1, 11, 11, Black);
      c.FillRect(1, 1, 11, 3, Black);
      break;
    default:  // close
      c.Line(2, 2, 9, 9, Black);
      c.Line(3, 2, 10, 9, Black);
      c.Line(9, 2, 2, 9, Black);
      c.Line(10, 2, 3, 9, Black);
      break;
  }
  return c;
}

Canvas CheckGlyph() {
  Canvas c(7, 7, White);
  c.Line(0, 2, 2, 4, Black);
  c.Line(0, 3, 2, 5, Black);
  c.Line(0, 4, 2, 6, Black);
  c.Line(3, 3, 6, 0, Black);
  c.Line(3, 4, 6, 1, Black);
  c.Line(3, 5, 6, 2, Black);
  return c;
}

Canvas RadioGlyph() {
  Canvas c(6, 6, White);
  c.FillRect(1, 0, 5, 6, Black);
  c.FillRect(0, 1, 6, 5, Black);
  return c;
}

Canvas SubMenuGlyph() {
  Canvas c(4, 7, White);
  for (int x = 0; x < 4; ++x) c.Line(x, x, x, 6 - x, Black);
  return c;
}

// Five 13 x 13 button glyphs in two rows (normal and pressed), drawn in
// the colours the engine turns into system colours.
Canvas ButtonStrip() {
  Canvas c(65, 26, Silver);
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < 5; ++i) {
      const int x = i * 13, y = row * 13;
      c.FillRect(x + 1, y + 1, x + 12, y + 12, row ? Silver : Yellow);
      c.Frame3D(x, y, x + 13, y + 13, Grey, White);
      c.FrameRect(x + 1, y + 1, x + 12, y + 12, Lime);
      if (i == 1) c.FillRect(x + 4, y + 4, x + 9, y + 9, Black);
      if (i == 2) c.FillEllipse(x + 6.5, y + 6.5, 2.5, 2.5, Black);
    }
  return c;
}

}  // namespace

void AddSkinArtwork(std::vector<ArtFile>& files) {
  const char* const names[] = {"QZSKIN_SYSTEMRESTORE", "QZSKIN_SYSTEMMOVE",     "QZSKIN_SYSTEMSIZE",
                               "QZSKIN_SYSTEMMINIMIZE", "QZSKIN_SYSTEMMAXIMIZE", "QZSKIN_SYSTEMCLOSE"};
  for (int i = 0; i < 6; ++i)
    files.push_back({std::string(names[i]) + ".bmp", [i] { return Bmp4(SystemPicture(i)); }});
  files.push_back({"QZ_CHECKITEM.bmp", [] { return Bmp4(CheckGlyph()); }});
  files.push_back({"QZ_RADIOITEM.bmp", [] { return Bmp4(RadioGlyph()); }});
  files.push_back({"QZ_SUBITEM.bmp", [] { return Bmp4(SubMenuGlyph()); }});
  files.push_back({"QZ_BTNS.bmp", [] { return Bmp4(ButtonStrip()); }});
}

}  // namespace art

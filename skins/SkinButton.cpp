#include "skins/SkinButton.h"

#include <memory>

#include "classlib/Colors.h"
#include "classlib/Exceptions.h"

namespace {

TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

std::unique_ptr<TBitmap> LoadGlyphs() {
  auto b = std::make_unique<TBitmap>();
  try {
    b->LoadFromResourceName("QZ_BTNS");
  } catch (const Exception&) {
    return b;
  }
  b->SetPixelFormat(pf24bit);
  TCanvas* c = b->Canvas();
  const TColor face = ColorToRGB(clBtnFace);
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) {
      // Each test reads the pixel again after the previous replacement.
      auto recolour = [&](TColor from, TColor to) {
        if (c->Pixels(x, y) == from) c->SetPixels(x, y, ColorToRGB(to));
      };
      recolour(Rgb(255, 255, 0), clWindow);
      recolour(Rgb(0, 255, 0), clBtnShadow);
      recolour(Rgb(192, 192, 192), clBtnFace);
      recolour(Rgb(198, 195, 198), clBtnFace);
      recolour(face, clBtnFace);
      recolour(Rgb(128, 128, 128), clBtnShadow);
    }
  return b;
}

}  // namespace

TBitmap* ScButtonGlyphs() {
  static std::unique_ptr<TBitmap> glyphs = LoadGlyphs();
  return glyphs.get();
}

// The picture and caption of a button that draws itself (TSpeedButton,
// TBitBtn): a glyph bitmap holding NumGlyphs images side by side (up,
// disabled, clicked, down), whose bottom-left pixel's colour is
// transparent, laid out with the caption inside the button.
#pragma once

#include <array>
#include <memory>

#include "classlib/Bitmaps.h"
#include "classlib/Control.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

class TButtonGlyph {
 public:
  TButtonGlyph();

  TBitmap* Glyph() const { return original_.get(); }
  void SetGlyph(TBitmap* Value);
  TNumGlyphs NumGlyphs() const { return num_glyphs_; }
  // 1 to 4; other values are ignored.
  void SetNumGlyphs(TNumGlyphs Value);
  // Raised when the glyph or the number of images changes.
  TNotifyEvent OnChange;

  // Draws glyph and caption for State inside Client (moved by Offset when
  // pressed); returns the rectangle the caption took.
  TRect Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const String& Caption,
             TButtonLayout Layout, int Margin, int Spacing, TButtonState State, bool Transparent);

 private:
  // The image for a state (made from the strip on first use; a disabled
  // image is made from the up image when the strip has none).
  TBitmap* ImageFor(TButtonState State);
  void Changed();

  std::unique_ptr<TBitmap> original_;
  TNumGlyphs num_glyphs_ = 1;
  std::array<std::unique_ptr<TBitmap>, 4> images_;
};

// An 8 x 8 checkerboard of the two colours (the pressed look of a button
// that stays down), kept for reuse.
TBitmap* AllocPatternBitmap(TColor BkColor, TColor FgColor);

// TBrush: the colour and style (or pattern bitmap) of fills, and the
// platform brush (HBRUSH) made from them.
#pragma once

#include "classlib/Colors.h"
#include "classlib/GraphicsObject.h"

class TBitmap;

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
 public:
  // White, solid, no bitmap.
  TBrush() = default;
  ~TBrush() override;

  // Copies another brush (colour, style and bitmap reference); anything
  // else raises EConvertError.
  void Assign(TPersistent* Source) override;

  TColor Color() const { return color_; }
  // Giving a clear brush a colour makes it solid.
  void SetColor(TColor Value);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle Value);
  // The pattern bitmap (not owned: the caller keeps it alive while the
  // brush refers to it). With a bitmap the brush repeats it and ignores
  // Color and Style when it is made; a monochrome pattern draws its 0 bits
  // in the canvas's font colour and its 1 bits in the brush colour. The
  // pattern is copied when the platform brush is made: change the bitmap
  // and assign it again to see the change.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* Value);

  // The platform brush, made on first use; owned by this object.
  HBRUSH Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

 private:
  void BrushChanged();

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  HBRUSH handle_ = nullptr;
};

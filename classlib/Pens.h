// TPen: the colour, width, style and mix mode of lines and outlines, and the
// platform pen (HPEN) made from them. The mode is not part of the platform
// pen: the canvas applies it (SetROP2) when it selects the pen.
#pragma once

#include "classlib/Colors.h"
#include "classlib/GraphicsObject.h"

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

// The platform's mix mode (R2_*) of a pen mode.
int PenModeToROP2(TPenMode Mode);

class TPen : public TGraphicsObject {
 public:
  // Black, width 1, solid, pmCopy.
  TPen() = default;
  ~TPen() override;

  // Copies another pen; anything else raises EConvertError.
  void Assign(TPersistent* Source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  int Width() const { return width_; }
  // Negative widths are ignored.
  void SetWidth(int Value);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle Value);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode Value);

  // The platform pen, made on first use; owned by this object.
  HPEN Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

 private:
  void PenChanged();

  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HPEN handle_ = nullptr;
};

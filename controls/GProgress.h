// TGProgress: a windowless progress gauge whose filled part is a row of
// 10-pixel blocks in one colour or shading from Color to ColorEnd, inside
// a two-colour frame. A rising Position adds blocks to what is shown; a
// falling one repaints the whole gauge.
#pragma once

#include <cstdint>

#include "classlib/CustomControls.h"
#include "classlib/Graphics.h"

namespace GProgressConst {
inline constexpr const char* SOutOfRange = "Value must be between 0 and 2147483647";
}

class TGProgress : public TGraphicControl {
 public:
  explicit TGProgress(TComponent* AOwner);

  TColor ColorEnd() const { return color_end_; }
  void SetColorEnd(TColor Value) { Store(color_end_, Value); }
  int Step() const { return step_; }
  // A negative step is refused with the out-of-range message.
  void SetStep(int Value);
  int Max() const { return max_; }
  // A negative value is refused with the out-of-range message; then, in
  // both cases, a Position above Max comes down to it and the gauge is
  // repainted at once.
  void SetMax(int Value);
  int Min() const { return min_; }
  void SetMin(int Value);
  int Position() const { return position_; }
  // Clamped to Min..Max (Min wins); rising adds blocks at once, falling
  // invalidates the whole gauge.
  void SetPosition(int Value);
  TColor BackgroundColor() const { return background_color_; }
  void SetBackgroundColor(TColor Value) { Store(background_color_, Value); }
  TColor FrameColor1() const { return frame_color1_; }
  void SetFrameColor1(TColor Value) { Store(frame_color1_, Value); }
  TColor FrameColor2() const { return frame_color2_; }
  void SetFrameColor2(TColor Value) { Store(frame_color2_, Value); }
  bool GradientBar() const { return gradient_bar_; }
  void SetGradientBar(bool Value) { Store(gradient_bar_, Value); }
  bool Solid() const { return solid_; }
  void SetSolid(bool Value) { Store(solid_, Value); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value) { Store(transparent_, Value); }

  // Only when visible: while blocks are being added they are drawn straight
  // onto what is shown; otherwise a full paint.
  void Repaint() override;

  // The last block drawn (blocks 0..n), -1 for none.
  int LastBlock() const;
  // The colour of block i of the gradient.
  TColor BlockColor(int Index) const;

 protected:
  void Paint() override;

 private:
  template <class T>
  void Store(T& field, T Value) {
    field = Value;
    Invalidate();
  }
  void DrawBlocks(TCanvas* Canvas);
  void RangeError();

  TColor color_end_;
  int step_ = 10;
  int max_ = 100;
  int min_ = 0;
  int position_ = 0;
  TColor background_color_;
  TColor frame_color1_;
  TColor frame_color2_;
  bool incremental_ = false;
  bool gradient_bar_ = true;
  bool solid_ = false;
  bool transparent_ = false;
  int last_position_ = 0;
};

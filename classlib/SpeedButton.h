// TSpeedButton: a windowless button with a glyph and a caption. It may be
// flat (a frame only while the mouse is over it), may stay down, and
// buttons of one GroupIndex on the same parent act as a group: pressing
// one releases the others (with AllowAllUp the down one can be released
// too).
#pragma once

#include "classlib/ButtonGlyph.h"
#include "classlib/CustomControls.h"

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);

  TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(TBitmap* Value);
  TNumGlyphs NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(TNumGlyphs Value);
  bool Down() const { return down_; }
  // Only buttons of a group (GroupIndex above 0) stay down.
  void SetDown(bool Value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int Value);
  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout Value);
  // -1: the glyph and caption are centred as a block.
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  // The mouse is over a flat button.
  bool MouseInControl() const { return mouse_in_control_; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  bool Inside(int X, int Y) const;
  void UpdateExclusive();
  void UpdateTracking();

  TButtonGlyph glyph_;
  bool down_ = false;
  bool dragging_ = false;
  int group_index_ = 0;
  bool allow_all_up_ = false;
  bool flat_ = false;
  bool mouse_in_control_ = false;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool transparent_ = true;
  TButtonState state_ = bsUp;
};

// TLabel: a windowless text on its parent, sized to its text (AutoSize),
// aligned left, right or centred and placed top, centre or bottom, with
// "&" marking an accelerator that moves the focus to FocusControl.
#pragma once

#include "classlib/CustomControls.h"

class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);
  // Transparent leaves the parent showing behind the text.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  // "&x" underlines x and makes it the accelerator; false shows "&" as it is.
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool Value);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* Value);
  void SetAutoSize(bool Value) override;

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Sizes the label to its text (keeping the right edge of a right-aligned
  // label) when AutoSize is set.
  void AdjustBounds();
  // Draws the caption (greyed when disabled) or, with DT_CALCRECT in Flags,
  // measures it into Rect.
  virtual void DoDrawText(TRect& Rect, UINT Flags);

 private:
  UINT TextFlags() const;

  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool word_wrap_ = false;
  bool transparent_ = false;
  bool show_accel_char_ = true;
  TWinControl* focus_control_ = nullptr;
};

class TLabel : public TCustomLabel {
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

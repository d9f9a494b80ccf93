// TPanel: a windowed container with up to two 3-D bevels, a border and a
// centred caption; its aligned children fill the area inside the bevels.
#pragma once

#include "classlib/CustomControls.h"
#include "classlib/Form.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

// Draws a 3-D frame Width pixels wide just inside Rect (top and left lines
// in TopColor, bottom and right in BottomColor) and shrinks Rect by it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

class TCustomPanel : public TCustomControl {
 public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TPanelBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TPanelBevel Value);
  TPanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel Value);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int Value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int Value);
  // bsNone or bsSingle (a sunken client edge).
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  bool FullRepaint = true;
  bool Locked = false;

  void AdjustClientRect(TRect& Rect) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  void Changed();

  TAlignment alignment_ = taCenter;
  TPanelBevel bevel_inner_ = bvNone;
  TPanelBevel bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TBorderStyle border_style_ = bsNone;
};

class TPanel : public TCustomPanel {
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

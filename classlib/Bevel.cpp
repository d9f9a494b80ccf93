#include "classlib/Bevel.h"

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle.Include(csReplicatable);
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
  if (shape_ == Value) return;
  shape_ = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetWidth(1);
  TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = Width();
  const int h = Height();
  // A box: top and left in the first colour, bottom and right in the second.
  auto box = [&](const TRect& r, TColor a, TColor b) {
    canvas->Pen()->SetColor(a);
    canvas->Polyline({Point(r.left, r.bottom), Point(r.left, r.top), Point(r.right, r.top)});
    canvas->Pen()->SetColor(b);
    canvas->Polyline({Point(r.right, r.top), Point(r.right, r.bottom), Point(r.left, r.bottom)});
  };
  auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
    canvas->Pen()->SetColor(c);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  switch (shape_) {
    case bsBox:
      box(Rect(0, 0, w - 1, h - 1), first, second);
      break;
    case bsFrame:
      // Two boxes of opposite colours, the second one pixel in.
      box(Rect(1, 1, w - 1, h - 1), second, second);
      box(Rect(0, 0, w - 2, h - 2), first, first);
      break;
    case bsTopLine:
      line(first, 0, 0, w, 0);
      line(second, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(first, 0, h - 2, w, h - 2);
      line(second, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(first, 0, 0, 0, h);
      line(second, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(first, w - 2, 0, w - 2, h);
      line(second, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

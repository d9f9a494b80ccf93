#include "classlib/Shape.h"

#include <algorithm>

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  ControlStyle.Include(csReplicatable);
  SetBounds(0, 0, 65, 65);
  pen_->OnChange = [this](TObject*) { Invalidate(); };
  brush_->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType Value) {
  if (shape_ == Value) return;
  shape_ = Value;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetPen(pen_.get());
  canvas->SetBrush(brush_.get());
  // The pen is centred on the outline, so the shape is pulled in by half
  // its width.
  int x = pen_->Width() / 2;
  int y = x;
  int w = Width() - pen_->Width() + 1;
  int h = Height() - pen_->Width() + 1;
  if (pen_->Width() == 0) {
    --w;
    --h;
  }
  const int s = std::min(w, h);
  if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = s;
    h = s;
  }
  switch (shape_) {
    case stRectangle:
    case stSquare:
      canvas->Rectangle(x, y, x + w, y + h);
      break;
    case stRoundRect:
    case stRoundSquare:
      canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4);
      break;
    case stEllipse:
    case stCircle:
      canvas->Ellipse(x, y, x + w, y + h);
      break;
  }
}

#include "controls/GProgress.h"

#include "classlib/Application.h"
#include "classlib/MathRoutines.h"
#include "classlib/Colors.h"

TGProgress::TGProgress(TComponent* AOwner)
    : TGraphicControl(AOwner),
      color_end_(clBtnFace),
      background_color_(clBtnFace),
      frame_color1_(clBtnShadow),
      frame_color2_(clBtnHighlight) {
  SetColor(clHighlight);
  SetBounds(Left(), Top(), 150, 16);
}

void TGProgress::RangeError() {
  Application->MessageBox(GProgressConst::SOutOfRange, "Error", MB_OK | MB_ICONERROR);
}

void TGProgress::SetStep(int Value) {
  if (Value < 0) {
    RangeError();
    return;
  }
  step_ = Value;
}

void TGProgress::SetMax(int Value) {
  if (Value < 0) RangeError();
  else max_ = Value;
  if (max_ < position_) SetPosition(max_);
  Repaint();
}

void TGProgress::SetMin(int Value) {
  if (Value < 0) RangeError();
  else min_ = Value;
  if (min_ > position_) SetPosition(min_);
  Repaint();
}

void TGProgress::SetPosition(int Value) {
  position_ = std::max(std::min(Value, max_), min_);
  if (position_ >= last_position_) {
    incremental_ = true;
    Repaint();
  } else {
    Invalidate();
  }
  last_position_ = position_;
}

int TGProgress::LastBlock() const {
  if (max_ == min_) return -1;  // no range: no blocks
  const std::int64_t w = Width();
  const std::int64_t n = ((static_cast<std::int64_t>(position_) - min_) * w - 4) / (static_cast<std::int64_t>(max_) - min_) / 10;
  return static_cast<int>(std::max<std::int64_t>(std::min<std::int64_t>(n, 1 << 24), -1));
}

TColor TGProgress::BlockColor(int Index) const {
  const int m = Width() / 10;
  if (Index == m) return color_end_;
  const TColor start = ColorToRGB(Color()), end = ColorToRGB(color_end_);
  auto channel = [&](int shift) {
    const int s = static_cast<int>((start >> shift) & 0xFF), e = static_cast<int>((end >> shift) & 0xFF);
    const int v = s + MulDiv(Index, e - s, m - 1);
    return static_cast<TColor>(((v % 256) + 256) % 256) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

void TGProgress::DrawBlocks(TCanvas* Canvas) {
  if (position_ == min_) return;
  const int w = Width(), h = Height();
  const int last = LastBlock();
  Canvas->Brush()->SetStyle(bsSolid);
  for (int i = 0; i <= last; ++i) {
    const int x = i == 0 ? 2 : (solid_ ? 10 * i : 10 * i + 2);
    Canvas->Brush()->SetColor(gradient_bar_ ? BlockColor(i) : Color());
    Canvas->FillRect(Rect(x, 2, x + (solid_ ? 10 : 8), h - 2));
    Canvas->Pen()->SetColor(frame_color2_);
    Canvas->MoveTo(w - 1, 1);
    Canvas->LineTo(w - 1, h - 1);
  }
}

void TGProgress::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  if (!transparent_) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(background_color_);
    canvas->FillRect(Rect(1, 1, w - 1, h - 1));
  }
  DrawBlocks(canvas);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(frame_color1_);
  canvas->Polyline({Point(0, h), Point(0, 0), Point(w, 0)});
  canvas->Pen()->SetColor(frame_color2_);
  canvas->Polyline({Point(w - 1, 1), Point(w - 1, h - 1), Point(0, h - 1)});
  incremental_ = false;
}

void TGProgress::Repaint() {
  if (!Visible() || Parent() == nullptr || !Parent()->HandleAllocated()) return;
  if (!incremental_) {
    TGraphicControl::Repaint();
    return;
  }
  DrawBlocks(Canvas());
}

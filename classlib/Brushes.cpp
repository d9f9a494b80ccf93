#include "classlib/Brushes.h"

#include "classlib/Bitmaps.h"

TBrush::~TBrush() {
  if (handle_) DeleteObject(handle_);
}

void TBrush::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TBrush*>(Source);
  if (other == nullptr) {
    TGraphicsObject::Assign(Source);
    return;
  }
  if (other == this) return;
  color_ = other->color_;
  style_ = other->style_;
  bitmap_ = other->bitmap_;
  BrushChanged();
}

void TBrush::SetColor(TColor Value) {
  if (Value == color_ && style_ != bsClear) return;
  color_ = Value;
  if (style_ == bsClear) style_ = bsSolid;
  BrushChanged();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  BrushChanged();
}

void TBrush::SetBitmap(TBitmap* Value) {
  bitmap_ = Value;
  BrushChanged();
}

HBRUSH TBrush::Handle() {
  if (handle_ != nullptr) return handle_;
  if (bitmap_ != nullptr && !bitmap_->Empty()) {
    handle_ = CreatePatternBrush(bitmap_->Handle());
    if (handle_ != nullptr) return handle_;
  }
  LOGBRUSH lb;
  lb.lbColor = static_cast<COLORREF>(ColorToRGB(color_));
  switch (style_) {
    case bsSolid: lb.lbStyle = BS_SOLID; break;
    case bsClear: lb.lbStyle = BS_HOLLOW; break;
    default:
      lb.lbStyle = BS_HATCHED;
      lb.lbHatch = static_cast<ULONG_PTR>(style_ - bsHorizontal);
      break;
  }
  handle_ = CreateBrushIndirect(&lb);
  return handle_;
}

void TBrush::BrushChanged() {
  HBRUSH old = handle_;
  handle_ = nullptr;
  Changed();
  if (old) DeleteObject(old);
}

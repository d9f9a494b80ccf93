#include "classlib/Pens.h"

int PenModeToROP2(TPenMode Mode) {
  static constexpr int kModes[] = {R2_BLACK,       R2_WHITE,       R2_NOP,        R2_NOT,
                                   R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                   R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                                   R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
  return kModes[Mode];
}

TPen::~TPen() {
  if (handle_) DeleteObject(handle_);
}

void TPen::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TPen*>(Source);
  if (other == nullptr) {
    TGraphicsObject::Assign(Source);
    return;
  }
  if (other == this) return;
  color_ = other->color_;
  width_ = other->width_;
  style_ = other->style_;
  mode_ = other->mode_;
  PenChanged();
}

void TPen::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  PenChanged();
}

void TPen::SetWidth(int Value) {
  if (Value < 0 || Value == width_) return;
  width_ = Value;
  PenChanged();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  PenChanged();
}

void TPen::SetMode(TPenMode Value) {
  if (Value == mode_) return;
  mode_ = Value;
  Changed();
}

HPEN TPen::Handle() {
  if (handle_ == nullptr) {
    static constexpr UINT kStyles[] = {PS_SOLID, PS_DASH,  PS_DOT,        PS_DASHDOT,
                                       PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_ = CreatePen(static_cast<int>(kStyles[style_]), width_, static_cast<COLORREF>(ColorToRGB(color_)));
  }
  return handle_;
}

void TPen::PenChanged() {
  HPEN old = handle_;
  handle_ = nullptr;
  Changed();
  if (old) DeleteObject(old);
}

#include "classlib/Fonts.h"

#include <algorithm>
#include <cstring>

#include "classlib/MathRoutines.h"

TFont::TFont() = default;

TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

void TFont::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TFont*>(Source);
  if (other == nullptr) {
    TGraphicsObject::Assign(Source);
    return;
  }
  if (other == this) return;
  name_ = other->name_;
  height_ = other->height_;
  if (PixelsPerInch != other->PixelsPerInch) height_ = -MulDiv(other->Size(), PixelsPerInch, 72);
  style_ = other->style_;
  pitch_ = other->pitch_;
  charset_ = other->charset_;
  color_ = other->color_;
  FontChanged();
}

void TFont::SetName(const TFontName& Value) {
  if (Value.empty() || Value == name_) return;
  name_ = Value;
  FontChanged();
}

int TFont::Size() const { return -MulDiv(height_, 72, PixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, PixelsPerInch, 72)); }

void TFont::SetHeight(int Value) {
  if (Value == height_) return;
  height_ = Value;
  FontChanged();
}

void TFont::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == style_) return;
  style_ = Value;
  FontChanged();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == pitch_) return;
  pitch_ = Value;
  FontChanged();
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == charset_) return;
  charset_ = Value;
  FontChanged();
}

LOGFONT TFont::MakeLogFont() const {
  LOGFONT lf;
  lf.lfHeight = height_;
  lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  switch (pitch_) {
    case fpDefault: lf.lfPitchAndFamily = DEFAULT_PITCH; break;
    case fpVariable: lf.lfPitchAndFamily = VARIABLE_PITCH; break;
    case fpFixed: lf.lfPitchAndFamily = FIXED_PITCH; break;
  }
  const std::size_t n = std::min<std::size_t>(name_.size(), LF_FACESIZE - 1);
  std::memcpy(lf.lfFaceName, name_.data(), n);
  lf.lfFaceName[n] = '\0';
  return lf;
}

HFONT TFont::Handle() {
  if (handle_ == nullptr) {
    const LOGFONT lf = MakeLogFont();
    handle_ = CreateFontIndirect(&lf);
  }
  return handle_;
}

void TFont::SetHandle(HFONT Value) {
  LOGFONT lf;
  if (Value == nullptr || GetObject(Value, sizeof lf, &lf) != static_cast<int>(sizeof lf)) return;
  if (Value == handle_) return;
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  if (lf.lfFaceName[0] != '\0') name_ = lf.lfFaceName;
  height_ = lf.lfHeight;
  style_ = TFontStyles();
  if (lf.lfWeight >= FW_BOLD) style_.Include(fsBold);
  if (lf.lfItalic) style_.Include(fsItalic);
  if (lf.lfUnderline) style_.Include(fsUnderline);
  if (lf.lfStrikeOut) style_.Include(fsStrikeOut);
  charset_ = lf.lfCharSet;
  switch (lf.lfPitchAndFamily & 0x0F) {
    case FIXED_PITCH: pitch_ = fpFixed; break;
    case VARIABLE_PITCH: pitch_ = fpVariable; break;
    default: pitch_ = fpDefault; break;
  }
  ReplaceHandle(Value);
}

void TFont::FontChanged() { ReplaceHandle(nullptr); }

void TFont::ReplaceHandle(HFONT next) {
  HFONT old = handle_;
  handle_ = next;
  Changed();
  if (old != nullptr && old != next) DeleteObject(old);
}

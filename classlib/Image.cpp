#include "classlib/Image.h"

#include "classlib/Exceptions.h"

namespace {
constexpr const char* SImageCanvasNeedsBitmap = "Can only modify an image if it contains a bitmap";
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  ControlStyle.Include(csReplicatable);
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (picture_->Graphic() == nullptr) {
    TBitmap bitmap;
    bitmap.SetSize(Width(), Height());
    picture_->SetGraphic(&bitmap);
  }
  auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
  if (bitmap == nullptr) throw EInvalidOperation(SImageCanvasNeedsBitmap);
  return bitmap->Canvas();
}

TRect TImage::DestRect() {
  int w = picture_->Width();
  int h = picture_->Height();
  const int cw = ClientWidth();
  const int ch = ClientHeight();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      // The larger side fits; the other keeps the proportion.
      if (static_cast<long long>(cw) * h > static_cast<long long>(ch) * w) {
        w = static_cast<int>(static_cast<long long>(ch) * w / h);
        h = ch;
      } else {
        h = static_cast<int>(static_cast<long long>(cw) * h / w);
        w = cw;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r = Rect(0, 0, w, h);
  if (center_) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  TGraphic* graphic = picture_->Graphic();
  if (graphic == nullptr || graphic->Empty()) return;
  drawing_ = true;
  try {
    TGraphicControl::Canvas()->StretchDraw(DestRect(), graphic);
  } catch (...) {
    drawing_ = false;
    throw;
  }
  drawing_ = false;
}

void TImage::PictureChanged() {
  if (AutoSize() && picture_->Width() > 0 && picture_->Height() > 0) {
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  }
  TGraphic* graphic = picture_->Graphic();
  if (graphic != nullptr) {
    if (dynamic_cast<TIcon*>(graphic) == nullptr) graphic->SetTransparent(transparent_);
    // A picture that covers the whole control hides what lies behind it.
    const bool covers = !graphic->Transparent() &&
                        (stretch_ || (graphic->Width() >= Width() && graphic->Height() >= Height()));
    if (covers) {
      ControlStyle.Include(csOpaque);
    } else {
      ControlStyle.Exclude(csOpaque);
    }
  } else {
    ControlStyle.Exclude(csOpaque);
  }
  if (!drawing_) Invalidate();
}

bool TImage::CanAutoSize(int& NewWidth, int& NewHeight) {
  if (picture_->Width() <= 0 || picture_->Height() <= 0) return false;
  NewWidth = picture_->Width();
  NewHeight = picture_->Height();
  return true;
}

void TImage::SetAutoSize(bool Value) {
  TGraphicControl::SetAutoSize(Value);
  if (Value) PictureChanged();
}

void TImage::SetStretch(bool Value) {
  if (stretch_ == Value) return;
  stretch_ = Value;
  PictureChanged();
}

void TImage::SetCenter(bool Value) {
  if (center_ == Value) return;
  center_ = Value;
  PictureChanged();
}

void TImage::SetProportional(bool Value) {
  if (proportional_ == Value) return;
  proportional_ = Value;
  PictureChanged();
}

void TImage::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  PictureChanged();
}

#include "classlib/Canvas.h"

#include "classlib/Bitmaps.h"
#include "classlib/Exceptions.h"
#include "classlib/Graphic.h"

namespace {

COLORREF Rgb(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)) & 0x00FFFFFF; }

// A memory DC with a bitmap of its own, both deleted with the object.
class ScratchBitmap {
 public:
  ScratchBitmap(HBITMAP bitmap) : bitmap_(bitmap), dc_(CreateCompatibleDC(nullptr)) {
    if (bitmap_ == nullptr || dc_ == nullptr) throw EOutOfResources("Out of system resources");
    old_ = SelectObject(dc_, bitmap_);
  }
  ~ScratchBitmap() {
    if (dc_ != nullptr) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  ScratchBitmap(const ScratchBitmap&) = delete;
  ScratchBitmap& operator=(const ScratchBitmap&) = delete;
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// The raster operation that leaves the destination as it is.
constexpr DWORD kKeepDest = 0x00AA0029;

}  // namespace

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
  pen_->OnChange = [this](TObject*) { PenChanged(); };
  brush_->OnChange = [this](TObject*) { BrushChanged(); };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

// --- the DC and the selected tools ---

HDC TCanvas::Handle() {
  RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
  return handle_;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == handle_) return;
  if (handle_ != nullptr) {
    DeselectHandles();
    handle_ = nullptr;
    state_.Exclude(csHandleValid);
  }
  if (Value != nullptr) {
    state_.Include(csHandleValid);
    handle_ = Value;
  }
}

void TCanvas::RequiredState(TCanvasState ReqState) {
  const TCanvasState needed = ReqState - state_;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (handle_ == nullptr) throw EInvalidOperation(GraphicsConst::SNoCanvasHandle);
  }
  if (needed.Contains(csFontValid)) SelectFont();
  if (needed.Contains(csPenValid)) SelectPen();
  if (needed.Contains(csBrushValid)) SelectBrush();
  state_ += needed;
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::SelectFont() {
  SelectObject(handle_, font_->Handle());
  SetTextColor(handle_, Rgb(font_->Color()));
}

void TCanvas::SelectPen() {
  SelectObject(handle_, pen_->Handle());
  SetROP2(handle_, PenModeToROP2(pen_->Mode()));
}

void TCanvas::SelectBrush() {
  SelectObject(handle_, brush_->Handle());
  if (brush_->Style() == bsSolid) {
    SetBkColor(handle_, Rgb(brush_->Color()));
    SetBkMode(handle_, OPAQUE);
  } else {
    SetBkColor(handle_, ~Rgb(brush_->Color()) & 0x00FFFFFF);
    SetBkMode(handle_, TRANSPARENT);
  }
}

void TCanvas::DeselectHandles() {
  if (handle_ == nullptr) return;
  if (state_.Contains(csPenValid)) SelectObject(handle_, GetStockObject(BLACK_PEN));
  if (state_.Contains(csBrushValid)) SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
  if (state_.Contains(csFontValid)) SelectObject(handle_, GetStockObject(SYSTEM_FONT));
  state_ -= TCanvasState{csPenValid, csBrushValid, csFontValid};
}

void TCanvas::FontChanged() {
  if (handle_ != nullptr && state_.Contains(csFontValid)) {
    state_.Exclude(csFontValid);
    SelectObject(handle_, GetStockObject(SYSTEM_FONT));
  }
}

void TCanvas::PenChanged() {
  if (handle_ != nullptr && state_.Contains(csPenValid)) {
    state_.Exclude(csPenValid);
    SelectObject(handle_, GetStockObject(BLACK_PEN));
  }
}

void TCanvas::BrushChanged() {
  if (handle_ != nullptr && state_.Contains(csBrushValid)) {
    state_.Exclude(csBrushValid);
    SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

// --- lines and shapes ---

void TCanvas::MoveTo(int X, int Y) {
  RequiredState({csHandleValid});
  MoveToEx(handle_, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::LineTo(handle_, X, Y);
  Changed();
}

TPoint TCanvas::PenPos() {
  RequiredState({csHandleValid});
  TPoint p;
  GetCurrentPositionEx(handle_, &p);
  return p;
}

void TCanvas::Polyline(std::span<const TPoint> Points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Polyline(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> Points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Polygon(handle_, Points.data(), static_cast<int>(Points.size()));
  Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(handle_, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::RoundRect(handle_, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(handle_, X1, Y1, X2, Y2);
  Changed();
}

// --- rectangles with the brush ---

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FillRect(handle_, &Rect, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FrameRect(handle_, &Rect, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::DrawFocusRect(handle_, &Rect);
  Changed();
}

// --- pixels ---

TColor TCanvas::Pixels(int X, int Y) {
  RequiredState({csHandleValid});
  return static_cast<TColor>(GetPixel(handle_, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  SetPixel(handle_, X, Y, Rgb(Value));
  Changed();
}

// --- text ---

void TCanvas::TextOut(int X, int Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ExtTextOut(handle_, X, Y, TextFlags, nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED | TextFlags;
  if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
  ExtTextOut(handle_, X, Y, options, &Rect, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
  RequiredState({csHandleValid, csFontValid});
  TSize size;
  GetTextExtentPoint32(handle_, Text.data(), static_cast<int>(Text.size()), &size);
  return size;
}

// --- pictures ---

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (Graphic == nullptr || Graphic->Empty()) return;
  StretchDraw(Bounds(X, Y, Graphic->Width(), Graphic->Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (Graphic == nullptr) return;
  Changing();
  RequiredState({csHandleValid});
  SetBkColor(handle_, Rgb(brush_->Color()));
  SetTextColor(handle_, Rgb(font_->Color()));
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  Canvas->RequiredState({csHandleValid, csBrushValid});
  StretchBlt(handle_, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Canvas->handle_,
             Source.left, Source.top, Source.right - Source.left, Source.bottom - Source.top, CopyMode);
  Changed();
}

void TCanvas::BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color) {
  if (Bitmap == nullptr || Bitmap->Empty()) return;
  const int dw = Dest.right - Dest.left;
  const int dh = Dest.bottom - Dest.top;
  const int sw = Source.right - Source.left;
  const int sh = Source.bottom - Source.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  TCanvas* source = Bitmap->Canvas();
  source->Lock();
  try {
    // The source at the destination's size, and a mask that is 1 where it
    // has the colour to replace.
    ScratchBitmap image(CreateCompatibleBitmap(nullptr, dw, dh));
    SetStretchBltMode(image.dc(), COLORONCOLOR);
    StretchBlt(image.dc(), 0, 0, dw, dh, source->Handle(), Source.left, Source.top, sw, sh, SRCCOPY);
    ScratchBitmap mask(CreateBitmap(dw, dh, 1, 1, nullptr));
    SetBkColor(image.dc(), Rgb(Color));
    BitBlt(mask.dc(), 0, 0, dw, dh, image.dc(), 0, 0, SRCCOPY);
    const DWORD keyed = brush_->Style() == bsClear ? kKeepDest : PATCOPY;
    MaskBlt(handle_, Dest.left, Dest.top, dw, dh, image.dc(), 0, 0, mask.bitmap(), 0, 0, MAKEROP4(keyed, SRCCOPY));
  } catch (...) {
    source->Unlock();
    throw;
  }
  source->Unlock();
  Changed();
}

TRect TCanvas::ClipRect() {
  RequiredState({csHandleValid});
  TRect r;
  GetClipBox(handle_, &r);
  return r;
}

// --- threads ---

void TCanvas::Lock() {
  lock_.lock();
  ++lock_count_;
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lock_count_;
  return true;
}

void TCanvas::Unlock() {
  --lock_count_;
  lock_.unlock();
}

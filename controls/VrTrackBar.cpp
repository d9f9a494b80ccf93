#include "controls/VrTrackBar.h"

#include <algorithm>
#include <cmath>

#include "classlib/Screen.h"
#include "controls/VrFunctions.h"
#include "platform/user/user.h"

TVrTrackBar::TVrTrackBar(TComponent* AOwner)
    : TVrCustomImageControl(AOwner),
      gutter_bevel_(std::make_unique<TVrBevel>()),
      link_(std::make_unique<TVrChangeLink>()),
      thumb_bitmap_(std::make_unique<TBitmap>()) {
  ControlStyle.Include(csOpaque);
  ControlStyle.Exclude(csSetCaption);
  SetBounds(0, 0, 175, 45);
  SetTabStop(false);
  gutter_bevel_->SetInnerStyle(TVrBevelStyle::bsNone);
  gutter_bevel_->SetInnerSpace(0);
  gutter_bevel_->SetInnerOutline(osNone);
  gutter_bevel_->SetOuterStyle(TVrBevelStyle::bsLowered);
  gutter_bevel_->SetOuterSpace(0);
  gutter_bevel_->SetOuterOutline(osNone);
  gutter_bevel_->OnChange = [this](TObject*) { UpdateControlCanvas(); };
  link_->OnChange = [this](TObject*) {
    LoadThumb();
    UpdateControlCanvas();
  };
  LoadThumb();
}

TVrTrackBar::~TVrTrackBar() {
  ReleaseClip();
  if (bitmap_list_) bitmap_list_->RemoveLink(link_.get());
}

void TVrTrackBar::DestroyWnd() {
  ReleaseClip();
  TVrCustomImageControl::DestroyWnd();
}

void TVrTrackBar::ReleaseClip() {
  if (clipping_) {
    ClipCursor(nullptr);
    clipping_ = false;
  }
}

void TVrTrackBar::Change() {
  if (OnChange) OnChange(this);
}

void TVrTrackBar::SetPosition(int Value) {
  // MaxValue wins when MinValue is above it.
  Value = std::min(std::max(Value, min_value_), max_value_);
  if (Value == position_) return;
  position_ = Value;
  UpdateControlCanvas();
  Change();
}

void TVrTrackBar::SetMaxValue(int Value) {
  if (Value == max_value_) return;
  max_value_ = Value;
  if (max_value_ < position_) {
    SetPosition(max_value_);
  } else {
    UpdateControlCanvas();
  }
}

void TVrTrackBar::SetMinValue(int Value) {
  if (Value == min_value_) return;
  min_value_ = Value;
  if (min_value_ > position_) {
    SetPosition(min_value_);
  } else {
    UpdateControlCanvas();
  }
}

void TVrTrackBar::SetOrientation(TVrOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  LoadThumb();
  UpdateControlCanvas();
}

void TVrTrackBar::SetThumbImageIndex(int Value) {
  if (Value == thumb_image_index_) return;
  thumb_image_index_ = Value;
  LoadThumb();
  UpdateControlCanvas();
}

void TVrTrackBar::SetThumbStates(TVrNumGlyphs Value) {
  Value = std::clamp(Value, 1, 4);
  if (Value == thumb_states_) return;
  thumb_states_ = Value;
  if (!ComponentState().Contains(csLoading)) LoadThumb();
  UpdateControlCanvas();
}

void TVrTrackBar::SetBitmapList(TVrBitmapList* Value) {
  if (bitmap_list_) {
    bitmap_list_->RemoveLink(link_.get());
    bitmap_list_->RemoveFreeNotification(this);
  }
  bitmap_list_ = Value;
  if (bitmap_list_) {
    bitmap_list_->InsertLink(link_.get());
    bitmap_list_->FreeNotification(this);
  }
  LoadThumb();
  UpdateControlCanvas();
}

void TVrTrackBar::Notification(TComponent* AComponent, TOperation Operation) {
  TVrCustomImageControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == bitmap_list_) {
    bitmap_list_ = nullptr;
    LoadThumb();
  }
}

void TVrTrackBar::LoadThumb() {
  TBitmap* source = bitmap_list_ ? bitmap_list_->GetBitmap(thumb_image_index_) : nullptr;
  thumb_bitmap_->Assign(source);
  if (thumb_bitmap_->Empty()) {
    try {
      thumb_bitmap_->LoadFromResourceName(orientation_ == voHorizontal ? "VRTB_HORI" : "VRTB_VERT");
    } catch (const Exception&) {
      thumb_bitmap_->SetSize(0, 0);
    }
  }
  thumb_height_ = thumb_bitmap_->Height();
  thumb_width_ = thumb_bitmap_->Width() / thumb_states_;
  CenterThumb();
}

void TVrTrackBar::CenterThumb() {
  if (orientation_ == voHorizontal) {
    thumb_rect_.top = (Height() - thumb_height_) / 2;
    thumb_rect_.bottom = thumb_rect_.top + thumb_height_;
  } else {
    thumb_rect_.left = (Width() - thumb_width_) / 2;
    thumb_rect_.right = thumb_rect_.left + thumb_width_;
  }
}

void TVrTrackBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  TVrCustomImageControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (resized && thumb_bitmap_) {
    CenterThumb();
    UpdateControlCanvas();
  }
}

TRect TVrTrackBar::TrackRect() {
  TRect t = ClientRect();
  t.left += border_width_;
  t.top += border_width_;
  t.right -= border_width_;
  t.bottom -= border_width_;
  return t;
}

int TVrTrackBar::TrackOrigin() {
  const TRect t = TrackRect();
  return std::max(0, orientation_ == voHorizontal ? static_cast<int>(t.left) : static_cast<int>(t.top));
}

int TVrTrackBar::TrackLength() {
  const TRect t = TrackRect();
  return orientation_ == voHorizontal ? (t.right - t.left) - thumb_width_ : (t.bottom - t.top) - thumb_height_;
}

int TVrTrackBar::ValueToPixel(int Value) {
  const int origin = TrackOrigin();
  const int length = TrackLength();
  // No range or no track: the thumb stays at the origin.
  if (max_value_ == min_value_ || length <= 0) return origin;
  const double ratio = (static_cast<double>(Value) - min_value_) / (static_cast<double>(max_value_) - min_value_);
  int p = origin + static_cast<int>(std::nearbyint(length * ratio));
  const TRect t = TrackRect();
  if (orientation_ == voVertical && style_ == psBottomLeft) p = t.top + t.bottom - p - thumb_height_;
  if (orientation_ == voHorizontal && style_ == psTopRight) p = t.left + t.right - p - thumb_width_;
  return p;
}

int TVrTrackBar::PixelToValue(int Pixel) {
  const int length = TrackLength();
  if (length <= 0) return min_value_;
  if (orientation_ == voVertical) Pixel = ClientHeight() - Pixel - thumb_height_;
  const double range = static_cast<double>(max_value_) - min_value_;
  double v = std::nearbyint((Pixel - TrackOrigin()) * range / length);
  if (options_.Contains(toFixedPoints) && frequency_ > 0) v = std::nearbyint(v / frequency_) * frequency_;
  const double result = std::min(std::max(v, 0.0) + min_value_, static_cast<double>(max_value_));
  return static_cast<int>(std::clamp(result, -2147483648.0, 2147483647.0));
}

int TVrTrackBar::StyledPixelToValue(int Pixel) {
  const int v = PixelToValue(Pixel);
  if (style_ == psTopRight) return static_cast<int>(static_cast<std::int64_t>(max_value_) - v + min_value_);
  return v;
}

void TVrTrackBar::MoveThumbTo(int Pixel) {
  const int origin = TrackOrigin();
  const int length = std::max(0, TrackLength());
  Pixel = std::clamp(Pixel, origin, origin + length);
  if (options_.Contains(toFixedPoints)) {
    Pixel = std::min(ValueToPixel(StyledPixelToValue(Pixel)), origin + length);
  }
  SetPosition(StyledPixelToValue(Pixel));
}

std::vector<std::pair<int, bool>> TVrTrackBar::TickPositions(int* Gap) {
  std::vector<std::pair<int, bool>> ticks;
  const int length = TrackLength();
  const std::int64_t range = static_cast<std::int64_t>(max_value_) - min_value_;
  if (Gap) *Gap = 0;
  if (frequency_ <= 0 || range <= 0 || length <= 0) return ticks;
  std::int64_t k = 1, n = 0, gap = 0;
  for (;; ++k) {
    n = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(range) / (static_cast<double>(k) * frequency_))) + 1;
    gap = n > 1 ? length / (n - 1) : length;
    if (gap >= 4 || gap >= length) break;
  }
  if (Gap) *Gap = static_cast<int>(gap);
  if (n < 1) return ticks;
  const int half = orientation_ == voVertical ? thumb_height_ / 2 : thumb_width_ / 2;
  for (std::int64_t t = 1; t <= n; ++t) {
    std::int64_t value = min_value_ + (t - 1) * k * frequency_;
    if (t == n) value = max_value_;
    const bool extreme = value == min_value_ || value == max_value_;
    ticks.emplace_back(ValueToPixel(static_cast<int>(value)) + half, extreme);
  }
  return ticks;
}

void TVrTrackBar::DrawScale(TCanvas* Canvas, int Base, int Long, int Short) {
  Canvas->Pen()->SetColor(tick_color_);
  Canvas->Pen()->SetWidth(1);
  for (const auto& [pixel, extreme] : TickPositions()) {
    const int length = extreme ? Long : Short;
    if (orientation_ == voVertical) {
      Canvas->MoveTo(Base, pixel);
      Canvas->LineTo(Base + length, pixel);
    } else {
      Canvas->MoveTo(pixel, Base);
      Canvas->LineTo(pixel, Base + length);
    }
  }
}

bool TVrTrackBar::OverThumb(int X, int Y) const {
  return X >= thumb_rect_.left && X < thumb_rect_.right && Y >= thumb_rect_.top && Y < thumb_rect_.bottom;
}

void TVrTrackBar::Paint() {
  ClearBitmapCanvas();
  UseBitmapCanvas();
  TCanvas* c = DestCanvas();
  const TRect client = ClientRect();
  if (TBitmap* back = bitmap_list_ ? bitmap_list_->GetBitmap(back_image_index_) : nullptr) {
    c->StretchDraw(client, back);
  }
  TRect g = orientation_ == voVertical
                ? Bounds((client.right - gutter_width_) / 2, border_width_, gutter_width_, client.bottom - 2 * border_width_)
                : Bounds(border_width_, (client.bottom - gutter_width_) / 2, client.right - 2 * border_width_, gutter_width_);
  if (tick_marks_ == tmBoth || tick_marks_ == tmTopLeft) {
    DrawScale(c, (orientation_ == voVertical ? g.left : g.top) - scale_offset_, -4, -3);
  }
  if (tick_marks_ == tmBoth || tick_marks_ == tmBottomRight) {
    DrawScale(c, (orientation_ == voVertical ? g.right : g.bottom) + scale_offset_, 4, 3);
  }
  if (gutter_bevel_->Visible()) {
    gutter_bevel_->Paint(c, g);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(gutter_color_);
    c->FillRect(g);
  }
  if (has_focus_ && focus_offset_ >= 0) {
    TRect f = client;
    f.left += focus_offset_;
    f.top += focus_offset_;
    f.right -= focus_offset_;
    f.bottom -= focus_offset_;
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(focus_color_);
    c->FrameRect(f);
  }
  const int along = ValueToPixel(position_);
  if (orientation_ == voHorizontal) {
    thumb_rect_.left = along;
    thumb_rect_.right = along + thumb_width_;
  } else {
    thumb_rect_.top = along;
    thumb_rect_.bottom = along + thumb_height_;
  }
  if (!thumb_bitmap_->Empty() && thumb_width_ > 0) {
    int image = dragging_ ? 2 : hot_ ? 3 : !Enabled() ? 1 : 0;
    if (image > thumb_states_ - 1) image = 0;
    const TRect source = Bounds(image * thumb_width_, 0, thumb_width_, thumb_height_);
    if (options_.Contains(toThumbOpaque)) {
      // The transparent colour's pixels get the brush of that same colour:
      // a plain copy.
      c->CopyRect(thumb_rect_, thumb_bitmap_->Canvas(), source);
    } else {
      DrawTransparentBitmap(c, thumb_rect_, thumb_bitmap_.get(), source, thumb_bitmap_->TransparentColor());
    }
  }
  UseControlCanvas();
  TVrCustomImageControl::Paint();
}

void TVrTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TVrCustomImageControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (TabStop() && CanFocus()) SetFocus();
  if (OverThumb(X, Y)) {
    dragging_ = true;
    grab_offset_ = orientation_ == voHorizontal ? X - thumb_rect_.left : Y - thumb_rect_.top;
    if (options_.Contains(toMouseClip)) {
      const TRect client = ClientRect();
      const TPoint tl = ClientToScreen(Point(client.left, client.top));
      const TRect r = Rect(tl.x, tl.y, tl.x + client.right, tl.y + client.bottom);
      ClipCursor(&r);
      clipping_ = true;
    }
    Invalidate();
  } else if (options_.Contains(toActiveClick)) {
    MoveThumbTo(orientation_ == voHorizontal ? X - thumb_width_ / 2 : Y - thumb_height_ / 2);
  }
}

void TVrTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
  if (dragging_) {
    MoveThumbTo((orientation_ == voHorizontal ? X : Y) - grab_offset_);
  } else {
    const bool over = OverThumb(X, Y);
    if (over != hot_) {
      hot_ = over;
      Invalidate();
    }
  }
  TVrCustomImageControl::MouseMove(Shift, X, Y);
}

void TVrTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (dragging_) {
    dragging_ = false;
    Invalidate();
  }
  ReleaseClip();
  TVrCustomImageControl::MouseUp(Button, Shift, X, Y);
}

void TVrTrackBar::KeyDown(Word& Key, TShiftState Shift) {
  if (!Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    const int sign = style_ == psTopRight ? -1 : 1;
    const auto step = [&](int s) {
      SetPosition(static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(position_) + s * sign * frequency_,
                                                            INT32_MIN, INT32_MAX)));
    };
    switch (Key) {
      case VK_HOME: SetPosition(max_value_); break;
      case VK_END: SetPosition(min_value_); break;
      case VK_LEFT: if (orientation_ == voHorizontal) step(-1); break;
      case VK_RIGHT: if (orientation_ == voHorizontal) step(1); break;
      case VK_UP: if (orientation_ == voVertical) step(1); break;
      case VK_DOWN: if (orientation_ == voVertical) step(-1); break;
      default: break;
    }
  }
  TVrCustomImageControl::KeyDown(Key, Shift);
}

void TVrTrackBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_SETCURSOR: {
      if (!ComponentState().Contains(csDesigning) && Screen) {
        POINT p{};
        GetCursorPos(&p);
        const TPoint local = ScreenToClient(p);
        if (OverThumb(local.x, local.y) && options_.Contains(toHandPoint)) {
          ::SetCursor(Screen->Cursors(crVrHandPoint));
          Message.Result = 1;
          return;
        }
      }
      break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const bool focus = Message.Msg == WM_SETFOCUS;
      if (!focus) ReleaseClip();
      TVrCustomImageControl::Dispatch(Message);
      if (focus != has_focus_) {
        has_focus_ = focus;
        UpdateControlCanvas();
      }
      return;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      ReleaseClip();
      break;
    case CM_MOUSELEAVE:
      if (Message.LParam == 0 && hot_) {
        hot_ = false;
        UpdateControlCanvas();
      }
      break;
    case CM_ENABLEDCHANGED:
      if (!Enabled()) {
        ReleaseClip();
        dragging_ = false;
      }
      TVrCustomImageControl::Dispatch(Message);
      UpdateControlCanvas();
      return;
    default:
      break;
  }
  TVrCustomImageControl::Dispatch(Message);
}

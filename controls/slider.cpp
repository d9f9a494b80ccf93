#include "controls/slider.h"

#include <algorithm>
#include <cmath>

#include "classlib/CursorResources.h"
#include "classlib/Screen.h"
#include "controls/ControlPack.h"
#include "controls/VrFunctions.h"
#include "platform/user/user.h"

namespace {

const char* const kResourceNames[4] = {"W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL"};
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kRepeatMs = 400;

void DrawTransparent(TCanvas* Canvas, const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor transparent) {
  DrawTransparentBitmap(Canvas, Dest, Bitmap, Source, transparent);
}

}  // namespace

void SliderStartup() {
  if (!Screen) return;
  if (HCURSOR cursor = LoadCursorResource("AD_HAND")) Screen->SetCursors(crSliderHand, cursor);
}

// --- the thumb ---

TSliderThumb::TSliderThumb(TComponent* AOwner) : TCustomControl(AOwner), picture_(std::make_unique<TBitmap>()) {
  ControlStyle.Exclude(csSetCaption);
  SetCursor(crSliderHand);
}

TSliderThumb::~TSliderThumb() = default;

void TSliderThumb::SetPicture(TBitmap* Value) {
  picture_->Assign(Value);
  AdjustSize();
  Invalidate();
}

void TSliderThumb::SetState(int Value) {
  if (Value == state_) return;
  state_ = Value;
  Repaint();
}

void TSliderThumb::SetNumThumbStates(int Value) {
  Value = std::clamp(Value, 1, 2);
  if (Value == num_states_) return;
  num_states_ = Value;
  AdjustSize();
  Invalidate();
}

void TSliderThumb::AdjustSize() {
  SetBounds(Left(), Top(), picture_->Width() / num_states_, picture_->Height());
}

void TSliderThumb::Paint() {
  const int w = picture_->Width() / num_states_;
  const int h = picture_->Height();
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  if (w <= 0 || h <= 0) return;
  const int sx = (num_states_ > 1 && state_ == 1) ? w : 0;
  DrawTransparent(c, Rect(0, 0, w, h), picture_.get(), Rect(sx, 0, sx + w, h), TransparentColor);
}

// --- the slider ---

TSlider::TSlider(TComponent* AOwner) : TCustomControl(AOwner), ruler_(std::make_unique<TBitmap>()) {
  ControlPackStartup();
  ControlStyle.Exclude(csSetCaption);
  ControlStyle.Exclude(csDoubleClicks);
  for (int i = 0; i < 4; ++i) {
    images_[static_cast<std::size_t>(i)] = std::make_unique<TBitmap>();
    LoadResourceImage(i);
  }
  thumb_ = new TSliderThumb(this);
  thumb_->SetParentColor(true);
  thumb_->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { ThumbMouseDown(s, b, sh, x, y); };
  thumb_->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ThumbMouseMove(s, sh, x, y); };
  thumb_->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) { ThumbMouseUp(s, b, sh, x, y); };
  thumb_->SetParent(this);
  SetTabStop(true);
  SetBounds(Left(), Top(), 140, 40);
  ApplyThumbPicture();
}

TSlider::~TSlider() { StopRepeat(); }

void TSlider::DestroyWnd() {
  StopRepeat();
  TCustomControl::DestroyWnd();
}

void TSlider::LoadResourceImage(int Index) {
  TBitmap* image = images_[static_cast<std::size_t>(Index)].get();
  try {
    image->LoadFromResourceName(kResourceNames[Index]);
  } catch (const Exception&) {
    // A program without the picture shows an empty part.
    image->SetSize(0, 0);
  }
}

void TSlider::SetImage(int Index, TBitmap* Value) {
  if (Index < 0 || Index > 3) return;
  if (Value) {
    images_[static_cast<std::size_t>(Index)]->Assign(Value);
    user_images_ |= static_cast<std::uint8_t>(1u << Index);
  } else {
    LoadResourceImage(Index);
    user_images_ &= static_cast<std::uint8_t>(~(1u << Index));
  }
  const bool thumb_of_current = (Index == 0 && orientation_ == soHorizontal) || (Index == 2 && orientation_ == soVertical);
  if (thumb_of_current) ApplyThumbPicture();
  if (!ComponentState().Contains(csLoading)) AdjustLayout();
}

void TSlider::ApplyThumbPicture() {
  thumb_->SetPicture(orientation_ == soHorizontal ? ImageHThumb() : ImageVThumb());
}

void TSlider::Loaded() {
  TCustomControl::Loaded();
  ApplyThumbPicture();
  AdjustLayout();
}

void TSlider::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (resized && thumb_) AdjustLayout();
}

void TSlider::SetEdgeSize(int Value) {
  TBitmap* ruler = orientation_ == soHorizontal ? ImageHRuler() : ImageVRuler();
  const int length = orientation_ == soHorizontal ? ruler->Width() : ruler->Height();
  if (Value == edge_size_ || Value < 0 || 2 * Value >= length) return;
  edge_size_ = Value;
  AdjustLayout();
}

void TSlider::SetNumThumbStates(TNumThumbStates Value) {
  thumb_->SetNumThumbStates(Value);
  AdjustLayout();
}

void TSlider::SetOrientation(TSliderOrientation Value) {
  orientation_ = Value;
  ApplyThumbPicture();
  AdjustLayout();
}

void TSlider::SetOptions(TSliderOptions Value) {
  options_ = Value;
  Invalidate();
}

void TSlider::SetIncrement(int Value) {
  if (Value < 1 || Value == increment_) return;
  increment_ = Value;
  SetValue(value_);
  Invalidate();
}

void TSlider::SetMinValue(int Value) {
  if (Value == min_value_ || static_cast<std::int64_t>(Value) > static_cast<std::int64_t>(max_value_) - increment_) return;
  min_value_ = Value;
  if (options_.Contains(soShowPoints)) Invalidate();
}

void TSlider::SetMaxValue(int Value) {
  if (Value == max_value_ || static_cast<std::int64_t>(Value) < static_cast<std::int64_t>(min_value_) + increment_) return;
  max_value_ = Value;
  if (options_.Contains(soShowPoints)) Invalidate();
}

void TSlider::SetValue(int Value) {
  Value = std::clamp(Value, min_value_, max_value_);
  MoveThumbTo(ValueToPixel(Value));
  if (Value != value_) {
    value_ = Value;
    if (OnChange) OnChange(this);
  }
}

int TSlider::TravelLength() {
  if (orientation_ == soHorizontal) return ruler_->Width() - thumb_->Width();
  return ruler_->Height() - thumb_->Height();
}

int TSlider::ValueToPixel(int Value) {
  const int travel = TravelLength();
  // No travel (a ruler no longer than the thumb): everything sits at 0.
  if (travel <= 0 || max_value_ == min_value_) return 0;
  const int p = static_cast<int>(std::nearbyint(static_cast<double>(travel) * (static_cast<double>(Value) - min_value_) /
                                                (static_cast<double>(max_value_) - min_value_)));
  if (orientation_ == soHorizontal) return p;
  return ClientHeight() - p - thumb_->Height();
}

int TSlider::PixelToValue(int Pixel) {
  const int travel = TravelLength();
  if (travel <= 0) return min_value_;
  if (orientation_ == soVertical) Pixel = ClientHeight() - Pixel - thumb_->Height();
  auto v = static_cast<std::int64_t>(
      std::nearbyint(static_cast<double>(Pixel) * (static_cast<double>(max_value_) - min_value_) / travel));
  if (!options_.Contains(soSmooth)) v = (v / increment_) * increment_;
  return static_cast<int>(v + min_value_);
}

void TSlider::MoveThumbTo(int Pixel) {
  if (orientation_ == soHorizontal) {
    thumb_->SetLeft(Pixel);
  } else {
    thumb_->SetTop(Pixel);
  }
}

void TSlider::SetThumbPos(int Pixel) {
  const int travel = std::max(0, TravelLength());
  Pixel = std::clamp(Pixel, 0, travel);
  if (!options_.Contains(soSmooth)) Pixel = ValueToPixel(PixelToValue(Pixel));
  MoveThumbTo(Pixel);
  if (tracking_) {
    const int v = PixelToValue(Pixel);
    if (v != value_) {
      value_ = v;
      if (OnChange) OnChange(this);
    }
  }
}

void TSlider::BuildRuler() {
  const bool horizontal = orientation_ == soHorizontal;
  TBitmap* picture = horizontal ? ImageHRuler() : ImageVRuler();
  const int pic_length = horizontal ? picture->Width() : picture->Height();
  const int thickness = horizontal ? picture->Height() : picture->Width();
  const int length = std::max(0, horizontal ? Width() : Height());
  if (horizontal) {
    ruler_->SetSize(length, thickness);
  } else {
    ruler_->SetSize(thickness, length);
  }
  TCanvas* c = ruler_->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(SliderTransparentColor);
  c->FillRect(Rect(0, 0, ruler_->Width(), ruler_->Height()));
  if (pic_length <= 0 || thickness <= 0 || length == 0) return;
  // Copies `count` pixels of the picture from `from` to `to` along the axis.
  auto copy = [&](int from, int count, int to) {
    if (count <= 0) return;
    const TRect src = horizontal ? Rect(from, 0, from + count, thickness) : Rect(0, from, thickness, from + count);
    const TRect dst = horizontal ? Rect(to, 0, to + count, thickness) : Rect(0, to, thickness, to + count);
    c->CopyRect(dst, picture->Canvas(), src);
  };
  const int e = edge_size_;
  const int s = pic_length - 2 * e;
  if (s <= 0) {
    // Nothing between the edges to repeat: the picture once.
    copy(0, pic_length, 0);
    return;
  }
  const int w = length - 2 * e;
  const int n = w / s + 1;
  for (int k = 0; k < n; ++k) {
    if (k == 0) {
      copy(0, pic_length - e, 0);
    } else if (k < n - 1) {
      copy(e, s, e + k * s);
    } else {
      const int count = e + w % s;
      copy(pic_length - count, count, e + k * s);
    }
  }
}

void TSlider::AdjustLayout() {
  if (!thumb_) return;
  BuildRuler();
  const int tw = thumb_->Width(), th = thumb_->Height();
  const int rw = ruler_->Width(), rh = ruler_->Height();
  if (orientation_ == soHorizontal) {
    if (rh < th) {
      thumb_->SetBounds(thumb_->Left(), 0, tw, th);
      ruler_origin_ = Point(0, (th - rh) / 2);
    } else {
      thumb_->SetBounds(thumb_->Left(), (rh - th) / 2, tw, th);
      ruler_origin_ = Point(0, 0);
    }
    points_rect_ = Rect(ruler_origin_.x, std::max(th, rh) + 1, rw + ruler_origin_.x, ClientHeight() - 1);
  } else {
    if (rw < tw) {
      thumb_->SetBounds(0, thumb_->Top(), tw, th);
      ruler_origin_ = Point((tw - rw) / 2, 0);
    } else {
      thumb_->SetBounds((rw - tw) / 2, thumb_->Top(), tw, th);
      ruler_origin_ = Point(0, 0);
    }
    points_rect_ = Rect(std::max(tw, rw) + 1, ruler_origin_.y, ClientWidth() - 1, rh + ruler_origin_.y);
  }
  SetValue(value_);
  Invalidate();
}

void TSlider::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  if (!ruler_->Empty()) {
    DrawTransparent(c, Bounds(ruler_origin_.x, ruler_origin_.y, ruler_->Width(), ruler_->Height()), ruler_.get(),
                    Rect(0, 0, ruler_->Width(), ruler_->Height()), SliderTransparentColor);
  }
  if (options_.Contains(soShowFocus) && focused_ && !ComponentState().Contains(csDesigning)) {
    TRect r = ClientRect();
    r.left += 2;
    r.top += 2;
    r.right -= 2;
    r.bottom -= 2;
    c->Brush()->SetColor(Color());
    c->DrawFocusRect(r);
  }
  if (options_.Contains(soShowPoints)) {
    if (OnDrawPoints) {
      OnDrawPoints(this);
    } else {
      DrawPoints(increment_, 3, 4);
    }
  }
}

void TSlider::DrawPoints(int PointsStep, int PointsHeight, int ExtremePointsHeight) {
  const int travel = TravelLength();
  const std::int64_t range = static_cast<std::int64_t>(max_value_) - min_value_;
  if (PointsStep < 1 || range <= 0) return;
  std::int64_t m = 1;
  for (;; ++m) {
    const std::int64_t k = range / (m * PointsStep);
    const std::int64_t gap = k + 1 > 1 ? (travel - (k + 1)) / k : travel;
    if (gap >= 3 || gap == travel) break;
  }
  const std::int64_t step = m * PointsStep;
  TCanvas* c = Canvas();
  c->Pen()->SetColor(clWindowText);
  c->Pen()->SetWidth(1);
  const bool horizontal = orientation_ == soHorizontal;
  const int half = horizontal ? thumb_->Width() / 2 : thumb_->Height() / 2;
  for (std::int64_t v = min_value_; v <= max_value_; v += step) {
    const int len = (v == min_value_ || v == max_value_) ? ExtremePointsHeight : PointsHeight;
    const int at = ValueToPixel(static_cast<int>(v)) + half;
    if (horizontal) {
      c->MoveTo(at, points_rect_.top);
      c->LineTo(at, points_rect_.top + len);
    } else {
      c->MoveTo(points_rect_.left, at);
      c->LineTo(points_rect_.left + len, at);
    }
  }
}

int TSlider::HitTest(TPoint P) {
  if (orientation_ == soHorizontal) {
    if (P.x < thumb_->Left()) return 4;
    if (P.x >= thumb_->Left() + thumb_->Width()) return 3;
    return 0;
  }
  if (P.y < thumb_->Top()) return 3;
  if (P.y >= thumb_->Top() + thumb_->Height()) return 4;
  return 0;
}

void TSlider::DoAction(int Action) {
  switch (Action) {
    case 1: SetValue(min_value_); break;
    case 2: SetValue(max_value_); break;
    case 3: SetValue((value_ / increment_) * increment_ + increment_); break;
    case 4: SetValue((value_ / increment_) * increment_ - increment_); break;
    default: break;
  }
}

void TSlider::Repeat() {
  if (HitTest(press_point_) == press_action_) {
    DoAction(press_action_);
    if (!repeat_timer_on_ && HandleAllocated()) {
      repeat_timer_on_ = SetTimer(Handle(), kRepeatTimer, kRepeatMs, nullptr) != 0;
    }
  }
}

void TSlider::StopRepeat() {
  if (repeat_timer_on_ && HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
  repeat_timer_on_ = false;
  pressed_ = false;
}

void TSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || Shift.Contains(ssDouble)) return;
  if (CanFocus()) SetFocus();
  SetMouseCapture(true);
  pressed_ = true;
  press_point_ = Point(X, Y);
  press_action_ = static_cast<std::uint8_t>(HitTest(press_point_));
  Repeat();
}

void TSlider::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (pressed_) press_point_ = Point(X, Y);
}

void TSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  StopRepeat();
  SetMouseCapture(false);
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TSlider::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0 || Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt)) return;
  int action = 0;
  switch (Key) {
    case VK_HOME: action = 1; break;
    case VK_END: action = 2; break;
    case VK_RIGHT: action = orientation_ == soHorizontal ? 3 : 0; break;
    case VK_LEFT: action = orientation_ == soHorizontal ? 4 : 0; break;
    case VK_UP: action = orientation_ == soVertical ? 3 : 0; break;
    case VK_DOWN: action = orientation_ == soVertical ? 4 : 0; break;
    default: break;
  }
  if (action == 0) return;
  DoAction(action);
  Key = 0;
}

void TSlider::ThumbMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (Button != mbLeft) return;
  if (CanFocus()) SetFocus();
  hit_offset_ = orientation_ == soHorizontal ? X : Y;
  tracking_ = true;
  thumb_->SetState(1);
  if (OnStartTracking) OnStartTracking(this);
}

void TSlider::ThumbMouseMove(TObject*, TShiftState Shift, int X, int Y) {
  if (!tracking_ || !Shift.Contains(ssLeft)) return;
  if (orientation_ == soHorizontal) {
    SetThumbPos(thumb_->Left() + X - hit_offset_);
  } else {
    SetThumbPos(thumb_->Top() + Y - hit_offset_);
  }
}

void TSlider::ThumbMouseUp(TObject*, TMouseButton Button, TShiftState, int, int) {
  if (Button != mbLeft || !tracking_) return;
  tracking_ = false;
  thumb_->SetState(0);
  if (OnStopTracking) OnStopTracking(this);
}

void TSlider::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_TIMER:
      if (Message.WParam == kRepeatTimer) {
        if (pressed_) {
          Repeat();
        } else {
          StopRepeat();
        }
        return;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      focused_ = Message.Msg == WM_SETFOCUS;
      if (!focused_) StopRepeat();
      TCustomControl::Dispatch(Message);
      if (options_.Contains(soShowFocus)) Invalidate();
      return;
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
      StopRepeat();
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

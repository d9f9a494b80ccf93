#include "controls/VrNavigator.h"

#include <algorithm>

#include "controls/VrFunctions.h"
#include "platform/user/user.h"

TVrNavigator::TVrNavigator(TComponent* AOwner)
    : TVrCustomImageControl(AOwner),
      bevel_(std::make_unique<TVrBevel>()),
      enabled_strip_(std::make_unique<TBitmap>()),
      disabled_strip_(std::make_unique<TBitmap>()),
      button_image_(std::make_unique<TBitmap>()) {
  ControlStyle.Include(csOpaque);
  ControlStyle.Exclude(csSetCaption);
  SetBounds(0, 0, 340, 25);
  SetTabStop(true);
  bevel_->SetInnerSpace(0);
  bevel_->OnChange = [this](TObject*) { BevelChanged(); };
  UpdateFlags();
  LoadStrips();
}

TVrNavigator::~TVrNavigator() { bevel_->OnChange = nullptr; }

void TVrNavigator::LoadStrips() {
  auto load = [](TBitmap* strip, const char* name) {
    try {
      strip->LoadFromResourceName(name);
    } catch (const Exception&) {
      strip->SetSize(0, 0);
    }
  };
  load(enabled_strip_.get(), numeric_ ? "EN_NUMERIC" : "EN_IMAGES");
  load(disabled_strip_.get(), numeric_ ? "DI_NUMERIC" : "DI_IMAGES");
}

void TVrNavigator::UpdateFlags() {
  for (int i = 0; i < 10; ++i) {
    const auto b = static_cast<TVrButtonType>(i);
    flags_[static_cast<std::size_t>(i)] = {visible_buttons_.Contains(b), enabled_buttons_.Contains(b)};
  }
}

void TVrNavigator::SetVisibleButtons(TVrButtonSet Value) {
  visible_buttons_ = Value * VrAllButtons;
  UpdateFlags();
  UpdateControlCanvas();
}

void TVrNavigator::SetEnabledButtons(TVrButtonSet Value) {
  enabled_buttons_ = Value * VrAllButtons;
  UpdateFlags();
  UpdateControlCanvas();
}

void TVrNavigator::SetSpacing(int Value) {
  if (Value == spacing_) return;
  spacing_ = Value;
  UpdateControlCanvas();
}

void TVrNavigator::SetFocusColor(TColor Value) {
  if (Value == focus_color_) return;
  focus_color_ = Value;
  UpdateControlCanvas();
}

void TVrNavigator::SetBorderColor(TColor Value) {
  if (Value == border_color_) return;
  border_color_ = Value;
  UpdateControlCanvas();
}

void TVrNavigator::SetNumeric(bool Value) {
  if (Value == numeric_) return;
  numeric_ = Value;
  LoadStrips();
  UpdateControlCanvas();
}

int TVrNavigator::VisibleCount() const {
  int n = 0;
  for (const Flags& f : flags_) n += f.visible ? 1 : 0;
  return n == 0 ? 1 : n;
}

void TVrNavigator::CalcCellSizes() {
  inner_rect_ = ClientRect();
  bevel_->GetVisibleArea(inner_rect_);
  const int n = VisibleCount();
  const int gaps = (n - 1) * spacing_;
  const int inner_w = inner_rect_.right - inner_rect_.left;
  const int inner_h = inner_rect_.bottom - inner_rect_.top;
  if (orientation_ == voHorizontal) {
    button_width_ = (inner_w - gaps) / n;
    button_height_ = inner_h;
    if (n >= 2) {
      const int width = 2 * inner_rect_.left + n * button_width_ + gaps;
      if (width != Width()) {
        SetWidth(width);
        inner_rect_ = ClientRect();
        bevel_->GetVisibleArea(inner_rect_);
      }
    }
  } else {
    button_width_ = inner_w;
    button_height_ = (inner_h - gaps) / n;
    if (n >= 2) {
      const int height = 2 * inner_rect_.top + n * button_height_ + gaps;
      if (height != Height()) {
        SetHeight(height);
        inner_rect_ = ClientRect();
        bevel_->GetVisibleArea(inner_rect_);
      }
    }
  }
}

TRect TVrNavigator::ButtonRect(int Index) const {
  TPoint p = Point(inner_rect_.left, inner_rect_.top);
  for (int i = 0; i < Index && i < 10; ++i) {
    if (!IsVisible(i)) continue;
    if (orientation_ == voHorizontal) {
      p.x += button_width_ + spacing_;
    } else {
      p.y += button_height_ + spacing_;
    }
  }
  return Bounds(p.x, p.y, button_width_, button_height_);
}

int TVrNavigator::ButtonAt(int X, int Y) const {
  for (int i = 0; i < 10; ++i) {
    if (!IsVisible(i)) continue;
    const TRect r = ButtonRect(i);
    if (X >= r.left && X < r.right && Y >= r.top && Y < r.bottom) return i;
  }
  return -1;
}

void TVrNavigator::Paint() {
  CalcCellSizes();
  ClearBitmapCanvas();
  UseBitmapCanvas();
  TRect r = ClientRect();
  bevel_->Paint(DestCanvas(), r);
  for (int i = 0; i < 10; ++i) {
    if (IsVisible(i)) DrawButton(i, DestCanvas());
  }
  UseControlCanvas();
  TVrCustomImageControl::Paint();
}

void TVrNavigator::DrawButton(int Index, TCanvas* Canvas) {
  const int cw = button_width_, ch = button_height_;
  // Cells of no size have nothing to show.
  if (cw <= 0 || ch <= 0) return;
  button_image_->SetSize(cw, ch);
  TCanvas* c = button_image_->Canvas();
  const bool pressed = down_ && Index == pressed_index_;
  DrawGradient(c, Rect(2, 2, cw - 2, ch - 2), pressed ? clBtnFace : clBtnHighlight,
               pressed ? clBtnHighlight : clBtnShadow, 0, std::max(2, ch / 10));
  TBitmap* strip = IsEnabled(Index) ? enabled_strip_.get() : disabled_strip_.get();
  const int gw = strip->Width() / 10, gh = strip->Height();
  if (gw > 0 && gh > 0) {
    int x = cw / 2 - gw / 2, y = ch / 2 - gh / 2;
    if (pressed) {
      ++x;
      ++y;
    }
    DrawTransparentBitmap(c, Bounds(x, y, gw, gh), strip, Bounds(Index * gw, 0, gw, gh), VrGlyphTransparentColor);
  }
  c->Brush()->SetColor(has_focus_ && Index == focus_index_ ? focus_color_ : border_color_);
  c->FrameRect(Rect(0, 0, cw, ch));
  TRect inner = Rect(1, 1, cw - 1, ch - 1);
  if (pressed) {
    DrawFrame3D(c, inner, clBtnShadow, clBtnFace, 1);
  } else {
    DrawFrame3DTopCorner(c, inner, clBtnHighlight, clBtnShadow, 1);
  }
  const TRect dest = ButtonRect(Index);
  BitBlt(Canvas->Handle(), dest.left, dest.top, cw, ch, c->Handle(), 0, 0, SRCCOPY);
}

void TVrNavigator::RedrawButton(int Index) {
  if (!HandleAllocated() || !IsVisible(Index)) return;
  DrawButton(Index, Canvas());
}

void TVrNavigator::SetFocusIndex(int Index) {
  if (Index == focus_index_) return;
  const int old = focus_index_;
  focus_index_ = static_cast<std::uint8_t>(Index);
  RedrawButton(old);
  RedrawButton(Index);
}

void TVrNavigator::Loaded() {
  TVrCustomImageControl::Loaded();
  // The width trim at once, so the form's layout sees the final size.
  CalcCellSizes();
  for (int i = 0; i < 10; ++i) {
    if (IsVisible(i)) {
      focus_index_ = pressed_index_ = static_cast<std::uint8_t>(i);
      break;
    }
  }
}

void TVrNavigator::SetOrientation(TVrOrientation Value) {
  if (Value == orientation_) return;
  if (button_width_ == 0 && button_height_ == 0) CalcCellSizes();
  orientation_ = Value;
  if (!ComponentState().Contains(csLoading)) {
    const int n = VisibleCount();
    int w, h;
    if (orientation_ == voVertical) {
      w = button_width_;
      h = n * (button_height_ + spacing_);
    } else {
      w = n * (button_width_ + spacing_);
      h = button_height_;
    }
    SetBounds(Left(), Top(), w + 2 * inner_rect_.left, h + 2 * inner_rect_.top);
  }
  UpdateControlCanvas();
}

void TVrNavigator::BevelChanged() {
  if (ComponentState().Contains(csLoading)) return;
  TRect area = ClientRect();
  bevel_->GetVisibleArea(area);
  const int mx = area.left, my = area.top;
  SetBounds(Left(), Top(), (inner_rect_.right - inner_rect_.left) + 2 * mx,
            (inner_rect_.bottom - inner_rect_.top) + 2 * my);
  UpdateControlCanvas();
}

void TVrNavigator::ButtonClick(TVrButtonType Button) {
  if (OnButtonClick) OnButtonClick(this, Button);
}

void TVrNavigator::LeftButtonDown(int X, int Y) {
  if (button_width_ == 0 && button_height_ == 0) CalcCellSizes();
  const int i = ButtonAt(X, Y);
  if (i < 0 || !IsEnabled(i)) return;
  pressed_index_ = static_cast<std::uint8_t>(i);
  if (TabStop() && CanFocus() && !Focused()) SetFocus();
  if (i != focus_index_) SetFocusIndex(i);
  tracking_ = true;
  down_ = true;
  RedrawButton(i);
  SetMouseCapture(true);
}

void TVrNavigator::KeyDown(Word& Key, TShiftState) {
  switch (Key) {
    case VK_SPACE:
      if (IsEnabled(focus_index_)) {
        pressed_index_ = focus_index_;
        down_ = true;
        RedrawButton(pressed_index_);
      }
      break;
    case VK_RIGHT:
      if (!down_) {
        int i = focus_index_;
        while (i < 9) {
          ++i;
          if (IsVisible(i)) break;
        }
        if (IsVisible(i)) SetFocusIndex(i);
      }
      break;
    case VK_LEFT:
      if (!down_) {
        int i = focus_index_;
        while (i > 0) {
          --i;
          if (IsVisible(i)) break;
        }
        if (IsVisible(i)) SetFocusIndex(i);
      }
      break;
    default:
      break;
  }
}

void TVrNavigator::KeyUp(Word& Key, TShiftState) {
  if (Key == VK_SPACE && down_ && IsEnabled(focus_index_)) {
    down_ = false;
    RedrawButton(pressed_index_);
    ButtonClick(static_cast<TVrButtonType>(pressed_index_));
  }
}

void TVrNavigator::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      LeftButtonDown(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      return;
    case WM_MOUSEMOVE:
      if (tracking_) {
        const TRect r = ButtonRect(pressed_index_);
        const int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
        const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        if (inside != down_) {
          down_ = inside;
          RedrawButton(pressed_index_);
        }
      }
      return;
    case WM_LBUTTONUP:
      SetMouseCapture(false);
      if (tracking_) {
        tracking_ = false;
        if (down_) {
          down_ = false;
          RedrawButton(pressed_index_);
          ButtonClick(static_cast<TVrButtonType>(pressed_index_));
        }
      }
      return;
    case WM_CANCELMODE:
      tracking_ = false;
      if (down_) {
        down_ = false;
        RedrawButton(pressed_index_);
      }
      break;
    case WM_SETFOCUS:
      TVrCustomImageControl::Dispatch(Message);
      has_focus_ = true;
      RedrawButton(focus_index_);
      return;
    case WM_KILLFOCUS:
      has_focus_ = false;
      RedrawButton(focus_index_);
      TVrCustomImageControl::Dispatch(Message);
      return;
    default:
      break;
  }
  TVrCustomImageControl::Dispatch(Message);
}

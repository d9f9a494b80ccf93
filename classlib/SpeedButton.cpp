#include "classlib/SpeedButton.h"

#include "classlib/WinControl.h"
#include "platform/gdi/gdi.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle = {csCaptureMouse, csDoubleClicks};
  SetBounds(0, 0, 23, 22);
  SetColor(clBtnFace);
  SetParentColor(false);
  glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

bool TSpeedButton::Inside(int X, int Y) const { return X >= 0 && X < Width() && Y >= 0 && Y <= Height(); }

void TSpeedButton::SetGlyph(TBitmap* Value) {
  glyph_.SetGlyph(Value);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs Value) { glyph_.SetNumGlyphs(Value); }

void TSpeedButton::SetDown(bool Value) {
  if (group_index_ == 0) Value = false;
  if (Value == down_) return;
  if (down_ && !allow_all_up_) return;
  down_ = Value;
  if (Value) {
    if (state_ == bsUp) Invalidate();
    state_ = bsExclusive;
    UpdateExclusive();
  } else {
    state_ = bsUp;
    Repaint();
  }
}

void TSpeedButton::SetGroupIndex(int Value) {
  if (group_index_ == Value) return;
  group_index_ = Value;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
  if (allow_all_up_ == Value) return;
  allow_all_up_ = Value;
  UpdateExclusive();
}

void TSpeedButton::SetFlat(bool Value) {
  if (flat_ == Value) return;
  flat_ = Value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
  if (layout_ == Value) return;
  layout_ = Value;
  Invalidate();
}

void TSpeedButton::SetMargin(int Value) {
  if (margin_ == Value || Value < -1) return;
  margin_ = Value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int Value) {
  if (spacing_ == Value) return;
  spacing_ = Value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  if (Value) {
    ControlStyle.Exclude(csOpaque);
  } else {
    ControlStyle.Include(csOpaque);
  }
  Invalidate();
}

// The other buttons of the group on the same parent let go.
void TSpeedButton::UpdateExclusive() {
  if (group_index_ == 0 || Parent() == nullptr) return;
  TMessage message;
  message.Msg = CM_BUTTONPRESSED;
  message.WParam = static_cast<WPARAM>(group_index_);
  message.LParam = reinterpret_cast<LPARAM>(this);
  Parent()->Broadcast(message);
}

void TSpeedButton::UpdateTracking() {
  if (!flat_ || !Enabled()) return;
  POINT p{};
  GetCursorPos(&p);
  bool inside = false;
  if (Parent() != nullptr && Parent()->HandleAllocated()) {
    const TPoint local = ScreenToClient(TPoint{p.x, p.y});
    inside = local.x >= 0 && local.x < Width() && local.y >= 0 && local.y < Height();
  }
  if (inside != mouse_in_control_) {
    mouse_in_control_ = inside;
    Invalidate();
  }
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!dragging_) {
    UpdateTracking();
    return;
  }
  TButtonState next = down_ ? bsExclusive : bsUp;
  if (Inside(X, Y)) next = down_ ? bsExclusive : bsDown;
  if (next != state_) {
    state_ = next;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!dragging_) return;
  dragging_ = false;
  const bool do_click = Inside(X, Y);
  if (group_index_ == 0) {
    // A plain button springs back.
    state_ = bsUp;
    mouse_in_control_ = false;
    Invalidate();
  } else if (do_click) {
    SetDown(!down_);
    if (down_) Repaint();
  } else {
    if (down_) state_ = bsExclusive;
    Repaint();
  }
  if (do_click) Click();
  UpdateTracking();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::Paint() {
  if (!Enabled()) {
    state_ = bsDisabled;
    dragging_ = false;
  } else if (state_ == bsDisabled) {
    state_ = down_ && group_index_ != 0 ? bsExclusive : bsUp;
  }
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  TRect paint_rect = Rect(0, 0, Width(), Height());
  const bool pressed = state_ == bsDown || state_ == bsExclusive;
  if (!flat_) {
    UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (pressed) flags |= DFCS_PUSHED;
    DrawFrameControl(canvas->Handle(), &paint_rect, DFC_BUTTON, flags);
  } else {
    if (pressed || (mouse_in_control_ && state_ != bsDisabled)) {
      DrawEdge(canvas->Handle(), &paint_rect, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
               (transparent_ ? 0 : BF_MIDDLE) | BF_RECT);
    } else if (!transparent_) {
      canvas->Brush()->SetColor(Color());
      canvas->FillRect(paint_rect);
    }
    InflateRect(&paint_rect, -1, -1);
  }
  TPoint offset{0, 0};
  if (pressed) {
    if (state_ == bsExclusive && (!flat_ || !mouse_in_control_)) {
      canvas->Brush()->SetBitmap(AllocPatternBitmap(clBtnFace, clBtnHighlight));
      canvas->FillRect(paint_rect);
      canvas->Brush()->SetBitmap(nullptr);
    }
    offset = Point(1, 1);
  }
  glyph_.Draw(canvas, paint_rect, offset, Caption(), layout_, margin_, spacing_, state_, transparent_);
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_BUTTONPRESSED:
      if (static_cast<int>(Message.WParam) == group_index_) {
        auto* sender = reinterpret_cast<TSpeedButton*>(Message.LParam);
        if (sender != this) {
          if (sender->Down() && down_) {
            down_ = false;
            state_ = bsUp;
            Invalidate();
          }
          allow_all_up_ = sender->AllowAllUp();
        }
      }
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && Enabled() && Visible() && Parent() != nullptr &&
          Parent()->Showing()) {
        Click();
        Message.Result = 1;
      }
      return;
    case CM_ENABLEDCHANGED:
      UpdateTracking();
      Repaint();
      return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      return;
    case CM_MOUSEENTER:
      TGraphicControl::Dispatch(Message);
      if (flat_ && !mouse_in_control_ && Enabled() && GetCapture() == nullptr) {
        mouse_in_control_ = true;
        Repaint();
      }
      return;
    case CM_MOUSELEAVE:
      TGraphicControl::Dispatch(Message);
      if (flat_ && mouse_in_control_ && Enabled() && !dragging_) {
        mouse_in_control_ = false;
        Invalidate();
      }
      return;
  }
  TGraphicControl::Dispatch(Message);
}

#include "classlib/Label.h"

#include "platform/gdi/gdi.h"

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  ControlStyle += TControlStyle{csOpaque, csReplicatable};
  SetBounds(0, 0, 65, 17);
  TControl::SetAutoSize(true);
}

UINT TCustomLabel::TextFlags() const {
  UINT flags = DT_EXPANDTABS;
  if (word_wrap_) flags |= DT_WORDBREAK;
  switch (alignment_) {
    case taLeftJustify:
      flags |= DT_LEFT;
      break;
    case taRightJustify:
      flags |= DT_RIGHT;
      break;
    case taCenter:
      flags |= DT_CENTER;
      break;
  }
  return DrawTextBiDiModeFlags(flags);
}

void TCustomLabel::DoDrawText(TRect& Rect, UINT Flags) {
  String text = Caption();
  // An empty caption (or a lone "&") still takes a line.
  if ((Flags & DT_CALCRECT) && (text.empty() || (show_accel_char_ && text == "&"))) text += ' ';
  if (!show_accel_char_) Flags |= DT_NOPREFIX;
  Canvas()->SetFont(Font());
  if (!Enabled()) {
    OffsetRect(&Rect, 1, 1);
    Canvas()->Font()->SetColor(clBtnHighlight);
    DrawText(Canvas()->Handle(), text.c_str(), static_cast<int>(text.size()), &Rect, Flags);
    OffsetRect(&Rect, -1, -1);
    Canvas()->Font()->SetColor(clBtnShadow);
  }
  DrawText(Canvas()->Handle(), text.c_str(), static_cast<int>(text.size()), &Rect, Flags);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  if (!transparent_) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(ClientRect());
  }
  canvas->Brush()->SetStyle(bsClear);
  TRect rect = ClientRect();
  const UINT flags = TextFlags();
  if (layout_ != tlTop) {
    TRect measured = rect;
    DoDrawText(measured, flags | DT_CALCRECT);
    const int offset = layout_ == tlBottom ? Height() - measured.bottom : (Height() - measured.bottom) / 2;
    OffsetRect(&rect, 0, offset);
  }
  DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  TRect rect = ClientRect();
  HDC dc = GetDC(nullptr);
  Canvas()->SetHandle(dc);
  DoDrawText(rect, (TextFlags() & ~static_cast<UINT>(DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
  Canvas()->SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
  int x = Left();
  // A label whose text stands at its right keeps its right edge.
  if ((alignment_ == taRightJustify) != UseRightToLeftAlignment()) x += Width() - rect.right;
  SetBounds(x, Top(), rect.right, rect.bottom);
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (AutoSize() == Value) return;
  TControl::SetAutoSize(Value);
  AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (layout_ == Value) return;
  layout_ = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (word_wrap_ == Value) return;
  word_wrap_ = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (transparent_ == Value) return;
  transparent_ = Value;
  if (Value) {
    ControlStyle.Exclude(csOpaque);
  } else {
    ControlStyle.Include(csOpaque);
  }
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (show_accel_char_ == Value) return;
  show_accel_char_ = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  focus_control_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && focus_control_ != nullptr && AComponent == static_cast<TComponent*>(focus_control_)) {
    focus_control_ = nullptr;
  }
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      AdjustBounds();
      return;
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(Message);
      AdjustBounds();
      return;
    case CM_DIALOGCHAR:
      // The accelerator moves the focus to the control the label names.
      if (focus_control_ != nullptr && Enabled() && show_accel_char_ &&
          IsAccel(static_cast<Word>(Message.WParam), Caption()) && focus_control_->CanFocus()) {
        focus_control_->SetFocus();
        Message.Result = 1;
      }
      return;
  }
  TGraphicControl::Dispatch(Message);
}

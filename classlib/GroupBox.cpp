#include "classlib/GroupBox.h"

#include "platform/gdi/gdi.h"

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable};
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  // Measured on the screen, so that laying out needs no window yet.
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SIZE size{};
  GetTextExtentPoint(dc, "0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  Rect.top += size.cy;
  InflateRect(&Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  const int h = canvas->TextHeight("0");
  // An etched frame: a light one, and a dark one a pixel up and left.
  TRect r = Rect(1, h / 2, Width(), Height());
  canvas->Brush()->SetColor(clBtnHighlight);
  canvas->FrameRect(r);
  OffsetRect(&r, -1, -1);
  canvas->Brush()->SetColor(clBtnShadow);
  canvas->FrameRect(r);
  const String text = Caption();
  if (!text.empty()) {
    RECT t{8, 0, 0, h};
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &t, DT_SINGLELINE | DT_CALCRECT);
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    DrawText(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &t, DT_SINGLELINE);
  }
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<Word>(Message.WParam), Caption()) && CanFocus()) {
        if (TWinControl* first = FindNextControl(nullptr, true, true, false)) first->SetFocus();
        Message.Result = 1;
        return;
      }
      break;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      Realign();
      Invalidate();
      return;
  }
  TCustomControl::Dispatch(Message);
}

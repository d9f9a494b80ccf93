#include "classlib/Panel.h"

#include "platform/gdi/gdi.h"

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas->Pen()->SetWidth(1);
  --Rect.bottom;
  --Rect.right;
  while (Width-- > 0) {
    Canvas->Pen()->SetColor(TopColor);
    Canvas->Polyline({Point(Rect.left, Rect.bottom), Point(Rect.left, Rect.top), Point(Rect.right, Rect.top)});
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->Polyline({Point(Rect.right, Rect.top), Point(Rect.right, Rect.bottom), Point(Rect.left - 1, Rect.bottom)});
    InflateRect(&Rect, -1, -1);
  }
  ++Rect.bottom;
  ++Rect.right;
}

namespace {

void BevelColors(TPanelBevel bevel, TColor& top, TColor& bottom) {
  top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
  bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}

}  // namespace

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                  csOpaque,          csDoubleClicks, csReplicatable};
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (border_style_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  // The bevels are drawn at the edges: a new size repaints it all.
  Params.WindowClass.style |= CS_HREDRAW | CS_VREDRAW;
}

void TCustomPanel::Changed() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel Value) {
  if (bevel_inner_ == Value) return;
  bevel_inner_ = Value;
  Changed();
}

void TCustomPanel::SetBevelOuter(TPanelBevel Value) {
  if (bevel_outer_ == Value) return;
  bevel_outer_ = Value;
  Changed();
}

void TCustomPanel::SetBevelWidth(int Value) {
  if (bevel_width_ == Value) return;
  bevel_width_ = Value;
  Changed();
}

void TCustomPanel::SetBorderWidth(int Value) {
  if (border_width_ == Value) return;
  border_width_ = Value;
  Changed();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (border_style_ == Value) return;
  border_style_ = Value;
  RecreateWnd();
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  int size = border_width_;
  if (bevel_outer_ != bvNone) size += bevel_width_;
  if (bevel_inner_ != bvNone) size += bevel_width_;
  InflateRect(&Rect, -size, -size);
}

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  TColor top = clNone;
  TColor bottom = clNone;
  if (bevel_outer_ != bvNone) {
    BevelColors(bevel_outer_, top, bottom);
    Frame3D(canvas, rect, top, bottom, bevel_width_);
  }
  Frame3D(canvas, rect, Color(), Color(), border_width_);
  if (bevel_inner_ != bvNone) {
    BevelColors(bevel_inner_, top, bottom);
    Frame3D(canvas, rect, top, bottom, bevel_width_);
  }
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(rect);
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  const int font_height = canvas->TextHeight("W");
  rect.top = (rect.bottom + rect.top - font_height) / 2;
  rect.bottom = rect.top + font_height;
  UINT flags = DT_EXPANDTABS | DT_VCENTER;
  flags |= alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
  const String caption = Caption();
  DrawText(canvas->Handle(), caption.c_str(), -1, &rect, flags);
}

void TCustomPanel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_BORDERCHANGED) {
    Invalidate();
    return;
  }
  TCustomControl::Dispatch(Message);
}

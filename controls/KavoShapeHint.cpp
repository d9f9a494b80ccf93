#include "controls/KavoShapeHint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "classlib/Application.h"
#include "classlib/Screen.h"
#include "controls/ControlPack.h"
#include "controls/VrFunctions.h"
#include "platform/gdi/paths.h"
#include "platform/user/user.h"

TKavoCustomShapeHint* ActiveShapeHint = nullptr;

// --- 3-D captions ---

TKavo3DCaption::TKavo3DCaption() : light_color_(clBtnHighlight), shadow_color_(clBtnShadow) {}

void TKavo3DCaption::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TKavo3DCaption*>(Source);
  if (!other || typeid(*other) != typeid(*this)) {
    TKavoObject::Assign(Source);
    return;
  }
  disabled_style_ = other->disabled_style_;
  light_depth_ = other->light_depth_;
  shadow_depth_ = other->shadow_depth_;
  light_color_ = other->light_color_;
  orientation_ = other->orientation_;
  shadow_color_ = other->shadow_color_;
  style_ = other->style_;
  tracing_ = other->tracing_;
  Changed();
}

String TKavo3DCaption::DisplayText() const {
  static const char* const kWords[] = {"Disabled",      "sunken", "raised",  "sunken shadow", "raised shadow",
                                       "PColor sunken", "",       "shadow",  "outline",       "extrude",
                                       "extrude enh"};
  return "{" + String(kWords[style_]) + "}";
}

void TKavoFxCaption::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TKavoFxCaption*>(Source);
  if (other) {
    angle_ = other->angle_;
    pos_x_ = other->pos_x_;
    pos_y_ = other->pos_y_;
  }
  TKavo3DCaption::Assign(Source);
}

String TKavoFxCaption::DisplayText() const {
  String text = TKavo3DCaption::DisplayText();
  if (angle_ == 0) return text;
  if (Style() == tdNone) {
    text = "{";
  } else {
    text.back() = ',';
  }
  return text + " rot: " + std::to_string(angle_) + "}";
}

TKavoShadow::TKavoShadow() : color_(clBtnShadow) {}

void TKavoShadow::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Changed();
}

void TKavoShadow::SetDepth(TKavoShadowDepth Value) {
  if (Value == depth_) return;
  depth_ = Value;
  Changed();
}

void TKavoShadow::SetStyle(TKavoShadowStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Changed();
}

String TKavoShadow::DisplayText() const {
  if (style_ == hssNone) return "{Disabled}";
  return "{" + String(style_ == hssSolid ? "solid" : "tracing") + ", " + std::to_string(depth_) + "}";
}

// --- the text painter ---

int StyleOffset(TKavo3DCaption* Caption) {
  if (!Caption) return 0;
  const int l = Caption->LightDepth(), s = Caption->ShadowDepth();
  switch (Caption->Style()) {
    case tdSunken:
    case tdRaised: return l;
    case tdSunkenShadow:
    case tdRaisedShadow:
    case tdPColorSunken:
    case tdPColorRaised: return l + s;
    case tdShadow:
    case tdOutline:
    case tdExtrude:
    case tdExtrudeEnh: return s;
    default: return 0;
  }
}

namespace {

// One pass of the painter: the text at `offset` from the rectangle's place
// in `color`.
struct Pass {
  TPoint step;
  TColor color;
};

TColor Blend(TColor from, TColor to, double t) {
  const TColor a = ResolveColor(from), b = ResolveColor(to);
  auto channel = [&](int shift) { return ((a >> shift) & 255) + (((b >> shift) & 255) - ((a >> shift) & 255)) * t; };
  return MakeColor(channel(0), channel(8), channel(16));
}

void DrawTextAt(HDC dc, const String& text, const TRect& r, TPoint at, UINT format, TKavo3DCaption* caption,
                bool rotated) {
  if (rotated) {
    auto* fx = static_cast<TKavoFxCaption*>(caption);
    TextOut(dc, r.left + at.x + fx->PosX(), r.top + at.y + fx->PosY(), text.c_str(), static_cast<int>(text.size()));
    return;
  }
  TRect moved = r;
  OffsetRect(&moved, at.x, at.y);
  if (auto* fx = dynamic_cast<TKavoFxCaption*>(caption)) OffsetRect(&moved, fx->PosX(), fx->PosY());
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &moved, format);
}

}  // namespace

void Draw3DText(TCanvas* Canvas, const String& Text, TKavo3DCaption* Caption, const TRect& ClipRect,
                TKavoDrawFlags Flags, UINT Format, TRect R) {
  Canvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
  HDC dc = Canvas->Handle();
  const int saved = SaveDC(dc);
  if (Flags.Contains(dfClip)) {
    const TRect clip = IsRectEmpty(&ClipRect) ? R : ClipRect;
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  }
  SetBkMode(dc, TRANSPARENT);
  auto* fx = dynamic_cast<TKavoFxCaption*>(Caption);
  const bool rotated = fx != nullptr && fx->Angle() != 0;
  HFONT rotated_font = nullptr;
  if (rotated) {
    LOGFONT lf{};
    GetObject(Canvas->Font()->Handle(), sizeof lf, &lf);
    lf.lfEscapement = fx->Angle() * 10;
    lf.lfOrientation = lf.lfEscapement;
    rotated_font = CreateFontIndirect(&lf);
    SelectObject(dc, rotated_font);
  }
  const int old_extra = Caption ? SetTextCharacterExtra(dc, Caption->Tracing()) : 0;

  TKavoThreeDStyle style = Caption ? Caption->Style() : tdNone;
  TColor text_color = Canvas->Font()->Color();
  if (style == tdPColorSunken || style == tdPColorRaised) text_color = Canvas->Brush()->Color();
  const bool disabled = Flags.Contains(dfDisabled) && (!Caption || Caption->DisabledStyle() != dsNone);
  if (disabled) {
    text_color = clGrayText;
    if (Caption && (Caption->DisabledStyle() == ds3d ||
                    (Caption->DisabledStyle() == dsAuto && Flags.Contains(dfDisabled3D)))) {
      style = tdSunken;
    }
  }
  const int l = Caption ? Caption->LightDepth() : 0;
  const int s = Caption ? Caption->ShadowDepth() : 0;
  const TColor light = Caption ? Caption->LightColor() : clBtnHighlight;
  const TColor shadow = Caption ? Caption->ShadowColor() : clBtnShadow;

  std::vector<Pass> passes;
  int shrink = 0;
  switch (style) {
    case tdSunken:
      passes = {{{l, l}, light}, {{-l, -l}, text_color}};
      shrink = l;
      break;
    case tdRaised:
      passes = {{{0, 0}, light}, {{l, l}, text_color}};
      shrink = l;
      break;
    case tdSunkenShadow:
    case tdPColorSunken:
      passes = {{{0, 0}, shadow}, {{s + l, s + l}, light}, {{-l, -l}, text_color}};
      shrink = l + s;
      break;
    case tdRaisedShadow:
    case tdPColorRaised:
      passes = {{{l + s, l + s}, shadow}, {{-l - s, -l - s}, light}, {{l, l}, text_color}};
      shrink = l + s;
      break;
    case tdShadow:
      passes = {{{s, s}, shadow}, {{-s, -s}, text_color}};
      shrink = s;
      break;
    case tdExtrude:
    case tdExtrudeEnh: {
      TPoint step{};
      switch (Caption->Orientation()) {
        case toBottomLeft: step = {1, -1}; OffsetRect(&R, 0, s + 1); break;
        case toBottomRight: step = {-1, -1}; OffsetRect(&R, s + 1, s + 1); break;
        case toTopLeft: step = {1, 1}; break;
        case toTopRight: step = {-1, 1}; OffsetRect(&R, s + 1, 0); break;
      }
      for (int i = s - 1; i >= 0; --i) {
        const TColor c = style == tdExtrudeEnh ? Blend(shadow, light, s > 0 ? static_cast<double>(i) / s : 0) : shadow;
        passes.push_back({step, c});
      }
      passes.push_back({{0, 0}, text_color});
      break;
    }
    case tdOutline:
      break;
    case tdNone:
    default:
      passes = {{{0, 0}, text_color}};
      break;
  }
  R.bottom -= shrink;
  if (style == tdOutline) {
    // The characters' outlines, stroked with a pen of the shadow depth.
    BeginPath(dc);
    DrawTextAt(dc, Text, R, Point(s / 2, s / 2), Format, Caption, rotated);
    EndPath(dc);
    HPEN pen = CreatePen(PS_SOLID, s, static_cast<COLORREF>(ColorToRGB(text_color)));
    HGDIOBJ old_pen = SelectObject(dc, pen);
    StrokePath(dc);
    SelectObject(dc, old_pen);
    DeleteObject(pen);
  }
  TPoint at{0, 0};
  for (const Pass& p : passes) {
    at.x += p.step.x;
    at.y += p.step.y;
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(p.color)));
    DrawTextAt(dc, Text, R, at, Format, Caption, rotated);
  }
  if (Caption) SetTextCharacterExtra(dc, old_extra);
  RestoreDC(dc, saved);
  if (rotated_font) DeleteObject(rotated_font);
  Canvas->Refresh();
}

void MeasureText(const String& Text, TKavo3DCaption* Caption, TRect& R, UINT Format, TFont* Font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  if (Caption) SetTextCharacterExtra(dc, Caption->Tracing());
  DrawText(dc, Text.c_str(), static_cast<int>(Text.size()), &R, Format | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteDC(dc);
  const int grow = StyleOffset(Caption);
  GrowRect(R, grow, grow);
  auto* fx = dynamic_cast<TKavoFxCaption*>(Caption);
  if (fx && fx->Angle() != 0) RotatedBounds(R, fx->Angle());
}

int GetFontHeight(TFont* Font) {
  if (!Font) return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  SIZE size{};
  const bool ok = GetTextExtentPoint32(dc, "W", 1, &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  return ok ? size.cy : 0;
}

// --- the hint components ---

TKavoCustomHint::TKavoCustomHint(TComponent* AOwner)
    : TKavoCustomComponent(AOwner), font_(std::make_unique<TFont>()), font3d_(std::make_unique<TKavo3DCaption>()) {
  ControlPackStartup();
  font_->SetName("MS Sans Serif");
  font_->SetSize(8);
  font_->SetColor(clInfoText);
}

TKavoCustomHint::~TKavoCustomHint() = default;

void TKavoCustomHint::SetEnabled(bool Value) {
  enabled_ = Value;
  if (ComponentState().Contains(csDesigning)) return;
  ::HintWindowClass = Value && HintWindowClass ? HintWindowClass : HintWindowClassOf<THintWindow>();
  if (Application) {
    Application->SetShowHint(false);
    Application->SetShowHint(true);
  }
}

void TKavoCustomHint::Loaded() {
  TKavoCustomComponent::Loaded();
  if (enabled_) SetEnabled(true);
}

TKavoCustomShapeHint::TKavoCustomShapeHint(TComponent* AOwner)
    : TKavoCustomHint(AOwner), shadow_(std::make_unique<TKavoShadow>()) {}

TKavoCustomShapeHint::~TKavoCustomShapeHint() {
  if (ActiveShapeHint == this) ActiveShapeHint = nullptr;
}

TKavoShapeHint::TKavoShapeHint(TComponent* AOwner) : TKavoCustomShapeHint(AOwner) {
  HintWindowClass = HintWindowClassOf<TKavoShapeHintWindow>();
  if (ComponentState().Contains(csDesigning) &&
      TKavoApplication::CheckOnePerForm<TKavoShapeHint>(AOwner, true)) {
    throw KavoEOneInstError(ClassName(), 0);
  }
}

TKavoShapeHint::~TKavoShapeHint() {
  if (ActiveShapeHint == this) ActiveShapeHint = nullptr;
}

void TKavoShapeHint::SetEnabled(bool Value) {
  if (Value) {
    ActiveShapeHint = this;
  } else if (ActiveShapeHint == this) {
    ActiveShapeHint = nullptr;
  }
  TKavoCustomShapeHint::SetEnabled(Value);
}

// --- the window ---

TKavoShapeHintWindow::TKavoShapeHintWindow(TComponent* AOwner)
    : THintWindow(AOwner), image_(std::make_unique<TBitmap>()) {}

TKavoShapeHintWindow::~TKavoShapeHintWindow() {
  if (HandleAllocated() && IsWindowVisible(Handle()) && ActiveShapeHint && ActiveShapeHint->OnCloseHintWindow) {
    ActiveShapeHint->OnCloseHintWindow(ActiveShapeHint);
  }
}

void TKavoShapeHintWindow::CreateParams(TCreateParams& Params) {
  THintWindow::CreateParams(Params);
  Params.Style = WS_POPUP | WS_DISABLED;
}

void TKavoShapeHintWindow::ReleaseHandle() {
  const bool was_visible = HandleAllocated() && IsWindowVisible(Handle());
  THintWindow::ReleaseHandle();
  if (was_visible && ActiveShapeHint && ActiveShapeHint->OnCloseHintWindow) {
    ActiveShapeHint->OnCloseHintWindow(ActiveShapeHint);
  }
}

void TKavoShapeHintWindow::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  THintWindow::Dispatch(Message);
}

void TKavoShapeHintWindow::Paint() {
  if (!shaped_ || !ActiveShapeHint) {
    THintWindow::Paint();
    return;
  }
  // The picture made when the hint was shown (the window has no other
  // content).
  BitBlt(Canvas()->Handle(), 0, 0, image_->Width(), image_->Height(), image_->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TKavoShapeHintWindow::CalcShapeRect(TRect& R) {
  TKavoCustomShapeHint* hint = ActiveShapeHint;
  const int d = hint ? hint->Shadow()->Depth() : 0;
  const int w = R.right - R.left, h = R.bottom - R.top;
  switch (hint ? hint->Style : hsRect) {
    case hsRect: GrowRect(R, d, d); break;
    case hsRoundRect: GrowRect(R, d + 8, d + 4); break;
    case hsEllipse: GrowRect(R, w / 3 + d, h / 3 + d); break;
    case hsNoseRect:
    case hsNoseRoundRect:
      if (w < 46) R.right = R.left + 46;
      GrowRect(R, d + 23, d + 18);
      break;
    case hsNoseEllipse: GrowRect(R, w / 2 + d + 15, h / 2 + d + 15); break;
  }
}

namespace {

// The point of the ellipse in `r` at `degrees` (0 at the top, clockwise).
TPoint EllipsePoint(const TRect& r, double degrees) {
  const double a = degrees * M_PI / 180.0;
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  const double rx = (r.right - r.left) / 2.0, ry = (r.bottom - r.top) / 2.0;
  return Point(static_cast<LONG>(std::lround(cx + rx * std::sin(a))), static_cast<LONG>(std::lround(cy - ry * std::cos(a))));
}

}  // namespace

TKavoShapeHintWindow::Geometry TKavoShapeHintWindow::ShapeGeometry(int W, int H, TKavoHintPosition Position,
                                                                    const TRect& R) const {
  TKavoCustomShapeHint* hint = ActiveShapeHint;
  Geometry g;
  const int D = hint ? hint->Shadow()->Depth() : 0;
  const TKavoHintStyle style = hint ? hint->Style : hsRect;
  g.body = Rect(0, 0, W - D, H - D);
  g.nose = style == hsNoseRect || style == hsNoseRoundRect || style == hsNoseEllipse;
  if (g.nose) {
    switch (Position) {
      case hpAboveLeft:
        g.body = Rect(0, 0, W - D - 15, H - D - 15);
        g.base = Point(W - D - 55, H - D - 16);
        g.tip = Point(W - D, H - D);
        g.text_shift = Point(4, 4);
        g.nose_angle = 125;
        break;
      case hpAboveRight:
        g.body = Rect(15, 0, W - D, H - D - 15);
        g.base = Point(25, H - D - 16);
        g.tip = Point(0, H - D);
        g.text_shift = Point(19, 4);
        g.nose_angle = 205;
        break;
      case hpBelowLeft:
        g.body = Rect(0, 15, W - D - 15, H - D);
        g.base = Point(W - D - 55, 16);
        g.tip = Point(W - D, 0);
        g.text_shift = Point(4, 19);
        g.nose_angle = 55;
        break;
      case hpBelowRight:
        g.body = Rect(15, 15, W - D, H - D);
        g.base = Point(25, 16);
        g.tip = Point(0, 0);
        g.text_shift = Point(19, 19);
        g.nose_angle = 335;
        break;
    }
  } else if (style == hsRect) {
    g.text_shift = Point(3, 3);
  } else if (style == hsRoundRect) {
    g.text_shift = Point(5, 5);
  } else {
    g.text_shift = Point((R.right - D) / 5 + 3, (R.bottom - D) / 5 + 3);
  }
  return g;
}

void TKavoShapeHintWindow::DrawShape(TBitmap* Bitmap, TKavoHintPosition Position, TRect& R) {
  TKavoCustomShapeHint* hint = ActiveShapeHint;
  if (!hint) return;
  TCanvas* c = Bitmap->Canvas();
  const int W = Bitmap->Width(), H = Bitmap->Height();
  const int D = hint->Shadow()->Depth();
  const TKavoHintStyle style = hint->Style;

  // The body rectangle, the nose (base start, tip) and where the text goes.
  const Geometry g = ShapeGeometry(W, H, Position, R);
  const TRect body = g.body;
  const TPoint base = g.base, tip = g.tip, text_shift = g.text_shift;
  const bool nose = g.nose;
  const double nose_angle = g.nose_angle;

  // Draws the whole shape offset by (dx, dy) with the canvas's tools.
  auto shape = [&](TCanvas* canvas, int dx, int dy, bool seam) {
    TRect b = body;
    OffsetRect(&b, dx, dy);
    switch (style) {
      case hsRect:
      case hsNoseRect: canvas->Rectangle(b); break;
      case hsRoundRect:
      case hsNoseRoundRect: canvas->RoundRect(b.left, b.top, b.right, b.bottom, 16, 16); break;
      case hsEllipse:
      case hsNoseEllipse: canvas->Ellipse(b); break;
    }
    if (!nose) return;
    TPoint p1 = base, p2 = Point(base.x + 30, base.y);
    if (style == hsNoseEllipse) {
      p1 = EllipsePoint(body, nose_angle - 10);
      p2 = EllipsePoint(body, nose_angle + 10);
    }
    const TPoint t = Point(tip.x + dx, tip.y + dy);
    p1.x += dx;
    p1.y += dy;
    p2.x += dx;
    p2.y += dy;
    canvas->Polygon({p1, t, p2});
    if (seam) {
      // No border between the nose and the body.
      const TColor pen = canvas->Pen()->Color();
      canvas->Pen()->SetColor(hint->Color);
      canvas->MoveTo(p1.x, p1.y);
      canvas->LineTo(p2.x, p2.y);
      canvas->Pen()->SetColor(pen);
    }
  };

  if (hint->Shadow()->Style() != hssNone) {
    const TColor shadow_color = hint->Shadow()->Color();
    if (hint->Shadow()->Style() == hssSolid) {
      c->Pen()->SetStyle(psClear);
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(shadow_color);
      shape(c, D, D, false);
    } else {
      // The checkerboard shadow: drawn on white, then copied with its
      // white squares left out, so the screen shows between them.
      TBitmap mask;
      mask.SetSize(W, H);
      TCanvas* m = mask.Canvas();
      m->Brush()->SetColor(clWhite);
      m->FillRect(Rect(0, 0, W, H));
      m->Pen()->SetStyle(psClear);
      m->Brush()->SetBitmap(KavoApplication ? KavoApplication->GetPatternBitmap(shadow_color) : nullptr);
      shape(m, D, D, false);
      m->Brush()->SetBitmap(nullptr);
      c->Brush()->SetStyle(bsClear);
      c->BrushCopy(Rect(0, 0, W, H), &mask, Rect(0, 0, W, H), clWhite);
    }
  }
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(hint->BorderColor);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(hint->Color);
  shape(c, 0, 0, true);

  if (style == hsNoseEllipse) {
    // The text in the middle of the ellipse.
    const int tw = R.right - R.left, th = R.bottom - R.top;
    R = Bounds((body.left + body.right - tw) / 2, (body.top + body.bottom - th) / 2, tw, th);
  } else {
    OffsetRect(&R, text_shift.x, text_shift.y);
  }
}

void TKavoShapeHintWindow::ShapeWindow(TKavoHintPosition Position, const TRect& Text) {
  // The shape drawn twice, over black and over white: a pixel the shape
  // covers is the same in both; the rest (between the squares of a
  // dotted shadow too) is left out of the window.
  const int w = image_->Width(), h = image_->Height();
  TBitmap over[2];
  for (int i = 0; i < 2; ++i) {
    over[i].SetPixelFormat(pf32bit);
    over[i].SetSize(w, h);
    over[i].Canvas()->Brush()->SetStyle(bsSolid);
    over[i].Canvas()->Brush()->SetColor(i == 0 ? clBlack : clWhite);
    over[i].Canvas()->FillRect(::Rect(0, 0, w, h));
    TRect text = Text;
    DrawShape(&over[i], Position, text);
  }
  std::vector<RECT> runs;
  for (int y = 0; y < h; ++y) {
    int start = -1;
    for (int x = 0; x <= w; ++x) {
      const bool inside = x < w && over[0].Canvas()->Pixels(x, y) == over[1].Canvas()->Pixels(x, y);
      if (inside && start < 0) start = x;
      if (!inside && start >= 0) {
        runs.push_back(RECT{start, y, x, y + 1});
        start = -1;
      }
    }
  }
  std::vector<char> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* region_data = reinterpret_cast<RGNDATA*>(data.data());
  region_data->rdh = RGNDATAHEADER{};
  region_data->rdh.nCount = static_cast<DWORD>(runs.size());
  region_data->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
  region_data->rdh.rcBound = RECT{0, 0, w, h};
  if (!runs.empty()) std::memcpy(data.data() + sizeof(RGNDATAHEADER), runs.data(), runs.size() * sizeof(RECT));
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region_data);
  if (region != nullptr && SetWindowRgn(Handle(), region, TRUE) == 0) DeleteObject(region);
}

void TKavoShapeHintWindow::ActivateHint(TRect Rect, const String& AHint) {
  TKavoCustomShapeHint* hint = ActiveShapeHint;
  const bool anchored = Rect.right == -1 && Rect.bottom == -1;
  if (!hint) {
    shaped_ = false;
    if (HandleAllocated()) SetWindowRgn(Handle(), nullptr, TRUE);
    if (anchored) return;
    THintWindow::ActivateHint(Rect, AHint);
    return;
  }
  POINT p{};
  if (anchored) {
    p = Point(Rect.left, Rect.top);
  } else {
    GetCursorPos(&p);
  }
  SetCaption(AHint);
  const std::int64_t screen_w = Screen ? Screen->Width() : 1024;
  const std::int64_t screen_h = Screen ? Screen->Height() : 768;
  std::int64_t limit = hint->MaxWidth;
  if (limit < 0) limit = screen_w / -limit;  // 64 bits: the most negative width does not overflow
  limit = std::clamp<std::int64_t>(limit, 1, std::numeric_limits<int>::max());

  TRect r = ::Rect(0, 0, static_cast<int>(limit), 0);
  MeasureText(AHint, hint->Font3D(), r, DT_WORDBREAK | DT_NOPREFIX, hint->Font());
  // An empty text still gets a line's room.
  r.bottom = std::max<LONG>(r.bottom, r.top + GetFontHeight(hint->Font()));
  r.right = std::max<LONG>(r.right, r.left + 1);
  TRect text = r;
  CalcShapeRect(r);
  // Room for the whole text inside the border: the body must hold the
  // text rectangle where the shape puts it, a pixel clear of the outline.
  {
    const TRect text_at_origin = Bounds(0, 0, text.right - text.left, text.bottom - text.top);
    for (int tries = 0; tries < 64; ++tries) {
      const Geometry g = ShapeGeometry(r.right - r.left, r.bottom - r.top, hint->Position, text_at_origin);
      TRect placed = text_at_origin;
      if (hint->Style == hsNoseEllipse) break;
      OffsetRect(&placed, g.text_shift.x, g.text_shift.y);
      const int short_x = placed.right - (g.body.right - 2);
      const int short_y = placed.bottom - (g.body.bottom - 2);
      if (short_x <= 0 && short_y <= 0) break;
      GrowRect(r, std::max(0, short_x), std::max(0, short_y));
    }
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  TKavoHintPosition pos = hint->Position;
  TPoint corner{};
  for (int i = 0; i < 4; ++i) {
    switch (pos) {
      case hpAboveLeft: corner = Point(p.x - 1 - w, p.y - 1 - h); break;
      case hpAboveRight: corner = Point(p.x + 1, p.y - 1 - h); break;
      case hpBelowLeft: corner = Point(p.x - 3 - w, p.y + 1); break;
      case hpBelowRight: corner = Point(p.x + 6, p.y + 1); break;
    }
    const bool fits = corner.x >= 0 && corner.y >= 0 && corner.x + w <= screen_w && corner.y + h <= screen_h;
    if (fits || i == 3) break;
    pos = static_cast<TKavoHintPosition>((pos + 1) % 4);
  }
  shown_position_ = pos;

  // The screen beneath the window's place, before the window shows there.
  image_->SetPixelFormat(pf32bit);
  image_->SetSize(w, h);
  HDC screen = GetDC(nullptr);
  BitBlt(image_->Canvas()->Handle(), 0, 0, w, h, screen, corner.x, corner.y, SRCCOPY);
  ReleaseDC(nullptr, screen);
  shaped_ = true;
  ShapeWindow(pos, text);

  SetWindowPos(Handle(), HWND_TOPMOST, corner.x, corner.y, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  UpdateBounds();

  DrawShape(image_.get(), pos, text);
  TCanvas* c = image_->Canvas();
  c->Brush()->SetColor(hint->Color);
  c->SetFont(hint->Font());
  Draw3DText(c, AHint, hint->Font3D(), TRect{}, {}, KavoHintTextFormat, text);
  Invalidate();
  Update();
}

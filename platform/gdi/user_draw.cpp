// The window system's drawing helpers: FillRect, FrameRect, InvertRect,
// DrawFocusRect, DrawEdge and DrawFrameControl.
#include <algorithm>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

using namespace platform::gdi;
using platform::Region;

namespace {

// Drawing in logical units of one DC, ignoring its mix mode.
class Painter {
 public:
  bool Open(HDC handle) {
    dc_ = LookupDC(handle);
    if (!dc_) return false;
    if (!dc_->Pixels(&store_)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    return true;
  }
  DeviceContext& dc() { return *dc_; }
  const PixelStore& store() const { return store_; }
  RECT ToSurface(const RECT& r) const {
    return RECT{dc_->SurfaceX(r.left), dc_->SurfaceY(r.top), dc_->SurfaceX(r.right), dc_->SurfaceY(r.bottom)};
  }
  void Fill(const RECT& r, const Paint& paint, Mix mix = Mix{}) { FillRect(store_, dc_->Clip(), ToSurface(r), paint, mix); }
  void Fill(const RECT& r, COLORREF color) { Fill(r, SolidPaint(store_, color)); }
  void FillSys(const RECT& r, int index) { Fill(r, GetSysColor(index)); }
  // A shape given in logical units.
  void FillShape(Region shape, COLORREF color) {
    shape.Offset(dc_->SurfaceX(0), dc_->SurfaceY(0));
    FillRegion(store_, dc_->Clip(), shape, SolidPaint(store_, color), Mix{});
  }
  void Polygon(const std::vector<POINT>& points, COLORREF color) {
    FillShape(PolygonRegion(points.data(), static_cast<int>(points.size()), WINDING), color);
  }

 private:
  std::shared_ptr<DeviceContext> dc_;
  PixelStore store_;
};

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// One border of a 3-D edge: top and left in `topLeft`, bottom and right in
// `bottomRight`, shrinking the rectangle on the sides drawn.
void DrawBorder(Painter& p, RECT& r, UINT sides, COLORREF topLeft, COLORREF bottomRight) {
  if (Empty(r)) return;
  if (sides & BF_TOP) p.Fill(RECT{r.left, r.top, (sides & BF_RIGHT) ? r.right - 1 : r.right, r.top + 1}, topLeft);
  if (sides & BF_LEFT) p.Fill(RECT{r.left, r.top, r.left + 1, (sides & BF_BOTTOM) ? r.bottom - 1 : r.bottom}, topLeft);
  if (sides & BF_RIGHT) p.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  if (sides & BF_BOTTOM) p.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  if (sides & BF_TOP) ++r.top;
  if (sides & BF_LEFT) ++r.left;
  if (sides & BF_RIGHT) --r.right;
  if (sides & BF_BOTTOM) --r.bottom;
}

BOOL EdgeOn(Painter& p, RECT* rect, UINT edge, UINT flags) {
  RECT r = *rect;
  UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  COLORREF outerTL = 0, outerBR = 0, innerTL = 0, innerBR = 0;
  if (flags & BF_MONO) {
    outerTL = outerBR = GetSysColor(COLOR_WINDOWFRAME);
    innerTL = innerBR = GetSysColor(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    outerTL = outerBR = GetSysColor(COLOR_BTNSHADOW);
    innerTL = innerBR = GetSysColor(COLOR_BTNFACE);
  } else {
    bool soft = (flags & BF_SOFT) != 0;
    if (outer & BDR_RAISEDOUTER) {
      outerTL = GetSysColor(soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
      outerBR = GetSysColor(COLOR_3DDKSHADOW);
    } else {
      outerTL = GetSysColor(soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
      outerBR = GetSysColor(COLOR_BTNHIGHLIGHT);
    }
    if (inner & BDR_RAISEDINNER) {
      innerTL = GetSysColor(soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
      innerBR = GetSysColor(COLOR_BTNSHADOW);
    } else {
      innerTL = GetSysColor(soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
      innerBR = GetSysColor(COLOR_3DLIGHT);
    }
  }
  UINT sides = flags & BF_RECT;
  if (outer) DrawBorder(p, r, sides, outerTL, outerBR);
  if (inner) DrawBorder(p, r, sides, innerTL, innerBR);
  if ((flags & BF_MIDDLE) && !Empty(r)) p.FillSys(r, (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

// ------------------------------------------------------ frame controls

RECT Square(const RECT& r) {
  LONG side = std::min(r.right - r.left, r.bottom - r.top);
  LONG x = r.left + (r.right - r.left - side) / 2, y = r.top + (r.bottom - r.top - side) / 2;
  return RECT{x, y, x + side, y + side};
}

void DrawCheckMark(Painter& p, const RECT& box, COLORREF color) {
  // A tick 7 pixels wide and 3 thick, scaled to the box.
  LONG side = std::min(box.right - box.left, box.bottom - box.top);
  LONG unit = std::max<LONG>(1, side / 7);
  LONG x0 = box.left + (box.right - box.left - 7 * unit) / 2;
  LONG y0 = box.top + (box.bottom - box.top - 7 * unit) / 2;
  static const int rise[7] = {2, 3, 4, 3, 2, 1, 0};  // top of each column, in units
  for (int i = 0; i < 7; ++i) {
    p.Fill(RECT{x0 + i * unit, y0 + rise[i] * unit, x0 + (i + 1) * unit, y0 + (rise[i] + 3) * unit}, color);
  }
}

void DrawArrow(Painter& p, const RECT& r, int direction, COLORREF color) {
  // direction: 0 up, 1 down, 2 left, 3 right
  LONG side = std::min(r.right - r.left, r.bottom - r.top);
  LONG half = std::max<LONG>(2, side / 4);
  LONG cx = r.left + (r.right - r.left) / 2, cy = r.top + (r.bottom - r.top) / 2;
  std::vector<POINT> tri;
  switch (direction) {
    case 0: tri = {{cx - half, cy + half / 2 + 1}, {cx + half + 1, cy + half / 2 + 1}, {cx, cy - half / 2 - 1}}; break;
    case 1: tri = {{cx - half, cy - half / 2}, {cx + half + 1, cy - half / 2}, {cx, cy + half / 2 + 2}}; break;
    case 2: tri = {{cx + half / 2 + 1, cy - half}, {cx + half / 2 + 1, cy + half + 1}, {cx - half / 2 - 1, cy}}; break;
    default: tri = {{cx - half / 2, cy - half}, {cx - half / 2, cy + half + 1}, {cx + half / 2 + 2, cy}}; break;
  }
  p.Polygon(tri, color);
}

void DrawCaptionGlyph(Painter& p, const RECT& r, UINT kind, COLORREF color) {
  LONG w = r.right - r.left, h = r.bottom - r.top;
  LONG side = std::min(w, h);
  LONG g = std::max<LONG>(6, side * 8 / 14);  // glyph box
  LONG x = r.left + (w - g) / 2, y = r.top + (h - g) / 2;
  switch (kind) {
    case DFCS_CAPTIONCLOSE: {
      // Two crossing bands two pixels thick.
      for (LONG i = 0; i < g; ++i) {
        p.Fill(RECT{x + i, y + i, x + i + 2, y + i + 1}, color);
        p.Fill(RECT{x + g - 2 - i, y + i, x + g - i, y + i + 1}, color);
      }
      break;
    }
    case DFCS_CAPTIONMIN:
      p.Fill(RECT{x + 1, y + g - 2, x + g - 2, y + g}, color);
      break;
    case DFCS_CAPTIONMAX:
      p.Fill(RECT{x, y, x + g, y + 2}, color);
      p.Fill(RECT{x, y + 2, x + 1, y + g}, color);
      p.Fill(RECT{x + g - 1, y + 2, x + g, y + g}, color);
      p.Fill(RECT{x, y + g - 1, x + g, y + g}, color);
      break;
    case DFCS_CAPTIONRESTORE: {
      LONG s = g * 2 / 3;
      // The back window, then the front one over it.
      p.Fill(RECT{x + g - s, y, x + g, y + 2}, color);
      p.Fill(RECT{x + g - 1, y + 2, x + g, y + s}, color);
      p.Fill(RECT{x + g - s, y + 2, x + g - s + 1, y + g - s}, color);
      LONG fy = y + g - s;
      p.Fill(RECT{x, fy, x + s, fy + 2}, color);
      p.Fill(RECT{x, fy + 2, x + 1, y + g}, color);
      p.Fill(RECT{x + s - 1, fy + 2, x + s, y + g}, color);
      p.Fill(RECT{x, y + g - 1, x + s, y + g}, color);
      break;
    }
    case DFCS_CAPTIONHELP: {
      LONG cx = x + g / 2;
      p.Fill(RECT{cx - 2, y, cx + 2, y + 2}, color);
      p.Fill(RECT{cx + 1, y + 1, cx + 3, y + g / 2}, color);
      p.Fill(RECT{cx - 1, y + g / 2 - 1, cx + 1, y + g * 3 / 4}, color);
      p.Fill(RECT{cx - 1, y + g - 2, cx + 1, y + g}, color);
      break;
    }
  }
}

BOOL ButtonControl(Painter& p, RECT* rect, UINT state) {
  UINT kind = state & 0x1F;
  bool inactive = (state & DFCS_INACTIVE) != 0;
  bool pushed = (state & DFCS_PUSHED) != 0;
  bool checked = (state & DFCS_CHECKED) != 0;
  if (kind & DFCS_BUTTONPUSH) {
    RECT r = *rect;
    UINT edge = (pushed || checked) ? EDGE_SUNKEN : EDGE_RAISED;
    if (state & DFCS_FLAT) edge = (pushed || checked) ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
    EdgeOn(p, &r, edge, BF_RECT | BF_SOFT | BF_ADJUST | ((state & DFCS_MONO) ? BF_MONO : 0));
    if (!(state & DFCS_TRANSPARENT)) p.FillSys(r, COLOR_BTNFACE);
    if (state & DFCS_ADJUSTRECT) *rect = r;
    return TRUE;
  }
  RECT box = Square(*rect);
  COLORREF mark = GetSysColor(inactive ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
  COLORREF back = GetSysColor((inactive || pushed) ? COLOR_BTNFACE : COLOR_WINDOW);
  if (kind & DFCS_BUTTONRADIO) {
    LONG s = box.right - box.left;
    Region outer = EllipseRegion(box);
    Region inner = EllipseRegion(RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1});
    Region core = EllipseRegion(RECT{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2});
    Region upperLeft = platform::Region(RECT{box.left, box.top, box.right, box.top + s / 2});
    upperLeft = Region::Combine(upperLeft, Region(RECT{box.left, box.top, box.left + s / 2, box.bottom}), Region::Op::Or);
    Region ring1 = Region::Combine(outer, inner, Region::Op::Diff);
    Region ring2 = Region::Combine(inner, core, Region::Op::Diff);
    p.FillShape(Region::Combine(ring1, upperLeft, Region::Op::And), GetSysColor(COLOR_BTNSHADOW));
    p.FillShape(Region::Combine(ring1, upperLeft, Region::Op::Diff), GetSysColor(COLOR_BTNHIGHLIGHT));
    p.FillShape(Region::Combine(ring2, upperLeft, Region::Op::And), GetSysColor(COLOR_3DDKSHADOW));
    p.FillShape(Region::Combine(ring2, upperLeft, Region::Op::Diff), GetSysColor(COLOR_3DLIGHT));
    p.FillShape(core, back);
    if (checked) {
      LONG d = std::max<LONG>(2, s / 3);
      LONG cx = box.left + (s - d) / 2, cy = box.top + (s - d) / 2;
      p.FillShape(EllipseRegion(RECT{cx, cy, cx + d, cy + d}), mark);
    }
    return TRUE;
  }
  // Check box (two- or three-state).
  RECT r = box;
  EdgeOn(p, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  bool indeterminate = (kind & DFCS_BUTTON3STATE) && checked;
  p.Fill(r, indeterminate ? GetSysColor(COLOR_BTNFACE) : back);
  if (checked) DrawCheckMark(p, r, indeterminate ? GetSysColor(COLOR_BTNSHADOW) : mark);
  return TRUE;
}

}  // namespace

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Painter p;
  if (!p.Open(handle)) return 0;
  std::shared_ptr<BrushObject> brush = ResolveBrush(brushHandle);
  if (!brush) return 0;
  p.Fill(*rect, RealizeBrush(p.dc(), *brush, p.store()));
  return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Painter p;
  if (!p.Open(handle)) return 0;
  std::shared_ptr<BrushObject> brush = ResolveBrush(brushHandle);
  if (!brush) return 0;
  const RECT& r = *rect;
  if (Empty(r)) return 1;
  Paint paint = RealizeBrush(p.dc(), *brush, p.store());
  p.Fill(RECT{r.left, r.top, r.right, r.top + 1}, paint);
  if (r.bottom - 1 > r.top) p.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, paint);
  p.Fill(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, paint);
  if (r.right - 1 > r.left) p.Fill(RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, paint);
  return 1;
}

BOOL InvertRect(HDC handle, const RECT* rect) {
  if (rect == nullptr) return FALSE;
  Painter p;
  if (!p.Open(handle)) return FALSE;
  p.Fill(*rect, Paint{}, Mix{5});  // ~D
  return TRUE;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  if (rect == nullptr) return FALSE;
  Painter p;
  if (!p.Open(handle)) return FALSE;
  const RECT& r = *rect;
  if (Empty(r)) return TRUE;
  // Every other pixel, in a checkerboard fixed to the device origin.
  Paint dots;
  dots.width = dots.height = 2;
  std::uint32_t all = p.store().Mask();
  dots.values = {all, 0, 0, all};
  dots.drawn = {1, 0, 0, 1};
  dots.originX = p.dc().origin.x;
  dots.originY = p.dc().origin.y;
  Mix invert{6};  // P xor D
  p.Fill(RECT{r.left, r.top, r.right, r.top + 1}, dots, invert);
  if (r.bottom - 1 > r.top) p.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, dots, invert);
  p.Fill(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, dots, invert);
  if (r.right - 1 > r.left) p.Fill(RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, dots, invert);
  return TRUE;
}

BOOL DrawEdge(HDC handle, RECT* rect, UINT edge, UINT flags) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (flags & BF_DIAGONAL) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  Painter p;
  if (!p.Open(handle)) return FALSE;
  return EdgeOn(p, rect, edge, flags);
}

BOOL DrawFrameControl(HDC handle, RECT* rect, UINT type, UINT state) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Painter p;
  if (!p.Open(handle)) return FALSE;
  if (Empty(*rect)) return TRUE;
  bool pushed = (state & DFCS_PUSHED) != 0;
  bool inactive = (state & DFCS_INACTIVE) != 0;
  switch (type) {
    case DFC_BUTTON:
      return ButtonControl(p, rect, state);
    case DFC_CAPTION:
    case DFC_SCROLL: {
      RECT r = *rect;
      UINT kind = state & 0xFF;
      if (type == DFC_SCROLL && kind == DFCS_SCROLLSIZEGRIP) {
        p.FillSys(r, COLOR_BTNFACE);
        LONG size = std::min(r.right - r.left, r.bottom - r.top);
        for (LONG d = 3; d < size; d += 4) {
          for (LONG i = 0; i < 2; ++i) {
            LONG k = d + i;
            COLORREF c = GetSysColor(i == 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
            for (LONG j = 0; j <= k && j < size; ++j) {
              p.Fill(RECT{r.right - 1 - k + j, r.bottom - 1 - j, r.right - k + j, r.bottom - j}, c);
            }
          }
        }
        return TRUE;
      }
      UINT edge = pushed ? EDGE_SUNKEN : EDGE_RAISED;
      UINT edgeFlags = BF_RECT | BF_MIDDLE | BF_ADJUST | (pushed ? 0u : BF_SOFT);
      if (state & DFCS_FLAT) {
        edge = BDR_SUNKENOUTER;
        edgeFlags |= BF_FLAT;
      }
      EdgeOn(p, &r, edge, edgeFlags);
      if (pushed) OffsetRect(&r, 1, 1);
      COLORREF ink = GetSysColor(COLOR_BTNTEXT);
      auto glyph = [&](COLORREF color, LONG shift) {
        RECT g = r;
        OffsetRect(&g, shift, shift);
        if (type == DFC_CAPTION) {
          DrawCaptionGlyph(p, g, kind, color);
        } else {
          int direction = kind == DFCS_SCROLLCOMBOBOX ? 1 : static_cast<int>(std::min<UINT>(kind, 3));
          DrawArrow(p, g, direction, color);
        }
      };
      if (inactive) {
        glyph(GetSysColor(COLOR_BTNHIGHLIGHT), 1);
        glyph(GetSysColor(COLOR_BTNSHADOW), 0);
      } else {
        glyph(ink, 0);
      }
      return TRUE;
    }
    case DFC_MENU: {
      RECT r = *rect;
      UINT kind = state & 0xFF;
      COLORREF ink = RGB(0, 0, 0);
      p.Fill(r, RGB(255, 255, 255));
      if (kind == DFCS_MENUCHECK) {
        DrawCheckMark(p, r, ink);
      } else if (kind == DFCS_MENUBULLET) {
        RECT s = Square(r);
        LONG d = std::max<LONG>(2, (s.right - s.left) / 3);
        LONG cx = s.left + (s.right - s.left - d) / 2, cy = s.top + (s.bottom - s.top - d) / 2;
        p.FillShape(EllipseRegion(RECT{cx, cy, cx + d, cy + d}), ink);
      } else {
        DrawArrow(p, r, 3, ink);
      }
      return TRUE;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

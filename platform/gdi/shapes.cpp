// Lines, figures and single pixels.
//
// Pixel rules: a figure's bounding rectangle excludes its right and bottom
// edges; a one-pixel pen draws inside it and the brush fills what the pen
// leaves; with a null pen the brush fills the rectangle less its right and
// bottom pixel rows. Lines leave out their last point. A pen wider than one
// pixel draws a solid band centred on the outline (inside it for
// PS_INSIDEFRAME), with round ends and joins on lines.
#include <algorithm>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

using namespace platform::gdi;
using platform::Region;

namespace {

struct Canvas {
  std::shared_ptr<DeviceContext> dc;
  PixelStore store;
};

bool Open(HDC handle, Canvas* canvas) {
  canvas->dc = LookupDC(handle);
  if (!canvas->dc) return false;
  if (!canvas->dc->Pixels(&canvas->store)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

struct PenInfo {
  bool none = true;
  int width = 1;
  UINT style = PS_SOLID;
  COLORREF color = 0;
};

PenInfo CurrentPen(const DeviceContext& dc) {
  PenInfo info;
  const PenObject* pen = dc.state.pen.get();
  if (!pen || pen->log.lopnStyle == PS_NULL) return info;
  info.none = false;
  info.width = std::max<LONG>(1, pen->log.lopnWidth.x);
  info.style = pen->log.lopnStyle;
  info.color = pen->dcPen ? dc.state.dcPenColor : pen->log.lopnColor;
  return info;
}

std::vector<POINT> ToSurface(const DeviceContext& dc, const POINT* points, int count) {
  std::vector<POINT> out(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out[static_cast<std::size_t>(i)] = {dc.SurfaceX(points[i].x), dc.SurfaceY(points[i].y)};
  return out;
}

bool PointsInRange(const POINT* points, int count) {
  for (int i = 0; i < count; ++i) {
    if (std::abs(points[i].x) > Region::kCoordinateLimit || std::abs(points[i].y) > Region::kCoordinateLimit) {
      return false;
    }
  }
  return true;
}

// Strokes a polyline (surface coordinates) with the DC's pen.
void Stroke(Canvas& c, const std::vector<POINT>& points) {
  PenInfo pen = CurrentPen(*c.dc);
  if (pen.none || points.size() < 2) return;
  Mix mix = Mix::FromRop2(c.dc->state.rop2);
  const Region& clip = c.dc->Clip();
  if (pen.width <= 1) {
    LinePen line(c.store, clip, c.store.FromColor(pen.color), mix, pen.style, c.dc->state.bkMode == OPAQUE,
                 c.store.FromColor(c.dc->state.bkColor));
    for (std::size_t i = 0; i + 1 < points.size(); ++i) line.Segment(points[i], points[i + 1]);
    return;
  }
  Region band = WideLineRegion(points.data(), static_cast<int>(points.size()), pen.width);
  FillRegion(c.store, clip, band, SolidPaint(c.store, pen.color), mix);
}

void FillWithBrush(Canvas& c, const Region& shape) {
  if (!c.dc->state.brush) return;
  Paint paint = RealizeBrush(*c.dc, *c.dc->state.brush, c.store);
  FillRegion(c.store, c.dc->Clip(), shape, paint, Mix::FromRop2(c.dc->state.rop2));
}

void FillWithPen(Canvas& c, const Region& shape, COLORREF color) {
  FillRegion(c.store, c.dc->Clip(), shape, SolidPaint(c.store, color), Mix::FromRop2(c.dc->state.rop2));
}

RECT SurfaceBox(const DeviceContext& dc, int left, int top, int right, int bottom) {
  RECT r{dc.SurfaceX(left), dc.SurfaceY(top), dc.SurfaceX(right), dc.SurfaceY(bottom)};
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

bool BoxInRange(const RECT& r) {
  return std::abs(r.left) <= Region::kCoordinateLimit && std::abs(r.right) <= Region::kCoordinateLimit &&
         std::abs(r.top) <= Region::kCoordinateLimit && std::abs(r.bottom) <= Region::kCoordinateLimit &&
         r.bottom - r.top <= (1 << 16) * 4;
}

RECT Deflate(RECT r, LONG d) { return RECT{r.left + d, r.top + d, r.right - d, r.bottom - d}; }

// Draws a closed figure given as a shape function of its bounding box:
// interior with the brush, outline with the pen.
template <class ShapeOf>
BOOL DrawFigure(HDC handle, int left, int top, int right, int bottom, ShapeOf shapeOf) {
  Canvas c;
  if (!Open(handle, &c)) return FALSE;
  RECT box = SurfaceBox(*c.dc, left, top, right, bottom);
  if (!BoxInRange(box)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (box.right <= box.left || box.bottom <= box.top) return TRUE;
  PenInfo pen = CurrentPen(*c.dc);
  if (pen.none) {
    FillWithBrush(c, shapeOf(RECT{box.left, box.top, box.right - 1, box.bottom - 1}, 0));
    return TRUE;
  }
  RECT outer = box;
  if (pen.width > 1 && pen.style != PS_INSIDEFRAME) outer = Deflate(box, -((pen.width - 1) / 2));
  Region outerShape = shapeOf(outer, 0);
  RECT innerBox = Deflate(outer, pen.width);
  Region inner = (innerBox.left < innerBox.right && innerBox.top < innerBox.bottom) ? shapeOf(innerBox, pen.width)
                                                                                   : Region();
  FillWithBrush(c, inner);
  FillWithPen(c, Region::Combine(outerShape, inner, Region::Op::Diff), pen.color);
  return TRUE;
}

}  // namespace

BOOL MoveToEx(HDC handle, int x, int y, POINT* old) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return FALSE;
  if (old) *old = dc->state.position;
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  Canvas c;
  if (!Open(handle, &c)) return FALSE;
  POINT pts[2] = {c.dc->state.position, POINT{x, y}};
  if (!PointsInRange(pts, 2)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Stroke(c, ToSurface(*c.dc, pts, 2));
  c.dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
  if (points == nullptr || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Canvas c;
  if (!Open(handle, &c)) return FALSE;
  if (!PointsInRange(points, count)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Stroke(c, ToSurface(*c.dc, points, count));
  return TRUE;
}

BOOL PolylineTo(HDC handle, const POINT* points, DWORD count) {
  if (points == nullptr || count == 0 || count > 1u << 24) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return FALSE;
  std::vector<POINT> all{dc->state.position};
  all.insert(all.end(), points, points + count);
  if (!Polyline(handle, all.data(), static_cast<int>(all.size()))) return FALSE;
  dc->state.position = points[count - 1];
  return TRUE;
}

BOOL Polygon(HDC handle, const POINT* points, int count) {
  if (points == nullptr || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Canvas c;
  if (!Open(handle, &c)) return FALSE;
  if (!PointsInRange(points, count)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<POINT> pts = ToSurface(*c.dc, points, count);
  FillWithBrush(c, PolygonRegion(pts.data(), count, c.dc->state.polyFillMode));
  pts.push_back(pts.front());
  Stroke(c, pts);
  return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  Canvas c;
  if (!Open(handle, &c)) return FALSE;
  PenInfo pen = CurrentPen(*c.dc);
  if (!pen.none && pen.width == 1 && pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME) {
    // A styled outline: the style pattern runs round the rectangle.
    RECT box = SurfaceBox(*c.dc, left, top, right, bottom);
    if (!BoxInRange(box)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    if (box.right <= box.left || box.bottom <= box.top) return TRUE;
    RECT inner = Deflate(box, 1);
    if (inner.left < inner.right && inner.top < inner.bottom) FillWithBrush(c, Region(inner));
    std::vector<POINT> outline{{box.left, box.top},
                               {box.right - 1, box.top},
                               {box.right - 1, box.bottom - 1},
                               {box.left, box.bottom - 1},
                               {box.left, box.top}};
    Stroke(c, outline);
    return TRUE;
  }
  return DrawFigure(handle, left, top, right, bottom, [](const RECT& r, int) { return Region(r); });
}

BOOL Ellipse(HDC handle, int left, int top, int right, int bottom) {
  return DrawFigure(handle, left, top, right, bottom, [](const RECT& r, int) { return EllipseRegion(r); });
}

BOOL RoundRect(HDC handle, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  int ew = std::abs(ellipseWidth), eh = std::abs(ellipseHeight);
  return DrawFigure(handle, left, top, right, bottom, [ew, eh](const RECT& r, int inset) {
    return RoundRectRegion(r, std::max(0, ew - 2 * inset), std::max(0, eh - 2 * inset));
  });
}

COLORREF GetPixel(HDC handle, int x, int y) {
  Canvas c;
  if (!Open(handle, &c)) return CLR_INVALID;
  LONG sx = c.dc->SurfaceX(x), sy = c.dc->SurfaceY(y);
  if (!c.dc->Clip().Contains(sx, sy)) return CLR_INVALID;
  return c.store.ToColor(c.store.Get(sx, sy));
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
  Canvas c;
  if (!Open(handle, &c)) return CLR_INVALID;
  LONG sx = c.dc->SurfaceX(x), sy = c.dc->SurfaceY(y);
  if (!c.dc->Clip().Contains(sx, sy)) return CLR_INVALID;
  std::uint32_t value = c.store.FromColor(color);
  c.store.Put(sx, sy, value);
  return c.store.ToColor(value);
}

BOOL SetPixelV(HDC handle, int x, int y, COLORREF color) {
  return SetPixel(handle, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

// Region handles: creation, combination, queries and painting.
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/gdi/device.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"

using namespace platform::gdi;
using platform::Region;

namespace {

bool InLimits(std::int64_t v) { return v >= -Region::kCoordinateLimit && v <= Region::kCoordinateLimit; }

bool RectInLimits(const RECT& r) {
  return InLimits(r.left) && InLimits(r.top) && InLimits(r.right) && InLimits(r.bottom);
}

RECT Ordered(int left, int top, int right, int bottom) {
  RECT r{left, top, right, bottom};
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

HRGN MakeRegion(Region region) {
  auto object = std::make_shared<RegionObject>();
  object->region = std::move(region);
  return static_cast<HRGN>(Register(object));
}

HRGN FailRegion() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  RECT r = Ordered(left, top, right, bottom);
  if (!RectInLimits(r)) return FailRegion();
  return MakeRegion(Region(r));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (rect == nullptr) return FailRegion();
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  RECT r = Ordered(left, top, right, bottom);
  if (!RectInLimits(r) || r.right - r.left > 65536 || r.bottom - r.top > 65536) return FailRegion();
  return MakeRegion(RoundRectRegion(r, std::abs(ellipseWidth), std::abs(ellipseHeight)));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  RECT r = Ordered(left, top, right, bottom);
  if (!RectInLimits(r) || r.bottom - r.top > 65536) return FailRegion();
  return MakeRegion(EllipseRegion(r));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
  if (rect == nullptr) return FailRegion();
  return CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (points == nullptr || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING)) return FailRegion();
  for (int i = 0; i < count; ++i) {
    if (!InLimits(points[i].x) || !InLimits(points[i].y)) return FailRegion();
  }
  return MakeRegion(PolygonRegion(points, count, fillMode));
}

HRGN ExtCreateRegion(const XFORM* transform, DWORD size, const RGNDATA* data) {
  if (data == nullptr || size < sizeof(RGNDATAHEADER)) return FailRegion();
  RGNDATAHEADER header;
  std::memcpy(static_cast<void*>(&header), data, sizeof header);
  if (header.dwSize != sizeof(RGNDATAHEADER) || header.iType != RDH_RECTANGLES) return FailRegion();
  std::uint64_t needed = sizeof(RGNDATAHEADER) + std::uint64_t{header.nCount} * sizeof(RECT);
  if (needed > size) return FailRegion();
  std::vector<RECT> rects(header.nCount);
  if (header.nCount) std::memcpy(rects.data(), data->Buffer, header.nCount * sizeof(RECT));
  if (transform) {
    if (transform->eM12 != 0 || transform->eM21 != 0) {
      SetLastError(ERROR_NOT_SUPPORTED);  // only scaling and moving
      return nullptr;
    }
    for (RECT& r : rects) {
      double l = r.left * transform->eM11 + transform->eDx, rr = r.right * transform->eM11 + transform->eDx;
      double t = r.top * transform->eM22 + transform->eDy, b = r.bottom * transform->eM22 + transform->eDy;
      if (!std::isfinite(l) || !std::isfinite(rr) || !std::isfinite(t) || !std::isfinite(b) ||
          std::fabs(l) > Region::kCoordinateLimit || std::fabs(rr) > Region::kCoordinateLimit ||
          std::fabs(t) > Region::kCoordinateLimit || std::fabs(b) > Region::kCoordinateLimit) {
        return FailRegion();
      }
      r = Ordered(static_cast<int>(std::lround(l)), static_cast<int>(std::lround(t)),
                  static_cast<int>(std::lround(rr)), static_cast<int>(std::lround(b)));
    }
  }
  for (const RECT& r : rects) {
    if (!RectInLimits(r)) return FailRegion();
  }
  return MakeRegion(Region::FromRects(rects.data(), rects.size()));
}

int CombineRgn(HRGN destHandle, HRGN src1Handle, HRGN src2Handle, int mode) {
  std::shared_ptr<RegionObject> dest = LookupAs<RegionObject>(destHandle);
  std::shared_ptr<RegionObject> a = LookupAs<RegionObject>(src1Handle);
  if (!dest || !a) return ERROR;
  if (mode == RGN_COPY) {
    dest->region = a->region;
    return dest->region.Complexity();
  }
  if (mode < RGN_AND || mode > RGN_DIFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR;
  }
  std::shared_ptr<RegionObject> b = LookupAs<RegionObject>(src2Handle);
  if (!b) return ERROR;
  static const Region::Op ops[] = {Region::Op::And, Region::Op::Or, Region::Op::Xor, Region::Op::Diff};
  dest->region = Region::Combine(a->region, b->region, ops[mode - RGN_AND]);
  return dest->region.Complexity();
}

BOOL EqualRgn(HRGN aHandle, HRGN bHandle) {
  std::shared_ptr<RegionObject> a = LookupAs<RegionObject>(aHandle);
  std::shared_ptr<RegionObject> b = LookupAs<RegionObject>(bHandle);
  if (!a || !b) return ERROR;
  return a->region == b->region ? TRUE : FALSE;
}

BOOL PtInRegion(HRGN handle, int x, int y) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  return r && r->region.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN handle, const RECT* rect) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r || rect == nullptr) return FALSE;
  return r->region.Intersects(Ordered(rect->left, rect->top, rect->right, rect->bottom)) ? TRUE : FALSE;
}

int GetRgnBox(HRGN handle, RECT* rect) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r || rect == nullptr) return ERROR;
  *rect = r->region.Bounds();
  return r->region.Complexity();
}

DWORD GetRegionData(HRGN handle, DWORD size, RGNDATA* data) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r) return 0;
  std::vector<RECT> rects = r->region.Rects();
  std::uint64_t needed = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
  if (needed > 0xFFFFFFFFu) return 0;
  if (data == nullptr) return static_cast<DWORD>(needed);
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  RGNDATAHEADER header;
  header.dwSize = sizeof(RGNDATAHEADER);
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(rects.size());
  header.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  header.rcBound = r->region.Bounds();
  std::memcpy(static_cast<void*>(data), &header, sizeof header);
  if (!rects.empty()) std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
  return size;
}

int OffsetRgn(HRGN handle, int dx, int dy) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r) return ERROR;
  if (!r->region.Offset(dx, dy)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR;
  }
  return r->region.Complexity();
}

BOOL SetRectRgn(HRGN handle, int left, int top, int right, int bottom) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r) return FALSE;
  RECT rect = Ordered(left, top, right, bottom);
  if (!RectInLimits(rect)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  r->region.SetRect(rect);
  return TRUE;
}

namespace {

// Paints a region (logical units) with a brush through a mix.
BOOL PaintRegionWith(HDC dcHandle, HRGN regionHandle, const std::shared_ptr<BrushObject>& brush, Mix mix,
                     bool invert) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  std::shared_ptr<RegionObject> region = LookupAs<RegionObject>(regionHandle);
  if (!dc || !region || (!brush && !invert)) return FALSE;
  PixelStore store;
  if (!dc->Pixels(&store)) return FALSE;
  Region shape = region->region;
  if (!shape.Offset(dc->SurfaceX(0), dc->SurfaceY(0))) return FALSE;
  Paint paint = invert ? Paint{} : RealizeBrush(*dc, *brush, store);
  FillRegion(store, dc->Clip(), shape, paint, mix);
  return TRUE;
}

}  // namespace

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  return PaintRegionWith(dc, region, ResolveBrush(brush), Mix{}, false);
}

BOOL PaintRgn(HDC dcHandle, HRGN region) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return FALSE;
  return PaintRegionWith(dcHandle, region, dc->state.brush, Mix::FromRop2(dc->state.rop2), false);
}

BOOL InvertRgn(HDC dc, HRGN region) { return PaintRegionWith(dc, region, nullptr, Mix{5}, true); }

BOOL FrameRgn(HDC dcHandle, HRGN regionHandle, HBRUSH brushHandle, int width, int height) {
  std::shared_ptr<RegionObject> region = LookupAs<RegionObject>(regionHandle);
  if (!region || width < 0 || height < 0) return FALSE;
  // The frame: the region minus the region shrunk by (width, height), where
  // shrinking keeps the pixels whose neighbourhood lies wholly inside.
  Region inner = region->region;
  if (width > 64 || height > 64) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (int dx = -width; dx <= width; ++dx) {
    for (int dy = -height; dy <= height; ++dy) {
      Region moved = region->region;
      moved.Offset(dx, dy);
      inner = Region::Combine(inner, moved, Region::Op::And);
    }
  }
  HRGN frame = MakeRegion(Region::Combine(region->region, inner, Region::Op::Diff));
  BOOL ok = FillRgn(dcHandle, frame, brushHandle);
  DeleteObject(frame);
  return ok;
}

namespace platform {

HRGN CreateRegionHandle(const Region& region) { return MakeRegion(region); }

bool RegionOfHandle(HRGN handle, Region* out) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r || out == nullptr) return false;
  *out = r->region;
  return true;
}

bool SetRegionOfHandle(HRGN handle, const Region& region) {
  std::shared_ptr<RegionObject> r = LookupAs<RegionObject>(handle);
  if (!r) return false;
  r->region = region;
  return true;
}

}  // namespace platform

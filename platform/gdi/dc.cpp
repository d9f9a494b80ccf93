// Device contexts: creation, attributes, saved states, coordinate origins
// and clipping, plus the window system's surface DCs.
#include <algorithm>
#include <cstring>
#include <utility>
#include <strings.h>

#include "platform/core/errors.h"
#include "platform/gdi/device.h"
#include "platform/gdi/objects.h"

using namespace platform::gdi;

namespace {

struct ScreenHolder {
  std::mutex mutex;
  std::shared_ptr<platform::Surface> surface;
};

ScreenHolder& Screen() {
  static ScreenHolder* holder = new ScreenHolder;
  return *holder;
}

std::shared_ptr<DeviceContext> NewDC(DeviceContext::Kind kind) {
  auto dc = std::make_shared<DeviceContext>(kind);
  dc->ResetState();
  return dc;
}

// The device area in device units (the whole target seen from the DC).
RECT DeviceArea(DeviceContext& dc) {
  SIZE size = dc.DeviceSize();
  return RECT{-dc.origin.x, -dc.origin.y, size.cx - dc.origin.x, size.cy - dc.origin.y};
}

int ClipComplexity(DeviceContext& dc) { return dc.Clip().Complexity(); }

// Combines the DC's clip region with `other` (device units).
int CombineClip(DeviceContext& dc, const platform::Region& other, platform::Region::Op op) {
  platform::Region current = dc.state.clip ? *dc.state.clip : platform::Region(DeviceArea(dc));
  dc.state.clip = platform::Region::Combine(current, other, op);
  dc.ClipChanged();
  return ClipComplexity(dc);
}

template <class T, class F>
T WithDC(HDC handle, T failure, F&& f) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return failure;
  return f(*dc);
}

}  // namespace

// ------------------------------------------------------------ creation

HDC CreateCompatibleDC(HDC reference) {
  if (reference != nullptr && !LookupDC(reference)) return nullptr;
  auto dc = NewDC(DeviceContext::Kind::Memory);
  dc->AttachBitmap(LookupAs<BitmapObject>(DefaultBitmapHandle()), DefaultBitmapHandle());
  return static_cast<HDC>(Register(dc));
}

HDC CreateDC(LPCSTR driver, LPCSTR, LPCSTR, const void*) {
  if (driver == nullptr || strcasecmp(driver, "DISPLAY") != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<platform::Surface> screen = platform::ScreenSurface();
  if (!screen) return nullptr;
  return platform::CreateSurfaceDC(screen, POINT{0, 0}, platform::Region(RECT{0, 0, screen->width(), screen->height()}));
}

BOOL DeleteDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return FALSE;
  if (dc->windowSystemDC) {
    SetLastError(ERROR_INVALID_HANDLE);  // window DCs go back through ReleaseDC
    return FALSE;
  }
  return platform::gdi::Unregister(reinterpret_cast<HGDIOBJ>(handle)) ? TRUE : FALSE;
}

int SaveDC(HDC handle) {
  return WithDC(handle, 0, [](DeviceContext& dc) {
    dc.saved.push_back(dc.state);
    return static_cast<int>(dc.saved.size());
  });
}

BOOL RestoreDC(HDC handle, int level) {
  return WithDC(handle, FALSE, [level](DeviceContext& dc) -> BOOL {
    int count = static_cast<int>(dc.saved.size());
    int index = level > 0 ? level - 1 : count + level;
    if (level == 0 || index < 0 || index >= count) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    DcState restored = std::move(dc.saved[static_cast<std::size_t>(index)]);
    dc.saved.resize(static_cast<std::size_t>(index));
    std::shared_ptr<BitmapObject> bitmap = restored.bitmap;
    HGDIOBJ bitmapHandle = restored.bitmapHandle;
    // Give up the bitmap selected now before taking back the saved one.
    dc.AttachBitmap(nullptr, nullptr);
    dc.state = std::move(restored);
    dc.state.bitmap = nullptr;
    dc.AttachBitmap(bitmap, bitmapHandle);
    return TRUE;
  });
}

int GetDeviceCaps(HDC handle, int index) {
  return WithDC(handle, 0, [index](DeviceContext& dc) -> int {
    SIZE screen = platform::ScreenSize();
    int bits = 32;
    if (dc.kind == DeviceContext::Kind::Memory && dc.state.bitmap) bits = dc.state.bitmap->declaredBits;
    switch (index) {
      case DRIVERVERSION: return 0x4000;
      case TECHNOLOGY: return DT_RASDISPLAY;
      case HORZSIZE: return screen.cx * 254 / 960;
      case VERTSIZE: return screen.cy * 254 / 960;
      case HORZRES:
      case DESKTOPHORZRES: return screen.cx;
      case VERTRES:
      case DESKTOPVERTRES: return screen.cy;
      case BITSPIXEL: return bits;
      case PLANES: return 1;
      case NUMBRUSHES:
      case NUMPENS: return -1;
      case NUMFONTS: return 0;
      case NUMCOLORS: return bits > 8 ? -1 : 1 << bits;
      case CURVECAPS: return 0x1FF;
      case LINECAPS: return 0xFE;
      case POLYGONALCAPS: return 0xFF;
      case TEXTCAPS: return 0x7800;
      case CLIPCAPS: return 1;
      case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
      case ASPECTX:
      case ASPECTY: return 36;
      case ASPECTXY: return 51;
      case LOGPIXELSX:
      case LOGPIXELSY: return 96;
      case SIZEPALETTE:
      case NUMRESERVED: return 0;
      case COLORRES: return 24;
      case VREFRESH: return 60;
      default: return 0;
    }
  });
}

// ----------------------------------------------------------- attributes

#define VELKO_DC_ATTRIBUTE(Setter, Getter, Type, field, failure)                               \
  Type Setter(HDC handle, Type value) {                                                         \
    return WithDC(handle, static_cast<Type>(failure),                                           \
                  [value](DeviceContext& dc) { return std::exchange(dc.state.field, value); }); \
  }                                                                                             \
  Type Getter(HDC handle) {                                                                     \
    return WithDC(handle, static_cast<Type>(failure), [](DeviceContext& dc) { return dc.state.field; }); \
  }

VELKO_DC_ATTRIBUTE(SetBkColor, GetBkColor, COLORREF, bkColor, CLR_INVALID)
VELKO_DC_ATTRIBUTE(SetTextColor, GetTextColor, COLORREF, textColor, CLR_INVALID)
#undef VELKO_DC_ATTRIBUTE

namespace {

// Setters of enumerated modes refuse values outside [low, high].
int SetMode(HDC handle, int value, int low, int high, int DcState::*field) {
  return WithDC(handle, 0, [=](DeviceContext& dc) -> int {
    if (value < low || value > high) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    return std::exchange(dc.state.*field, value);
  });
}

int GetMode(HDC handle, int DcState::*field) {
  return WithDC(handle, 0, [=](DeviceContext& dc) { return dc.state.*field; });
}

}  // namespace

int SetBkMode(HDC dc, int mode) { return SetMode(dc, mode, TRANSPARENT, OPAQUE, &DcState::bkMode); }
int GetBkMode(HDC dc) { return GetMode(dc, &DcState::bkMode); }
int SetROP2(HDC dc, int mode) { return SetMode(dc, mode, R2_BLACK, R2_WHITE, &DcState::rop2); }
int GetROP2(HDC dc) { return GetMode(dc, &DcState::rop2); }
int SetStretchBltMode(HDC dc, int mode) {
  return SetMode(dc, mode, BLACKONWHITE, HALFTONE, &DcState::stretchMode);
}
int GetStretchBltMode(HDC dc) { return GetMode(dc, &DcState::stretchMode); }
int SetPolyFillMode(HDC dc, int mode) { return SetMode(dc, mode, ALTERNATE, WINDING, &DcState::polyFillMode); }
int GetPolyFillMode(HDC dc) { return GetMode(dc, &DcState::polyFillMode); }

int SetMapMode(HDC handle, int mode) {
  return WithDC(handle, 0, [mode](DeviceContext&) -> int {
    if (mode != MM_TEXT) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return 0;
    }
    return MM_TEXT;
  });
}

int GetMapMode(HDC handle) {
  return WithDC(handle, 0, [](DeviceContext&) { return MM_TEXT; });
}

UINT SetTextAlign(HDC handle, UINT align) {
  return WithDC(handle, static_cast<UINT>(GDI_ERROR),
                [align](DeviceContext& dc) { return std::exchange(dc.state.textAlign, align); });
}

UINT GetTextAlign(HDC handle) {
  return WithDC(handle, static_cast<UINT>(GDI_ERROR), [](DeviceContext& dc) { return dc.state.textAlign; });
}

int SetTextCharacterExtra(HDC handle, int extra) {
  return WithDC(handle, static_cast<int>(0x80000000),
                [extra](DeviceContext& dc) { return std::exchange(dc.state.charExtra, extra); });
}

int GetTextCharacterExtra(HDC handle) {
  return WithDC(handle, static_cast<int>(0x80000000), [](DeviceContext& dc) { return dc.state.charExtra; });
}

// -------------------------------------------------------------- origins

namespace {

BOOL SetPoint(HDC handle, POINT DcState::*field, int x, int y, POINT* old, bool offset) {
  return WithDC(handle, FALSE, [=](DeviceContext& dc) -> BOOL {
    POINT& p = dc.state.*field;
    if (old) *old = p;
    if (offset) {
      p.x += x;
      p.y += y;
    } else {
      p = POINT{x, y};
    }
    return TRUE;
  });
}

BOOL GetPoint(HDC handle, POINT DcState::*field, POINT* out) {
  if (out == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return WithDC(handle, FALSE, [=](DeviceContext& dc) -> BOOL {
    *out = dc.state.*field;
    return TRUE;
  });
}

}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) { return SetPoint(dc, &DcState::viewportOrg, x, y, old, false); }
BOOL GetViewportOrgEx(HDC dc, POINT* origin) { return GetPoint(dc, &DcState::viewportOrg, origin); }
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  return SetPoint(dc, &DcState::viewportOrg, dx, dy, old, true);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) { return SetPoint(dc, &DcState::windowOrg, x, y, old, false); }
BOOL GetWindowOrgEx(HDC dc, POINT* origin) { return GetPoint(dc, &DcState::windowOrg, origin); }
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
  return SetPoint(dc, &DcState::windowOrg, dx, dy, old, true);
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) { return SetPoint(dc, &DcState::brushOrg, x, y, old, false); }
BOOL GetBrushOrgEx(HDC dc, POINT* origin) { return GetPoint(dc, &DcState::brushOrg, origin); }
BOOL GetCurrentPositionEx(HDC dc, POINT* position) { return GetPoint(dc, &DcState::position, position); }

BOOL LPtoDP(HDC handle, POINT* points, int count) {
  if (count < 0 || (count > 0 && points == nullptr)) return FALSE;
  return WithDC(handle, FALSE, [=](DeviceContext& dc) -> BOOL {
    for (int i = 0; i < count; ++i) points[i] = POINT{dc.DeviceX(points[i].x), dc.DeviceY(points[i].y)};
    return TRUE;
  });
}

BOOL DPtoLP(HDC handle, POINT* points, int count) {
  if (count < 0 || (count > 0 && points == nullptr)) return FALSE;
  return WithDC(handle, FALSE, [=](DeviceContext& dc) -> BOOL {
    for (int i = 0; i < count; ++i) {
      points[i].x += dc.state.windowOrg.x - dc.state.viewportOrg.x;
      points[i].y += dc.state.windowOrg.y - dc.state.viewportOrg.y;
    }
    return TRUE;
  });
}

// ------------------------------------------------------------- clipping

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC handle, HRGN regionHandle, int mode) {
  return WithDC(handle, static_cast<int>(ERROR), [=](DeviceContext& dc) -> int {
    if (mode < RGN_AND || mode > RGN_COPY) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return ERROR;
    }
    if (regionHandle == nullptr) {
      if (mode != RGN_COPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
      }
      dc.state.clip.reset();
      dc.ClipChanged();
      return ClipComplexity(dc);
    }
    std::shared_ptr<RegionObject> region = LookupAs<RegionObject>(regionHandle);
    if (!region) return ERROR;
    if (mode == RGN_COPY) {
      dc.state.clip = region->region;
      dc.ClipChanged();
      return ClipComplexity(dc);
    }
    static const platform::Region::Op ops[] = {platform::Region::Op::And, platform::Region::Op::Or,
                                               platform::Region::Op::Xor, platform::Region::Op::Diff};
    return CombineClip(dc, region->region, ops[mode - RGN_AND]);
  });
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  return WithDC(handle, static_cast<int>(ERROR), [=](DeviceContext& dc) {
    RECT r{dc.DeviceX(left), dc.DeviceY(top), dc.DeviceX(right), dc.DeviceY(bottom)};
    return CombineClip(dc, platform::Region(r), platform::Region::Op::And);
  });
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
  return WithDC(handle, static_cast<int>(ERROR), [=](DeviceContext& dc) {
    RECT r{dc.DeviceX(left), dc.DeviceY(top), dc.DeviceX(right), dc.DeviceY(bottom)};
    return CombineClip(dc, platform::Region(r), platform::Region::Op::Diff);
  });
}

int OffsetClipRgn(HDC handle, int dx, int dy) {
  return WithDC(handle, static_cast<int>(ERROR), [=](DeviceContext& dc) -> int {
    if (dc.state.clip && !dc.state.clip->Offset(dx, dy)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return ERROR;
    }
    dc.ClipChanged();
    return ClipComplexity(dc);
  });
}

int GetClipBox(HDC handle, RECT* rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERROR;
  }
  return WithDC(handle, static_cast<int>(ERROR), [rect](DeviceContext& dc) {
    const platform::Region& clip = dc.Clip();
    if (clip.IsEmpty()) {
      *rect = RECT{};
      return NULLREGION;
    }
    RECT b = clip.Bounds();
    LONG dx = dc.origin.x + dc.state.viewportOrg.x - dc.state.windowOrg.x;
    LONG dy = dc.origin.y + dc.state.viewportOrg.y - dc.state.windowOrg.y;
    *rect = RECT{b.left - dx, b.top - dy, b.right - dx, b.bottom - dy};
    return clip.Complexity();
  });
}

int GetClipRgn(HDC handle, HRGN regionHandle) {
  return WithDC(handle, -1, [regionHandle](DeviceContext& dc) -> int {
    std::shared_ptr<RegionObject> region = LookupAs<RegionObject>(regionHandle);
    if (!region) return -1;
    if (!dc.state.clip) return 0;
    region->region = *dc.state.clip;
    return 1;
  });
}

BOOL PtVisible(HDC handle, int x, int y) {
  return WithDC(handle, FALSE, [=](DeviceContext& dc) -> BOOL {
    return dc.Clip().Contains(dc.SurfaceX(x), dc.SurfaceY(y)) ? TRUE : FALSE;
  });
}

BOOL RectVisible(HDC handle, const RECT* rect) {
  if (rect == nullptr) return FALSE;
  return WithDC(handle, FALSE, [rect](DeviceContext& dc) -> BOOL {
    RECT r{dc.SurfaceX(rect->left), dc.SurfaceY(rect->top), dc.SurfaceX(rect->right), dc.SurfaceY(rect->bottom)};
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return dc.Clip().Intersects(r) ? TRUE : FALSE;
  });
}

// ------------------------------------------------ the window system's side

namespace platform {

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, const Region& visible) {
  if (!surface) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto dc = NewDC(DeviceContext::Kind::Surface);
  dc->surface = std::move(surface);
  dc->origin = origin;
  dc->visible = visible;
  dc->windowSystemDC = true;
  dc->ClipChanged();
  return static_cast<HDC>(gdi::Register(dc));
}

BOOL SetSurfaceDCPreparePixels(HDC handle, std::function<void()> prepare) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc || dc->kind != DeviceContext::Kind::Surface) return FALSE;
  dc->preparePixels = std::move(prepare);
  return TRUE;
}

BOOL SetSurfaceDCArea(HDC handle, POINT origin, const Region& visible) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc || dc->kind != DeviceContext::Kind::Surface) return FALSE;
  dc->origin = origin;
  dc->visible = visible;
  dc->ClipChanged();
  return TRUE;
}

BOOL SetSurfaceDCSurface(HDC handle, std::shared_ptr<Surface> surface) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc || dc->kind != DeviceContext::Kind::Surface || !surface) return FALSE;
  dc->surface = std::move(surface);
  dc->ClipChanged();
  return TRUE;
}

BOOL ResetSurfaceDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return FALSE;
  dc->ResetState();
  return TRUE;
}

BOOL DestroySurfaceDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc || dc->kind != DeviceContext::Kind::Surface) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return gdi::Unregister(reinterpret_cast<HGDIOBJ>(handle)) ? TRUE : FALSE;
}

std::shared_ptr<Surface> SurfaceOfDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  return dc ? dc->surface : nullptr;
}

POINT DeviceOriginOfDC(HDC handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  return dc ? dc->origin : POINT{};
}

void SetScreenSurface(std::shared_ptr<Surface> surface) {
  std::lock_guard<std::mutex> lock(Screen().mutex);
  Screen().surface = std::move(surface);
}

std::shared_ptr<Surface> ScreenSurface() {
  std::lock_guard<std::mutex> lock(Screen().mutex);
  ScreenHolder& holder = Screen();
  if (!holder.surface) {
    SIZE size = ScreenSize();
    holder.surface = Surface::Create(size.cx, size.cy);
  }
  return holder.surface;
}

std::size_t GdiObjectCount() { return gdi::ObjectCount(); }

}  // namespace platform

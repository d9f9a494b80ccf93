// Internal API between drawing and the window system / display backends.
//
// The window system keeps a Surface per top-level window (or one for the
// screen) and hands out DCs on it:
//
//   auto surface = platform::Surface::Create(w, h);
//   HDC dc = platform::CreateSurfaceDC(surface, {clientX, clientY}, visible);
//   ... the application draws with dc (GetDC / BeginPaint) ...
//   platform::DestroySurfaceDC(dc);   // ReleaseDC / EndPaint
//
// `origin` is where device (0, 0) lies on the surface: the client area's
// top-left for GetDC and BeginPaint, the window's top-left for GetWindowDC.
// `visible` (surface coordinates) is the system clip: the part of the
// window that may be painted (visible region, update region, window region).
// The application's own clip (SelectClipRgn etc.) is in device units and
// is intersected with it. Window DCs cannot be deleted with DeleteDC.
//
// Pixels are read back from the surface (Surface::Pixel, Row) or through
// GetPixel on a DC.
#pragma once

#include <functional>
#include <memory>

#include "platform/core/types.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace platform {

// A DC drawing on `surface`; null with the last error set when the surface
// is null.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, const Region& visible);
// Moves or re-clips a surface DC (a window that moved, a class or own DC
// handed out again). The application's clip region is kept.
BOOL SetSurfaceDCArea(HDC dc, POINT origin, const Region& visible);
// Points the DC at another surface (a window whose surface was re-created
// after a resize).
BOOL SetSurfaceDCSurface(HDC dc, std::shared_ptr<Surface> surface);
// Back to the default objects and attributes, no clip region, no saved
// states (what ReleaseDC does to a common DC).
BOOL ResetSurfaceDC(HDC dc);
BOOL DestroySurfaceDC(HDC dc);
// Runs `prepare` once, just before the DC's pixels are first drawn on or
// read (not when text is only measured): how the screen DC composes the
// windows' images only when somebody uses them.
BOOL SetSurfaceDCPreparePixels(HDC dc, std::function<void()> prepare);
std::shared_ptr<Surface> SurfaceOfDC(HDC dc);
// Where device (0, 0) lies on the DC's surface (zero for memory DCs).
POINT DeviceOriginOfDC(HDC dc);

// Region handles and Region values.
HRGN CreateRegionHandle(const Region& region);
// Copies the region of a handle; false (ERROR_INVALID_HANDLE) for a handle
// that is not a live region.
bool RegionOfHandle(HRGN handle, Region* out);
bool SetRegionOfHandle(HRGN handle, const Region& region);

// The surface CreateDC("DISPLAY") draws on. The window system may install
// its own; by default one of the screen's size is made on first use.
void SetScreenSurface(std::shared_ptr<Surface> surface);
std::shared_ptr<Surface> ScreenSurface();

// Number of live GDI objects (stock objects included), for leak checks.
std::size_t GdiObjectCount();

}  // namespace platform

// The GDI objects behind the handles, and their handle table.
//
// Handles are values of their own table (never reused). Objects are shared:
// a device context keeps the objects selected into it alive, so deleting a
// selected pen or brush only retires its handle; a selected bitmap cannot be
// deleted (as on the original platform).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/pixels.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace platform::gdi {

class DeviceContext;
class FontFace;
struct TextPath;

class GdiObject {
 public:
  virtual ~GdiObject() = default;
  virtual DWORD Type() const = 0;
  bool stock = false;  // never deleted
};

class PenObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_PEN; }
  LOGPEN log;
  bool dcPen = false;  // DC_PEN: the colour comes from the DC
};

// A brush's pattern, kept independent of the bitmap it came from.
struct BrushPattern {
  int width = 0;
  int height = 0;
  bool mono = false;                // 0/1 values drawn in text/background colours
  std::vector<std::uint32_t> bits;  // COLORREF per pixel, or 0/1 when mono
};

class BrushObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_BRUSH; }
  LOGBRUSH log;
  BrushPattern pattern;  // BS_PATTERN, BS_DIBPATTERN(PT)
  bool dcBrush = false;  // DC_BRUSH
};

class BitmapObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_BITMAP; }
  PixelStore store;
  std::unique_ptr<std::uint8_t[]> memory;
  std::vector<RGBQUAD> palette;
  bool isDib = false;
  BITMAPINFOHEADER dibHeader;  // DIB sections: the header they were made with
  DWORD bitfields[3] = {0, 0, 0};
  int declaredBits = 0;  // bits per pixel as created
  DeviceContext* selectedInto = nullptr;
  SIZE dimension;  // SetBitmapDimensionEx value

  // Points store.palette at our own table.
  void BindPalette();
};

class FontObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_FONT; }
  LOGFONT log;
  // The realised face, made on first use.
  std::shared_ptr<FontFace> Face();

 private:
  std::mutex mutex_;
  std::shared_ptr<FontFace> face_;
};

class RegionObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_REGION; }
  Region region;
};

class PaletteObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_PAL; }
  std::vector<PALETTEENTRY> entries;
};

// What a device context remembers (and SaveDC saves).
struct DcState {
  std::shared_ptr<PenObject> pen;
  HGDIOBJ penHandle = nullptr;
  std::shared_ptr<BrushObject> brush;
  HGDIOBJ brushHandle = nullptr;
  std::shared_ptr<FontObject> font;
  HGDIOBJ fontHandle = nullptr;
  std::shared_ptr<BitmapObject> bitmap;  // memory DCs
  HGDIOBJ bitmapHandle = nullptr;
  std::shared_ptr<PaletteObject> palette;
  HGDIOBJ paletteHandle = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF dcBrushColor = RGB(255, 255, 255);
  COLORREF dcPenColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  int polyFillMode = ALTERNATE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int charExtra = 0;
  POINT viewportOrg;
  POINT windowOrg;
  POINT brushOrg;
  POINT position;
  std::optional<Region> clip;  // device units
};

class DeviceContext : public GdiObject {
 public:
  enum class Kind { Memory, Surface };

  explicit DeviceContext(Kind kind) : kind(kind) {}
  ~DeviceContext() override;
  DWORD Type() const override { return kind == Kind::Memory ? OBJ_MEMDC : OBJ_DC; }

  const Kind kind;
  DcState state;
  std::vector<DcState> saved;

  // Surface DCs: the surface, where device (0, 0) lies on it, and the system
  // clip (what of the window is visible) in surface coordinates.
  std::shared_ptr<Surface> surface;
  POINT origin;
  std::optional<Region> visible;
  bool windowSystemDC = false;  // made by CreateSurfaceDC: not for DeleteDC
  // Runs before the pixels are first drawn on or read (see Pixels).
  std::function<void()> preparePixels;
  // The path being recorded or recorded last (BeginPath .. EndPath).
  std::shared_ptr<TextPath> path;

  // The pixels drawn on; false when there are none.
  bool Target(PixelStore* store) const;
  // The same, for drawing on them or reading them: runs preparePixels first
  // (once).
  bool Pixels(PixelStore* store);
  // Everything that may be drawn on, in surface coordinates.
  const Region& Clip();
  void ClipChanged() { clipValid_ = false; }
  // Logical to surface coordinates.
  LONG SurfaceX(LONG x) const { return x - state.windowOrg.x + state.viewportOrg.x + origin.x; }
  LONG SurfaceY(LONG y) const { return y - state.windowOrg.y + state.viewportOrg.y + origin.y; }
  // Logical to device coordinates.
  LONG DeviceX(LONG x) const { return x - state.windowOrg.x + state.viewportOrg.x; }
  LONG DeviceY(LONG y) const { return y - state.windowOrg.y + state.viewportOrg.y; }
  // Size of the device (the selected bitmap or the surface).
  SIZE DeviceSize() const;
  // Selects the bitmap (memory DCs), keeping its ownership mark right.
  void AttachBitmap(std::shared_ptr<BitmapObject> bitmap, HGDIOBJ handle);
  void ResetState();

 private:
  Region clip_;
  bool clipValid_ = false;
};

// Handle table.
HGDIOBJ Register(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> Lookup(HGDIOBJ handle);
template <class T>
std::shared_ptr<T> LookupAs(HGDIOBJ handle) {
  std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(Lookup(handle));
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}
std::shared_ptr<DeviceContext> LookupDC(HDC dc);
// Runs the DC's preparePixels step, if it still has one (for the text calls,
// which open the DC for measuring as well as for drawing).
void PreparePixels(HDC dc);
bool Unregister(HGDIOBJ handle);
std::size_t ObjectCount();

// Stock objects (made on first use).
HGDIOBJ StockObject(int index);
HBITMAP DefaultBitmapHandle();
// The stock brush of a COLOR_* index, or null.
HBRUSH SysColorBrushHandle(int index);
// A system colour brush (COLOR_* index), or for values 1..31 passed as a
// brush, COLOR_* + 1 as the original platform allows. Null when unknown.
std::shared_ptr<BrushObject> ResolveBrush(HBRUSH brush);

}  // namespace platform::gdi

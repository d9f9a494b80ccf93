// The rasteriser: fills, shape outlines as regions, styled lines and the
// blit engine, all in surface coordinates on a PixelStore, clipped by a
// region. The API calls in the other files turn logical coordinates and DC
// state into calls of these.
#pragma once

#include <optional>
#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdi/pixels.h"
#include "platform/gdi/region.h"

namespace platform::gdi {

// A brush or colour realised for one target: a solid device value or a
// pattern of them anchored at a surface point, with optional holes (hatch
// brushes on a transparent background).
struct Paint {
  bool none = false;  // a null brush or pen: draws nothing
  int width = 1;
  int height = 1;
  std::vector<std::uint32_t> values{0};
  std::vector<std::uint8_t> drawn;  // empty: every pixel is drawn
  LONG originX = 0;
  LONG originY = 0;

  bool IsSolid() const { return width == 1 && height == 1 && drawn.empty(); }
  std::size_t Index(LONG x, LONG y) const {
    LONG px = (x - originX) % width;
    LONG py = (y - originY) % height;
    if (px < 0) px += width;
    if (py < 0) py += height;
    return static_cast<std::size_t>(py) * width + px;
  }
  std::uint32_t At(LONG x, LONG y) const { return IsSolid() ? values[0] : values[Index(x, y)]; }
  bool DrawnAt(LONG x, LONG y) const { return drawn.empty() || drawn[Index(x, y)]; }
};

Paint SolidPaint(const PixelStore& target, COLORREF color);
// The DC's brush (or the given one) for the DC's target, anchored at the
// DC's brush origin.
Paint RealizeBrush(DeviceContext& dc, const BrushObject& brush, const PixelStore& target);

// Fills row y from x0 to x1 (already clipped) with the paint through the mix.
void FillSpan(const PixelStore& store, LONG y, LONG x0, LONG x1, const Paint& paint, Mix mix);
void FillRect(const PixelStore& store, const Region& clip, const RECT& rect, const Paint& paint,
              Mix mix);
void FillRegion(const PixelStore& store, const Region& clip, const Region& shape,
                const Paint& paint, Mix mix);

// Shapes as pixel sets, right and bottom edges exclusive.
Region EllipseRegion(const RECT& box);
Region RoundRectRegion(const RECT& box, int ellipseWidth, int ellipseHeight);
struct PointF {
  double x;
  double y;
};
// Pixels whose centres lie inside the polygon (ALTERNATE or WINDING).
Region PolygonRegion(const std::vector<PointF>& points, int fillMode);
Region PolygonRegion(const POINT* points, int count, int fillMode);
// A line of `width` pixels with round ends and joins along the polyline.
Region WideLineRegion(const POINT* points, int count, int width);

// A one-pixel (cosmetic) pen in the middle of drawing a figure: the style
// pattern runs on from segment to segment.
class LinePen {
 public:
  LinePen(const PixelStore& store, const Region& clip, std::uint32_t color, Mix mix, UINT style,
          bool opaqueGaps, std::uint32_t gapColor);
  // Draws from a to b, leaving out b.
  void Segment(POINT a, POINT b);
  void Plot(LONG x, LONG y);

 private:
  const PixelStore& store_;
  const Region& clip_;
  std::uint32_t color_;
  Mix mix_;
  bool opaqueGaps_;
  std::uint32_t gapColor_;
  std::vector<int> dashes_;  // on, off, on, off ... lengths; empty: solid
  int dashIndex_ = 0;
  int dashLeft_ = 0;
};

// The blit engine: copies (scaling with nearest pixels, mirroring for
// negative sizes) a source rectangle of `src` onto the destination
// rectangle of the DC through a ternary raster operation, optionally with a
// monochrome mask (MaskBlt) or a colour key (TransparentBlt).
struct BlitSource {
  PixelStore store;
  COLORREF bkColor = RGB(255, 255, 255);  // the source DC's background colour
  bool useDcColors = true;  // monochrome DDB conversions use DC colours
};
struct BlitMask {
  PixelStore store;
  int x = 0;
  int y = 0;
};
bool Blit(DeviceContext& dest, int x, int y, int width, int height, const BlitSource* src,
          int srcX, int srcY, int srcWidth, int srcHeight, DWORD rop, const BlitMask* mask,
          std::optional<COLORREF> transparentKey);

// Converts device values of one store to another, with the platform's
// monochrome rules.
class ColorConverter {
 public:
  ColorConverter(const PixelStore& src, const PixelStore& dst, COLORREF srcBk, COLORREF dstText,
                 COLORREF dstBk, bool useDcColors);
  std::uint32_t operator()(std::uint32_t v) const {
    switch (mode_) {
      case Mode::Identity: return v;
      case Mode::Table: return v < table_.size() ? table_[v] : 0;
      case Mode::ToMonoDevice: return v == srcBkValue_ ? 1u : 0u;
      case Mode::Generic: return dst_.FromColor(src_.ToColor(v));
    }
    return v;
  }
  bool identity() const { return mode_ == Mode::Identity; }

 private:
  enum class Mode { Identity, Table, ToMonoDevice, Generic };
  Mode mode_ = Mode::Identity;
  std::vector<std::uint32_t> table_;
  std::uint32_t srcBkValue_ = 0;
  PixelStore src_;
  PixelStore dst_;
};

}  // namespace platform::gdi

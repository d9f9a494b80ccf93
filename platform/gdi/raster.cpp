#include "platform/gdi/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/core/errors.h"

namespace platform::gdi {

// ----------------------------------------------------------------- paints

Paint SolidPaint(const PixelStore& target, COLORREF color) {
  Paint paint;
  paint.values[0] = target.FromColor(color);
  return paint;
}

namespace {

bool HatchPixel(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == 7;
    case HS_CROSS: return x == 7 || y == 7;
    case HS_DIAGCROSS: return x == y || x + y == 7;
  }
  return false;
}

}  // namespace

Paint RealizeBrush(DeviceContext& dc, const BrushObject& brush, const PixelStore& target) {
  const DcState& s = dc.state;
  Paint paint;
  paint.originX = dc.origin.x + s.brushOrg.x;
  paint.originY = dc.origin.y + s.brushOrg.y;
  if (brush.dcBrush) {
    paint.values[0] = target.FromColor(s.dcBrushColor);
    return paint;
  }
  switch (brush.log.lbStyle) {
    case BS_NULL:
      paint.none = true;
      return paint;
    case BS_SOLID:
      paint.values[0] = target.FromColor(brush.log.lbColor);
      return paint;
    case BS_HATCHED: {
      paint.width = paint.height = 8;
      paint.values.assign(64, 0);
      std::uint32_t on = target.FromColor(brush.log.lbColor);
      std::uint32_t off = target.FromColor(s.bkColor);
      bool opaque = s.bkMode == OPAQUE;
      if (!opaque) paint.drawn.assign(64, 0);
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          bool hit = HatchPixel(static_cast<int>(brush.log.lbHatch), x, y);
          paint.values[y * 8 + x] = hit ? on : off;
          if (!opaque) paint.drawn[y * 8 + x] = hit ? 1 : 0;
        }
      }
      return paint;
    }
    default: {
      const BrushPattern& p = brush.pattern;
      if (p.width <= 0 || p.height <= 0) {
        paint.none = true;
        return paint;
      }
      paint.width = p.width;
      paint.height = p.height;
      paint.values.resize(p.bits.size());
      std::uint32_t text = target.FromColor(s.textColor);
      std::uint32_t back = target.FromColor(s.bkColor);
      for (std::size_t i = 0; i < p.bits.size(); ++i) {
        paint.values[i] = p.mono ? (p.bits[i] ? back : text) : target.FromColor(p.bits[i]);
      }
      return paint;
    }
  }
}

// ------------------------------------------------------------------ fills

void FillSpan(const PixelStore& store, LONG y, LONG x0, LONG x1, const Paint& paint, Mix mix) {
  if (paint.none || x0 >= x1) return;
  const std::uint32_t mask = store.Mask();
  if (store.format == Format::Bgrx32 && paint.IsSolid()) {
    std::uint32_t* row = reinterpret_cast<std::uint32_t*>(store.Row(y));
    std::uint32_t p = paint.values[0];
    if (mix.IsCopy()) {
      std::fill(row + x0, row + x1, p & mask);
    } else {
      for (LONG x = x0; x < x1; ++x) row[x] = mix.Apply(p, row[x] & mask) & mask;
    }
    return;
  }
  bool readsDest = mix.ReadsDest();
  for (LONG x = x0; x < x1; ++x) {
    if (!paint.DrawnAt(x, y)) continue;
    std::uint32_t d = readsDest ? store.Get(x, y) : 0;
    store.Put(x, y, mix.Apply(paint.At(x, y), d) & mask);
  }
}

void FillRect(const PixelStore& store, const Region& clip, const RECT& rect, const Paint& paint,
              Mix mix) {
  if (paint.none) return;
  clip.ForEachRectIn(rect, [&](const RECT& piece) {
    for (LONG y = piece.top; y < piece.bottom; ++y) FillSpan(store, y, piece.left, piece.right, paint, mix);
  });
}

void FillRegion(const PixelStore& store, const Region& clip, const Region& shape,
                const Paint& paint, Mix mix) {
  if (paint.none || shape.IsEmpty()) return;
  Region area = Region::Combine(shape, clip, Region::Op::And);
  area.ForEachRectIn(area.Bounds(), [&](const RECT& piece) {
    for (LONG y = piece.top; y < piece.bottom; ++y) FillSpan(store, y, piece.left, piece.right, paint, mix);
  });
}

// ----------------------------------------------------------------- shapes

namespace {

// Half-width of the ellipse row whose centre is dy from the ellipse centre.
// Pixel x is inside when |x + 0.5 - cx| < half-width.
void EllipseRowSpan(double cx, double a, double b, double dy, LONG* left, LONG* right) {
  double q = 1.0 - (dy * dy) / (b * b);
  if (q <= 0) {
    *left = *right = 0;
    return;
  }
  double hw = a * std::sqrt(q);
  *left = static_cast<LONG>(std::floor(cx - hw - 0.5)) + 1;
  *right = static_cast<LONG>(std::ceil(cx + hw - 0.5));
}

}  // namespace

Region EllipseRegion(const RECT& box) {
  Region::Builder builder;
  LONG w = box.right - box.left, h = box.bottom - box.top;
  if (w <= 0 || h <= 0) return Region();
  double cx = box.left + w / 2.0, cy = box.top + h / 2.0, a = w / 2.0, b = h / 2.0;
  for (LONG y = box.top; y < box.bottom; ++y) {
    LONG l, r;
    EllipseRowSpan(cx, a, b, (y + 0.5) - cy, &l, &r);
    if (l < r) builder.AddRow(y, {{l, r}});
  }
  return builder.Finish();
}

Region RoundRectRegion(const RECT& box, int ew, int eh) {
  LONG w = box.right - box.left, h = box.bottom - box.top;
  if (w <= 0 || h <= 0) return Region();
  ew = std::clamp(ew, 0, static_cast<int>(w));
  eh = std::clamp(eh, 0, static_cast<int>(h));
  if (ew < 2 || eh < 2) return Region(box);
  // Insets of the corner ellipse's rows, measured from its left edge.
  std::vector<LONG> inset(static_cast<std::size_t>(eh));
  double a = ew / 2.0, b = eh / 2.0;
  for (int k = 0; k < eh; ++k) {
    LONG l, r;
    EllipseRowSpan(a, a, b, (k + 0.5) - b, &l, &r);
    inset[static_cast<std::size_t>(k)] = l < r ? l : a;
  }
  Region::Builder builder;
  int half = eh / 2;
  for (LONG y = box.top; y < box.bottom; ++y) {
    LONG fromTop = y - box.top, fromBottom = box.bottom - 1 - y;
    LONG in = 0;
    if (fromTop < half) in = inset[static_cast<std::size_t>(fromTop)];
    else if (fromBottom < half) in = inset[static_cast<std::size_t>(eh - 1 - fromBottom)];
    if (box.left + in < box.right - in) builder.AddRow(y, {{box.left + in, box.right - in}});
  }
  return builder.Finish();
}

Region PolygonRegion(const std::vector<PointF>& points, int fillMode) {
  Region::Builder builder;
  const std::size_t n = points.size();
  if (n < 3) return Region();
  double minY = points[0].y, maxY = points[0].y;
  for (const PointF& p : points) {
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  if (maxY - minY > 2.0 * Region::kCoordinateLimit) return Region();
  LONG yStart = static_cast<LONG>(std::floor(minY));
  LONG yEnd = static_cast<LONG>(std::ceil(maxY));
  struct Crossing {
    double x;
    int dir;
  };
  std::vector<Crossing> crossings;
  std::vector<Region::Span> spans;
  for (LONG y = yStart; y < yEnd; ++y) {
    double yc = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < n; ++i) {
      const PointF& p = points[i];
      const PointF& q = points[(i + 1) % n];
      if (p.y == q.y) continue;
      bool down = p.y < q.y;
      double y0 = down ? p.y : q.y, y1 = down ? q.y : p.y;
      if (yc < y0 || yc >= y1) continue;
      double t = (yc - p.y) / (q.y - p.y);
      crossings.push_back({p.x + t * (q.x - p.x), down ? 1 : -1});
    }
    if (crossings.size() < 2) continue;
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    spans.clear();
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].dir;
      bool inside = fillMode == WINDING ? winding != 0 : (i % 2 == 0);
      if (!inside) continue;
      LONG l = static_cast<LONG>(std::ceil(crossings[i].x - 0.5));
      LONG r = static_cast<LONG>(std::ceil(crossings[i + 1].x - 0.5));
      if (l < r) spans.push_back({l, r});
    }
    if (!spans.empty()) builder.AddRow(y, spans);
  }
  return builder.Finish();
}

Region PolygonRegion(const POINT* points, int count, int fillMode) {
  std::vector<PointF> pts;
  pts.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) pts.push_back({static_cast<double>(points[i].x), static_cast<double>(points[i].y)});
  return PolygonRegion(pts, fillMode);
}

Region WideLineRegion(const POINT* points, int count, int width) {
  Region result;
  double half = width / 2.0;
  auto disc = [&](POINT p) {
    LONG left = p.x - width / 2, top = p.y - width / 2;
    return EllipseRegion(RECT{left, top, left + width, top + width});
  };
  for (int i = 0; i < count; ++i) {
    result = Region::Combine(result, disc(points[i]), Region::Op::Or);
    if (i + 1 >= count) break;
    // The segment's body: a rectangle around the line through the pixel
    // centres.
    double ax = points[i].x + 0.5, ay = points[i].y + 0.5;
    double bx = points[i + 1].x + 0.5, by = points[i + 1].y + 0.5;
    double dx = bx - ax, dy = by - ay, length = std::hypot(dx, dy);
    if (length == 0) continue;
    double nx = -dy / length * half, ny = dx / length * half;
    std::vector<PointF> quad{{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}};
    result = Region::Combine(result, PolygonRegion(quad, WINDING), Region::Op::Or);
  }
  return result;
}

// ------------------------------------------------------------------ lines

LinePen::LinePen(const PixelStore& store, const Region& clip, std::uint32_t color, Mix mix,
                 UINT style, bool opaqueGaps, std::uint32_t gapColor)
    : store_(store), clip_(clip), color_(color), mix_(mix), opaqueGaps_(opaqueGaps), gapColor_(gapColor) {
  switch (style) {
    case PS_DASH: dashes_ = {18, 6}; break;
    case PS_DOT: dashes_ = {3, 3}; break;
    case PS_DASHDOT: dashes_ = {9, 6, 3, 6}; break;
    case PS_DASHDOTDOT: dashes_ = {9, 3, 3, 3, 3, 3}; break;
    case PS_ALTERNATE: dashes_ = {1, 1}; break;
    default: break;
  }
  if (!dashes_.empty()) dashLeft_ = dashes_[0];
}

void LinePen::Plot(LONG x, LONG y) {
  bool on = true;
  if (!dashes_.empty()) {
    on = dashIndex_ % 2 == 0;
    if (--dashLeft_ == 0) {
      dashIndex_ = (dashIndex_ + 1) % static_cast<int>(dashes_.size());
      dashLeft_ = dashes_[static_cast<std::size_t>(dashIndex_)];
    }
    if (!on && !opaqueGaps_) return;
  }
  if (!clip_.Contains(x, y)) return;
  std::uint32_t p = on ? color_ : gapColor_;
  std::uint32_t d = mix_.ReadsDest() ? store_.Get(x, y) : 0;
  store_.Put(x, y, mix_.Apply(p, d) & store_.Mask());
}

void LinePen::Segment(POINT a, POINT b) {
  LONG x = a.x, y = a.y;
  LONG dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  LONG sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  LONG err = dx + dy;
  LONG steps = std::max(dx, -dy);
  for (LONG i = 0; i < steps; ++i) {
    Plot(x, y);
    LONG e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// ------------------------------------------------------------------ blits

ColorConverter::ColorConverter(const PixelStore& src, const PixelStore& dst, COLORREF srcBk,
                               COLORREF dstText, COLORREF dstBk, bool useDcColors)
    : src_(src), dst_(dst) {
  if (useDcColors && dst.monoDevice && !src.monoDevice) {
    mode_ = Mode::ToMonoDevice;
    srcBkValue_ = src.FromColor(srcBk);
    return;
  }
  if (useDcColors && src.monoDevice && !dst.monoDevice) {
    mode_ = Mode::Table;
    table_ = {dst.FromColor(dstText), dst.FromColor(dstBk)};
    return;
  }
  auto indexed = [](Format f) { return f == Format::Mono || f == Format::Index4 || f == Format::Index8; };
  auto trueColor = [](Format f) { return f == Format::Bgr24 || f == Format::Bgrx32; };
  if (trueColor(src.format) && trueColor(dst.format)) {
    mode_ = Mode::Identity;
    return;
  }
  if (src.format == dst.format && !indexed(src.format)) {
    mode_ = Mode::Identity;
    return;
  }
  if (indexed(src.format)) {
    if (src.format == dst.format && src.paletteSize == dst.paletteSize &&
        (src.palette == dst.palette ||
         (src.palette && dst.palette &&
          std::memcmp(src.palette, dst.palette, sizeof(RGBQUAD) * static_cast<std::size_t>(src.paletteSize)) == 0))) {
      mode_ = Mode::Identity;
      return;
    }
    mode_ = Mode::Table;
    std::size_t entries = std::size_t{1} << BitsPerPixel(src.format);
    table_.resize(entries);
    for (std::size_t i = 0; i < entries; ++i) table_[i] = dst.FromColor(src.ToColor(static_cast<std::uint32_t>(i)));
    return;
  }
  mode_ = Mode::Generic;
}

namespace {

// Maps destination offsets 0..dstLength-1 to source offsets 0..srcLength-1.
std::vector<int> ScaleMap(int dstLength, int srcLength, bool mirror) {
  std::vector<int> map(static_cast<std::size_t>(dstLength));
  for (int i = 0; i < dstLength; ++i) {
    int s = static_cast<int>(static_cast<std::int64_t>(i) * srcLength / dstLength);
    map[static_cast<std::size_t>(i)] = mirror ? srcLength - 1 - s : s;
  }
  return map;
}

// Normalises a possibly negative extent: a negative one runs leftwards from
// the pixel before the start.
void Normalise(int& start, int& length, bool& mirror) {
  if (length < 0) {
    start = start + length + 1;
    length = -length;
    mirror = !mirror;
  }
}

}  // namespace

bool Blit(DeviceContext& dest, int x, int y, int width, int height, const BlitSource* src, int srcX,
          int srcY, int srcWidth, int srcHeight, DWORD rop, const BlitMask* mask,
          std::optional<COLORREF> transparentKey) {
  PixelStore dst;
  if (!dest.Pixels(&dst)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const std::uint8_t foreOp = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  const std::uint8_t backOp = mask ? static_cast<std::uint8_t>((rop >> 24) & 0xFF) : foreOp;
  const bool needsSource = Rop3UsesSource(foreOp) || Rop3UsesSource(backOp) || transparentKey.has_value();
  const bool needsPattern = Rop3UsesPattern(foreOp) || Rop3UsesPattern(backOp);
  if (needsSource && (src == nullptr || !src->store.valid())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  bool mirrorX = false, mirrorY = false;
  int dx0 = dest.SurfaceX(x), dy0 = dest.SurfaceY(y);
  Normalise(dx0, width, mirrorX);
  Normalise(dy0, height, mirrorY);
  if (!needsSource) {
    srcWidth = width;
    srcHeight = height;
  } else {
    Normalise(srcX, srcWidth, mirrorX);
    Normalise(srcY, srcHeight, mirrorY);
  }
  if (width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0) return true;
  if (std::int64_t{width} * height > Surface::kMaxPixels * 4) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const Region& clip = dest.Clip();
  RECT target{dx0, dy0, dx0 + width, dy0 + height};
  RECT visible = clip.Bounds();
  if (!IntersectRect(&visible, &visible, &target)) return true;

  Paint pattern;
  if (needsPattern) {
    if (dest.state.brush) pattern = RealizeBrush(dest, *dest.state.brush, dst);
    else pattern.none = true;
    if (pattern.none) pattern = SolidPaint(dst, RGB(0, 0, 0));
  }
  std::optional<ColorConverter> convert;
  if (needsSource) {
    convert.emplace(src->store, dst, src->bkColor, dest.state.textColor, dest.state.bkColor, src->useDcColors);
  }
  const bool scaled = needsSource && (srcWidth != width || srcHeight != height);
  const bool combineShrink = scaled && (dest.state.stretchMode == BLACKONWHITE ||
                                        dest.state.stretchMode == WHITEONBLACK) &&
                             (srcWidth > width || srcHeight > height);
  const bool andShrink = dest.state.stretchMode == BLACKONWHITE;
  const std::uint32_t dstMask = dst.Mask();

  std::vector<int> colMap = needsSource ? ScaleMap(width, srcWidth, mirrorX) : std::vector<int>{};
  std::vector<int> rowMap = needsSource ? ScaleMap(height, srcHeight, mirrorY) : std::vector<int>{};
  // A source row, already converted to destination values, indexed by the
  // source offset; srcValid marks columns that lie inside the source.
  std::vector<std::uint32_t> srcRow(needsSource ? static_cast<std::size_t>(srcWidth) : 0);
  std::vector<std::uint8_t> srcInside(srcRow.size());
  std::vector<std::uint8_t> srcKeyed(srcRow.size());
  std::vector<std::uint32_t> raw(srcRow.size());

  auto loadSourceRow = [&](int sj) -> bool {
    int sy = srcY + sj;
    if (sy < 0 || sy >= src->store.height) return false;
    int first = std::max(0, -srcX), last = std::min(srcWidth, src->store.width - srcX);
    std::fill(srcInside.begin(), srcInside.end(), 0);
    if (first >= last) return true;
    src->store.ReadRow(sy, srcX + first, last - first, raw.data() + first);
    for (int i = first; i < last; ++i) {
      std::uint32_t v = raw[static_cast<std::size_t>(i)];
      srcInside[static_cast<std::size_t>(i)] = 1;
      srcKeyed[static_cast<std::size_t>(i)] =
          transparentKey && src->store.ToColor(v) == (*transparentKey & 0xFFFFFF);
      srcRow[static_cast<std::size_t>(i)] = (*convert)(v);
    }
    return true;
  };

  // Rows of a shrinking source block, combined into srcRow (AND or OR).
  auto loadCombinedRow = [&](int j) -> bool {
    int s0 = static_cast<int>(static_cast<std::int64_t>(j) * srcHeight / height);
    int s1 = std::max(s0 + 1, static_cast<int>(static_cast<std::int64_t>(j + 1) * srcHeight / height));
    std::vector<std::uint32_t> acc(srcRow.size());
    std::vector<std::uint8_t> accInside(srcRow.size(), 0);
    bool any = false;
    for (int s = s0; s < s1; ++s) {
      int sj = mirrorY ? srcHeight - 1 - s : s;
      if (!loadSourceRow(sj)) continue;
      for (std::size_t i = 0; i < srcRow.size(); ++i) {
        if (!srcInside[i]) continue;
        acc[i] = accInside[i] ? (andShrink ? (acc[i] & srcRow[i]) : (acc[i] | srcRow[i])) : srcRow[i];
        accInside[i] = 1;
        any = true;
      }
    }
    srcRow = std::move(acc);
    srcInside = std::move(accInside);
    return any;
  };

  const bool sameStore = needsSource && src->store.top == dst.top;
  const bool bottomUp = sameStore && dy0 > srcY;

  // A plain copy between stores of one format: whole row pieces at once.
  const int bytesPerPixel = BitsPerPixel(dst.format) / 8;
  if (needsSource && foreOp == 0xCC && !mask && !transparentKey && !scaled && !mirrorX && !mirrorY &&
      convert->identity() && src->store.format == dst.format && bytesPerPixel >= 1) {
    const LONG shift = dx0 - srcX;  // destination x of source x 0
    const LONG left = std::max<LONG>(visible.left, shift);
    const LONG right = std::min<LONG>(visible.right, shift + src->store.width);
    for (int n = 0; n < height; ++n) {
      int j = bottomUp ? height - 1 - n : n;
      LONG ty = dy0 + j, sy = srcY + j;
      if (ty < visible.top || ty >= visible.bottom || sy < 0 || sy >= src->store.height) continue;
      clip.ForEachSpanInRow(ty, left, right, [&](LONG x0, LONG x1) {
        std::memmove(dst.Row(ty) + static_cast<std::ptrdiff_t>(x0) * bytesPerPixel,
                     src->store.Row(sy) + static_cast<std::ptrdiff_t>(x0 - shift) * bytesPerPixel,
                     static_cast<std::size_t>(x1 - x0) * bytesPerPixel);
      });
    }
    return true;
  }

  for (int n = 0; n < height; ++n) {
    int j = bottomUp ? height - 1 - n : n;
    LONG ty = dy0 + j;
    if (ty < visible.top || ty >= visible.bottom) continue;
    if (needsSource) {
      bool ok = combineShrink && srcHeight > height ? loadCombinedRow(j) : loadSourceRow(rowMap[static_cast<std::size_t>(j)]);
      if (!ok) continue;
    }
    clip.ForEachSpanInRow(ty, visible.left, visible.right, [&](LONG x0, LONG x1) {
      // Fast path: a plain copy of a same-format row.
      if (needsSource && foreOp == 0xCC && !mask && !transparentKey && !scaled && convert->identity() &&
          src->store.format == dst.format && dst.format == Format::Bgrx32) {
        for (LONG tx = x0; tx < x1;) {
          int i = colMap[static_cast<std::size_t>(tx - dx0)];
          if (!srcInside[static_cast<std::size_t>(i)]) {
            ++tx;
            continue;
          }
          LONG run = 1;
          while (tx + run < x1 && srcInside[static_cast<std::size_t>(colMap[static_cast<std::size_t>(tx + run - dx0)])]) ++run;
          if (mirrorX) {
            for (LONG k = 0; k < run; ++k) dst.Put(tx + k, ty, srcRow[static_cast<std::size_t>(colMap[static_cast<std::size_t>(tx + k - dx0)])]);
          } else {
            dst.WriteRow(ty, tx, run, srcRow.data() + i);
          }
          tx += run;
        }
        return;
      }
      for (LONG tx = x0; tx < x1; ++tx) {
        int i = static_cast<int>(tx - dx0);
        std::uint32_t s = 0;
        if (needsSource) {
          int si = colMap[static_cast<std::size_t>(i)];
          if (combineShrink && srcWidth > width) {
            int c0 = static_cast<int>(static_cast<std::int64_t>(i) * srcWidth / width);
            int c1 = std::max(c0 + 1, static_cast<int>(static_cast<std::int64_t>(i + 1) * srcWidth / width));
            bool have = false;
            for (int c = c0; c < c1; ++c) {
              int ci = mirrorX ? srcWidth - 1 - c : c;
              if (!srcInside[static_cast<std::size_t>(ci)]) continue;
              std::uint32_t v = srcRow[static_cast<std::size_t>(ci)];
              s = have ? (andShrink ? (s & v) : (s | v)) : v;
              have = true;
            }
            if (!have) continue;
          } else {
            if (!srcInside[static_cast<std::size_t>(si)]) continue;
            if (srcKeyed[static_cast<std::size_t>(si)]) continue;
            s = srcRow[static_cast<std::size_t>(si)];
          }
        }
        std::uint8_t op = foreOp;
        if (mask) {
          int mx = mask->x + i, my = mask->y + j;
          bool bit = mx >= 0 && my >= 0 && mx < mask->store.width && my < mask->store.height &&
                     mask->store.Get(mx, my) != 0;
          op = bit ? foreOp : backOp;
        }
        std::uint32_t p = needsPattern ? pattern.At(tx, ty) : 0;
        if (needsPattern && !pattern.DrawnAt(tx, ty) && !needsSource) continue;
        std::uint32_t d = dst.Get(tx, ty);
        dst.Put(tx, ty, Rop3(op, p, s, d) & dstMask);
      }
    });
  }
  return true;
}

}  // namespace platform::gdi

// A region: a set of pixels kept as y-x banded rectangles. Each band is a
// run of rows [top, bottom) with the same sorted, disjoint, non-touching
// spans [left, right); bands are sorted, never overlap, and two touching
// bands never have equal spans (they are merged). So two regions covering
// the same pixels are stored identically, and the rectangle list comes out
// in the platform's order (top band first, left to right).
//
// This is the value type behind HRGN, and what the window system uses for
// update, visible and window regions.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/core/types.h"

namespace platform {

class Region {
 public:
  struct Span {
    LONG left;
    LONG right;
    bool operator==(const Span&) const = default;
  };
  struct Band {
    LONG top;
    LONG bottom;
    std::uint32_t first;  // index of the band's first span
    std::uint32_t count;
  };
  enum class Op { And, Or, Xor, Diff };

  // Coordinates are kept within +-2^27 (as the original platform does);
  // calls that would leave that range fail.
  static constexpr LONG kCoordinateLimit = 1 << 27;

  Region() = default;
  explicit Region(const RECT& rect);
  // The union of any number of rectangles in any order (empty ones skipped).
  static Region FromRects(const RECT* rects, std::size_t count);

  bool IsEmpty() const { return bands_.empty(); }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Complexity() const;
  // Bounding box; all zero when empty.
  RECT Bounds() const { return bounds_; }
  std::size_t RectCount() const;
  std::vector<RECT> Rects() const;

  bool Contains(LONG x, LONG y) const;
  // True when some pixel of the rectangle is in the region.
  bool Intersects(const RECT& rect) const;
  // True when every pixel of the rectangle is in the region (and it is not
  // empty).
  bool ContainsRect(const RECT& rect) const;

  static Region Combine(const Region& a, const Region& b, Op op);
  Region Intersected(const RECT& rect) const;
  // Moves the region; false (unchanged) when it would leave the limits.
  bool Offset(LONG dx, LONG dy);
  void Clear();
  void SetRect(const RECT& rect);

  bool operator==(const Region& other) const;

  const std::vector<Band>& bands() const { return bands_; }
  const std::vector<Span>& spans() const { return spans_; }

  // Calls f(RECT) for each piece of the region inside `area`, in band order.
  template <class F>
  void ForEachRectIn(const RECT& area, F&& f) const;
  // Calls f(left, right) for each piece of row y inside [x0, x1).
  template <class F>
  void ForEachSpanInRow(LONG y, LONG x0, LONG x1, F&& f) const;

  // Builds a region row by row (rows strictly ascending, spans of a row in
  // any order; overlapping spans are merged).
  class Builder {
   public:
    void AddRow(LONG y, std::vector<Span> spans);
    // Adds rows [top, bottom) with the same spans.
    void AddRows(LONG top, LONG bottom, std::vector<Span> spans);
    Region Finish();

   private:
    std::vector<Band> bands_;
    std::vector<Span> spans_;
    friend class Region;
  };

 private:
  // Index of the first band whose bottom is below y (bottom > y).
  std::size_t FirstBandBelow(LONG y) const;
  void AppendBand(LONG top, LONG bottom, const std::vector<Span>& spans);
  // Adds a band below the others, or lengthens the last band when it ends
  // at `top` with the same spans.
  static void AppendBandTo(std::vector<Band>& bands, std::vector<Span>& all_spans, LONG top, LONG bottom,
                           const std::vector<Span>& spans);
  void RecomputeBounds();

  std::vector<Band> bands_;
  std::vector<Span> spans_;
  RECT bounds_{};
};

template <class F>
void Region::ForEachRectIn(const RECT& area, F&& f) const {
  if (area.left >= area.right || area.top >= area.bottom) return;
  for (std::size_t b = FirstBandBelow(area.top); b < bands_.size(); ++b) {
    const Band& band = bands_[b];
    if (band.top >= area.bottom) break;
    LONG top = band.top > area.top ? band.top : area.top;
    LONG bottom = band.bottom < area.bottom ? band.bottom : area.bottom;
    for (std::uint32_t i = band.first; i < band.first + band.count; ++i) {
      const Span& s = spans_[i];
      if (s.right <= area.left) continue;
      if (s.left >= area.right) break;
      RECT piece{s.left > area.left ? s.left : area.left, top,
                 s.right < area.right ? s.right : area.right, bottom};
      f(piece);
    }
  }
}

template <class F>
void Region::ForEachSpanInRow(LONG y, LONG x0, LONG x1, F&& f) const {
  if (x0 >= x1) return;
  std::size_t b = FirstBandBelow(y);
  if (b >= bands_.size() || bands_[b].top > y) return;
  const Band& band = bands_[b];
  for (std::uint32_t i = band.first; i < band.first + band.count; ++i) {
    const Span& s = spans_[i];
    if (s.right <= x0) continue;
    if (s.left >= x1) break;
    f(s.left > x0 ? s.left : x0, s.right < x1 ? s.right : x1);
  }
}

}  // namespace platform

#include "platform/gdi/region.h"

#include <algorithm>
#include <climits>

#include "platform/gdi/gdi.h"

namespace platform {

namespace {

bool RectIsEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// Sorts spans and merges overlapping or touching ones.
void NormaliseSpans(std::vector<Region::Span>& spans) {
  std::erase_if(spans, [](const Region::Span& s) { return s.left >= s.right; });
  if (spans.size() < 2) return;
  std::sort(spans.begin(), spans.end(),
            [](const Region::Span& a, const Region::Span& b) { return a.left < b.left; });
  std::size_t out = 0;
  for (std::size_t i = 1; i < spans.size(); ++i) {
    if (spans[i].left <= spans[out].right) {
      spans[out].right = std::max(spans[out].right, spans[i].right);
    } else {
      spans[++out] = spans[i];
    }
  }
  spans.resize(out + 1);
}

bool Apply(Region::Op op, bool inA, bool inB) {
  switch (op) {
    case Region::Op::And: return inA && inB;
    case Region::Op::Or: return inA || inB;
    case Region::Op::Xor: return inA != inB;
    case Region::Op::Diff: return inA && !inB;
  }
  return false;
}

// Combines two normalised span lists of one band.
void CombineSpans(const Region::Span* a, std::size_t na, const Region::Span* b, std::size_t nb,
                  Region::Op op, std::vector<Region::Span>& out) {
  out.clear();
  std::size_t i = 0, j = 0;
  LONG x = INT32_MIN;
  while (i < na || j < nb) {
    bool inA = i < na && a[i].left <= x;
    bool inB = j < nb && b[j].left <= x;
    LONG next = INT32_MAX;
    if (i < na) next = std::min(next, inA ? a[i].right : a[i].left);
    if (j < nb) next = std::min(next, inB ? b[j].right : b[j].left);
    if (x != INT32_MIN && Apply(op, inA, inB)) {
      if (!out.empty() && out.back().right == x) {
        out.back().right = next;
      } else {
        out.push_back({x, next});
      }
    }
    x = next;
    if (i < na && a[i].right <= x) ++i;
    if (j < nb && b[j].right <= x) ++j;
  }
}

}  // namespace

Region::Region(const RECT& rect) { SetRect(rect); }

void Region::SetRect(const RECT& rect) {
  Clear();
  if (RectIsEmpty(rect)) return;
  AppendBand(rect.top, rect.bottom, {{rect.left, rect.right}});
  RecomputeBounds();
}

void Region::Clear() {
  bands_.clear();
  spans_.clear();
  bounds_ = RECT{};
}

Region Region::FromRects(const RECT* rects, std::size_t count) {
  std::vector<RECT> sorted;
  sorted.reserve(count);
  std::vector<LONG> edges;
  for (std::size_t i = 0; i < count; ++i) {
    if (RectIsEmpty(rects[i])) continue;
    sorted.push_back(rects[i]);
    edges.push_back(rects[i].top);
    edges.push_back(rects[i].bottom);
  }
  Region result;
  if (sorted.empty()) return result;
  std::sort(sorted.begin(), sorted.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

  std::vector<const RECT*> active;
  std::vector<Span> spans;
  std::size_t nextRect = 0;
  for (std::size_t e = 0; e + 1 < edges.size(); ++e) {
    LONG top = edges[e], bottom = edges[e + 1];
    std::erase_if(active, [top](const RECT* r) { return r->bottom <= top; });
    while (nextRect < sorted.size() && sorted[nextRect].top <= top) active.push_back(&sorted[nextRect++]);
    spans.clear();
    for (const RECT* r : active) spans.push_back({r->left, r->right});
    NormaliseSpans(spans);
    if (!spans.empty()) result.AppendBand(top, bottom, spans);
  }
  result.RecomputeBounds();
  return result;
}

int Region::Complexity() const {
  if (bands_.empty()) return NULLREGION;
  return spans_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::size_t Region::RectCount() const { return spans_.size(); }

std::vector<RECT> Region::Rects() const {
  std::vector<RECT> rects;
  rects.reserve(spans_.size());
  for (const Band& band : bands_) {
    for (std::uint32_t i = band.first; i < band.first + band.count; ++i) {
      rects.push_back({spans_[i].left, band.top, spans_[i].right, band.bottom});
    }
  }
  return rects;
}

std::size_t Region::FirstBandBelow(LONG y) const {
  auto it = std::partition_point(bands_.begin(), bands_.end(),
                                 [y](const Band& b) { return b.bottom <= y; });
  return static_cast<std::size_t>(it - bands_.begin());
}

bool Region::Contains(LONG x, LONG y) const {
  std::size_t b = FirstBandBelow(y);
  if (b >= bands_.size() || bands_[b].top > y) return false;
  const Band& band = bands_[b];
  auto first = spans_.begin() + band.first;
  auto last = first + band.count;
  auto it = std::partition_point(first, last, [x](const Span& s) { return s.right <= x; });
  return it != last && it->left <= x;
}

bool Region::Intersects(const RECT& rect) const {
  bool found = false;
  ForEachRectIn(rect, [&found](const RECT&) { found = true; });
  return found;
}

bool Region::ContainsRect(const RECT& rect) const {
  if (RectIsEmpty(rect)) return false;
  return Combine(Region(rect), *this, Op::Diff).IsEmpty();
}

void Region::AppendBand(LONG top, LONG bottom, const std::vector<Span>& spans) {
  AppendBandTo(bands_, spans_, top, bottom, spans);
}

void Region::AppendBandTo(std::vector<Band>& bands, std::vector<Span>& all_spans, LONG top, LONG bottom,
                          const std::vector<Span>& spans) {
  if (spans.empty() || top >= bottom) return;
  if (!bands.empty()) {
    Band& last = bands.back();
    if (last.bottom == top && last.count == spans.size() &&
        std::equal(spans.begin(), spans.end(), all_spans.begin() + last.first)) {
      last.bottom = bottom;
      return;
    }
  }
  bands.push_back({top, bottom, static_cast<std::uint32_t>(all_spans.size()),
                   static_cast<std::uint32_t>(spans.size())});
  all_spans.insert(all_spans.end(), spans.begin(), spans.end());
}

void Region::RecomputeBounds() {
  if (bands_.empty()) {
    bounds_ = RECT{};
    return;
  }
  LONG left = INT32_MAX, right = INT32_MIN;
  for (const Band& band : bands_) {
    left = std::min(left, spans_[band.first].left);
    right = std::max(right, spans_[band.first + band.count - 1].right);
  }
  bounds_ = {left, bands_.front().top, right, bands_.back().bottom};
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
  Region result;
  std::vector<Span> spans;
  std::size_t ia = 0, ib = 0;
  const std::size_t na = a.bands_.size(), nb = b.bands_.size();
  LONG y = INT32_MAX;
  if (na) y = std::min(y, a.bands_[0].top);
  if (nb) y = std::min(y, b.bands_[0].top);
  while (ia < na || ib < nb) {
    while (ia < na && a.bands_[ia].bottom <= y) ++ia;
    while (ib < nb && b.bands_[ib].bottom <= y) ++ib;
    if (ia >= na && ib >= nb) break;
    bool inA = ia < na && a.bands_[ia].top <= y;
    bool inB = ib < nb && b.bands_[ib].top <= y;
    LONG next = INT32_MAX;
    if (ia < na) next = std::min(next, inA ? a.bands_[ia].bottom : a.bands_[ia].top);
    if (ib < nb) next = std::min(next, inB ? b.bands_[ib].bottom : b.bands_[ib].top);
    if (inA || inB) {
      const Span* sa = inA ? &a.spans_[a.bands_[ia].first] : nullptr;
      const Span* sb = inB ? &b.spans_[b.bands_[ib].first] : nullptr;
      CombineSpans(sa, inA ? a.bands_[ia].count : 0, sb, inB ? b.bands_[ib].count : 0, op, spans);
      result.AppendBand(y, next, spans);
    }
    y = next;
  }
  result.RecomputeBounds();
  return result;
}

Region Region::Intersected(const RECT& rect) const {
  Region result;
  std::vector<Span> spans;
  if (RectIsEmpty(rect)) return result;
  for (std::size_t b = FirstBandBelow(rect.top); b < bands_.size(); ++b) {
    const Band& band = bands_[b];
    if (band.top >= rect.bottom) break;
    spans.clear();
    for (std::uint32_t i = band.first; i < band.first + band.count; ++i) {
      LONG l = std::max(spans_[i].left, rect.left);
      LONG r = std::min(spans_[i].right, rect.right);
      if (l < r) spans.push_back({l, r});
    }
    result.AppendBand(std::max(band.top, rect.top), std::min(band.bottom, rect.bottom), spans);
  }
  result.RecomputeBounds();
  return result;
}

bool Region::Offset(LONG dx, LONG dy) {
  if (bands_.empty()) return true;
  auto inside = [](std::int64_t v) { return v >= -kCoordinateLimit && v <= kCoordinateLimit; };
  if (!inside(std::int64_t{bounds_.left} + dx) || !inside(std::int64_t{bounds_.right} + dx) ||
      !inside(std::int64_t{bounds_.top} + dy) || !inside(std::int64_t{bounds_.bottom} + dy)) {
    return false;
  }
  for (Band& band : bands_) {
    band.top += dy;
    band.bottom += dy;
  }
  for (Span& s : spans_) {
    s.left += dx;
    s.right += dx;
  }
  bounds_.left += dx;
  bounds_.right += dx;
  bounds_.top += dy;
  bounds_.bottom += dy;
  return true;
}

bool Region::operator==(const Region& other) const {
  if (bands_.size() != other.bands_.size() || spans_ != other.spans_) return false;
  for (std::size_t i = 0; i < bands_.size(); ++i) {
    const Band& x = bands_[i];
    const Band& y = other.bands_[i];
    if (x.top != y.top || x.bottom != y.bottom || x.count != y.count) return false;
  }
  return true;
}

void Region::Builder::AddRow(LONG y, std::vector<Span> spans) { AddRows(y, y + 1, std::move(spans)); }

void Region::Builder::AddRows(LONG top, LONG bottom, std::vector<Span> spans) {
  NormaliseSpans(spans);
  AppendBandTo(bands_, spans_, top, bottom, spans);
}

Region Region::Builder::Finish() {
  Region result;
  result.bands_ = std::move(bands_);
  result.spans_ = std::move(spans_);
  bands_.clear();
  spans_.clear();
  result.RecomputeBounds();
  return result;
}

}  // namespace platform

#include "platform/ctl/scroll_bar_parts.h"

#include <algorithm>
#include <cstdint>

#include "platform/ctl/control_base.h"
#include "platform/gdi/gdi.h"

namespace platform::ctl {

namespace {

constexpr int kMinThumb = 8;

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

int Along(bool vertical, POINT p) {
  return vertical ? p.y : p.x;
}

int TrackStart(const ScrollLayout& l) {
  return l.vertical ? l.track.top : l.track.left;
}

}  // namespace

int ScrollValues::MaxPos() const {
  return std::max(min, max - std::max(page - 1, 0));
}

int ScrollValues::Clamp(int value) const {
  return std::clamp(value, min, MaxPos());
}

bool ScrollValues::CanScroll() const {
  return MaxPos() > min;
}

int ScrollValues::Apply(const SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    min = info.nMin;
    max = info.nMax;
  }
  if (info.fMask & SIF_PAGE) page = static_cast<int>(std::min<UINT>(info.nPage, 0x7FFFFFFF));
  // A page is never larger than the whole range.
  const std::int64_t span = static_cast<std::int64_t>(max) - min + 1;
  page = static_cast<int>(std::clamp<std::int64_t>(page, 0, std::max<std::int64_t>(span, 0)));
  if (info.fMask & SIF_POS) pos = info.nPos;
  pos = Clamp(pos);
  return pos;
}

void ScrollValues::Fill(SCROLLINFO* info) const {
  if (info->fMask & SIF_RANGE) {
    info->nMin = min;
    info->nMax = max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = static_cast<UINT>(page);
  if (info->fMask & SIF_POS) info->nPos = pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = tracking ? track_pos : pos;
}

ScrollPart ScrollLayout::PartAt(POINT pt) const {
  if (!Inside(bar, pt)) return ScrollPart::kNone;
  if (Inside(arrow_low, pt)) return ScrollPart::kArrowLow;
  if (Inside(arrow_high, pt)) return ScrollPart::kArrowHigh;
  if (!has_thumb) return ScrollPart::kNone;
  if (Inside(thumb, pt)) return ScrollPart::kThumb;
  if (Inside(page_low, pt)) return ScrollPart::kPageLow;
  if (Inside(page_high, pt)) return ScrollPart::kPageHigh;
  return ScrollPart::kNone;
}

int ScrollLayout::PosAtThumbEdge(const ScrollValues& values, int edge) const {
  if (movable <= 0) return values.min;
  edge = std::clamp(edge, 0, movable);
  const std::int64_t span = static_cast<std::int64_t>(values.MaxPos()) - values.min;
  return values.min + static_cast<int>((edge * span + movable / 2) / movable);
}

ScrollLayout LayoutScrollBar(const RECT& bar, bool vertical, const ScrollValues& values,
                             bool enabled) {
  ScrollLayout l;
  l.bar = bar;
  l.vertical = vertical;
  const int width = bar.right - bar.left, height = bar.bottom - bar.top;
  const int length = vertical ? height : width;
  const int thickness = vertical ? width : height;
  const int arrow = std::max(0, std::min(thickness, length / 2));
  if (vertical) {
    l.arrow_low = RECT{bar.left, bar.top, bar.right, bar.top + arrow};
    l.arrow_high = RECT{bar.left, bar.bottom - arrow, bar.right, bar.bottom};
    l.track = RECT{bar.left, bar.top + arrow, bar.right, bar.bottom - arrow};
  } else {
    l.arrow_low = RECT{bar.left, bar.top, bar.left + arrow, bar.bottom};
    l.arrow_high = RECT{bar.right - arrow, bar.top, bar.right, bar.bottom};
    l.track = RECT{bar.left + arrow, bar.top, bar.right - arrow, bar.bottom};
  }
  const int track_length = length - 2 * arrow;
  if (!enabled || !values.CanScroll() || values.disabled_arrows == ESB_DISABLE_BOTH) return l;
  const std::int64_t span = static_cast<std::int64_t>(values.max) - values.min + 1;
  int thumb = values.page > 0
                  ? static_cast<int>(static_cast<std::int64_t>(track_length) * values.page / span)
                  : thickness;
  thumb = std::max(thumb, kMinThumb);
  if (thumb > track_length) return l;
  l.has_thumb = true;
  l.movable = track_length - thumb;
  const int shown = values.tracking ? values.track_pos : values.pos;
  const std::int64_t positions = static_cast<std::int64_t>(values.MaxPos()) - values.min;
  int offset = 0;
  if (positions > 0) {
    offset = static_cast<int>(
        (static_cast<std::int64_t>(l.movable) * (values.Clamp(shown) - values.min) +
         positions / 2) /
        positions);
  }
  const int start = TrackStart(l) + offset;
  if (vertical) {
    l.thumb = RECT{bar.left, start, bar.right, start + thumb};
    l.page_low = RECT{bar.left, l.track.top, bar.right, start};
    l.page_high = RECT{bar.left, start + thumb, bar.right, l.track.bottom};
  } else {
    l.thumb = RECT{start, bar.top, start + thumb, bar.bottom};
    l.page_low = RECT{l.track.left, bar.top, start, bar.bottom};
    l.page_high = RECT{start + thumb, bar.top, l.track.right, bar.bottom};
  }
  return l;
}

void DrawScrollBar(HDC dc, const ScrollLayout& l, const ScrollValues& values, bool enabled,
                   ScrollPart pressed) {
  const bool live = enabled && values.CanScroll();
  const bool low_off = !live || (values.disabled_arrows & ESB_DISABLE_LTUP);
  const bool high_off = !live || (values.disabled_arrows & ESB_DISABLE_RTDN);
  RECT r = l.arrow_low;
  if (!IsRectEmpty(&r)) {
    DrawFrameControl(dc, &r, DFC_SCROLL,
                     (l.vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) |
                         (pressed == ScrollPart::kArrowLow ? DFCS_PUSHED | DFCS_FLAT : 0u) |
                         (low_off ? DFCS_INACTIVE : 0u));
  }
  r = l.arrow_high;
  if (!IsRectEmpty(&r)) {
    DrawFrameControl(dc, &r, DFC_SCROLL,
                     (l.vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) |
                         (pressed == ScrollPart::kArrowHigh ? DFCS_PUSHED | DFCS_FLAT : 0u) |
                         (high_off ? DFCS_INACTIVE : 0u));
  }
  r = l.track;
  if (!IsRectEmpty(&r)) FillRect(dc, &r, CheckerBrush());
  if (!l.has_thumb) return;
  if (pressed == ScrollPart::kPageLow) {
    r = l.page_low;
    FillRect(dc, &r, GetSysColorBrush(COLOR_3DDKSHADOW));
  } else if (pressed == ScrollPart::kPageHigh) {
    r = l.page_high;
    FillRect(dc, &r, GetSysColorBrush(COLOR_3DDKSHADOW));
  }
  r = l.thumb;
  FillRect(dc, &r, GetSysColorBrush(COLOR_3DFACE));
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
}

WORD CodeForPart(ScrollPart part) {
  switch (part) {
    case ScrollPart::kArrowLow:
      return SB_LINEUP;
    case ScrollPart::kArrowHigh:
      return SB_LINEDOWN;
    case ScrollPart::kPageLow:
      return SB_PAGEUP;
    case ScrollPart::kPageHigh:
      return SB_PAGEDOWN;
    default:
      return SB_ENDSCROLL;
  }
}

bool ScrollTrack::Begin(const ScrollSite& site, POINT pt) {
  const ScrollValues values = site.values();
  const bool enabled = site.enabled();
  const ScrollLayout layout = LayoutScrollBar(site.bar(), site.vertical, values, enabled);
  ScrollPart part = layout.PartAt(pt);
  if (part == ScrollPart::kNone || !enabled || !values.CanScroll()) return false;
  if (part == ScrollPart::kArrowLow && (values.disabled_arrows & ESB_DISABLE_LTUP)) return false;
  if (part == ScrollPart::kArrowHigh && (values.disabled_arrows & ESB_DISABLE_RTDN)) return false;
  part_ = part;
  over_ = true;
  last_ = pt;
  if (part == ScrollPart::kThumb) {
    grab_ = Along(site.vertical, pt) - (site.vertical ? layout.thumb.top : layout.thumb.left);
    track_pos_ = values.pos;
    site.set_tracking(true, track_pos_);
    site.redraw(pressed());
    return true;
  }
  site.redraw(pressed());
  site.send(CodeForPart(part), 0);
  return true;
}

void ScrollTrack::Move(const ScrollSite& site, POINT pt) {
  if (!active()) return;
  last_ = pt;
  ScrollValues values = site.values();
  const ScrollLayout layout = LayoutScrollBar(site.bar(), site.vertical, values, site.enabled());
  if (part_ == ScrollPart::kThumb) {
    const int edge = Along(site.vertical, pt) - TrackStart(layout) - grab_;
    const int pos = layout.PosAtThumbEdge(values, edge);
    if (pos == track_pos_) return;
    track_pos_ = pos;
    site.set_tracking(true, pos);
    site.redraw(pressed());
    site.send(SB_THUMBTRACK, pos);
    return;
  }
  const bool now_over = layout.PartAt(pt) == part_;
  if (now_over != over_) {
    over_ = now_over;
    site.redraw(pressed());
  }
}

void ScrollTrack::Repeat(const ScrollSite& site) {
  if (!active() || part_ == ScrollPart::kThumb) return;
  const ScrollLayout layout =
      LayoutScrollBar(site.bar(), site.vertical, site.values(), site.enabled());
  const bool now_over = layout.PartAt(last_) == part_;
  if (now_over != over_) {
    over_ = now_over;
    site.redraw(pressed());
  }
  if (over_) site.send(CodeForPart(part_), 0);
}

void ScrollTrack::End(const ScrollSite& site, POINT pt) {
  if (!active()) return;
  Move(site, pt);
  if (part_ == ScrollPart::kThumb) {
    site.send(SB_THUMBPOSITION, track_pos_);
    site.set_tracking(false, track_pos_);
  }
  part_ = ScrollPart::kNone;
  over_ = false;
  site.redraw(ScrollPart::kNone);
  site.send(SB_ENDSCROLL, 0);
}

}  // namespace platform::ctl

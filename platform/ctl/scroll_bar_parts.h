// The pieces a scroll bar is made of, shared by the "SCROLLBAR" control and
// the window scroll bars: the bar's values, where its parts lie, how it is
// drawn, and the tracking of a mouse press on it.
#pragma once

#include <functional>

#include "platform/core/types.h"
#include "platform/ctl/scroll_bar.h"

namespace platform::ctl {

struct ScrollValues {
  int min = 0;
  int max = 0;
  int page = 0;
  int pos = 0;
  int track_pos = 0;
  bool tracking = false;  // the thumb is being dragged: it shows at track_pos
  UINT disabled_arrows = ESB_ENABLE_BOTH;

  // The highest position: max - max(page - 1, 0), never below min.
  int MaxPos() const;
  int Clamp(int value) const;
  // Something to scroll: the range is larger than a page.
  bool CanScroll() const;
  // Applies the fields of `info` that its mask names; returns the new pos.
  int Apply(const SCROLLINFO& info);
  void Fill(SCROLLINFO* info) const;
};

enum class ScrollPart { kNone, kArrowLow, kPageLow, kThumb, kPageHigh, kArrowHigh };

struct ScrollLayout {
  RECT bar{};
  bool vertical = true;
  RECT arrow_low{}, arrow_high{};
  RECT track{};  // between the arrows
  bool has_thumb = false;
  RECT thumb{};
  RECT page_low{}, page_high{};  // the track before and after the thumb
  int movable = 0;               // pixels the thumb can travel

  ScrollPart PartAt(POINT pt) const;
  // The position of the thumb when its leading edge is at `edge` (pixels
  // along the bar from the track's start).
  int PosAtThumbEdge(const ScrollValues& values, int edge) const;
};

// Where the parts lie. A disabled bar (or one with nothing to scroll) has
// no thumb.
ScrollLayout LayoutScrollBar(const RECT& bar, bool vertical, const ScrollValues& values,
                             bool enabled);

// Draws the bar; `pressed` is the part held down with the mouse over it.
void DrawScrollBar(HDC dc, const ScrollLayout& layout, const ScrollValues& values, bool enabled,
                   ScrollPart pressed);

// What a tracked bar needs from the one it belongs to.
struct ScrollSite {
  std::function<ScrollValues()> values;
  std::function<RECT()> bar;  // in the coordinates of the points given
  bool vertical = true;
  std::function<bool()> enabled;
  // Sends WM_HSCROLL / WM_VSCROLL with a code and position.
  std::function<void(WORD code, int pos)> send;
  // Tells the bar that its thumb is dragged (to track_pos) or let go.
  std::function<void(bool tracking, int track_pos)> set_tracking;
  // Draws the bar now with this part pressed.
  std::function<void(ScrollPart pressed)> redraw;
};

// One press of the mouse on a bar, from the button going down to its
// release.
class ScrollTrack {
 public:
  // Delays of the repeat (platform clock).
  static constexpr UINT kFirstRepeatMs = 400;
  static constexpr UINT kRepeatMs = 50;

  // False when the press hits nothing that scrolls (then nothing is sent).
  bool Begin(const ScrollSite& site, POINT pt);
  void Move(const ScrollSite& site, POINT pt);
  // The repeat timer fired.
  void Repeat(const ScrollSite& site);
  void End(const ScrollSite& site, POINT pt);
  bool active() const { return part_ != ScrollPart::kNone; }
  // The part to draw pressed now.
  ScrollPart pressed() const { return over_ ? part_ : ScrollPart::kNone; }

 private:
  ScrollPart part_ = ScrollPart::kNone;
  bool over_ = false;
  int grab_ = 0;  // mouse offset inside the thumb along the bar
  int track_pos_ = 0;
  POINT last_{};
};

// SB_LINEUP... for a part.
WORD CodeForPart(ScrollPart part);

}  // namespace platform::ctl

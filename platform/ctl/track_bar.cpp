// The "msctls_trackbar32" class.
#include "platform/ctl/track_bar.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "platform/ctl/control_base.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

constexpr int kEdge = 4;           // room between the control's edge and the channel's end
constexpr int kTickSpace = 6;      // room for a row of ticks
constexpr int kDefaultThumb = 21;  // thumb length across the channel
constexpr UINT_PTR kPageTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;

class TrackBar : public Control {
 public:
  explicit TrackBar(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  struct Geometry {
    RECT channel{};
    RECT thumb{};
    int travel_start = 0;  // where the thumb's leading edge is at the minimum
    int travel = 0;        // how far it goes to the maximum
  };

  bool Vertical() const { return (Style() & TBS_VERT) != 0; }
  int Along(POINT pt) const { return Vertical() ? pt.y : pt.x; }
  int ThumbAlong() const { return std::clamp(thumb_length_ / 2 + 1, 5, 11); }
  Geometry Layout() const;
  int CoordOf(const Geometry& g, int pos) const;
  int PosAt(const Geometry& g, int leading_edge) const;
  std::vector<int> Ticks() const;
  void SetPos(int pos, bool redraw);
  void Send(WORD code);
  void Paint();
  void PageStep();
  LRESULT KeyDown(UINT vk);
  void EndPress();

  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  int line_ = 1;
  int page_ = 20;
  int tick_frequency_ = 1;
  std::vector<int> ticks_;  // ticks set with TBM_SETTIC
  int sel_start_ = 0;
  int sel_end_ = 0;
  int thumb_length_ = kDefaultThumb;
  HWND buddies_[2] = {nullptr, nullptr};
  bool dragging_ = false;
  int grab_ = 0;
  int paging_ = 0;  // -1 paging up, 1 down
  POINT press_point_{};
  bool key_down_ = false;
};

TrackBar::Geometry TrackBar::Layout() const {
  Geometry g;
  RECT client = Client();
  const DWORD style = Style();
  const bool vertical = Vertical();
  const int length = vertical ? client.bottom - client.top : client.right - client.left;
  const int across = vertical ? client.right - client.left : client.bottom - client.top;
  const int thumb_along = ThumbAlong();
  const int thumb_across = std::min(thumb_length_, std::max(4, across - 2));
  int offset = 0;  // of the thumb across the control
  if ((style & TBS_NOTICKS) || (style & TBS_BOTH)) {
    offset = (across - thumb_across) / 2;
  } else if (style & TBS_TOP) {
    offset = std::min(kEdge + kTickSpace, std::max(0, across - thumb_across));
  } else {
    offset = std::min(kEdge, std::max(0, across - thumb_across));
  }
  g.travel_start = kEdge;
  g.travel = std::max(0, length - 2 * kEdge - thumb_along);
  const int lead = CoordOf(g, pos_);
  const int middle = offset + thumb_across / 2;
  if (vertical) {
    g.thumb = RECT{offset, lead, offset + thumb_across, lead + thumb_along};
    g.channel = RECT{middle - 2, kEdge, middle + 2, length - kEdge};
  } else {
    g.thumb = RECT{lead, offset, lead + thumb_along, offset + thumb_across};
    g.channel = RECT{kEdge, middle - 2, length - kEdge, middle + 2};
  }
  return g;
}

int TrackBar::CoordOf(const Geometry& g, int pos) const {
  const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
  if (span <= 0) return g.travel_start;
  return g.travel_start +
         static_cast<int>((static_cast<std::int64_t>(std::clamp(pos, min_, max_)) - min_) *
                          g.travel / span);
}

int TrackBar::PosAt(const Geometry& g, int leading_edge) const {
  if (g.travel <= 0) return min_;
  const std::int64_t span = static_cast<std::int64_t>(max_) - min_;
  const int offset = std::clamp(leading_edge - g.travel_start, 0, g.travel);
  return min_ + static_cast<int>((offset * span + g.travel / 2) / g.travel);
}

std::vector<int> TrackBar::Ticks() const {
  if (Style() & TBS_NOTICKS) return {};
  std::set<int> positions{min_, max_};
  // (A range of more ticks than any screen has pixels shows only its ends.)
  const std::int64_t count =
      (static_cast<std::int64_t>(max_) - min_) / std::max(1, tick_frequency_);
  if ((Style() & TBS_AUTOTICKS) && tick_frequency_ > 0 && count <= 8192) {
    for (std::int64_t p = min_; p <= max_; p += tick_frequency_)
      positions.insert(static_cast<int>(p));
  }
  for (int t : ticks_) {
    if (t >= min_ && t <= max_) positions.insert(t);
  }
  return std::vector<int>(positions.begin(), positions.end());
}

void TrackBar::SetPos(int pos, bool redraw) {
  pos = std::clamp(pos, min_, max_);
  if (pos == pos_) return;
  pos_ = pos;
  if (redraw) Invalidate(false);
}

void TrackBar::Send(WORD code) {
  HWND parent = Parent();
  if (parent == nullptr) return;
  const bool with_pos = code == TB_THUMBPOSITION || code == TB_THUMBTRACK;
  SendMessage(parent, Vertical() ? WM_VSCROLL : WM_HSCROLL,
              MAKEWPARAM(code, with_pos ? static_cast<WORD>(pos_) : 0),
              reinterpret_cast<LPARAM>(hwnd()));
}

void TrackBar::Paint() {
  PaintScope paint(hwnd());
  HDC dc = paint.dc();
  RECT client = Client();
  HBRUSH background = ControlColor(dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &client, background);
  const Geometry g = Layout();
  const DWORD style = Style();
  const bool vertical = Vertical();
  RECT channel = g.channel;
  DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(dc, &channel, GetSysColorBrush(COLOR_WINDOW));
  if ((style & TBS_ENABLESELRANGE) && sel_end_ > sel_start_) {
    const int from = CoordOf(g, sel_start_) + ThumbAlong() / 2;
    const int to = CoordOf(g, sel_end_) + ThumbAlong() / 2;
    RECT band = vertical ? RECT{channel.left, from, channel.right, to}
                         : RECT{from, channel.top, to, channel.bottom};
    FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
  HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
  for (int t : Ticks()) {
    const int at = CoordOf(g, t) + ThumbAlong() / 2;
    const int size = (t == min_ || t == max_) ? 4 : 3;
    auto mark = [&](int from_edge) {
      RECT r = vertical ? RECT{from_edge, at, from_edge + size, at + 1}
                        : RECT{at, from_edge, at + 1, from_edge + size};
      FillRect(dc, &r, ink);
    };
    const int near_side = (vertical ? g.thumb.left : g.thumb.top) - 2 - size;
    const int far_side = (vertical ? g.thumb.right : g.thumb.bottom) + 2;
    if ((style & TBS_BOTH) || (style & TBS_TOP)) mark(near_side);
    if ((style & TBS_BOTH) || !(style & TBS_TOP)) mark(far_side);
  }
  if (!(style & TBS_NOTHUMB)) {
    RECT thumb = g.thumb;
    FillRect(dc, &thumb, Enabled() ? GetSysColorBrush(COLOR_3DFACE) : CheckerBrush());
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
  if (Focused()) {
    RECT focus = client;
    DrawFocusRect(dc, &focus);
  }
}

void TrackBar::PageStep() {
  const Geometry g = Layout();
  const int at = Along(press_point_);
  const int lead = Vertical() ? g.thumb.top : g.thumb.left;
  const int trail = Vertical() ? g.thumb.bottom : g.thumb.right;
  // Paging stops once the thumb has reached the mouse.
  if (paging_ < 0 && at >= lead) return;
  if (paging_ > 0 && at < trail) return;
  SetPos(pos_ + paging_ * page_, true);
  Send(paging_ < 0 ? TB_PAGEUP : TB_PAGEDOWN);
}

void TrackBar::EndPress() {
  if (!dragging_ && paging_ == 0) return;
  const bool was_dragging = dragging_;
  dragging_ = false;
  paging_ = 0;
  KillTimer(hwnd(), kPageTimer);
  if (GetCapture() == hwnd()) ReleaseCapture();
  if (was_dragging) Send(TB_THUMBPOSITION);
  if (!alive()) return;
  Send(TB_ENDTRACK);
  if (!alive()) return;
  NMHDR header;
  Notify(&header, NM_RELEASEDCAPTURE);
  if (alive()) Invalidate(false);
}

LRESULT TrackBar::KeyDown(UINT vk) {
  WORD code = 0;
  int target = pos_;
  switch (vk) {
    case VK_LEFT:
    case VK_UP:
      code = TB_LINEUP;
      target = pos_ - line_;
      break;
    case VK_RIGHT:
    case VK_DOWN:
      code = TB_LINEDOWN;
      target = pos_ + line_;
      break;
    case VK_PRIOR:
      code = TB_PAGEUP;
      target = pos_ - page_;
      break;
    case VK_NEXT:
      code = TB_PAGEDOWN;
      target = pos_ + page_;
      break;
    case VK_HOME:
      code = TB_TOP;
      target = min_;
      break;
    case VK_END:
      code = TB_BOTTOM;
      target = max_;
      break;
    default:
      return 0;
  }
  key_down_ = true;
  SetPos(target, true);
  Send(code);
  return 0;
}

LRESULT TrackBar::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
    case WM_SIZE:
      if (!(Style() & TBS_FIXEDLENGTH)) {
        RECT client = Client();
        const int across = Vertical() ? client.right - client.left : client.bottom - client.top;
        int ticks = (Style() & TBS_NOTICKS) ? 0 : ((Style() & TBS_BOTH) ? 2 : 1) * kTickSpace;
        thumb_length_ = std::clamp(across - 2 * kEdge - ticks, 8, kDefaultThumb);
      }
      Invalidate(false);
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (message == WM_KILLFOCUS) EndPress();
      if (alive()) Invalidate(false);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!Enabled()) return 0;
      if (!Focused()) SetFocus(hwnd());
      if (!alive()) return 0;
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const Geometry g = Layout();
      press_point_ = pt;
      SetCapture(hwnd());
      if (PtInRect(&g.thumb, pt) && !(Style() & TBS_NOTHUMB)) {
        dragging_ = true;
        grab_ = Along(pt) - (Vertical() ? g.thumb.top : g.thumb.left);
        Invalidate(false);
        return 0;
      }
      paging_ = Along(pt) < (Vertical() ? g.thumb.top : g.thumb.left) ? -1 : 1;
      PageStep();
      if (alive() && paging_ != 0) SetTimer(hwnd(), kPageTimer, kFirstRepeatMs, nullptr);
      return 0;
    }
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      press_point_ = pt;
      if (!dragging_) return 0;
      const int pos = PosAt(Layout(), Along(pt) - grab_);
      if (pos != pos_) {
        SetPos(pos, true);
        Send(TB_THUMBTRACK);
      }
      return 0;
    }
    case WM_LBUTTONUP:
      EndPress();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd()) EndPress();
      return 0;
    case WM_TIMER:
      if (wparam == kPageTimer && paging_ != 0) {
        SetTimer(hwnd(), kPageTimer, kRepeatMs, nullptr);
        PageStep();
      }
      return 0;
    case WM_KEYDOWN:
      return KeyDown(static_cast<UINT>(wparam));
    case WM_KEYUP:
      if (key_down_) {
        key_down_ = false;
        Send(TB_ENDTRACK);
      }
      return 0;

    case TBM_GETPOS:
      return pos_;
    case TBM_SETPOS:
      SetPos(static_cast<int>(lparam), wparam != 0);
      return 0;
    case TBM_GETRANGEMIN:
      return min_;
    case TBM_GETRANGEMAX:
      return max_;
    case TBM_SETRANGE:
      min_ = static_cast<SHORT>(LOWORD(lparam));
      max_ = std::max(min_, static_cast<int>(static_cast<SHORT>(HIWORD(lparam))));
      pos_ = std::clamp(pos_, min_, max_);
      if (wparam) Invalidate(false);
      return 0;
    case TBM_SETRANGEMIN:
      min_ = static_cast<int>(lparam);
      max_ = std::max(min_, max_);
      pos_ = std::clamp(pos_, min_, max_);
      if (wparam) Invalidate(false);
      return 0;
    case TBM_SETRANGEMAX:
      max_ = std::max(min_, static_cast<int>(lparam));
      pos_ = std::clamp(pos_, min_, max_);
      if (wparam) Invalidate(false);
      return 0;
    case TBM_SETTIC:
      if (static_cast<int>(lparam) < min_ || static_cast<int>(lparam) > max_) return FALSE;
      ticks_.push_back(static_cast<int>(lparam));
      std::sort(ticks_.begin(), ticks_.end());
      Invalidate(false);
      return TRUE;
    case TBM_GETTIC:
      return wparam < ticks_.size() ? ticks_[wparam] : -1;
    case TBM_CLEARTICS:
      ticks_.clear();
      if (wparam) Invalidate(false);
      return 0;
    case TBM_GETNUMTICS:
      return static_cast<LRESULT>(Ticks().size());
    case TBM_GETPTICS:
      return ticks_.empty() ? 0 : reinterpret_cast<LRESULT>(ticks_.data());
    case TBM_GETTICPOS:
      if (wparam >= ticks_.size()) return -1;
      return CoordOf(Layout(), ticks_[wparam]) + ThumbAlong() / 2;
    case TBM_SETTICFREQ:
      tick_frequency_ = std::max(1, static_cast<int>(wparam));
      Invalidate(false);
      return 0;
    case TBM_SETSEL:
      sel_start_ = static_cast<SHORT>(LOWORD(lparam));
      sel_end_ = static_cast<SHORT>(HIWORD(lparam));
      if (wparam) Invalidate(false);
      return 0;
    case TBM_SETSELSTART:
      sel_start_ = static_cast<int>(lparam);
      if (wparam) Invalidate(false);
      return 0;
    case TBM_SETSELEND:
      sel_end_ = static_cast<int>(lparam);
      if (wparam) Invalidate(false);
      return 0;
    case TBM_GETSELSTART:
      return sel_start_;
    case TBM_GETSELEND:
      return sel_end_;
    case TBM_CLEARSEL:
      sel_start_ = sel_end_ = 0;
      if (wparam) Invalidate(false);
      return 0;
    case TBM_SETPAGESIZE: {
      const int old = page_;
      page_ = static_cast<int>(lparam);
      return old;
    }
    case TBM_GETPAGESIZE:
      return page_;
    case TBM_SETLINESIZE: {
      const int old = line_;
      line_ = static_cast<int>(lparam);
      return old;
    }
    case TBM_GETLINESIZE:
      return line_;
    case TBM_GETTHUMBRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = Layout().thumb;
      return 0;
    case TBM_GETCHANNELRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = Layout().channel;
      return 0;
    case TBM_SETTHUMBLENGTH:
      if (Style() & TBS_FIXEDLENGTH) thumb_length_ = std::max(4, static_cast<int>(wparam));
      Invalidate(false);
      return 0;
    case TBM_GETTHUMBLENGTH:
      return thumb_length_;
    case TBM_SETBUDDY: {
      HWND& slot = buddies_[wparam ? 0 : 1];
      HWND old = slot;
      slot = reinterpret_cast<HWND>(lparam);
      return reinterpret_cast<LRESULT>(old);
    }
    case TBM_GETBUDDY:
      return reinterpret_cast<LRESULT>(buddies_[wparam ? 0 : 1]);
    case TBM_SETTOOLTIPS:
    case TBM_GETTOOLTIPS:
    case TBM_SETTIPSIDE:
      return 0;
  }
  return Default(message, wparam, lparam);
}

void RegisterTrackBarClass() {
  RegisterControlClass<TrackBar>("msctls_trackbar32", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
}

const platform::BuiltinClass kTrackBarClass("msctls_trackbar32", &RegisterTrackBarClass);

}  // namespace
}  // namespace platform::ctl

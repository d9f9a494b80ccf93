// The "SCROLLBAR" control, the scroll bars of windows, and the calls that
// set and read both.
#include "platform/ctl/scroll_bar.h"

#include <mutex>
#include <unordered_map>

#include "platform/core/errors.h"
#include "platform/ctl/control_base.h"
#include "platform/ctl/scroll_bar_parts.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

// ---------------------------------------------------------------------------
// The scroll bars of windows (WS_HSCROLL / WS_VSCROLL)
// ---------------------------------------------------------------------------

struct WindowBars {
  ScrollValues bar[2];  // SB_HORZ, SB_VERT
  ScrollPart pressed[2] = {ScrollPart::kNone, ScrollPart::kNone};
};

struct BarStore {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, WindowBars> windows;
  std::size_t added_since_sweep = 0;
};

BarStore& Store() {
  static auto* store = new BarStore;
  return *store;
}

WindowBars NewWindowBars() {
  WindowBars bars;
  for (ScrollValues& v : bars.bar) v.max = 100;  // a new window's bars run 0..100
  return bars;
}

// The record of a window, made on first use. Records of windows that are
// gone are swept now and then (handles are never reused, so a stale record
// is only memory). Store lock held.
WindowBars& BarsOf(BarStore& store, HWND hwnd) {
  auto key = reinterpret_cast<std::uintptr_t>(hwnd);
  auto it = store.windows.find(key);
  if (it != store.windows.end()) return it->second;
  if (++store.added_since_sweep >= 64) {
    store.added_since_sweep = 0;
    for (auto sweep = store.windows.begin(); sweep != store.windows.end();) {
      if (!IsWindow(reinterpret_cast<HWND>(sweep->first))) {
        sweep = store.windows.erase(sweep);
      } else {
        ++sweep;
      }
    }
  }
  return store.windows.emplace(key, NewWindowBars()).first->second;
}

ScrollValues WindowBar(HWND hwnd, int bar) {
  BarStore& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  return BarsOf(store, hwnd).bar[bar];
}

void SetWindowBar(HWND hwnd, int bar, const ScrollValues& values) {
  BarStore& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  BarsOf(store, hwnd).bar[bar] = values;
}

ScrollPart PressedPart(HWND hwnd, int bar) {
  BarStore& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  return BarsOf(store, hwnd).pressed[bar];
}

void SetPressedPart(HWND hwnd, int bar, ScrollPart part) {
  BarStore& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  BarsOf(store, hwnd).pressed[bar] = part;
}

void PaintWindowBar(HWND hwnd, HDC dc, const RECT& rect, bool vertical) {
  const int bar = vertical ? SB_VERT : SB_HORZ;
  ScrollValues values = WindowBar(hwnd, bar);
  bool enabled = IsWindowEnabled(hwnd) != FALSE;
  ScrollLayout layout = LayoutScrollBar(rect, vertical, values, enabled);
  DrawScrollBar(dc, layout, values, enabled, PressedPart(hwnd, bar));
}

void RedrawWindowBar(HWND hwnd, int bar) {
  RECT rect;
  if (!IsWindowVisible(hwnd) || !GetWindowScrollBarRect(hwnd, bar == SB_VERT, &rect)) return;
  HDC dc = GetWindowDC(hwnd);
  if (dc == nullptr) return;
  PaintWindowBar(hwnd, dc, rect, bar == SB_VERT);
  ReleaseDC(hwnd, dc);
}

DWORD StyleBit(int bar) {
  return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
}

// Shows or hides a window's bars; true when the frame changed.
bool SetBarsShown(HWND hwnd, DWORD bits, bool show) {
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  DWORD wanted = show ? (style | bits) : (style & ~bits);
  if (wanted == style) return false;
  SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>(wanted));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

// Takes the next message of a modal mouse loop; false when the loop must
// end (WM_QUIT is put back for the outer loop).
bool NextLoopMessage(MSG* msg) {
  BOOL result = GetMessage(msg, nullptr, 0, 0);
  if (result == 0) {
    PostQuitMessage(static_cast<int>(msg->wParam));
    return false;
  }
  return result > 0;
}

constexpr UINT_PTR kWindowBarTimer = 0xFFF5;

// A press on a window's bar: tracks the mouse until the button goes up.
void TrackWindowBar(HWND hwnd, bool vertical, POINT screen_pt) {
  const int bar = vertical ? SB_VERT : SB_HORZ;
  ScrollSite site;
  site.vertical = vertical;
  site.values = [hwnd, bar] { return WindowBar(hwnd, bar); };
  site.bar = [hwnd, vertical] {
    RECT r{}, w{};
    GetWindowScrollBarRect(hwnd, vertical, &r);
    GetWindowRect(hwnd, &w);
    OffsetRect(&r, w.left, w.top);
    return r;
  };
  site.enabled = [hwnd] { return IsWindowEnabled(hwnd) != FALSE; };
  site.send = [hwnd, vertical](WORD code, int pos) {
    SendMessage(hwnd, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)),
                0);
  };
  site.set_tracking = [hwnd, bar](bool tracking, int pos) {
    ScrollValues v = WindowBar(hwnd, bar);
    v.tracking = tracking;
    v.track_pos = pos;
    SetWindowBar(hwnd, bar, v);
  };
  site.redraw = [hwnd, bar](ScrollPart pressed) {
    SetPressedPart(hwnd, bar, pressed);
    RedrawWindowBar(hwnd, bar);
  };
  ScrollTrack track;
  if (!track.Begin(site, screen_pt)) return;
  SetCapture(hwnd);
  SetTimer(hwnd, kWindowBarTimer, ScrollTrack::kFirstRepeatMs, nullptr);
  POINT last = screen_pt;
  MSG msg;
  bool ended = false;
  while (IsWindow(hwnd) && GetCapture() == hwnd && NextLoopMessage(&msg)) {
    switch (msg.message) {
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE:
        last = msg.pt;
        track.Move(site, msg.pt);
        continue;
      case WM_LBUTTONUP:
      case WM_NCLBUTTONUP:
        last = msg.pt;
        track.End(site, msg.pt);
        ended = true;
        break;
      case WM_TIMER:
        if (msg.hwnd == hwnd && msg.wParam == kWindowBarTimer) {
          SetTimer(hwnd, kWindowBarTimer, ScrollTrack::kRepeatMs, nullptr);
          track.Repeat(site);
          continue;
        }
        [[fallthrough]];
      default:
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        continue;
    }
    break;
  }
  if (!IsWindow(hwnd)) return;
  KillTimer(hwnd, kWindowBarTimer);
  if (!ended) track.End(site, last);
  if (GetCapture() == hwnd) ReleaseCapture();
}

const platform::ScrollBarHandler kWindowBarHandler{&PaintWindowBar, &TrackWindowBar};
const bool kHandlerInstalled = [] {
  platform::SetScrollBarHandler(&kWindowBarHandler);
  return true;
}();

// ---------------------------------------------------------------------------
// The "SCROLLBAR" control
// ---------------------------------------------------------------------------

constexpr UINT_PTR kRepeatTimer = 1;

class ScrollBarControl : public Control {
 public:
  explicit ScrollBarControl(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_PAINT:
        Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_ENABLE:
        Invalidate(false);
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        Press(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
        return 0;
      case WM_MOUSEMOVE:
        last_ = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (track_.active()) track_.Move(Site(), last_);
        return 0;
      case WM_LBUTTONUP:
        last_ = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        Release();
        return 0;
      case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lparam) != hwnd()) Release();
        return 0;
      case WM_TIMER:
        if (wparam == kRepeatTimer && track_.active()) {
          SetTimer(hwnd(), kRepeatTimer, ScrollTrack::kRepeatMs, nullptr);
          track_.Repeat(Site());
        }
        return 0;
      case WM_KEYDOWN:
        return KeyDown(static_cast<UINT>(wparam));
      case WM_KEYUP:
        if (CodeForKey(static_cast<UINT>(wparam)) != SB_ENDSCROLL) Send(SB_ENDSCROLL, 0);
        return 0;
      case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
      case SBM_SETPOS: {
        int old = values_.pos;
        values_.pos = values_.Clamp(static_cast<int>(wparam));
        if (lparam) Invalidate(false);
        return old;
      }
      case SBM_GETPOS:
        return values_.pos;
      case SBM_SETRANGE:
      case SBM_SETRANGEREDRAW: {
        int old = values_.pos;
        SCROLLINFO info;
        info.fMask = SIF_RANGE;
        info.nMin = static_cast<int>(wparam);
        info.nMax = static_cast<int>(lparam);
        values_.Apply(info);
        if (message == SBM_SETRANGEREDRAW) Invalidate(false);
        return old;
      }
      case SBM_GETRANGE:
        if (wparam) *reinterpret_cast<int*>(wparam) = values_.min;
        if (lparam) *reinterpret_cast<int*>(lparam) = values_.max;
        return 0;
      case SBM_ENABLE_ARROWS: {
        if (values_.disabled_arrows == static_cast<UINT>(wparam)) return FALSE;
        values_.disabled_arrows = static_cast<UINT>(wparam);
        Invalidate(false);
        return TRUE;
      }
      case SBM_SETSCROLLINFO: {
        auto* info = reinterpret_cast<const SCROLLINFO*>(lparam);
        if (info == nullptr) return values_.pos;
        int pos = values_.Apply(*info);
        if (wparam) Invalidate(false);
        return pos;
      }
      case SBM_GETSCROLLINFO: {
        auto* info = reinterpret_cast<SCROLLINFO*>(lparam);
        if (info == nullptr) return FALSE;
        values_.Fill(info);
        return TRUE;
      }
    }
    return Default(message, wparam, lparam);
  }

 private:
  bool Vertical() const { return (Style() & SBS_VERT) != 0; }
  bool IsGrip() const { return (Style() & (SBS_SIZEBOX | SBS_SIZEGRIP)) != 0; }

  void Send(WORD code, int pos) {
    HWND parent = Parent();
    if (parent == nullptr) return;
    SendMessage(parent, Vertical() ? WM_VSCROLL : WM_HSCROLL,
                MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(hwnd()));
  }

  ScrollSite Site() {
    ScrollSite site;
    site.vertical = Vertical();
    site.values = [this] { return values_; };
    site.bar = [this] { return Client(); };
    site.enabled = [this] { return Enabled(); };
    site.send = [this](WORD code, int pos) {
      if (alive()) Send(code, pos);
    };
    site.set_tracking = [this](bool tracking, int pos) {
      values_.tracking = tracking;
      values_.track_pos = pos;
    };
    site.redraw = [this](ScrollPart) {
      if (!alive()) return;
      Invalidate(false);
      UpdateWindow(hwnd());
    };
    return site;
  }

  void Paint() {
    PaintScope paint(hwnd());
    RECT client = Client();
    if (IsGrip()) {
      FillRect(paint.dc(), &client, GetSysColorBrush(COLOR_3DFACE));
      if (Style() & SBS_SIZEGRIP)
        DrawFrameControl(paint.dc(), &client, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
      return;
    }
    ScrollLayout layout = LayoutScrollBar(client, Vertical(), values_, Enabled());
    DrawScrollBar(paint.dc(), layout, values_, Enabled(), track_.pressed());
  }

  void Press(POINT pt) {
    if (IsGrip()) return;
    if (Style() & WS_TABSTOP) SetFocus(hwnd());
    if (!alive() || track_.active()) return;
    last_ = pt;
    ScrollSite site = Site();
    if (!track_.Begin(site, pt)) return;
    if (!alive()) return;
    SetCapture(hwnd());
    SetTimer(hwnd(), kRepeatTimer, ScrollTrack::kFirstRepeatMs, nullptr);
  }

  void Release() {
    if (!track_.active()) return;
    KillTimer(hwnd(), kRepeatTimer);
    track_.End(Site(), last_);
    if (alive() && GetCapture() == hwnd()) ReleaseCapture();
  }

  static WORD CodeForKey(UINT vk) {
    switch (vk) {
      case VK_UP:
      case VK_LEFT:
        return SB_LINEUP;
      case VK_DOWN:
      case VK_RIGHT:
        return SB_LINEDOWN;
      case VK_PRIOR:
        return SB_PAGEUP;
      case VK_NEXT:
        return SB_PAGEDOWN;
      case VK_HOME:
        return SB_TOP;
      case VK_END:
        return SB_BOTTOM;
    }
    return SB_ENDSCROLL;
  }

  LRESULT KeyDown(UINT vk) {
    WORD code = CodeForKey(vk);
    if (code != SB_ENDSCROLL && Enabled()) Send(code, 0);
    return 0;
  }

  ScrollValues values_;
  ScrollTrack track_;
  POINT last_{};
};

void RegisterScrollBarClass() {
  RegisterControlClass<ScrollBarControl>("SCROLLBAR", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

const platform::BuiltinClass kScrollBarClass("SCROLLBAR", &RegisterScrollBarClass);

bool IsScrollBarControl(HWND hwnd) {
  char name[16] = {};
  GetClassName(hwnd, name, sizeof(name));
  return CompareNoCase(name, "ScrollBar") == 0;
}

bool ValidBar(HWND hwnd, int bar) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  if (bar == SB_HORZ || bar == SB_VERT) return true;
  if (bar == SB_CTL && IsScrollBarControl(hwnd)) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

}  // namespace
}  // namespace platform::ctl

using namespace platform::ctl;

int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw) {
  if (info == nullptr || !ValidBar(hwnd, bar)) return 0;
  if (bar == SB_CTL) {
    return static_cast<int>(
        SendMessage(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  }
  ScrollValues values = WindowBar(hwnd, bar);
  const int pos = values.Apply(*info);
  SetWindowBar(hwnd, bar, values);
  bool frame_changed = false;
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    // A bar with nothing to scroll goes away, unless it is asked to stay
    // (then it shows disabled).
    const bool show = values.CanScroll() || (info->fMask & SIF_DISABLENOSCROLL);
    frame_changed = SetBarsShown(hwnd, StyleBit(bar), show);
  }
  if (redraw && !frame_changed) RedrawWindowBar(hwnd, bar);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) {
  if (info == nullptr || !ValidBar(hwnd, bar)) return FALSE;
  if (bar == SB_CTL) {
    return static_cast<BOOL>(
        SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  }
  WindowBar(hwnd, bar).Fill(info);
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  if (!ValidBar(hwnd, bar)) return 0;
  if (bar == SB_CTL)
    return static_cast<int>(SendMessage(hwnd, SBM_SETPOS, static_cast<WPARAM>(pos), redraw));
  ScrollValues values = WindowBar(hwnd, bar);
  const int old = values.pos;
  values.pos = values.Clamp(pos);
  SetWindowBar(hwnd, bar, values);
  if (redraw) RedrawWindowBar(hwnd, bar);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  if (!ValidBar(hwnd, bar)) return 0;
  if (bar == SB_CTL) return static_cast<int>(SendMessage(hwnd, SBM_GETPOS, 0, 0));
  return WindowBar(hwnd, bar).pos;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  if (!ValidBar(hwnd, bar)) return FALSE;
  SetScrollInfo(hwnd, bar, &info, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  if (!GetScrollInfo(hwnd, bar, &info)) return FALSE;
  if (min != nullptr) *min = info.nMin;
  if (max != nullptr) *max = info.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  switch (bar) {
    case SB_CTL:
      ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
      return TRUE;
    case SB_HORZ:
    case SB_VERT:
      SetBarsShown(hwnd, StyleBit(bar), show != FALSE);
      return TRUE;
    case SB_BOTH:
      SetBarsShown(hwnd, WS_HSCROLL | WS_VSCROLL, show != FALSE);
      return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (bar == SB_CTL) return static_cast<BOOL>(SendMessage(hwnd, SBM_ENABLE_ARROWS, arrows, 0));
  BOOL changed = FALSE;
  for (int which : {SB_HORZ, SB_VERT}) {
    if (bar != SB_BOTH && static_cast<int>(bar) != which) continue;
    ScrollValues values = WindowBar(hwnd, which);
    if (values.disabled_arrows == arrows) continue;
    values.disabled_arrows = arrows;
    SetWindowBar(hwnd, which, values);
    RedrawWindowBar(hwnd, which);
    changed = TRUE;
  }
  return changed;
}

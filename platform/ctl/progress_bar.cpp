// The "msctls_progress32" class.
#include "platform/ctl/progress_bar.h"

#include <algorithm>
#include <cstdint>

#include "platform/ctl/control_base.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

constexpr int kBlockGap = 2;

class ProgressBar : public Control {
 public:
  explicit ProgressBar(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_PAINT:
        Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case PBM_SETRANGE:
        return SetRange(static_cast<SHORT>(LOWORD(lparam)), static_cast<SHORT>(HIWORD(lparam)));
      case PBM_SETRANGE32:
        return SetRange(static_cast<int>(wparam), static_cast<int>(lparam));
      case PBM_GETRANGE: {
        if (lparam != 0) *reinterpret_cast<PBRANGE*>(lparam) = PBRANGE{low_, high_};
        return wparam ? low_ : high_;
      }
      case PBM_SETPOS:
        return SetPos(static_cast<int>(wparam));
      case PBM_DELTAPOS:
        return SetPos(pos_ + static_cast<int>(wparam));
      case PBM_GETPOS:
        return pos_;
      case PBM_SETSTEP: {
        const int old = step_;
        step_ = static_cast<int>(wparam);
        return old;
      }
      case PBM_GETSTEP:
        return step_;
      case PBM_STEPIT: {
        // Past the high end the bar starts again from the low end.
        std::int64_t next = static_cast<std::int64_t>(pos_) + step_;
        const std::int64_t span = static_cast<std::int64_t>(high_) - low_;
        if (span > 0 && next > high_) next = low_ + (next - high_) % span;
        if (span > 0 && next < low_) next = high_ - (low_ - next) % span;
        return SetPos(static_cast<int>(next));
      }
      case PBM_SETBARCOLOR: {
        const COLORREF old = bar_color_;
        bar_color_ = static_cast<COLORREF>(lparam);
        Invalidate(false);
        return static_cast<LRESULT>(old);
      }
      case PBM_GETBARCOLOR:
        return static_cast<LRESULT>(bar_color_);
      case PBM_SETBKCOLOR: {
        const COLORREF old = back_color_;
        back_color_ = static_cast<COLORREF>(lparam);
        Invalidate(false);
        return static_cast<LRESULT>(old);
      }
      case PBM_GETBKCOLOR:
        return static_cast<LRESULT>(back_color_);
      case PBM_SETSTATE: {
        const WPARAM old = state_;
        state_ = wparam;
        Invalidate(false);
        return static_cast<LRESULT>(old);
      }
      case PBM_GETSTATE:
        return static_cast<LRESULT>(state_);
      case PBM_SETMARQUEE:
        return TRUE;
    }
    return Default(message, wparam, lparam);
  }

 private:
  LRESULT SetRange(int low, int high) {
    const LRESULT old = MAKELRESULT(static_cast<WORD>(low_), static_cast<WORD>(high_));
    low_ = low;
    high_ = high;
    pos_ = std::clamp(pos_, std::min(low_, high_), std::max(low_, high_));
    Invalidate(false);
    return old;
  }

  LRESULT SetPos(int pos) {
    const int old = pos_;
    pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
    if (pos_ != old) Invalidate(false);
    return old;
  }

  void Paint() {
    PaintScope paint(hwnd());
    HDC dc = paint.dc();
    RECT client = Client();
    RECT frame = client;
    DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    HBRUSH back =
        back_color_ == CLR_DEFAULT ? GetSysColorBrush(COLOR_3DFACE) : CreateSolidBrush(back_color_);
    FillRect(dc, &frame, back);
    if (back_color_ != CLR_DEFAULT) DeleteObject(back);
    RECT inner = frame;
    InflateRect(&inner, -1, -1);
    const bool vertical = (Style() & PBS_VERTICAL) != 0;
    const int length = vertical ? inner.bottom - inner.top : inner.right - inner.left;
    const std::int64_t span = static_cast<std::int64_t>(high_) - low_;
    if (length <= 0 || span <= 0) return;
    const int filled = static_cast<int>(length * (static_cast<std::int64_t>(pos_) - low_) / span);
    COLORREF bar = bar_color_ == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : bar_color_;
    if (state_ == PBST_ERROR) bar = RGB(192, 0, 0);
    if (state_ == PBST_PAUSED) bar = RGB(192, 192, 0);
    HBRUSH brush = CreateSolidBrush(bar);
    const int thickness = vertical ? inner.right - inner.left : inner.bottom - inner.top;
    const int block = (Style() & PBS_SMOOTH) ? length : std::max(2, thickness * 2 / 3);
    for (int start = 0; start < filled; start += block + kBlockGap) {
      const int end = std::min(start + block, (Style() & PBS_SMOOTH) ? filled : length);
      RECT piece = vertical
                       ? RECT{inner.left, inner.bottom - end, inner.right, inner.bottom - start}
                       : RECT{inner.left + start, inner.top, inner.left + end, inner.bottom};
      FillRect(dc, &piece, brush);
    }
    DeleteObject(brush);
  }

  int low_ = 0;
  int high_ = 100;
  int pos_ = 0;
  int step_ = 10;
  COLORREF bar_color_ = CLR_DEFAULT;
  COLORREF back_color_ = CLR_DEFAULT;
  WPARAM state_ = PBST_NORMAL;
};

void RegisterProgressClass() {
  RegisterControlClass<ProgressBar>("msctls_progress32", CS_HREDRAW | CS_VREDRAW);
}

const platform::BuiltinClass kProgressClass("msctls_progress32", &RegisterProgressClass);

}  // namespace
}  // namespace platform::ctl

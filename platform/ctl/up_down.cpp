// The "msctls_updown32" class.
#include "platform/ctl/up_down.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/ctl/control_base.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 500;
constexpr UINT kRepeatMs = 100;

// The buddy of an up-down control with UDS_ARROWKEYS hands Up and Down on.
constexpr char kBuddyOldProc[] = "VelkoUpDownBuddyProc";
constexpr char kBuddyOwner[] = "VelkoUpDownOwner";

enum class Arrow { kNone, kUp, kDown };

class UpDown : public Control {
 public:
  explicit UpDown(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Up or Down on the control or its buddy; true when used.
  bool Key(UINT vk);
  void KeyUp(UINT vk);

 private:
  bool Horizontal() const { return (Style() & UDS_HORZ) != 0; }
  bool Step(Arrow arrow);
  int Increment() const;
  void SetBuddy(HWND buddy);
  void ReleaseBuddy();
  void UpdateBuddy();
  bool ReadBuddy(int* pos) const;
  std::string Format(int pos) const;
  int Clamp(int pos) const {
    return std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_));
  }
  Arrow ArrowAt(POINT pt) const;
  void Paint();
  void Release();

  int lower_ = 100;
  int upper_ = 0;
  int pos_ = 0;
  HWND buddy_ = nullptr;
  UINT base_ = 10;
  std::vector<UDACCEL> accels_{{0, 1}, {2, 5}, {5, 20}};
  Arrow pressed_ = Arrow::kNone;
  bool over_ = false;
  bool key_down_ = false;
  DWORD press_time_ = 0;
};

LRESULT BuddyProc(HWND buddy, UINT message, WPARAM wparam, LPARAM lparam) {
  auto old = reinterpret_cast<WNDPROC>(GetProp(buddy, kBuddyOldProc));
  auto owner = static_cast<HWND>(GetProp(buddy, kBuddyOwner));
  if (auto* updown = static_cast<UpDown*>(ControlOf(owner))) {
    if (message == WM_KEYDOWN && updown->Key(static_cast<UINT>(wparam))) return 0;
    if (message == WM_KEYUP && (wparam == VK_UP || wparam == VK_DOWN))
      updown->KeyUp(static_cast<UINT>(wparam));
  }
  return old != nullptr ? CallWindowProc(old, buddy, message, wparam, lparam)
                        : DefWindowProc(buddy, message, wparam, lparam);
}

int UpDown::Increment() const {
  // The longer an arrow is held, the bigger the steps.
  const DWORD held_ms = pressed_ == Arrow::kNone ? 0 : GetTickCount() - press_time_;
  int increment = accels_.empty() ? 1 : static_cast<int>(accels_.front().nInc);
  for (const UDACCEL& accel : accels_) {
    if (held_ms >= accel.nSec * 1000u) increment = static_cast<int>(accel.nInc);
  }
  return increment;
}

bool UpDown::Step(Arrow arrow) {
  if (!Enabled()) return false;
  if (Style() & UDS_SETBUDDYINT) ReadBuddy(&pos_);
  // The up arrow steps toward the upper end of the range.
  const int toward_upper = upper_ >= lower_ ? 1 : -1;
  NMUPDOWN change;
  change.iPos = pos_;
  change.iDelta = (arrow == Arrow::kUp ? 1 : -1) * toward_upper * Increment();
  if (Notify(&change.hdr, UDN_DELTAPOS) != 0 || !alive()) return false;
  const int low = std::min(lower_, upper_), high = std::max(lower_, upper_);
  std::int64_t next = static_cast<std::int64_t>(pos_) + change.iDelta;
  if (next < low || next > high) {
    if (Style() & UDS_WRAP) {
      next = next < low ? high : low;
    } else {
      next = std::clamp<std::int64_t>(next, low, high);
    }
  }
  if (next != pos_) {
    pos_ = static_cast<int>(next);
    UpdateBuddy();
  }
  if (HWND parent = Parent()) {
    SendMessage(parent, Horizontal() ? WM_HSCROLL : WM_VSCROLL,
                MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(pos_)),
                reinterpret_cast<LPARAM>(hwnd()));
  }
  return true;
}

std::string UpDown::Format(int pos) const {
  if (base_ == 16) {
    char text[16];
    std::snprintf(text, sizeof(text), "%X", static_cast<unsigned>(pos));
    return text;
  }
  std::string digits = std::to_string(pos < 0 ? -static_cast<std::int64_t>(pos) : pos);
  std::string text = pos < 0 ? "-" : "";
  const bool group = !(Style() & UDS_NOTHOUSANDS);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (group && i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

bool UpDown::ReadBuddy(int* pos) const {
  if (buddy_ == nullptr || !IsWindow(buddy_)) return false;
  int length = GetWindowTextLength(buddy_);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(std::max(0, GetWindowText(buddy_, text.data(), length + 1))));
  std::string digits;
  for (char c : text) {
    if (c == ',' || c == ' ') continue;
    digits += c;
  }
  if (digits.empty()) return false;
  char* end = nullptr;
  const long long value = std::strtoll(digits.c_str(), &end, base_ == 16 ? 16 : 10);
  if (end == nullptr || *end != '\0') return false;
  *pos = Clamp(static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX)));
  return true;
}

void UpDown::UpdateBuddy() {
  if (!(Style() & UDS_SETBUDDYINT) || buddy_ == nullptr || !IsWindow(buddy_)) return;
  SetWindowText(buddy_, Format(pos_).c_str());
}

void UpDown::ReleaseBuddy() {
  if (buddy_ == nullptr || !IsWindow(buddy_)) return;
  if (auto old = reinterpret_cast<WNDPROC>(RemoveProp(buddy_, kBuddyOldProc))) {
    SetWindowLongPtr(buddy_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  }
  RemoveProp(buddy_, kBuddyOwner);
}

void UpDown::SetBuddy(HWND buddy) {
  ReleaseBuddy();
  buddy_ = buddy;
  if (buddy_ == nullptr || !IsWindow(buddy_)) return;
  const DWORD style = Style();
  if (style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) {
    // Sits inside the buddy's edge, which gives up the room.
    RECT buddy_rect;
    GetWindowRect(buddy_, &buddy_rect);
    MapWindowPoints(nullptr, GetParent(buddy_), reinterpret_cast<POINT*>(&buddy_rect), 2);
    RECT own;
    GetWindowRect(hwnd(), &own);
    const int width = own.right - own.left;
    const int height = buddy_rect.bottom - buddy_rect.top;
    if (style & UDS_ALIGNRIGHT) {
      SetWindowPos(buddy_, nullptr, 0, 0, buddy_rect.right - buddy_rect.left - width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowPos(hwnd(), nullptr, buddy_rect.right - width, buddy_rect.top, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      SetWindowPos(buddy_, nullptr, buddy_rect.left + width, buddy_rect.top,
                   buddy_rect.right - buddy_rect.left - width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowPos(hwnd(), nullptr, buddy_rect.left, buddy_rect.top, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (style & UDS_ARROWKEYS) {
    SetProp(buddy_, kBuddyOwner, hwnd());
    SetProp(buddy_, kBuddyOldProc,
            reinterpret_cast<HANDLE>(GetWindowLongPtr(buddy_, GWLP_WNDPROC)));
    SetWindowLongPtr(buddy_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BuddyProc));
  }
  UpdateBuddy();
}

bool UpDown::Key(UINT vk) {
  if (vk != VK_UP && vk != VK_DOWN) return false;
  key_down_ = true;
  Step(vk == VK_UP ? Arrow::kUp : Arrow::kDown);
  return true;
}

void UpDown::KeyUp(UINT) {
  if (!key_down_) return;
  key_down_ = false;
  if (HWND parent = Parent()) {
    SendMessage(parent, Horizontal() ? WM_HSCROLL : WM_VSCROLL,
                MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(pos_)),
                reinterpret_cast<LPARAM>(hwnd()));
  }
}

Arrow UpDown::ArrowAt(POINT pt) const {
  RECT client = Client();
  if (!PtInRect(&client, pt)) return Arrow::kNone;
  if (Horizontal()) return pt.x >= (client.right - client.left) / 2 ? Arrow::kUp : Arrow::kDown;
  return pt.y < (client.bottom - client.top) / 2 ? Arrow::kUp : Arrow::kDown;
}

void UpDown::Release() {
  if (pressed_ == Arrow::kNone) return;
  pressed_ = Arrow::kNone;
  KillTimer(hwnd(), kRepeatTimer);
  if (GetCapture() == hwnd()) ReleaseCapture();
  Invalidate(false);
  if (HWND parent = Parent()) {
    SendMessage(parent, Horizontal() ? WM_HSCROLL : WM_VSCROLL,
                MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(pos_)),
                reinterpret_cast<LPARAM>(hwnd()));
  }
}

void UpDown::Paint() {
  PaintScope paint(hwnd());
  HDC dc = paint.dc();
  RECT client = Client();
  RECT first = client, second = client;
  if (Horizontal()) {
    first.right = second.left = (client.left + client.right) / 2;
  } else {
    first.bottom = second.top = (client.top + client.bottom) / 2;
  }
  const UINT inactive = Enabled() ? 0u : DFCS_INACTIVE;
  const bool up_pressed = pressed_ == Arrow::kUp && over_;
  const bool down_pressed = pressed_ == Arrow::kDown && over_;
  // Vertical: up above down; horizontal: down (left) before up (right).
  RECT up = Horizontal() ? second : first;
  RECT down = Horizontal() ? first : second;
  DrawFrameControl(dc, &up, DFC_SCROLL,
                   (Horizontal() ? DFCS_SCROLLRIGHT : DFCS_SCROLLUP) |
                       (up_pressed ? DFCS_PUSHED : 0u) | inactive);
  DrawFrameControl(dc, &down, DFC_SCROLL,
                   (Horizontal() ? DFCS_SCROLLLEFT : DFCS_SCROLLDOWN) |
                       (down_pressed ? DFCS_PUSHED : 0u) | inactive);
}

LRESULT UpDown::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      if (Style() & UDS_AUTOBUDDY) SetBuddy(GetWindow(hwnd(), GW_HWNDPREV));
      return 0;
    case WM_DESTROY:
      ReleaseBuddy();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
      Invalidate(false);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const Arrow arrow = ArrowAt(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      if (arrow == Arrow::kNone || !Enabled()) return 0;
      if (buddy_ != nullptr && IsWindow(buddy_)) SetFocus(buddy_);
      if (!alive()) return 0;
      pressed_ = arrow;
      over_ = true;
      press_time_ = GetTickCount();
      SetCapture(hwnd());
      Invalidate(false);
      Step(arrow);
      if (alive() && pressed_ != Arrow::kNone)
        SetTimer(hwnd(), kRepeatTimer, kFirstRepeatMs, nullptr);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (pressed_ != Arrow::kNone) {
        const bool over = ArrowAt(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) == pressed_;
        if (over != over_) {
          over_ = over;
          Invalidate(false);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      Release();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd()) Release();
      return 0;
    case WM_TIMER:
      if (wparam == kRepeatTimer && pressed_ != Arrow::kNone) {
        SetTimer(hwnd(), kRepeatTimer, kRepeatMs, nullptr);
        if (over_) Step(pressed_);
      }
      return 0;
    case WM_KEYDOWN:
      Key(static_cast<UINT>(wparam));
      return 0;
    case WM_KEYUP:
      KeyUp(static_cast<UINT>(wparam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case UDM_SETRANGE:
      upper_ = static_cast<SHORT>(LOWORD(lparam));
      lower_ = static_cast<SHORT>(HIWORD(lparam));
      pos_ = Clamp(pos_);
      return 0;
    case UDM_GETRANGE:
      return MAKELRESULT(static_cast<WORD>(upper_), static_cast<WORD>(lower_));
    case UDM_SETRANGE32:
      lower_ = static_cast<int>(wparam);
      upper_ = static_cast<int>(lparam);
      pos_ = Clamp(pos_);
      return 0;
    case UDM_GETRANGE32:
      if (wparam) *reinterpret_cast<int*>(wparam) = lower_;
      if (lparam) *reinterpret_cast<int*>(lparam) = upper_;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const int old = pos_;
      pos_ = Clamp(message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lparam))
                                         : static_cast<int>(lparam));
      UpdateBuddy();
      return old;
    }
    case UDM_GETPOS: {
      bool ok = true;
      if (Style() & UDS_SETBUDDYINT) ok = ReadBuddy(&pos_);
      return MAKELRESULT(static_cast<WORD>(pos_), ok ? 0 : 1);
    }
    case UDM_GETPOS32: {
      bool ok = true;
      if (Style() & UDS_SETBUDDYINT) ok = ReadBuddy(&pos_);
      if (lparam) *reinterpret_cast<BOOL*>(lparam) = ok ? FALSE : TRUE;
      return pos_;
    }
    case UDM_SETBUDDY: {
      HWND old = buddy_;
      SetBuddy(reinterpret_cast<HWND>(wparam));
      return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(buddy_);
    case UDM_SETACCEL: {
      if (wparam == 0 || lparam == 0) return FALSE;
      const auto* given = reinterpret_cast<const UDACCEL*>(lparam);
      accels_.assign(given, given + wparam);
      return TRUE;
    }
    case UDM_GETACCEL: {
      if (lparam != 0) {
        auto* out = reinterpret_cast<UDACCEL*>(lparam);
        std::copy_n(accels_.begin(), std::min<std::size_t>(wparam, accels_.size()), out);
      }
      return static_cast<LRESULT>(accels_.size());
    }
    case UDM_SETBASE: {
      if (wparam != 10 && wparam != 16) return 0;
      const UINT old = base_;
      base_ = static_cast<UINT>(wparam);
      UpdateBuddy();
      return old;
    }
    case UDM_GETBASE:
      return base_;
  }
  return Default(message, wparam, lparam);
}

void RegisterUpDownClass() {
  RegisterControlClass<UpDown>("msctls_updown32", CS_HREDRAW | CS_VREDRAW);
}

const platform::BuiltinClass kUpDownClass("msctls_updown32", &RegisterUpDownClass);

}  // namespace
}  // namespace platform::ctl

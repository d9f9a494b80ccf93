#include "desktop/zelTimer.h"

#include "classlib/Colors.h"
#include "classlib/Exceptions.h"
#include "platform/user/user.h"

namespace {

constexpr UINT_PTR kTimerId = 1;

// The pack's colour names, ahead of the class library's (its clCream and
// clSkyBlue differ).
[[maybe_unused]] const bool kColorNamesRegistered = [] {
  RegisterColorNames({
      {"clGradientActiveCaption", static_cast<TColor>(0x8000001B)},
      {"clGradientInactiveCaption", static_cast<TColor>(0x8000001C)},
      {"clHotLight", static_cast<TColor>(0x8000001A)},
      {"clBrown", 0x00003090},
      {"clOliveGreen", 0x00003030},
      {"clDarkGreen", 0x00003000},
      {"clDarkTeal", 0x00603000},
      {"clIndigo", 0x00903030},
      {"clNight", 0x00303030},
      {"clOrange", 0x000068FF},
      {"clBlueGray", 0x00906060},
      {"clPaleBlue", 0x00FFC890},
      {"clMoneyGreen", 0x00C0DCC0},
      {"clCream", 0x00A6CAF0},
      {"clLightOrange", 0x000098FF},
      {"clSeaGreen", 0x00609830},
      {"clLightBlue", 0x00FF6830},
      {"clMetal", 0x00909090},
      {"clGold", 0x0000C8FF},
      {"clPlum", 0x00603090},
      {"clRose", 0x00D098FF},
      {"clTan", 0x00A0C8FF},
      {"clLightYellow", 0x0090FFFF},
      {"clLightGreen", 0x00D0FFD0},
      {"clLightTurquoise", 0x00FFFFC0},
      {"clLavender", 0x00FF98C0},
      {"clSkyBlue", 0x00FFC800},
      {"clDefault", 0x20000000},
  });
  return true;
}();

}  // namespace

TzelCustomTimer::TzelCustomTimer(TComponent* AOwner) : TzelComponent(AOwner) {
  window_ = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TzelCustomTimer::~TzelCustomTimer() {
  enabled_ = false;
  if (window_ != nullptr) {
    KillTimer(window_, kTimerId);
    DeallocateHWnd(window_);
  }
}

void TzelCustomTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TzelCustomTimer::SetInterval(UINT Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

void TzelCustomTimer::SetOnTimer(TNotifyEvent Value) {
  on_timer_ = std::move(Value);
  UpdateTimer();
}

void TzelCustomTimer::UpdateTimer() {
  KillTimer(window_, kTimerId);
  running_ = false;
  if (interval_ != 0 && enabled_ && on_timer_) {
    if (SetTimer(window_, kTimerId, interval_, nullptr) == 0) {
      throw EOutOfResources("Not enough timers available");
    }
    running_ = true;
  }
}

void TzelCustomTimer::Timer() {
  if (on_timer_) on_timer_(this);
}

void TzelCustomTimer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    Timer();
    return;
  }
  Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}

TzelColorPicker::TzelColorPicker(TComponent* AOwner) : TzelCustomTimer(AOwner) { SetInterval(100); }

TColor TzelColorPicker::GetColor() const {
  POINT point{};
  GetCursorPos(&point);
  HDC screen = GetDC(nullptr);
  const COLORREF color = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return static_cast<TColor>(color);
}

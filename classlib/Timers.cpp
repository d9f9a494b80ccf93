#include "classlib/Timers.h"

#include "classlib/Exceptions.h"
#include "platform/user/user.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
}

TTimer::~TTimer() {
  enabled_ = false;
  KillTimer(window_, 1);
  DeallocateHWnd(window_);
}

void TTimer::UpdateTimer() {
  KillTimer(window_, 1);
  if (interval_ != 0 && enabled_ && on_timer_) {
    if (SetTimer(window_, 1, interval_, nullptr) == 0) throw EOutOfResources(SysConst::SNoTimers);
  }
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TTimer::SetInterval(UINT Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  on_timer_ = std::move(Value);
  UpdateTimer();
}

void TTimer::Timer() {
  // A copy: the handler may replace the event (or free the timer).
  const TNotifyEvent handler = on_timer_;
  if (handler) handler(this);
}

void TTimer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    try {
      Timer();
    } catch (...) {
      HandleMessageException(this);
    }
    return;
  }
  Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}

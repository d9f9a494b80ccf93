// TzelCustomTimer: the base of the pack's window-timer components. A hidden
// window receives timer 1 while Enabled, Interval is not 0 and OnTimer is
// assigned.
#pragma once

#include "classlib/Colors.h"
#include "classlib/MessageHandling.h"
#include "desktop/zelComponent.h"

class TzelCustomTimer : public TzelComponent {
 public:
  explicit TzelCustomTimer(TComponent* AOwner);
  ~TzelCustomTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT Value);
  const TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(TNotifyEvent Value);
  // Whether the platform timer runs.
  bool TimerRunning() const { return running_; }

 protected:
  virtual void Timer();
  // The hidden window's messages; WM_TIMER calls Timer.
  virtual void WndProc(TMessage& Message);
  HWND WindowHandle() const { return window_; }
  // Raises EOutOfResources "Not enough timers available" when the
  // platform refuses the timer.
  void UpdateTimer();

 private:
  UINT interval_ = 1000;
  TNotifyEvent on_timer_;
  bool enabled_ = true;
  bool running_ = false;
  HWND window_ = nullptr;
};

// Reads the colour of the screen pixel under the mouse cursor.
class TzelColorPicker : public TzelCustomTimer {
 public:
  explicit TzelColorPicker(TComponent* AOwner);
  TColor GetColor() const;
};

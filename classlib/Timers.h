// TTimer: a component that raises OnTimer every Interval milliseconds on
// the thread that made it, through a platform timer on a hidden window. It
// holds a timer only while Enabled is true, Interval is not 0 and OnTimer
// is assigned; writing any of the three restarts the count. Make it on a
// thread that runs a message loop (the main thread).
#pragma once

#include "classlib/Components.h"
#include "classlib/MessageHandling.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  // Milliseconds; 1000 after creation.
  UINT Interval() const { return interval_; }
  void SetInterval(UINT Value);
  // The event is a property here, since assigning it starts or stops the
  // timer. An exception leaving it goes to the application's handler.
  const TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(TNotifyEvent Value);

 protected:
  // Raises OnTimer.
  virtual void Timer();

 private:
  // Raises EOutOfResources "Not enough timers available" when the platform
  // refuses a timer.
  void UpdateTimer();
  void WndProc(TMessage& Message);

  bool enabled_ = true;
  UINT interval_ = 1000;
  TNotifyEvent on_timer_;
  HWND window_ = nullptr;
};

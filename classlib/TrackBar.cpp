#include "classlib/TrackBar.h"

#include <algorithm>

#include "platform/ctl/track_bar.h"

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_trackbar32");
  Params.Style |= orientation_ == trVertical ? TBS_VERT : TBS_HORZ;
  switch (tick_marks_) {
    case TTickMark::tmBottomRight:
      break;
    case TTickMark::tmTopLeft:
      Params.Style |= TBS_TOP;
      break;
    case TTickMark::tmBoth:
      Params.Style |= TBS_BOTH;
      break;
  }
  switch (tick_style_) {
    case TTickStyle::tsNone:
      Params.Style |= TBS_NOTICKS;
      break;
    case TTickStyle::tsAuto:
      Params.Style |= TBS_AUTOTICKS;
      break;
    case TTickStyle::tsManual:
      break;
  }
}

void TTrackBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = Handle();
  SendRange();
  SendMessage(h, TBM_SETLINESIZE, 0, line_size_);
  SendMessage(h, TBM_SETPAGESIZE, 0, page_size_);
  SendMessage(h, TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
  SendMessage(h, TBM_SETPOS, TRUE, position_);
}

void TTrackBar::DestroyWnd() {
  position_ = Position();
  TWinControl::DestroyWnd();
}

void TTrackBar::SendRange() {
  if (!HandleAllocated()) return;
  SendMessage(Handle(), TBM_SETRANGEMIN, FALSE, min_);
  SendMessage(Handle(), TBM_SETRANGEMAX, TRUE, max_);
}

void TTrackBar::SetMin(int Value) {
  if (min_ == Value) return;
  min_ = Value;
  SendRange();
  if (Position() < min_) SetPosition(min_);
}

void TTrackBar::SetMax(int Value) {
  if (max_ == Value) return;
  max_ = Value;
  SendRange();
  if (Position() > max_) SetPosition(max_);
}

int TTrackBar::Position() {
  if (!HandleAllocated()) return position_;
  return static_cast<int>(SendMessage(Handle(), TBM_GETPOS, 0, 0));
}

void TTrackBar::SetPosition(int Value) {
  Value = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
  if (Value == Position()) return;
  position_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETPOS, TRUE, Value);
  Changed();
}

void TTrackBar::SetFrequency(int Value) {
  if (frequency_ == Value) return;
  frequency_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(Value), 0);
}

void TTrackBar::SetLineSize(int Value) {
  if (line_size_ == Value) return;
  line_size_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETLINESIZE, 0, Value);
}

void TTrackBar::SetPageSize(int Value) {
  if (page_size_ == Value) return;
  page_size_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETPAGESIZE, 0, Value);
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  // The bar turns: its width becomes its height.
  if (!ComponentState().Contains(csLoading)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark Value) {
  if (tick_marks_ == Value) return;
  tick_marks_ = Value;
  RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle Value) {
  if (tick_style_ == Value) return;
  tick_style_ = Value;
  RecreateWnd();
}

void TTrackBar::SetTick(int Value) {
  if (HandleAllocated()) SendMessage(Handle(), TBM_SETTIC, 0, Value);
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
      const int now = Position();
      if (now != position_) {
        position_ = now;
        Changed();
      }
      Message.Result = 0;
      return;
    }
  }
  TWinControl::Dispatch(Message);
}

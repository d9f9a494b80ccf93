#include "classlib/ProgressBar.h"

#include <algorithm>

#include "platform/ctl/progress_bar.h"

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_progress32");
  if (smooth_) Params.Style |= PBS_SMOOTH;
  if (orientation_ == pbVertical) Params.Style |= PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessage(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
  SendMessage(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  SendMessage(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::DestroyWnd() {
  position_ = Position();
  TWinControl::DestroyWnd();
}

void TProgressBar::SetMin(int Value) {
  if (min_ == Value) return;
  min_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TProgressBar::SetMax(int Value) {
  if (max_ == Value) return;
  max_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

int TProgressBar::Position() {
  if (!HandleAllocated()) return position_;
  return static_cast<int>(SendMessage(Handle(), PBM_GETPOS, 0, 0));
}

void TProgressBar::SetPosition(int Value) {
  position_ = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
  if (HandleAllocated()) SendMessage(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStep(int Value) {
  if (step_ == Value) return;
  step_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
}

void TProgressBar::StepIt() {
  if (HandleAllocated()) {
    SendMessage(Handle(), PBM_STEPIT, 0, 0);
    position_ = Position();
    return;
  }
  position_ += step_;
  if (position_ > max_) position_ = min_ + (position_ - max_);
}

void TProgressBar::StepBy(int Delta) { SetPosition(Position() + Delta); }

void TProgressBar::SetSmooth(bool Value) {
  if (smooth_ == Value) return;
  smooth_ = Value;
  RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  RecreateWnd();
}

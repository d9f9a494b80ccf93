#include "desktop/zelStartButton.h"

#include "platform/user/user.h"

TzelStartButtonProperties::TzelStartButtonProperties(TComponent* AOwner) : TzelComponent(AOwner) {
  HWND tray = FindWindow("Shell_TrayWnd", nullptr);
  button_ = tray != nullptr ? FindWindowEx(tray, nullptr, "Button", nullptr) : nullptr;
  Refresh();
}

void TzelStartButtonProperties::Refresh() {
  left_ = top_ = width_ = height_ = 0;
  if (button_ == nullptr) return;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(button_, &placement)) return;
  left_ = placement.rcNormalPosition.left;
  top_ = placement.rcNormalPosition.top;
  width_ = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
  height_ = placement.rcNormalPosition.bottom - placement.rcNormalPosition.top;
}

void TzelStartButtonProperties::SetBounds(int Left, int Top, int Height, int Width) {
  if (button_ == nullptr) return;
  if (Left == left_ && Top == top_ && Height == height_ && Width == width_) return;
  SetWindowPos(button_, nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
  Refresh();
}

int TzelStartButtonProperties::ButtonLeft() {
  Refresh();
  return left_;
}
int TzelStartButtonProperties::ButtonTop() {
  Refresh();
  return top_;
}
int TzelStartButtonProperties::ButtonWidth() {
  Refresh();
  return width_;
}
int TzelStartButtonProperties::ButtonHeight() {
  Refresh();
  return height_;
}
void TzelStartButtonProperties::SetButtonLeft(int Value) { SetBounds(Value, top_, height_, width_); }
void TzelStartButtonProperties::SetButtonTop(int Value) { SetBounds(left_, Value, height_, width_); }
void TzelStartButtonProperties::SetButtonWidth(int Value) { SetBounds(left_, top_, height_, Value); }
void TzelStartButtonProperties::SetButtonHeight(int Value) { SetBounds(left_, top_, Value, width_); }

bool TzelStartButtonProperties::Enabled() const { return button_ != nullptr && IsWindowEnabled(button_); }
void TzelStartButtonProperties::SetEnabled(bool Value) {
  if (button_ != nullptr) EnableWindow(button_, Value);
}
bool TzelStartButtonProperties::Visible() const { return button_ != nullptr && IsWindowVisible(button_); }
void TzelStartButtonProperties::SetVisible(bool Value) {
  if (button_ != nullptr) ShowWindow(button_, Value ? SW_SHOW : SW_HIDE);
}

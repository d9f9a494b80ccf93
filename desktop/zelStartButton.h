// TzelStartButtonProperties: the position, size, enabled state and
// visibility of the taskbar's start button. Linux desktops have no window
// of class "Button" under a "Shell_TrayWnd" window, so the component
// finds none: it reads 0 and false and changes nothing.
#pragma once

#include "desktop/zelComponent.h"
#include "platform/core/types.h"

class TzelStartButtonProperties : public TzelComponent {
 public:
  explicit TzelStartButtonProperties(TComponent* AOwner);

  virtual void Refresh();
  virtual void SetBounds(int Left, int Top, int Height, int Width);

  int ButtonLeft();
  void SetButtonLeft(int Value);
  int ButtonTop();
  void SetButtonTop(int Value);
  int ButtonWidth();
  void SetButtonWidth(int Value);
  int ButtonHeight();
  void SetButtonHeight(int Value);
  bool Enabled() const;
  void SetEnabled(bool Value);
  bool Visible() const;
  void SetVisible(bool Value);
  HWND Button() const { return button_; }

 private:
  HWND button_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

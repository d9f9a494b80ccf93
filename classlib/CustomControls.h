// The two bases of controls that draw themselves, and the canvas they draw
// with.
//
// TGraphicControl has no window: it is painted on its parent's window, in
// its own rectangle, and gets its mouse messages from the parent. It is
// cheap and cannot take the focus. TCustomControl has a window: it gets
// the focus and key messages and paints itself on its own window.
//
// Both paint by overriding Paint() and drawing on Canvas(). During a paint
// the canvas draws on the paint's device context; at other times (drawing
// at once in reaction to the mouse, say) it takes a device context of the
// control (a windowless control's is its parent's, moved to the control's
// corner and clipped to its rectangle), which is given back after the
// message being handled.
#pragma once

#include <memory>

#include "classlib/Canvas.h"
#include "classlib/WinControl.h"

class TControlCanvas : public TCanvas {
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;

  TControl* Control() const { return control_; }
  void SetControl(TControl* AControl);
  // Gives back the device context taken outside of painting.
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_ = nullptr;
  HDC taken_dc_ = nullptr;
  HWND taken_from_ = nullptr;
};

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;

  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;

  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;
  void DestroyWindowHandle() override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// TPaintBox: a windowless area that its OnPaint handler draws on Canvas.
#pragma once

#include "classlib/CustomControls.h"

class TPaintBox : public TGraphicControl {
 public:
  explicit TPaintBox(TComponent* AOwner);

  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};

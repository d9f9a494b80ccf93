// TProgressBar over the platform's "msctls_progress32" class: a bar that
// fills from Min to Max as Position grows.
#pragma once

#include "classlib/WinControl.h"

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);

  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  // Kept within Min..Max.
  int Position();
  void SetPosition(int Value);
  int Step() const { return step_; }
  void SetStep(int Value);
  // Position moves on by Step (past Max it starts again at Min) or by Delta.
  void StepIt();
  void StepBy(int Delta);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool Value);
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int step_ = 10;
  bool smooth_ = false;
  TProgressBarOrientation orientation_ = pbHorizontal;
};

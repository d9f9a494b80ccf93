// TSizeConstraints: the smallest and largest width and height a control may
// take; 0 is no limit. The pair of each dimension never contradicts
// itself: a maximum set below the minimum takes the minimum down with it,
// and a minimum set above the maximum takes the maximum up. A negative
// limit raises EPropertyError and keeps the old one. OnChange runs after
// every change (the control then brings its size within the limits).
#pragma once

#include "classlib/Components.h"

class TSizeConstraints : public TPersistent {
 public:
  TSizeConstraints() = default;

  int MinWidth() const { return min_width_; }
  int MinHeight() const { return min_height_; }
  int MaxWidth() const { return max_width_; }
  int MaxHeight() const { return max_height_; }
  void SetMinWidth(int Value);
  void SetMinHeight(int Value);
  void SetMaxWidth(int Value);
  void SetMaxHeight(int Value);

  // The size within the limits.
  int ConstrainWidth(int Width) const { return Constrain(Width, min_width_, max_width_); }
  int ConstrainHeight(int Height) const { return Constrain(Height, min_height_, max_height_); }

  TNotifyEvent OnChange;

 protected:
  void AssignTo(TPersistent* Dest) override;

 private:
  static int Constrain(int Size, int Min, int Max);
  // Sets one limit and keeps its partner on the right side of it.
  void SetMinimum(int& Min, int& Max, int Value);
  void SetMaximum(int& Min, int& Max, int Value);
  void Change();

  int min_width_ = 0;
  int min_height_ = 0;
  int max_width_ = 0;
  int max_height_ = 0;
};

#include "classlib/SizeConstraints.h"

#include "classlib/Exceptions.h"

namespace {

void CheckLimit(int Value) {
  if (Value < 0) throw EPropertyError(SysConst::SInvalidPropertyValue);
}

}  // namespace

void TSizeConstraints::SetMinWidth(int Value) { SetMinimum(min_width_, max_width_, Value); }

void TSizeConstraints::SetMinHeight(int Value) { SetMinimum(min_height_, max_height_, Value); }

void TSizeConstraints::SetMaxWidth(int Value) { SetMaximum(min_width_, max_width_, Value); }

void TSizeConstraints::SetMaxHeight(int Value) { SetMaximum(min_height_, max_height_, Value); }

void TSizeConstraints::SetMinimum(int& Min, int& Max, int Value) {
  CheckLimit(Value);
  if (Value == Min) return;
  Min = Value;
  if (Max > 0 && Max < Min) Max = Min;
  Change();
}

void TSizeConstraints::SetMaximum(int& Min, int& Max, int Value) {
  CheckLimit(Value);
  if (Value == Max) return;
  Max = Value;
  if (Max > 0 && Min > Max) Min = Max;
  Change();
}

int TSizeConstraints::Constrain(int Size, int Min, int Max) {
  if (Max > 0 && Size > Max) Size = Max;
  if (Min > 0 && Size < Min) Size = Min;
  return Size;
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

void TSizeConstraints::AssignTo(TPersistent* Dest) {
  auto* other = dynamic_cast<TSizeConstraints*>(Dest);
  if (other == nullptr) {
    TPersistent::AssignTo(Dest);
    return;
  }
  other->min_width_ = min_width_;
  other->min_height_ = min_height_;
  other->max_width_ = max_width_;
  other->max_height_ = max_height_;
  other->Change();
}

// TSpinEdit: a one-line field for a whole number with up and down arrows
// beside it. Value is the number the text holds, kept within
// MinValue..MaxValue (when they differ); the arrows and the Up and Down
// keys step it by Increment.
#pragma once

#include "classlib/Edit.h"

class TSpinButton;

class TSpinEdit : public TCustomEdit {
 public:
  explicit TSpinEdit(TComponent* AOwner);

  int MinValue() const { return min_value_; }
  void SetMinValue(int Value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int Value);
  // The text's number (MinValue when it is none).
  int Value();
  void SetValue(int Value);
  int Increment = 1;
  // False: the number cannot be typed, only stepped.
  bool EditorEnabled = true;

  void Dispatch(TMessage& Message) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

 protected:
  void CreateWnd() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;

 private:
  friend class TSpinButton;
  int CheckValue(int Value) const;
  void PlaceButton();

  int min_value_ = 0;
  int max_value_ = 0;
  TSpinButton* button_;
};

#include "classlib/Spin.h"

#include <algorithm>

#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/UpDown.h"
#include "platform/ctl/edit.h"
#include "platform/dlg/message_box.h"

// The arrows of a spin edit: every press steps the field's value, and the
// arrows' own position stays where it is.
class TSpinButton : public TCustomUpDown {
 public:
  TSpinButton(TComponent* AOwner, TSpinEdit* Edit) : TCustomUpDown(AOwner), edit_(Edit) {
    SetMin(-1);
    SetMax(1);
  }

 protected:
  bool CanChange(int /*NewValue*/, int Delta) override {
    if (!edit_->ReadOnly()) edit_->SetValue(edit_->Value() + (Delta > 0 ? edit_->Increment : -edit_->Increment));
    return false;
  }

 private:
  TSpinEdit* edit_;
};

namespace {
constexpr int kButtonWidth = 15;
}

TSpinEdit::TSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner), button_(new TSpinButton(this, this)) {
  button_->SetParent(this);
  button_->SetTabStop(false);
  SetBounds(Left(), Top(), 121, Height());
  SetText("0");
}

void TSpinEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  // The text stops short of the arrows.
  SendMessage(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELONG(0, kButtonWidth + 2));
  PlaceButton();
}

void TSpinEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  PlaceButton();
}

void TSpinEdit::PlaceButton() {
  if (button_ == nullptr) return;
  const TRect client = ClientRect();
  button_->SetBounds(client.right - kButtonWidth, 0, kButtonWidth, client.bottom);
}

int TSpinEdit::CheckValue(int Value) const {
  if (max_value_ == min_value_) return Value;
  return std::clamp(Value, std::min(min_value_, max_value_), std::max(min_value_, max_value_));
}

int TSpinEdit::Value() { return CheckValue(StrToIntDef(Trim(Text()), min_value_)); }

void TSpinEdit::SetValue(int Value) { SetText(IntToStr(CheckValue(Value))); }

void TSpinEdit::SetMinValue(int Value) {
  min_value_ = Value;
  SetValue(this->Value());
}

void TSpinEdit::SetMaxValue(int Value) {
  max_value_ = Value;
  SetValue(this->Value());
}

void TSpinEdit::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_UP || Key == VK_DOWN) {
    if (!ReadOnly()) SetValue(Value() + (Key == VK_UP ? Increment : -Increment));
    Key = 0;
    return;
  }
  TCustomEdit::KeyDown(Key, Shift);
}

void TSpinEdit::KeyPress(char& Key) {
  const unsigned char c = static_cast<unsigned char>(Key);
  bool valid = (c >= '0' && c <= '9') || Key == '-' || Key == '+' || (c < 32 && Key != '\r');
  if (!EditorEnabled && valid && (c >= 32 || Key == '\b')) valid = false;
  if (!valid) {
    Key = 0;
    MessageBeep(0);
  }
  if (Key != 0) TCustomEdit::KeyPress(Key);
}

void TSpinEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_EXIT) {
    // Leaving the field puts a number that is out of range back in it.
    if (CheckValue(Value()) != StrToIntDef(Trim(Text()), min_value_ - 1)) SetValue(Value());
  }
  TCustomEdit::Dispatch(Message);
}

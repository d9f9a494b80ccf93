// Push buttons, check boxes and radio buttons over the platform's "BUTTON"
// window class.
//
// TButton runs Click when pressed (mouse, space, or Enter and Escape on
// the form when it is the default or cancel button, or its accelerator);
// a button with a ModalResult gives it to its form first, which ends a
// modal form. TCheckBox and TRadioButton raise OnClick whenever their
// state changes, also when Checked is set in code (and not when the value
// set is the one they have).
#pragma once

#include "classlib/Form.h"
#include "classlib/WinControl.h"

class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(TComponent* AOwner);

  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  virtual bool GetChecked() const { return false; }
  virtual void SetCheckedValue(bool /*Value*/) {}
  // While set, state changes raise no OnClick.
  bool ClicksDisabled = false;
  // Whether a check box's caption stands left of its box: Alignment
  // taLeftJustify, mirrored when aligning from the right.
  bool TextLeftOfBox(TAlignment Alignment) const;

 private:
  bool word_wrap_ = false;
};

class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);

  // Enter on the form presses the default button (unless another button
  // has the focus).
  bool Default() const { return default_; }
  void SetDefault(bool Value);
  // Escape on the form presses a cancel button.
  bool Cancel = false;
  TModalResult ModalResult = mrNone;

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  void SetButtonStyle(bool ADefault);

  bool default_ = false;
  // Shown as the default push button: the focused button, or the default
  // one when no button has the focus.
  bool active_ = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
// Which side of its box a check box or radio button has its text on.
using TLeftRight = TAlignment;

class TCustomCheckBox : public TButtonControl {
 public:
  explicit TCustomCheckBox(TComponent* AOwner);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState Value);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  // A click goes through the grey state too.
  bool AllowGrayed = false;
  // taRightJustify (the default): the text right of the box.
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool GetChecked() const override { return Checked(); }
  void SetCheckedValue(bool Value) override { SetChecked(Value); }
  // The next state, as a click gives it.
  virtual void Toggle();

 private:
  TCheckBoxState state_ = cbUnchecked;
  TLeftRight alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
 public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* AOwner);

  bool Checked() const { return checked_; }
  // Checking one unchecks the other radio buttons of the same parent.
  void SetChecked(bool Value);
  TLeftRight Alignment() const { return alignment_; }
  void SetAlignment(TLeftRight Value);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  bool GetChecked() const override { return checked_; }
  void SetCheckedValue(bool Value) override { SetChecked(Value); }

 private:
  void TurnSiblingsOff();

  bool checked_ = false;
  TLeftRight alignment_ = taRightJustify;
};

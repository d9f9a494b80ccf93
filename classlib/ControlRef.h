// TControlRef: a reference to a control that turns null when the control
// is deleted. Code that raises an event and then goes on with the control
// (or with other controls it holds) keeps them in refs, because a handler
// may delete any of them.
#pragma once

class TControl;

class TControlRef {
 public:
  TControlRef() = default;
  explicit TControlRef(TControl* Control);
  ~TControlRef();
  TControlRef(const TControlRef& Other);
  TControlRef& operator=(const TControlRef& Other);
  TControlRef& operator=(TControl* Control);

  TControl* Get() const { return control_; }
  bool Alive() const { return control_ != nullptr; }

  // Called as a control is deleted: every ref to it turns null.
  static void ControlDestroyed(TControl* Control);

 private:
  void Track();
  void Untrack();

  TControl* control_ = nullptr;
};

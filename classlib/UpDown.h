// TUpDown over the platform's "msctls_updown32" class: two arrow buttons
// that step Position within Min..Max and raise OnClick with the arrow
// pressed. OnChanging can refuse a step.
#pragma once

#include <functional>

#include "classlib/WinControl.h"

// Scoped: the enumerator names are common to other button sets.
enum class TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };

using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TCustomUpDown : public TWinControl {
 public:
  explicit TCustomUpDown(TComponent* AOwner);

  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Position();
  void SetPosition(int Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value);
  // Past an end the position starts again at the other one.
  bool Wrap() const { return wrap_; }
  void SetWrap(bool Value);
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation Value);

  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // Asks OnChanging whether the position may move by Delta.
  virtual bool CanChange(int NewValue, int Delta);
  using TWinControl::Click;
  virtual void Click(TUDBtnType Button);

 private:
  void SendRange();

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int increment_ = 1;
  bool wrap_ = false;
  TUDOrientation orientation_ = udVertical;
};

class TUpDown : public TCustomUpDown {
 public:
  explicit TUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {}
};

// TKavoCustomComboBox: the Kavo pack's combo box. Over the class library's
// combo box it adds a flat border look (3-D while the mouse is over it or
// it has the focus), a settable dropped-list width, a control that gets
// the focus after a choice, an optional history block at the top of the
// list and an optional delayed type-ahead completion run by the
// application object's timer pool. History and type-ahead are off in the
// pack's published classes; descendants switch them on.
#pragma once

#include <cstdint>

#include "classlib/ComboBox.h"

class TKavoCustomComboBox : public TCustomComboBox {
 public:
  explicit TKavoCustomComboBox(TComponent* AOwner);
  ~TKavoCustomComboBox() override;

  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  int DropDownWidth() const { return drop_down_width_; }
  void SetDropDownWidth(int Value);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* Value);
  // Raised when the edit part gets a left button press.
  TNotifyEvent OnEditClick;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Raises OnSelect (and nothing else).
  void Select() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void MeasureItem(int Index, int& Height) override;

  // Unpublished: the history block and the type-ahead.
  bool History() const { return history_; }
  void SetHistory(bool Value);
  int HistoryMax() const { return history_max_; }
  void SetHistoryMax(int Value);
  int HistoryCount() const { return history_count_; }
  bool TypeAhead() const { return type_ahead_; }
  void SetTypeAhead(bool Value) { type_ahead_ = Value; }
  int TypeAheadDelay() const { return type_ahead_delay_; }
  std::uint16_t TypeAheadTimer() const { return type_ahead_timer_; }
  // The one-shot completion of the type-ahead item.
  void TypeAheadTick(TObject* Sender);

  // Draws the border: the flat idle look, the 3-D one, or a plain frame
  // when Ctl3D is off.
  void DrawBorder();
  bool FlatLook() const;

 private:
  friend LRESULT KavoEditClickProcedure(HWND, UINT, WPARAM, LPARAM);
  void ReleaseEditClick();
  void SelectionChanged();
  void MoveFocus(bool PostToTopLevel);
  void StopTypeAhead();

  std::uint16_t type_ahead_timer_ = 0;
  // The edit part as subclassed for OnEditClick, and its procedure before.
  HWND edit_click_hwnd_ = nullptr;
  WNDPROC edit_click_next_ = nullptr;
  bool edit_focused_ = false;
  bool key_navigation_ = false;
  bool type_ahead_ = false;
  bool mouse_inside_ = false;
  bool drawing_on_exit_ = false;
  bool flat_ = false;
  int drop_down_width_ = 0;
  int type_ahead_delay_ = 1500;
  TWinControl* focus_control_ = nullptr;
  int history_count_ = 0;
  int history_max_ = 5;
  bool history_ = false;
};

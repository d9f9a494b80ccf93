// TComboBox over the platform's "COMBOBOX" window class: a field (with an
// edit part, or a drop-down list only) and its list of Items. Choosing an
// item raises OnClick and OnSelect (or OnChange when OnSelect is not set);
// typing into the edit part raises OnChange. Keys typed into the edit part
// reach the combo box's own key events and the form's key preview.
#pragma once

#include <functional>
#include <memory>

#include "classlib/Canvas.h"
#include "classlib/Edit.h"
#include "classlib/ListBox.h"
#include "classlib/Strings.h"
#include "classlib/WinControl.h"

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox;

// A combo box's items as a string list.
class TComboBoxStrings : public TItemListStrings {
 public:
  explicit TComboBoxStrings(TCustomComboBox* ComboBox);
  // Empties the list but keeps the text of the edit part.
  void Clear() override;

 private:
  TCustomComboBox* combo_box_;
};

class TCustomComboBox : public TWinControl {
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* Value) { items_->Assign(Value); }
  int ItemIndex();
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  // How many items the dropped list shows.
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int Value);
  int ItemHeight();
  void SetItemHeight(int Value);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int Value);
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase Value);
  bool DroppedDown();
  void SetDroppedDown(bool Value);
  int SelStart();
  void SetSelStart(int Value);
  int SelLength();
  void SetSelLength(int Value);
  void SelectAll();
  void Clear();
  TCanvas* Canvas() const { return canvas_.get(); }
  // The edit part's window (null without one).
  HWND EditHandle() const { return edit_handle_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Change();
  // Raises OnSelect, or OnChange when there is no OnSelect.
  virtual void Select();
  virtual void DropDown();
  virtual void CloseUp();
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);

 private:
  friend class TComboBoxStrings;
  friend LRESULT ComboEditProcedure(HWND, UINT, WPARAM, LPARAM);
  void DrawItemMessage(TMessage& Message);
  void ReleaseEditPart();
  // Keys and characters typed into the edit part, given to the combo box's
  // key handling first.
  LRESULT EditMessage(UINT Msg, WPARAM WParam, LPARAM LParam);

  std::unique_ptr<TComboBoxStrings> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  std::unique_ptr<TStringList> saved_items_;
  int saved_index_ = -1;
  TComboBoxStyle style_ = csDropDown;
  bool sorted_ = false;
  int drop_down_count_ = 8;
  int item_height_ = 16;
  int max_length_ = 0;
  TEditCharCase char_case_ = ecNormal;
  HWND edit_handle_ = nullptr;
  WNDPROC edit_procedure_ = nullptr;
};

class TComboBox : public TCustomComboBox {
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

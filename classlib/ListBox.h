// TListBox over the platform's "LISTBOX" window class: Items as a string
// list (with an object per item), the selected item (ItemIndex) or items
// (MultiSelect, Selected), sorted or in order, and owner drawing. The
// items survive RecreateWnd.
#pragma once

#include <functional>
#include <memory>

#include "classlib/Canvas.h"
#include "classlib/Form.h"
#include "classlib/ItemListStrings.h"
#include "classlib/Strings.h"
#include "classlib/WinControl.h"

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TCustomListBox;

// A list box's items as a string list.
class TListBoxStrings : public TItemListStrings {
 public:
  explicit TListBoxStrings(TCustomListBox* ListBox);
};

class TCustomListBox : public TWinControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* Value) { items_->Assign(Value); }
  // -1: none. With MultiSelect, the item with the focus frame.
  int ItemIndex();
  void SetItemIndex(int Value);
  bool Selected(int Index);
  void SetSelected(int Index, bool Value);
  int SelCount();
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool Value);
  // With MultiSelect: Shift and Ctrl pick ranges (true), or every click
  // toggles one item (false).
  bool ExtendedSelect() const { return extended_select_; }
  void SetExtendedSelect(bool Value);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle Value);
  int ItemHeight();
  void SetItemHeight(int Value);
  bool IntegralHeight() const { return integral_height_; }
  void SetIntegralHeight(bool Value);
  int Columns() const { return columns_; }
  void SetColumns(int Value);
  int TopIndex();
  void SetTopIndex(int Value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  // The canvas owner drawing draws on.
  TCanvas* Canvas() const { return canvas_.get(); }

  void Clear() { items_->Clear(); }
  // The item at a point of the list (-1 outside the items when Existing).
  int ItemAtPos(TPoint Pos, bool Existing);
  TRect ItemRect(int Index);

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // Draws an owner-drawn item: OnDrawItem, or the text on the highlight
  // or window colour.
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);

 private:
  friend class TListBoxStrings;
  void DrawItemMessage(TMessage& Message);

  std::unique_ptr<TListBoxStrings> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  // The items while the window is being made again.
  std::unique_ptr<TStringList> saved_items_;
  int saved_index_ = -1;
  bool multi_select_ = false;
  bool extended_select_ = true;
  bool sorted_ = false;
  TListBoxStyle style_ = lbStandard;
  int item_height_ = 16;
  bool integral_height_ = false;
  int columns_ = 0;
  TBorderStyle border_style_ = bsSingle;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

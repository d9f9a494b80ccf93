// TListView over the platform's list view ("SysListView32"): rows of
// items (TListItem: a caption, sub-items, an image, data of the program's
// own, check and selection states) under columns (TListColumn), sorted by
// caption, data or a comparison of the program's, with custom drawing,
// owner drawing and caption editing. The platform draws every view style
// as a report.
//
// The items live in the TListItems object (so they can be filled before
// the window exists and survive RecreateWnd); the window holds their
// images and asks them for their texts (LVN_GETDISPINFO), and is the keeper
// of the selection, focus and check states while it exists. Each row's
// lParam is its TListItem. An item keeps its sub-item texts packed in one
// block; the SubItems string list over them is made only when asked for.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "classlib/Canvas.h"
#include "classlib/CustomControls.h"
#include "classlib/Form.h"
#include "classlib/ImgList.h"
#include "classlib/ListBox.h"
#include "classlib/Strings.h"
#include "classlib/WinControl.h"

class TCustomListView;
class TListItems;
class TListColumns;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TSortType { stNone, stData, stText, stBoth };
enum TItemChange { ctText, ctImage, ctState };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };
enum TWidthType { ColumnTextWidth = -1, ColumnHeaderWidth = -2 };

// What lies under a point of the list view.
enum THitTest {
  htAbove,
  htBelow,
  htNowhere,
  htOnItem,
  htOnButton,
  htOnIcon,
  htOnIndent,
  htOnLabel,
  htOnRight,
  htOnStateIcon,
  htToLeft,
  htToRight
};
using THitTests = Set<THitTest>;

// The state of an item being custom-drawn (the platform's CDIS_* bits).
enum TCustomDrawStateItem {
  cdsSelected,
  cdsGrayed,
  cdsDisabled,
  cdsChecked,
  cdsFocused,
  cdsDefault,
  cdsHot,
  cdsMarked,
  cdsIndeterminate
};
using TCustomDrawState = Set<TCustomDrawStateItem>;

// One column of the report view.
class TListColumn : public TPersistent {
 public:
  explicit TListColumn(TListColumns* AOwner);
  ~TListColumn() override;

  void Assign(TPersistent* Source) override;

  TListColumns* Collection() const { return owner_; }
  int Index() const;
  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  // The width in pixels (the user may drag it); ColumnTextWidth fits the
  // widest text, ColumnHeaderWidth the text and the caption.
  int Width();
  void SetWidth(int Value);
  // Auto-sized columns share the width the other columns leave.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  // An image of the list view's small images shown in the header (-1:
  // none).
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  int MinWidth() const { return min_width_; }
  void SetMinWidth(int Value);
  int MaxWidth() const { return max_width_; }
  void SetMaxWidth(int Value);
  int Tag = 0;

 private:
  friend class TListColumns;
  friend class TCustomListView;
  void Changed();
  // Reads the width back from the window (the user may have dragged it).
  void ReadWidth();

  TListColumns* owner_;
  String caption_;
  int width_ = 50;
  bool auto_size_ = false;
  TAlignment alignment_ = taLeftJustify;
  int image_index_ = -1;
  int min_width_ = 0;
  int max_width_ = 0;
};

class TListColumns : public TPersistent {
 public:
  explicit TListColumns(TCustomListView* AOwner) : owner_(AOwner) {}
  ~TListColumns() override;

  void Assign(TPersistent* Source) override;

  TCustomListView* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(columns_.size()); }
  // Raises EListError for an index outside the columns.
  TListColumn* Items(int Index) const;
  TListColumn* operator[](int Index) const { return Items(Index); }
  TListColumn* Add();
  void Delete(int Index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TListColumn;
  friend class TCustomListView;
  void Changed();

  TCustomListView* owner_;
  std::vector<TListColumn*> columns_;
  int update_count_ = 0;
  bool changed_ = false;
};

class TListItem : public TPersistent {
 public:
  explicit TListItem(TListItems* AOwner);
  ~TListItem() override;

  // Copies caption, sub-items, images, data and the check state.
  void Assign(TPersistent* Source) override;

  TListItems* Owner() const { return owner_; }
  TCustomListView* ListView() const;
  // The row of the item.
  int Index() const { return index_; }

  const String& Caption() const { return caption_; }
  void SetCaption(const String& Value);
  // The texts of columns 1, 2, ...
  TStrings* SubItems() const;
  void SetSubItems(TStrings* Value);
  // Adds sub-items as SubItems()->Add would, one after the other, without
  // making the SubItems list (for filling many rows).
  void AddSubItems(std::span<const std::string_view> Texts);
  // The image of sub-item Index (-1: none).
  int SubItemImages(int Index) const;
  void SetSubItemImages(int Index, int Value);
  void* Data() const { return data_; }
  void SetData(void* Value);
  // An image of the small (report) or large images (-1: none).
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int Value);
  // An image of the state images (-1: none).
  int StateIndex() const { return state_index_; }
  void SetStateIndex(int Value);
  int Indent() const { return indent_; }
  void SetIndent(int Value);
  // The check box of the row (Checkboxes).
  bool Checked() const;
  void SetChecked(bool Value);
  bool Selected() const;
  void SetSelected(bool Value);
  bool Focused() const;
  void SetFocused(bool Value);
  bool Cut() const;
  void SetCut(bool Value);
  bool DropTarget() const;
  void SetDropTarget(bool Value);

  // Removes the item from the list and frees it.
  void Delete();
  void MakeVisible(bool PartialOK);
  // Repaints the row.
  void Update();
  // A rectangle of the row in client coordinates.
  TRect DisplayRect(TDisplayCode Code) const;
  // Starts editing the caption in place (false when the list refuses).
  bool EditCaption();
  void CancelEdit();

 private:
  friend class TListItems;
  friend class TCustomListView;
  friend class TSubItems;
  struct TExtra;
  void SetState(UINT State, bool Value);
  bool GetState(UINT State) const;
  void SubItemsChanged();
  // The list's window, null while it has none.
  HWND Window() const;
  // The sub-item texts, read without making the SubItems list; each is
  // followed by a NUL in the item's own storage.
  int SubItemCount() const;
  std::string_view SubItemText(int Index) const;
  TExtra& Extra() const;

  TListItems* owner_;
  int index_ = -1;
  // The position in a sort of the program's (see TCustomListView::Order).
  int rank_ = 0;
  String caption_;
  // The sub-item texts packed in one block (null: no sub-items).
  std::unique_ptr<char[]> sub_texts_;
  // What few items need: the SubItems list, sub-item images and objects.
  mutable std::unique_ptr<TExtra> extra_;
  void* data_ = nullptr;
  int image_index_ = -1;
  int state_index_ = -1;
  int indent_ = 0;
  // The states while the list has no window (LVIS_* bits).
  UINT states_ = 0;
  bool checked_ = false;
};

class TListItems : public TPersistent {
 public:
  explicit TListItems(TCustomListView* AOwner) : owner_(AOwner) {}
  ~TListItems() override;

  void Assign(TPersistent* Source) override;

  TCustomListView* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (n)" outside the rows.
  TListItem* Item(int Index) const;
  TListItem* operator[](int Index) const { return Item(Index); }
  // A new empty item: at the end, or where the list's sort puts it.
  TListItem* Add();
  // Puts Item (a new one when null) at Index (-1: the end).
  TListItem* AddItem(TListItem* Item, int Index = -1);
  TListItem* Insert(int Index);
  // Raises OnDeletion for the item, removes and frees it.
  void Delete(int Index);
  void Clear();
  int IndexOf(const TListItem* Value) const;
  // Between BeginUpdate and EndUpdate the list is not repainted and not
  // kept sorted; EndUpdate sorts once.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

 private:
  friend class TListItem;
  friend class TCustomListView;
  void Renumber(int From);

  TCustomListView* owner_;
  std::vector<TListItem*> items_;
  int update_count_ = 0;
};

// Comparison of a custom sort: the two items (as TListItem pointers) and
// the value given to CustomSort; negative when the first comes first.
using TLVCompare = int (*)(LPARAM Item1, LPARAM Item2, LPARAM Data);

using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent =
    std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVColumnRClickEvent = std::function<void(TObject* Sender, TListColumn* Column, TPoint Point)>;
using TLVCompareEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, String& S)>;
using TLVCustomDrawEvent = std::function<void(TCustomListView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVCustomDrawSubItemEvent = std::function<void(TCustomListView* Sender, TListItem* Item, int SubItem,
                                                     TCustomDrawState State, bool& DefaultDraw)>;
using TLVDrawItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, TRect Rect, TOwnerDrawState State)>;

class TCustomListView : public TWinControl {
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  TListColumns* Columns() const { return columns_.get(); }
  void SetColumns(TListColumns* Value) { columns_->Assign(Value); }
  TListColumn* Column(int Index) const { return columns_->Items(Index); }
  TListItems* Items() const { return items_.get(); }
  void SetItems(TListItems* Value) { items_->Assign(Value); }

  TViewStyle ViewStyle() const { return view_style_; }
  void SetViewStyle(TViewStyle Value);
  TSortType SortType() const { return sort_type_; }
  // A sort type other than stNone sorts the items at once.
  void SetSortType(TSortType Value);
  bool ShowColumnHeaders() const { return show_column_headers_; }
  void SetShowColumnHeaders(bool Value);
  // Whether the column captions act as buttons (OnColumnClick).
  bool ColumnClick() const { return column_click_; }
  void SetColumnClick(bool Value);
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool Value);
  bool GridLines() const { return grid_lines_; }
  void SetGridLines(bool Value);
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool Value);
  bool HotTrack() const { return hot_track_; }
  void SetHotTrack(bool Value);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool Value);
  // False (at first): the user may edit captions in place.
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool Value);
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool Value);
  // The parent of the list view draws the rows (OnDrawItem, DrawItem).
  bool OwnerDraw() const { return owner_draw_; }
  void SetOwnerDraw(bool Value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle Value);
  // Milliseconds the pointer rests before hot tracking selects (-1: the
  // platform's default).
  int HoverTime();
  void SetHoverTime(int Value);

  TCustomImageList* SmallImages() const { return small_images_; }
  void SetSmallImages(TCustomImageList* Value);
  TCustomImageList* LargeImages() const { return large_images_; }
  void SetLargeImages(TCustomImageList* Value);
  TCustomImageList* StateImages() const { return state_images_; }
  void SetStateImages(TCustomImageList* Value);

  // The first selected item (null: none); setting it selects that item
  // alone (null: clears the selection).
  TListItem* Selected() const;
  void SetSelected(TListItem* Value);
  TListItem* ItemFocused() const;
  void SetItemFocused(TListItem* Value);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  TListItem* TopItem() const;
  int VisibleRowCount() const;
  // The item at a point of the client area (any column of its row).
  TListItem* GetItemAt(int X, int Y) const;
  THitTests GetHitTestInfoAt(int X, int Y) const;
  void Scroll(int DX, int DY);
  bool IsEditing() const;
  int StringWidth(const String& S) const;
  void UpdateItems(int FirstIndex, int LastIndex);
  // The first item from StartIndex whose caption is Value (Partial: that
  // begins with it; Wrap: going on from the top).
  TListItem* FindCaption(int StartIndex, const String& Value, bool Partial, bool Inclusive, bool Wrap) const;
  TListItem* FindData(int StartIndex, void* Value, bool Inclusive, bool Wrap) const;

  // Sorts by caption, or by OnCompare when it is set.
  bool AlphaSort();
  // Sorts by SortProc (null: as AlphaSort), which gets the two items and
  // Data.
  bool CustomSort(TLVCompare SortProc, LPARAM Data);
  bool CustomSort(const std::function<int(TListItem* Item1, TListItem* Item2)>& Compare);

  // The canvas custom and owner drawing draw on.
  TCanvas* Canvas() const { return canvas_.get(); }

  TLVChangeEvent OnChange;
  TLVChangingEvent OnChanging;
  TLVSelectItemEvent OnSelectItem;
  TLVColumnClickEvent OnColumnClick;
  TLVColumnRClickEvent OnColumnRightClick;
  TLVCompareEvent OnCompare;
  TLVDeletedEvent OnDeletion;
  TLVDeletedEvent OnInsert;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVCustomDrawEvent OnCustomDraw;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVCustomDrawSubItemEvent OnCustomDrawSubItem;
  TLVDrawItemEvent OnDrawItem;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Resize() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Raise the events; descendants add to them.
  virtual void Change(TListItem* Item, TItemChange Change);
  virtual bool CanChange(TListItem* Item, TItemChange Change);
  virtual void ColClick(TListColumn* Column);
  virtual void ColRightClick(TListColumn* Column, TPoint Point);
  virtual void Delete(TListItem* Item);
  virtual void InsertItem(TListItem* Item);
  virtual bool CanEdit(TListItem* Item);
  virtual void Edit(TListItem* Item, String& S);
  // Custom drawing: whether any is wanted at this stage, and the drawing
  // itself (false: the platform draws nothing more).
  virtual bool IsCustomDrawn();
  virtual bool CustomDraw(const TRect& ARect);
  virtual bool CustomDrawItem(TListItem* Item, TCustomDrawState State);
  virtual bool CustomDrawSubItem(TListItem* Item, int SubItem, TCustomDrawState State);
  // Draws an owner-drawn row: OnDrawItem, or the caption and sub-items.
  virtual void DrawItem(TListItem* Item, TRect Rect, TOwnerDrawState State);
  // The comparison of AlphaSort and of kept sorting.
  virtual int CompareItems(TListItem* Item1, TListItem* Item2);

 private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumn;
  friend class TListColumns;

  // The window's copy of the items and columns.
  void InsertRow(TListItem* Item);
  // Puts rows First .. Last - 1 of the items into the window in one step.
  void InsertRows(int First, int Last);
  void PushSubItems(TListItem* Item);
  void PushColumns();
  void PushExtendedStyle();
  void PushImageLists();
  void UpdateColumnWidths();
  // Keeps the sort after Item's key changed (or the item was added).
  void KeepSorted(TListItem* Item);
  // Puts the window's rows in the order of the items.
  void ApplyOrder();
  void Sort(const std::function<int(TListItem*, TListItem*)>& Compare);
  void RemoveItem(TListItem* Item);
  void ClearItems();
  TListItem* ItemOfRow(int Row) const;
  void ImageListChange(TObject* Sender);
  void Notify(TMessage& Message);
  LRESULT CustomDrawMessage(void* Header);
  void DrawItemMessage(TMessage& Message);

  std::unique_ptr<TListColumns> columns_;
  std::unique_ptr<TListItems> items_;
  std::unique_ptr<TControlCanvas> canvas_;
  TViewStyle view_style_ = vsIcon;
  TSortType sort_type_ = stNone;
  bool show_column_headers_ = true;
  bool column_click_ = true;
  bool checkboxes_ = false;
  bool grid_lines_ = false;
  bool row_select_ = false;
  bool hot_track_ = false;
  bool multi_select_ = false;
  bool read_only_ = false;
  bool hide_selection_ = true;
  bool owner_draw_ = false;
  TBorderStyle border_style_ = bsSingle;
  int hover_time_ = -1;
  TCustomImageList* small_images_ = nullptr;
  TCustomImageList* large_images_ = nullptr;
  TCustomImageList* state_images_ = nullptr;
  std::unique_ptr<TChangeLink> image_link_;
  // The rows are being moved or put back by the list itself: the
  // window's notifications about them are not the user's.
  int quiet_ = 0;
  // The order is one of a custom sort, not the kept one.
  bool custom_order_ = false;
  bool sort_pending_ = false;
  // The window has the columns (from CreateWnd's PushColumns on).
  bool columns_in_window_ = false;
  // What the item stage of custom drawing left on the canvas, for the
  // sub-item stage of the same row.
  std::unique_ptr<TFont> row_font_;
  TColor row_brush_color_ = clWindow;
};

class TListView : public TCustomListView {
 public:
  explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
};

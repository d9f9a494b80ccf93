// The list box's state and behaviour, shared by the "LISTBOX" class and
// the list a combo box drops down ("ComboLBox"), which changes how it is
// told about the mouse and whom it asks for drawing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ctl/control_base.h"
#include "platform/ctl/list_box.h"

namespace platform::ctl {

class ListBox : public Control {
 public:
  explicit ListBox(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

  int Count() const { return static_cast<int>(items_.size()); }
  int CurSel() const;
  // Selects one item (single selection) without telling anyone; -1 none.
  void SelectOnly(int index);
  std::string ItemText(int index) const;
  ULONG_PTR ItemData(int index) const;
  int ItemHeight() const;
  int TopIndex() const { return top_; }
  int VisibleRows() const;
  // The item at a client point, -1 when there is none there.
  int ItemAt(POINT pt) const;
  void EnsureVisible(int index);
  // Finds an item starting with `text` (or equal to it), after `start`,
  // wrapping round; -1 when none does.
  int Find(int start, const std::string& text, bool exact) const;
  bool HasStrings() const;

 protected:
  struct Item {
    std::string text;
    ULONG_PTR data = 0;
    bool selected = false;
  };

  bool IsMulti() const { return (Style() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
  bool IsExtended() const { return (Style() & LBS_EXTENDEDSEL) != 0; }
  bool IsOwnerDrawn() const {
    return (Style() & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
  }

  // What a combo box's list does differently.
  virtual void NotifySelectionChanged();
  virtual HWND OwnerDrawTarget() const { return Parent(); }
  virtual UINT OwnerDrawType() const { return ODT_LISTBOX; }
  virtual HWND OwnerDrawItemWindow() const { return hwnd(); }
  virtual int OwnerDrawId() const { return Id(); }
  virtual HBRUSH Background(HDC dc) { return ControlColor(dc, WM_CTLCOLORLISTBOX); }
  virtual bool TakesFocusOnClick() const { return true; }
  virtual void MouseDown(POINT pt, WPARAM keys, bool double_click);
  virtual void MouseMove(POINT pt);
  virtual void MouseUp(POINT pt);

  // ---- items ----
  int Compare(const Item& a, const Item& b) const;
  int Insert(int index, LPARAM value, bool sorted);
  int Delete(int index);
  void Reset();
  void TellDeleted(int index, const Item& item);
  LRESULT CopyText(int index, LPARAM buffer) const;

  // ---- selection ----
  // Changes made by the user: move the focus item, select as the styles
  // say, tell the parent when something changed.
  void UserSelect(int index, bool shift, bool ctrl, bool toggle);
  bool SelectRange(int first, int last, bool on);
  void SetCaret(int index);

  // ---- display ----
  RECT ItemRect(int index) const;
  void InvalidateItem(int index);
  void SetTop(int top);
  void UpdateScrollBar();
  void Paint();
  void PaintItem(HDC dc, int index, const RECT& rect);
  void MeasureOwnerDrawn();

  LRESULT KeyDown(UINT vk);
  LRESULT Char(char c);
  void Scroll(WORD code, int pos);

  std::vector<Item> items_;
  int selected_ = -1;  // single selection
  int caret_ = 0;      // the item with the focus frame
  int anchor_ = 0;     // where a Shift selection starts
  int top_ = 0;
  int item_height_ = 0;  // 0: from the font
  int horizontal_extent_ = 0;
  int x_offset_ = 0;
  int tab_stops_ = 0;
  bool wants_vscroll_ = false;
  bool wants_hscroll_ = false;
  bool tracking_ = false;
  POINT track_point_{};
  bool track_select_ = true;  // extended lists: a Ctrl drag deselects when the first item was
  std::string typed_;
  DWORD typed_at_ = 0;
  DWORD locale_ = 0;
};

}  // namespace platform::ctl

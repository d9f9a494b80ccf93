// The list view window's own state and behaviour, shared by the sources of
// the control (messages, geometry, painting, input). Not part of the
// platform's interface.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "platform/ctl/listview.h"
#include "platform/ctl/listview_items.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/user/input.h"

namespace platform::ctl {

struct Column {
  std::string text;
  int fmt = LVCFMT_LEFT;
  int width = 0;
  int image = -1;
  int sub_item = 0;  // which sub-item the column shows
};

// The parts of column 0 of a row, in client coordinates.
struct RowParts {
  RECT bounds{};      // the whole row
  RECT state_icon{};  // check box / state image
  RECT icon{};        // small image
  RECT label{};       // the rest of column 0
};

class ListView {
 public:
  explicit ListView(HWND hwnd) : hwnd_(hwnd) {}
  ~ListView();
  ListView(const ListView&) = delete;
  ListView& operator=(const ListView&) = delete;

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  // ---- listview.cpp: items, columns, state, notifications ----
  void OnCreate();
  void OnDestroy();
  DWORD Style() const;
  bool MultiSelect() const { return (Style() & LVS_SINGLESEL) == 0; }

  // Puts one row in (no notification, no repainting); its index in *at.
  ListItem* PutItem(const LVITEM* item, bool subs_callback, int* at);
  int InsertItem(const LVITEM* item);
  int InsertItems(int count, const LVITEM* rows);
  int SortedPosition(const std::string& text) const;
  bool DeleteItem(int index);
  bool DeleteAllItems();
  bool GetItem(LVITEM* item);
  bool SetItem(const LVITEM* item);
  int GetItemText(int index, LVITEM* item);
  std::string TextOf(int index, ListItem& item, int sub_item);
  int ImageOf(int index, ListItem& item, int sub_item);
  // Asks the parent (LVN_GETDISPINFO); the text it pointed at, if it did.
  const char* AskDisplayInfo(int index, ListItem& item, LVITEM* asked);

  // Changes the state bits in `mask` of one row to `state`, asking the
  // parent first; false when it refused.
  bool ChangeState(int index, ListItem* item, UINT state, UINT mask);
  bool SetItemState(int index, UINT state, UINT mask);
  UINT StateOf(const ListItem& item) const;
  void SelectOnly(int index);
  void SelectRange(int from, int to, bool keep_others);
  void SetFocusItem(int index);
  void DeselectAllExcept(const ListItem* keep);
  int GetNextItem(int start, UINT flags) const;
  int FindItem(int start, const LVFINDINFO* find);
  bool SortItems(PFNLVCOMPARE compare, LPARAM param, bool by_index);

  int InsertColumn(int index, const LVCOLUMN* column);
  bool DeleteColumn(int index);
  bool GetColumn(int index, LVCOLUMN* column) const;
  bool SetColumn(int index, const LVCOLUMN* column);
  bool SetColumnWidth(int index, int width);
  int MeasureColumn(int index);

  DWORD SetExtendedStyle(DWORD mask, DWORD style);
  void UpdateCheckBoxImages();
  HIMAGELIST SetImageList(WPARAM which, HIMAGELIST list);
  void UpdateHeaderStyle();
  LRESULT OnHeaderNotify(NMHDR* hdr);

  LRESULT Notify(UINT code, NMHDR* hdr);
  LRESULT NotifyListView(UINT code, int item, int sub_item, UINT changed, UINT new_state,
                         UINT old_state, LPARAM lparam, POINT action = POINT{});
  LRESULT NotifyActivate(UINT code, int item, int sub_item, POINT action);

  // ---- listview_layout.cpp: geometry, hit tests, scrolling ----
  void UpdateMetrics();
  void Layout();
  int HeaderHeight() const { return header_height_; }
  int ItemAreaTop() const { return header_height_; }
  int PageRows() const;
  int TotalWidth() const;
  int DisplayIndex(int order_position) const;
  std::vector<int> DisplayOrder() const;
  // Left edge (client x) and width of column `index`.
  void ColumnSpan(int index, int* left, int* width) const;
  int ColumnAt(int x) const;
  RECT RowRect(int index) const;
  RowParts PartsOf(int index) const;
  bool GetItemRect(int index, RECT* rect);
  bool GetSubItemRect(int index, RECT* rect);
  int HitTest(LVHITTESTINFO* info, bool sub_items);
  void ScrollTo(int top, int x);
  void ScrollRows(int rows) { ScrollTo(top_ + rows, scroll_x_); }
  bool EnsureVisible(int index, bool partial_ok);
  void UpdateScrollBars();
  void OnScroll(bool vertical, WPARAM wparam);
  void InvalidateRow(int index);
  void InvalidateFrom(int index);

  // ---- listview_paint.cpp ----
  void Paint(HDC dc, const RECT& area);
  void PaintRow(HDC dc, int index, ListItem* item, LRESULT whole_answer, NMLVCUSTOMDRAW* cd);
  void PaintCell(HDC dc, int index, ListItem& item, int column, const RECT& cell, bool selected,
                 bool hot, COLORREF text, COLORREF back, bool full_row);
  void PaintGridLines(HDC dc, const RECT& area);
  void PaintOwnerDrawnRow(HDC dc, int index, ListItem* item);

  // ---- listview_input.cpp: mouse, keys, label editing ----
  void OnLeftDown(POINT pt, WPARAM keys, bool double_click);
  void OnLeftUp(POINT pt);
  void OnRightDown(POINT pt, WPARAM keys);
  void OnRightUp(POINT pt);
  void OnMouseMove(POINT pt, WPARAM keys);
  void OnHover();
  void SetHot(int index);
  void OnKeyDown(WPARAM vk);
  void OnChar(char ch);
  void MoveFocusTo(int index, bool shift, bool ctrl);
  void ToggleCheck(int index);
  HWND EditLabel(int index);
  void EndEdit(bool commit);
  static LRESULT EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  UINT KeyFlags() const;

  HWND hwnd_;
  HWND header_ = nullptr;
  DWORD ex_style_ = 0;
  ItemStore items_;
  std::vector<Column> columns_;
  std::unordered_set<ListItem*> selected_;
  ListItem* focused_ = nullptr;
  ListItem* anchor_ = nullptr;  // the selection mark: start of shift ranges
  int hot_ = -1;
  UINT callback_mask_ = 0;
  DWORD hover_time_ = HOVER_DEFAULT;
  HWND tooltips_ = nullptr;  // kept for LVM_GETTOOLTIPS; the list shows no tips of its own

  HIMAGELIST images_[3] = {nullptr, nullptr, nullptr};  // normal, small, state
  HIMAGELIST check_images_ = nullptr;                   // made for LVS_EX_CHECKBOXES
  COLORREF bk_color_ = 0;
  COLORREF text_color_ = 0;
  COLORREF text_bk_color_ = 0;
  HFONT font_ = nullptr;

  int row_height_ = 16;
  int header_height_ = 0;
  int top_ = 0;  // first row shown
  // What the scroll bars were last given (set again only when it changes).
  SCROLLINFO shown_vertical_{sizeof(SCROLLINFO), 0, 0, -1, 0, 0, 0};
  SCROLLINFO shown_horizontal_{sizeof(SCROLLINFO), 0, 0, -1, 0, 0, 0};
  bool frame_stale_ = false;  // the frame (with the bars) waits for WM_NCPAINT
  int scroll_x_ = 0;          // pixels scrolled to the left

  // Mouse.
  int pressed_item_ = -1;  // a left press on this row may still become a drag
  POINT press_point_{};
  bool press_collapses_ = false;  // the press fell on a selected row of several
  bool press_may_edit_ = false;   // the press fell on the label of the focused row
  bool right_pressed_ = false;
  bool dragged_ = false;  // the last press became LVN_BEGINDRAG: its release is no click
  bool tracking_mouse_ = false;

  // Type-ahead search.
  std::string search_;
  DWORD search_time_ = 0;

  // In-place editing.
  HWND edit_ = nullptr;
  ListItem* edit_item_ = nullptr;
  WNDPROC edit_previous_proc_ = nullptr;
  bool ending_edit_ = false;

  friend LRESULT ListViewProc(HWND, UINT, WPARAM, LPARAM);
};

constexpr UINT_PTR kEditTimer = 42;

}  // namespace platform::ctl

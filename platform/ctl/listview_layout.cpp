// Geometry of the report view: row height, the header's place, rectangles
// of rows and cells, hit tests and scrolling.
#include <algorithm>

#include "platform/ctl/listview_control.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace platform::ctl {
namespace {

bool SameBar(const SCROLLINFO& a, const SCROLLINFO& b) {
  return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
}

constexpr int kHorizontalLine = 8;  // pixels per horizontal scroll step

}  // namespace

void ListView::UpdateMetrics() {
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  int height = tm.tmHeight + 2;
  for (WPARAM which : {LVSIL_SMALL, LVSIL_STATE}) {
    int cx = 0, cy = 0;
    if (images_[which] != nullptr && ImageList_GetIconSize(images_[which], &cx, &cy)) {
      height = std::max(height, cy + 1);
    }
  }
  if (ex_style_ & LVS_EX_GRIDLINES) ++height;
  if (Style() & LVS_OWNERDRAWFIXED) {
    // The parent says how high its rows are.
    MEASUREITEMSTRUCT measure;
    measure.CtlType = ODT_LISTVIEW;
    measure.CtlID = static_cast<UINT>(GetWindowLongPtr(hwnd_, GWLP_ID));
    measure.itemHeight = static_cast<UINT>(height);
    if (HWND parent = GetParent(hwnd_)) {
      SendMessage(parent, WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
    }
    height = static_cast<int>(measure.itemHeight);
  }
  row_height_ = std::max(1, height);
}

// Puts the header above the rows (shifted left with the horizontal scroll)
// and keeps the first row within range.
void ListView::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  if (header_ != nullptr) {
    RECT area{-scroll_x_, 0, client.right, client.bottom};
    WINDOWPOS pos;
    HDLAYOUT layout{&area, &pos};
    if (Header_Layout(header_, &layout)) {
      header_height_ = pos.cy;
      SetWindowPos(header_, nullptr, pos.x, pos.y, pos.cx, pos.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  int max_top = std::max(0, items_.size() - PageRows());
  if (top_ > max_top) top_ = max_top;
  UpdateScrollBars();
}

int ListView::PageRows() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  int height = static_cast<int>(client.bottom) - header_height_;
  return std::max(1, height / row_height_);
}

std::vector<int> ListView::DisplayOrder() const {
  std::vector<int> order(columns_.size());
  if (order.empty()) return order;
  if (!Header_GetOrderArray(header_, static_cast<int>(order.size()), order.data())) {
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  }
  return order;
}

int ListView::TotalWidth() const {
  int total = 0;
  for (const Column& c : columns_) total += c.width;
  return total;
}

void ListView::ColumnSpan(int index, int* left, int* width) const {
  int x = -scroll_x_;
  for (int i : DisplayOrder()) {
    int w = columns_[static_cast<std::size_t>(i)].width;
    if (i == index) {
      *left = x;
      *width = w;
      return;
    }
    x += w;
  }
  *left = x;
  *width = 0;
}

// The column under client x, -1 right of the last one.
int ListView::ColumnAt(int x) const {
  int left = -scroll_x_;
  for (int i : DisplayOrder()) {
    int w = columns_[static_cast<std::size_t>(i)].width;
    if (x >= left && x < left + w) return i;
    left += w;
  }
  return -1;
}

RECT ListView::RowRect(int index) const {
  int top = ItemAreaTop() + (index - top_) * row_height_;
  int width = std::max(TotalWidth(), 0);
  return RECT{-scroll_x_, top, width - scroll_x_, top + row_height_};
}

// Column 0 of a row: indent, state image (check box), small image, label.
RowParts ListView::PartsOf(int index) const {
  RowParts parts;
  parts.bounds = RowRect(index);
  int left = 0, width = 0;
  if (!columns_.empty()) ColumnSpan(0, &left, &width);
  int right = left + width;
  int x = left;
  const ListItem* item = items_.At(index);
  int small_cx = 0, small_cy = 0;
  if (images_[LVSIL_SMALL] != nullptr)
    ImageList_GetIconSize(images_[LVSIL_SMALL], &small_cx, &small_cy);
  if (item != nullptr) x += item->indent * small_cx;
  int state_cx = 0, state_cy = 0;
  if (images_[LVSIL_STATE] != nullptr)
    ImageList_GetIconSize(images_[LVSIL_STATE], &state_cx, &state_cy);
  auto clip = [right](int v) { return std::min(v, right); };
  parts.state_icon = RECT{clip(x), parts.bounds.top, clip(x + state_cx), parts.bounds.bottom};
  x += state_cx;
  parts.icon = RECT{clip(x), parts.bounds.top, clip(x + small_cx), parts.bounds.bottom};
  x += small_cx;
  parts.label = RECT{clip(x), parts.bounds.top, right, parts.bounds.bottom};
  return parts;
}

bool ListView::GetItemRect(int index, RECT* rect) {
  if (rect == nullptr || index < 0 || index >= items_.size()) return false;
  RowParts parts = PartsOf(index);
  switch (rect->left) {
    case LVIR_BOUNDS:
      *rect = parts.bounds;
      return true;
    case LVIR_ICON:
      *rect = parts.icon;
      return true;
    case LVIR_LABEL:
      *rect = parts.label;
      return true;
    case LVIR_SELECTBOUNDS:
      if (ex_style_ & LVS_EX_FULLROWSELECT) {
        *rect = parts.bounds;
        rect->left = parts.icon.left;
      } else {
        *rect = RECT{parts.icon.left, parts.bounds.top, parts.label.right, parts.bounds.bottom};
      }
      return true;
    default:
      return false;
  }
}

// rect->top names the sub-item, rect->left the part (LVIR_BOUNDS, LVIR_ICON,
// LVIR_LABEL). Sub-item 0 gives the rectangles of the item itself.
bool ListView::GetSubItemRect(int index, RECT* rect) {
  if (rect == nullptr || index < 0 || index >= items_.size()) return false;
  int sub_item = rect->top;
  LONG code = rect->left;
  if (sub_item == 0) {
    rect->left = code == LVIR_LABEL ? LVIR_LABEL : code == LVIR_ICON ? LVIR_ICON : LVIR_BOUNDS;
    return GetItemRect(index, rect);
  }
  int column = -1;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].sub_item == sub_item) column = static_cast<int>(i);
  }
  if (column < 0) return false;
  int left = 0, width = 0;
  ColumnSpan(column, &left, &width);
  RECT row = RowRect(index);
  RECT cell{left, row.top, left + width, row.bottom};
  int icon = 0, cy = 0;
  if ((ex_style_ & LVS_EX_SUBITEMIMAGES) && images_[LVSIL_SMALL] != nullptr) {
    ImageList_GetIconSize(images_[LVSIL_SMALL], &icon, &cy);
  }
  switch (code) {
    case LVIR_BOUNDS:
      *rect = cell;
      return true;
    case LVIR_ICON:
      *rect = RECT{cell.left, cell.top, std::min(cell.left + icon, cell.right), cell.bottom};
      return true;
    case LVIR_LABEL:
      *rect = RECT{std::min(cell.left + icon, cell.right), cell.top, cell.right, cell.bottom};
      return true;
    default:
      return false;
  }
}

int ListView::HitTest(LVHITTESTINFO* info, bool sub_items) {
  if (info == nullptr) return -1;
  info->iItem = -1;
  info->iSubItem = 0;
  info->flags = 0;
  RECT client;
  GetClientRect(hwnd_, &client);
  POINT pt = info->pt;
  if (pt.x < 0) info->flags |= LVHT_TOLEFT;
  if (pt.x >= client.right) info->flags |= LVHT_TORIGHT;
  if (pt.y < ItemAreaTop()) info->flags |= LVHT_ABOVE;
  if (pt.y >= client.bottom) info->flags |= LVHT_BELOW;
  if (info->flags != 0) return -1;
  int index = top_ + (pt.y - ItemAreaTop()) / row_height_;
  if (index >= items_.size()) {
    info->flags = LVHT_NOWHERE;
    return -1;
  }
  int column = ColumnAt(pt.x);
  RowParts parts = PartsOf(index);
  UINT where = LVHT_NOWHERE;
  if (column == 0 || (column < 0 && columns_.empty())) {
    if (pt.x >= parts.state_icon.left && pt.x < parts.state_icon.right) {
      where = LVHT_ONITEMSTATEICON;
    } else if (pt.x >= parts.icon.left && pt.x < parts.icon.right) {
      where = LVHT_ONITEMICON;
    } else if (pt.x >= parts.label.left && pt.x < parts.label.right) {
      where = LVHT_ONITEMLABEL;
    }
  } else if (column > 0 && (sub_items || (ex_style_ & LVS_EX_FULLROWSELECT))) {
    where = LVHT_ONITEMLABEL;
  }
  if (where == LVHT_NOWHERE && (ex_style_ & LVS_EX_FULLROWSELECT) && pt.x < parts.bounds.right) {
    where = LVHT_ONITEMLABEL;
  }
  info->flags = where;
  if (sub_items) {
    // The sub-item hit test names the row and column under any point of a row.
    info->iItem = column >= 0 ? index : -1;
    info->iSubItem = column >= 0 ? columns_[static_cast<std::size_t>(column)].sub_item : 0;
    if (column < 0) info->flags = LVHT_NOWHERE;
    return info->iItem;
  }
  info->iItem = where != LVHT_NOWHERE ? index : -1;
  return info->iItem;
}

// ------------------------------------------------------------ scrolling

void ListView::ScrollTo(int top, int x) {
  RECT client;
  GetClientRect(hwnd_, &client);
  int max_top = std::max(0, items_.size() - PageRows());
  top = std::clamp(top, 0, max_top);
  int max_x = std::max(0, TotalWidth() - static_cast<int>(client.right));
  x = std::clamp(x, 0, max_x);
  if (top == top_ && x == scroll_x_) return;
  EndEdit(true);
  int dy = (top_ - top) * row_height_;
  int dx = scroll_x_ - x;
  top_ = top;
  scroll_x_ = x;
  RECT rows{0, ItemAreaTop(), client.right, client.bottom};
  if (std::abs(dy) >= rows.bottom - rows.top || std::abs(dx) >= client.right) {
    InvalidateRect(hwnd_, &rows, TRUE);
  } else {
    ScrollWindowEx(hwnd_, dx, dy, &rows, &rows, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
  }
  if (dx != 0) Layout();
  // The hot row moved under the mouse.
  if (hot_ >= 0) SetHot(-1);
  UpdateScrollBars();
}

bool ListView::EnsureVisible(int index, bool partial_ok) {
  if (index < 0 || index >= items_.size()) return false;
  RECT client;
  GetClientRect(hwnd_, &client);
  int visible_height = static_cast<int>(client.bottom) - ItemAreaTop();
  int full_rows = std::max(1, visible_height / row_height_);
  if (index < top_) {
    ScrollTo(index, scroll_x_);
  } else if (index >= top_ + full_rows) {
    bool partly_shown = index == top_ + full_rows && visible_height % row_height_ != 0;
    if (!(partial_ok && partly_shown)) ScrollTo(index - full_rows + 1, scroll_x_);
  }
  return true;
}

// Gives the window's scroll bars the rows and the width; SetScrollInfo shows
// a bar when there is something to scroll and hides it otherwise. A bar
// coming or going changes the client area, so this runs until it settles.
void ListView::UpdateScrollBars() {
  if (Style() & LVS_NOSCROLL) return;
  for (int round = 0; round < 3; ++round) {
    RECT before;
    GetClientRect(hwnd_, &before);
    SCROLLINFO vertical;
    vertical.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    vertical.nMax = std::max(0, items_.size() - 1);
    vertical.nPage = static_cast<UINT>(PageRows());
    vertical.nPos = top_;
    SCROLLINFO horizontal;
    horizontal.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    horizontal.nMax = std::max(0, TotalWidth() - 1);
    horizontal.nPage = static_cast<UINT>(std::max(1, static_cast<int>(before.right)));
    horizontal.nPos = scroll_x_;
    // The bars are drawn with the next frame paint rather than at once, so
    // that inserting many rows does not draw them once per row.
    bool changed = false;
    if (!SameBar(vertical, shown_vertical_)) {
      shown_vertical_ = vertical;
      SetScrollInfo(hwnd_, SB_VERT, &vertical, FALSE);
      changed = true;
    }
    if (!SameBar(horizontal, shown_horizontal_)) {
      shown_horizontal_ = horizontal;
      SetScrollInfo(hwnd_, SB_HORZ, &horizontal, FALSE);
      changed = true;
    }
    if (changed && !frame_stale_) {
      frame_stale_ = true;
      // The whole window goes stale, the client too: the header (a child
      // over the client) must repaint after the rows' background is erased
      // beneath it.
      RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    RECT after;
    GetClientRect(hwnd_, &after);
    if (after.right == before.right && after.bottom == before.bottom) return;
    Layout();
  }
}

void ListView::OnScroll(bool vertical, WPARAM wparam) {
  WORD request = LOWORD(wparam);
  int position = HIWORD(wparam);
  if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
    // The 16-bit position of the message is too small for long lists.
    SCROLLINFO info;
    info.fMask = SIF_TRACKPOS;
    if (GetScrollInfo(hwnd_, vertical ? SB_VERT : SB_HORZ, &info)) position = info.nTrackPos;
  }
  if (vertical) {
    int page = PageRows();
    switch (request) {
      case SB_LINEUP:
        ScrollRows(-1);
        break;
      case SB_LINEDOWN:
        ScrollRows(1);
        break;
      case SB_PAGEUP:
        ScrollRows(-page);
        break;
      case SB_PAGEDOWN:
        ScrollRows(page);
        break;
      case SB_THUMBPOSITION:
      case SB_THUMBTRACK:
        ScrollTo(position, scroll_x_);
        break;
      case SB_TOP:
        ScrollTo(0, scroll_x_);
        break;
      case SB_BOTTOM:
        ScrollTo(items_.size(), scroll_x_);
        break;
      default:
        break;
    }
    return;
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  switch (request) {
    case SB_LINEUP:
      ScrollTo(top_, scroll_x_ - kHorizontalLine);
      break;
    case SB_LINEDOWN:
      ScrollTo(top_, scroll_x_ + kHorizontalLine);
      break;
    case SB_PAGEUP:
      ScrollTo(top_, scroll_x_ - client.right);
      break;
    case SB_PAGEDOWN:
      ScrollTo(top_, scroll_x_ + client.right);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      ScrollTo(top_, position);
      break;
    case SB_TOP:
      ScrollTo(top_, 0);
      break;
    case SB_BOTTOM:
      ScrollTo(top_, TotalWidth());
      break;
    default:
      break;
  }
}

void ListView::InvalidateRow(int index) {
  if (index < top_ || index > top_ + PageRows() + 1) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  RECT row = RowRect(index);
  row.left = 0;
  row.right = client.right;
  InvalidateRect(hwnd_, &row, TRUE);
}

void ListView::InvalidateFrom(int index) {
  RECT client;
  GetClientRect(hwnd_, &client);
  int top = std::max(static_cast<int>(RowRect(std::max(index, top_)).top), ItemAreaTop());
  if (top >= client.bottom) return;
  RECT rest{0, top, client.right, client.bottom};
  InvalidateRect(hwnd_, &rest, TRUE);
}

}  // namespace platform::ctl

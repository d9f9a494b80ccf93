// The header control: items in index order, shown in the order of
// `order_`; clicks, divider tracking (always live, as with HDS_FULLDRAG),
// reordering by drag (HDS_DRAGDROP), hot tracking and custom draw.
#include "platform/ctl/header.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/ctl/edit.h"
#include "platform/gdi/gdi.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/user.h"

namespace {

// Half the width of the zone around a divider where a press starts sizing.
constexpr int kDividerZone = 4;

struct HeaderItem {
  std::string text;
  int width = 0;
  int fmt = HDF_LEFT | HDF_STRING;
  LPARAM lparam = 0;
  HBITMAP bitmap = nullptr;
  int image = -1;
  std::string filter;
};

// The filter bar's parts: the editor child and its change timer.
constexpr UINT_PTR kFilterTimer = 0x4844;
constexpr int kFilterEditId = 0x4845;
constexpr UINT kEndFilterEdit = WM_USER + 0x4846;
constexpr int kFilterButtonWidth = 12;

class Header {
 public:
  explicit Header(HWND hwnd) : hwnd_(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  int PositionOf(int index) const {
    auto it = std::find(order_.begin(), order_.end(), index);
    return static_cast<int>(it - order_.begin());
  }
  RECT ItemRect(int index) const;
  int Height() const;
  UINT HitTest(POINT pt, int* item) const;

  int InsertItem(int index, const HDITEM* item);
  bool DeleteItem(int index);
  bool GetItem(int index, HDITEM* item) const;
  bool SetItem(int index, const HDITEM* item);
  bool Layout(HDLAYOUT* layout) const;

  LRESULT Notify(UINT code, int item, int button, HDITEM* pitem) const;
  LRESULT NotifyPlain(UINT code) const;

  void Paint(HDC dc);
  void DrawItem(HDC dc, int index, bool pressed, bool hot);

  void OnLeftDown(POINT pt);
  void OnMouseMove(POINT pt);
  void OnLeftUp(POINT pt);
  void OnDoubleClick(POINT pt);

  bool HasFilterBar() const { return (GetWindowLongPtr(hwnd_, GWL_STYLE) & HDS_FILTERBAR) != 0; }
  // The filter row's part of an item.
  RECT FilterRect(int index) const;
  void DrawFilter(HDC dc, int index);
  void EditFilter(int index);
  // Takes the editor's text into its filter and tells the parent.
  void CommitFilter();
  void EndFilterEdit();
  void NotifyFilterChange(int item) const;
  void NotifyFilterButton(int item) const;

  int filter_timeout_ = 1000;
  HWND filter_edit_ = nullptr;
  int filter_item_ = -1;
  bool filter_pending_ = false;
  void EndTracking(bool notify);

  HWND hwnd_;
  std::vector<HeaderItem> items_;
  std::vector<int> order_;  // display position -> item index
  HIMAGELIST images_ = nullptr;
  HFONT font_ = nullptr;
  int bitmap_margin_ = 6;

  // Mouse state.
  int pressed_ = -1;  // item held down as a button
  bool pressed_in_ = false;
  int tracking_ = -1;  // item whose divider is dragged
  int track_start_x_ = 0;
  int track_start_width_ = 0;
  int drag_candidate_ = -1;  // item pressed with HDS_DRAGDROP, not yet dragged
  POINT drag_start_{};
  bool dragging_ = false;
  int hot_ = -1;
};

Header* Of(HWND hwnd) {
  return reinterpret_cast<Header*>(GetWindowLongPtr(hwnd, 0));
}

RECT Header::ItemRect(int index) const {
  RECT client;
  GetClientRect(hwnd_, &client);
  int x = 0;
  for (int position : order_) {
    int width = items_[static_cast<std::size_t>(position)].width;
    if (position == index) return RECT{x, 0, x + width, client.bottom};
    x += width;
  }
  return RECT{};
}

int Header::Height() const {
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  return (tm.tmHeight + 4) * (HasFilterBar() ? 2 : 1);
}

RECT Header::FilterRect(int index) const {
  RECT r = ItemRect(index);
  r.top = (r.top + r.bottom) / 2;
  return r;
}

void Header::NotifyFilterChange(int item) const {
  NMHEADER nm;
  nm.hdr.hwndFrom = hwnd_;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd_, GWLP_ID));
  nm.hdr.code = HDN_FILTERCHANGE;
  nm.iItem = item;
  SendMessage(GetParent(hwnd_), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void Header::NotifyFilterButton(int item) const {
  NMHDFILTERBTNCLICK nm;
  nm.hdr.hwndFrom = hwnd_;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd_, GWLP_ID));
  nm.hdr.code = HDN_FILTERBTNCLICK;
  nm.iItem = item;
  nm.rc = FilterRect(item);
  if (SendMessage(GetParent(hwnd_), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) != 0) {
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

void Header::EditFilter(int index) {
  if (!Valid(index) || !HasFilterBar()) return;
  EndFilterEdit();
  RECT r = FilterRect(index);
  r.right -= kFilterButtonWidth;
  filter_item_ = index;
  filter_edit_ = CreateWindowEx(0, "EDIT", items_[static_cast<std::size_t>(index)].filter.c_str(),
                                WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, r.left + 1, r.top + 1,
                                std::max(0, static_cast<int>(r.right - r.left) - 2),
                                std::max(0, static_cast<int>(r.bottom - r.top) - 2), hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFilterEditId)), nullptr, nullptr);
  if (filter_edit_ != nullptr) {
    SendMessage(filter_edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetFocus(filter_edit_);
  }
}

void Header::CommitFilter() {
  KillTimer(hwnd_, kFilterTimer);
  if (!filter_pending_ || filter_edit_ == nullptr || !Valid(filter_item_)) return;
  filter_pending_ = false;
  const int length = GetWindowTextLength(filter_edit_);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowText(filter_edit_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  items_[static_cast<std::size_t>(filter_item_)].filter = text;
  NotifyFilterChange(filter_item_);
}

void Header::EndFilterEdit() {
  if (filter_edit_ == nullptr) return;
  CommitFilter();
  HWND edit = filter_edit_;
  filter_edit_ = nullptr;
  filter_item_ = -1;
  DestroyWindow(edit);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void Header::DrawFilter(HDC dc, int index) {
  RECT r = FilterRect(index);
  if (r.right <= r.left) return;
  RECT box{r.left + 1, r.top + 1, r.right - kFilterButtonWidth - 1, r.bottom - 1};
  if (box.right > box.left) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT text{box.left + 2, box.top, box.right - 2, box.bottom};
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const std::string& filter = items_[static_cast<std::size_t>(index)].filter;
    DrawText(dc, filter.c_str(), -1, &text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  RECT button{std::max(r.left, r.right - kFilterButtonWidth), r.top + 1, r.right - 1, r.bottom - 1};
  if (button.right > button.left) {
    FillRect(dc, &button, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &button, EDGE_RAISED, BF_RECT);
    // A small funnel.
    const int cx = (button.left + button.right) / 2;
    const int cy = (button.top + button.bottom) / 2;
    HBRUSH brush = GetSysColorBrush(COLOR_BTNTEXT);
    RECT line{cx - 3, cy - 2, cx + 4, cy - 1};
    FillRect(dc, &line, brush);
    RECT stem{cx, cy - 1, cx + 1, cy + 3};
    FillRect(dc, &stem, brush);
  }
}

// Which item and which part of it lies under a point. Left of a divider the
// item it closes is sized; on or right of it the last item ending there, so
// that columns of width 0 can be pulled open again.
UINT Header::HitTest(POINT pt, int* item) const {
  *item = -1;
  RECT client;
  GetClientRect(hwnd_, &client);
  if (pt.y < 0) return HHT_ABOVE;
  if (pt.y >= client.bottom) return HHT_BELOW;
  if (pt.x < 0) return HHT_TOLEFT;
  if (pt.x >= client.right) return HHT_TORIGHT;
  int x = 0;
  int left_of_divider = -1, right_of_divider = -1;
  for (int index : order_) {
    int right = x + items_[static_cast<std::size_t>(index)].width;
    if (left_of_divider < 0 && pt.x >= right - kDividerZone && pt.x < right)
      left_of_divider = index;
    if (pt.x >= right && pt.x < right + kDividerZone) right_of_divider = index;
    x = right;
  }
  if (right_of_divider >= 0) {
    *item = right_of_divider;
    return items_[static_cast<std::size_t>(right_of_divider)].width == 0 ? HHT_ONDIVOPEN
                                                                         : HHT_ONDIVIDER;
  }
  if (left_of_divider >= 0) {
    *item = left_of_divider;
    return HHT_ONDIVIDER;
  }
  x = 0;
  for (int index : order_) {
    int right = x + items_[static_cast<std::size_t>(index)].width;
    if (pt.x >= x && pt.x < right) {
      *item = index;
      return HHT_ONHEADER;
    }
    x = right;
  }
  return HHT_NOWHERE;
}

int Header::InsertItem(int index, const HDITEM* item) {
  if (item == nullptr || index < 0) return -1;
  index = std::min(index, Count());
  HeaderItem added;
  if (item->mask & HDI_WIDTH) added.width = std::max(0, item->cxy);
  if ((item->mask & HDI_TEXT) && item->pszText != nullptr) added.text = item->pszText;
  if (item->mask & HDI_FORMAT) added.fmt = item->fmt;
  if (item->mask & HDI_LPARAM) added.lparam = item->lParam;
  if (item->mask & HDI_BITMAP) added.bitmap = item->hbm;
  if (item->mask & HDI_IMAGE) added.image = item->iImage;
  items_.insert(items_.begin() + index, added);
  for (int& i : order_) {
    if (i >= index) ++i;
  }
  int position = (item->mask & HDI_ORDER) ? std::clamp(item->iOrder, 0, Count() - 1)
                                          : std::min(index, static_cast<int>(order_.size()));
  order_.insert(order_.begin() + position, index);
  InvalidateRect(hwnd_, nullptr, TRUE);
  return index;
}

bool Header::DeleteItem(int index) {
  if (!Valid(index)) return false;
  items_.erase(items_.begin() + index);
  order_.erase(order_.begin() + PositionOf(index));
  for (int& i : order_) {
    if (i > index) --i;
  }
  if (hot_ == index) hot_ = -1;
  InvalidateRect(hwnd_, nullptr, TRUE);
  return true;
}

bool Header::GetItem(int index, HDITEM* item) const {
  if (!Valid(index) || item == nullptr) return false;
  const HeaderItem& it = items_[static_cast<std::size_t>(index)];
  if (item->mask & HDI_WIDTH) item->cxy = it.width;
  if ((item->mask & HDI_TEXT) && item->pszText != nullptr && item->cchTextMax > 0) {
    std::size_t n = std::min(it.text.size(), static_cast<std::size_t>(item->cchTextMax - 1));
    it.text.copy(item->pszText, n);
    item->pszText[n] = '\0';
  }
  if (item->mask & HDI_FORMAT) item->fmt = it.fmt;
  if (item->mask & HDI_LPARAM) item->lParam = it.lparam;
  if (item->mask & HDI_BITMAP) item->hbm = it.bitmap;
  if (item->mask & HDI_IMAGE) item->iImage = it.image;
  if (item->mask & HDI_ORDER) item->iOrder = PositionOf(index);
  if ((item->mask & HDI_FILTER) && item->type == HDFT_ISSTRING && item->pvFilter != nullptr) {
    auto* filter = static_cast<HDTEXTFILTER*>(item->pvFilter);
    if (filter->pszText != nullptr && filter->cchTextMax > 0) {
      const std::size_t n = std::min(it.filter.size(), static_cast<std::size_t>(filter->cchTextMax - 1));
      it.filter.copy(filter->pszText, n);
      filter->pszText[n] = '\0';
    }
  }
  return true;
}

// Changes an item, asking the parent first (HDN_ITEMCHANGING answered TRUE
// refuses) and telling it afterwards.
bool Header::SetItem(int index, const HDITEM* item) {
  if (!Valid(index) || item == nullptr) return false;
  HDITEM change = *item;
  if (Notify(HDN_ITEMCHANGING, index, 0, &change) != 0) return false;
  HeaderItem& it = items_[static_cast<std::size_t>(index)];
  if (item->mask & HDI_WIDTH) it.width = std::max(0, item->cxy);
  if (item->mask & HDI_TEXT) it.text = item->pszText != nullptr ? item->pszText : "";
  if (item->mask & HDI_FORMAT) it.fmt = item->fmt;
  if (item->mask & HDI_LPARAM) it.lparam = item->lParam;
  if (item->mask & HDI_BITMAP) it.bitmap = item->hbm;
  if (item->mask & HDI_IMAGE) it.image = item->iImage;
  if ((item->mask & HDI_FILTER) && item->type == HDFT_ISSTRING) {
    const auto* filter = static_cast<const HDTEXTFILTER*>(item->pvFilter);
    it.filter = filter != nullptr && filter->pszText != nullptr ? filter->pszText : "";
  }
  if (item->mask & HDI_ORDER) {
    order_.erase(order_.begin() + PositionOf(index));
    order_.insert(order_.begin() + std::clamp(item->iOrder, 0, static_cast<int>(order_.size())),
                  index);
  }
  InvalidateRect(hwnd_, nullptr, TRUE);
  change = *item;
  Notify(HDN_ITEMCHANGED, index, 0, &change);
  return true;
}

bool Header::Layout(HDLAYOUT* layout) const {
  if (layout == nullptr || layout->prc == nullptr || layout->pwpos == nullptr) return false;
  RECT* area = layout->prc;
  int height = (GetWindowLongPtr(hwnd_, GWL_STYLE) & HDS_HIDDEN) ? 0 : Height();
  height = std::min(height, static_cast<int>(area->bottom - area->top));
  WINDOWPOS* pos = layout->pwpos;
  pos->hwnd = hwnd_;
  pos->hwndInsertAfter = nullptr;
  pos->x = area->left;
  pos->y = area->top;
  pos->cx = area->right - area->left;
  pos->cy = height;
  pos->flags = SWP_NOZORDER | SWP_NOACTIVATE;
  area->top += height;
  return true;
}

LRESULT Header::Notify(UINT code, int item, int button, HDITEM* pitem) const {
  NMHEADER nm;
  nm.hdr.hwndFrom = hwnd_;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd_, GWLP_ID));
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iButton = button;
  nm.pitem = pitem;
  return SendMessage(GetParent(hwnd_), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

LRESULT Header::NotifyPlain(UINT code) const {
  NMHDR nm;
  nm.hwndFrom = hwnd_;
  nm.idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd_, GWLP_ID));
  nm.code = code;
  return SendMessage(GetParent(hwnd_), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
}

// ---------------------------------------------------------------- drawing

void DrawSortArrow(HDC dc, const RECT& r, bool up) {
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  POINT points[3];
  if (up) {
    points[0] = POINT{cx - 4, cy + 2};
    points[1] = POINT{cx + 4, cy + 2};
    points[2] = POINT{cx, cy - 2};
  } else {
    points[0] = POINT{cx - 4, cy - 2};
    points[1] = POINT{cx + 4, cy - 2};
    points[2] = POINT{cx, cy + 2};
  }
  HBRUSH brush = GetSysColorBrush(COLOR_BTNSHADOW);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  Polygon(dc, points, 3);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
}

void Header::DrawItem(HDC dc, int index, bool pressed, bool hot) {
  const HeaderItem& it = items_[static_cast<std::size_t>(index)];
  RECT r = ItemRect(index);
  if (r.right <= r.left) return;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (HasFilterBar()) {
    DrawFilter(dc, index);
    r.bottom = FilterRect(index).top;
  }
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE));
  RECT edge = r;
  if (pressed) {
    FrameRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
  } else if (!(style & HDS_FLAT)) {
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  }
  RECT content{r.left + bitmap_margin_, r.top + 2, r.right - bitmap_margin_, r.bottom - 2};
  if (pressed) OffsetRect(&content, 1, 1);

  // Image or bitmap on its side, a sort arrow on the right, text between.
  bool on_right = (it.fmt & HDF_BITMAP_ON_RIGHT) != 0;
  int picture_w = 0, picture_h = 0;
  if ((it.fmt & HDF_IMAGE) && images_ != nullptr && it.image >= 0) {
    ImageList_GetIconSize(images_, &picture_w, &picture_h);
  } else if ((it.fmt & HDF_BITMAP) && it.bitmap != nullptr) {
    BITMAP bm{};
    GetObject(it.bitmap, sizeof(bm), &bm);
    picture_w = bm.bmWidth;
    picture_h = bm.bmHeight;
  }
  if (it.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
    RECT arrow{content.right - 12, content.top, content.right, content.bottom};
    if (arrow.left > content.left) {
      DrawSortArrow(dc, arrow, (it.fmt & HDF_SORTUP) != 0);
      content.right = arrow.left - 2;
    }
  }
  if (picture_w > 0 && content.right - content.left > 0) {
    int w = std::min(picture_w, static_cast<int>(content.right - content.left));
    int x = on_right ? content.right - w : content.left;
    int y = content.top + (content.bottom - content.top - picture_h) / 2;
    if (it.fmt & HDF_IMAGE) {
      ImageList_DrawEx(images_, it.image, dc, x, y, w, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    } else {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, it.bitmap);
      BitBlt(dc, x, y, w, picture_h, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
    if (on_right) {
      content.right -= w + bitmap_margin_;
    } else {
      content.left += w + bitmap_margin_;
    }
  }
  if (!it.text.empty() && content.right > content.left) {
    UINT align = (it.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                 : (it.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                            : DT_LEFT;
    if (hot) SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
    DrawText(dc, it.text.c_str(), -1, &content,
             align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void Header::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  HGDIOBJ old_font = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);

  NMCUSTOMDRAW cd;
  cd.hdr.hwndFrom = hwnd_;
  cd.hdr.idFrom = static_cast<UINT_PTR>(GetWindowLongPtr(hwnd_, GWLP_ID));
  cd.hdr.code = NM_CUSTOMDRAW;
  cd.dwDrawStage = CDDS_PREPAINT;
  cd.hdc = dc;
  cd.rc = client;
  HWND parent = GetParent(hwnd_);
  LRESULT whole = SendMessage(parent, WM_NOTIFY, cd.hdr.idFrom, reinterpret_cast<LPARAM>(&cd));

  int x = 0;
  for (int index : order_) {
    x += items_[static_cast<std::size_t>(index)].width;
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    bool pressed = index == pressed_ && pressed_in_;
    bool hot = index == hot_ && (GetWindowLongPtr(hwnd_, GWL_STYLE) & HDS_HOTTRACK);
    LRESULT answer = CDRF_DODEFAULT;
    if (whole & CDRF_NOTIFYITEMDRAW) {
      cd.dwDrawStage = CDDS_ITEMPREPAINT;
      cd.rc = ItemRect(index);
      cd.dwItemSpec = static_cast<DWORD_PTR>(index);
      cd.uItemState = (pressed ? CDIS_SELECTED : 0) | (hot ? CDIS_HOT : 0);
      cd.lItemlParam = items_[static_cast<std::size_t>(index)].lparam;
      answer = SendMessage(parent, WM_NOTIFY, cd.hdr.idFrom, reinterpret_cast<LPARAM>(&cd));
    }
    if (!(answer & CDRF_SKIPDEFAULT)) DrawItem(dc, index, pressed, hot);
    if (answer & CDRF_NOTIFYPOSTPAINT) {
      cd.dwDrawStage = CDDS_ITEMPOSTPAINT;
      SendMessage(parent, WM_NOTIFY, cd.hdr.idFrom, reinterpret_cast<LPARAM>(&cd));
    }
  }
  // What is right of the last item is an empty button.
  if (x < client.right) {
    RECT rest{x, 0, client.right, client.bottom};
    FillRect(dc, &rest, GetSysColorBrush(COLOR_BTNFACE));
    if (!(GetWindowLongPtr(hwnd_, GWL_STYLE) & HDS_FLAT)) DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT);
  }
  if (whole & CDRF_NOTIFYPOSTPAINT) {
    cd.dwDrawStage = CDDS_POSTPAINT;
    cd.rc = client;
    SendMessage(parent, WM_NOTIFY, cd.hdr.idFrom, reinterpret_cast<LPARAM>(&cd));
  }
  SelectObject(dc, old_font);
}

// ------------------------------------------------------------------ mouse

void Header::OnLeftDown(POINT pt) {
  int item = -1;
  UINT where = HitTest(pt, &item);
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE));
  if (HasFilterBar() && (where & HHT_ONHEADER) && Valid(item) && pt.y >= FilterRect(item).top) {
    if (pt.x >= FilterRect(item).right - kFilterButtonWidth) {
      EndFilterEdit();
      NotifyFilterButton(item);
    } else {
      EditFilter(item);
    }
    return;
  }
  if (where & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) {
    HDITEM info;
    info.mask = HDI_WIDTH;
    info.cxy = items_[static_cast<std::size_t>(item)].width;
    if (Notify(HDN_BEGINTRACK, item, 0, &info) != 0) return;
    tracking_ = item;
    track_start_x_ = pt.x;
    track_start_width_ = items_[static_cast<std::size_t>(item)].width;
    SetCapture(hwnd_);
    return;
  }
  if (where != HHT_ONHEADER) return;
  if (style & HDS_DRAGDROP) {
    drag_candidate_ = item;
    drag_start_ = pt;
  }
  if (style & HDS_BUTTONS) {
    pressed_ = item;
    pressed_in_ = true;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  if (pressed_ >= 0 || drag_candidate_ >= 0) SetCapture(hwnd_);
}

void Header::OnMouseMove(POINT pt) {
  if (tracking_ >= 0) {
    int width = std::max(0, track_start_width_ + static_cast<int>(pt.x) - track_start_x_);
    HDITEM info;
    info.mask = HDI_WIDTH;
    info.cxy = width;
    if (Notify(HDN_TRACK, tracking_, 0, &info) != 0) {
      EndTracking(true);
      return;
    }
    if (width != items_[static_cast<std::size_t>(tracking_)].width) {
      HDITEM change;
      change.mask = HDI_WIDTH;
      change.cxy = width;
      SetItem(tracking_, &change);
    }
    return;
  }
  if (drag_candidate_ >= 0 && !dragging_) {
    int threshold = GetSystemMetrics(SM_CXDRAG);
    if (std::abs(static_cast<int>(pt.x - drag_start_.x)) > threshold) {
      HDITEM info;
      info.mask = HDI_ORDER;
      info.iOrder = PositionOf(drag_candidate_);
      if (Notify(HDN_BEGINDRAG, drag_candidate_, 0, &info) == 0) {
        dragging_ = true;
        pressed_ = -1;
        InvalidateRect(hwnd_, nullptr, TRUE);
      } else {
        drag_candidate_ = -1;
      }
    }
  }
  if (pressed_ >= 0) {
    RECT r = ItemRect(pressed_);
    bool inside = PtInRect(&r, pt) != 0;
    if (inside != pressed_in_) {
      pressed_in_ = inside;
      InvalidateRect(hwnd_, &r, TRUE);
    }
    return;
  }
  if ((GetWindowLongPtr(hwnd_, GWL_STYLE) & HDS_HOTTRACK) && GetCapture() != hwnd_) {
    int item = -1;
    UINT where = HitTest(pt, &item);
    int hot = where == HHT_ONHEADER ? item : -1;
    if (hot != hot_) {
      hot_ = hot;
      InvalidateRect(hwnd_, nullptr, TRUE);
      TRACKMOUSEEVENT track;
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = hwnd_;
      TrackMouseEvent(&track);
    }
  }
}

void Header::OnLeftUp(POINT pt) {
  if (tracking_ >= 0) {
    EndTracking(true);
    return;
  }
  if (dragging_) {
    // The item goes to the display position under the pointer.
    int target = static_cast<int>(order_.size()) - 1;
    int x = 0;
    for (std::size_t p = 0; p < order_.size(); ++p) {
      x += items_[static_cast<std::size_t>(order_[p])].width;
      if (pt.x < x) {
        target = static_cast<int>(p);
        break;
      }
    }
    if (pt.x < 0) target = 0;
    int item = drag_candidate_;
    dragging_ = false;
    drag_candidate_ = -1;
    ReleaseCapture();
    HDITEM info;
    info.mask = HDI_ORDER;
    info.iOrder = target;
    if (Notify(HDN_ENDDRAG, item, 0, &info) == 0) {
      order_.erase(order_.begin() + PositionOf(item));
      order_.insert(order_.begin() + target, item);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
    return;
  }
  drag_candidate_ = -1;
  if (pressed_ >= 0) {
    int item = pressed_;
    bool inside = pressed_in_;
    pressed_ = -1;
    pressed_in_ = false;
    ReleaseCapture();
    InvalidateRect(hwnd_, nullptr, TRUE);
    if (inside) Notify(HDN_ITEMCLICK, item, 0, nullptr);
    return;
  }
  if (GetCapture() == hwnd_) ReleaseCapture();
}

void Header::OnDoubleClick(POINT pt) {
  int item = -1;
  UINT where = HitTest(pt, &item);
  if (where & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) {
    Notify(HDN_DIVIDERDBLCLICK, item, 0, nullptr);
  } else if (where == HHT_ONHEADER) {
    Notify(HDN_ITEMDBLCLICK, item, 0, nullptr);
  }
}

void Header::EndTracking(bool notify) {
  int item = tracking_;
  tracking_ = -1;
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (notify && Valid(item)) {
    HDITEM info;
    info.mask = HDI_WIDTH;
    info.cxy = items_[static_cast<std::size_t>(item)].width;
    Notify(HDN_ENDTRACK, item, 0, &info);
  }
}

POINT PointOf(LPARAM lparam) {
  return POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
}

LRESULT Header::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case HDM_GETITEMCOUNT:
      return Count();
    case HDM_INSERTITEM:
      return InsertItem(static_cast<int>(wparam), reinterpret_cast<const HDITEM*>(lparam));
    case HDM_DELETEITEM:
      return DeleteItem(static_cast<int>(wparam));
    case HDM_GETITEM:
      return GetItem(static_cast<int>(wparam), reinterpret_cast<HDITEM*>(lparam));
    case HDM_SETITEM:
      return SetItem(static_cast<int>(wparam), reinterpret_cast<const HDITEM*>(lparam));
    case HDM_LAYOUT:
      return Layout(reinterpret_cast<HDLAYOUT*>(lparam));
    case HDM_HITTEST: {
      auto* info = reinterpret_cast<HDHITTESTINFO*>(lparam);
      if (info == nullptr) return -1;
      info->flags = HitTest(info->pt, &info->iItem);
      return info->iItem;
    }
    case HDM_GETITEMRECT: {
      auto* rect = reinterpret_cast<RECT*>(lparam);
      if (!Valid(static_cast<int>(wparam)) || rect == nullptr) return FALSE;
      *rect = ItemRect(static_cast<int>(wparam));
      return TRUE;
    }
    case HDM_SETIMAGELIST: {
      HIMAGELIST old = images_;
      images_ = reinterpret_cast<HIMAGELIST>(lparam);
      InvalidateRect(hwnd_, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case HDM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(images_);
    case HDM_ORDERTOINDEX: {
      int position = static_cast<int>(wparam);
      return position >= 0 && position < Count() ? order_[static_cast<std::size_t>(position)]
                                                 : position;
    }
    case HDM_GETORDERARRAY: {
      auto* out = reinterpret_cast<int*>(lparam);
      if (out == nullptr || static_cast<int>(wparam) != Count()) return FALSE;
      std::copy(order_.begin(), order_.end(), out);
      return TRUE;
    }
    case HDM_SETORDERARRAY: {
      const auto* in = reinterpret_cast<const int*>(lparam);
      if (in == nullptr || static_cast<int>(wparam) != Count()) return FALSE;
      std::vector<int> order(in, in + Count());
      std::vector<int> sorted = order;
      std::sort(sorted.begin(), sorted.end());
      for (int i = 0; i < Count(); ++i) {
        if (sorted[static_cast<std::size_t>(i)] != i) return FALSE;
      }
      order_ = order;
      InvalidateRect(hwnd_, nullptr, TRUE);
      return TRUE;
    }
    case HDM_SETHOTDIVIDER:
      return 0;
    case HDM_SETBITMAPMARGIN: {
      int old = bitmap_margin_;
      bitmap_margin_ = std::max(0, static_cast<int>(wparam));
      InvalidateRect(hwnd_, nullptr, TRUE);
      return old;
    }
    case HDM_GETBITMAPMARGIN:
      return bitmap_margin_;
    case HDM_SETFILTERCHANGETIMEOUT: {
      const int old = filter_timeout_;
      filter_timeout_ = std::max(0, static_cast<int>(lparam));
      return old;
    }
    case HDM_EDITFILTER:
      EditFilter(static_cast<int>(wparam));
      return filter_edit_ != nullptr;
    case HDM_CLEARFILTER: {
      const int index = static_cast<int>(wparam);
      if (index == -1) {
        for (HeaderItem& it : items_) it.filter.clear();
      } else if (Valid(index)) {
        items_[static_cast<std::size_t>(index)].filter.clear();
      } else {
        return FALSE;
      }
      InvalidateRect(hwnd_, nullptr, TRUE);
      NotifyFilterChange(index);
      return TRUE;
    }
    case WM_COMMAND:
      if (filter_edit_ != nullptr && reinterpret_cast<HWND>(lparam) == filter_edit_) {
        if (HIWORD(wparam) == EN_CHANGE) {
          filter_pending_ = true;
          SetTimer(hwnd_, kFilterTimer, static_cast<UINT>(filter_timeout_), nullptr);
        } else if (HIWORD(wparam) == EN_KILLFOCUS) {
          // The editor goes once its own notification is over.
          PostMessage(hwnd_, kEndFilterEdit, 0, 0);
        }
        return 0;
      }
      break;
    case WM_TIMER:
      if (wparam == kFilterTimer) {
        CommitFilter();
        return 0;
      }
      break;
    case kEndFilterEdit:
      EndFilterEdit();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kFilterTimer);
      break;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam) != 0) InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      OnLeftDown(PointOf(lparam));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(PointOf(lparam));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(PointOf(lparam));
      return 0;
    case WM_LBUTTONUP:
      OnLeftUp(PointOf(lparam));
      return 0;
    case WM_RBUTTONUP:
      NotifyPlain(NM_RCLICK);
      return 0;
    case WM_MOUSELEAVE:
      if (hot_ >= 0) {
        hot_ = -1;
        InvalidateRect(hwnd_, nullptr, TRUE);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lparam) != hwnd_) {
        if (tracking_ >= 0) EndTracking(true);
        pressed_ = -1;
        pressed_in_ = false;
        dragging_ = false;
        drag_candidate_ = -1;
        InvalidateRect(hwnd_, nullptr, TRUE);
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE && tracking_ >= 0) {
        HDITEM back;
        back.mask = HDI_WIDTH;
        back.cxy = track_start_width_;
        SetItem(tracking_, &back);
        EndTracking(true);
      }
      return 0;
    case WM_SETCURSOR: {
      POINT pt;
      GetCursorPos(&pt);
      ScreenToClient(hwnd_, &pt);
      int item = -1;
      if (HitTest(pt, &item) & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) {
        SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProc(hwnd_, message, wparam, lparam);
}

LRESULT HeaderProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Header* header = Of(hwnd);
  if (message == WM_NCCREATE) {
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new Header(hwnd)));
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  if (header == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, 0, 0);
    delete header;
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  return header->Handle(message, wparam, lparam);
}

void RegisterHeaderClass() {
  WNDCLASSEX wc;
  wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
  wc.lpfnWndProc = HeaderProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_HEADER;
  RegisterClassEx(&wc);
}

const platform::BuiltinClass kHeaderClass(WC_HEADER, &RegisterHeaderClass);

}  // namespace

// The "LISTBOX" class.
#include "platform/ctl/list_box.h"

#include <algorithm>
#include <cstring>

#include "platform/core/clock.h"
#include "platform/ctl/list_box_control.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {

namespace {
constexpr UINT_PTR kTrackTimer = 1;
constexpr UINT kTrackScrollMs = 100;
constexpr DWORD kTypeAheadMs = 1000;
constexpr int kTextInset = 2;
}  // namespace

// ---------------------------------------------------------------------------
// Items
// ---------------------------------------------------------------------------

bool ListBox::HasStrings() const {
  return !IsOwnerDrawn() || (Style() & LBS_HASSTRINGS);
}

int ListBox::Compare(const Item& a, const Item& b) const {
  if (HasStrings()) return CompareNoCase(a.text, b.text);
  COMPAREITEMSTRUCT compare;
  compare.CtlType = OwnerDrawType();
  compare.CtlID = static_cast<UINT>(OwnerDrawId());
  compare.hwndItem = OwnerDrawItemWindow();
  compare.itemID1 = static_cast<UINT>(-1);
  compare.itemData1 = a.data;
  compare.itemID2 = static_cast<UINT>(-1);
  compare.itemData2 = b.data;
  HWND target = OwnerDrawTarget();
  if (target == nullptr) return 0;
  return static_cast<int>(SendMessage(target, WM_COMPAREITEM, static_cast<WPARAM>(OwnerDrawId()),
                                      reinterpret_cast<LPARAM>(&compare)));
}

int ListBox::Insert(int index, LPARAM value, bool sorted) {
  Item item;
  if (HasStrings()) {
    const char* text = reinterpret_cast<const char*>(value);
    item.text = text != nullptr ? text : "";
  } else {
    item.data = static_cast<ULONG_PTR>(value);
  }
  const int count = Count();
  if (sorted) {
    // After the items that sort equal, as they were added.
    index = count;
    for (int i = 0; i < count; ++i) {
      if (Compare(item, items_[static_cast<std::size_t>(i)]) < 0) {
        index = i;
        break;
      }
    }
  } else if (index < 0) {
    index = count;
  } else if (index > count) {
    return static_cast<int>(LB_ERR);
  }
  items_.insert(items_.begin() + index, std::move(item));
  if (selected_ >= index) ++selected_;
  if (count > 0 && caret_ >= index) ++caret_;
  if (count > 0 && anchor_ >= index) ++anchor_;
  Invalidate();
  UpdateScrollBar();
  return index;
}

void ListBox::TellDeleted(int index, const Item& item) {
  if (!IsOwnerDrawn() && item.data == 0) return;
  HWND target = OwnerDrawTarget();
  if (target == nullptr) return;
  DELETEITEMSTRUCT deleted;
  deleted.CtlType = OwnerDrawType();
  deleted.CtlID = static_cast<UINT>(OwnerDrawId());
  deleted.itemID = static_cast<UINT>(index);
  deleted.hwndItem = OwnerDrawItemWindow();
  deleted.itemData = item.data;
  SendMessage(target, WM_DELETEITEM, static_cast<WPARAM>(OwnerDrawId()),
              reinterpret_cast<LPARAM>(&deleted));
}

int ListBox::Delete(int index) {
  if (index < 0 || index >= Count()) return static_cast<int>(LB_ERR);
  Item removed = items_[static_cast<std::size_t>(index)];
  items_.erase(items_.begin() + index);
  if (selected_ == index) {
    selected_ = -1;
  } else if (selected_ > index) {
    --selected_;
  }
  if (caret_ > index) --caret_;
  if (anchor_ > index) --anchor_;
  caret_ = std::clamp(caret_, 0, std::max(0, Count() - 1));
  anchor_ = std::clamp(anchor_, 0, std::max(0, Count() - 1));
  SetTop(top_);
  Invalidate();
  UpdateScrollBar();
  TellDeleted(index, removed);
  return alive() ? Count() : 0;
}

void ListBox::Reset() {
  std::vector<Item> removed;
  removed.swap(items_);
  selected_ = -1;
  caret_ = anchor_ = top_ = 0;
  x_offset_ = 0;
  Invalidate();
  UpdateScrollBar();
  for (std::size_t i = 0; i < removed.size() && alive(); ++i) {
    TellDeleted(static_cast<int>(i), removed[i]);
  }
}

std::string ListBox::ItemText(int index) const {
  if (index < 0 || index >= Count()) return std::string();
  return items_[static_cast<std::size_t>(index)].text;
}

ULONG_PTR ListBox::ItemData(int index) const {
  if (index < 0 || index >= Count()) return 0;
  return items_[static_cast<std::size_t>(index)].data;
}

LRESULT ListBox::CopyText(int index, LPARAM buffer) const {
  if (index < 0 || index >= Count()) return LB_ERR;
  const Item& item = items_[static_cast<std::size_t>(index)];
  if (!HasStrings()) {
    if (buffer != 0) std::memcpy(reinterpret_cast<void*>(buffer), &item.data, sizeof(item.data));
    return sizeof(item.data);
  }
  if (buffer != 0)
    std::memcpy(reinterpret_cast<char*>(buffer), item.text.c_str(), item.text.size() + 1);
  return static_cast<LRESULT>(item.text.size());
}

int ListBox::Find(int start, const std::string& text, bool exact) const {
  const int count = Count();
  if (count == 0) return -1;
  if (start < -1 || start >= count) start = -1;
  for (int k = 1; k <= count; ++k) {
    const int i = (start + k) % count;
    const Item& item = items_[static_cast<std::size_t>(i)];
    if (!HasStrings()) {
      ULONG_PTR wanted = 0;
      std::memcpy(&wanted, text.data(), std::min(text.size(), sizeof(wanted)));
      if (item.data == wanted) return i;
      continue;
    }
    if (exact ? CompareNoCase(item.text, text) == 0 : StartsWithNoCase(item.text, text)) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------

int ListBox::CurSel() const {
  if (IsMulti()) return Count() > 0 ? caret_ : -1;
  return selected_;
}

void ListBox::SelectOnly(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index != selected_) {
    InvalidateItem(selected_);
    selected_ = index;
    InvalidateItem(selected_);
  }
  if (index >= 0) {
    SetCaret(index);
    anchor_ = index;
    EnsureVisible(index);
  }
}

void ListBox::SetCaret(int index) {
  if (index < 0 || index >= Count() || index == caret_) return;
  InvalidateItem(caret_);
  caret_ = index;
  InvalidateItem(caret_);
}

bool ListBox::SelectRange(int first, int last, bool on) {
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  bool changed = false;
  for (int i = first; i <= last; ++i) {
    Item& item = items_[static_cast<std::size_t>(i)];
    if (item.selected != on) {
      item.selected = on;
      changed = true;
      InvalidateItem(i);
    }
  }
  return changed;
}

void ListBox::NotifySelectionChanged() {
  if (Style() & LBS_NOTIFY) NotifyCommand(LBN_SELCHANGE);
}

void ListBox::UserSelect(int index, bool shift, bool ctrl, bool toggle) {
  if (Count() == 0 || (Style() & LBS_NOSEL)) return;
  index = std::clamp(index, 0, Count() - 1);
  bool changed = false;
  if (!IsMulti()) {
    changed = index != selected_;
    SelectOnly(index);
  } else if (!IsExtended()) {
    SetCaret(index);
    if (toggle) {
      Item& item = items_[static_cast<std::size_t>(index)];
      item.selected = !item.selected;
      InvalidateItem(index);
      changed = true;
    }
  } else if (shift) {
    if (!ctrl) {
      changed |= SelectRange(0, std::min(anchor_, index) - 1, false);
      changed |= SelectRange(std::max(anchor_, index) + 1, Count() - 1, false);
    }
    changed |= SelectRange(anchor_, index, true);
    SetCaret(index);
  } else if (ctrl) {
    SetCaret(index);
    anchor_ = index;
    if (toggle) {
      Item& item = items_[static_cast<std::size_t>(index)];
      item.selected = !item.selected;
      InvalidateItem(index);
      changed = true;
    }
  } else {
    changed |= SelectRange(0, index - 1, false);
    changed |= SelectRange(index + 1, Count() - 1, false);
    changed |= SelectRange(index, index, true);
    SetCaret(index);
    anchor_ = index;
  }
  EnsureVisible(index);
  if (changed) NotifySelectionChanged();
}

// ---------------------------------------------------------------------------
// Display
// ---------------------------------------------------------------------------

int ListBox::ItemHeight() const {
  return item_height_ > 0 ? item_height_ : LineHeight();
}

int ListBox::VisibleRows() const {
  RECT r = Client();
  return std::max(1, static_cast<int>(r.bottom - r.top) / ItemHeight());
}

RECT ListBox::ItemRect(int index) const {
  RECT client = Client();
  const int top = (index - top_) * ItemHeight();
  return RECT{client.left, top, client.right, top + ItemHeight()};
}

int ListBox::ItemAt(POINT pt) const {
  RECT client = Client();
  if (!PtInRect(&client, pt)) return -1;
  const int index = top_ + pt.y / ItemHeight();
  return index < Count() ? index : -1;
}

void ListBox::InvalidateItem(int index) {
  if (index < 0 || index >= Count()) return;
  RECT r = ItemRect(index);
  InvalidateRect(hwnd(), &r, TRUE);
}

void ListBox::SetTop(int top) {
  top = std::clamp(top, 0, std::max(0, Count() - VisibleRows()));
  if (top == top_) return;
  top_ = top;
  Invalidate();
  UpdateScrollBar();
}

void ListBox::EnsureVisible(int index) {
  if (index < 0 || index >= Count()) return;
  if (index < top_) {
    SetTop(index);
  } else if (index >= top_ + VisibleRows()) {
    SetTop(index - VisibleRows() + 1);
  }
}

void ListBox::UpdateScrollBar() {
  const DWORD style = Style();
  if (wants_vscroll_) {
    SCROLLINFO info;
    info.fMask = SIF_ALL | ((style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0u);
    info.nMin = 0;
    info.nMax = std::max(0, Count() - 1);
    info.nPage = static_cast<UINT>(VisibleRows());
    info.nPos = top_;
    SetScrollInfo(hwnd(), SB_VERT, &info, TRUE);
  }
  if (wants_hscroll_ && horizontal_extent_ > 0) {
    RECT r = Client();
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    info.nMax = horizontal_extent_ - 1;
    info.nPage = static_cast<UINT>(std::max(1L, static_cast<long>(r.right - r.left)));
    info.nPos = x_offset_;
    SetScrollInfo(hwnd(), SB_HORZ, &info, TRUE);
  }
}

void ListBox::MeasureOwnerDrawn() {
  HWND target = OwnerDrawTarget();
  if (target == nullptr) return;
  MEASUREITEMSTRUCT measure;
  measure.CtlType = OwnerDrawType();
  measure.CtlID = static_cast<UINT>(OwnerDrawId());
  measure.itemID = 0;
  measure.itemHeight = static_cast<UINT>(LineHeight());
  SendMessage(target, WM_MEASUREITEM, static_cast<WPARAM>(OwnerDrawId()),
              reinterpret_cast<LPARAM>(&measure));
  if (measure.itemHeight > 0) item_height_ = static_cast<int>(measure.itemHeight);
}

void ListBox::PaintItem(HDC dc, int index, const RECT& rect) {
  const bool selected =
      !(Style() & LBS_NOSEL) &&
      (IsMulti() ? items_[static_cast<std::size_t>(index)].selected : index == selected_);
  const bool focus = Focused() && index == caret_;
  if (IsOwnerDrawn()) {
    HWND target = OwnerDrawTarget();
    if (target == nullptr) return;
    DRAWITEMSTRUCT draw;
    draw.CtlType = OwnerDrawType();
    draw.CtlID = static_cast<UINT>(OwnerDrawId());
    draw.itemID = static_cast<UINT>(index);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState =
        (selected ? ODS_SELECTED : 0u) | (focus ? ODS_FOCUS : 0u) | (Enabled() ? 0u : ODS_DISABLED);
    draw.hwndItem = OwnerDrawItemWindow();
    draw.hDC = dc;
    draw.rcItem = rect;
    draw.itemData = items_[static_cast<std::size_t>(index)].data;
    SendMessage(target, WM_DRAWITEM, static_cast<WPARAM>(OwnerDrawId()),
                reinterpret_cast<LPARAM>(&draw));
    return;
  }
  const COLORREF ink = GetTextColor(dc);
  if (selected) {
    RECT band = rect;
    FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else if (!Enabled()) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  RECT text = rect;
  text.left += kTextInset - x_offset_;
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  if (ExStyle() & WS_EX_RIGHT) {
    // Aligned from the right: the text ends an inset short of the right.
    text.right -= kTextInset - x_offset_;
    format |= DT_RIGHT;
  }
  if (Style() & LBS_USETABSTOPS) {
    format |= DT_EXPANDTABS;
    if (tab_stops_ > 0) format |= DT_TABSTOP | (static_cast<UINT>(tab_stops_) << 8);
  }
  const std::string& label = items_[static_cast<std::size_t>(index)].text;
  SetBkMode(dc, TRANSPARENT);
  DrawText(dc, label.c_str(), static_cast<int>(label.size()), &text, format);
  SetTextColor(dc, ink);
  if (focus) {
    RECT frame = rect;
    DrawFocusRect(dc, &frame);
  }
}

void ListBox::Paint() {
  PaintScope paint(hwnd());
  HDC dc = paint.dc();
  SelectFont font(dc, Font());
  RECT client = Client();
  HBRUSH background = Background(dc);
  FillRect(dc, &client, background);
  for (int i = top_; i < Count(); ++i) {
    RECT r = ItemRect(i);
    if (r.top >= client.bottom) break;
    PaintItem(dc, i, r);
    if (!alive()) return;
  }
  if (Count() == 0 && Focused()) {
    RECT r = ItemRect(0);
    if (IsOwnerDrawn()) {
      DRAWITEMSTRUCT draw;
      draw.CtlType = OwnerDrawType();
      draw.CtlID = static_cast<UINT>(OwnerDrawId());
      draw.itemID = static_cast<UINT>(-1);
      draw.itemAction = ODA_FOCUS;
      draw.itemState = ODS_FOCUS;
      draw.hwndItem = OwnerDrawItemWindow();
      draw.hDC = dc;
      draw.rcItem = r;
      if (HWND target = OwnerDrawTarget()) {
        SendMessage(target, WM_DRAWITEM, static_cast<WPARAM>(OwnerDrawId()),
                    reinterpret_cast<LPARAM>(&draw));
      }
    } else {
      DrawFocusRect(dc, &r);
    }
  }
}

void ListBox::Scroll(WORD code, int pos) {
  const int page = std::max(1, VisibleRows() - 1);
  switch (code) {
    case SB_LINEUP:
      SetTop(top_ - 1);
      break;
    case SB_LINEDOWN:
      SetTop(top_ + 1);
      break;
    case SB_PAGEUP:
      SetTop(top_ - page);
      break;
    case SB_PAGEDOWN:
      SetTop(top_ + page);
      break;
    case SB_TOP:
      SetTop(0);
      break;
    case SB_BOTTOM:
      SetTop(Count());
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetTop(pos);
      break;
  }
}

// ---------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------

void ListBox::MouseDown(POINT pt, WPARAM keys, bool double_click) {
  if (TakesFocusOnClick() && !Focused()) SetFocus(hwnd());
  if (!alive()) return;
  const int index = ItemAt(pt);
  const bool shift = (keys & MK_SHIFT) != 0, ctrl = (keys & MK_CONTROL) != 0;
  if (index >= 0) {
    if (IsExtended()) {
      UserSelect(index, shift, ctrl, ctrl && !shift);
      track_select_ = !ctrl || items_[static_cast<std::size_t>(index)].selected;
    } else {
      UserSelect(index, false, false, true);
    }
  }
  if (!alive()) return;
  tracking_ = !IsMulti() || IsExtended();
  track_point_ = pt;
  if (tracking_) {
    SetCapture(hwnd());
    SetTimer(hwnd(), kTrackTimer, kTrackScrollMs, nullptr);
  }
  if (double_click && index >= 0 && (Style() & LBS_NOTIFY)) NotifyCommand(LBN_DBLCLK);
}

void ListBox::MouseMove(POINT pt) {
  if (!tracking_ || Count() == 0) return;
  track_point_ = pt;
  RECT client = Client();
  if (pt.y < client.top || pt.y >= client.bottom) return;  // the timer scrolls
  const int index =
      std::min(top_ + std::max(0, static_cast<int>(pt.y)) / ItemHeight(), Count() - 1);
  if (!IsMulti()) {
    if (index != selected_) UserSelect(index, false, false, false);
  } else if (IsExtended() && index != caret_) {
    if (track_select_) {
      UserSelect(index, true, false, false);
    } else {
      SetCaret(index);
      if (SelectRange(anchor_, index, false)) NotifySelectionChanged();
    }
  }
}

void ListBox::MouseUp(POINT) {
  if (!tracking_) return;
  tracking_ = false;
  KillTimer(hwnd(), kTrackTimer);
  if (GetCapture() == hwnd()) ReleaseCapture();
}

LRESULT ListBox::KeyDown(UINT vk) {
  if (Style() & LBS_WANTKEYBOARDINPUT) {
    HWND parent = Parent();
    LRESULT answer = parent == nullptr
                         ? -1
                         : SendMessage(parent, WM_VKEYTOITEM,
                                       MAKEWPARAM(static_cast<WORD>(vk), static_cast<WORD>(caret_)),
                                       reinterpret_cast<LPARAM>(hwnd()));
    if (!alive() || answer == -2) return 0;
    if (answer >= 0) {
      UserSelect(static_cast<int>(answer), false, false, false);
      return 0;
    }
  }
  if (Count() == 0) return 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  const int from = !IsMulti() && selected_ >= 0 ? selected_ : caret_;
  const int page = std::max(1, VisibleRows() - 1);
  // With nothing selected, the first arrow selects the item with the focus.
  const int step = !IsMulti() && selected_ < 0 ? 0 : 1;
  int target = from;
  switch (vk) {
    case VK_UP:
    case VK_LEFT:
      target = from - step;
      break;
    case VK_DOWN:
    case VK_RIGHT:
      target = from + step;
      break;
    case VK_PRIOR:
      target = from - page;
      break;
    case VK_NEXT:
      target = from + page;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = Count() - 1;
      break;
    case VK_SPACE:
      if (IsMulti() && (!IsExtended() || ctrl)) UserSelect(caret_, false, true, true);
      return 0;
    default:
      return 0;
  }
  target = std::clamp(target, 0, Count() - 1);
  if (!IsMulti()) {
    UserSelect(target, false, false, false);
  } else if (!IsExtended() || (ctrl && !shift)) {
    SetCaret(target);
    EnsureVisible(target);
  } else {
    UserSelect(target, shift, ctrl, false);
  }
  return 0;
}

LRESULT ListBox::Char(char c) {
  if (static_cast<unsigned char>(c) < 0x20 || !HasStrings() || Count() == 0) return 0;
  const DWORD now = GetTickCount();
  if (now - typed_at_ > kTypeAheadMs) typed_.clear();
  typed_at_ = now;
  typed_ += c;
  // Letters typed together find an item starting with all of them (the
  // current item still counts); one letter typed again steps on to the
  // next item starting with it.
  int index = Find(typed_.size() == 1 ? caret_ : caret_ - 1, typed_, false);
  if (index < 0 && typed_.size() > 1 &&
      std::all_of(typed_.begin(), typed_.end(), [&](char t) { return t == typed_[0]; })) {
    index = Find(caret_, std::string(1, c), false);
  }
  if (index >= 0) UserSelect(index, false, false, false);
  return 0;
}

LRESULT ListBox::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      // The bars come and go with the need for them; the styles say
      // whether the list has them at all.
      wants_vscroll_ = (Style() & WS_VSCROLL) != 0;
      wants_hscroll_ = (Style() & WS_HSCROLL) != 0;
      if (IsOwnerDrawn()) MeasureOwnerDrawn();
      UpdateScrollBar();
      return 0;
    case WM_DESTROY:
      for (std::size_t i = 0; i < items_.size() && alive(); ++i) {
        TellDeleted(static_cast<int>(i), items_[i]);
      }
      items_.clear();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      SetTop(top_);
      UpdateScrollBar();
      return 0;
    case WM_SETFONT:
      SetTop(top_);
      UpdateScrollBar();
      if (lparam) Invalidate();
      return 0;
    case WM_ENABLE:
      Invalidate();
      return 0;
    case WM_SETFOCUS:
      InvalidateItem(caret_);
      if (Count() == 0) Invalidate();
      NotifyCommand(LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      MouseUp(POINT{});
      InvalidateItem(caret_);
      if (Count() == 0) Invalidate();
      NotifyCommand(LBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, wparam,
                message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_LBUTTONUP:
      MouseUp(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    case WM_CAPTURECHANGED:
      if (tracking_ && reinterpret_cast<HWND>(lparam) != hwnd()) {
        tracking_ = false;
        KillTimer(hwnd(), kTrackTimer);
      }
      return 0;
    case WM_TIMER:
      // Dragged above or below the list: it scrolls and the selection
      // follows.
      if (wparam == kTrackTimer && tracking_ && Count() > 0) {
        RECT client = Client();
        int edge = -1;
        if (track_point_.y < client.top) {
          SetTop(top_ - 1);
          edge = top_;
        } else if (track_point_.y >= client.bottom) {
          SetTop(top_ + 1);
          edge = std::min(Count() - 1, top_ + VisibleRows() - 1);
        }
        if (edge >= 0 && (!IsMulti() || IsExtended())) UserSelect(edge, IsExtended(), false, false);
      }
      return 0;
    case WM_KEYDOWN:
      return KeyDown(static_cast<UINT>(wparam));
    case WM_CHAR:
      return Char(static_cast<char>(wparam));
    case WM_VSCROLL:
      Scroll(LOWORD(wparam), static_cast<SHORT>(HIWORD(wparam)));
      return 0;
    case WM_HSCROLL: {
      RECT r = Client();
      const int page = std::max(1, static_cast<int>(r.right - r.left));
      int x = x_offset_;
      switch (LOWORD(wparam)) {
        case SB_LINELEFT:
          x -= AverageCharWidth();
          break;
        case SB_LINERIGHT:
          x += AverageCharWidth();
          break;
        case SB_PAGELEFT:
          x -= page;
          break;
        case SB_PAGERIGHT:
          x += page;
          break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
          x = static_cast<SHORT>(HIWORD(wparam));
          break;
      }
      x = std::clamp(x, 0, std::max(0, horizontal_extent_ - page));
      if (x != x_offset_) {
        x_offset_ = x;
        Invalidate();
        UpdateScrollBar();
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      SetTop(top_ - 3 * (static_cast<SHORT>(HIWORD(wparam)) / 120));
      return 0;

    case LB_ADDSTRING:
      return Insert(-1, lparam, (Style() & LBS_SORT) != 0);
    case LB_INSERTSTRING:
      return Insert(static_cast<int>(wparam), lparam, false);
    case LB_DELETESTRING:
      return Delete(static_cast<int>(wparam));
    case LB_RESETCONTENT:
      Reset();
      return 0;
    case LB_GETCOUNT:
      return Count();
    case LB_GETTEXT:
      return CopyText(static_cast<int>(wparam), lparam);
    case LB_GETTEXTLEN: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count()) return LB_ERR;
      return HasStrings() ? static_cast<LRESULT>(ItemText(index).size()) : sizeof(ULONG_PTR);
    }
    case LB_GETITEMDATA:
      if (static_cast<int>(wparam) < 0 || static_cast<int>(wparam) >= Count()) return LB_ERR;
      return static_cast<LRESULT>(ItemData(static_cast<int>(wparam)));
    case LB_SETITEMDATA:
      if (static_cast<int>(wparam) < 0 || static_cast<int>(wparam) >= Count()) return LB_ERR;
      items_[wparam].data = static_cast<ULONG_PTR>(lparam);
      return LB_OKAY;
    case LB_SETCURSEL: {
      if (IsMulti()) return LB_ERR;
      const int index = static_cast<int>(wparam);
      SelectOnly(index);
      return index >= 0 && index < Count() ? index : LB_ERR;
    }
    case LB_GETCURSEL:
      return CurSel();
    case LB_SETSEL: {
      if (!IsMulti()) return LB_ERR;
      const int index = static_cast<int>(lparam);
      if (index == -1) {
        SelectRange(0, Count() - 1, wparam != 0);
        return LB_OKAY;
      }
      if (index < 0 || index >= Count()) return LB_ERR;
      SelectRange(index, index, wparam != 0);
      return LB_OKAY;
    }
    case LB_GETSEL: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count()) return LB_ERR;
      return IsMulti() ? (items_[static_cast<std::size_t>(index)].selected ? 1 : 0)
                       : (index == selected_ ? 1 : 0);
    }
    case LB_GETSELCOUNT: {
      if (!IsMulti()) return LB_ERR;
      return std::count_if(items_.begin(), items_.end(), [](const Item& i) { return i.selected; });
    }
    case LB_GETSELITEMS: {
      if (!IsMulti()) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lparam);
      int written = 0;
      for (int i = 0; i < Count() && written < static_cast<int>(wparam); ++i) {
        if (items_[static_cast<std::size_t>(i)].selected) out[written++] = i;
      }
      return written;
    }
    case LB_SELITEMRANGE:
      if (!IsMulti()) return LB_ERR;
      SelectRange(LOWORD(lparam), HIWORD(lparam), wparam != 0);
      return LB_OKAY;
    case LB_SELITEMRANGEEX: {
      if (!IsMulti()) return LB_ERR;
      const int first = static_cast<int>(wparam), last = static_cast<int>(lparam);
      SelectRange(first, last, first <= last);
      return LB_OKAY;
    }
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING: {
      std::string text;
      if (HasStrings()) {
        const char* given = reinterpret_cast<const char*>(lparam);
        text = given != nullptr ? given : "";
      } else {
        text.assign(reinterpret_cast<const char*>(&lparam), sizeof(lparam));
      }
      const int index = Find(static_cast<int>(wparam), text, message == LB_FINDSTRINGEXACT);
      if (index < 0) return LB_ERR;
      if (message == LB_SELECTSTRING) {
        if (IsMulti()) {
          SetCaret(index);
          EnsureVisible(index);
        } else {
          SelectOnly(index);
        }
      }
      return index;
    }
    case LB_GETTOPINDEX:
      return top_;
    case LB_SETTOPINDEX:
      if (static_cast<int>(wparam) < 0 || static_cast<int>(wparam) >= std::max(1, Count()))
        return LB_ERR;
      SetTop(static_cast<int>(wparam));
      return LB_OKAY;
    case LB_GETITEMRECT: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || (index >= Count() && index != 0)) return LB_ERR;
      if (lparam != 0) *reinterpret_cast<RECT*>(lparam) = ItemRect(index);
      return LB_OKAY;
    }
    case LB_SETITEMHEIGHT:
      if (LOWORD(lparam) == 0 || LOWORD(lparam) > 255) return LB_ERR;
      item_height_ = LOWORD(lparam);
      SetTop(top_);
      UpdateScrollBar();
      Invalidate();
      return LB_OKAY;
    case LB_GETITEMHEIGHT:
      return ItemHeight();
    case LB_SETCARETINDEX: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count()) return LB_ERR;
      SetCaret(index);
      EnsureVisible(index);
      return LB_OKAY;
    }
    case LB_GETCARETINDEX:
      return Count() > 0 ? caret_ : 0;
    case LB_SETANCHORINDEX:
      if (static_cast<int>(wparam) < 0 || static_cast<int>(wparam) >= Count()) return LB_ERR;
      anchor_ = static_cast<int>(wparam);
      return LB_OKAY;
    case LB_GETANCHORINDEX:
      return anchor_;
    case LB_ITEMFROMPOINT: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      RECT client = Client();
      int index = top_ + (pt.y >= 0 ? static_cast<int>(pt.y) / ItemHeight() : -1);
      bool outside = !PtInRect(&client, pt) || index < 0 || index >= Count();
      index = std::clamp(index, 0, std::max(0, Count() - 1));
      return MAKELRESULT(static_cast<WORD>(index), outside ? 1 : 0);
    }
    case LB_SETHORIZONTALEXTENT:
      horizontal_extent_ = static_cast<int>(wparam);
      UpdateScrollBar();
      return 0;
    case LB_GETHORIZONTALEXTENT:
      return horizontal_extent_;
    case LB_SETTABSTOPS:
      tab_stops_ = wparam == 0 || lparam == 0 ? 0 : *reinterpret_cast<const int*>(lparam) / 4;
      Invalidate();
      return TRUE;
    case LB_SETLOCALE: {
      DWORD old = locale_;
      locale_ = static_cast<DWORD>(wparam);
      return old;
    }
    case LB_GETLOCALE:
      return locale_;
    case LB_INITSTORAGE:
      items_.reserve(items_.size() + wparam);
      return static_cast<LRESULT>(items_.capacity());
    case LB_SETCOLUMNWIDTH:
      return 0;
    case LB_SETCOUNT:
    case LB_DIR:
    case LB_ADDFILE:
      return LB_ERR;
  }
  return Default(message, wparam, lparam);
}

namespace {

void RegisterListBoxClass() {
  RegisterControlClass<ListBox>("LISTBOX", CS_DBLCLKS);
}

const platform::BuiltinClass kListBoxClass("LISTBOX", &RegisterListBoxClass);

}  // namespace
}  // namespace platform::ctl

#include "library/ListViewWindow.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/HintWindow.h"
#include "classlib/Screen.h"
#include "library/advlistv.h"
#include "platform/ctl/header.h"
#include "platform/ctl/listview.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/shell/shell_execute.h"
#include "platform/user/cursor.h"
#include "platform/user/user.h"
#include "platform/user/virtual_keys.h"

namespace {
constexpr UINT_PTR kDragTimer = 1;
// Posted to itself when label editing starts on a sub-item: the editor is
// placed over the cell once the list has made it.
constexpr UINT kPlaceCellEditor = WM_USER + 0x0A11;
}  // namespace

void TAdvListView::CreateWnd() {
  TListView::CreateWnd();
  SetTimer(Handle(), kDragTimer, 300, nullptr);
  ApplyHeaderFont();
  ApplyBackground();
  ApplyHeaderStyles();
  ApplyFilterBar();
  // The list keeps no tooltip window of its own.
  if (HWND tips = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETTOOLTIPS, 0, 0))) {
    SendMessage(Handle(), LVM_SETTOOLTIPS, 0, 0);
    DestroyWindow(tips);
  }
}

void TAdvListView::HeaderFontChanged(TObject*) { ApplyHeaderFont(); }

void TAdvListView::ApplyHeaderFont() {
  if (!HandleAllocated()) return;
  if (HWND header = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETHEADER, 0, 0))) {
    SendMessage(header, WM_SETFONT, reinterpret_cast<WPARAM>(header_font_->Handle()), TRUE);
  }
}

String TAdvListView::AnchorAt(int X, int Y) {
  int sub = 0, item = 0;
  if (!CellAt(X, Y, sub, item)) return String();
  const String text = CellText(sub, item);
  if (text.find("</") == String::npos) return String();
  RECT cell{};
  ListView_GetSubItemRect(Handle(), item, sub, LVIR_BOUNDS, &cell);
  if (sub == 0 && Columns()->Count() > 1) cell.right = cell.left + ListView_GetColumnWidth(Handle(), 0);
  TRect inner{cell.left + 2, cell.top, cell.right - 2, cell.bottom};
  String anchor;
  const TPoint point{X, Y};
  Canvas()->Font()->Assign(Font());
  DrawMarkup(Canvas(), inner, text, false, &point, &anchor);
  return anchor;
}

void TAdvListView::LeftClickCell(int Item, int SubItem) {
  if (OnLeftClickCell) OnLeftClickCell(this, Item, SubItem);
}

void TAdvListView::RightClickCell(int Item, int SubItem) {
  if (OnRightClickCell) OnRightClickCell(this, Item, SubItem);
}

void TAdvListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  int sub = 0, item = 0;
  if (CellAt(X, Y, sub, item)) {
    if (Button == mbLeft) {
      const String text = CellText(sub, item);
      const String anchor = AnchorAt(X, Y);
      if (!anchor.empty()) {
        // Web addresses open in the desktop's browser; other anchors are
        // the program's.
        if (anchor.find("://") != String::npos) {
          ShellExecute(Handle(), "open", anchor.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        } else if (OnAnchorClick) {
          OnAnchorClick(this, anchor);
        }
      } else if (URLShow && text.find("</") == String::npos &&
                 (text.find("://") != String::npos || text.find("mailto:") != String::npos)) {
        ShellExecute(Handle(), "open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      }
      if (ReArrangeItems) drag_row_ = item;
      if (SubItemSelect || SubItemEdit) selected_column_ = sub;
      LeftClickCell(item, sub);
    } else if (Button == mbRight) {
      RightClickCell(item, sub);
    }
  }
  TListView::MouseDown(Button, Shift, X, Y);
}

void TAdvListView::MouseMove(TShiftState Shift, int X, int Y) {
  const String anchor = AnchorAt(X, Y);
  bool on_link = !anchor.empty();
  if (!on_link && URLShow) {
    int sub = 0, item = 0;
    if (CellAt(X, Y, sub, item)) {
      const String text = CellText(sub, item);
      on_link = text.find("</") == String::npos &&
                (text.find("://") != String::npos || text.find("mailto:") != String::npos);
    }
  }
  SetCursor(drag_row_ >= 0 ? crDrag : (on_link ? crLinkCursor : saved_cursor_));
  if (anchor != last_anchor_) {
    if (!last_anchor_.empty() && OnAnchorExit) OnAnchorExit(this, last_anchor_);
    if (!anchor.empty() && OnAnchorEnter) OnAnchorEnter(this, anchor);
    last_anchor_ = anchor;
  }
  TListView::MouseMove(Shift, X, Y);
}

void TAdvListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && drag_row_ >= 0) {
    const int from = drag_row_;
    drag_row_ = -1;
    TListItem* target = GetItemAt(X, Y);
    MoveItem(from, target != nullptr ? target->Index() : Items()->Count());
  }
  TListView::MouseUp(Button, Shift, X, Y);
}

bool TAdvListView::CanEdit(TListItem* Item) {
  bool allow = TListView::CanEdit(Item);
  if (!SubItemEdit || Item == nullptr) return allow;
  if (OnCanEditCell) OnCanEditCell(this, Item->Index(), selected_column_, allow);
  if (allow) {
    edited_caption_ = Item->Caption();
    if (selected_column_ > 0) PostMessage(Handle(), kPlaceCellEditor, static_cast<WPARAM>(Item->Index()), selected_column_);
  }
  return allow;
}

void TAdvListView::Edit(TListItem* Item, String& S) {
  if (SubItemEdit && Item != nullptr && selected_column_ > 0) {
    // The text goes into the sub-item; the caption stays.
    SetCellText(selected_column_, Item->Index(), S);
    S = edited_caption_;
  }
  TListView::Edit(Item, S);
}

void TAdvListView::DestroyWnd() {
  KillTimer(Handle(), kDragTimer);
  drag_row_ = -1;
  TListView::DestroyWnd();
}

void TAdvListView::DragTimer() {
  if (drag_row_ < 0 || Items()->Count() == 0) return;
  POINT p{};
  GetCursorPos(&p);
  ::ScreenToClient(Handle(), &p);
  TListItem* top = TopItem();
  if (top == nullptr) return;
  const int last_index = std::min(Items()->Count() - 1, top->Index() + VisibleRowCount() - 1);
  const TRect first = top->DisplayRect(drBounds);
  const TRect last = Items()->Item(last_index)->DisplayRect(drBounds);
  const int line = std::max(1, static_cast<int>(first.bottom - first.top));
  if (p.y >= last.bottom) {
    Scroll(0, line);
  } else if (p.y < first.top) {
    Scroll(0, -line);
  }
}

void TAdvListView::MoveItem(int From, int To) {
  const int count = Items()->Count();
  if (From < 0 || From >= count) return;
  if (To < 0 || To > count) To = count;
  if (To == From) return;
  TListItem* source = Items()->Item(From);
  const bool selected = source->Selected();
  const bool checkboxes = Checkboxes();
  TListItem* moved = Items()->Insert(To);
  moved->Assign(source);
  source->Delete();
  moved->SetSelected(selected);
  moved->SetFocused(true);
  SetCheckboxes(checkboxes);
  SetItemHeight(13);
}

void TAdvListView::KeyDown(Word& Key, TShiftState Shift) {
  if (ClipboardEnable) ClipboardKeyDown(Key, Shift);
  if (Key != 0 && (SubItemSelect || SubItemEdit) && Shift.Empty()) {
    if (Key == VK_LEFT || Key == VK_RIGHT) {
      const int last = std::max(0, Columns()->Count() - 1);
      selected_column_ = std::clamp(selected_column_ + (Key == VK_LEFT ? -1 : 1), 0, last);
      Invalidate();
      Key = 0;
    } else if (Key == VK_SPACE && SubItemEdit) {
      if (TListItem* row = ItemFocused()) row->EditCaption();
      Key = 0;
    }
  }
  if (Key != 0) TListView::KeyDown(Key, Shift);
}

HWND TAdvListView::HeaderWindow() const {
  if (!HandleAllocated()) return nullptr;
  return reinterpret_cast<HWND>(SendMessage(const_cast<TAdvListView*>(this)->Handle(), LVM_GETHEADER, 0, 0));
}

void TAdvListView::ApplyFilterBar() {
  HWND header = HeaderWindow();
  if (header == nullptr) return;
  LONG_PTR style = GetWindowLongPtr(header, GWL_STYLE);
  style = filter_bar_ ? (style | HDS_FILTERBAR) : (style & ~static_cast<LONG_PTR>(HDS_FILTERBAR));
  SetWindowLongPtr(header, GWL_STYLE, style);
  SendMessage(header, HDM_SETFILTERCHANGETIMEOUT, 0, filter_time_out_);
  // The list lays its header and rows out again.
  SetHeight(Height() + 1);
  SetHeight(Height() - 1);
  InvalidateRect(header, nullptr, TRUE);
}

void TAdvListView::SetFilterBar(bool Value) {
  filter_bar_ = Value;
  ApplyFilterBar();
}

void TAdvListView::SetFilterTimeOut(int Value) {
  filter_time_out_ = Value;
  if (HWND header = HeaderWindow()) SendMessage(header, HDM_SETFILTERCHANGETIMEOUT, 0, Value);
}

String TAdvListView::FilterText(int Column) const {
  HWND header = HeaderWindow();
  if (header == nullptr) return String();
  char buffer[1024] = {};
  HDTEXTFILTER filter;
  filter.pszText = buffer;
  filter.cchTextMax = sizeof buffer;
  HDITEM item;
  item.mask = HDI_FILTER;
  item.type = HDFT_ISSTRING;
  item.pvFilter = &filter;
  if (!SendMessage(header, HDM_GETITEM, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&item))) return String();
  return String(buffer);
}

void TAdvListView::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == kDragTimer) {
    DragTimer();
    return;
  }
  if (Message.Msg == CM_MOUSELEAVE) drag_row_ = -1;  // leaving the control cancels a drag
  if (Message.Msg == WM_VSCROLL) {
    TListView::Dispatch(Message);
    if (ScrollHint) ScrollHintFor(Message.WParam);
    return;
  }
  if (Message.Msg == WM_PAINT && WallpaperNeedsWholeRepaint()) InvalidateRect(Handle(), nullptr, TRUE);
  if (Message.Msg == CN_MEASUREITEM) {
    // Owner-drawn rows are ItemHeight pixels high.
    if (auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)) {
      measure->itemHeight = static_cast<UINT>(item_height_);
    }
    Message.Result = TRUE;
    return;
  }
  if (Message.Msg == CM_HINTSHOW && AutoHint) {
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    int sub = 0, item = 0;
    if (info == nullptr || !CellAt(info->CursorPos.x, info->CursorPos.y, sub, item)) {
      Message.Result = 1;  // no hint where there is no cell
      return;
    }
    info->HintStr = CellHintText(CellText(sub, item));
    RECT cell{};
    ListView_GetSubItemRect(Handle(), item, sub, LVIR_BOUNDS, &cell);
    if (sub == 0 && Columns()->Count() > 1) cell.right = cell.left + ListView_GetColumnWidth(Handle(), 0);
    // Moving onto another cell ends this hint.
    info->CursorRect = TRect{cell.left, cell.top, cell.right, cell.bottom};
    Message.Result = info->HintStr.empty() ? 1 : 0;
    return;
  }
  if (Message.Msg == kPlaceCellEditor) {
    HWND edit = reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETEDITCONTROL, 0, 0));
    const int row = static_cast<int>(Message.WParam);
    const int column = static_cast<int>(Message.LParam);
    if (edit != nullptr && row < Items()->Count()) {
      const String text = CellText(column, row);
      SetWindowText(edit, text.c_str());
      RECT cell{};
      ListView_GetSubItemRect(Handle(), row, column, LVIR_BOUNDS, &cell);
      if (column == 0) cell.left -= 20;
      MoveWindow(edit, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, TRUE);
    }
    return;
  }
  if (Message.Msg == WM_NOTIFY && HandleAllocated()) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (hdr != nullptr && hdr->hwndFrom == HeaderWindow()) {
      const int column = reinterpret_cast<NMHEADER*>(hdr)->iItem;
      switch (hdr->code) {
        case HDN_FILTERCHANGE:
          if (OnFilterChange) OnFilterChange(this, column);
          break;
        case HDN_FILTERBTNCLICK:
          if (OnFilterBtnClick) OnFilterBtnClick(this, reinterpret_cast<NMHDFILTERBTNCLICK*>(hdr)->iItem);
          break;
        case HDN_BEGINTRACK: {
          bool allow = true;
          if (OnStartColumnTrack) OnStartColumnTrack(this, column, allow);
          if (!allow) {
            Message.Result = 1;
            return;
          }
          break;
        }
        case HDN_ENDTRACK:
          TListView::Dispatch(Message);
          if (OnEndColumnTrack) OnEndColumnTrack(this, column);
          // The sort column shows its indicator anew, in the direction
          // that holds now.
          if (column == sort_column_) ShowSortIndicator();
          if (OnColumnSized) OnColumnSized(this, column);
          return;
        case NM_RCLICK: {
          POINT p{};
          GetCursorPos(&p);
          ::ScreenToClient(hdr->hwndFrom, &p);
          HDHITTESTINFO hit;
          hit.pt = p;
          SendMessage(hdr->hwndFrom, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
          if (hit.iItem >= 0 && OnColumnRClick) OnColumnRClick(this, hit.iItem);
          break;
        }
        default:
          break;
      }
    }
  }
  TListView::Dispatch(Message);
}

void TAdvListView::ScrollHintFor(WPARAM Request) {
  const WORD code = LOWORD(Request);
  if (code == SB_ENDSCROLL) {
    if (scroll_hint_ != nullptr) scroll_hint_->ReleaseHandle();
    return;
  }
  if (code != SB_THUMBTRACK) return;
  SCROLLINFO info;
  info.fMask = SIF_TRACKPOS;
  int row = HIWORD(Request);
  if (GetScrollInfo(Handle(), SB_VERT, &info)) row = info.nTrackPos;
  if (row < 0 || row >= Items()->Count()) return;
  if (scroll_hint_ == nullptr) scroll_hint_ = std::make_unique<THintWindow>(nullptr);
  scroll_hint_->SetColor(Application != nullptr ? Application->HintColor : clInfoBk);
  const String caption = Items()->Item(row)->Caption();
  POINT pointer{};
  GetCursorPos(&pointer);
  TRect rect = scroll_hint_->CalcHintRect(Screen != nullptr ? Screen->Width() : 640, caption, nullptr);
  OffsetRect(&rect, pointer.x + 10, pointer.y);
  scroll_hint_->ActivateHint(rect, caption);
}

void TAdvListView::ApplyHeaderStyles() {
  if (!HandleAllocated()) return;
  ListView_SetExtendedListViewStyleEx(Handle(), LVS_EX_HEADERDRAGDROP | LVS_EX_SUBITEMIMAGES,
                                     (header_drag_drop_ ? LVS_EX_HEADERDRAGDROP : 0) |
                                         (sub_images_ ? LVS_EX_SUBITEMIMAGES : 0));
  if (HWND header = HeaderWindow()) {
    LONG_PTR style = GetWindowLongPtr(header, GWL_STYLE);
    style = header_hot_track_ ? (style | HDS_HOTTRACK) : (style & ~static_cast<LONG_PTR>(HDS_HOTTRACK));
    style = header_flat_style_ ? (style & ~static_cast<LONG_PTR>(HDS_BUTTONS)) : (style | HDS_BUTTONS);
    // The list may have set the header's styles from its own.
    style = filter_bar_ ? (style | HDS_FILTERBAR) : (style & ~static_cast<LONG_PTR>(HDS_FILTERBAR));
    SetWindowLongPtr(header, GWL_STYLE, style);
    InvalidateRect(header, nullptr, TRUE);
  }
}

void TAdvListView::SetHeaderHotTrack(bool Value) {
  header_hot_track_ = Value;
  ApplyHeaderStyles();
}

void TAdvListView::SetHeaderFlatStyle(bool Value) {
  header_flat_style_ = Value;
  ApplyHeaderStyles();
}

void TAdvListView::SetHeaderDragDrop(bool Value) {
  header_drag_drop_ = Value;
  ApplyHeaderStyles();
}

void TAdvListView::SetSubImages(bool Value) {
  sub_images_ = Value;
  ApplyHeaderStyles();
}

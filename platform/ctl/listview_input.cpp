// Mouse and keyboard of the list view, hot tracking and the in-place editing
// of captions.
#include <algorithm>
#include <cctype>

#include "platform/core/clock.h"
#include "platform/ctl/edit.h"
#include "platform/ctl/listview_control.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace platform::ctl {
namespace {

constexpr DWORD kSearchPauseMs = 1000;  // a pause this long starts a new type-ahead search
constexpr char kViewProperty[] = "VelkoListViewOfEdit";

bool Down(int vk) {
  return (GetKeyState(vk) & 0x8000) != 0;
}

}  // namespace

UINT ListView::KeyFlags() const {
  return (Down(VK_MENU) ? LVKF_ALT : 0) | (Down(VK_CONTROL) ? LVKF_CONTROL : 0) |
         (Down(VK_SHIFT) ? LVKF_SHIFT : 0);
}

// ------------------------------------------------------------ mouse

void ListView::OnLeftDown(POINT pt, WPARAM keys, bool double_click) {
  KillTimer(hwnd_, kEditTimer);
  dragged_ = false;
  bool had_focus = GetFocus() == hwnd_;
  if (edit_ != nullptr) EndEdit(true);
  if (!had_focus) SetFocus(hwnd_);
  LVHITTESTINFO hit;
  hit.pt = pt;
  int index = HitTest(&hit, false);
  LVHITTESTINFO sub;
  sub.pt = pt;
  HitTest(&sub, true);

  if (double_click) {
    NotifyActivate(NM_DBLCLK, index, sub.iSubItem, pt);
    if (index >= 0 && hit.flags != LVHT_ONITEMSTATEICON)
      NotifyActivate(LVN_ITEMACTIVATE, index, sub.iSubItem, pt);
    if (index >= 0 && hit.flags == LVHT_ONITEMSTATEICON && (ex_style_ & LVS_EX_CHECKBOXES))
      ToggleCheck(index);
    return;
  }
  bool ctrl = (keys & MK_CONTROL) != 0;
  bool shift = (keys & MK_SHIFT) != 0;
  if (index < 0) {
    if (!ctrl && !shift) DeselectAllExcept(nullptr);
    pressed_item_ = -1;
    return;
  }
  if (hit.flags == LVHT_ONITEMSTATEICON && (ex_style_ & LVS_EX_CHECKBOXES)) {
    ToggleCheck(index);
    pressed_item_ = -1;
    return;
  }
  ListItem* item = items_.At(index);
  bool was_selected = (item->state & LVIS_SELECTED) != 0;
  press_may_edit_ = had_focus && item == focused_ && was_selected && selected_.size() == 1 &&
                    hit.flags == LVHT_ONITEMLABEL && !ctrl && !shift && (Style() & LVS_EDITLABELS);
  press_collapses_ = false;
  if (MultiSelect() && shift) {
    int anchor = items_.IndexOf(anchor_);
    if (anchor < 0) anchor = index;
    SelectRange(anchor, index, ctrl);
    if (anchor_ == nullptr) anchor_ = item;
  } else if (MultiSelect() && ctrl) {
    ChangeState(index, item, was_selected ? 0 : LVIS_SELECTED, LVIS_SELECTED);
    anchor_ = item;
  } else if (was_selected && selected_.size() > 1) {
    // Several rows stay selected until the button comes up, so that they
    // can be dragged together.
    press_collapses_ = true;
    anchor_ = item;
  } else {
    SelectOnly(index);
    anchor_ = item;
  }
  if (items_.IndexOf(item) == index) SetFocusItem(index);
  EnsureVisible(index, true);
  pressed_item_ = items_.IndexOf(item);
  press_point_ = pt;
  SetCapture(hwnd_);
}

void ListView::OnLeftUp(POINT pt) {
  if (dragged_) {
    dragged_ = false;
    return;
  }
  bool pressed = pressed_item_ >= 0;
  int index = pressed_item_;
  pressed_item_ = -1;
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (pressed && press_collapses_) SelectOnly(index);
  press_collapses_ = false;
  LVHITTESTINFO sub;
  sub.pt = pt;
  HitTest(&sub, true);
  LVHITTESTINFO hit;
  hit.pt = pt;
  int under = HitTest(&hit, false);
  NotifyActivate(NM_CLICK, under, sub.iSubItem, pt);
  if (under >= 0 && (ex_style_ & LVS_EX_ONECLICKACTIVATE)) {
    NotifyActivate(LVN_ITEMACTIVATE, under, sub.iSubItem, pt);
  }
  if (pressed && press_may_edit_ && under == index) {
    // A second, slow click on the caption of the focused row edits it.
    SetTimer(hwnd_, kEditTimer, GetDoubleClickTime(), nullptr);
  }
  press_may_edit_ = false;
}

void ListView::OnRightDown(POINT pt, WPARAM keys) {
  KillTimer(hwnd_, kEditTimer);
  if (edit_ != nullptr) EndEdit(true);
  if (GetFocus() != hwnd_) SetFocus(hwnd_);
  LVHITTESTINFO hit;
  hit.pt = pt;
  int index = HitTest(&hit, false);
  if (index >= 0) {
    ListItem* item = items_.At(index);
    if (!(item->state & LVIS_SELECTED) && !(keys & (MK_CONTROL | MK_SHIFT))) SelectOnly(index);
    SetFocusItem(index);
    anchor_ = items_.At(index);
  } else if (!(keys & (MK_CONTROL | MK_SHIFT))) {
    DeselectAllExcept(nullptr);
  }
  right_pressed_ = true;
}

void ListView::OnRightUp(POINT pt) {
  if (!right_pressed_) return;
  right_pressed_ = false;
  LVHITTESTINFO sub;
  sub.pt = pt;
  HitTest(&sub, true);
  LVHITTESTINFO hit;
  hit.pt = pt;
  int index = HitTest(&hit, false);
  if (NotifyActivate(NM_RCLICK, index, sub.iSubItem, pt) == 0) {
    POINT screen = pt;
    ClientToScreen(hwnd_, &screen);
    SendMessage(hwnd_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd_),
                MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
  }
}

void ListView::OnMouseMove(POINT pt, WPARAM keys) {
  if (pressed_item_ >= 0 && (keys & MK_LBUTTON)) {
    int dx = std::abs(static_cast<int>(pt.x - press_point_.x));
    int dy = std::abs(static_cast<int>(pt.y - press_point_.y));
    if (dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG)) {
      int index = pressed_item_;
      pressed_item_ = -1;
      press_collapses_ = false;
      press_may_edit_ = false;
      dragged_ = true;
      ReleaseCapture();
      NMLISTVIEW nm;
      nm.iItem = index;
      nm.ptAction = press_point_;
      if (ListItem* item = items_.At(index)) nm.lParam = item->lparam;
      Notify(LVN_BEGINDRAG, &nm.hdr);
    }
    return;
  }
  bool hot_tracking =
      ex_style_ & (LVS_EX_TRACKSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE);
  if (!hot_tracking) return;
  LVHITTESTINFO hit;
  hit.pt = pt;
  int index = HitTest(&hit, false);
  if (!tracking_mouse_ || index != hot_) {
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE | ((ex_style_ & LVS_EX_TRACKSELECT) ? TME_HOVER : 0);
    track.hwndTrack = hwnd_;
    track.dwHoverTime = hover_time_;
    TrackMouseEvent(&track);
    tracking_mouse_ = true;
  }
  if (index != hot_) {
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.ptAction = pt;
    if (Notify(LVN_HOTTRACK, &nm.hdr) == 0) SetHot(index);
  }
}

// With LVS_EX_TRACKSELECT the row the mouse rests on becomes the selection.
void ListView::OnHover() {
  tracking_mouse_ = false;
  if (!(ex_style_ & LVS_EX_TRACKSELECT) || hot_ < 0) return;
  NMHDR hdr;
  if (Notify(NM_HOVER, &hdr) != 0) return;
  ListItem* item = items_.At(hot_);
  if (item == nullptr) return;
  if (!(item->state & LVIS_SELECTED) || selected_.size() > 1) {
    int index = hot_;
    SelectOnly(index);
    SetFocusItem(index);
    anchor_ = items_.At(index);
  }
}

void ListView::SetHot(int index) {
  if (index >= items_.size()) index = -1;
  if (index == hot_) return;
  int old = hot_;
  hot_ = index;
  InvalidateRow(old);
  InvalidateRow(hot_);
}

// ------------------------------------------------------------ keys

void ListView::ToggleCheck(int index) {
  ListItem* item = items_.At(index);
  if (item == nullptr) return;
  UINT image = (item->state & LVIS_STATEIMAGEMASK) >> 12;
  UINT next = image == 2 ? 1 : 2;
  ChangeState(index, item, INDEXTOSTATEIMAGEMASK(next), LVIS_STATEIMAGEMASK);
}

void ListView::MoveFocusTo(int index, bool shift, bool ctrl) {
  if (items_.size() == 0) return;
  index = std::clamp(index, 0, items_.size() - 1);
  ListItem* item = items_.At(index);
  if (MultiSelect() && shift) {
    int anchor = items_.IndexOf(anchor_);
    if (anchor < 0) {
      anchor = index;
      anchor_ = item;
    }
    SelectRange(anchor, index, ctrl);
  } else if (!(MultiSelect() && ctrl)) {
    SelectOnly(index);
    anchor_ = item;
  }
  SetFocusItem(index);
  EnsureVisible(index, false);
}

void ListView::OnKeyDown(WPARAM vk) {
  NMLVKEYDOWN nm;
  nm.wVKey = static_cast<WORD>(vk);
  Notify(LVN_KEYDOWN, &nm.hdr);
  bool shift = Down(VK_SHIFT);
  bool ctrl = Down(VK_CONTROL);
  int focus = items_.IndexOf(focused_);
  int page = std::max(1, PageRows());
  int last = items_.size() - 1;
  switch (vk) {
    case VK_UP:
      MoveFocusTo(focus < 0 ? 0 : focus - 1, shift, ctrl);
      break;
    case VK_DOWN:
      MoveFocusTo(focus < 0 ? 0 : focus + 1, shift, ctrl);
      break;
    case VK_HOME:
      MoveFocusTo(0, shift, ctrl);
      break;
    case VK_END:
      MoveFocusTo(last, shift, ctrl);
      break;
    case VK_PRIOR: {
      // The first row of the page, or a page further up when already there.
      int target = focus == top_ ? focus - (page - 1) : top_;
      MoveFocusTo(focus < 0 ? 0 : target, shift, ctrl);
      break;
    }
    case VK_NEXT: {
      int bottom = top_ + page - 1;
      int target = focus == bottom ? focus + (page - 1) : bottom;
      MoveFocusTo(focus < 0 ? 0 : target, shift, ctrl);
      break;
    }
    case VK_LEFT:
      ScrollTo(top_, scroll_x_ - 8);
      break;
    case VK_RIGHT:
      ScrollTo(top_, scroll_x_ + 8);
      break;
    case VK_SPACE:
      if (focus < 0) break;
      if (ex_style_ & LVS_EX_CHECKBOXES) {
        ToggleCheck(focus);
      } else if (ctrl && MultiSelect()) {
        ChangeState(focus, focused_, (focused_->state & LVIS_SELECTED) ? 0 : LVIS_SELECTED,
                    LVIS_SELECTED);
        anchor_ = focused_;
      } else if (!(focused_->state & LVIS_SELECTED)) {
        ChangeState(focus, focused_, LVIS_SELECTED, LVIS_SELECTED);
      }
      break;
    case VK_RETURN: {
      NMHDR hdr;
      Notify(NM_RETURN, &hdr);
      if (focus >= 0) NotifyActivate(LVN_ITEMACTIVATE, focus, 0, POINT{});
      break;
    }
    case VK_F2:
      if (focus >= 0 && (Style() & LVS_EDITLABELS)) EditLabel(focus);
      break;
    default:
      break;
  }
}

// Type-ahead: the letters typed in quick succession find the next row whose
// caption starts with them.
void ListView::OnChar(char ch) {
  if (static_cast<unsigned char>(ch) < 0x20 || items_.size() == 0) return;
  DWORD now = GetTickCount();
  if (now - search_time_ > kSearchPauseMs) search_.clear();
  search_time_ = now;
  search_ += ch;
  int focus = items_.IndexOf(focused_);
  LVFINDINFO find;
  find.flags = LVFI_PARTIAL | LVFI_WRAP;
  find.psz = search_.c_str();
  // A fresh one-letter search moves on from the focused row; a longer one
  // may stay on it.
  int start = search_.size() == 1 ? focus : focus - 1;
  int found = FindItem(start, &find);
  if (found < 0 && focus >= 0 && search_.size() == 1) {
    std::string text = TextOf(focus, *focused_, 0);
    if (!text.empty() && std::tolower(static_cast<unsigned char>(text[0])) ==
                             std::tolower(static_cast<unsigned char>(ch))) {
      found = focus;
    }
  }
  if (found >= 0) MoveFocusTo(found, false, false);
}

// ------------------------------------------------------------ label editing

HWND ListView::EditLabel(int index) {
  if (index < 0) {
    EndEdit(false);
    return nullptr;
  }
  ListItem* item = items_.At(index);
  if (item == nullptr) return nullptr;
  if (edit_ != nullptr) EndEdit(true);
  EnsureVisible(index, false);
  if (GetFocus() != hwnd_) SetFocus(hwnd_);
  std::string text = TextOf(index, *item, 0);
  NMLVDISPINFO info;
  info.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
  info.item.iItem = index;
  info.item.pszText = text.data();
  info.item.cchTextMax = static_cast<int>(text.size()) + 1;
  info.item.lParam = item->lparam;
  info.item.state = item->state;
  if (Notify(LVN_BEGINLABELEDIT, &info.hdr) != 0) return nullptr;
  index = items_.IndexOf(item);
  if (index < 0) return nullptr;

  RowParts parts = PartsOf(index);
  RECT r = parts.label;
  RECT client;
  GetClientRect(hwnd_, &client);
  r.right = std::max(std::min(static_cast<int>(r.right), static_cast<int>(client.right)),
                     static_cast<int>(r.left) + 40);
  HWND edit =
      CreateWindowEx(0, "EDIT", text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                     r.right - r.left, r.bottom - r.top, hwnd_, nullptr, nullptr, nullptr);
  if (edit == nullptr) return nullptr;
  edit_ = edit;
  edit_item_ = item;
  SetProp(edit, kViewProperty, reinterpret_cast<HANDLE>(this));
  edit_previous_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListView::EditProc)));
  SendMessage(edit, WM_SETFONT,
              reinterpret_cast<WPARAM>(font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT)),
              0);
  SendMessage(edit, EM_SETSEL, 0, -1);
  ShowWindow(edit, SW_SHOW);
  SetFocus(edit);
  return edit;
}

// Ends the editing: LVN_ENDLABELEDIT carries the new text (none when
// cancelled); the caption changes when the parent answers TRUE.
void ListView::EndEdit(bool commit) {
  if (edit_ == nullptr || ending_edit_) return;
  ending_edit_ = true;
  HWND edit = edit_;
  ListItem* item = edit_item_;
  int length = GetWindowTextLength(edit);
  std::string text(static_cast<std::size_t>(std::max(0, length)) + 1, '\0');
  GetWindowText(edit, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, length)));
  bool had_focus = GetFocus() == edit;
  edit_ = nullptr;
  edit_item_ = nullptr;
  int index = items_.IndexOf(item);
  if (index >= 0) {
    NMLVDISPINFO info;
    info.item.mask = LVIF_TEXT | LVIF_PARAM;
    info.item.iItem = index;
    info.item.pszText = commit ? text.data() : nullptr;
    info.item.cchTextMax = static_cast<int>(text.size()) + 1;
    info.item.lParam = item->lparam;
    LRESULT keep = Notify(LVN_ENDLABELEDIT, &info.hdr);
    index = items_.IndexOf(item);
    if (commit && keep != 0 && index >= 0) {
      LVITEM change;
      change.mask = LVIF_TEXT;
      change.iItem = index;
      change.pszText = text.data();
      SetItem(&change);
    }
  }
  // The edit control's own procedure sees its destruction.
  SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_previous_proc_));
  RemoveProp(edit, kViewProperty);
  DestroyWindow(edit);
  if (had_focus) SetFocus(hwnd_);
  ending_edit_ = false;
}

LRESULT ListView::EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* view = reinterpret_cast<ListView*>(GetProp(hwnd, kViewProperty));
  WNDPROC previous = view != nullptr ? view->edit_previous_proc_ : nullptr;
  if (view != nullptr && view->edit_ == hwnd) {
    switch (message) {
      case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | CallWindowProc(previous, hwnd, message, wparam, lparam);
      case WM_KEYDOWN:
        if (wparam == VK_RETURN || wparam == VK_ESCAPE) {
          view->EndEdit(wparam == VK_RETURN);
          return 0;
        }
        break;
      case WM_CHAR:
        if (wparam == '\r' || wparam == 0x1B) return 0;
        break;
      case WM_KILLFOCUS: {
        LRESULT result = CallWindowProc(previous, hwnd, message, wparam, lparam);
        view->EndEdit(true);
        return result;
      }
      default:
        break;
    }
  }
  if (previous == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  return CallWindowProc(previous, hwnd, message, wparam, lparam);
}

}  // namespace platform::ctl

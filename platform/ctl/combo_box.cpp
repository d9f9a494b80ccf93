// The "COMBOBOX" class and the list it drops down ("ComboLBox").
#include "platform/ctl/combo_box.h"

#include <algorithm>

#include "platform/core/clock.h"
#include "platform/ctl/edit.h"
#include "platform/ctl/list_box_control.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

constexpr int kEdge = 2;  // the field's sunken edge
constexpr DWORD kTypeAheadMs = 1000;

class ComboBox;

// The list of a combo box: dropped down as a popup, or always shown under
// the field of a simple combo box.
class ComboList : public ListBox {
 public:
  explicit ComboList(HWND hwnd) : ListBox(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

  HWND combo() const { return combo_; }

 protected:
  void NotifySelectionChanged() override {}
  HWND OwnerDrawTarget() const override { return GetParent(combo_); }
  UINT OwnerDrawType() const override { return ODT_COMBOBOX; }
  HWND OwnerDrawItemWindow() const override { return combo_; }
  int OwnerDrawId() const override { return static_cast<int>(GetWindowLongPtr(combo_, GWLP_ID)); }
  HBRUSH Background(HDC dc) override;
  bool TakesFocusOnClick() const override { return false; }
  void MouseDown(POINT pt, WPARAM keys, bool double_click) override;
  void MouseMove(POINT pt) override;
  void MouseUp(POINT pt) override;

 private:
  ComboBox* Combo() const;
  bool IsDropDown() const { return (Style() & WS_CHILD) == 0; }

  HWND combo_ = nullptr;
};

class ComboBox : public Control {
 public:
  explicit ComboBox(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

  bool dropped() const { return dropped_; }
  HWND edit() const { return edit_; }
  void Drop();
  void CloseUp(bool accept);
  // The list's selection was changed by the user outside a dropped list
  // (a simple combo box's list): tell the parent.
  void ListChose(bool double_click);
  // Keys for the combo box, also from its edit field; true when used.
  bool ComboKey(UINT vk, bool alt);
  void FocusIn();
  void FocusOut(HWND new_focus);

 private:
  DWORD Kind() const { return Style() & 0x3; }
  bool IsSimple() const { return Kind() == CBS_SIMPLE; }
  bool HasEdit() const { return Kind() != CBS_DROPDOWNLIST; }
  bool IsOwnerDrawn() const {
    return (Style() & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0;
  }
  ComboList* List() const { return static_cast<ComboList*>(ControlOf(list_)); }
  int CurSel() const { return List() != nullptr ? List()->CurSel() : -1; }

  int FieldHeight() const;
  // The field's edge: sunken (two pixels) or flat (one).
  int Edge() const { return flat_edge_ ? 1 : kEdge; }
  bool ButtonLeft() const { return (ExStyle() & WS_EX_LEFTSCROLLBAR) != 0; }
  RECT ButtonRect() const;
  RECT TextRect() const;
  void Layout();
  void ResizeToField();
  void MakeParts(const CREATESTRUCT* cs);
  void UpdateField();
  void SetEditText(const std::string& text);
  LRESULT SetCurSel(int index);
  void UserSelect(int index);
  void Paint();
  void PaintField(HDC dc, const RECT& area);
  LRESULT CharTyped(char c);
  LRESULT ForwardColor(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT DroppedRect(RECT* rect) const;
  RECT DropPlace() const;

  HWND edit_ = nullptr;
  HWND list_ = nullptr;
  bool dropped_ = false;
  bool button_pressed_ = false;
  int dropped_width_ = 0;
  int field_item_height_ = 0;  // 0: from the font
  int full_height_ = 0;        // field and dropped list
  int notified_sel_ = -1;      // the selection the parent knows about
  bool sizing_self_ = false;
  bool updating_edit_ = false;
  bool extended_ui_ = false;
  bool has_focus_ = false;
  bool flat_edge_ = false;
  std::string typed_;
  DWORD typed_at_ = 0;
};

WNDPROC g_edit_proc = nullptr;

ComboBox* ComboOf(HWND combo) {
  return static_cast<ComboBox*>(ControlOf(combo));
}

// The edit field of a combo box passes the combo box's keys on to it.
LRESULT ComboEditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  ComboBox* combo = ComboOf(GetParent(edit));
  if (combo != nullptr) {
    switch (message) {
      case WM_KEYDOWN:
        if (combo->ComboKey(static_cast<UINT>(wparam), false)) return 0;
        break;
      case WM_SYSKEYDOWN:
        if ((wparam == VK_DOWN || wparam == VK_UP) &&
            combo->ComboKey(static_cast<UINT>(wparam), true))
          return 0;
        break;
      case WM_CHAR:
        // Enter and Esc close a dropped list; the field takes nothing of them.
        if (combo->dropped() && (wparam == '\r' || wparam == 0x1B)) return 0;
        break;
      case WM_GETDLGCODE: {
        LRESULT code = CallWindowProc(g_edit_proc, edit, message, wparam, lparam);
        if (combo->dropped()) code |= DLGC_WANTALLKEYS;
        return code;
      }
      case WM_SETFOCUS: {
        LRESULT result = CallWindowProc(g_edit_proc, edit, message, wparam, lparam);
        if (ComboBox* again = ComboOf(GetParent(edit))) again->FocusIn();
        return result;
      }
      case WM_KILLFOCUS: {
        LRESULT result = CallWindowProc(g_edit_proc, edit, message, wparam, lparam);
        if (ComboBox* again = ComboOf(GetParent(edit)))
          again->FocusOut(reinterpret_cast<HWND>(wparam));
        return result;
      }
    }
  }
  return CallWindowProc(g_edit_proc, edit, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// The list
// ---------------------------------------------------------------------------

ComboBox* ComboList::Combo() const {
  return ComboOf(combo_);
}

HBRUSH ComboList::Background(HDC dc) {
  // The combo box is asked (and asks its parent), with the list as lParam.
  auto brush = reinterpret_cast<HBRUSH>(SendMessage(combo_, WM_CTLCOLORLISTBOX,
                                                    reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(hwnd())));
  if (brush == nullptr) {
    brush = reinterpret_cast<HBRUSH>(DefWindowProc(hwnd(), WM_CTLCOLORLISTBOX,
                                                   reinterpret_cast<WPARAM>(dc),
                                                   reinterpret_cast<LPARAM>(hwnd())));
  }
  return brush;
}

void ComboList::MouseDown(POINT pt, WPARAM, bool double_click) {
  ComboBox* combo = Combo();
  if (combo == nullptr) return;
  if (!IsDropDown()) {
    // A simple combo box: the list works as a list box would.
    SetFocus(combo->edit() != nullptr ? combo->edit() : combo_);
    const int index = ItemAt(pt);
    if (index < 0 || !alive()) return;
    if (index != CurSel()) {
      SelectOnly(index);
      combo->ListChose(false);
    }
    if (double_click && alive()) combo->ListChose(true);
    return;
  }
  if (!combo->dropped()) return;
  RECT client = Client();
  if (PtInRect(&client, pt)) {
    const int index = ItemAt(pt);
    if (index >= 0) SelectOnly(index);
    return;
  }
  // A press anywhere else closes the list without a choice.
  combo->CloseUp(false);
}

void ComboList::MouseMove(POINT pt) {
  ComboBox* combo = Combo();
  if (combo == nullptr || !IsDropDown() || !combo->dropped()) return;
  const int index = ItemAt(pt);
  if (index >= 0 && index != CurSel()) SelectOnly(index);
}

void ComboList::MouseUp(POINT pt) {
  ComboBox* combo = Combo();
  if (combo == nullptr || !IsDropDown() || !combo->dropped()) return;
  // A release on an item chooses it; anywhere else (the release of the
  // press that dropped the list down, say) the list stays.
  RECT client = Client();
  if (PtInRect(&client, pt) && ItemAt(pt) >= 0) {
    SelectOnly(ItemAt(pt));
    combo->CloseUp(true);
  }
}

LRESULT ComboList::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      combo_ = static_cast<HWND>(reinterpret_cast<const CREATESTRUCT*>(lparam)->lpCreateParams);
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_CAPTURECHANGED:
      if (IsDropDown() && reinterpret_cast<HWND>(lparam) != hwnd()) {
        if (ComboBox* combo = Combo(); combo != nullptr && combo->dropped()) combo->CloseUp(false);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      // The focus belongs to the combo box.
      if (ComboBox* combo = Combo()) {
        SetFocus(combo->edit() != nullptr ? combo->edit() : combo_);
      }
      return 0;
  }
  return ListBox::Handle(message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// The combo box
// ---------------------------------------------------------------------------

int ComboBox::FieldHeight() const {
  const int item = field_item_height_ > 0 ? field_item_height_ : LineHeight() + 2;
  return item + 2 * kEdge + 2;
}

RECT ComboBox::ButtonRect() const {
  if (IsSimple()) return RECT{};
  RECT client = Client();
  const int width = GetSystemMetrics(SM_CXVSCROLL);
  const int edge = Edge();
  if (ButtonLeft()) return RECT{edge, edge, edge + width, FieldHeight() - edge};
  return RECT{client.right - edge - width, edge, client.right - edge, FieldHeight() - edge};
}

RECT ComboBox::TextRect() const {
  RECT client = Client();
  RECT button = ButtonRect();
  const int edge = Edge();
  if (IsSimple()) return RECT{edge, edge, client.right - edge, FieldHeight() - edge};
  if (ButtonLeft()) return RECT{button.right, edge, client.right - edge, FieldHeight() - edge};
  return RECT{edge, edge, button.left, FieldHeight() - edge};
}

void ComboBox::Layout() {
  RECT text = TextRect();
  if (edit_ != nullptr) {
    SetWindowPos(edit_, nullptr, text.left + 1, text.top + 1, text.right - text.left - 2,
                 text.bottom - text.top - 2, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (IsSimple() && list_ != nullptr) {
    RECT client = Client();
    SetWindowPos(list_, nullptr, 0, FieldHeight(), client.right,
                 std::max(0, static_cast<int>(client.bottom) - FieldHeight()),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void ComboBox::ResizeToField() {
  if (IsSimple()) return;
  RECT r;
  GetWindowRect(hwnd(), &r);
  if (r.bottom - r.top == FieldHeight()) return;
  sizing_self_ = true;
  SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, FieldHeight(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  sizing_self_ = false;
}

void ComboBox::MakeParts(const CREATESTRUCT* cs) {
  const DWORD style = Style();
  DWORD list_style = WS_VSCROLL | LBS_NOTIFY | LBS_COMBOBOX | LBS_NOINTEGRALHEIGHT;
  if (style & CBS_SORT) list_style |= LBS_SORT;
  if (style & CBS_OWNERDRAWFIXED) list_style |= LBS_OWNERDRAWFIXED;
  if (style & CBS_OWNERDRAWVARIABLE) list_style |= LBS_OWNERDRAWVARIABLE;
  if (style & CBS_HASSTRINGS) list_style |= LBS_HASSTRINGS;
  if (style & CBS_DISABLENOSCROLL) list_style |= LBS_DISABLENOSCROLL;
  if (IsOwnerDrawn()) {
    // The parent tells the heights of the field (-1) and of the items.
    MEASUREITEMSTRUCT measure;
    measure.CtlType = ODT_COMBOBOX;
    measure.CtlID = static_cast<UINT>(Id());
    measure.itemID = static_cast<UINT>(-1);
    measure.itemHeight = static_cast<UINT>(LineHeight() + 2);
    if (HWND parent = Parent()) {
      SendMessage(parent, WM_MEASUREITEM, static_cast<WPARAM>(Id()),
                  reinterpret_cast<LPARAM>(&measure));
    }
    if (measure.itemHeight > 0) field_item_height_ = static_cast<int>(measure.itemHeight);
  }
  full_height_ = cs->cy;
  // The list and the edit field read and align as the box does.
  const DWORD bidi = ExStyle() & (WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR);
  if (IsSimple()) {
    list_ = CreateWindowEx(WS_EX_CLIENTEDGE | bidi, "ComboLBox", "",
                           WS_CHILD | WS_VISIBLE | list_style, 0, FieldHeight(), cs->cx,
                           std::max(0, cs->cy - FieldHeight()), hwnd(), nullptr, nullptr, hwnd());
  } else {
    list_ = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | bidi, "ComboLBox",
                           "", WS_POPUP | WS_BORDER | list_style, 0, 0, cs->cx, 10, hwnd(), nullptr,
                           nullptr, hwnd());
  }
  if (HasEdit()) {
    DWORD edit_style = WS_CHILD | WS_VISIBLE;
    if (style & CBS_AUTOHSCROLL) edit_style |= ES_AUTOHSCROLL;
    if (style & CBS_UPPERCASE) edit_style |= ES_UPPERCASE;
    if (style & CBS_LOWERCASE) edit_style |= ES_LOWERCASE;
    edit_ = CreateWindowEx(bidi & ~WS_EX_LEFTSCROLLBAR, "EDIT",
                           cs->lpszName != nullptr ? cs->lpszName : "", edit_style, 0, 0, 10, 10,
                           hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboEditId)),
                           nullptr, nullptr);
    if (edit_ != nullptr) {
      if (g_edit_proc == nullptr) {
        g_edit_proc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(edit_, GWLP_WNDPROC));
      }
      SetWindowLongPtr(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboEditProc));
    }
  }
  Layout();
  ResizeToField();
}

void ComboBox::SetEditText(const std::string& text) {
  if (edit_ == nullptr) return;
  updating_edit_ = true;
  SetWindowText(edit_, text.c_str());
  updating_edit_ = false;
  if (GetFocus() == edit_) SendMessage(edit_, EM_SETSEL, 0, -1);
}

void ComboBox::UpdateField() {
  ComboList* list = List();
  if (list == nullptr) return;
  const int index = list->CurSel();
  if (edit_ != nullptr) {
    SetEditText(index >= 0 ? list->ItemText(index) : std::string());
  }
  Invalidate(false);
}

LRESULT ComboBox::SetCurSel(int index) {
  LRESULT result = SendMessage(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  notified_sel_ = CurSel();
  UpdateField();
  return result;
}

void ComboBox::UserSelect(int index) {
  ComboList* list = List();
  if (list == nullptr || list->Count() == 0) return;
  index = std::clamp(index, 0, list->Count() - 1);
  if (index == CurSel() && index == notified_sel_) return;
  list->SelectOnly(index);
  notified_sel_ = index;
  UpdateField();
  NotifyCommand(CBN_SELCHANGE);
}

RECT ComboBox::DropPlace() const {
  ComboList* list = List();
  RECT window;
  GetWindowRect(hwnd(), &window);
  const int item = list != nullptr ? list->ItemHeight() : LineHeight();
  const int count = list != nullptr ? list->Count() : 0;
  const int room_rows = std::max(1, (full_height_ - FieldHeight()) / std::max(1, item));
  const int rows = std::clamp(count, 1, room_rows);
  const int height = rows * item + 2;
  const int width = std::max<int>(dropped_width_, window.right - window.left);
  int top = window.bottom;
  const SIZE screen = platform::ScreenSize();
  if (top + height > screen.cy && window.top - height >= 0) top = window.top - height;
  return RECT{window.left, top, window.left + width, top + height};
}

void ComboBox::Drop() {
  if (IsSimple() || dropped_ || list_ == nullptr || !Enabled()) return;
  NotifyCommand(CBN_DROPDOWN);
  if (!alive()) return;
  ComboList* list = List();
  if (list == nullptr) return;
  notified_sel_ = list->CurSel();
  RECT place = DropPlace();
  SetWindowPos(list_, HWND_TOPMOST, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  list->EnsureVisible(list->CurSel());
  dropped_ = true;
  button_pressed_ = true;
  Invalidate(false);
  SetCapture(list_);
}

void ComboBox::CloseUp(bool accept) {
  if (!dropped_) return;
  dropped_ = false;
  button_pressed_ = false;
  if (GetCapture() == list_) ReleaseCapture();
  ShowWindow(list_, SW_HIDE);
  Invalidate(false);
  ComboList* list = List();
  if (list == nullptr) return;
  const int chosen = list->CurSel();
  if (accept) {
    const bool changed = chosen != notified_sel_;
    if (changed) UpdateField();
    notified_sel_ = chosen;
    NotifyCommand(CBN_SELENDOK);
    if (alive()) NotifyCommand(CBN_CLOSEUP);
    if (alive() && changed) NotifyCommand(CBN_SELCHANGE);
    return;
  }
  // Whatever the mouse highlighted goes back.
  if (chosen != notified_sel_) list->SelectOnly(notified_sel_);
  NotifyCommand(CBN_SELENDCANCEL);
  if (alive()) NotifyCommand(CBN_CLOSEUP);
}

void ComboBox::ListChose(bool double_click) {
  if (double_click) {
    NotifyCommand(CBN_DBLCLK);
    return;
  }
  notified_sel_ = CurSel();
  UpdateField();
  NotifyCommand(CBN_SELCHANGE);
}

bool ComboBox::ComboKey(UINT vk, bool alt) {
  if (!Enabled()) return false;
  if (vk == VK_F4 || (alt && (vk == VK_DOWN || vk == VK_UP))) {
    if (IsSimple()) return true;
    if (dropped_) {
      CloseUp(true);
    } else {
      Drop();
    }
    return true;
  }
  ComboList* list = List();
  if (list == nullptr) return false;
  if (dropped_ && vk == VK_RETURN) {
    CloseUp(true);
    return true;
  }
  if (dropped_ && vk == VK_ESCAPE) {
    CloseUp(false);
    return true;
  }
  const int count = list->Count();
  const int current = list->CurSel();
  const int page = std::max(1, list->VisibleRows() - 1);
  int target = current;
  switch (vk) {
    case VK_UP:
      target = current < 0 ? 0 : current - 1;
      break;
    case VK_DOWN:
      if (!dropped_ && extended_ui_) {
        Drop();
        return true;
      }
      target = current + 1;
      break;
    case VK_PRIOR:
      target = current - page;
      break;
    case VK_NEXT:
      target = current + page;
      break;
    case VK_HOME:
    case VK_END:
      // In an edit field these belong to the text.
      if (HasEdit() && !dropped_) return false;
      target = vk == VK_HOME ? 0 : count - 1;
      break;
    default:
      return false;
  }
  if (count > 0) UserSelect(std::clamp(target, 0, count - 1));
  return true;
}

LRESULT ComboBox::CharTyped(char c) {
  ComboList* list = List();
  if (list == nullptr || HasEdit() || static_cast<unsigned char>(c) < 0x20) return 0;
  const DWORD now = GetTickCount();
  if (now - typed_at_ > kTypeAheadMs) typed_.clear();
  typed_at_ = now;
  typed_ += c;
  const int current = list->CurSel();
  int index = list->Find(typed_.size() == 1 ? current : current - 1, typed_, false);
  if (index < 0 && typed_.size() > 1) index = list->Find(current, std::string(1, c), false);
  if (index >= 0) UserSelect(index);
  return 0;
}

void ComboBox::FocusIn() {
  Invalidate(false);
  if (has_focus_) return;
  has_focus_ = true;
  NotifyCommand(CBN_SETFOCUS);
}

void ComboBox::FocusOut(HWND new_focus) {
  if (new_focus == hwnd() || (new_focus != nullptr && (new_focus == edit_ || new_focus == list_)))
    return;
  if (dropped_) CloseUp(false);
  if (!alive()) return;
  Invalidate(false);
  if (!has_focus_) return;
  has_focus_ = false;
  NotifyCommand(CBN_KILLFOCUS);
}

void ComboBox::PaintField(HDC dc, const RECT& area) {
  ComboList* list = List();
  const int index = list != nullptr ? list->CurSel() : -1;
  const bool highlight = Focused() && !dropped_;
  if (IsOwnerDrawn()) {
    DRAWITEMSTRUCT draw;
    draw.CtlType = ODT_COMBOBOX;
    draw.CtlID = static_cast<UINT>(Id());
    draw.itemID = static_cast<UINT>(index);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = ODS_COMBOBOXEDIT | (highlight ? ODS_SELECTED | ODS_FOCUS : 0u) |
                     (Enabled() ? 0u : ODS_DISABLED);
    draw.hwndItem = hwnd();
    draw.hDC = dc;
    draw.rcItem = area;
    draw.itemData = list != nullptr ? list->ItemData(index) : 0;
    if (HWND parent = Parent()) {
      SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&draw));
    }
    return;
  }
  RECT inner = area;
  InflateRect(&inner, -1, -1);
  if (highlight) {
    FillRect(dc, &inner, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else if (!Enabled()) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  if (index >= 0 && list != nullptr) {
    const std::string text = list->ItemText(index);
    RECT text_rect = inner;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (ExStyle() & WS_EX_RIGHT) {
      text_rect.right -= 1;
      format |= DT_RIGHT;
    } else {
      text_rect.left += 1;
    }
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &text_rect, format);
  }
  if (highlight) DrawFocusRect(dc, &inner);
}

void ComboBox::Paint() {
  PaintScope paint(hwnd());
  HDC dc = paint.dc();
  SelectFont font(dc, Font());
  RECT client = Client();
  HBRUSH face = ControlColor(dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &client, face);
  RECT field{client.left, client.top, client.right, FieldHeight()};
  HBRUSH paper = ControlColor(
      dc, (Enabled() && HasEdit()) || !HasEdit() ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
  RECT inside = field;
  InflateRect(&inside, -Edge(), -Edge());
  FillRect(dc, &inside, paper);
  if (flat_edge_) {
    FrameRect(dc, &field, GetSysColorBrush(COLOR_WINDOWFRAME));
  } else {
    DrawEdge(dc, &field, EDGE_SUNKEN, BF_RECT);
  }
  if (!IsSimple()) {
    RECT button = ButtonRect();
    DrawFrameControl(dc, &button, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (button_pressed_ ? DFCS_PUSHED | DFCS_FLAT : 0u) |
                         (Enabled() ? 0u : DFCS_INACTIVE));
  }
  if (!HasEdit()) PaintField(dc, TextRect());
}

LRESULT ComboBox::ForwardColor(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND parent = Parent();
  LRESULT brush = parent != nullptr ? SendMessage(parent, message, wparam, lparam) : 0;
  return brush != 0 ? brush : DefWindowProc(hwnd(), message, wparam, lparam);
}

LRESULT ComboBox::DroppedRect(RECT* rect) const {
  if (rect == nullptr) return CB_ERR;
  if (dropped_) {
    GetWindowRect(list_, rect);
  } else {
    *rect = DropPlace();
  }
  return TRUE;
}

LRESULT ComboBox::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      // Scroll bars asked for belong to the list, not to the field; a
      // border asked for is the field's flat edge.
      const DWORD style = Style();
      flat_edge_ = (style & WS_BORDER) != 0;
      if (style & (WS_VSCROLL | WS_HSCROLL | WS_BORDER)) {
        SetWindowLongPtr(hwnd(), GWL_STYLE,
                         static_cast<LONG_PTR>(style & ~(WS_VSCROLL | WS_HSCROLL | WS_BORDER)));
      }
      break;
    }
    case WM_CREATE:
      MakeParts(reinterpret_cast<const CREATESTRUCT*>(lparam));
      return 0;
    case WM_DESTROY:
      // The dropped list is a window of its own, not a child.
      if (list_ != nullptr && !IsSimple()) DestroyWindow(list_);
      list_ = IsSimple() ? list_ : nullptr;
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lparam);
      // The height given is the field's and the dropped list's together.
      if (pos != nullptr && !(pos->flags & SWP_NOSIZE) && !IsSimple() && !sizing_self_) {
        full_height_ = pos->cy;
        pos->cy = FieldHeight();
      }
      return Default(message, wparam, lparam);
    }
    case WM_SIZE:
      Layout();
      return 0;
    case WM_SETFONT:
      if (edit_ != nullptr) SendMessage(edit_, WM_SETFONT, wparam, lparam);
      if (list_ != nullptr) SendMessage(list_, WM_SETFONT, wparam, lparam);
      ResizeToField();
      Layout();
      if (lparam) Invalidate(false);
      return 0;
    case WM_ENABLE:
      if (edit_ != nullptr) EnableWindow(edit_, wparam != 0);
      if (!wparam) CloseUp(false);
      Invalidate(false);
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS:
      if (edit_ != nullptr) {
        SetFocus(edit_);
        SendMessage(edit_, EM_SETSEL, 0, -1);
      } else {
        FocusIn();
      }
      return 0;
    case WM_KILLFOCUS:
      FocusOut(reinterpret_cast<HWND>(wparam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (dropped_ ? DLGC_WANTALLKEYS : 0);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      RECT button = ButtonRect();
      const bool on_button = PtInRect(&button, pt) != FALSE;
      if (!HasEdit()) {
        if (!Focused()) SetFocus(hwnd());
      } else if (edit_ != nullptr && GetFocus() != edit_) {
        SetFocus(edit_);
      }
      if (!alive()) return 0;
      if (IsSimple() || (HasEdit() && !on_button)) return 0;
      if (dropped_) {
        CloseUp(false);
      } else {
        Drop();
      }
      return 0;
    }
    case WM_KEYDOWN:
      ComboKey(static_cast<UINT>(wparam), false);
      return 0;
    case WM_SYSKEYDOWN:
      if ((wparam == VK_DOWN || wparam == VK_UP) && ComboKey(static_cast<UINT>(wparam), true))
        return 0;
      break;
    case WM_CHAR:
      return CharTyped(static_cast<char>(wparam));
    case WM_MOUSEWHEEL:
      if (!dropped_) {
        const int notches = static_cast<SHORT>(HIWORD(wparam)) / 120;
        if (notches != 0 && List() != nullptr && List()->Count() > 0) {
          UserSelect(std::max(0, CurSel()) - notches);
        }
      } else if (list_ != nullptr) {
        SendMessage(list_, WM_MOUSEWHEEL, wparam, lparam);
      }
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lparam) == edit_ && edit_ != nullptr && !updating_edit_) {
        const WORD code = HIWORD(wparam);
        if (code == EN_UPDATE) NotifyCommand(CBN_EDITUPDATE);
        if (code == EN_CHANGE) {
          // In a dropped list the item starting with the text is shown.
          if (dropped_ && List() != nullptr) {
            const int index = List()->Find(-1, Text(), false);
            if (index >= 0) List()->SelectOnly(index);
          }
          NotifyCommand(CBN_EDITCHANGE);
        }
      }
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return ForwardColor(message, wparam, lparam);
    case WM_SETTEXT: {
      if (edit_ != nullptr) {
        SetEditText(lparam != 0 ? reinterpret_cast<const char*>(lparam) : "");
        return TRUE;
      }
      ComboList* list = List();
      const char* text = reinterpret_cast<const char*>(lparam);
      const int index = list != nullptr && text != nullptr ? list->Find(-1, text, true) : -1;
      if (index < 0) return CB_ERR;
      SetCurSel(index);
      return TRUE;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      if (edit_ != nullptr) return SendMessage(edit_, message, wparam, lparam);
      const std::string text = List() != nullptr ? List()->ItemText(CurSel()) : std::string();
      if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
      if (wparam == 0 || lparam == 0) return 0;
      const std::size_t count = std::min<std::size_t>(text.size(), wparam - 1);
      std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count),
                reinterpret_cast<char*>(lparam));
      reinterpret_cast<char*>(lparam)[count] = '\0';
      return static_cast<LRESULT>(count);
    }

    case CB_ADDSTRING:
      return SendMessage(list_, LB_ADDSTRING, 0, lparam);
    case CB_INSERTSTRING:
      return SendMessage(list_, LB_INSERTSTRING, wparam, lparam);
    case CB_DELETESTRING: {
      const int before = CurSel();
      LRESULT result = SendMessage(list_, LB_DELETESTRING, wparam, lparam);
      if (before == static_cast<int>(wparam)) {
        notified_sel_ = -1;
        if (edit_ == nullptr) Invalidate(false);
      } else if (before > static_cast<int>(wparam)) {
        notified_sel_ = CurSel();
      }
      return result;
    }
    case CB_RESETCONTENT:
      SendMessage(list_, LB_RESETCONTENT, 0, 0);
      notified_sel_ = -1;
      SetEditText(std::string());
      Invalidate(false);
      return CB_OKAY;
    case CB_GETCOUNT:
      return SendMessage(list_, LB_GETCOUNT, 0, 0);
    case CB_GETCURSEL:
      return CurSel();
    case CB_SETCURSEL:
      return SetCurSel(static_cast<int>(wparam));
    case CB_GETLBTEXT:
      return SendMessage(list_, LB_GETTEXT, wparam, lparam);
    case CB_GETLBTEXTLEN:
      return SendMessage(list_, LB_GETTEXTLEN, wparam, lparam);
    case CB_GETITEMDATA:
      return SendMessage(list_, LB_GETITEMDATA, wparam, lparam);
    case CB_SETITEMDATA:
      return SendMessage(list_, LB_SETITEMDATA, wparam, lparam);
    case CB_FINDSTRING:
      return SendMessage(list_, LB_FINDSTRING, wparam, lparam);
    case CB_FINDSTRINGEXACT:
      return SendMessage(list_, LB_FINDSTRINGEXACT, wparam, lparam);
    case CB_SELECTSTRING: {
      LRESULT index = SendMessage(list_, LB_FINDSTRING, wparam, lparam);
      if (index < 0) return CB_ERR;
      SetCurSel(static_cast<int>(index));
      return index;
    }
    case CB_GETTOPINDEX:
      return SendMessage(list_, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX:
      return SendMessage(list_, LB_SETTOPINDEX, wparam, 0);
    case CB_GETHORIZONTALEXTENT:
      return SendMessage(list_, LB_GETHORIZONTALEXTENT, 0, 0);
    case CB_SETHORIZONTALEXTENT:
      return SendMessage(list_, LB_SETHORIZONTALEXTENT, wparam, 0);
    case CB_INITSTORAGE:
      return SendMessage(list_, LB_INITSTORAGE, wparam, lparam);
    case CB_SETLOCALE:
      return SendMessage(list_, LB_SETLOCALE, wparam, 0);
    case CB_GETLOCALE:
      return SendMessage(list_, LB_GETLOCALE, 0, 0);
    case CB_SHOWDROPDOWN:
      if (wparam) {
        Drop();
      } else {
        CloseUp(false);
      }
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return dropped_ ? TRUE : FALSE;
    case CB_SETDROPPEDWIDTH: {
      if (IsSimple()) return CB_ERR;
      dropped_width_ = static_cast<int>(wparam);
      RECT window;
      GetWindowRect(hwnd(), &window);
      return std::max<int>(dropped_width_, window.right - window.left);
    }
    case CB_GETDROPPEDWIDTH: {
      if (IsSimple()) return CB_ERR;
      RECT window;
      GetWindowRect(hwnd(), &window);
      return std::max<int>(dropped_width_, window.right - window.left);
    }
    case CB_GETDROPPEDCONTROLRECT:
      return DroppedRect(reinterpret_cast<RECT*>(lparam));
    case CB_SETITEMHEIGHT: {
      const int height = static_cast<int>(lparam);
      if (height <= 0 || height > 255) return CB_ERR;
      if (static_cast<int>(wparam) == -1) {
        field_item_height_ = height;
        ResizeToField();
        Layout();
        Invalidate(false);
        return CB_OKAY;
      }
      return SendMessage(list_, LB_SETITEMHEIGHT, 0, MAKELPARAM(static_cast<WORD>(height), 0)) ==
                     LB_ERR
                 ? CB_ERR
                 : CB_OKAY;
    }
    case CB_GETITEMHEIGHT:
      if (static_cast<int>(wparam) == -1) {
        return field_item_height_ > 0 ? field_item_height_ : LineHeight() + 2;
      }
      return SendMessage(list_, LB_GETITEMHEIGHT, 0, 0);
    case CB_SETEXTENDEDUI:
      extended_ui_ = wparam != 0;
      return CB_OKAY;
    case CB_GETEXTENDEDUI:
      return extended_ui_ ? TRUE : FALSE;
    case CB_LIMITTEXT:
      if (edit_ == nullptr) return CB_ERR;
      SendMessage(edit_, EM_LIMITTEXT, wparam, 0);
      return TRUE;
    case CB_GETEDITSEL:
      if (edit_ == nullptr) return CB_ERR;
      return SendMessage(edit_, EM_GETSEL, wparam, lparam);
    case CB_SETEDITSEL:
      if (edit_ == nullptr) return CB_ERR;
      SendMessage(edit_, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(lparam))),
                  static_cast<LPARAM>(static_cast<SHORT>(HIWORD(lparam))));
      return TRUE;
    case CB_GETCOMBOBOXINFO: {
      auto* info = reinterpret_cast<COMBOBOXINFO*>(lparam);
      if (info == nullptr) return FALSE;
      info->rcItem = TextRect();
      info->rcButton = ButtonRect();
      info->stateButton =
          IsSimple() ? STATE_SYSTEM_INVISIBLE : (button_pressed_ ? STATE_SYSTEM_PRESSED : 0u);
      info->hwndCombo = hwnd();
      info->hwndItem = edit_ != nullptr ? edit_ : hwnd();
      info->hwndList = list_;
      return TRUE;
    }
    case CB_DIR:
      return CB_ERR;
  }
  return Default(message, wparam, lparam);
}

void RegisterComboClasses() {
  RegisterControlClass<ComboBox>("COMBOBOX", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

void RegisterComboListClass() {
  RegisterControlClass<ComboList>("ComboLBox", CS_DBLCLKS | CS_SAVEBITS);
}

const platform::BuiltinClass kComboClass("COMBOBOX", &RegisterComboClasses);
const platform::BuiltinClass kComboListClass("ComboLBox", &RegisterComboListClass);

}  // namespace
}  // namespace platform::ctl

BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
  return static_cast<BOOL>(
      SendMessage(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)));
}

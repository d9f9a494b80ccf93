#include "controls/KavoCustomComboBox.h"

#include <map>

#include "classlib/ControlMessages.h"
#include "classlib/Form.h"
#include "classlib/MessageHandling.h"
#include "controls/ControlPack.h"
#include "controls/kavoclass.h"
#include "platform/ctl/combo_box.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/painting.h"

namespace {

// The boxes whose edit parts report a left button press.
std::map<HWND, TKavoCustomComboBox*>& EditClickBoxes() {
  static auto* boxes = new std::map<HWND, TKavoCustomComboBox*>;
  return *boxes;
}

}  // namespace

LRESULT KavoEditClickProcedure(HWND hwnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto it = EditClickBoxes().find(hwnd);
  if (it == EditClickBoxes().end()) return DefWindowProc(hwnd, Msg, WParam, LParam);
  TKavoCustomComboBox* box = it->second;
  const WNDPROC next = box->edit_click_next_;
  if (Msg == WM_LBUTTONDOWN && box->OnEditClick) {
    try {
      box->OnEditClick(box);
    } catch (...) {
      HandleMessageException(box);
    }
  }
  return CallWindowProc(next, hwnd, Msg, WParam, LParam);
}

void TKavoCustomComboBox::CreateWnd() {
  TCustomComboBox::CreateWnd();
  const HWND edit = EditHandle();
  if (edit == nullptr) return;
  edit_click_hwnd_ = edit;
  EditClickBoxes()[edit] = this;
  edit_click_next_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KavoEditClickProcedure)));
}

void TKavoCustomComboBox::DestroyWnd() {
  ReleaseEditClick();
  TCustomComboBox::DestroyWnd();
}

void TKavoCustomComboBox::ReleaseEditClick() {
  if (edit_click_hwnd_ == nullptr) return;
  if (IsWindow(edit_click_hwnd_)) {
    SetWindowLongPtr(edit_click_hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_click_next_));
  }
  EditClickBoxes().erase(edit_click_hwnd_);
  edit_click_hwnd_ = nullptr;
  edit_click_next_ = nullptr;
}

TKavoCustomComboBox::TKavoCustomComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  ControlPackStartup();
}

TKavoCustomComboBox::~TKavoCustomComboBox() {
  StopTypeAhead();
  ReleaseEditClick();
}

void TKavoCustomComboBox::StopTypeAhead() {
  if (type_ahead_timer_ != 0 && KavoApplication != nullptr) KavoApplication->Remove(type_ahead_timer_);
  type_ahead_timer_ = 0;
}

void TKavoCustomComboBox::SetFlat(bool Value) {
  if (flat_ == Value) return;
  flat_ = Value;
  DrawBorder();
}

void TKavoCustomComboBox::SetDropDownWidth(int Value) {
  if (drop_down_width_ == Value) return;
  drop_down_width_ = Value;
  if (HandleAllocated()) PostMessage(Handle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(Value), 0);
}

void TKavoCustomComboBox::Loaded() {
  TCustomComboBox::Loaded();
  if (HandleAllocated()) PostMessage(Handle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(drop_down_width_), 0);
}

void TKavoCustomComboBox::SetFocusControl(TWinControl* Value) {
  focus_control_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TKavoCustomComboBox::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomComboBox::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focus_control_) focus_control_ = nullptr;
}

void TKavoCustomComboBox::SetHistory(bool Value) {
  if (history_ == Value) return;
  history_ = Value;
  if (!history_) {
    for (int i = 0; i < history_count_ && Items()->Count() > 0; ++i) Items()->Delete(0);
    history_count_ = 0;
  } else {
    SetStyle(csOwnerDrawFixed);
  }
}

void TKavoCustomComboBox::SetHistoryMax(int Value) {
  if (history_max_ == Value) return;
  history_max_ = Value;
  while (history_count_ > history_max_ && history_count_ > 0) {
    Items()->Delete(history_count_ - 1);
    --history_count_;
  }
}

void TKavoCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
}

void TKavoCustomComboBox::MeasureItem(int Index, int& Height) {
  TCustomComboBox::MeasureItem(Index, Height);
  if (history_) Height += 4;
}

void TKavoCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TCustomComboBox::DrawItem(Index, Rect, State);
  if (!history_ || !DroppedDown() || history_count_ == 0 || Index != history_count_ - 1) return;
  // The line under the history block, in the dropped list only (the list
  // lies below the field).
  if (Rect.top < Height()) return;
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetColor(clBlack);
  for (int dy : {3, 1}) {
    canvas->MoveTo(Rect.left, Rect.bottom - dy);
    canvas->LineTo(Rect.right, Rect.bottom - dy);
  }
}

void TKavoCustomComboBox::SelectionChanged() {
  Select();
  if (history_) {
    const int index = ItemIndex();
    if (index >= 0) {
      const String text = Items()->Strings(index);
      int found = -1;
      for (int i = 0; i < history_count_; ++i)
        if (Items()->Strings(i) == text) {
          found = i;
          break;
        }
      if (found >= 0) {
        SetItemIndex(found);
      } else {
        TObject* object = Items()->Objects(index);
        if (history_count_ >= history_max_ && history_count_ > 0) Items()->Delete(history_count_ - 1);
        else ++history_count_;
        Items()->InsertObject(0, text, object);
        SetItemIndex(0);
      }
    }
  }
  if (!DroppedDown() && !key_navigation_ && focus_control_ != nullptr) MoveFocus(true);
}

void TKavoCustomComboBox::MoveFocus(bool PostToTopLevel) {
  TCustomForm* mine = GetParentForm(this);
  TCustomForm* theirs = GetParentForm(focus_control_);
  if (mine != nullptr && mine == theirs) {
    if (focus_control_->CanFocus()) focus_control_->SetFocus();
  } else {
    edit_focused_ = false;
    if (PostToTopLevel && theirs != nullptr && theirs->HandleAllocated())
      PostMessage(theirs->Handle(), WM_SETFOCUS, 0, 0);
    if (focus_control_->HandleAllocated()) PostMessage(focus_control_->Handle(), WM_SETFOCUS, 0, 0);
  }
  drawing_on_exit_ = true;
  DrawBorder();
  drawing_on_exit_ = false;
}

void TKavoCustomComboBox::KeyDown(Word& Key, TShiftState Shift) {
  TCustomComboBox::KeyDown(Key, Shift);
  if (KavoApplication != nullptr) {
    if (type_ahead_timer_ == 0) {
      type_ahead_timer_ = KavoApplication->Add(static_cast<std::uint16_t>(type_ahead_delay_),
                                               [this](TObject* Sender) { TypeAheadTick(Sender); });
      if (TKavoTimerItem* item = KavoApplication->Item(type_ahead_timer_)) item->SetEnabled(false);
    } else if (TKavoTimerItem* item = KavoApplication->Item(type_ahead_timer_)) {
      item->SetEnabled(false);
    }
    TKavoTimerItem* item = KavoApplication->Item(type_ahead_timer_);
    if (type_ahead_ && item != nullptr) {
      if (Key >= 32) {
        item->SetInterval(static_cast<std::uint16_t>(type_ahead_delay_));
        item->SetEnabled(true);
      } else if (Key == VK_BACK || Key == VK_DELETE) {
        item->SetInterval(static_cast<std::uint16_t>(type_ahead_delay_ + 1000));
        item->SetEnabled(true);
      }
    }
  }
  key_navigation_ = Key == VK_PRIOR || Key == VK_NEXT || Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP ||
                    Key == VK_DOWN;
  if (Key == VK_RETURN && focus_control_ != nullptr) MoveFocus(false);
}

void TKavoCustomComboBox::TypeAheadTick(TObject*) {
  const String text = Text();
  for (int i = 0; i < Items()->Count(); ++i) {
    if (Items()->Strings(i).compare(0, text.size(), text) != 0 || Items()->Strings(i).size() < text.size()) continue;
    const int caret = SelStart();
    SetItemIndex(i);
    SetSelStart(caret);
    SetSelLength(static_cast<int>(Items()->Strings(i).size()) - caret);
    break;
  }
  StopTypeAhead();
}

bool TKavoCustomComboBox::FlatLook() const {
  if (ComponentState().Contains(csDesigning) || !flat_) return false;
  if (drawing_on_exit_) return true;
  auto* self = const_cast<TKavoCustomComboBox*>(this);
  return !mouse_inside_ && !self->Focused() && !edit_focused_;
}

void TKavoCustomComboBox::DrawBorder() {
  if (!HandleAllocated()) return;
  HDC dc = GetWindowDC(Handle());
  RECT r{0, 0, Width(), Height()};
  auto frame = [&](const RECT& rect, int colour) {
    HBRUSH brush = GetSysColorBrush(colour);
    FrameRect(dc, &rect, brush);
  };
  if (FlatLook()) {
    frame(r, COLOR_BTNFACE);
    RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    frame(inner, COLOR_BTNFACE);
    RECT innermost{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    frame(innermost, COLOR_WINDOW);
  } else if (!Ctl3D()) {
    // Without the 3-D look: a plain one-pixel frame round the field.
    frame(r, COLOR_WINDOWFRAME);
  } else {
    frame(RECT{1, 1, r.right, r.bottom}, COLOR_WINDOWFRAME);
    frame(RECT{0, 0, r.right - 1, r.bottom - 1}, COLOR_BTNFACE);
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  }
  ReleaseDC(Handle(), dc);
}

void TKavoCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT:
      TCustomComboBox::Dispatch(Message);
      DrawBorder();
      return;
    case CM_MOUSEENTER:
      TCustomComboBox::Dispatch(Message);
      mouse_inside_ = true;
      if (flat_ && !Focused()) DrawBorder();
      return;
    case CM_MOUSELEAVE:
      TCustomComboBox::Dispatch(Message);
      mouse_inside_ = false;
      if (flat_ && !Focused() && !DroppedDown() && !edit_focused_) DrawBorder();
      return;
    case CM_ENTER:
      TCustomComboBox::Dispatch(Message);
      DrawBorder();
      return;
    case CM_EXIT:
      TCustomComboBox::Dispatch(Message);
      if (!mouse_inside_ && !edit_focused_) {
        drawing_on_exit_ = true;
        DrawBorder();
        drawing_on_exit_ = false;
      }
      return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      key_navigation_ = false;
      break;
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == CBN_SELCHANGE) {
        const int index = ItemIndex();
        if (index >= 0) SetText(Items()->Strings(index));
        Click();
        SelectionChanged();
        return;
      }
      if (HIWORD(Message.WParam) == CBN_SETFOCUS) edit_focused_ = EditHandle() != nullptr;
      if (HIWORD(Message.WParam) == CBN_KILLFOCUS) edit_focused_ = false;
      break;
  }
  TCustomComboBox::Dispatch(Message);
}

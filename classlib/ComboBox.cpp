#include "classlib/ComboBox.h"

#include <unordered_map>
#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "platform/ctl/combo_box.h"
#include "platform/gdi/gdi.h"

namespace {

// The combo box each subclassed edit part belongs to.
std::unordered_map<HWND, TCustomComboBox*>& EditParts() {
  static std::unordered_map<HWND, TCustomComboBox*> parts;
  return parts;
}

}  // namespace

LRESULT ComboEditProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto it = EditParts().find(hwnd);
  if (it == EditParts().end()) return DefWindowProc(hwnd, msg, wparam, lparam);
  return it->second->EditMessage(msg, wparam, lparam);
}

// --- TComboBoxStrings ---

namespace {

const TItemListMessages kComboBoxMessages = {
    CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_GETITEMDATA,     CB_SETITEMDATA, CB_ADDSTRING,
    CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_FINDSTRINGEXACT, CB_ERR,
    "Insufficient space for the combo box items"};

}  // namespace

TComboBoxStrings::TComboBoxStrings(TCustomComboBox* ComboBox)
    : TItemListStrings(ComboBox, kComboBoxMessages), combo_box_(ComboBox) {}

void TComboBoxStrings::Clear() {
  const String text = combo_box_->Text();
  TItemListStrings::Clear();
  // The edit part keeps what was typed.
  combo_box_->SetText(text);
  combo_box_->Update();
}

// --- TCustomComboBox ---

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner),
      items_(std::make_unique<TComboBoxStrings>(this)),
      canvas_(std::make_unique<TControlCanvas>()) {
  // No csCaptureMouse: the box's own window takes the capture for its
  // dropped list, and taking it back here would close the list at once.
  ControlStyle = {csSetCaption, csDoubleClicks, csFixedHeight, csReflector, csFramed};
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  canvas_->SetControl(this);
}

TCustomComboBox::~TCustomComboBox() {
  canvas_->FreeHandle();
  // The edit part gets its own procedure back before the window goes.
  ReleaseEditPart();
}

void TCustomComboBox::ReleaseEditPart() {
  if (edit_handle_ == nullptr) return;
  if (IsWindow(edit_handle_)) {
    SetWindowLongPtr(edit_handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit_procedure_));
  }
  EditParts().erase(edit_handle_);
  edit_handle_ = nullptr;
}

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "COMBOBOX");
  Params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
  switch (style_) {
    case csDropDown:
      Params.Style |= CBS_DROPDOWN;
      break;
    case csSimple:
      Params.Style |= CBS_SIMPLE;
      break;
    case csDropDownList:
      Params.Style |= CBS_DROPDOWNLIST;
      break;
    case csOwnerDrawFixed:
      Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED;
      break;
    case csOwnerDrawVariable:
      Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE;
      break;
  }
  if (sorted_) Params.Style |= CBS_SORT;
  // The box draws its own edge: sunken, or flat with a plain border.
  if (!Ctl3D()) Params.Style |= WS_BORDER;
  if (char_case_ == ecUpperCase) Params.Style |= CBS_UPPERCASE;
  if (char_case_ == ecLowerCase) Params.Style |= CBS_LOWERCASE;
  // The window is made as tall as the field and its dropped list together.
  if (style_ != csSimple) Params.Height = Height() + item_height_ * drop_down_count_ + 2;
}

void TCustomComboBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = Handle();
  SendMessage(h, CB_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
    SendMessage(h, CB_SETITEMHEIGHT, 0, item_height_);
  }
  // The edit part's keys come through the combo box's own handling.
  edit_handle_ = nullptr;
  if (style_ == csDropDown || style_ == csSimple) {
    for (HWND child = GetWindow(h, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      char name[16] = {};
      GetClassName(child, name, sizeof name);
      if (String(name) == "Edit" || String(name) == "EDIT") {
        edit_handle_ = child;
        break;
      }
    }
    if (edit_handle_ != nullptr) {
      EditParts()[edit_handle_] = this;
      edit_procedure_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtr(edit_handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ComboEditProcedure)));
    }
  }
  if (saved_items_) {
    std::unique_ptr<TStringList> saved = std::move(saved_items_);
    for (int i = 0; i < saved->Count(); ++i) {
      const int index = items_->Add(saved->Strings(i));
      items_->PutObject(index, saved->Objects(i));
    }
    SetItemIndex(saved_index_);
  }
}

void TCustomComboBox::DestroyWnd() {
  if (HandleAllocated() && items_->Count() > 0) {
    auto saved = std::make_unique<TStringList>();
    saved->Assign(items_.get());
    saved_index_ = ItemIndex();
    saved_items_ = std::move(saved);
  }
  ReleaseEditPart();
  TWinControl::DestroyWnd();
}

LRESULT TCustomComboBox::EditMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  const HWND edit = edit_handle_;
  const WNDPROC procedure = edit_procedure_;
  TMessage message;
  message.Msg = Msg;
  message.WParam = WParam;
  message.LParam = LParam;
  try {
    switch (Msg) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (DoKeyDown(message)) return 0;
        break;
      case WM_KEYUP:
      case WM_SYSKEYUP:
        if (DoKeyUp(message)) return 0;
        break;
      case WM_CHAR:
        if (DoKeyPress(message)) return 0;
        break;
    }
  } catch (...) {
    HandleMessageException(this);
    return 0;
  }
  return CallWindowProc(procedure, edit, message.Msg, message.WParam, message.LParam);
}

int TCustomComboBox::ItemIndex() { return static_cast<int>(SendMessage(Handle(), CB_GETCURSEL, 0, 0)); }

void TCustomComboBox::SetItemIndex(int Value) {
  if (ItemIndex() != Value) SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  RecreateWnd();
}

void TCustomComboBox::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  sorted_ = Value;
  RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int Value) {
  if (drop_down_count_ == Value || Value < 1) return;
  drop_down_count_ = Value;
  RecreateWnd();
}

int TCustomComboBox::ItemHeight() {
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable || !HandleAllocated()) return item_height_;
  return static_cast<int>(SendMessage(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

void TCustomComboBox::SetItemHeight(int Value) {
  if (item_height_ == Value || Value <= 0) return;
  item_height_ = Value;
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int Value) {
  if (max_length_ == Value) return;
  max_length_ = std::max(Value, 0);
  if (HandleAllocated()) SendMessage(Handle(), CB_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
}

void TCustomComboBox::SetCharCase(TEditCharCase Value) {
  if (char_case_ == Value) return;
  char_case_ = Value;
  RecreateWnd();
}

bool TCustomComboBox::DroppedDown() {
  return HandleAllocated() && SendMessage(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool Value) { SendMessage(Handle(), CB_SHOWDROPDOWN, Value ? TRUE : FALSE, 0); }

int TCustomComboBox::SelStart() {
  DWORD start = 0;
  SendMessage(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void TCustomComboBox::SetSelStart(int Value) {
  SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(Value), static_cast<WORD>(Value)));
}

int TCustomComboBox::SelLength() {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomComboBox::SetSelLength(int Value) {
  const int start = SelStart();
  SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(start + Value)));
}

void TCustomComboBox::SelectAll() { SendMessage(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 0xFFFF)); }

void TCustomComboBox::Clear() {
  SetText(String());
  items_->Clear();
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) {
    OnSelect(this);
  } else {
    Change();
  }
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  canvas_->FillRect(Rect);
  if (Index < 0 || Index >= items_->Count()) return;
  const String& text = items_->Strings(Index);
  const int x = UseRightToLeftAlignment() ? Rect.right - 2 - canvas_->TextWidth(text) : Rect.left + 2;
  canvas_->TextOut(x, Rect.top, text);
}

void TCustomComboBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::DrawItemMessage(TMessage& Message) {
  DrawOwnerDrawnItem(*canvas_, *this, Message,
                     [this](int Index, TRect Rect, TOwnerDrawState State) { DrawItem(Index, Rect, State); });
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case CBN_DBLCLK:
          DblClick();
          break;
        case CBN_EDITCHANGE:
          Change();
          break;
        case CBN_DROPDOWN:
          DropDown();
          break;
        case CBN_SELCHANGE: {
          // The field shows the chosen item before anyone hears of it.
          const int index = ItemIndex();
          if (index >= 0) SetText(items_->Strings(index));
          Click();
          Select();
          break;
        }
        case CBN_CLOSEUP:
          CloseUp();
          break;
      }
      return;
    case CN_DRAWITEM:
      DrawItemMessage(Message);
      return;
    case CN_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int height = item_height_;
      if (style_ == csOwnerDrawVariable && static_cast<int>(measure->itemID) >= 0) {
        MeasureItem(static_cast<int>(measure->itemID), height);
      }
      measure->itemHeight = static_cast<UINT>(height);
      Message.Result = TRUE;
      return;
    }
  }
  TWinControl::Dispatch(Message);
}

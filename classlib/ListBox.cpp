#include "classlib/ListBox.h"

#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "platform/ctl/list_box.h"
#include "platform/gdi/gdi.h"

// --- TListBoxStrings ---

namespace {

const TItemListMessages kListBoxMessages = {
    LB_GETCOUNT,    LB_GETTEXTLEN,    LB_GETTEXT,     LB_GETITEMDATA,    LB_SETITEMDATA, LB_ADDSTRING,
    LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_FINDSTRINGEXACT, LB_ERR,
    "Insufficient space for the list box items"};

}  // namespace

TListBoxStrings::TListBoxStrings(TCustomListBox* ListBox) : TItemListStrings(ListBox, kListBoxMessages) {}

// --- TCustomListBox ---

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      items_(std::make_unique<TListBoxStrings>(this)),
      canvas_(std::make_unique<TControlCanvas>()) {
  ControlStyle = {csSetCaption, csDoubleClicks, csFramed};
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  canvas_->SetControl(this);
}

TCustomListBox::~TCustomListBox() { canvas_->FreeHandle(); }

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "LISTBOX");
  Params.Style |= WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
  if (style_ == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  if (sorted_) Params.Style |= LBS_SORT;
  if (multi_select_) Params.Style |= extended_select_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (!integral_height_) Params.Style |= LBS_NOINTEGRALHEIGHT;
  if (columns_ > 0) Params.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
  if (border_style_ == bsSingle) AddFramedBorder(Params);
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = Handle();
  if (style_ == lbOwnerDrawFixed) SendMessage(h, LB_SETITEMHEIGHT, 0, item_height_);
  if (columns_ > 0) SendMessage(h, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(Width() / columns_, 1)), 0);
  if (saved_items_) {
    std::unique_ptr<TStringList> saved = std::move(saved_items_);
    for (int i = 0; i < saved->Count(); ++i) {
      const int index = items_->Add(saved->Strings(i));
      items_->PutObject(index, saved->Objects(i));
    }
    SetItemIndex(saved_index_);
  }
}

void TCustomListBox::DestroyWnd() {
  if (HandleAllocated() && items_->Count() > 0) {
    auto saved = std::make_unique<TStringList>();
    saved->Assign(items_.get());
    saved_index_ = ItemIndex();
    saved_items_ = std::move(saved);
  }
  TWinControl::DestroyWnd();
}

int TCustomListBox::ItemIndex() {
  return static_cast<int>(SendMessage(Handle(), multi_select_ ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int Value) {
  if (ItemIndex() == Value) return;
  if (multi_select_) {
    SendMessage(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(Value), 0);
  } else {
    SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  }
}

bool TCustomListBox::Selected(int Index) {
  const LRESULT result = SendMessage(Handle(), LB_GETSEL, static_cast<WPARAM>(Index), 0);
  if (result == LB_ERR) throw EListError(Format(SysConst::SListIndexError, Index));
  return result != 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (multi_select_) {
    if (SendMessage(Handle(), LB_SETSEL, Value ? TRUE : FALSE, Index) == LB_ERR) {
      throw EListError(Format(SysConst::SListIndexError, Index));
    }
  } else if (Value) {
    if (SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(Index), 0) == LB_ERR) {
      throw EListError(Format(SysConst::SListIndexError, Index));
    }
  } else {
    SendMessage(Handle(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

int TCustomListBox::SelCount() {
  const LRESULT count = SendMessage(Handle(), LB_GETSELCOUNT, 0, 0);
  return count < 0 ? (ItemIndex() >= 0 ? 1 : 0) : static_cast<int>(count);
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (multi_select_ == Value) return;
  multi_select_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (extended_select_ == Value) return;
  extended_select_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  sorted_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  RecreateWnd();
}

int TCustomListBox::ItemHeight() {
  if (style_ != lbStandard || !HandleAllocated()) return item_height_;
  return static_cast<int>(SendMessage(Handle(), LB_GETITEMHEIGHT, 0, 0));
}

void TCustomListBox::SetItemHeight(int Value) {
  if (item_height_ == Value || Value <= 0) return;
  item_height_ = Value;
  if (style_ != lbStandard) RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
  if (integral_height_ == Value) return;
  integral_height_ = Value;
  RecreateWnd();
}

void TCustomListBox::SetColumns(int Value) {
  if (columns_ == Value || Value < 0) return;
  columns_ = Value;
  RecreateWnd();
}

int TCustomListBox::TopIndex() { return static_cast<int>(SendMessage(Handle(), LB_GETTOPINDEX, 0, 0)); }

void TCustomListBox::SetTopIndex(int Value) {
  if (TopIndex() != Value) SendMessage(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (border_style_ == Value) return;
  border_style_ = Value;
  RecreateWnd();
}

TRect TCustomListBox::ItemRect(int Index) {
  RECT r{};
  const int count = items_->Count();
  if (Index == 0 || Index < count) {
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
  } else if (Index == count) {
    // Just below the last item.
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
  }
  return r;
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) {
  const int count = items_->Count();
  if (count == 0) return Existing ? -1 : 0;
  for (int index = std::max(TopIndex(), 0); index < count; ++index) {
    RECT r{};
    SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    if (PtInRect(&r, Pos)) return index;
  }
  return Existing ? -1 : count;
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  canvas_->FillRect(Rect);
  if (Index >= items_->Count()) return;
  const String& text = items_->Strings(Index);
  const int x = UseRightToLeftAlignment() ? Rect.right - 2 - canvas_->TextWidth(text) : Rect.left + 2;
  canvas_->TextOut(x, Rect.top, text);
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::DrawItemMessage(TMessage& Message) {
  DrawOwnerDrawnItem(*canvas_, *this, Message,
                     [this](int Index, TRect Rect, TOwnerDrawState State) { DrawItem(Index, Rect, State); });
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE:
          Click();
          break;
        case LBN_DBLCLK:
          DblClick();
          break;
      }
      return;
    case CN_DRAWITEM:
      DrawItemMessage(Message);
      return;
    case CN_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      int height = item_height_;
      if (style_ == lbOwnerDrawVariable) MeasureItem(static_cast<int>(measure->itemID), height);
      measure->itemHeight = static_cast<UINT>(height);
      Message.Result = TRUE;
      return;
    }
  }
  TWinControl::Dispatch(Message);
}

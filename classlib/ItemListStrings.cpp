#include "classlib/ItemListStrings.h"

#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "platform/gdi/gdi.h"

TOwnerDrawState OwnerDrawStateOf(UINT ItemState) {
  // The platform's ODS_* bits stand where the class library's states are.
  return TOwnerDrawState::FromBits(ItemState & 0x13FFu);
}

// --- TItemListStrings ---

void TItemListStrings::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index >= Limit) Error(SysConst::SListIndexError, Index);
}

int TItemListStrings::Count() const { return static_cast<int>(SendMessage(Window(), messages_.GetCount, 0, 0)); }

String TItemListStrings::Get(int Index) const {
  const LRESULT length = SendMessage(Window(), messages_.GetTextLen, static_cast<WPARAM>(Index), 0);
  if (Index < 0 || length == messages_.Error) Error(SysConst::SListIndexError, Index);
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessage(Window(), messages_.GetText, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(text.data()));
  return String(text.data(), static_cast<std::size_t>(length));
}

TObject* TItemListStrings::GetObject(int Index) const {
  CheckIndex(Index, Count());
  return reinterpret_cast<TObject*>(SendMessage(Window(), messages_.GetItemData, static_cast<WPARAM>(Index), 0));
}

void TItemListStrings::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index, Count());
  SendMessage(Window(), messages_.SetItemData, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(AObject));
}

int TItemListStrings::Add(const String& S) {
  const LRESULT index = SendMessage(Window(), messages_.AddString, 0, reinterpret_cast<LPARAM>(S.c_str()));
  if (index < 0) throw EOutOfResources(messages_.OutOfSpace);
  return static_cast<int>(index);
}

void TItemListStrings::Insert(int Index, const String& S) {
  CheckIndex(Index, Count() + 1);
  const LRESULT index =
      SendMessage(Window(), messages_.InsertString, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str()));
  if (index < 0) throw EOutOfResources(messages_.OutOfSpace);
}

void TItemListStrings::Delete(int Index) {
  CheckIndex(Index, Count());
  SendMessage(Window(), messages_.DeleteString, static_cast<WPARAM>(Index), 0);
}

void TItemListStrings::Clear() { SendMessage(Window(), messages_.ResetContent, 0, 0); }

int TItemListStrings::IndexOf(const String& S) const {
  return static_cast<int>(SendMessage(Window(), messages_.FindStringExact, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(S.c_str())));
}

void TItemListStrings::SetUpdateState(bool Updating) {
  if (!control_->HandleAllocated()) return;
  SendMessage(Window(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
  if (!Updating) control_->Refresh();
}

// --- owner drawing ---

void DrawOwnerDrawnItem(TControlCanvas& Canvas, const TWinControl& Control, TMessage& Message,
                        const TDrawListItem& DrawItem) {
  auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  const TOwnerDrawState state = OwnerDrawStateOf(draw->itemState);
  Canvas.FreeHandle();
  Canvas.SetHandle(draw->hDC);
  Canvas.SetFont(Control.Font());
  Canvas.SetBrush(Control.Brush());
  const bool item = static_cast<int>(draw->itemID) >= 0;
  if (item && state.Contains(odSelected)) {
    Canvas.Brush()->SetColor(clHighlight);
    Canvas.Font()->SetColor(clHighlightText);
  }
  try {
    if (item) {
      DrawItem(static_cast<int>(draw->itemID), draw->rcItem, state);
    } else {
      Canvas.FillRect(draw->rcItem);
    }
  } catch (...) {
    Canvas.SetHandle(nullptr);
    throw;
  }
  if (state.Contains(odFocused)) DrawFocusRect(draw->hDC, &draw->rcItem);
  Canvas.SetHandle(nullptr);
  Message.Result = TRUE;
}

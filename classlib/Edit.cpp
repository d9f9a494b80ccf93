#include "classlib/Edit.h"

#include <algorithm>
#include <vector>

#include "classlib/Exceptions.h"
#include "platform/ctl/edit.h"
#include "platform/gdi/gdi.h"

// --- TCustomEdit ---

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle = {csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight, csFramed};
  SetBounds(0, 0, 121, 25);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  TControl::SetAutoSize(true);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "EDIT");
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (password_char_ != 0) Params.Style |= ES_PASSWORD;
  if (read_only_) Params.Style |= ES_READONLY;
  if (char_case_ == ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (char_case_ == ecLowerCase) Params.Style |= ES_LOWERCASE;
  if (!hide_selection_) Params.Style |= ES_NOHIDESEL;
  if (border_style_ == bsSingle) AddFramedBorder(Params);
}

void TCustomEdit::CreateWnd() {
  creating_ = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    creating_ = false;
    throw;
  }
  creating_ = false;
  SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  if (password_char_ != 0) SendMessage(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(password_char_), 0);
  SendMessage(Handle(), EM_SETMODIFY, modified_ ? TRUE : FALSE, 0);
  AdjustHeight();
}

void TCustomEdit::DestroyWnd() {
  modified_ = Modified();
  TWinControl::DestroyWnd();
}

void TCustomEdit::Loaded() {
  TWinControl::Loaded();
  AdjustHeight();
}

void TCustomEdit::AdjustHeight() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // The line, with room for the sunken edge and a margin (or a plain
  // border).
  const int border = GetSystemMetrics(SM_CYBORDER) * (border_style_ == bsSingle && Ctl3D() ? 8 : 6);
  SetHeight(metrics.tmHeight + border);
}

void TCustomEdit::SetMaxLength(int Value) {
  if (max_length_ == Value) return;
  max_length_ = std::max(Value, 0);
  if (HandleAllocated()) SendMessage(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (read_only_ == Value) return;
  read_only_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), EM_SETREADONLY, Value ? TRUE : FALSE, 0);
}

void TCustomEdit::SetPasswordChar(char Value) {
  if (password_char_ == Value) return;
  password_char_ = Value;
  if (HandleAllocated()) {
    SendMessage(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(Value), 0);
    Invalidate();
  }
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (char_case_ == Value) return;
  char_case_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (hide_selection_ == Value) return;
  hide_selection_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (border_style_ == Value) return;
  border_style_ = Value;
  AdjustHeight();
  RecreateWnd();
}

bool TCustomEdit::Modified() {
  if (!HandleAllocated()) return modified_;
  return SendMessage(Handle(), EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool Value) {
  modified_ = Value;
  if (HandleAllocated()) SendMessage(Handle(), EM_SETMODIFY, Value ? TRUE : FALSE, 0);
}

void TCustomEdit::GetSel(DWORD& Start, DWORD& End) {
  Start = 0;
  End = 0;
  SendMessage(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
}

int TCustomEdit::SelStart() {
  DWORD start = 0;
  DWORD end = 0;
  GetSel(start, end);
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int Value) {
  SendMessage(Handle(), EM_SETSEL, static_cast<WPARAM>(Value), Value);
}

int TCustomEdit::SelLength() {
  DWORD start = 0;
  DWORD end = 0;
  GetSel(start, end);
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int Value) {
  DWORD start = 0;
  DWORD end = 0;
  GetSel(start, end);
  SendMessage(Handle(), EM_SETSEL, start, static_cast<LPARAM>(start) + Value);
  SendMessage(Handle(), EM_SCROLLCARET, 0, 0);
}

String TCustomEdit::SelText() {
  DWORD start = 0;
  DWORD end = 0;
  GetSel(start, end);
  const String text = Text();
  if (start >= text.size()) return String();
  return text.substr(start, end - start);
}

void TCustomEdit::SetSelText(const String& Value) {
  SendMessage(Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() { SendMessage(Handle(), EM_SETSEL, 0, -1); }

void TCustomEdit::Clear() { SetText(String()); }

void TCustomEdit::ClearSelection() { SendMessage(Handle(), WM_CLEAR, 0, 0); }

void TCustomEdit::CopyToClipboard() { SendMessage(Handle(), WM_COPY, 0, 0); }

void TCustomEdit::CutToClipboard() { SendMessage(Handle(), WM_CUT, 0, 0); }

void TCustomEdit::PasteFromClipboard() { SendMessage(Handle(), WM_PASTE, 0, 0); }

bool TCustomEdit::CanUndo() { return HandleAllocated() && SendMessage(Handle(), EM_CANUNDO, 0, 0) != 0; }

void TCustomEdit::Undo() { SendMessage(Handle(), EM_UNDO, 0, 0); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == EN_CHANGE && !creating_) Change();
      return;
    case CM_TEXTCHANGED:
      // A multi-line field tells no change of its text set in code; a
      // field without a window cannot: the control tells.
      TWinControl::Dispatch(Message);
      if (!HandleAllocated() || (GetWindowLongPtr(Handle(), GWL_STYLE) & ES_MULTILINE)) Change();
      return;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      AdjustHeight();
      return;
    case CM_ENTER:
      if (AutoSelect && !ControlState.Contains(csLButtonDown) &&
          !(GetWindowLongPtr(Handle(), GWL_STYLE) & ES_MULTILINE)) {
        SelectAll();
      }
      break;
  }
  TWinControl::Dispatch(Message);
}

// --- TMemoStrings ---

int TMemoStrings::Count() const {
  HWND h = memo_->Handle();
  int count = static_cast<int>(SendMessage(h, EM_GETLINECOUNT, 0, 0));
  // An empty last line (text ending with a line break) is no line.
  const LRESULT last = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
  if (SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(last), 0) == 0) --count;
  return count;
}

String TMemoStrings::Get(int Index) const {
  HWND h = memo_->Handle();
  const LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
  if (start < 0 || Index < 0) Error(SysConst::SListIndexError, Index);
  const int length = static_cast<int>(SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0));
  std::vector<char> buffer(static_cast<std::size_t>(std::max(length, 2)) + 1, '\0');
  const WORD room = static_cast<WORD>(buffer.size());
  std::copy(reinterpret_cast<const char*>(&room), reinterpret_cast<const char*>(&room) + sizeof room, buffer.begin());
  const LRESULT copied =
      SendMessage(h, EM_GETLINE, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(buffer.data()));
  return String(buffer.data(), static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
}

void TMemoStrings::Put(int Index, const String& S) {
  HWND h = memo_->Handle();
  const LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
  if (start < 0 || Index < 0) Error(SysConst::SListIndexError, Index);
  const LRESULT length = SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(start), start + length);
  SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(S.c_str()));
}

void TMemoStrings::Insert(int Index, const String& S) {
  if (Index < 0) Error(SysConst::SListIndexError, Index);
  HWND h = memo_->Handle();
  LRESULT at = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
  String line;
  if (at >= 0) {
    line = S + "\r\n";
  } else {
    // After the last line, which has no line break yet.
    at = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(Index - 1), 0);
    if (at < 0) Error(SysConst::SListIndexError, Index);
    at += SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(at), 0);
    line = "\r\n" + S;
  }
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(at), at);
  SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void TMemoStrings::Delete(int Index) {
  HWND h = memo_->Handle();
  const LRESULT start = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
  if (start < 0 || Index < 0) Error(SysConst::SListIndexError, Index);
  LRESULT end = SendMessage(h, EM_LINEINDEX, static_cast<WPARAM>(Index + 1), 0);
  if (end < 0) end = start + SendMessage(h, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessage(h, EM_SETSEL, static_cast<WPARAM>(start), end);
  SendMessage(h, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

void TMemoStrings::Clear() { memo_->Clear(); }

void TMemoStrings::SetText(const String& Value) { memo_->SetText(Value); }

void TMemoStrings::SetUpdateState(bool Updating) {
  if (!memo_->HandleAllocated()) return;
  SendMessage(memo_->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
  if (!Updating) memo_->Refresh();
}

// --- TCustomMemo ---

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), lines_(std::make_unique<TMemoStrings>(this)) {
  SetBounds(0, 0, 185, 89);
  SetAutoSize(false);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= ES_MULTILINE;
  if (WantReturns) Params.Style |= ES_WANTRETURN;
  if (word_wrap_) Params.Style &= ~ES_AUTOHSCROLL;
  if (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth) Params.Style |= WS_HSCROLL;
  if (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth) Params.Style |= WS_VSCROLL;
  // Aligned from the right, the window's own style mirrors the alignment.
  if (alignment_ == taCenter) Params.Style |= ES_CENTER;
  if (alignment_ == taRightJustify && !UseRightToLeftAlignment()) Params.Style |= ES_RIGHT;
}

void TCustomMemo::SetWordWrap(bool Value) {
  if (word_wrap_ == Value) return;
  word_wrap_ = Value;
  RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (scroll_bars_ == Value) return;
  scroll_bars_ = Value;
  RecreateWnd();
}

void TCustomMemo::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  RecreateWnd();
}

void TCustomMemo::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomEdit::Dispatch(Message);
    if (WantTabs) {
      Message.Result |= DLGC_WANTTAB;
    } else {
      Message.Result &= ~DLGC_WANTTAB;
    }
    if (!WantReturns) Message.Result &= ~DLGC_WANTALLKEYS;
    return;
  }
  TCustomEdit::Dispatch(Message);
}

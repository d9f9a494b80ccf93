#include "classlib/UpDown.h"

#include <algorithm>

#include "platform/ctl/scroll_bar.h"
#include "platform/ctl/up_down.h"

TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle.Exclude(csClickEvents);
  SetBounds(0, 0, 17, 25);
}

void TCustomUpDown::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "msctls_updown32");
  Params.Style |= UDS_ARROWKEYS;
  if (wrap_) Params.Style |= UDS_WRAP;
  if (orientation_ == udHorizontal) Params.Style |= UDS_HORZ;
}

void TCustomUpDown::CreateWnd() {
  TWinControl::CreateWnd();
  SendRange();
  UDACCEL accel{0, static_cast<UINT>(increment_)};
  SendMessage(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  SendMessage(Handle(), UDM_SETPOS32, 0, position_);
}

void TCustomUpDown::DestroyWnd() {
  position_ = Position();
  TWinControl::DestroyWnd();
}

void TCustomUpDown::SendRange() {
  if (HandleAllocated()) SendMessage(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TCustomUpDown::SetMin(int Value) {
  if (min_ == Value) return;
  min_ = Value;
  SendRange();
}

void TCustomUpDown::SetMax(int Value) {
  if (max_ == Value) return;
  max_ = Value;
  SendRange();
}

int TCustomUpDown::Position() {
  if (!HandleAllocated()) return position_;
  return static_cast<int>(SendMessage(Handle(), UDM_GETPOS32, 0, 0));
}

void TCustomUpDown::SetPosition(int Value) {
  position_ = std::clamp(Value, std::min(min_, max_), std::max(min_, max_));
  if (HandleAllocated()) SendMessage(Handle(), UDM_SETPOS32, 0, position_);
}

void TCustomUpDown::SetIncrement(int Value) {
  if (increment_ == Value || Value <= 0) return;
  increment_ = Value;
  if (HandleAllocated()) {
    UDACCEL accel{0, static_cast<UINT>(increment_)};
    SendMessage(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  }
}

void TCustomUpDown::SetWrap(bool Value) {
  if (wrap_ == Value) return;
  wrap_ = Value;
  RecreateWnd();
}

void TCustomUpDown::SetOrientation(TUDOrientation Value) {
  if (orientation_ == Value) return;
  orientation_ = Value;
  RecreateWnd();
}

bool TCustomUpDown::CanChange(int /*NewValue*/, int /*Delta*/) {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomUpDown::Click(TUDBtnType Button) {
  if (OnClick) OnClick(this, Button);
}

void TCustomUpDown::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
      if (header->code == UDN_DELTAPOS) {
        auto* change = reinterpret_cast<NMUPDOWN*>(Message.LParam);
        Message.Result = CanChange(change->iPos + change->iDelta, change->iDelta) ? 0 : 1;
        return;
      }
      break;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
      if (LOWORD(Message.WParam) == SB_THUMBPOSITION) {
        const int position = Position();
        const TUDBtnType button = position > position_ ? TUDBtnType::btNext : TUDBtnType::btPrev;
        position_ = position;
        Click(button);
      }
      Message.Result = 0;
      return;
  }
  TWinControl::Dispatch(Message);
}

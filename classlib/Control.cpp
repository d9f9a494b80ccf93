#include "classlib/Control.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "classlib/Application.h"
#include "classlib/ControlRef.h"
#include "classlib/DragDrop.h"
#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Menus.h"
#include "classlib/Screen.h"
#include "classlib/WinControl.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/user.h"

namespace {

// The windowless control that gets the mouse through its parent's capture.
TControl* g_capture_control = nullptr;

bool IsDoubleClick(UINT msg) {
  return msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

// One axis of an anchored control: `near` and `far` are the anchors at the
// left (top) and right (bottom), `rule` what the control keeps, `original`
// and `now` the parent's client size then and now.
void FollowAxis(bool near, bool far, int rule, int original, int now, int& pos, int& size) {
  if (original <= 0 || (near && !far)) return;
  if (near) {
    size = std::max(0, now - (original - rule));
  } else if (far) {
    pos = now - (original - rule);
  } else {
    // The centre keeps its proportion of the parent, rounded to the nearest.
    const std::int64_t scaled = (static_cast<std::int64_t>(rule) * now * 2 + original) / (2 * std::int64_t{original});
    pos = static_cast<int>(scaled) - size / 2;
  }
}

}  // namespace

// --- free routines ---

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
  if (KeyData & 0x20000000) shift.Include(ssAlt);
  return shift;
}

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState shift;
  if (Keys & MK_SHIFT) shift.Include(ssShift);
  if (Keys & MK_CONTROL) shift.Include(ssCtrl);
  if (Keys & MK_LBUTTON) shift.Include(ssLeft);
  if (Keys & MK_RBUTTON) shift.Include(ssRight);
  if (Keys & MK_MBUTTON) shift.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
  return shift;
}

bool IsAccel(Word Key, const String& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;  // "&&" is a plain ampersand
      continue;
    }
    const int hot = std::toupper(static_cast<unsigned char>(Caption[i + 1]));
    return Key < 256 && hot == std::toupper(static_cast<int>(Key));
  }
  return false;
}

String GetShortHint(const String& Hint) {
  const auto bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(0, bar);
}

String GetLongHint(const String& Hint) {
  const auto bar = Hint.find('|');
  return bar == String::npos ? Hint : Hint.substr(bar + 1);
}

void ChangeBiDiModeAlignment(TAlignment& Alignment) {
  if (Alignment == taLeftJustify) {
    Alignment = taRightJustify;
  } else if (Alignment == taRightJustify) {
    Alignment = taLeftJustify;
  }
}

TControl* GetCaptureControl() {
  TWinControl* window = FindControl(GetCapture());
  if (window != nullptr && g_capture_control != nullptr && g_capture_control->Parent() == window) {
    return g_capture_control;
  }
  return window;
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  g_capture_control = nullptr;
  if (Control == nullptr) return;
  if (auto* window = dynamic_cast<TWinControl*>(Control)) {
    SetCapture(window->Handle());
    return;
  }
  if (Control->Parent() == nullptr) return;
  HWND parent = Control->Parent()->Handle();
  g_capture_control = Control;
  SetCapture(parent);
}

TCustomForm* GetParentForm(TControl* Control) {
  if (Control == nullptr) return nullptr;
  while (Control->Parent() != nullptr) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

TCustomForm* ValidParentForm(TControl* Control) {
  TCustomForm* form = GetParentForm(Control);
  if (form == nullptr) {
    throw EInvalidOperation(Format(ControlsConst::SParentRequired, Control != nullptr ? Control->Name() : String()));
  }
  return form;
}

// --- TControl ---

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
  constraints_->OnChange = [this](TObject*) { ConstraintsChanged(); };
  ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  font_->OnChange = [this](TObject*) { FontChanged(); };
  WindowProc = [this](TMessage& Message) { WndProc(Message); };
}

TControl::~TControl() {
  if (Application != nullptr) Application->ControlDestroyed(this);
  if (Screen != nullptr) Screen->ControlDestroyed(this);
  if (g_capture_control == this) {
    g_capture_control = nullptr;
    ReleaseCapture();
  }
  if (parent_ != nullptr) parent_->RemoveControl(this);
  // Whoever holds it in a ref (a drag, an event being raised) lets go.
  // (A drag of it has ended already: it held the mouse capture, which its
  // going released.)
  TControlRef::ControlDestroyed(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (parent_ == AParent) return;
  if (static_cast<TControl*>(AParent) == this) throw EInvalidOperation(ControlsConst::SControlParentSetToSelf);
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (AParent != nullptr) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = constraints_->ConstrainWidth(AWidth);
  AHeight = constraints_->ConstrainHeight(AHeight);
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  InvalidateControl(visible_, false);
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  Invalidate();
  UpdateAnchorRules();
  RequestAlign();
  if (!ComponentState().Contains(csLoading)) Resize();
}

TRect TControl::ClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(int AWidth, int AHeight) { SetBounds(left_, top_, AWidth, AHeight); }

TPoint TControl::ClientOrigin() {
  if (parent_ == nullptr) throw EInvalidOperation(Format(ControlsConst::SParentRequired, Name()));
  TPoint origin = parent_->ClientOrigin();
  origin.x += left_;
  origin.y += top_;
  return origin;
}

TPoint TControl::ClientToScreen(const TPoint& Point) {
  const TPoint origin = ClientOrigin();
  return ::Point(Point.x + origin.x, Point.y + origin.y);
}

TPoint TControl::ScreenToClient(const TPoint& Point) {
  const TPoint origin = ClientOrigin();
  return ::Point(Point.x - origin.x, Point.y - origin.y);
}

void TControl::SetAlign(TAlign Value) {
  if (align_ == Value) return;
  align_ = Value;
  // Let go by the alignment, the control is anchored where it stands now.
  UpdateAnchorRules();
  RequestAlign();
}

// --- anchors and size limits ---

void TControl::SetAnchors(TAnchors Value) {
  if (!(Value <= TAnchors{akLeft, akTop, akRight, akBottom})) throw EPropertyError(SysConst::SInvalidPropertyValue);
  if (anchors_ == Value) return;
  anchors_ = Value;
  UpdateAnchorRules();
}

bool TControl::FollowsAnchors() const { return align_ == alNone && !(anchors_ == kDefaultAnchors); }

TPoint TControl::ClientSizeOfParent() const {
  if (parent_ == nullptr) return TPoint{};
  const TRect client = parent_->ClientRect();
  return TPoint{client.right - client.left, client.bottom - client.top};
}

void TControl::UpdateAnchorRules() {
  if (!FollowsAnchors() || parent_ == nullptr || parent_->placing_ == this) return;
  const auto rule = [](bool near, bool far, int pos, int size) {
    if (far) return near ? size : pos;
    return pos + size / 2;
  };
  anchor_rules_.x = rule(anchors_.Contains(akLeft), anchors_.Contains(akRight), left_, width_);
  anchor_rules_.y = rule(anchors_.Contains(akTop), anchors_.Contains(akBottom), top_, height_);
  original_parent_size_ = ClientSizeOfParent();
}

TRect TControl::AnchoredBounds(const TPoint& ParentSize) const {
  int left = left_;
  int top = top_;
  int width = width_;
  int height = height_;
  FollowAxis(anchors_.Contains(akLeft), anchors_.Contains(akRight), anchor_rules_.x, original_parent_size_.x,
             ParentSize.x, left, width);
  FollowAxis(anchors_.Contains(akTop), anchors_.Contains(akBottom), anchor_rules_.y, original_parent_size_.y,
             ParentSize.y, top, height);
  return Bounds(left, top, width, height);
}

void TControl::ConstraintsChanged() {
  // SetBounds takes the size within the new limits.
  SetBounds(left_, top_, width_, height_);
}

void TControl::SetAutoSize(bool Value) {
  if (auto_size_ == Value) return;
  auto_size_ = Value;
  if (Value) AdjustSize();
}

void TControl::AdjustSize() {
  if (!auto_size_ || ComponentState().Contains(csLoading)) return;
  int width = width_;
  int height = height_;
  if (CanAutoSize(width, height)) SetBounds(left_, top_, width, height);
}

bool TControl::CanAutoSize(int& /*NewWidth*/, int& /*NewHeight*/) { return false; }

void TControl::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
  RequestAlign();
}

void TControl::Show() { SetVisible(true); }

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool Value) {
  if (enabled_ == Value) return;
  enabled_ = Value;
  Perform(CM_ENABLEDCHANGED);
}

String TControl::GetText() { return text_; }

void TControl::SetTextValue(const String& Value) { text_ = Value; }

void TControl::SetText(const String& Value) {
  if (GetText() == Value) return;
  SetTextValue(Value);
  Perform(CM_TEXTCHANGED);
}

void TControl::SetName(const String& NewName) {
  const TComponent* owner = Owner();
  const bool owner_loading = owner != nullptr && dynamic_cast<const TControl*>(owner) != nullptr &&
                             owner->ComponentState().Contains(csLoading);
  const bool change_text = ControlStyle.Contains(csSetCaption) && !ComponentState().Contains(csLoading) &&
                           !owner_loading && Name() == GetText();
  TComponent::SetName(NewName);
  if (change_text) SetText(NewName);
}

void TControl::SetColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  parent_color_ = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (parent_color_ == Value) return;
  parent_color_ = Value;
  if (parent_ != nullptr) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::ParentColorChanged() {
  if (!parent_color_ || parent_ == nullptr) return;
  SetColor(parent_->Color());
  parent_color_ = true;
}

void TControl::FontChanged() {
  parent_font_ = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool Value) {
  if (parent_font_ == Value) return;
  parent_font_ = Value;
  if (parent_ != nullptr) Perform(CM_PARENTFONTCHANGED);
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || parent_ == nullptr) return;
  font_->Assign(parent_->Font());
  parent_font_ = true;
}

void TControl::SetShowHint(bool Value) {
  if (show_hint_ == Value) return;
  show_hint_ = Value;
  parent_show_hint_ = false;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
  if (parent_show_hint_ == Value) return;
  parent_show_hint_ = Value;
  if (parent_ != nullptr) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::ParentShowHintChanged() {
  if (!parent_show_hint_ || parent_ == nullptr) return;
  SetShowHint(parent_->ShowHint());
  parent_show_hint_ = true;
}

void TControl::SetBiDiMode(TBiDiMode Value) {
  if (Value < bdLeftToRight || Value > bdRightToLeftReadingOnly) throw EPropertyError(SysConst::SInvalidPropertyValue);
  parent_bidi_mode_ = false;
  if (bidi_mode_ == Value) return;
  bidi_mode_ = Value;
  Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool Value) {
  if (parent_bidi_mode_ == Value) return;
  parent_bidi_mode_ = Value;
  if (parent_ != nullptr) Perform(CM_PARENTBIDIMODECHANGED);
}

void TControl::ParentBiDiModeChanged() {
  if (!parent_bidi_mode_ || parent_ == nullptr) return;
  SetBiDiMode(parent_->BiDiMode());
  parent_bidi_mode_ = true;
}

UINT TControl::DrawTextBiDiModeFlags(UINT Flags) const {
  if (UseRightToLeftAlignment()) {
    if (Flags & DT_RIGHT) {
      Flags &= ~DT_RIGHT;
    } else if (!(Flags & DT_CENTER)) {
      Flags |= DT_RIGHT;
    }
  }
  if (UseRightToLeftReading()) Flags |= DT_RTLREADING;
  return Flags;
}

void TControl::SetCursor(TCursor Value) {
  if (cursor_ == Value) return;
  cursor_ = Value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  popup_menu_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && popup_menu_ != nullptr && AComponent == static_cast<TComponent*>(popup_menu_)) {
    popup_menu_ = nullptr;
  }
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_ != nullptr) {
    ParentColorChanged();
    ParentFontChanged();
    ParentShowHintChanged();
    ParentBiDiModeChanged();
  }
  // The bounds and the parent's size are the designed ones now.
  UpdateAnchorRules();
  RequestAlign();
  AdjustSize();
}

void TControl::RequestAlign() {
  if (parent_ != nullptr) parent_->AlignControl(this);
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || parent_ == nullptr || !parent_->HandleAllocated()) return;
  const RECT bounds = BoundsRect();
  const bool erase = !(IsOpaque || parent_->ControlStyle.Contains(csOpaque));
  InvalidateRect(parent_->Handle(), &bounds, erase ? TRUE : FALSE);
}

void TControl::Invalidate() { InvalidateControl(visible_, ControlStyle.Contains(csOpaque)); }

void TControl::Repaint() {
  if (!visible_ || parent_ == nullptr || !parent_->HandleAllocated()) return;
  if (ControlStyle.Contains(csOpaque)) {
    HWND window = parent_->Handle();
    HDC dc = GetDC(window);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
    parent_->PaintControls(dc, this);
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
  } else {
    Invalidate();
    parent_->Update();
  }
}

void TControl::Update() {
  if (parent_ != nullptr) parent_->Update();
}

void TControl::BringToFront() {
  if (parent_ != nullptr) parent_->SetZOrder(this, true);
}

void TControl::SendToBack() {
  if (parent_ != nullptr) parent_->SetZOrder(this, false);
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() == Value) return;
  SetCaptureControl(Value ? this : nullptr);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message;
  message.Msg = Msg;
  message.WParam = WParam;
  message.LParam = LParam;
  if (WindowProc) {
    WindowProc(message);
  } else {
    WndProc(message);
  }
  return message.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEMOVE && Message.Msg <= WM_MBUTTONDBLCLK) {
    if (TDragOperation::MouseMessage(this, Message)) return;
    // The press stays an ordinary one unless the mouse moves past the
    // drag threshold before the release.
    if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && drag_mode_ == dmAutomatic) {
      BeginDrag(false);
    }
    if (Application != nullptr) Application->HintMouseMessage(this, Message);
    // A control that takes no double clicks sees a second press.
    if (IsDoubleClick(Message.Msg) && !ControlStyle.Contains(csDoubleClicks)) Message.Msg -= 1;
    if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
      ControlState.Include(csLButtonDown);
    } else if (Message.Msg == WM_LBUTTONUP) {
      ControlState.Exclude(csLButtonDown);
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
      HandleMouseDown(Message, mbLeft, {});
      return;
    case WM_LBUTTONDBLCLK:
      HandleMouseDown(Message, mbLeft, {ssDouble});
      return;
    case WM_RBUTTONDOWN:
      HandleMouseDown(Message, mbRight, {});
      return;
    case WM_RBUTTONDBLCLK:
      HandleMouseDown(Message, mbRight, {ssDouble});
      return;
    case WM_MBUTTONDOWN:
      HandleMouseDown(Message, mbMiddle, {});
      return;
    case WM_MBUTTONDBLCLK:
      HandleMouseDown(Message, mbMiddle, {ssDouble});
      return;
    case WM_LBUTTONUP:
      HandleMouseUp(Message, mbLeft);
      return;
    case WM_RBUTTONUP:
      HandleMouseUp(Message, mbRight);
      return;
    case WM_MBUTTONUP:
      HandleMouseUp(Message, mbMiddle);
      return;
    case WM_MOUSEMOVE:
      DefaultHandler(Message);
      if (!ControlStyle.Contains(csNoStdEvents)) {
        MouseMove(KeysToShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
      }
      return;
    case WM_CANCELMODE:
      HandleCancelMode();
      return;
    case WM_CONTEXTMENU:
      HandleContextMenu(Message);
      return;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
      Invalidate();
      return;
    case CM_VISIBLECHANGED:
      InvalidateControl(true, visible_ && ControlStyle.Contains(csOpaque));
      return;
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      return;
    case CM_PARENTCOLORCHANGED:
      ParentColorChanged();
      return;
    case CM_PARENTSHOWHINTCHANGED:
      ParentShowHintChanged();
      return;
    case CM_BIDIMODECHANGED:
      Invalidate();
      return;
    case CM_PARENTBIDIMODECHANGED:
      ParentBiDiModeChanged();
      return;
    case CM_HITTEST:
      Message.Result = HTCLIENT;
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      // The parents hear of it too, with the control it is about.
      if (parent_ != nullptr) {
        parent_->Perform(Message.Msg, 0, Message.LParam != 0 ? Message.LParam : reinterpret_cast<LPARAM>(this));
      }
      return;
  }
  DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage& /*Message*/) {}

void TControl::HandleMouseDown(TMessage& Message, TMouseButton Button, TShiftState Extra) {
  DefaultHandler(Message);
  if (Button == mbLeft) {
    if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (ControlStyle.Contains(csClickEvents)) {
      ControlState.Include(csClicked);
      if (Extra.Contains(ssDouble)) DblClick();
    }
  }
  if (!ControlStyle.Contains(csNoStdEvents)) {
    MouseDown(Button, KeysToShiftState(Message.WParam) + Extra, GET_X_LPARAM(Message.LParam),
              GET_Y_LPARAM(Message.LParam));
  }
}

void TControl::HandleMouseUp(TMessage& Message, TMouseButton Button) {
  // The default handling of a right release raises the context pop-up,
  // whose handler may delete the control.
  TControlRef self(this);
  DefaultHandler(Message);
  if (!self.Alive()) return;
  const int x = GET_X_LPARAM(Message.LParam);
  const int y = GET_Y_LPARAM(Message.LParam);
  if (Button == mbLeft) {
    if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
    if (ControlState.Contains(csClicked)) {
      ControlState.Exclude(csClicked);
      const TRect client = ClientRect();
      if (x >= client.left && x < client.right && y >= client.top && y < client.bottom) Click();
    }
  }
  if (!ControlStyle.Contains(csNoStdEvents)) MouseUp(Button, KeysToShiftState(Message.WParam), x, y);
}

void TControl::HandleCancelMode() {
  if (MouseCapture()) {
    SetMouseCapture(false);
    // A press that is cut short ends as a release outside the control.
    if (ControlState.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, MAKELPARAM(0xFFFF, 0xFFFF));
  } else {
    ControlState.Exclude(csLButtonDown);
  }
  ControlState.Exclude(csClicked);
}

void TControl::HandleContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  TPoint at{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (at.x != -1 || at.y != -1) at = ScreenToClient(at);
  bool handled = false;
  TControlRef self(this);
  DoContextPopup(at, handled);
  if (handled || !self.Alive()) {
    Message.Result = 1;
    return;
  }
  TPopupMenu* menu = popup_menu_;
  if (menu != nullptr && menu->AutoPopup) {
    TPoint pt{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    if (pt.x == -1 && pt.y == -1) pt = ClientToScreen(Point(0, 0));
    menu->PopupComponent = this;
    menu->Popup(pt.x, pt.y);
    Message.Result = 1;
    return;
  }
  DefaultHandler(Message);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// --- drag and drop, docking, context pop-up ---

namespace {

template <class Enum>
void CheckEnumValue(Enum Value, Enum Last) {
  if (static_cast<int>(Value) < 0 || static_cast<int>(Value) > static_cast<int>(Last)) {
    throw EPropertyError(SysConst::SInvalidPropertyValue);
  }
}

}  // namespace

void TControl::SetDragMode(TDragMode Value) {
  CheckEnumValue(Value, dmAutomatic);
  drag_mode_ = Value;
}

void TControl::SetDragKind(TDragKind Value) {
  CheckEnumValue(Value, dkDock);
  drag_kind_ = Value;
}

void TControl::BeginDrag(bool Immediate, int Threshold) { TDragOperation::Begin(this, Immediate, Threshold); }

void TControl::EndDrag(bool Drop) {
  TDragOperation* drag = TDragOperation::Current();
  if (drag != nullptr && drag->Source() == this) drag->End(Drop);
}

bool TControl::Dragging() const {
  const TDragOperation* drag = TDragOperation::Current();
  return drag != nullptr && drag->Started() && drag->Source() == this;
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DoStartDock(TDragObject*& DragObject) {
  if (OnStartDock) OnStartDock(this, DragObject);
}

void TControl::DoEndDock(TObject* Target, int X, int Y) {
  if (OnEndDock) OnEndDock(this, Target, X, Y);
}

void TControl::DoContextPopup(const TPoint& MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

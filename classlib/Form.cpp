#include "classlib/Form.h"

#include <algorithm>

#include "classlib/Application.h"
#include "classlib/Exceptions.h"
#include "classlib/Menus.h"
#include "classlib/Screen.h"
#include "platform/user/menu.h"

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControl::SetVisible(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 320, 240);
  canvas_->SetControl(this);
  if (Screen != nullptr) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  // The form's components go while it is still a whole form.
  DestroyComponents();
  canvas_->FreeHandle();
  if (Screen != nullptr) Screen->RemoveForm(this);
}

void TCustomForm::EndLoad() {
  TComponent::EndLoad();
  DoCreate();
}

void TCustomForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    // Creation goes on: the application shows what went wrong.
    if (Application == nullptr) throw;
    Application->HandleException(this);
  }
}

void TCustomForm::BeforeDestruction() {
  TWinControl::BeforeDestruction();
  if (Visible() && HandleAllocated()) {
    try {
      Hide();
    } catch (...) {
      if (Application != nullptr) Application->HandleException(this);
    }
  }
  DoDestroy();
}

void TCustomForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    if (Application != nullptr) Application->HandleException(this);
  }
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (menu_ != nullptr && AComponent == static_cast<TComponent*>(menu_)) menu_ = nullptr;
  if (active_control_ != nullptr && AComponent == static_cast<TComponent*>(active_control_)) active_control_ = nullptr;
  if (focused_control_ != nullptr && AComponent == static_cast<TComponent*>(focused_control_)) {
    focused_control_ = nullptr;
  }
}

// --- the frame ---

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  if (ParentWindow() == nullptr && Application != nullptr) Params.WndParent = Application->Handle();
  TBorderIcons icons = border_icons_;
  switch (border_style_) {
    case bsNone:
      Params.Style |= WS_POPUP;
      icons = {};
      break;
    case bsSingle:
      Params.Style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
      Params.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      icons -= TBorderIcons{biMinimize, biMaximize};
      break;
    case bsToolWindow:
      Params.Style |= WS_CAPTION | WS_BORDER;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      icons = icons * TBorderIcons{biSystemMenu};
      break;
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_THICKFRAME;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      icons = icons * TBorderIcons{biSystemMenu};
      break;
  }
  if (icons.Contains(biSystemMenu)) {
    Params.Style |= WS_SYSMENU;
    if (icons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
    if (icons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
    if (icons.Contains(biHelp) && !icons.Contains(biMinimize) && !icons.Contains(biMaximize)) {
      Params.ExStyle |= WS_EX_CONTEXTHELP;
    }
  }
  if (form_style_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (position_ == poDefault || position_ == poDefaultPosOnly) {
    Params.X = CW_USEDEFAULT;
    Params.Y = CW_USEDEFAULT;
  }
  Params.WindowClass.style = CS_DBLCLKS;
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  // The menu bar before the client size, which it takes from.
  if (menu_ != nullptr) menu_->SetWindowHandle(Handle());
  if (client_size_pending_) {
    client_size_pending_ = false;
    TWinControl::SetClientSize(client_width_, client_height_);
  }
}

void TCustomForm::SetClientSize(int AWidth, int AHeight) {
  client_width_ = AWidth;
  client_height_ = AHeight;
  TWinControl::SetClientSize(AWidth, AHeight);
  // The real frame is known once there is a window: the size is given
  // again then (unless another size is set before).
  client_size_pending_ = !HandleAllocated();
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth != Width() || AHeight != Height()) client_size_pending_ = false;
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (border_style_ == Value) return;
  border_style_ = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (border_icons_ == Value) return;
  border_icons_ = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (form_style_ == Value) return;
  form_style_ = Value;
  ApplyStayOnTop();
}

void TCustomForm::ApplyStayOnTop() {
  if (!HandleAllocated()) return;
  SetWindowPos(Handle(), form_style_ == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() { return window_state_; }

void TCustomForm::SetWindowState(TWindowState Value) {
  if (window_state_ == Value) return;
  window_state_ = Value;
  if (showing_ && HandleAllocated()) {
    ShowWindow(Handle(), Value == wsMinimized ? SW_MINIMIZE : Value == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
  }
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  if (menu_ == Value) return;
  if (menu_ != nullptr) menu_->SetWindowHandle(nullptr);
  menu_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
  if (!HandleAllocated() || ComponentState().Contains(csLoading)) return;
  if (Value != nullptr) {
    Value->SetWindowHandle(Handle());
  } else {
    ::SetMenu(Handle(), nullptr);
  }
}

// --- focus ---

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (active_control_ == Control) return;
  if (Control != nullptr) {
    const bool ours = Control != this && GetParentForm(Control) == this;
    if (!ours || (!ComponentState().Contains(csLoading) && !Control->CanFocus())) {
      throw EInvalidOperation(ControlsConst::SCannotFocus);
    }
  }
  active_control_ = Control;
  if (!ComponentState().Contains(csLoading) && active_) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool was_active = active_;
  SetActiveControl(Control);
  if (!was_active) SetFocus();
}

void TCustomForm::SetWindowFocus() {
  TWinControl* target = active_control_;
  if (target == nullptr || !target->CanFocus()) {
    target = FindNextControl(nullptr, true, true, false);
    if (target != nullptr) active_control_ = target;
  }
  HWND window = target != nullptr && target->CanFocus() ? target->Handle() : Handle();
  if (GetFocus() != window) ::SetFocus(window);
}

void TCustomForm::SetFocus() {
  if (active_) return;
  if (!CanFocus()) throw EInvalidOperation(ControlsConst::SCannotFocus);
  SetWindowFocus();
}

bool TCustomForm::CanFocus() { return Visible() && Enabled(); }

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (ComponentState().Contains(csDestroying)) return true;
  if (Control != this) active_control_ = Control;
  if (Screen != nullptr) {
    Screen->SetActiveControl(Control);
  }
  if (focused_control_ == Control) return true;
  // OnExit runs for the controls the focus leaves, innermost first, up to
  // the one that contains the new control; OnEnter for those it enters,
  // outermost first.
  TWinControl* leaving = focused_control_;
  while (leaving != nullptr && leaving != this && !leaving->ContainsControl(Control)) {
    focused_control_ = leaving->Parent();
    leaving->Perform(CM_EXIT);
    leaving = focused_control_;
  }
  TWinControl* common = leaving != nullptr ? leaving : this;
  std::vector<TWinControl*> path;
  for (TWinControl* step = Control; step != nullptr && step != common; step = step->Parent()) {
    path.push_back(step);
  }
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    focused_control_ = *it;
    if (*it != this) (*it)->Perform(CM_ENTER);
  }
  focused_control_ = Control;
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && focused_control_ != nullptr && Control->ContainsControl(focused_control_)) {
    focused_control_ = Control->Parent();
  }
  if (active_control_ != nullptr && Control->ContainsControl(active_control_)) {
    active_control_ = nullptr;
    if (active_ && HandleAllocated() && !ComponentState().Contains(csDestroying)) ::SetFocus(Handle());
  }
}

// --- showing ---

void TCustomForm::SetVisible(bool Value) {
  if (Visible() == Value) return;
  if (FormState.Contains(fsShowing)) throw EInvalidOperation(ControlsConst::SVisibleChanged);
  try {
    TWinControl::SetVisible(Value);
  } catch (...) {
    // A show that raised (its OnShow, say) never put the window on the
    // screen: the form is not visible, and the next Show tries again.
    if (Value && !Showing()) TWinControl::SetVisible(false);
    throw;
  }
}

void TCustomForm::Show() {
  const bool was_visible = Visible();
  SetVisible(true);
  if (was_visible && HandleAllocated()) BringWindowToTop(Handle());
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::PlaceOnScreen() {
  const int screen_width = Screen != nullptr ? Screen->Width() : 0;
  const int screen_height = Screen != nullptr ? Screen->Height() : 0;
  TRect area = Rect(0, 0, screen_width, screen_height);
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      break;
    case poMainFormCenter: {
      TCustomForm* main = Application != nullptr ? Application->MainForm() : nullptr;
      if (main != nullptr && main != this && main->Visible()) area = main->BoundsRect();
      break;
    }
    case poOwnerFormCenter: {
      auto* owner = dynamic_cast<TCustomForm*>(Owner());
      if (owner != nullptr && owner->Visible()) area = owner->BoundsRect();
      break;
    }
    default:
      return;
  }
  int x = area.left + (area.right - area.left - Width()) / 2;
  int y = area.top + (area.bottom - area.top - Height()) / 2;
  x = std::max(x, 0);
  y = std::max(y, 0);
  SetBounds(x, y, Width(), Height());
}

void TCustomForm::ShowingChanged() {
  FormState.Include(fsShowing);
  try {
    if (showing_) {
      DoShow();
      PlaceOnScreen();
      const int command = window_state_ == wsMinimized   ? SW_SHOWMINIMIZED
                          : window_state_ == wsMaximized ? SW_SHOWMAXIMIZED
                                                         : SW_SHOWNORMAL;
      ShowWindow(Handle(), command);
      if (form_style_ == fsStayOnTop) ApplyStayOnTop();
    } else {
      DoHide();
      // A hidden form is no longer the application's active form: whichever
      // form is activated next (this one too, shown again) hears of it.
      if (Screen != nullptr && Screen->ActiveCustomForm() == this) Screen->SetActiveForm(nullptr);
      ShowWindow(Handle(), SW_HIDE);
    }
  } catch (...) {
    FormState.Exclude(fsShowing);
    throw;
  }
  FormState.Exclude(fsShowing);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || FormState.Contains(fsModal)) {
    throw EInvalidOperation(ControlsConst::SCannotShowModal);
  }
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  Application->CancelHint();
  FormState.Include(fsModal);
  HWND active_before = GetActiveWindow();
  const std::vector<HWND> disabled = Application->DisableTaskWindows(nullptr);
  TModalResult result = mrNone;
  try {
    Show();
    ModalResult = mrNone;
    do {
      Application->HandleMessage();
      if (Application->Terminated()) {
        ModalResult = mrCancel;
      } else if (ModalResult != mrNone) {
        CloseModal();
      }
    } while (ModalResult == mrNone);
    result = ModalResult;
    if (GetActiveWindow() != (HandleAllocated() ? Handle() : nullptr)) active_before = nullptr;
  } catch (...) {
    if (Visible()) Hide();
    Application->EnableTaskWindows(disabled);
    FormState.Exclude(fsModal);
    throw;
  }
  // Hidden while the others are still disabled, so that the activation
  // goes nowhere until the window that was active gets it back.
  if (Visible()) Hide();
  Application->EnableTaskWindows(disabled);
  if (active_before != nullptr && IsWindow(active_before)) SetActiveWindow(active_before);
  FormState.Exclude(fsModal);
  return result;
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  switch (action) {
    case caNone:
      ModalResult = mrNone;
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
}

bool TCustomForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (FormState.Contains(fsModal)) {
    ModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application != nullptr && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() { PostMessage(Handle(), CM_RELEASE, 0, 0); }

// --- messages ---

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::HandleActivate(TMessage& Message) {
  const bool activating = LOWORD(Message.WParam) != WA_INACTIVE;
  active_ = activating;
  Message.Result = 0;
  if (!activating || (Application != nullptr && Application->Finishing())) return;
  if (Screen != nullptr) Screen->SetActiveForm(this);
  // OnActivate may have activated another window meanwhile.
  if (!active_) return;
  if (HIWORD(Message.WParam) == 0 && HandleAllocated() && !IsIconic(Handle())) SetWindowFocus();
}

void TCustomForm::PaintWindow(HDC DC) {
  canvas_->FreeHandle();
  canvas_->Lock();
  canvas_->SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
    throw;
  }
  canvas_->SetHandle(nullptr);
  canvas_->Unlock();
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE:
      HandleActivate(Message);
      return;
    case WM_CLOSE:
      Close();
      return;
    case WM_SYSCOMMAND:
      if ((Message.WParam & 0xFFF0) == SC_MINIMIZE && Application != nullptr && Application->MainForm() == this) {
        Application->Minimize();
        return;
      }
      break;
    case WM_SIZE:
      if (Message.WParam == SIZE_MINIMIZED) {
        window_state_ = wsMinimized;
      } else if (Message.WParam == SIZE_MAXIMIZED) {
        window_state_ = wsMaximized;
      } else if (Message.WParam == SIZE_RESTORED) {
        window_state_ = wsNormal;
      }
      break;
    case WM_PAINT:
      ControlState.Include(csCustomPaint);
      try {
        TWinControl::Dispatch(Message);
      } catch (...) {
        ControlState.Exclude(csCustomPaint);
        throw;
      }
      ControlState.Exclude(csCustomPaint);
      return;
    case CM_SHOWINGCHANGED:
      ShowingChanged();
      return;
    case CM_ACTIVATE:
      Activate();
      return;
    case CM_DEACTIVATE:
      Deactivate();
      return;
    case CM_RELEASE:
      delete this;
      return;
    case WM_COMMAND:
      // A command of the menu bar (no control sends it).
      if (Message.LParam == 0 && HIWORD(Message.WParam) == 0 && menu_ != nullptr &&
          menu_->DispatchCommand(LOWORD(Message.WParam))) {
        return;
      }
      break;
    case WM_INITMENUPOPUP:
    case WM_MENUSELECT:
      if (HandleMenuMessage(menu_, Message.Msg, Message.WParam, Message.LParam, Message.Result)) return;
      break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      if (Message.WParam == 0 &&
          HandleMenuMessage(menu_, Message.Msg, Message.WParam, Message.LParam, Message.Result)) {
        return;
      }
      break;
    case CM_ISSHORTCUT:
      if (menu_ != nullptr && menu_->IsShortCut(ShortCut(static_cast<WORD>(Message.WParam),
                                                         KeyDataToShiftState(Message.LParam)))) {
        Message.Result = 1;
      }
      return;
    case CM_DIALOGKEY:
      if (GetKeyState(VK_MENU) >= 0) {
        switch (Message.WParam) {
          case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
              SelectNext(active_control_, GetKeyState(VK_SHIFT) >= 0, true);
              Message.Result = 1;
              return;
            }
            break;
          case VK_LEFT:
          case VK_RIGHT:
          case VK_UP:
          case VK_DOWN:
            if (active_control_ != nullptr && active_control_->Parent() != nullptr) {
              active_control_->Parent()->SelectNext(
                  active_control_, Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
              Message.Result = 1;
            }
            return;
        }
      }
      break;
  }
  TWinControl::Dispatch(Message);
}

#include "desktop/zelTrayIcon.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/Application.h"
#include "classlib/Form.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/WinControl.h"
#include "desktop/zelRoutines.h"
#include "platform/user/icon_file.h"
#include "platform/user/user.h"

namespace {

std::vector<TzelTrayIcon*>& TrayIcons() {
  static std::vector<TzelTrayIcon*> icons;
  return icons;
}

WNDPROC g_previous_app_proc = nullptr;

}  // namespace

TzelTrayIcon::TzelTrayIcon(TComponent* AOwner)
    : TzelCustomTimer(AOwner), icon_(std::make_unique<TIcon>()), change_link_(std::make_unique<TChangeLink>()) {
  SetEnabled(false);
  SetInterval(200);
  SetOnTimer([](TObject*) {});
  change_link_->OnChange = [this](TObject*) { IconFromList(); };
  TrayIcons().push_back(this);
  if (!ComponentState().Contains(csDesigning) && Application != nullptr) {
    app_window_ = Application->Handle();
    if (g_previous_app_proc == nullptr) {
      g_previous_app_proc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtr(app_window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TzelTrayIcon::AppWndProc)));
    }
  }
}

TzelTrayIcon::~TzelTrayIcon() {
  if (visible_) {
    data_.uFlags &= ~NIF_ICON;
    NOTIFYICONDATA data = data_;
    Shell_NotifyIcon(NIM_DELETE, &data);
  }
  auto& icons = TrayIcons();
  icons.erase(std::remove(icons.begin(), icons.end(), this), icons.end());
  if (icons.empty() && g_previous_app_proc != nullptr && app_window_ != nullptr && IsWindow(app_window_)) {
    SetWindowLongPtr(app_window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous_app_proc));
    g_previous_app_proc = nullptr;
  }
  if (image_list_ != nullptr) image_list_->UnRegisterChanges(change_link_.get());
  if (icon_handle_ != nullptr) DestroyIcon(icon_handle_);
}

LRESULT TzelTrayIcon::AppWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE && wparam == SIZE_MINIMIZED) {
    for (TzelTrayIcon* icon : TrayIcons()) {
      if (icon->MinimizeToTray) icon->Minimize();
    }
  }
  return g_previous_app_proc != nullptr ? CallWindowProc(g_previous_app_proc, hwnd, message, wparam, lparam)
                                        : DefWindowProc(hwnd, message, wparam, lparam);
}

void TzelTrayIcon::SetHint(const String& Value) {
  // The tip holds 63 bytes.
  hint_ = ClipUtf8(Value, 63);
  Update();
}

void TzelTrayIcon::SetIcon(TIcon* Value) {
  icon_->Assign(Value);
  TakeIcon();
  Update();
}

void TzelTrayIcon::TakeIcon() {
  if (icon_handle_ != nullptr) DestroyIcon(icon_handle_);
  icon_handle_ = nullptr;
  if (icon_->Empty()) return;
  TMemoryStream bytes;
  icon_->SaveToStream(&bytes);
  icon_handle_ = platform::CreateIconFromIconFile(static_cast<const std::uint8_t*>(bytes.Memory()),
                                                  static_cast<std::size_t>(bytes.Size()), 0);
}

void TzelTrayIcon::IconFromList() {
  if (image_list_ == nullptr || image_index_ < 0 || image_index_ >= image_list_->Count()) return;
  TIcon icon;
  image_list_->GetIcon(image_index_, &icon);
  icon_->Assign(&icon);
  TakeIcon();
  Update();
}

void TzelTrayIcon::SetImageList(TCustomImageList* Value) {
  if (image_list_ != nullptr) image_list_->UnRegisterChanges(change_link_.get());
  image_list_ = Value;
  if (image_list_ != nullptr) {
    image_list_->RegisterChanges(change_link_.get());
    image_list_->FreeNotification(this);
    IconFromList();
  }
}

void TzelTrayIcon::SetImageIndex(int Value) {
  image_index_ = Value;
  IconFromList();
}

void TzelTrayIcon::SetIconID(UINT Value) {
  const bool was = visible_;
  if (was) Hide();
  icon_id_ = Value;
  if (was) Show();
}

void TzelTrayIcon::SetPopupMenu(TPopupMenu* Value) {
  popup_menu_ = Value;
  if (Value != nullptr) Value->FreeNotification(this);
}

void TzelTrayIcon::SetShowHint(bool Value) {
  show_hint_ = Value;
  Update();
}

void TzelTrayIcon::SetVisible(bool Value) {
  if (Value == visible_) return;
  if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading)) {
    visible_ = Value;
    return;
  }
  if (Value) {
    Show();
  } else {
    Hide();
  }
}

void TzelTrayIcon::UpdateNotifyData() {
  data_.cbSize = 88;
  data_.hWnd = WindowHandle();
  data_.uID = icon_id_;
  data_.uFlags |= NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kCallbackMessage;
  data_.hIcon = icon_handle_;
  const String tip = show_hint_ ? hint_ : String();
  std::memset(data_.szTip, 0, sizeof data_.szTip);
  std::memcpy(data_.szTip, tip.data(), std::min<std::size_t>(tip.size(), sizeof data_.szTip - 1));
}

void TzelTrayIcon::Update() {
  UpdateNotifyData();
  if (visible_) Shell_NotifyIcon(NIM_MODIFY, &data_);
}

void TzelTrayIcon::Show() {
  try {
    UpdateNotifyData();
    data_.uFlags |= NIF_ICON;
    Shell_NotifyIcon(NIM_ADD, &data_);
  } catch (const Exception&) {
    throw EzelTrayIcon(Format("%s.InsertToTray failed", {Name()}));
  }
  visible_ = true;
  if (OnShow) OnShow(this);
}

void TzelTrayIcon::Hide() {
  try {
    data_.uFlags &= ~NIF_ICON;
    Shell_NotifyIcon(NIM_DELETE, &data_);
  } catch (const Exception&) {
    throw EzelTrayIcon(Format("%s.DeleteFromTray failed", {Name()}));
  }
  visible_ = false;
  if (OnHide) OnHide(this);
  if (MinimizeToTray) ShowApplication();
  if (auto* control = dynamic_cast<TWinControl*>(Owner()); control != nullptr && !control->Visible()) {
    control->Show();
  }
}

void TzelTrayIcon::ShowApplication() {
  if (Application == nullptr) return;
  if (Application->HandleAllocated()) ShowWindow(Application->Handle(), SW_SHOWNORMAL);
  if (Application->MainForm() != nullptr) Application->MainForm()->Show();
}

void TzelTrayIcon::HideApplication() {
  if (Application == nullptr) return;
  if (Application->HandleAllocated() && IsWindowVisible(Application->Handle())) {
    ShowWindow(Application->Handle(), SW_HIDE);
  }
  if (Application->MainForm() != nullptr) Application->MainForm()->Hide();
}

void TzelTrayIcon::Minimize() {
  if (ComponentState().Contains(csDesigning)) return;
  HideApplication();
  SetVisible(true);
  if (OnMinimize) OnMinimize(this);
}

void TzelTrayIcon::PopupAtCursor() {
  if (popup_menu_ == nullptr || !popup_menu_->AutoPopup) return;
  POINT point{};
  GetCursorPos(&point);
  if (Application != nullptr) Application->ProcessMessages();
  if (auto* control = dynamic_cast<TWinControl*>(Owner())) SetForegroundWindow(control->Handle());
  popup_menu_->PopupComponent = this;
  popup_menu_->Popup(point.x, point.y);
  if (auto* control = dynamic_cast<TWinControl*>(Owner())) PostMessage(control->Handle(), WM_NULL, 0, 0);
  if (OnPopupMenu) OnPopupMenu(this);
}

void TzelTrayIcon::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TzelTrayIcon::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TzelTrayIcon::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TzelTrayIcon::Click() {
  if (OnClick) OnClick(this);
}

void TzelTrayIcon::DblClick() {
  if (popup_menu_ != nullptr && popup_menu_->AutoPopup && !PopupByLeft) {
    TMenuItem* items = popup_menu_->Items();
    for (int i = 0; items != nullptr && i < items->Count(); ++i) {
      if (items->Items(i)->Default()) {
        items->Items(i)->Click();
        break;
      }
    }
    if (OnDblClick) OnDblClick(this);
    if (auto* control = dynamic_cast<TWinControl*>(Owner())) SetForegroundWindow(control->Handle());
    return;
  }
  if (auto* control = dynamic_cast<TWinControl*>(Owner())) {
    if (MinimizeToTray && control->Visible()) {
      HideApplication();
    } else {
      ShowApplication();
    }
  }
  if (OnDblClick) OnDblClick(this);
}

void TzelTrayIcon::WndProc(TMessage& Message) {
  if (Message.Msg == kCallbackMessage) {
    if (ComponentState().Contains(csDesigning) || !IconEnabled) return;
    POINT point{};
    GetCursorPos(&point);
    const TShiftState shift = GetShiftState();
    auto* control = dynamic_cast<TWinControl*>(Owner());
    switch (static_cast<UINT>(Message.LParam)) {
      case WM_MOUSEMOVE: MouseMove(shift, point.x, point.y); break;
      case WM_LBUTTONDOWN:
        MouseDown(mbLeft, shift + TShiftState{ssLeft}, point.x, point.y);
        left_pressed_ = true;
        break;
      case WM_LBUTTONUP:
        if (control != nullptr) SetForegroundWindow(control->Handle());
        MouseUp(mbLeft, shift, point.x, point.y);
        if (left_pressed_) Click();
        if (PopupByLeft) PopupAtCursor();
        left_pressed_ = false;
        break;
      case WM_LBUTTONDBLCLK: DblClick(); break;
      case WM_RBUTTONDOWN: MouseDown(mbRight, shift + TShiftState{ssRight}, point.x, point.y); break;
      case WM_RBUTTONUP:
        MouseUp(mbRight, shift, point.x, point.y);
        PopupAtCursor();
        break;
      case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift + TShiftState{ssMiddle}, point.x, point.y); break;
      case WM_MBUTTONUP: MouseUp(mbMiddle, shift, point.x, point.y); break;
    }
    return;
  }
  if (Message.Msg == WM_QUERYENDSESSION) {
    Message.Result = 1;
    return;
  }
  if (Message.Msg == TaskbarCreatedMessage) {
    if (visible_) {
      Hide();
      Show();
    }
    return;
  }
  TzelCustomTimer::WndProc(Message);
}

void TzelTrayIcon::Timer() {
  if (image_list_ != nullptr) {
    SetImageIndex(image_index_ >= image_list_->Count() - 1 ? 0 : image_index_ + 1);
  }
  if (OnCycleIcons) OnCycleIcons(this);
}

void TzelTrayIcon::Loaded() {
  TzelCustomTimer::Loaded();
  if (ComponentState().Contains(csDesigning)) return;
  if (MinimizeOnStart) {
    if (Application != nullptr) Application->ShowMainForm = false;
    Minimize();
  }
  if (visible_) {
    visible_ = false;
    Show();
  }
}

void TzelTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TzelCustomTimer::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == static_cast<TComponent*>(popup_menu_)) popup_menu_ = nullptr;
  if (AComponent == static_cast<TComponent*>(image_list_)) image_list_ = nullptr;
}

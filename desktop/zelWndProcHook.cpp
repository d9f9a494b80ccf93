#include "desktop/zelWndProcHook.h"

#include <algorithm>
#include <map>
#include <vector>

#include "classlib/WinControl.h"
#include "platform/user/user.h"

// Every hook, in the order made, and each hooked window's own procedure.
struct HookChains {
  std::vector<TzelCustomWndProcHook*> hooks;
  std::map<HWND, WNDPROC> own_procs;

  static HookChains& Get() {
    static HookChains chains;
    return chains;
  }

  // The active hooks on a window, oldest first.
  std::vector<TzelCustomWndProcHook*> On(HWND hwnd) const {
    std::vector<TzelCustomWndProcHook*> result;
    for (TzelCustomWndProcHook* hook : hooks) {
      if (hook->hooked_ && hook->hooked_window_ == hwnd) result.push_back(hook);
    }
    return result;
  }

  static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto chain = Get().On(hwnd);
    TMessage msg{message, wparam, lparam, 0};
    if (chain.empty()) {
      auto own = Get().own_procs.find(hwnd);
      return own != Get().own_procs.end() ? CallWindowProc(own->second, hwnd, message, wparam, lparam)
                                          : DefWindowProc(hwnd, message, wparam, lparam);
    }
    chain.back()->WndProc(msg);
    return msg.Result;
  }
};

TzelCustomWndProcHook::TzelCustomWndProcHook(TComponent* AOwner) : TzelComponent(AOwner) {
  HookChains::Get().hooks.push_back(this);
}

TzelCustomWndProcHook::~TzelCustomWndProcHook() {
  Unhook();
  auto& hooks = HookChains::Get().hooks;
  hooks.erase(std::remove(hooks.begin(), hooks.end(), this), hooks.end());
}

HWND TzelCustomWndProcHook::GetHandle() const {
  if (handle_ != nullptr && handle_ != reinterpret_cast<HWND>(INVALID_HANDLE_VALUE)) return handle_;
  TWinControl* control = GetWinControl();
  if (control == nullptr) return reinterpret_cast<HWND>(INVALID_HANDLE_VALUE);
  if (!control->HandleAllocated() &&
      (control->ComponentState().Contains(csLoading) || control->ComponentState().Contains(csReading))) {
    return reinterpret_cast<HWND>(INVALID_HANDLE_VALUE);
  }
  return control->Handle();
}

TWinControl* TzelCustomWndProcHook::GetWinControl() const {
  if (win_control_ != nullptr) return win_control_;
  return dynamic_cast<TWinControl*>(Owner());
}

void TzelCustomWndProcHook::SetHandle(HWND Value) {
  if (Value == handle_) return;
  const bool was = active_;
  SetActive(false);
  handle_ = Value;
  SetActive(was);
  if (OnChangeHandle) OnChangeHandle(this);
}

void TzelCustomWndProcHook::SetWinControl(TWinControl* Value) {
  if (Value == win_control_) return;
  const bool was = active_;
  SetActive(false);
  win_control_ = Value;
  if (Value != nullptr && static_cast<TComponent*>(Value) != Owner()) Value->FreeNotification(this);
  SetActive(was);
  if (OnChangeWinControl) OnChangeWinControl(this);
}

void TzelCustomWndProcHook::SetActive(bool Value) {
  if (Value == active_) return;
  active_ = Value;
  if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading)) return;
  if (Value) {
    Hook();
  } else {
    Unhook();
  }
}

void TzelCustomWndProcHook::Hook() {
  const HWND hwnd = GetHandle();
  if (hwnd == reinterpret_cast<HWND>(INVALID_HANDLE_VALUE) || hwnd == nullptr || !IsWindow(hwnd)) return;
  active_ = true;
  if (hooked_) return;
  HookChains& chains = HookChains::Get();
  if (chains.On(hwnd).empty()) {
    chains.own_procs[hwnd] = reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd, GWLP_WNDPROC));
    SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookChains::Procedure));
  }
  hooked_window_ = hwnd;
  hooked_ = true;
}

void TzelCustomWndProcHook::Unhook() {
  active_ = false;
  if (!hooked_) return;
  hooked_ = false;
  HookChains& chains = HookChains::Get();
  const HWND hwnd = hooked_window_;
  hooked_window_ = nullptr;
  if (chains.On(hwnd).empty()) {
    auto own = chains.own_procs.find(hwnd);
    if (own != chains.own_procs.end()) {
      if (IsWindow(hwnd)) SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own->second));
      chains.own_procs.erase(own);
    }
  }
}

LRESULT TzelCustomWndProcHook::CallOld(TMessage& Message) {
  HookChains& chains = HookChains::Get();
  const auto chain = chains.On(hooked_window_);
  auto at = std::find(chain.begin(), chain.end(), this);
  if (at != chain.end() && at != chain.begin()) {
    TMessage copy = Message;
    (*(at - 1))->WndProc(copy);
    return copy.Result;
  }
  auto own = chains.own_procs.find(hooked_window_);
  if (own == chains.own_procs.end()) {
    return DefWindowProc(hooked_window_, Message.Msg, Message.WParam, Message.LParam);
  }
  return CallWindowProc(own->second, hooked_window_, Message.Msg, Message.WParam, Message.LParam);
}

void TzelCustomWndProcHook::WndProc(TMessage& Message) {
  const HWND hwnd = hooked_window_;
  bool handled = false;
  if (OnMessageBefore) OnMessageBefore(this, Message, handled);
  if (!handled) {
    if (Message.Msg == WM_LBUTTONDOWN && AutoDrag && IsWindow(hwnd)) {
      ReleaseCapture();
      SendMessage(hwnd, WM_SYSCOMMAND, 61458, 0);
    } else {
      Message.Result = CallOld(Message);
    }
  }
  if (OnMessageAfter) OnMessageAfter(this, Message, handled);
}

void TzelCustomWndProcHook::Loaded() {
  TzelComponent::Loaded();
  if (active_) {
    active_ = false;
    SetActive(true);
  }
}

void TzelCustomWndProcHook::Notification(TComponent* AComponent, TOperation Operation) {
  TzelComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == static_cast<TComponent*>(win_control_)) {
    Unhook();
    win_control_ = nullptr;
  }
  if (AComponent == this) SetActive(false);
}

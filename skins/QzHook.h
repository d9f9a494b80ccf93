// Hooks on a window control's messages: a TscHook sees every message of
// its control before and after the control's own window procedure. One
// TControlHook per control subclasses the control's window and holds its
// hooks; the global THookList owns the control hooks and a hidden window
// through which a hook is re-installed after the control's window was made
// again, and a control hook left without hooks is freed later.
#pragma once

#include <functional>
#include <vector>

#include "classlib/Components.h"
#include "classlib/MessageHandling.h"
#include "classlib/WinControl.h"

using THookMessageEvent = std::function<void(TObject* Sender, TMessage& Message, bool& Handled)>;

// Messages of the hook list's window.
inline constexpr UINT WM_QZHOOK_REINSTALL = 0xB052;
inline constexpr UINT WM_QZHOOK_FREE = 0xB053;

class TControlHook;

class TscHook : public TComponent {
 public:
  explicit TscHook(TComponent* AOwner);
  ~TscHook() override;

  bool Active() const { return active_; }
  void SetActive(bool Value);
  TWinControl* WinControl() const;
  void SetWinControl(TWinControl* Value);
  TControlHook* ControlHook = nullptr;

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

  virtual void DoAfterMessage(TMessage& Message, bool& Handled);
  virtual void DoBeforeMessage(TMessage& Message, bool& Handled);

  // The stored form: "IsForm" stands for WinControl being the owner form.
  bool IsForm() const;
  void SetIsForm(bool Value);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Hook();
  void Unhook();
  // Has the control hook of Control freed when no hook is left on it.
  static void FreeUnusedControlHook(TWinControl* Control);
  bool active_ = true;
  TWinControl* win_control_ = nullptr;
};

class TControlHook {
 public:
  TControlHook() = default;
  ~TControlHook();
  TControlHook(const TControlHook&) = delete;
  TControlHook& operator=(const TControlHook&) = delete;

  void AddHook(TscHook* Hook);
  void RemoveHook(TscHook* Hook);
  void Install();
  void Uninstall();
  void WndProc(TMessage& Message);

  TWinControl* Control = nullptr;
  WNDPROC NewWndProc = nullptr;  // this hook's stub
  WNDPROC OldWndProc = nullptr;
  std::vector<TscHook*> Hooks;   // oldest first
  bool Destroying = false;

 private:
  friend struct HookStubs;
  int stub_ = -1;
  HWND installed_on_ = nullptr;
};

class THookList {
 public:
  THookList();
  ~THookList();
  TControlHook* FindControlHook(TWinControl* Control);
  TControlHook* GetControlHook(TWinControl* Control);
  bool Contains(TControlHook* Hook) const;
  void Remove(TControlHook* Hook);

  std::vector<TControlHook*> Items;
  HWND Window = nullptr;

 private:
  void WindowMethod(TMessage& Message);
};

THookList* GetHookList();
// Frees the global list (at the end of the program, or between tests).
void FreeHookList();

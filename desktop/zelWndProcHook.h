// TzelWndProcHook: hooks the window procedure of a windowed control or of
// any window handle. Several hooks on one window form a chain in the order
// they were made: messages reach the newest active hook first and flow on
// towards the window's own procedure. OnMessageBefore may handle a message
// (it then goes no further); OnMessageAfter sees it after. With AutoDrag a
// left button press drags the window.
#pragma once

#include <functional>

#include "classlib/MessageHandling.h"
#include "desktop/zelComponent.h"

class TWinControl;

using TzelMessageEvent = std::function<void(TObject* Sender, TMessage& Message, bool& Handled)>;

class TzelCustomWndProcHook : public TzelComponent {
 public:
  explicit TzelCustomWndProcHook(TComponent* AOwner);
  ~TzelCustomWndProcHook() override;

  bool Active() const { return active_; }
  virtual void SetActive(bool Value);
  bool AutoDrag = false;
  virtual HWND GetHandle() const;
  virtual void SetHandle(HWND Value);
  virtual TWinControl* GetWinControl() const;
  virtual void SetWinControl(TWinControl* Value);

  TNotifyEvent OnChangeHandle;
  TNotifyEvent OnChangeWinControl;
  TzelMessageEvent OnMessageAfter;
  TzelMessageEvent OnMessageBefore;

  virtual void Hook();
  virtual void Unhook();
  virtual void WndProc(TMessage& Message);

  // The next procedure of the chain (towards the window's own).
  LRESULT CallOld(TMessage& Message);

 protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend struct HookChains;
  bool active_ = false;
  bool hooked_ = false;
  HWND handle_ = nullptr;
  HWND hooked_window_ = nullptr;
  TWinControl* win_control_ = nullptr;
};

class TzelWndProcHook : public TzelCustomWndProcHook {
 public:
  using TzelCustomWndProcHook::TzelCustomWndProcHook;
};

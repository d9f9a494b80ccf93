// The modal dialog windows of the dialog layer (message box, open and save
// file dialogs, browse for folder): a captioned popup window with child
// controls, run in a modal loop of its own.
//
// While a dialog runs its owner (the top-level window of the window given)
// is disabled; when it ends the owner is enabled again before the dialog
// window goes, so activation returns to the owner. The owner gets
// WM_ENTERIDLE (MSGF_DIALOGBOX, lParam the dialog) each time the loop waits
// for input. The keyboard works as in the platform's dialogs: Tab and
// Shift+Tab move among WS_TABSTOP controls, the arrows among the controls
// of a group, Enter presses the focused push button or the default one, Esc
// is IDCANCEL, and a control's "&" letter (with Alt, or alone when the
// focused control takes no characters) presses or focuses it; a control
// that asks for keys with WM_GETDLGCODE gets them (IsDialogMessage).
#pragma once

#include <string>

#include "platform/core/types.h"
#include "platform/dlg/message_box.h"
#include "platform/user/user.h"

namespace platform::dlg {

class DialogWindow {
 public:
  DialogWindow() = default;
  virtual ~DialogWindow();
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Makes the window (client area `client` pixels, centred on the owner or
  // the screen), lets OnCreate add the controls, shows it and runs until
  // End. `task_modal`: with no owner, every enabled top-level window of the
  // thread is disabled instead. Returns End's value, or `cancel_result`
  // when the loop stops for WM_QUIT or the window is destroyed.
  int RunModal(HWND owner, const std::string& caption, SIZE client, bool topmost, bool task_modal,
               int cancel_result);
  void End(int result);
  HWND hwnd() const { return hwnd_; }
  // The dialog font (the platform's message font).
  static HFONT Font();

 protected:
  // Adds the controls (the window exists, hidden).
  virtual void OnCreate() {}
  // The control that has the focus first; null: the first tab stop.
  virtual HWND InitialFocus() { return nullptr; }
  // WM_COMMAND from a control or the keyboard (IDOK, IDCANCEL).
  virtual void OnCommand(int id, WORD code, HWND control) = 0;
  // Paints what is not a control (icons, text) on the dialog's face.
  virtual void OnPaint(HDC) {}
  // Any other message; return true when it was handled with *result.
  virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
  // Esc and the close box send IDCANCEL unless this says no.
  virtual bool CanCancel() const { return true; }
  // The id Enter presses when the focus is not on a push button.
  virtual int DefaultId() const { return IDOK; }

  // A push button with the dialog font.
  HWND AddButton(int id, const char* text, const RECT& rect, bool is_default);
  // A child control of any class with the dialog font.
  HWND AddControl(const char* class_name, const char* text, DWORD style, DWORD ex_style,
                  const RECT& rect, int id);

 private:
  friend LRESULT DialogProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  bool ended_ = false;
  int result_ = 0;
  HWND saved_focus_ = nullptr;
};

}  // namespace platform::dlg

// Message boxes. MessageBox shows a modal box owned by `owner` and returns the
// button chosen. Tests answer boxes through a hook that sees every request and
// chooses the button, without a modal loop.
#pragma once

#include <functional>
#include <string>

#include "platform/core/types.h"
#include "platform/user/beep.h"

// Button sets.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
// Modality and placement.
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

// Results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace platform {

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = MB_OK;

  UINT buttons() const { return type & MB_TYPEMASK; }
  UINT icon() const { return type & MB_ICONMASK; }
  // The button that Enter chooses (MB_DEFBUTTONn of the button set).
  int DefaultButton() const;
};

// A hook answers every message box while it is installed: it receives the
// request and returns the button (one of the box's own buttons). An empty
// function removes the hook. Returns the previous hook.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// What shows a box when no hook is installed. The platform's modal box
// window (ShowModalMessageBox) is installed when the library loads; without
// a presenter a box answers with its default button. Returns the previous
// presenter.
using MessageBoxPresenter = std::function<int(const MessageBoxRequest&)>;
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// The modal message box window: a dialog frame with the caption, the icon,
// the text wrapped to a sensible width and the set's buttons ("OK",
// "Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No"), centred on its
// owner. The owner's top-level window is disabled while the box runs (with
// no owner and MB_TASKMODAL, every top-level window of the thread is) and
// activated again after it. Enter presses the focused button (the default
// one at first), Esc and the close box answer IDCANCEL when the set has
// Cancel and IDOK for a lone OK (the close box is gray otherwise), a
// button's letter presses it, Tab and the arrows move between the buttons.
// MB_TOPMOST and MB_SYSTEMMODAL keep it above other windows.
int ShowModalMessageBox(const MessageBoxRequest& request);

}  // namespace platform

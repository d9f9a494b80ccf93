// Dialog boxes and their keyboard: moving between controls with Tab and
// the arrows, the default and cancel buttons, mnemonics, and the calls that
// reach a dialog's controls by id.
//
// IsDialogMessage works for any window that holds controls (a dialog of the
// "#32770" class, or any other window): Tab and Shift+Tab go to the next or
// previous control with WS_TABSTOP (entering child windows that have
// WS_EX_CONTROLPARENT; a radio group is entered at its checked button), the
// arrows move within a group of controls (from a WS_GROUP control to the
// next; an automatic radio button reached so is checked and clicked),
// Enter clicks the focused push button or else the default button (the
// dialog's DM_GETDEFID, else the button made with BS_DEFPUSHBUTTON, else
// IDOK), Esc sends IDCANCEL, and a mnemonic ("&x" in the text of a button
// or a static) typed with Alt, or alone when the focused control takes no
// characters, clicks that button or goes to the control after that static.
// Each control's WM_GETDLGCODE answer keeps the keys it wants. A push
// button with the focus is drawn as the default one while it has it. The
// WM_COMMAND of a button chosen so goes to the dialog (BN_CLICKED, the
// button's id, the button's handle).
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"

// Dialog messages.
constexpr UINT DM_GETDEFID = WM_USER + 0;  // MAKELRESULT(id, DC_HASDEFID), or 0
constexpr UINT DM_SETDEFID = WM_USER + 1;  // wParam id
constexpr UINT DM_REPOSITION = WM_USER + 2;
constexpr WORD DC_HASDEFID = 0x534B;

// A dialog procedure answers TRUE for a message it handled (the result is
// then what it put at DWLP_MSGRESULT) and FALSE for the default handling.
using DLGPROC = INT_PTR (*)(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The extra window bytes of a dialog.
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));
constexpr int DLGWINDOWEXTRA = DWLP_USER + static_cast<int>(sizeof(LONG_PTR)) + 16;

// The class of dialog boxes; its procedure is DefDlgProc.
inline const LPCSTR WC_DIALOG = "#32770";

// The default handling of a dialog's messages: calls the DLGPROC at
// DWLP_DLGPROC first; then DM_GETDEFID / DM_SETDEFID, WM_NEXTDLGCTL, the
// focus kept over deactivation, WM_CLOSE as IDCANCEL and the background
// from WM_CTLCOLORDLG.
LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Takes a message meant for the dialog or one of its controls: handles the
// dialog keys, or translates and dispatches it. FALSE when the message is
// not for this dialog (nothing is done with it then).
BOOL IsDialogMessage(HWND dialog, LPMSG msg);

// The next (or previous) control with WS_TABSTOP after `control` (null:
// the first or last one), wrapping round; `control` itself when no other
// one takes the focus.
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
// The next (or previous) visible, enabled control of `control`'s group,
// wrapping round within the group.
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);

// A child of the dialog by id; null (ERROR_CONTROL_ID_NOT_FOUND) if none.
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);
BOOL SetDlgItemText(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemText(HWND dialog, int id, LPSTR buffer, int buffer_size);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL is_signed);
// The number in the control's text (blanks around it allowed); 0 with
// *translated FALSE when the text is no number or does not fit.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL is_signed);
// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `check` and clears every other button with an id from `first` to
// `last`.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);

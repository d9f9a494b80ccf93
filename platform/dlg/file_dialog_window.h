// The open / save dialog window, internal to the dialog layer.
#pragma once

#include "platform/dlg/file_dialog_session.h"

namespace platform::dlg {

// Runs the modal dialog over `owner` until the session accepts a choice
// (true) or the user cancels or the session fails (false).
bool RunFileDialogWindow(FileDialogSession& session, HWND owner);

}  // namespace platform::dlg

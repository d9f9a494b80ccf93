// GetOpenFileName, GetSaveFileName and the file dialog hook.
#include "platform/dlg/file_dialog.h"

#include <mutex>

#include "platform/dlg/file_dialog_session.h"
#include "platform/dlg/file_dialog_window.h"

namespace {

struct HookState {
  std::mutex mutex;
  platform::FileDialogHook hook;
};

HookState& Hook() {
  static HookState* state = new HookState;
  return *state;
}

thread_local DWORD t_last_error = 0;

// What the user typed for the chosen names: one name as it is, several
// each in double quotes.
std::string TypedText(const std::vector<std::string>& names) {
  if (names.size() == 1) return names.front();
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ' ';
    text += '"' + name + '"';
  }
  return text;
}

BOOL Answer(platform::dlg::FileDialogSession& session, const platform::FileDialogHook& hook,
            HWND owner) {
  platform::FileDialogAnswer answer = hook(session.request());
  if (answer.cancelled || answer.names.empty()) return FALSE;
  if (!answer.folder.empty() && !session.SetFolder(answer.folder)) return FALSE;
  if (answer.filter_index > 0) session.SetFilterIndex(answer.filter_index);
  switch (session.Accept(TypedText(answer.names), owner)) {
    case platform::dlg::FileDialogSession::Outcome::kDone:
      return TRUE;
    case platform::dlg::FileDialogSession::Outcome::kFailed:
      t_last_error = session.error();
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL Run(LPOPENFILENAME ofn, bool save) {
  t_last_error = 0;
  platform::dlg::FileDialogSession session(ofn, save);
  if (!session.valid()) {
    t_last_error = session.error();
    return FALSE;
  }
  platform::FileDialogHook hook;
  {
    HookState& state = Hook();
    std::lock_guard<std::mutex> lock(state.mutex);
    hook = state.hook;
  }
  if (hook) return Answer(session, hook, ofn->hwndOwner);
  const bool chosen = platform::dlg::RunFileDialogWindow(session, ofn->hwndOwner);
  if (!chosen) t_last_error = session.error();
  return chosen ? TRUE : FALSE;
}

}  // namespace

namespace platform {

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  HookState& state = Hook();
  std::lock_guard<std::mutex> lock(state.mutex);
  FileDialogHook previous = std::move(state.hook);
  state.hook = std::move(hook);
  return previous;
}

}  // namespace platform

BOOL GetOpenFileName(LPOPENFILENAME ofn) {
  return Run(ofn, false);
}

BOOL GetSaveFileName(LPOPENFILENAME ofn) {
  return Run(ofn, true);
}

DWORD CommDlgExtendedError() {
  return t_last_error;
}

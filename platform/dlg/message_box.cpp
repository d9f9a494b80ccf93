#include "platform/dlg/message_box.h"

#include <mutex>

namespace {

// The hook and the presenter. Made on first use: the presenter is
// installed by another source's static initialiser.
struct Installed {
  std::mutex mutex;
  platform::MessageBoxHook hook;
  platform::MessageBoxPresenter presenter;
};

Installed& TheInstalled() {
  static Installed* installed = new Installed;
  return *installed;
}

// The buttons of each set, in the order they stand in the box.
int NthButton(UINT buttons, int n) {
  static const int kSets[][3] = {
      {IDOK, 0, 0},
      {IDOK, IDCANCEL, 0},
      {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO, 0},
      {IDRETRY, IDCANCEL, 0},
  };
  if (buttons > MB_RETRYCANCEL) buttons = MB_OK;
  int id = kSets[buttons][n];
  return id != 0 ? id : kSets[buttons][0];
}

}  // namespace

namespace platform {

int MessageBoxRequest::DefaultButton() const {
  int n = static_cast<int>((type & MB_DEFMASK) >> 8);
  return NthButton(buttons(), n > 2 ? 0 : n);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  Installed& installed = TheInstalled();
  std::lock_guard<std::mutex> lock(installed.mutex);
  MessageBoxHook previous = std::move(installed.hook);
  installed.hook = std::move(hook);
  return previous;
}

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter) {
  Installed& installed = TheInstalled();
  std::lock_guard<std::mutex> lock(installed.mutex);
  MessageBoxPresenter previous = std::move(installed.presenter);
  installed.presenter = std::move(presenter);
  return previous;
}

}  // namespace platform

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  platform::MessageBoxRequest request;
  request.owner = owner;
  request.text = text != nullptr ? text : "";
  // A null caption gives the platform's own "Error".
  request.caption = caption != nullptr ? caption : "Error";
  request.type = type;
  platform::MessageBoxHook hook;
  platform::MessageBoxPresenter presenter;
  {
    Installed& installed = TheInstalled();
    std::lock_guard<std::mutex> lock(installed.mutex);
    hook = installed.hook;
    presenter = installed.presenter;
  }
  if (hook) return hook(request);
  if (presenter) return presenter(request);
  return request.DefaultButton();
}

#include "platform/dlg/message_box.h"

#include <mutex>

namespace {

std::mutex g_mutex;
platform::MessageBoxHook g_hook;
platform::MessageBoxPresenter g_presenter;

// The buttons of each set, in the order they stand in the box.
int NthButton(UINT buttons, int n) {
  static const int kSets[][3] = {
      {IDOK, 0, 0},           {IDOK, IDCANCEL, 0},    {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, 0},       {IDRETRY, IDCANCEL, 0},
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
  std::lock_guard<std::mutex> lock(g_mutex);
  MessageBoxHook previous = std::move(g_hook);
  g_hook = std::move(hook);
  return previous;
}

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_presenter = std::move(presenter);
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
    std::lock_guard<std::mutex> lock(g_mutex);
    hook = g_hook;
    presenter = g_presenter;
  }
  if (hook) return hook(request);
  if (presenter) return presenter(request);
  return request.DefaultButton();
}

void MessageBeep(UINT) {}

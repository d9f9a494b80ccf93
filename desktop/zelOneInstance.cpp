#include "desktop/zelOneInstance.h"

#include "classlib/Application.h"
#include "classlib/FormatRoutines.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/mutexes.h"
#include "platform/core/waits.h"
#include "platform/dlg/message_box.h"
#include "platform/user/user.h"

HANDLE DefaultInstanceHandle = nullptr;

namespace {

constexpr const char* kApplicationWindowClass = "TApplication";

// Gives the "Default" mutex back when the program ends.
struct DefaultInstanceRelease {
  ~DefaultInstanceRelease() {
    if (DefaultInstanceHandle != nullptr) {
      ReleaseMutex(DefaultInstanceHandle);
      CloseHandle(DefaultInstanceHandle);
      DefaultInstanceHandle = nullptr;
    }
  }
} g_default_instance_release;

}  // namespace

HWND FindPrevInstanceWindow() {
  if (Application == nullptr) return nullptr;
  const String title = Application->Title();
  HWND own = Application->Handle();
  HWND found = FindWindowEx(nullptr, nullptr, kApplicationWindowClass, title.c_str());
  while (found != nullptr && found == own) {
    found = FindWindowEx(nullptr, found, kApplicationWindowClass, title.c_str());
  }
  return found;
}

bool ActivatePrevInstanceWindow() {
  HWND window = FindPrevInstanceWindow();
  if (!IsWindow(window)) return false;
  if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  } else {
    SetForegroundWindow(window);
  }
  return true;
}

bool TzelOneInstance::IsAnotherInstance() {
  if (ComponentState().Contains(csDesigning)) return false;
  bool result = true;
  const String prefix = (Application != nullptr ? Application->Title() : String()) + ".OneInstance.";
  SetLastError(ERROR_SUCCESS);
  HANDLE critical = CreateMutex(nullptr, TRUE, (prefix + "CriticalSection").c_str());
  if (GetLastError() != ERROR_SUCCESS || critical == nullptr) {
    if (critical != nullptr) CloseHandle(critical);
    return result;
  }
  DefaultInstanceHandle = CreateMutex(nullptr, FALSE, (prefix + "Default").c_str());
  result = WaitForSingleObject(DefaultInstanceHandle, 0) == WAIT_TIMEOUT;
  ReleaseMutex(critical);
  CloseHandle(critical);
  return result;
}

void TzelOneInstance::Loaded() {
  TzelComponent::Loaded();
  if (IsAnotherInstance()) AnotherInstanceFound();
}

void TzelOneInstance::ShowInstanceMessage(bool& Terminate) {
  if (OnShowMessage) {
    OnShowMessage(this, Terminate);
    return;
  }
  const String title = Application != nullptr ? Application->Title() : String();
  const String text =
      Message.empty() ? Format("Application \"%s\" is already running.", {title}) : Message;
  ::MessageBox(Application != nullptr ? Application->Handle() : nullptr, text.c_str(),
               title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void TzelOneInstance::AnotherInstanceFound() {
  bool terminate = true;
  const bool saved = Application != nullptr ? Application->ShowMainForm : true;
  if (Application != nullptr) Application->ShowMainForm = false;
  if (ShowMessage) ShowInstanceMessage(terminate);
  if (ActivatePrevInstance) ActivatePrevInstanceWindow();
  if (Application == nullptr) return;
  if (terminate) {
    Application->Terminate();
  } else {
    Application->ShowMainForm = saved;
  }
}

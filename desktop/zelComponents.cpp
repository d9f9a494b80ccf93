#include "desktop/zelComponents.h"

void RegisterZelComponents() {
  static const bool registered = [] {
    RegisterClass<TzelComponent>();
    RegisterClass<TzelCustomThreadComponent>();
    RegisterClass<TzelCustomTimer>();
    RegisterClass<TzelCustomThreadTimer>();
    RegisterClass<TzelThreadComponent>();
    RegisterClass<TzelThreadTimer>();
    RegisterClass<TzelCustomWndProcHook>();
    RegisterClass<TzelWndProcHook>();
    RegisterClass<TzelFileOperation>();
    RegisterClass<TzelCustomFileStorage>();
    RegisterClass<TzelFileStorage>();
    RegisterClass<TzelStartButtonProperties>();
    RegisterClass<TzelColorPicker>();
    RegisterClass<TzelTrayIcon>();
    RegisterClass<TzelOneInstance>();
    RegisterClass<TzelAutoRun>();
    RegisterClass<TzelShutdown>();
    RegisterClass<TzelWav>();
    RegisterClass<TzelCustomFolderMonitor>();
    RegisterClass<TzelFolderMonitor>();
    RegisterClass<TzelCustomRegistryMonitor>();
    RegisterClass<TzelRegistryMonitor>();
    return true;
  }();
  (void)registered;
}

namespace {

// The pack registers its classes when the program starts.
[[maybe_unused]] const bool kRegistered = [] {
  RegisterZelComponents();
  return true;
}();

}  // namespace

// Choosing the backend: SDL2 when a display is present, else headless.
#include "platform/display/display.h"

#include <cstdlib>
#include <memory>

namespace platform::display {

std::unique_ptr<Backend> StartSdlBackend();  // sdl_display.cpp

}  // namespace platform::display

namespace platform {

bool UseSdlDisplay() {
  std::unique_ptr<display::Backend> backend = display::StartSdlBackend();
  if (!backend) return false;
  display::InstallBackend(std::move(backend));
  return true;
}

void UseHeadlessDisplay() {
  display::InstallBackend(nullptr);
}

DisplayKind ChooseDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  bool present = (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
  if (present && UseSdlDisplay()) return DisplayKind::kSdl;
  UseHeadlessDisplay();
  return DisplayKind::kHeadless;
}

}  // namespace platform

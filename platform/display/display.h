// The display: how the window system's top-level windows reach a screen.
//
// Every top-level window draws on an image of its own (see
// platform/user/painting.h). A display backend shows those images:
//   - headless (the default, and what tests use): nothing is shown; the
//     screen is composed on demand from the windows' images onto the
//     desktop colour (ComposeScreen, SaveScreenshot, GetDC(0));
//   - SDL2: each top-level window is a borderless SDL window of its own,
//     placed where the window is and repainted from its image where it
//     changed; mouse, keyboard, text, focus and close events come back as
//     input (the same path as platform::InjectMouse and friends, see
//     platform/user/input.h). The frame stays ours: we draw it, we answer
//     WM_NCHITTEST, we move and size windows.
//
// The program calls ChooseDisplay() once at start: SDL2 when DISPLAY or
// WAYLAND_DISPLAY is set and SDL video starts, headless otherwise. SDL2 is
// loaded then, not with the platform library (see sdl_library.h); without
// it the display stays headless.
#pragma once

#include <string>

#include "platform/user/screen.h"

namespace platform {

// SDL2 when a display is present and SDL video starts, else headless.
DisplayKind ChooseDisplay();
// Starts the SDL2 backend; false (staying headless) when SDL video cannot
// start. The screen size becomes the SDL display's size.
bool UseSdlDisplay();
// Back to the headless backend (the SDL windows close).
void UseHeadlessDisplay();

// The file name the display and the sound devices load SDL2 from (defined
// in sdl_library.cpp). Tests point it at a missing file to run as where
// SDL2 is not installed; empty goes back to the real one.
std::string SdlLibraryName();
void SetSdlLibraryName(const std::string& name);

}  // namespace platform

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
// WAYLAND_DISPLAY is set and SDL video starts, headless otherwise.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/types.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace platform {

enum class DisplayKind { kHeadless, kSdl };

// SDL2 when a display is present and SDL video starts, else headless.
DisplayKind ChooseDisplay();
// Starts the SDL2 backend; false (staying headless) when SDL video cannot
// start. The screen size becomes the SDL display's size.
bool UseSdlDisplay();
// Back to the headless backend (the SDL windows close).
void UseHeadlessDisplay();
DisplayKind CurrentDisplay();

// The screen as it would look: the desktop colour, then every visible,
// not minimized top-level window from the bottom of the z-order up, each
// cut to its window region. Only top-level windows of the window system
// are on it.
std::shared_ptr<Surface> ComposeScreen();
// Writes ComposeScreen() as a PNG file. False with the last error set on
// failure.
bool SaveScreenshot(const std::string& path);
// The image of one window (its part of its top-level window's image), or
// null for a window that is not shown.
std::shared_ptr<Surface> CaptureWindow(HWND hwnd);
// The surface GetDC(0) and CreateDC("DISPLAY") draw on, made anew when the
// screen's size changed.
std::shared_ptr<Surface> ScreenSurfaceOfScreenSize();
// Refreshes that surface from the windows' images (a screen DC does it
// before its pixels are first read).
void ComposeScreenForReading();

// The desktop's clipboard text, where the display has one (SDL2); false
// when it has none (headless) or the desktop did not answer. Called without
// any window-system lock held.
bool SetDesktopClipboardText(const std::string& text);
bool GetDesktopClipboardText(std::string* text);

namespace display {

// What a backend is told about one top-level window when the window system
// hands it the current picture.
struct WindowView {
  HWND hwnd = nullptr;
  RECT rect{};  // on the screen
  bool minimized = false;
  bool topmost = false;
  bool active = false;
  // An application window (a caption, not a tool window): on the taskbar
  // and activated when the display gives it the focus. Others (menus,
  // hints, tool windows) are shown as popups.
  bool app_window = true;
  std::string title;
  std::shared_ptr<Surface> surface;  // may be null for an empty window
  Region dirty;                      // surface coordinates
  bool has_shape = false;
  Region shape;  // window coordinates
};

// A display backend. Present is called on a window thread with the window
// system's lock held: it must copy what it needs and return quickly, and
// must never call back into the window system.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual DisplayKind kind() const = 0;
  // Every shown top-level window, topmost first.
  virtual void Present(const std::vector<WindowView>& windows) = 0;
  // The mouse cursor to show (null: none) and where the mouse was put by
  // the program (SetCursorPos).
  virtual void SetCursorShape(HCURSOR) {}
  virtual void WarpMouse(POINT) {}
  // The desktop's clipboard text (see SetDesktopClipboardText). Called
  // without the window system's lock; may wait for the backend's thread.
  virtual bool SetClipboardText(const std::string&) { return false; }
  virtual bool GetClipboardText(std::string*) { return false; }
};

// The backend in use (never null: headless by default).
Backend& CurrentBackend();

}  // namespace display
}  // namespace platform

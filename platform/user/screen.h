// The screen as the window manager shows it: the small interface a display
// backend implements (platform/display has the backends), and the screen
// composed from the top-level windows' images. The window manager talks to
// the backend in use only through this interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/types.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace platform {

enum class DisplayKind { kHeadless, kSdl };

// The kind of the backend in use.
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
  HWND owner = nullptr;  // the top-level window that owns it, if any
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

// Puts a backend in use (null: the headless one, which shows nothing); the
// old one is shut down after the window system's lock is released. Every
// window is shown whole to the new backend.
void InstallBackend(std::unique_ptr<Backend> backend);

}  // namespace display
}  // namespace platform

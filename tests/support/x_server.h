// An X server of the test's own (an Xvfb on a display number it finds free)
// with the little the SDL2 display tests need from it: pixels of the screen,
// pointer moves, clicks and keys through the X test extension, and the
// connection itself for tests that talk X directly. Kept apart from the
// platform's and the class library's headers, whose names (Screen,
// KeyPress) the X headers take as well; the key symbols (XK_a ...) come
// from <X11/keysym.h>, which only defines those.
//
// The library that builds this also tells the leak checker about the memory
// the X and SDL libraries keep until the process ends, for every test
// program linked with it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/core/types.h"

namespace platform {
class Surface;
}

struct _XDisplay;  // Xlib's Display

namespace velko_test {

class XServer {
 public:
  XServer() = default;
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Starts Xvfb (800 x 600, 24 bits), connects to it and points DISPLAY at
  // it. False when Xvfb cannot be started or does not answer.
  bool Start();
  void Stop();

  // The colour of a pixel of the X screen; CLR_INVALID if it cannot be read.
  COLORREF Pixel(int x, int y);
  // The whole X screen as `xwd -root` reads it: each window through its
  // own visual and colormap, which is where a shaped window with a
  // colormap of its own showed black beside its shape while the root's
  // pixels were right. Null when xwd is missing or its dump cannot be read.
  std::shared_ptr<platform::Surface> ScreenAsXwdReadsIt();
  // Moves the X pointer there.
  void MovePointer(int x, int y);
  // Moves the X pointer there and clicks the left button.
  void Click(int x, int y);
  // Presses and releases the key of an X key symbol (XK_... from <X11/keysym.h>).
  void Key(unsigned long keysym);

  // The connection, for tests that speak X themselves (null until started).
  _XDisplay* display() const { return display_; }

 private:
  pid_t pid_ = 0;
  _XDisplay* display_ = nullptr;
  std::string name_;
};

// SDL loads the X libraries itself and unloads them when it stops, which
// leaves the leak checker unable to name them: keep them loaded.
void KeepXLibrariesLoaded();

}  // namespace velko_test

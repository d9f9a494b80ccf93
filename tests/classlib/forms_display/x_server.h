// An X server of the test's own (Xvfb on a free display number) with the
// little the display tests need from it: pixels of the screen and clicks
// through the X test extension. Kept apart from the class library's
// headers, whose names (Screen, KeyPress) the X headers take as well.
#pragma once

#include <sys/types.h>

#include "platform/core/types.h"

struct _XDisplay;

namespace velko_test {

class XServer {
 public:
  XServer() = default;
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Starts Xvfb (800 x 600) and points DISPLAY at it.
  bool Start();
  void Stop();
  // The colour of a pixel of the X screen.
  COLORREF Pixel(int x, int y);
  // Moves the X pointer there and clicks the left button.
  void Click(int x, int y);

 private:
  pid_t pid_ = 0;
  _XDisplay* display_ = nullptr;
};

// SDL loads the X libraries itself and unloads them when it stops, which
// leaves the leak checker unable to name them: keep them loaded.
void KeepXLibrariesLoaded();

}  // namespace velko_test

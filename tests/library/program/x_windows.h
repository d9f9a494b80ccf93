// The top-level windows an X server shows (the SDL2 display makes one X
// window per top-level window of the program), read without the X headers,
// whose names clash with the platform's.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;

namespace velko_test {

struct ShownWindow {
  unsigned long id = 0;
  std::string title;
  int x = 0, y = 0, width = 0, height = 0;
};

// The mapped top-level windows, bottom first.
std::vector<ShownWindow> ShownWindows(_XDisplay* display);

}  // namespace velko_test

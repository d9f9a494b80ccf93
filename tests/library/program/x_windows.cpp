#include "tests/library/program/x_windows.h"

#include <X11/Xlib.h>

namespace velko_test {

std::vector<ShownWindow> ShownWindows(_XDisplay* display) {
  std::vector<ShownWindow> shown;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) return shown;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable) continue;
    ShownWindow window;
    window.id = children[i];
    window.x = attributes.x;
    window.y = attributes.y;
    window.width = attributes.width;
    window.height = attributes.height;
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
      window.title = name;
      XFree(name);
    }
    shown.push_back(window);
  }
  if (children != nullptr) XFree(children);
  return shown;
}

}  // namespace velko_test

#include "platform/display/x_shape.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace platform::display {

namespace {

bool X11Of(SDL_Window* window, ::Display** display, ::Window* xwindow) {
  if (window == nullptr) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *xwindow = info.info.x11.window;
  return true;
}

}  // namespace

bool StackSdlWindows(const std::vector<SDL_Window*>& bottom_to_top) {
  ::Display* display = nullptr;
  bool any = false;
  for (SDL_Window* window : bottom_to_top) {
    ::Window xwindow = 0;
    if (!X11Of(window, &display, &xwindow)) continue;
    XRaiseWindow(display, xwindow);
    any = true;
  }
  if (any) XFlush(display);
  return any;
}

bool SetSdlWindowOwner(SDL_Window* window, SDL_Window* owner) {
  ::Display* display = nullptr;
  ::Window xwindow = 0, xowner = 0;
  if (!X11Of(window, &display, &xwindow)) return false;
  if (owner != nullptr) {
    ::Display* owner_display = nullptr;
    if (!X11Of(owner, &owner_display, &xowner)) return false;
    XSetTransientForHint(display, xwindow, xowner);
  } else {
    XDeleteProperty(display, xwindow, XInternAtom(display, "WM_TRANSIENT_FOR", False));
  }
  XFlush(display);
  return true;
}

bool ShapeSdlWindow(SDL_Window* window, const std::vector<RECT>* rects) {
  if (window == nullptr) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  ::Display* display = info.info.x11.display;
  ::Window xwindow = info.info.x11.window;
  int event_base = 0, error_base = 0;
  if (!XShapeQueryExtension(display, &event_base, &error_base)) return false;
  if (rects != nullptr) {
    std::vector<XRectangle> shape;
    shape.reserve(rects->size());
    for (const RECT& r : *rects)
      shape.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                 static_cast<unsigned short>(r.right - r.left),
                                 static_cast<unsigned short>(r.bottom - r.top)});
    XShapeCombineRectangles(display, xwindow, ShapeBounding, 0, 0, shape.data(),
                            static_cast<int>(shape.size()), ShapeSet, Unsorted);
  } else {
    XShapeCombineMask(display, xwindow, ShapeBounding, 0, 0, None, ShapeSet);
  }
  XFlush(display);
  return true;
}

}  // namespace platform::display

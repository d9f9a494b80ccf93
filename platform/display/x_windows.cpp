#include "platform/display/x_windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

namespace platform::display {

namespace {

#define VELKO_X11_CALLS(X)                                                                              \
  X(XRaiseWindow) X(XFlush) X(XSetTransientForHint) X(XDeleteProperty) X(XInternAtom) X(XGetInputFocus) \
  X(XSetInputFocus) X(XSetIOErrorHandler) X(XDefaultRootWindow) X(XConnectionNumber) X(XEventsQueued)  \
  X(XSetErrorHandler) X(XSync) X(XOpenDisplay) X(XCloseDisplay) X(XDefaultScreen) X(XDefaultVisual)     \
  X(XDefaultColormap) X(XVisualIDFromVisual) X(XGetWindowAttributes) X(XSetWindowColormap)
#define VELKO_XEXT_CALLS(X) X(XShapeQueryExtension) X(XShapeCombineRectangles) X(XShapeCombineMask)

struct XLibrary {
  const SdlLibrary* sdl = nullptr;
#define VELKO_X_MEMBER(name) decltype(&::name) name = nullptr;
  VELKO_X11_CALLS(VELKO_X_MEMBER)
  VELKO_XEXT_CALLS(VELKO_X_MEMBER)
#undef VELKO_X_MEMBER
};

std::mutex g_bind_mutex;
// Written once under g_bind_mutex before `g_bound` is set; read after.
XLibrary g_x;
std::atomic<bool> g_bound{false};

template <class F>
bool Bind(void* handle, const char* name, F& to) {
  to = reinterpret_cast<F>(dlsym(handle, name));
  return to != nullptr;
}

bool X11Of(SDL_Window* window, ::Display** display, ::Window* xwindow) {
  if (window == nullptr || !g_bound.load()) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!g_x.sdl->GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *xwindow = info.info.x11.window;
  return true;
}

int IgnoreXError(::Display*, XErrorEvent*) { return 0; }

// Beside its shape a window shows the screen beneath, but a reader of the
// screen that takes each window with a colormap of its own as a whole
// rectangle (xwd does) gets black there. A window on the screen's colormap
// is read with the screen. SDL gives every window a colormap of its own;
// only a window of the screen's visual can take the screen's.
void UseScreenColormap(::Display* display, ::Window xwindow) {
  XWindowAttributes attributes;
  if (!g_x.XGetWindowAttributes(display, xwindow, &attributes)) return;
  const int screen = g_x.XDefaultScreen(display);
  const Colormap screen_colormap = g_x.XDefaultColormap(display, screen);
  if (attributes.colormap == screen_colormap) return;
  if (g_x.XVisualIDFromVisual(attributes.visual) != g_x.XVisualIDFromVisual(g_x.XDefaultVisual(display, screen)))
    return;
  g_x.XSetWindowColormap(display, xwindow, screen_colormap);
}

// Sets the keyboard focus, passing over the error a window that is not
// viewable (or is gone) gives: Xlib's handler would end the process.
void SetFocusOrNothing(::Display* display, ::Window focus) {
  const XErrorHandler previous = g_x.XSetErrorHandler(&IgnoreXError);
  g_x.XSetInputFocus(display, focus, RevertToParent, CurrentTime);
  g_x.XSync(display, False);
  g_x.XSetErrorHandler(previous);
}

}  // namespace

bool BindX11(const SdlLibrary& sdl) {
  std::lock_guard<std::mutex> lock(g_bind_mutex);
  if (g_bound.load()) return true;
  const char* driver = sdl.GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) return false;
  // SDL has loaded both already: these only take a reference.
  void* x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
  void* xext = dlopen("libXext.so.6", RTLD_LAZY | RTLD_LOCAL);
  XLibrary library;
  library.sdl = &sdl;
  bool complete = x11 != nullptr && xext != nullptr;
#define VELKO_X_BIND_FROM(handle, name) complete = complete && Bind(handle, #name, library.name);
#define VELKO_X11_BIND(name) VELKO_X_BIND_FROM(x11, name)
#define VELKO_XEXT_BIND(name) VELKO_X_BIND_FROM(xext, name)
  VELKO_X11_CALLS(VELKO_X11_BIND)
  VELKO_XEXT_CALLS(VELKO_XEXT_BIND)
#undef VELKO_X11_BIND
#undef VELKO_XEXT_BIND
#undef VELKO_X_BIND_FROM
  // Kept loaded for the life of the process, as SDL is.
  if (!complete) return false;
  g_x = library;
  g_bound = true;
  return true;
}

bool UseScreenVisual(const SdlLibrary& sdl) {
  if (!g_bound.load()) return false;
  // SDL hands out its connection only with a window: a short connection
  // of ours to the same display learns the visual before the first one.
  ::Display* display = g_x.XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  const VisualID id = g_x.XVisualIDFromVisual(g_x.XDefaultVisual(display, g_x.XDefaultScreen(display)));
  g_x.XCloseDisplay(display);
  return sdl.SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, std::to_string(id).c_str()) == SDL_TRUE;
}

bool StackSdlWindows(const std::vector<SDL_Window*>& bottom_to_top) {
  ::Display* display = nullptr;
  bool any = false;
  for (SDL_Window* window : bottom_to_top) {
    ::Window xwindow = 0;
    if (!X11Of(window, &display, &xwindow)) continue;
    g_x.XRaiseWindow(display, xwindow);
    any = true;
  }
  if (any) g_x.XFlush(display);
  return any;
}

bool SetSdlWindowOwner(SDL_Window* window, SDL_Window* owner) {
  ::Display* display = nullptr;
  ::Window xwindow = 0, xowner = 0;
  if (!X11Of(window, &display, &xwindow)) return false;
  if (owner != nullptr) {
    ::Display* owner_display = nullptr;
    if (!X11Of(owner, &owner_display, &xowner)) return false;
    g_x.XSetTransientForHint(display, xwindow, xowner);
  } else {
    g_x.XDeleteProperty(display, xwindow, g_x.XInternAtom(display, "WM_TRANSIENT_FOR", False));
  }
  g_x.XFlush(display);
  return true;
}

bool ShapeSdlWindow(SDL_Window* window, const std::vector<RECT>* rects) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, &display, &xwindow)) return false;
  int event_base = 0, error_base = 0;
  if (!g_x.XShapeQueryExtension(display, &event_base, &error_base)) return false;
  if (rects != nullptr) {
    UseScreenColormap(display, xwindow);
    std::vector<XRectangle> shape;
    shape.reserve(rects->size());
    for (const RECT& r : *rects)
      shape.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                 static_cast<unsigned short>(r.right - r.left),
                                 static_cast<unsigned short>(r.bottom - r.top)});
    g_x.XShapeCombineRectangles(display, xwindow, ShapeBounding, 0, 0, shape.data(),
                                static_cast<int>(shape.size()), ShapeSet, Unsorted);
  } else {
    g_x.XShapeCombineMask(display, xwindow, ShapeBounding, 0, 0, None, ShapeSet);
  }
  g_x.XFlush(display);
  return true;
}

unsigned long XFocusOf(SDL_Window* window) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, &display, &xwindow)) return None;
  ::Window focus = None;
  int revert = 0;
  g_x.XGetInputFocus(display, &focus, &revert);
  return focus;
}

bool GiveXFocus(SDL_Window* window) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, &display, &xwindow)) return false;
  SetFocusOrNothing(display, xwindow);
  return true;
}

bool HasXFocus(SDL_Window* window) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, &display, &xwindow)) return false;
  return XFocusOf(window) == xwindow;
}

bool SetXFocus(SDL_Window* any_window, unsigned long previous) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(any_window, &display, &xwindow)) return false;
  SetFocusOrNothing(display, previous);
  return true;
}

bool XFocusIsNowhere(SDL_Window* any_window) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(any_window, &display, &xwindow)) return false;
  const ::Window focus = XFocusOf(any_window);
  return focus == None || focus == PointerRoot || focus == g_x.XDefaultRootWindow(display);
}

int XConnectionOf(SDL_Window* window) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, &display, &xwindow)) return -1;
  return g_x.XConnectionNumber(display);
}

bool XEventsWaiting(SDL_Window* window) {
  ::Display* display = nullptr;
  ::Window xwindow = 0;
  if (!X11Of(window, &display, &xwindow)) return false;
  return g_x.XEventsQueued(display, QueuedAlready) > 0;
}

XIOErrorHandlerProc SetXIOErrorHandler(XIOErrorHandlerProc handler) {
  if (!g_bound.load()) return nullptr;
  return g_x.XSetIOErrorHandler(handler);
}

}  // namespace platform::display

#include "tests/skins_display/other_client.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace velko_test {

struct OtherClient::Impl {
  Display* display = nullptr;
  Window window = 0;
  int presses = 0;
};

std::unique_ptr<OtherClient> OtherClient::Open(int x, int y, int w, int h, unsigned long rgb) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return nullptr;
  auto c = std::unique_ptr<OtherClient>(new OtherClient());
  c->impl_ = std::make_unique<Impl>();
  c->impl_->display = d;
  XSetWindowAttributes attrs{};
  attrs.background_pixel = rgb;  // 24-bit TrueColor: the pixel is the colour
  attrs.override_redirect = True;
  attrs.event_mask = ButtonPressMask;
  c->impl_->window = XCreateWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w),
                                   static_cast<unsigned>(h), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel | CWOverrideRedirect | CWEventMask,
                                   &attrs);
  XMapWindow(d, c->impl_->window);
  XSync(d, False);
  return c;
}

OtherClient::~OtherClient() {
  if (impl_ && impl_->display) {
    XDestroyWindow(impl_->display, impl_->window);
    XCloseDisplay(impl_->display);
  }
}

int OtherClient::Presses() {
  XSync(impl_->display, False);
  while (XPending(impl_->display)) {
    XEvent e;
    XNextEvent(impl_->display, &e);
    if (e.type == ButtonPress) ++impl_->presses;
  }
  return impl_->presses;
}

void OtherClient::TakeFocus() {
  XSetInputFocus(impl_->display, impl_->window, RevertToParent, CurrentTime);
  XSync(impl_->display, False);
}

}  // namespace velko_test

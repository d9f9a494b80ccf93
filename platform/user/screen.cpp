// The backend in use, the composed screen and what the window manager
// presents to the backend.
#include "platform/user/screen.h"

#include <mutex>

#include "platform/core/errors.h"
#include "platform/gdi/device.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/window_manager.h"

namespace platform::display {

namespace {

// Shows nothing: the windows' images are read when someone asks.
class HeadlessBackend : public Backend {
 public:
  DisplayKind kind() const override { return DisplayKind::kHeadless; }
  void Present(const std::vector<WindowView>&) override {}
};

// Guarded by the window system's lock.
std::unique_ptr<Backend>& Holder() {
  static auto* holder = new std::unique_ptr<Backend>(std::make_unique<HeadlessBackend>());
  return *holder;
}

// Held while a backend is used outside the window system's lock (the
// clipboard), so that it is not shut down meanwhile. Taken before the
// window system's lock.
std::mutex& BackendUseMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

}  // namespace

// The old backend is shut down after the lock is released (its thread may
// be waiting for the lock).
void InstallBackend(std::unique_ptr<Backend> backend) {
  if (!backend) backend = std::make_unique<HeadlessBackend>();
  std::lock_guard<std::mutex> in_use(BackendUseMutex());
  std::unique_ptr<Backend> old;
  {
    auto lock = platform::user::Lock();
    old = std::move(Holder());
    Holder() = std::move(backend);
    // The new backend must see every window whole.
    for (platform::user::Window* top : platform::user::System().desktop->children) {
      if (top->surface) top->dirty = Region(RECT{0, 0, top->Width(), top->Height()});
    }
  }
  old.reset();
}

Backend& CurrentBackend() {
  return *Holder();
}

}  // namespace platform::display

namespace platform {

DisplayKind CurrentDisplay() {
  auto lock = platform::user::Lock();
  return display::CurrentBackend().kind();
}

bool SetDesktopClipboardText(const std::string& text) {
  std::lock_guard<std::mutex> in_use(display::BackendUseMutex());
  display::Backend* backend = nullptr;
  {
    auto lock = platform::user::Lock();
    backend = &display::CurrentBackend();
  }
  return backend->SetClipboardText(text);
}

bool GetDesktopClipboardText(std::string* text) {
  std::lock_guard<std::mutex> in_use(display::BackendUseMutex());
  display::Backend* backend = nullptr;
  {
    auto lock = platform::user::Lock();
    backend = &display::CurrentBackend();
  }
  return backend->GetClipboardText(text);
}

namespace {

using platform::user::Window;

// Copies a top-level window's image onto `screen` at its place, cut to its
// window region. Lock held.
void DrawWindowOn(Surface& screen, const Window* top) {
  if (!top->surface) return;
  const RECT& r = top->window_rect;
  if (!top->has_shape) {
    screen.CopyFrom(*top->surface, 0, 0, top->surface->width(), top->surface->height(), r.left,
                    r.top);
    return;
  }
  top->shape.ForEachRectIn(
      RECT{0, 0, top->surface->width(), top->surface->height()}, [&](const RECT& piece) {
        screen.CopyFrom(*top->surface, piece.left, piece.top, piece.right - piece.left,
                        piece.bottom - piece.top, r.left + piece.left, r.top + piece.top);
      });
}

void ComposeOnto(Surface& screen) {
  screen.Fill(GetSysColor(COLOR_DESKTOP));
  const auto& tops = platform::user::System().desktop->children;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    const Window* top = *it;
    if (!(top->style & WS_VISIBLE) || (top->style & WS_MINIMIZE)) continue;
    DrawWindowOn(screen, top);
  }
}

}  // namespace

std::shared_ptr<Surface> ComposeScreen() {
  SIZE size = ScreenSize();
  auto screen = Surface::Create(size.cx, size.cy);
  if (!screen) return nullptr;
  auto lock = platform::user::Lock();
  ComposeOnto(*screen);
  return screen;
}

std::shared_ptr<Surface> ScreenSurfaceOfScreenSize() {
  auto screen = ScreenSurface();
  SIZE size = ScreenSize();
  if (!screen || screen->width() != size.cx || screen->height() != size.cy) {
    screen = Surface::Create(size.cx, size.cy);
    if (!screen) return nullptr;
    SetScreenSurface(screen);
  }
  return screen;
}

void ComposeScreenForReading() {
  auto screen = ScreenSurfaceOfScreenSize();
  if (!screen) return;
  auto lock = platform::user::Lock();
  ComposeOnto(*screen);
}

bool SaveScreenshot(const std::string& path) {
  auto screen = ComposeScreen();
  if (!screen) return false;
  return SavePng(*screen, path);
}

std::shared_ptr<Surface> CaptureWindow(HWND hwnd) {
  auto lock = platform::user::Lock();
  Window* window = platform::user::FindWindowRecord(hwnd);
  if (window == nullptr || window->kind != platform::user::WindowKind::kOrdinary ||
      !platform::user::IsOnScreen(window)) {
    return nullptr;
  }
  Window* top = platform::user::TopLevelOf(window);
  if (!top->surface || window->Width() < 1 || window->Height() < 1) return nullptr;
  auto image = Surface::Create(window->Width(), window->Height());
  if (!image) return nullptr;
  POINT at = platform::user::OffsetInTopLevel(window);
  image->CopyFrom(*top->surface, at.x, at.y, window->Width(), window->Height(), 0, 0);
  return image;
}

}  // namespace platform

namespace platform::user {

void PresentToDisplay() {
  WindowSystem& system = System();
  platform::display::Backend& backend = platform::display::CurrentBackend();
  if (backend.kind() == DisplayKind::kHeadless) {
    // The headless screen reads the windows' images when asked.
    for (Window* top : system.desktop->children) top->dirty.Clear();
    return;
  }
  // Whatever window DCs are still out may have drawn since.
  for (auto& [dc, entry] : system.window_dcs) {
    if (entry.hwnd != nullptr) MarkDCDirty(entry);
  }
  std::vector<platform::display::WindowView> views;
  for (Window* top : system.desktop->children) {
    if (!(top->style & WS_VISIBLE)) continue;
    platform::display::WindowView view;
    view.hwnd = top->handle;
    view.owner = top->owner != nullptr ? top->owner->handle : nullptr;
    view.rect = top->window_rect;
    view.minimized = (top->style & WS_MINIMIZE) != 0;
    view.topmost = (top->ex_style & WS_EX_TOPMOST) != 0;
    view.active = top->handle == system.foreground;
    view.app_window = (top->style & WS_CAPTION) == WS_CAPTION &&
                      !(top->ex_style & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
    view.title = top->text;
    view.surface = top->surface;
    view.dirty = top->dirty;
    view.has_shape = top->has_shape;
    view.shape = top->shape;
    views.push_back(std::move(view));
  }
  backend.Present(views);
  for (Window* top : system.desktop->children) top->dirty.Clear();
}

}  // namespace platform::user

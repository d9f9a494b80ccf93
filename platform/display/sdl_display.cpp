// The SDL2 display: each top-level window is a borderless SDL window of its
// own. One thread of ours owns SDL's video side: it makes, moves and
// repaints the SDL windows from what the window system presents, and turns
// SDL's events into input for the window system.
//
// Locks: the window system's lock is taken before `mutex_` (Present is
// called with it held), so the SDL thread never injects input while it
// holds `mutex_`.
//
// SDL is called on that thread alone. Other threads hand it work through
// `mutex_` and wake it through an event file of our own, never through
// SDL: then no other thread ever touches the X connections, and losing
// the display is met on the SDL thread only (see DisplayLost).
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/threads.h"
#include "platform/display/display.h"
#include "platform/display/sdl_library.h"
#include "platform/display/x_windows.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/cursor.h"
#include "platform/user/input.h"
#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/virtual_keys.h"

namespace platform::display {

namespace {

// What the window system wants shown for one window (written by Present),
// and what the SDL thread has made of it.
struct Shown {
  // Wanted.
  RECT rect{};
  RECT normal_rect{};  // where it is when not minimized
  bool minimized = false;
  bool topmost = false;
  bool app_window = true;
  std::string title;
  HWND owner = nullptr;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
  Region dirty;
  bool present = false;
  // The window's region as rectangles, when it has one.
  bool has_shape = false;
  std::vector<RECT> shape;
  bool shape_changed = false;
  // Made (SDL thread only).
  SDL_Window* window = nullptr;
  Uint32 id = 0;
  RECT sdl_rect{};
  bool sdl_minimized = false;
  bool sdl_topmost = false;
  std::string sdl_title;
  SDL_Window* sdl_owner = nullptr;
};

UINT KeyFromSdl(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<UINT>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<UINT>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<UINT>(key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD1 + static_cast<UINT>(key - SDLK_KP_1);
  switch (key) {
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_LGUI:
      return VK_LWIN;
    case SDLK_RGUI:
      return VK_RWIN;
    case SDLK_APPLICATION:
      return VK_APPS;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
      return VK_SCROLL;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_QUOTE:
      return VK_OEM_7;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
  }
  return 0;
}

// Keys whose characters SDL reports as text input.
bool MakesText(UINT vk, Uint16 mods) {
  if (mods & (KMOD_CTRL | KMOD_ALT)) return false;
  return (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || vk == VK_SPACE ||
         (vk >= VK_OEM_1 && vk <= VK_OEM_3) || (vk >= VK_OEM_4 && vk <= VK_OEM_7) ||
         (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE && vk != VK_SEPARATOR);
}

SDL_SystemCursor SystemCursorFor(int id) {
  switch (id) {
    case 32513:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514:
      return SDL_SYSTEM_CURSOR_WAIT;
    case 32515:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case 32640:
    case 32646:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648:
      return SDL_SYSTEM_CURSOR_NO;
    case 32649:
      return SDL_SYSTEM_CURSOR_HAND;
    case 32650:
      return SDL_SYSTEM_CURSOR_WAITARROW;
  }
  return SDL_SYSTEM_CURSOR_ARROW;
}

class SdlBackend;

// The backend whose thread runs SDL (one at a time), for the handler of a
// lost X connection.
std::atomic<SdlBackend*> g_backend{nullptr};
// Xlib's handler from before ours, for connections that are not SDL's.
XIOErrorHandlerProc g_previous_io_handler = nullptr;
int OnXConnectionLost(_XDisplay* display);

class SdlBackend : public Backend {
 public:
  explicit SdlBackend(const SdlLibrary& sdl) : sdl_(sdl) {}

  ~SdlBackend() override {
    stop_ = true;
    Wake();
    if (thread_.joinable()) {
      {
        // A thread that lost its display stops for good (see DisplayLost):
        // it is left where it is.
        std::unique_lock<std::mutex> lock(end_mutex_);
        ended_changed_.wait(lock, [this] { return ended_ || lost_; });
      }
      if (ended_) {
        thread_.join();
      } else {
        thread_.detach();
      }
    }
    SdlBackend* self = this;
    g_backend.compare_exchange_strong(self, nullptr);
    if (wake_fd_ >= 0) close(wake_fd_);
  }

  // Starts the SDL thread; false when SDL video does not start.
  bool Start(SIZE* screen) {
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) return false;
    gui_thread_ = GetCurrentThreadId();
    std::promise<bool> started;
    auto result = started.get_future();
    thread_ = std::thread([this, &started] { Run(&started); });
    if (!result.get()) {
      thread_.join();
      return false;
    }
    *screen = screen_;
    return true;
  }

  DisplayKind kind() const override { return DisplayKind::kSdl; }

  void Present(const std::vector<WindowView>& views) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (lost_) return;
      for (auto& [hwnd, shown] : shown_) shown.present = false;
      for (const WindowView& view : views) Take(view);
      order_.clear();
      for (const WindowView& view : views) order_.push_back(view.hwnd);
      active_ = nullptr;
      for (const WindowView& view : views) {
        if (view.active) active_ = view.hwnd;
      }
    }
    Wake();
  }

  void SetCursorShape(HCURSOR cursor) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      cursor_ = cursor;
      cursor_changed_ = true;
    }
    Wake();
  }

  bool SetClipboardText(const std::string& text) override {
    bool done = false;
    RunOnSdlThread([&] { done = sdl_.SetClipboardText(text.c_str()) == 0; });
    return done;
  }

  bool GetClipboardText(std::string* text) override {
    bool done = false;
    RunOnSdlThread([&] {
      // SDL answers an empty text both for an empty clipboard and for a
      // failure; either way the desktop offers no text.
      char* got = sdl_.GetClipboardText();
      if (got == nullptr) return;
      *text = got;
      sdl_.free(got);
      done = true;
    });
    return done;
  }

  void WarpMouse(POINT pt) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      warp_ = pt;
      warp_pending_ = true;
    }
    Wake();
  }

  bool OnSdlThread() const { return std::this_thread::get_id() == sdl_thread_id_; }

  // The X connection is gone (called on the SDL thread, from Xlib's handler
  // of a lost connection). Xlib would end the process once its handler
  // returns, running the static destructors on this thread under the feet
  // of the main thread; and SDL, were it called again, would wait for the
  // dead server for ever. So this thread stops here for good: it lets go of
  // what it holds, the program is asked to quit on the thread that started
  // the display (which ends it in order, as a quit message does), and the
  // backend is never called into SDL again.
  [[noreturn]] void DisplayLost() {
    if (sync_lock_ != nullptr && sync_lock_->owns_lock()) sync_lock_->unlock();
    {
      std::lock_guard<std::mutex> lock(end_mutex_);
      lost_ = true;
    }
    ended_changed_.notify_all();
    if (!stop_ && !PostThreadMessage(gui_thread_, WM_QUIT, 0, 0)) {
      // Nobody to end the program in order: end it here, running nothing
      // that other threads may still use.
      _exit(1);
    }
    for (;;) pause();
  }

 private:
  // Copies what changed of a window into its buffer. mutex_ held.
  void Take(const WindowView& view) {
    Shown& shown = shown_[view.hwnd];
    shown.present = true;
    shown.rect = view.rect;
    shown.minimized = view.minimized;
    if (!view.minimized) shown.normal_rect = view.rect;
    shown.topmost = view.topmost;
    shown.app_window = view.app_window;
    shown.title = view.title;
    shown.owner = view.owner;
    if (!view.surface) {
      shown.width = shown.height = 0;
      shown.pixels.clear();
      return;
    }
    const Surface& surface = *view.surface;
    std::vector<RECT> shape;
    if (view.has_shape)
      view.shape.ForEachRectIn(RECT{0, 0, surface.width(), surface.height()},
                               [&](const RECT& r) { shape.push_back(r); });
    if (view.has_shape != shown.has_shape || shape.size() != shown.shape.size() ||
        !std::equal(shape.begin(), shape.end(), shown.shape.begin(), [](const RECT& a, const RECT& b) {
          return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
        })) {
      shown.has_shape = view.has_shape;
      shown.shape = std::move(shape);
      shown.shape_changed = true;
    }
    Region dirty = view.dirty;
    if (shown.width != surface.width() || shown.height != surface.height()) {
      shown.width = surface.width();
      shown.height = surface.height();
      shown.pixels.assign(static_cast<std::size_t>(shown.width) * shown.height, 0);
      dirty = Region(RECT{0, 0, shown.width, shown.height});
    }
    dirty.ForEachRectIn(RECT{0, 0, shown.width, shown.height}, [&](const RECT& piece) {
      for (LONG y = piece.top; y < piece.bottom; ++y) {
        const std::uint32_t* from = surface.Row(y) + piece.left;
        std::uint32_t* to =
            shown.pixels.data() + static_cast<std::size_t>(y) * shown.width + piece.left;
        std::copy(from, from + (piece.right - piece.left), to);
        if (view.has_shape) {
          for (LONG x = piece.left; x < piece.right; ++x) {
            if (!view.shape.Contains(x, y))
              shown.pixels[static_cast<std::size_t>(y) * shown.width + x] = 0;
          }
        }
      }
    });
    shown.dirty = Region::Combine(shown.dirty, dirty, Region::Op::Or);
  }

  // SDL's clipboard belongs to the thread that runs its video side: the
  // work is handed to that thread and waited for (not past the loss of the
  // display: the thread then runs nothing more).
  void RunOnSdlThread(std::function<void()> work) {
    std::packaged_task<void()> task(std::move(work));
    std::future<void> finished = task.get_future();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_ || lost_) return;
      tasks_.push_back(std::move(task));
    }
    Wake();
    while (finished.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
      if (lost_) return;
    }
  }

  void RunTasks() {
    std::vector<std::packaged_task<void()>> tasks;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
  }

  // Only ever our own event: SDL is called on its thread alone, so no other
  // thread ever writes to the X connections (as SDL's own wake-up would).
  void Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wake_fd_, &one, sizeof one);
    if (sdl_wake_event_ != 0) {
      SDL_Event event{};
      event.type = sdl_wake_event_;
      sdl_.PushEvent(&event);
    }
  }

  // Sleeps until the X server sends something, Wake is called or
  // `timeout_ms` pass.
  void WaitForWork(int timeout_ms) {
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {x_fd_, POLLIN, 0}};
    poll(fds, x_fd_ >= 0 ? 2 : 1, timeout_ms);
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = read(wake_fd_, &count, sizeof count);
  }

  void Run(std::promise<bool>* started) {
    sdl_thread_id_ = std::this_thread::get_id();
    sdl_.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl_.SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    sdl_.SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Window surfaces go straight to X: no OpenGL driver is loaded for them.
    sdl_.SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (sdl_.InitSubSystem(SDL_INIT_VIDEO) != 0) {
      {
        std::lock_guard<std::mutex> lock(end_mutex_);
        ended_ = true;
      }
      started->set_value(false);
      return;
    }
    if (BindX11(sdl_)) {
      UseScreenVisual(sdl_);
      static std::once_flag installed;
      std::call_once(installed, [] { g_previous_io_handler = SetXIOErrorHandler(&OnXConnectionLost); });
    } else {
      // Not X11: SDL waits for its events itself, woken by an event of
      // ours pushed from other threads.
      sdl_wake_event_ = sdl_.RegisterEvents(1);
    }
    g_backend = this;
    SDL_DisplayMode mode;
    screen_ = SIZE{1024, 768};
    if (sdl_.GetDesktopDisplayMode(0, &mode) == 0) screen_ = SIZE{mode.w, mode.h};
    sdl_.StartTextInput();
    started->set_value(true);
    while (!stop_) {
      SDL_Event event;
      while (sdl_.PollEvent(&event)) Handle(event);
      RunTasks();
      Sync();
      // Focus gone to another program: our active window is deactivated.
      if (focus_lost_at_ != 0 && sdl_.GetTicks() - focus_lost_at_ >= 100) {
        focus_lost_at_ = 0;
        if (sdl_.GetKeyboardFocus() == nullptr) {
          raised_ = nullptr;
          InjectActivation(nullptr);
        }
      }
      if (sdl_wake_event_ != 0) {
        if (sdl_.WaitEventTimeout(&event, 50)) Handle(event);
        continue;
      }
      // What SDL or Xlib already hold is handled before sleeping.
      if (sdl_.HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || XEventsWaiting(any_window_)) continue;
      WaitForWork(50);
    }
    {
      // Nobody waits for work that will not run.
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.clear();
    }
    for (auto& [hwnd, shown] : shown_) {
      if (shown.window != nullptr) sdl_.DestroyWindow(shown.window);
    }
    if (sdl_cursor_ != nullptr) sdl_.FreeCursor(sdl_cursor_);
    sdl_.StopTextInput();
    sdl_.QuitSubSystem(SDL_INIT_VIDEO);
    {
      std::lock_guard<std::mutex> lock(end_mutex_);
      ended_ = true;
    }
    ended_changed_.notify_all();
  }

  // The window of an SDL window id and its place on the screen.
  bool Lookup(Uint32 id, HWND* hwnd, RECT* rect, bool* app_window = nullptr) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [handle, shown] : shown_) {
      if (shown.window != nullptr && shown.id == id) {
        *hwnd = handle;
        *rect = shown.sdl_rect;
        if (app_window != nullptr) *app_window = shown.app_window;
        return true;
      }
    }
    return false;
  }

  void Handle(const SDL_Event& event) {
    HWND hwnd = nullptr;
    RECT rect{};
    switch (event.type) {
      case SDL_MOUSEMOTION:
        if (!Lookup(event.motion.windowID, &hwnd, &rect)) return;
        InjectMouse(MouseAction::kMove, rect.left + event.motion.x, rect.top + event.motion.y);
        return;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        if (!Lookup(event.button.windowID, &hwnd, &rect)) return;
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        MouseAction action;
        switch (event.button.button) {
          case SDL_BUTTON_LEFT:
            action = down ? MouseAction::kLeftDown : MouseAction::kLeftUp;
            break;
          case SDL_BUTTON_RIGHT:
            action = down ? MouseAction::kRightDown : MouseAction::kRightUp;
            break;
          case SDL_BUTTON_MIDDLE:
            action = down ? MouseAction::kMiddleDown : MouseAction::kMiddleUp;
            break;
          case SDL_BUTTON_X1:
            action = down ? MouseAction::kX1Down : MouseAction::kX1Up;
            break;
          default:
            action = down ? MouseAction::kX2Down : MouseAction::kX2Up;
            break;
        }
        buttons_down_ += down ? 1 : -1;
        if (buttons_down_ < 0) buttons_down_ = 0;
        sdl_.CaptureMouse(buttons_down_ > 0 ? SDL_TRUE : SDL_FALSE);
        // A click on the program finds the keyboard with it.
        if (down) check_focus_ = true;
        InjectMouse(action, rect.left + event.button.x, rect.top + event.button.y);
        return;
      }
      case SDL_MOUSEWHEEL: {
        POINT pt{};
        int x = 0, y = 0;
        sdl_.GetGlobalMouseState(&x, &y);
        pt = POINT{x, y};
        if (event.wheel.y != 0) InjectMouse(MouseAction::kWheel, pt.x, pt.y, event.wheel.y * 120);
        if (event.wheel.x != 0) InjectMouse(MouseAction::kHWheel, pt.x, pt.y, event.wheel.x * 120);
        return;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        UINT vk = KeyFromSdl(event.key.keysym.sym);
        if (vk == 0) return;
        InjectKey(vk, event.type == SDL_KEYDOWN, MakesText(vk, event.key.keysym.mod));
        return;
      }
      case SDL_TEXTINPUT:
        InjectText(event.text.text);
        return;
      case SDL_WINDOWEVENT:
        HandleWindowEvent(event.window);
        return;
    }
  }

  void HandleWindowEvent(const SDL_WindowEvent& event) {
    HWND hwnd = nullptr;
    RECT rect{};
    bool app_window = true;
    if (!Lookup(event.windowID, &hwnd, &rect, &app_window)) return;
    switch (event.event) {
      case SDL_WINDOWEVENT_CLOSE:
        PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        // Checked a little later: focus moving to another window of ours
        // arrives as a loss and a gain.
        focus_lost_at_ = sdl_.GetTicks();
        return;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        focus_lost_at_ = 0;
        // Our own raising of the active window comes back as focus: only
        // focus given from outside changes activation, and only for
        // application windows (a hint or menu shown does not take it).
        if (hwnd != raised_ && app_window) InjectActivation(hwnd);
        if (app_window) raised_ = hwnd;
        return;
      case SDL_WINDOWEVENT_EXPOSED: {
        std::lock_guard<std::mutex> lock(mutex_);
        Shown& shown = shown_[hwnd];
        shown.dirty = Region(RECT{0, 0, shown.width, shown.height});
        return;
      }
      case SDL_WINDOWEVENT_MINIMIZED: {
        bool ours = false;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          ours = shown_[hwnd].minimized;
        }
        if (!ours) PostMessage(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return;
      }
      case SDL_WINDOWEVENT_RESTORED: {
        bool ours = true;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          ours = !shown_[hwnd].minimized;
        }
        if (!ours) PostMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        return;
      }
    }
  }

  void Upload(Shown& shown) {
    if (shown.dirty.IsEmpty() || shown.width == 0) return;
    SDL_Surface* target = sdl_.GetWindowSurface(shown.window);
    if (target == nullptr || target->w < shown.width || target->h < shown.height) return;
    std::vector<SDL_Rect> rects;
    shown.dirty.ForEachRectIn(RECT{0, 0, shown.width, shown.height}, [&](const RECT& piece) {
      const int w = piece.right - piece.left, h = piece.bottom - piece.top;
      const std::uint32_t* from =
          shown.pixels.data() + static_cast<std::size_t>(piece.top) * shown.width + piece.left;
      auto* to = static_cast<std::uint8_t*>(target->pixels) + piece.top * target->pitch +
                 piece.left * target->format->BytesPerPixel;
      sdl_.ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, from, shown.width * 4, target->format->format,
                         to, target->pitch);
      rects.push_back(SDL_Rect{piece.left, piece.top, w, h});
    });
    sdl_.UpdateWindowSurfaceRects(shown.window, rects.data(), static_cast<int>(rects.size()));
    shown.dirty.Clear();
  }

  void Place(HWND hwnd, Shown& shown) {
    const RECT& r = shown.normal_rect;
    if (shown.window == nullptr) {
      Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
      // Menus, drop-down lists and hints (on top, no caption) are popups a
      // window manager leaves alone: it neither frames nor focuses them.
      if (!shown.app_window && shown.topmost) flags |= SDL_WINDOW_POPUP_MENU;
      shown.window = sdl_.CreateWindow(shown.title.c_str(), r.left, r.top, std::max(1, shown.width),
                                       std::max(1, shown.height), flags);
      if (shown.window == nullptr) return;
      if (any_window_ == nullptr) {
        any_window_ = shown.window;
        x_fd_ = XConnectionOf(shown.window);
      }
      shown.id = sdl_.GetWindowID(shown.window);
      shown.sdl_rect = r;
      shown.sdl_title = shown.title;
      // A shaped window is cut before it first shows: nothing beside its
      // region ever covers the windows beneath.
      if (shown.has_shape) {
        ShapeSdlWindow(shown.window, &shown.shape);
        shown.shape_changed = false;
      }
      // Without a window manager SDL gives every window it shows the X
      // keyboard focus, and takes it to nowhere when that window goes. The
      // keyboard stays with the window the window system made active: a
      // window shown without being activated (a hint, a menu, a box behind
      // the active one) gives it back at once.
      const unsigned long focus_before = XFocusOf(shown.window);
      sdl_.ShowWindow(shown.window);
      if (hwnd != active_ && HasXFocus(shown.window)) SetXFocus(shown.window, focus_before);
      shown.dirty = Region(RECT{0, 0, shown.width, shown.height});
    }
    if (r.left != shown.sdl_rect.left || r.top != shown.sdl_rect.top) {
      sdl_.SetWindowPosition(shown.window, r.left, r.top);
    }
    if (r.right - r.left != shown.sdl_rect.right - shown.sdl_rect.left ||
        r.bottom - r.top != shown.sdl_rect.bottom - shown.sdl_rect.top) {
      sdl_.SetWindowSize(shown.window, std::max(1, shown.width), std::max(1, shown.height));
      shown.dirty = Region(RECT{0, 0, shown.width, shown.height});
      shown.shape_changed = true;
    }
    shown.sdl_rect = r;
    if (shown.shape_changed) {
      // The region shapes the X window (where the display can shape):
      // outside it the screen beneath shows and clicks pass through.
      // Elsewhere the outside stays black.
      ShapeSdlWindow(shown.window, shown.has_shape ? &shown.shape : nullptr);
      shown.shape_changed = false;
    }
    if (shown.minimized != shown.sdl_minimized) {
      if (shown.minimized) {
        sdl_.MinimizeWindow(shown.window);
        check_focus_ = true;
      } else {
        sdl_.RestoreWindow(shown.window);
      }
      shown.sdl_minimized = shown.minimized;
    }
    if (shown.topmost != shown.sdl_topmost) {
      sdl_.SetWindowAlwaysOnTop(shown.window, shown.topmost ? SDL_TRUE : SDL_FALSE);
      shown.sdl_topmost = shown.topmost;
    }
    if (shown.title != shown.sdl_title) {
      sdl_.SetWindowTitle(shown.window, shown.title.c_str());
      shown.sdl_title = shown.title;
    }
  }

  void UpdateCursor() {
    platform::CursorImage image;
    bool visible = cursor_ != nullptr && platform::GetCursorImage(cursor_, &image);
    sdl_.ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    if (!visible) return;
    SDL_Cursor* made = nullptr;
    if (image.standard_id != 0) {
      made = sdl_.CreateSystemCursor(SystemCursorFor(image.standard_id));
    } else {
      SDL_Surface* pixels =
          sdl_.CreateRGBSurfaceWithFormatFrom(image.argb.data(), image.width, image.height, 32,
                                              image.width * 4, SDL_PIXELFORMAT_ARGB8888);
      if (pixels != nullptr) {
        made = sdl_.CreateColorCursor(pixels, image.hotspot.x, image.hotspot.y);
        sdl_.FreeSurface(pixels);
      }
    }
    if (made == nullptr) return;
    sdl_.SetCursor(made);
    if (sdl_cursor_ != nullptr) sdl_.FreeCursor(sdl_cursor_);
    sdl_cursor_ = made;
  }

  // Makes the SDL windows what the window system wants.
  void Sync() {
    std::unique_lock<std::mutex> lock(mutex_);
    // Should the display be lost under these calls, DisplayLost lets go of it.
    sync_lock_ = &lock;
    for (auto it = shown_.begin(); it != shown_.end();) {
      Shown& shown = it->second;
      if (!shown.present) {
        if (shown.window != nullptr) {
          if (shown.window == any_window_) any_window_ = nullptr;
          sdl_.DestroyWindow(shown.window);
          check_focus_ = true;
        }
        if (raised_ == it->first) raised_ = nullptr;
        it = shown_.erase(it);
        continue;
      }
      if (shown.width > 0) {
        Place(it->first, shown);
        if (shown.window != nullptr && !shown.minimized) Upload(shown);
      }
      if (any_window_ == nullptr) any_window_ = shown.window;
      ++it;
    }
    if (active_ != nullptr) {
      auto it = shown_.find(active_);
      if (it != shown_.end() && it->second.window != nullptr && !it->second.minimized) {
        if (active_ != raised_) {
          raised_ = active_;
          sdl_.RaiseWindow(it->second.window);
          // The active window takes the keyboard too: without a window
          // manager nobody else gives it, and the focus of a closed window
          // (a message box) would otherwise leave the keys nowhere.
          GiveXFocus(it->second.window);
          stacked_.clear();
        } else if (check_focus_ && XFocusIsNowhere(it->second.window)) {
          // A window that held the keyboard went away (or the program was
          // clicked while nothing held it): back to the active window.
          GiveXFocus(it->second.window);
        }
      }
    }
    check_focus_ = false;
    // Owned windows are marked for a window manager; the X stacking
    // follows the window system's order (with no window manager nobody
    // else keeps a box above the window that owns it).
    for (auto& [hwnd, shown] : shown_) {
      if (shown.window == nullptr) continue;
      SDL_Window* owner = nullptr;
      if (shown.owner != nullptr) {
        auto it = shown_.find(shown.owner);
        if (it != shown_.end()) owner = it->second.window;
      }
      if (owner != shown.sdl_owner) {
        SetSdlWindowOwner(shown.window, owner);
        shown.sdl_owner = owner;
      }
    }
    std::vector<SDL_Window*> stacking;
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
      auto found = shown_.find(*it);
      if (found != shown_.end() && found->second.window != nullptr && !found->second.minimized)
        stacking.push_back(found->second.window);
    }
    if (stacking != stacked_) {
      StackSdlWindows(stacking);
      stacked_ = stacking;
    }
    if (cursor_changed_) {
      cursor_changed_ = false;
      UpdateCursor();
    }
    if (warp_pending_) {
      warp_pending_ = false;
      sdl_.WarpMouseGlobal(warp_.x, warp_.y);
    }
    sync_lock_ = nullptr;
  }

  const SdlLibrary& sdl_;
  std::thread thread_;
  std::atomic<std::thread::id> sdl_thread_id_{};
  DWORD gui_thread_ = 0;  // the thread that started the display
  std::atomic<bool> stop_{false};
  int wake_fd_ = -1;
  Uint32 sdl_wake_event_ = 0;          // set before Start returns, when SDL waits itself
  int x_fd_ = -1;                      // SDL thread only
  SDL_Window* any_window_ = nullptr;   // one of the SDL windows, for X calls (SDL thread only)
  bool check_focus_ = false;           // SDL thread only
  SIZE screen_{};
  std::mutex mutex_;
  std::unique_lock<std::mutex>* sync_lock_ = nullptr;  // SDL thread only
  std::map<HWND, Shown> shown_;
  HWND active_ = nullptr;
  HWND raised_ = nullptr;  // SDL thread only
  HCURSOR cursor_ = nullptr;
  bool cursor_changed_ = false;
  POINT warp_{};
  bool warp_pending_ = false;
  SDL_Cursor* sdl_cursor_ = nullptr;  // SDL thread only
  int buttons_down_ = 0;              // SDL thread only
  Uint32 focus_lost_at_ = 0;          // SDL thread only
  std::vector<HWND> order_;           // the windows, topmost first (mutex_)
  std::vector<SDL_Window*> stacked_;  // as last stacked, bottom first (SDL thread only)
  std::vector<std::packaged_task<void()>> tasks_;  // work for the SDL thread
  // The SDL thread's end: it returned (ended_) or it stopped for good on a
  // lost display (lost_).
  std::mutex end_mutex_;
  std::condition_variable ended_changed_;
  bool ended_ = false;
  std::atomic<bool> lost_{false};
};

int OnXConnectionLost(_XDisplay* display) {
  SdlBackend* backend = g_backend.load();
  // SDL's connections are used on its thread alone.
  if (backend != nullptr && backend->OnSdlThread()) backend->DisplayLost();
  // Another connection of the process: as before.
  return g_previous_io_handler != nullptr ? g_previous_io_handler(display) : 0;
}

}  // namespace

std::unique_ptr<Backend> StartSdlBackend() {
  const SdlLibrary* sdl = LoadSdl();
  if (sdl == nullptr) return nullptr;
  auto backend = std::make_unique<SdlBackend>(*sdl);
  SIZE screen{};
  if (!backend->Start(&screen)) return nullptr;
  platform::SetScreenSize(screen.cx, screen.cy);
  return backend;
}

}  // namespace platform::display

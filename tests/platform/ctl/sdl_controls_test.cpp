// The sample dialog under SDL2 on an X server of the test's own: drawn on
// the X screen, clicked and typed into through the X test extension, and
// the clipboard shared with another X client both ways.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/display.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/clipboard.h"
#include "tests/platform/ctl/sample_dialog.h"

extern char** environ;

// The X and SDL libraries keep some memory until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXext\n"
         "leak:libXcursor\nleak:libXrandr\nleak:libXfixes\nleak:libXss\nleak:libxkbcommon\n"
         "leak:libXinerama\n";
}

namespace ctl_test {
namespace {

// An X server on a free display number, for this test only.
class Xvfb {
 public:
  ~Xvfb() { Stop(); }

  bool Start() {
    for (int number = 160; number < 230; ++number) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
      if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
      const std::string display = ":" + std::to_string(number);
      std::vector<std::string> args{"Xvfb",       display,     "-screen", "0",
                                    "800x600x24", "-nolisten", "tcp"};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) return false;
      auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (std::chrono::steady_clock::now() < give_up) {
        if (std::filesystem::exists(socket)) {
          setenv("DISPLAY", display.c_str(), 1);
          display_ = XOpenDisplay(display.c_str());
          if (display_ != nullptr) return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {  // lost the number to someone else
          pid_ = 0;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      Stop();
    }
    return false;
  }

  void Stop() {
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    pid_ = 0;
  }

  Display* display() const { return display_; }

  COLORREF Pixel(int x, int y) {
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return CLR_INVALID;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  void Click(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
  }

  void Key(KeySym key) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, CurrentTime);
    XFlush(display_);
  }

 private:
  pid_t pid_ = 0;
  Display* display_ = nullptr;
};

bool PumpUntil(const std::function<bool()>& done, double seconds = 20) {
  auto give_up = std::chrono::steady_clock::now() +
                 std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (std::chrono::steady_clock::now() < give_up) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// SDL loads the X libraries itself and unloads them when it stops, which
// leaves the leak checker unable to name them: keep them loaded.
void KeepXLibrariesLoaded() {
  for (const char* name : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6",
                           "libXrandr.so.2", "libXss.so.1", "libXfixes.so.3", "libXinerama.so.1",
                           "libxkbcommon.so.0", "libdbus-1.so.3", "libX11-xcb.so.1"}) {
    dlopen(name, RTLD_NOW | RTLD_NODELETE);
  }
}

POINT OnScreen(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}

// Another X client reads the clipboard: asks its owner for the CLIPBOARD
// selection as UTF-8 text, keeping our messages moving meanwhile.
std::string ReadXClipboard(Display* d) {
  Window window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  const Atom property = XInternAtom(d, "VELKO_TEST_PASTE", False);
  XConvertSelection(d, clipboard, utf8, property, window, CurrentTime);
  XFlush(d);
  std::string text;
  bool answered = false;
  PumpUntil(
      [&] {
        while (XPending(d) > 0) {
          XEvent event;
          XNextEvent(d, &event);
          if (event.type != SelectionNotify) continue;
          answered = true;
          if (event.xselection.property == None) return true;
          Atom type = None;
          int format = 0;
          unsigned long count = 0, left = 0;
          unsigned char* data = nullptr;
          XGetWindowProperty(d, window, property, 0, 1 << 16, True, AnyPropertyType, &type, &format,
                             &count, &left, &data);
          if (data != nullptr) {
            text.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
          }
        }
        return answered;
      },
      10);
  XDestroyWindow(d, window);
  return text;
}

// Another X client owns the clipboard and hands out `text` until stopped.
class XClipboardOwner {
 public:
  explicit XClipboardOwner(std::string text) : text_(std::move(text)) {
    display_ = XOpenDisplay(nullptr);
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display_, XInternAtom(display_, "CLIPBOARD", False), window_, CurrentTime);
    XFlush(display_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~XClipboardOwner() {
    stop_ = true;
    thread_.join();
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

 private:
  void Serve() {
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    const Atom targets = XInternAtom(display_, "TARGETS", False);
    while (!stop_) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != SelectionRequest) continue;
        const XSelectionRequestEvent& request = event.xselectionrequest;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = request.property;
        if (request.target == targets) {
          Atom offered[] = {utf8, XA_STRING};
          XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32,
                          PropModeReplace, reinterpret_cast<unsigned char*>(offered), 2);
        } else if (request.target == utf8 || request.target == XA_STRING) {
          XChangeProperty(display_, request.requestor, request.property, request.target, 8,
                          PropModeReplace, reinterpret_cast<const unsigned char*>(text_.data()),
                          static_cast<int>(text_.size()));
        } else {
          reply.xselection.property = None;
        }
        XSendEvent(display_, request.requestor, False, 0, &reply);
        XFlush(display_);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  std::string text_;
  Display* display_ = nullptr;
  Window window_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(SdlControlsTest, TheSampleDialogWorksOnARealXServer) {
  KeepXLibrariesLoaded();
  platform::ResetInput();
  Xvfb x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  SampleDialog s = MakeSampleDialog(60, 50);
  ASSERT_NE(s.dialog, nullptr);

  // Drawn: the progress bar's blocks and the default button's frame reach X.
  const POINT bar = OnScreen(s.progress, 4, 9);
  const POINT frame = OnScreen(s.ok, 0, 12);
  EXPECT_TRUE(PumpUntil([&] {
    return x.Pixel(bar.x, bar.y) == GetSysColor(COLOR_HIGHLIGHT) &&
           x.Pixel(frame.x, frame.y) == GetSysColor(COLOR_WINDOWFRAME);
  })) << std::hex
      << x.Pixel(bar.x, bar.y);

  // A click on the check box clears it.
  const POINT box = OnScreen(s.check, 6, 9);
  x.Click(box.x, box.y);
  EXPECT_TRUE(PumpUntil([&] { return SendMessage(s.check, BM_GETCHECK, 0, 0) == 0; }));

  // Typing goes into the focused edit field.
  SetFocus(s.edit);
  SendMessage(s.edit, EM_SETSEL, 0, -1);
  x.Key(XK_v);
  x.Key(XK_x);
  auto edit_text = [&] {
    char text[32] = {};
    GetWindowText(s.edit, text, sizeof(text));
    return std::string(text);
  };
  EXPECT_TRUE(PumpUntil([&] { return edit_text() == "vx"; })) << edit_text();

  // The clipboard is the desktop's: another client reads what we put there...
  ASSERT_TRUE(platform::PutClipboardText(s.dialog, "from velko"));
  EXPECT_EQ(ReadXClipboard(x.display()), "from velko");
  // ...and we read what another client puts there.
  {
    XClipboardOwner owner("from x");
    std::string text;
    EXPECT_TRUE(platform::TakeClipboardText(s.dialog, &text));
    EXPECT_EQ(text, "from x");
    // Pasting into the field takes it too.
    SendMessage(s.edit, EM_SETSEL, 0, -1);
    SendMessage(s.edit, WM_PASTE, 0, 0);
    EXPECT_EQ(edit_text(), "from x");
  }

  DestroyWindow(s.dialog);
  PumpUntil([] { return true; }, 0.2);
  platform::UseHeadlessDisplay();
  platform::SetScreenSize(1024, 768);
  platform::ResetInput();
}

}  // namespace
}  // namespace ctl_test

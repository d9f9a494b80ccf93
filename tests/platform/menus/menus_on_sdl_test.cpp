// Menus and the message box on the SDL2 display of a real X server (a
// test-started Xvfb): the bar's drop-down and the box show as windows of
// their own on the X screen, and a click or a key made there through the X
// test extension chooses the item or answers the box.
#include "platform/core/clock.h"
#include "platform/dlg/message_box.h"
#include "tests/platform/menus/menu_fixture.h"

// After gtest: the X headers define macros that collide with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

// The X and SDL libraries keep some memory until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXext\n"
         "leak:libXcursor\nleak:libXrandr\nleak:libXfixes\nleak:libXss\nleak:libxkbcommon\n"
         "leak:libXinerama\n";
}

namespace velko_test {
namespace {

// An X server of the test's own on a free display number.
class Xvfb {
 public:
  ~Xvfb() { Stop(); }

  bool Start() {
    for (int number = 161; number < 230; ++number) {
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
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
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

  COLORREF Pixel(int x, int y) {
    XImage* image =
        XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return CLR_INVALID;
    unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  void Key(KeySym key) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, CurrentTime);
    XFlush(display_);
  }

  void Click(POINT p) {
    XTestFakeMotionEvent(display_, -1, p.x, p.y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
  }

 private:
  pid_t pid_ = 0;
  Display* display_ = nullptr;
};

// SDL loads the X libraries itself and unloads them when it stops, which
// leaves the leak checker unable to name them: keep them loaded.
void KeepXLibrariesLoaded() {
  for (const char* name : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6",
                           "libXrandr.so.2", "libXss.so.1", "libXfixes.so.3", "libXinerama.so.1",
                           "libxkbcommon.so.0", "libdbus-1.so.3", "libX11-xcb.so.1"}) {
    dlopen(name, RTLD_NOW | RTLD_NODELETE);
  }
}

// Pumps messages until `done` or `seconds` have passed.
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

using MenusOnSdlTest = MenuTest;

TEST_F(MenusOnSdlTest, ADropDownShowsOnTheXScreenAndAClickThereChooses) {
  KeepXLibrariesLoaded();
  Xvfb x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);

  HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 11, "&Open");
  AppendMenu(file, MF_STRING, 12, "E&xit");
  HMENU bar = Keep(CreateMenu());
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Menus", 0, 60, 60, 300, 200, bar);

  RECT file_item{};
  ASSERT_TRUE(GetMenuItemRect(hwnd, bar, 0, &file_item));
  // The frame and its bar reach the X server.
  ASSERT_TRUE(PumpUntil(
      [&] { return x.Pixel(file_item.right + 20, file_item.top + 5) == GetSysColor(COLOR_MENU); }));

  // Once the drop-down is up, a timer looks at the X screen until it shows
  // there, then clicks "Exit".
  bool shown_on_x = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  SetHandler([&](HWND window, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_ENTERIDLE && wparam == MSGF_MENU && !shown_on_x) {
      SetTimer(window, 1, 20, nullptr);
      return 0;
    }
    if (message == WM_TIMER && wparam == 1) {
      RECT exit_item{};
      GetMenuItemRect(window, file, 1, &exit_item);
      const POINT inside{exit_item.right - 4, exit_item.top + 2};
      if (x.Pixel(inside.x, inside.y) == GetSysColor(COLOR_MENU)) {
        KillTimer(window, 1);
        shown_on_x = true;
        x.Click(
            POINT{(exit_item.left + exit_item.right) / 2, (exit_item.top + exit_item.bottom) / 2});
      } else if (std::chrono::steady_clock::now() > deadline) {
        KillTimer(window, 1);
        EndMenu();
      }
      return 0;
    }
    return std::nullopt;
  });
  x.Click(POINT{(file_item.left + file_item.right) / 2, (file_item.top + file_item.bottom) / 2});
  EXPECT_TRUE(PumpUntil([&] { return !Commands(hwnd).empty(); }));
  EXPECT_TRUE(shown_on_x);
  EXPECT_EQ(Commands(hwnd), std::vector<WORD>{12});
  SetHandler(nullptr);
  SetMenu(hwnd, nullptr);
  DestroyWindow(hwnd);
  platform::UseHeadlessDisplay();
}

TEST_F(MenusOnSdlTest, AMessageBoxShowsOnTheXScreenAndAnswersAKeyTypedThere) {
  KeepXLibrariesLoaded();
  Xvfb x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  HWND owner = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Owner", 0, 60, 60, 400, 300);
  ASSERT_TRUE(PumpUntil([&] { return x.Pixel(200, 65) == GetSysColor(COLOR_ACTIVECAPTION); }));

  // Once the box is up, a timer waits for it on the X screen (its face in
  // the button colour where the owner's client area is black), then types
  // Escape there.
  bool shown_on_x = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  SetHandler(
      [&](HWND window, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
        if (message == WM_ENTERIDLE && wparam == MSGF_DIALOGBOX && !shown_on_x) {
          SetTimer(window, 1, 20, nullptr);
          SetProp(window, "box", reinterpret_cast<HANDLE>(lparam));
          return 0;
        }
        if (message == WM_TIMER && wparam == 1) {
          HWND box = reinterpret_cast<HWND>(GetProp(window, "box"));
          RECT client;
          GetClientRect(box, &client);
          POINT face{2, client.bottom - 2};
          ClientToScreen(box, &face);
          if (x.Pixel(face.x, face.y) == GetSysColor(COLOR_3DFACE)) {
            KillTimer(window, 1);
            shown_on_x = true;
            x.Key(XK_Escape);
          } else if (std::chrono::steady_clock::now() > deadline) {
            KillTimer(window, 1);
            DestroyWindow(box);
          }
          return 0;
        }
        return std::nullopt;
      });
  EXPECT_EQ(MessageBox(owner, "Go on?", "Question", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
  EXPECT_TRUE(shown_on_x);
  EXPECT_TRUE(IsWindowEnabled(owner));
  RemoveProp(owner, "box");
  SetHandler(nullptr);
  DestroyWindow(owner);
  platform::UseHeadlessDisplay();
}

}  // namespace
}  // namespace velko_test

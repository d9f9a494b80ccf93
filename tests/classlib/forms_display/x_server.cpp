#include "tests/classlib/forms_display/x_server.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/gdi.h"

extern char** environ;

namespace velko_test {

XServer::~XServer() { Stop(); }

bool XServer::Start() {
    for (int number = 161; number < 230; ++number) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
      if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
      const std::string display = ":" + std::to_string(number);
      std::vector<std::string> args{"Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) return false;
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (std::chrono::steady_clock::now() < give_up) {
        if (std::filesystem::exists(socket)) {
          setenv("DISPLAY", display.c_str(), 1);
          display_ = XOpenDisplay(display.c_str());
          if (display_ != nullptr) return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {  // lost the race for the number
          pid_ = 0;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      Stop();
    }
    return false;
}

void XServer::Stop() {
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
    }
    pid_ = 0;
}

COLORREF XServer::Pixel(int x, int y) {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return CLR_INVALID;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void XServer::Click(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
}

// SDL loads the X libraries itself and unloads them when it stops, which
// leaves the leak checker unable to name them: keep them loaded.
void KeepXLibrariesLoaded() {
  for (const char* name : {"libX11.so.6", "libXext.so.6", "libXcursor.so.1", "libXi.so.6", "libXrandr.so.2",
                           "libXss.so.1", "libXfixes.so.3", "libXinerama.so.1", "libxkbcommon.so.0",
                           "libdbus-1.so.3", "libX11-xcb.so.1"}) {
    dlopen(name, RTLD_NOW | RTLD_NODELETE);
  }
}

}  // namespace velko_test

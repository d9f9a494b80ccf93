// mapwait: the time from starting a program to its window appearing on the
// X display, measured from outside the program.
//
//   mapwait [--title TEXT] [--timeout SECONDS] PROGRAM [ARG...]
//
// Watches the display's top-level windows, starts PROGRAM, and prints the
// milliseconds from just before its exec to the first map of a top-level
// window named TEXT (default "Velko"; an empty TEXT takes any window).
// After the time, the program's peak resident memory so far in kilobytes.
// The program is then ended (SIGTERM, SIGKILL a second later). Exit status
// 0 when the window came, 1 on time-out or when the program ended first.
// Run it without a window manager, whose frames would hide the maps.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

bool NameIs(Display* display, Window window, const std::string& title) {
  if (title.empty()) return true;
  char* name = nullptr;
  bool same = false;
  if (XFetchName(display, window, &name) && name != nullptr) same = title == name;
  if (name != nullptr) XFree(name);
  return same;
}

long PeakResidentKb(pid_t child) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(child));
  FILE* status = std::fopen(path, "r");
  if (status == nullptr) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmHWM: %ld", &kb) == 1) break;
  }
  std::fclose(status);
  return kb;
}

void End(pid_t child) {
  kill(child, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(child, nullptr, WNOHANG) == child) return;
    usleep(10'000);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  std::string title = "Velko";
  double timeout_s = 30;
  int first = 1;
  while (first < argc && std::strncmp(argv[first], "--", 2) == 0) {
    if (std::strcmp(argv[first], "--title") == 0 && first + 1 < argc) {
      title = argv[first + 1];
      first += 2;
    } else if (std::strcmp(argv[first], "--timeout") == 0 && first + 1 < argc) {
      timeout_s = std::atof(argv[first + 1]);
      first += 2;
    } else {
      break;
    }
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: mapwait [--title TEXT] [--timeout SECONDS] PROGRAM [ARG...]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "mapwait: no X display\n");
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const double start = NowMs();
  const pid_t child = fork();
  if (child == 0) {
    close(ConnectionNumber(display));
    execvp(argv[first], argv + first);
    std::perror("mapwait: exec");
    _exit(127);
  }
  if (child < 0) {
    std::perror("mapwait: fork");
    return 2;
  }
  const double deadline = start + timeout_s * 1000.0;
  pollfd watch{ConnectionNumber(display), POLLIN, 0};
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify || !NameIs(display, event.xmap.window, title)) continue;
      const double elapsed = NowMs() - start;
      std::printf("%.1f %ld\n", elapsed, PeakResidentKb(child));
      std::fflush(stdout);
      End(child);
      return 0;
    }
    if (waitpid(child, nullptr, WNOHANG) == child) {
      std::fprintf(stderr, "mapwait: the program ended before its window was mapped\n");
      return 1;
    }
    const double left = deadline - NowMs();
    if (left <= 0) {
      std::fprintf(stderr, "mapwait: no window \"%s\" within %.0f s\n", title.c_str(), timeout_s);
      End(child);
      return 1;
    }
    poll(&watch, 1, static_cast<int>(left < 50 ? left + 1 : 50));
  }
}

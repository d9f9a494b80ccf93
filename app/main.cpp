// Velko's entry point.
//
// The program shows its main window (an empty, framed window for now) on
// the display: SDL2 when one is present, the headless screen otherwise.
// Closing the window (its close
// box, Alt+F4, WM_CLOSE) destroys it, its WM_DESTROY posts WM_QUIT, and the
// loop ends the program with the quit code. SIGINT and SIGTERM close the
// window the same way.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "platform/display/display.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/user.h"

namespace {

constexpr char kMainWindowClass[] = "VelkoMainWindow";
constexpr int kMainWidth = 640;
constexpr int kMainHeight = 480;

// Turns SIGINT and SIGTERM into WM_CLOSE for a window. The signals are
// blocked in every thread (the constructor runs before any thread starts)
// and read from a signalfd by a watcher thread, so nothing runs inside a
// signal handler.
class TerminationSignals {
 public:
  TerminationSignals() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    signal_fd_ = signalfd(-1, &signals_, SFD_CLOEXEC);
    stop_fd_ = eventfd(0, EFD_CLOEXEC);
  }

  ~TerminationSignals() {
    if (watcher_.joinable()) {
      std::uint64_t one = 1;
      [[maybe_unused]] ssize_t written = write(stop_fd_, &one, sizeof one);
      watcher_.join();
    }
    if (signal_fd_ >= 0) close(signal_fd_);
    if (stop_fd_ >= 0) close(stop_fd_);
  }

  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  bool ok() const { return signal_fd_ >= 0 && stop_fd_ >= 0; }

  void CloseWindowOnSignal(HWND window) {
    watcher_ = std::thread([this, window] { Watch(window); });
  }

 private:
  void Watch(HWND window) {
    for (;;) {
      pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;  // interrupted
      if (fds[1].revents & POLLIN) return;
      if (fds[0].revents & POLLIN) {
        signalfd_siginfo info;
        if (read(signal_fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
          PostMessage(window, WM_CLOSE, 0, 0);
        }
      }
    }
  }

  sigset_t signals_;
  int signal_fd_ = -1;
  int stop_fd_ = -1;
  std::thread watcher_;
};

LRESULT MainWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop() {
  MSG msg;
  for (;;) {
    BOOL result = GetMessage(&msg, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(msg.wParam);
    if (result == -1) return 1;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

// The main window, centred on the screen.
HWND CreateMainWindow() {
  WNDCLASS window_class;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = kMainWindowClass;
  if (!RegisterClass(&window_class)) return nullptr;
  SIZE screen = platform::ScreenSize();
  int x = (screen.cx - kMainWidth) / 2;
  int y = (screen.cy - kMainHeight) / 2;
  return CreateWindowEx(0, kMainWindowClass, "Velko", WS_OVERLAPPEDWINDOW, x < 0 ? 0 : x,
                        y < 0 ? 0 : y, kMainWidth, kMainHeight, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

int main() {
  TerminationSignals signals;
  if (!signals.ok()) return 1;
  platform::ChooseDisplay();

  HWND main_window = CreateMainWindow();
  if (main_window == nullptr) return 1;
  signals.CloseWindowOnSignal(main_window);
  ShowWindow(main_window, SW_SHOWNORMAL);
  UpdateWindow(main_window);

  int exit_code = RunMessageLoop();
  UnregisterClass(kMainWindowClass, nullptr);
  platform::UseHeadlessDisplay();
  return exit_code;
}

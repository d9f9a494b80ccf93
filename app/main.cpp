// Velko's entry point.
//
// The program runs one hidden message-only window and the main thread's
// message loop. Closing the window (WM_CLOSE) destroys it, its WM_DESTROY
// posts WM_QUIT, and the loop ends the program with the quit code. SIGINT
// and SIGTERM close the window the same way.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "platform/user/user.h"

namespace {

constexpr char kHiddenWindowClass[] = "VelkoHiddenWindow";

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

LRESULT HiddenWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
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

}  // namespace

int main() {
  TerminationSignals signals;
  if (!signals.ok()) return 1;

  WNDCLASS window_class;
  window_class.lpfnWndProc = HiddenWindowProc;
  window_class.lpszClassName = kHiddenWindowClass;
  if (!RegisterClass(&window_class)) return 1;
  HWND hidden = CreateWindowEx(0, kHiddenWindowClass, "Velko", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               nullptr, nullptr);
  if (hidden == nullptr) return 1;
  signals.CloseWindowOnSignal(hidden);

  int exit_code = RunMessageLoop();
  UnregisterClass(kHiddenWindowClass, nullptr);
  return exit_code;
}

// Velko's entry point.
//
// The program starts (splash, application, the eleven windows) and runs
// its main window on the display: SDL2 when one is present, the headless
// screen otherwise. SIGINT and SIGTERM end the program, also while a
// message box or another modal window is open, or while the windows are
// still being made.
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "app/BassTest.h"
#include "app/Program.h"
#include "classlib/Application.h"
#include "platform/core/threads.h"
#include "platform/display/display.h"
#include "platform/user/user.h"
#include "skins/QzHook.h"

namespace {


// Turns SIGINT and SIGTERM into WM_QUIT for the main thread: every modal
// loop ends on it and hands it on, so the program ends wherever it waits.
// The signals are blocked in every thread (the constructor runs before any
// thread starts) and read from a signalfd by a watcher thread, so nothing
// runs inside a signal handler.
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

  void QuitThreadOnSignal(DWORD thread_id) {
    watcher_ = std::thread([this, thread_id] { Watch(thread_id); });
  }

 private:
  void Watch(DWORD thread_id) {
    for (;;) {
      pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;  // interrupted
      if (fds[1].revents & POLLIN) return;
      if (fds[0].revents & POLLIN) {
        signalfd_siginfo info;
        if (read(signal_fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
          PostThreadMessage(thread_id, WM_QUIT, 0, 0);
        }
      }
    }
  }

  sigset_t signals_;
  int signal_fd_ = -1;
  int stop_fd_ = -1;
  std::thread watcher_;
};

}  // namespace

int main() {
  TerminationSignals signals;
  if (!signals.ok()) return 1;
  platform::ChooseDisplay();
  // The main thread's queue exists before a signal can be posted to it.
  MSG msg;
  PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
  signals.QuitThreadOnSignal(GetCurrentThreadId());

  try {
    CreateProgramForms();
  } catch (...) {
    Application->HandleException(Application);
  }
  if (Form1 != nullptr && !Application->Terminated()) Application->Run();
  // The windows go first, then the skin hooks' shared window that the
  // preferences window's engine used, while the window system still runs.
  delete Application;
  FreeHookList();
  platform::UseHeadlessDisplay();
  return 0;
}

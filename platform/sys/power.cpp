#include "platform/sys/power.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include <cstdlib>

extern char** environ;

namespace platform {
namespace {

std::mutex g_mutex;
std::shared_ptr<PowerController> g_controller;

// Asks logind through its command-line clients; the request is handed on
// when the client could be started (it ends the session or the machine
// itself, so its outcome is not awaited).
class LogindPowerController : public PowerController {
 public:
  bool Exit(const PowerRequest& request) override {
    std::vector<std::string> args;
    if (request.flags & EWX_POWEROFF) {
      args = {"systemctl", "poweroff"};
    } else if (request.flags & EWX_REBOOT) {
      args = {"systemctl", "reboot"};
    } else if (request.flags & EWX_SHUTDOWN) {
      args = {"systemctl", "halt"};
    } else {
      args = {"loginctl", "terminate-session", ""};
      const char* session = getenv("XDG_SESSION_ID");
      if (session == nullptr || *session == '\0') return false;
      args[2] = session;
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    return true;
  }
};

}  // namespace

void SetPowerController(std::shared_ptr<PowerController> controller) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_controller = std::move(controller);
}

std::shared_ptr<RecordingPowerController> CurrentRecordingPowerController() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return std::dynamic_pointer_cast<RecordingPowerController>(g_controller);
}

bool RecordingPowerController::Exit(const PowerRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(request);
  return true;
}

std::vector<PowerRequest> RecordingPowerController::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void RecordingPowerController::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

}  // namespace platform

BOOL ExitWindowsEx(UINT flags, DWORD reason) {
  std::shared_ptr<platform::PowerController> controller;
  {
    std::lock_guard<std::mutex> lock(platform::g_mutex);
    controller = platform::g_controller;
  }
  if (!controller) controller = std::make_shared<platform::LogindPowerController>();
  return controller->Exit({flags, reason}) ? TRUE : FALSE;
}

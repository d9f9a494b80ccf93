#include "platform/sys/power.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"

namespace platform {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

std::mutex g_mutex;
std::shared_ptr<PowerBackend> g_backend;

std::shared_ptr<PowerBackend> Backend() {
  std::lock_guard lock(g_mutex);
  if (!g_backend) g_backend = MakeLogindPowerBackend();
  return g_backend;
}

class LogindBackend : public PowerBackend {
 public:
  explicit LogindBackend(std::string address) : address_(std::move(address)) {}

  bool Request(const std::string& action, bool force) override {
    sd_bus* bus = Open();
    if (bus == nullptr) return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int result = -1;
    if (action == "LogOff") {
      // Our own session: the one this process belongs to.
      sd_bus_message* reply = nullptr;
      result = sd_bus_call_method(bus, kService, kPath, kManager, "GetSessionByPID", &error, &reply, "u",
                                  static_cast<std::uint32_t>(getpid()));
      const char* session = nullptr;
      if (result >= 0 && sd_bus_message_read(reply, "o", &session) >= 0 && session != nullptr) {
        const std::string path = session;
        sd_bus_error_free(&error);
        result = sd_bus_call_method(bus, kService, path.c_str(), "org.freedesktop.login1.Session", "Terminate",
                                    &error, nullptr, "");
      } else if (result >= 0) {
        result = -1;
      }
      sd_bus_message_unref(reply);
    } else {
      // Interactive unless forced: logind may then ask the user.
      result = sd_bus_call_method(bus, kService, kPath, kManager, action.c_str(), &error, nullptr, "b",
                                  force ? 0 : 1);
    }
    sd_bus_error_free(&error);
    sd_bus_unref(bus);
    return result >= 0;
  }

  bool MayShutDown() override {
    sd_bus* bus = Open();
    if (bus == nullptr) return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    bool may = false;
    if (sd_bus_call_method(bus, kService, kPath, kManager, "CanPowerOff", &error, &reply, "") >= 0) {
      const char* answer = nullptr;
      if (sd_bus_message_read(reply, "s", &answer) >= 0 && answer != nullptr) {
        may = std::strcmp(answer, "yes") == 0 || std::strcmp(answer, "challenge") == 0;
      }
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_unref(bus);
    return may;
  }

 private:
  sd_bus* Open() {
    sd_bus* bus = nullptr;
    if (address_.empty()) {
      if (sd_bus_open_system(&bus) < 0) return nullptr;
      return bus;
    }
    if (sd_bus_new(&bus) < 0) return nullptr;
    if (sd_bus_set_address(bus, address_.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
        sd_bus_start(bus) < 0) {
      sd_bus_unref(bus);
      return nullptr;
    }
    return bus;
  }

  const std::string address_;
};

// The token of the own process; only the shutdown privilege matters here.
class TokenObject : public KernelObject {};

constexpr DWORD kShutdownLuid = 19;

}  // namespace

void SetPowerBackend(std::shared_ptr<PowerBackend> backend) {
  std::lock_guard lock(g_mutex);
  g_backend = std::move(backend);
}

std::shared_ptr<PowerBackend> MakeLogindPowerBackend(const std::string& bus_address) {
  return std::make_shared<LogindBackend>(bus_address);
}

bool RecordingPowerBackend::Request(const std::string& action, bool force) {
  std::lock_guard lock(mutex_);
  requests_.push_back(force ? action + " force" : action);
  return true;
}

bool RecordingPowerBackend::MayShutDown() {
  std::lock_guard lock(mutex_);
  return allowed_;
}

std::vector<std::string> RecordingPowerBackend::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

void RecordingPowerBackend::SetAllowed(bool allowed) {
  std::lock_guard lock(mutex_);
  allowed_ = allowed;
}

}  // namespace platform

BOOL ExitWindowsEx(UINT flags, DWORD) {
  const bool force = (flags & EWX_FORCE) != 0;
  const char* action = nullptr;
  if (flags & EWX_POWEROFF) {
    action = "PowerOff";
  } else if (flags & EWX_REBOOT) {
    action = "Reboot";
  } else if (flags & EWX_SHUTDOWN) {
    action = "PowerOff";
  } else {
    action = "LogOff";
  }
  if (!platform::Backend()->Request(action, force)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL SetSystemPowerState(BOOL suspend, BOOL force) {
  if (!platform::Backend()->Request(suspend ? "Suspend" : "Hibernate", force != FALSE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
  if (process != GetCurrentProcess() || token == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *token = platform::RegisterObject(std::make_shared<platform::TokenObject>());
  return TRUE;
}

BOOL LookupPrivilegeValue(LPCSTR, LPCSTR name, LUID* luid) {
  if (name == nullptr || luid == nullptr || std::strcmp(name, SE_SHUTDOWN_NAME) != 0) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  luid->LowPart = platform::kShutdownLuid;
  luid->HighPart = 0;
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL, TOKEN_PRIVILEGES* state, DWORD, TOKEN_PRIVILEGES*, LPDWORD) {
  if (!platform::LookupObjectAs<platform::TokenObject>(token)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (state != nullptr && state->PrivilegeCount > 0 && state->Privileges[0].Luid.LowPart == platform::kShutdownLuid &&
      !platform::Backend()->MayShutDown()) {
    SetLastError(ERROR_NOT_ALL_ASSIGNED);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

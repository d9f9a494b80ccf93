// Ending the session and powering the machine: ExitWindowsEx,
// SetSystemPowerState and the shutdown privilege step. The requests go to
// logind (org.freedesktop.login1) on the system bus: power-off and
// shut-down are PowerOff, then Reboot, Suspend, Hibernate, and log-off
// terminates our own session. The privilege step succeeds when logind says
// the user may power off ("yes", or "challenge": it will ask).
//
// Tests select a recording backend (nothing is powered off) or point the
// logind backend at a bus of their own.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/types.h"

constexpr UINT EWX_LOGOFF = 0x00000000;
constexpr UINT EWX_SHUTDOWN = 0x00000001;
constexpr UINT EWX_REBOOT = 0x00000002;
constexpr UINT EWX_FORCE = 0x00000004;
constexpr UINT EWX_POWEROFF = 0x00000008;

constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
#define SE_SHUTDOWN_NAME "SeShutdownPrivilege"

struct LUID {
  DWORD LowPart = 0;
  LONG HighPart = 0;
};
struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes = 0;
};
struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount = 0;
  LUID_AND_ATTRIBUTES Privileges[1];
};

BOOL ExitWindowsEx(UINT flags, DWORD reason);
// `suspend` TRUE: suspend; FALSE: hibernate.
BOOL SetSystemPowerState(BOOL suspend, BOOL force);
BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
BOOL LookupPrivilegeValue(LPCSTR system, LPCSTR name, LUID* luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disable_all, TOKEN_PRIVILEGES* state, DWORD length,
                           TOKEN_PRIVILEGES* previous, LPDWORD return_length);

namespace platform {

// What the power calls ask of the session manager.
class PowerBackend {
 public:
  virtual ~PowerBackend() = default;
  // "PowerOff", "Reboot", "Suspend", "Hibernate" or "LogOff"; `force`
  // asks not to wait for other programs. True when the request was taken.
  virtual bool Request(const std::string& action, bool force) = 0;
  // Whether the user may power off.
  virtual bool MayShutDown() = 0;
};

// null: logind on the system bus.
void SetPowerBackend(std::shared_ptr<PowerBackend> backend);
// Logind at a bus address ("unix:path=..."); empty: the system bus.
std::shared_ptr<PowerBackend> MakeLogindPowerBackend(const std::string& bus_address = std::string());

class RecordingPowerBackend : public PowerBackend {
 public:
  bool Request(const std::string& action, bool force) override;
  bool MayShutDown() override;
  std::vector<std::string> Requests();  // "PowerOff", "PowerOff force", ...
  void SetAllowed(bool allowed);

 private:
  std::mutex mutex_;
  std::vector<std::string> requests_;
  bool allowed_ = true;
};

}  // namespace platform

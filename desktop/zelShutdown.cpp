#include "desktop/zelShutdown.h"

#include "desktop/zelRoutines.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/sys/power.h"

void TzelShutdown::DoQueryShutdown(bool& CanShutdown) {
  if (OnQueryShutdown) OnQueryShutdown(this, CanShutdown);
}

bool TzelShutdown::Execute() {
  if (IsWinNT) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges;
    const bool looked_up = LookupPrivilegeValue(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const bool adjusted = looked_up && AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    if (!adjusted) return false;
  }
  bool can_shutdown = true;
  DoQueryShutdown(can_shutdown);
  if (!can_shutdown) return false;
  const UINT force = Force ? EWX_FORCE : 0;
  switch (ActionType) {
    case aatPowerOff: return ExitWindowsEx(EWX_POWEROFF | force, 0) != FALSE;
    case aatShutdown: return ExitWindowsEx(EWX_SHUTDOWN | force, 0) != FALSE;
    case aatReboot: return ExitWindowsEx(EWX_REBOOT | force, 0) != FALSE;
    case aatLogOff: return ExitWindowsEx(EWX_LOGOFF | force, 0) != FALSE;
    case aatSuspend: return SetSystemPowerState(TRUE, Force) != FALSE;
    case aatHibernate: return SetSystemPowerState(FALSE, Force) != FALSE;
  }
  return false;
}

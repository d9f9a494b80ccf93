// ExitWindowsEx: ends the session or shuts the machine down. The real
// controller asks logind (through systemctl and loginctl, started without a
// shell); tests select a recording controller that keeps each request and
// ends nothing.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/types.h"

constexpr UINT EWX_LOGOFF = 0x00000000;
constexpr UINT EWX_SHUTDOWN = 0x00000001;
constexpr UINT EWX_REBOOT = 0x00000002;
constexpr UINT EWX_FORCE = 0x00000004;
constexpr UINT EWX_POWEROFF = 0x00000008;
constexpr UINT EWX_FORCEIFHUNG = 0x00000010;

// Starts the request and returns TRUE when it could be handed on.
BOOL ExitWindowsEx(UINT flags, DWORD reason);

namespace platform {

struct PowerRequest {
  UINT flags = 0;
  DWORD reason = 0;
};

class PowerController {
 public:
  virtual ~PowerController() = default;
  virtual bool Exit(const PowerRequest& request) = 0;
};

// null: the real controller.
void SetPowerController(std::shared_ptr<PowerController> controller);

class RecordingPowerController : public PowerController {
 public:
  bool Exit(const PowerRequest& request) override;
  std::vector<PowerRequest> Requests();
  void Clear();

 private:
  std::mutex mutex_;
  std::vector<PowerRequest> requests_;
};

// The recording controller in use, or null when another one is.
std::shared_ptr<RecordingPowerController> CurrentRecordingPowerController();

}  // namespace platform

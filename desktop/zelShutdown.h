// TzelShutdown: powers off, shuts down, restarts, logs off, suspends or
// hibernates after asking its handler.
#pragma once

#include <functional>

#include "desktop/zelComponent.h"

enum TzelShutdownActionType { aatPowerOff, aatShutdown, aatReboot, aatLogOff, aatSuspend, aatHibernate };

using TzelQueryShutdownEvent = std::function<void(TObject* Sender, bool& CanShutdown)>;

class TzelShutdown : public TzelComponent {
 public:
  explicit TzelShutdown(TComponent* AOwner) : TzelComponent(AOwner) {}

  TzelShutdownActionType ActionType = aatPowerOff;
  bool Force = false;
  TzelQueryShutdownEvent OnQueryShutdown;

  virtual void DoQueryShutdown(bool& CanShutdown);
  // Whether the platform took the request.
  virtual bool Execute();
};

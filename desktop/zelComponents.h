// The desktop component pack: one header per component, gathered here.
#pragma once

#include "desktop/zelComponent.h"
#include "desktop/zelFileOperation.h"
#include "desktop/zelOneInstance.h"
#include "desktop/zelMonitors.h"
#include "desktop/zelTimer.h"
#include "desktop/zelFileStorage.h"
#include "desktop/zelThreads.h"
#include "desktop/zelWndProcHook.h"
#include "desktop/zelShutdown.h"
#include "desktop/zelStartButton.h"
#include "desktop/zelTrayIcon.h"

// Registers the pack's 22 classes with the class library (also done when
// the program starts).
void RegisterZelComponents();

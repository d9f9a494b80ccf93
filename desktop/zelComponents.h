// The desktop component pack: one header per component, gathered here.
#pragma once

#include "desktop/zelComponent.h"
#include "desktop/zelFileOperation.h"
#include "desktop/zelOneInstance.h"

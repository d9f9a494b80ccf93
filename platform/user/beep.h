// The warning beep that controls and menus give on a key they cannot use.
#pragma once

#include "platform/core/types.h"

// The sound of the given message-box icon type (0: the default beep). The
// platform plays no sound for it.
void MessageBeep(UINT type);

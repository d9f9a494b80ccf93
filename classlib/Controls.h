// The control classes in one include: TControl, TWinControl,
// TGraphicControl, TCustomControl and the control messages.
#pragma once

#include "classlib/Control.h"
#include "classlib/ControlMessages.h"
#include "classlib/CustomControls.h"
#include "classlib/WinControl.h"

// The class library's extra controls in one include: TPanel, TBevel,
// TShape, TImage, TPaintBox (and TTimer, in Timers.h).
#pragma once

#include "classlib/Bevel.h"
#include "classlib/Image.h"
#include "classlib/PaintBox.h"
#include "classlib/Panel.h"
#include "classlib/Shape.h"
#include "classlib/Timers.h"

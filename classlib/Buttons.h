// The class library's self-drawn buttons in one include: TSpeedButton and
// the glyph layout they share.
#pragma once

#include "classlib/ButtonGlyph.h"
#include "classlib/SpeedButton.h"

// The shared button-glyph strip of the skinned controls, its colours
// turned into the current system colours.
#pragma once

#include "classlib/Bitmaps.h"

// Loaded from the resource "QZ_BTNS" on first use (empty when missing).
TBitmap* ScButtonGlyphs();

// The value tokenizer of the skin configuration text.
#pragma once

#include "classlib/Canvas.h"
#include "classlib/Control.h"
#include "classlib/Object.h"

// Cuts the first token off Value: characters up to a blank, "(", ")", ","
// or ";" (which is removed too; after a blank, the next separator goes
// with it); token and rest are then trimmed. The
// whole value is scanned, however long.
void NextToken(String& Value, String& Token);

// Paints the parent's background (its erase and its windowless children)
// behind the control: drawn at (-Left, -Top) on the canvas, or on the DC.
void DrawParentBackground(TControl* Control, TCanvas* Canvas);
void DrawParentBackground(TControl* Control, HDC DC);

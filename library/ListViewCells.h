// What the cells of a TAdvListView show beyond plain text: owner-drawn
// cells with mark-up (CellMarkup), links, rich text (RichText), check
// boxes, pictures and shell icons, the selection colours, the row height
// and the wallpaper behind the rows.
#pragma once

#include <functional>

#include "classlib/Canvas.h"
#include "classlib/ItemListStrings.h"

enum TVAlignment { vtaCenter, vtaTop, vtaBottom };

using TDrawItemPropEvent = std::function<void(TObject* Sender, int itemindex, int subitemindex,
                                              TOwnerDrawState AState, TBrush* ABrush, TFont* AFont,
                                              const String& ItemText)>;
using TAdvDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* acanvas, int itemindex, TRect Rect, TOwnerDrawState State)>;

// The hint of a cell (AutoHint): its text, without mark-up or RTF.
String CellHintText(const String& Text);

// What a TAdvListView's window does beyond the base list view: the mouse
// on links, anchors and cells, the keys of the cell selection, editing
// sub-items in place, dragging rows to another place, the header's styles,
// filter bar and column events, and the hints.
#pragma once

#include <functional>

#include "classlib/Control.h"

// The screen cursor shown over links and anchors.
inline constexpr TCursor crLinkCursor = 8019;

using TColumnEvent = std::function<void(TObject* Sender, int column)>;
using TColumnAllowEvent = std::function<void(TObject* Sender, int column, bool& Allow)>;
using TCellClickEvent = std::function<void(TObject* Sender, int iItem, int iSubItem)>;
using TCanEditCellEvent = std::function<void(TObject* Sender, int iItem, int iSubItem, bool& allow)>;
using TFilterEvent = std::function<void(TObject* Sender, int iItem)>;
using TAnchorEvent = std::function<void(TObject* Sender, const String& Anchor)>;

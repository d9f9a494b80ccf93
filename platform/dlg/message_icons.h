// The four message icons (error, question, warning, information), drawn in
// 32 x 32 pixels with plain shapes in the classic colours.
#pragma once

#include "platform/core/types.h"

namespace platform::dlg {

// `icon` is MB_ICONHAND, MB_ICONQUESTION, MB_ICONEXCLAMATION or
// MB_ICONASTERISK (others draw nothing); (x, y) is the top-left corner.
void DrawMessageIcon(HDC dc, int x, int y, UINT icon);

}  // namespace platform::dlg

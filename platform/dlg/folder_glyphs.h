// Small pictures of drives, folders and files (16 x 14 pixels) for the
// lists of the file and folder dialogs.
#pragma once

#include "platform/core/types.h"

namespace platform::dlg {

enum class FolderGlyph { kDrive, kFolder, kFile };

// Draws the glyph with its top-left corner at (x, y).
void DrawFolderGlyph(HDC dc, int x, int y, FolderGlyph glyph);

}  // namespace platform::dlg

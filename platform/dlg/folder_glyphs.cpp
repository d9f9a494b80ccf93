#include "platform/dlg/folder_glyphs.h"

#include "platform/gdi/gdi.h"

namespace platform::dlg {
namespace {

void Box(HDC dc, int left, int top, int right, int bottom, COLORREF outline, COLORREF fill) {
  HPEN pen = CreatePen(PS_SOLID, 1, outline);
  HBRUSH brush = CreateSolidBrush(fill);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  Rectangle(dc, left, top, right, bottom);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace

void DrawFolderGlyph(HDC dc, int x, int y, FolderGlyph glyph) {
  constexpr COLORREF kOutline = RGB(0, 0, 0);
  switch (glyph) {
    case FolderGlyph::kDrive:
      Box(dc, x + 1, y + 4, x + 15, y + 12, kOutline, RGB(192, 192, 192));
      Box(dc, x + 3, y + 8, x + 5, y + 10, RGB(0, 128, 0), RGB(0, 255, 0));
      break;
    case FolderGlyph::kFolder:
      Box(dc, x + 1, y + 2, x + 7, y + 5, kOutline, RGB(255, 255, 128));  // the tab
      Box(dc, x + 1, y + 4, x + 15, y + 13, kOutline, RGB(255, 255, 0));
      break;
    case FolderGlyph::kFile:
      Box(dc, x + 3, y + 1, x + 13, y + 14, kOutline, RGB(255, 255, 255));
      Box(dc, x + 9, y + 1, x + 13, y + 5, kOutline, RGB(192, 192, 192));  // the folded corner
      break;
  }
}

}  // namespace platform::dlg

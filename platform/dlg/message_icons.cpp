#include "platform/dlg/message_icons.h"

#include "platform/dlg/message_box.h"
#include "platform/gdi/gdi.h"

namespace platform::dlg {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kDarkRed = RGB(128, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGray = RGB(128, 128, 128);

// Selects a pen and a brush for one shape and puts the old ones back.
class ShapeTools {
 public:
  ShapeTools(HDC dc, COLORREF outline, COLORREF fill, int width = 1) : dc_(dc) {
    pen_ = CreatePen(PS_SOLID, width, outline);
    brush_ = CreateSolidBrush(fill);
    old_pen_ = SelectObject(dc, pen_);
    old_brush_ = SelectObject(dc, brush_);
  }
  ~ShapeTools() {
    SelectObject(dc_, old_pen_);
    SelectObject(dc_, old_brush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  ShapeTools(const ShapeTools&) = delete;
  ShapeTools& operator=(const ShapeTools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ old_pen_;
  HGDIOBJ old_brush_;
};

// A bold glyph ("?", "!", "i") centred in the icon.
void DrawGlyph(HDC dc, int x, int y, const char* glyph, COLORREF color, int top_shift) {
  HFONT font =
      CreateFont(-24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ old_font = SelectObject(dc, font);
  int old_mode = SetBkMode(dc, TRANSPARENT);
  COLORREF old_color = SetTextColor(dc, color);
  RECT r{x, y + top_shift, x + 32, y + 32 + top_shift};
  DrawText(dc, glyph, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SetTextColor(dc, old_color);
  SetBkMode(dc, old_mode);
  SelectObject(dc, old_font);
  DeleteObject(font);
}

void DrawError(HDC dc, int x, int y) {
  {
    ShapeTools tools(dc, kDarkRed, kRed);
    Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
  }
  HPEN pen = CreatePen(PS_SOLID, 3, kWhite);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x + 10, y + 10, nullptr);
  LineTo(dc, x + 22, y + 22);
  MoveToEx(dc, x + 22, y + 10, nullptr);
  LineTo(dc, x + 10, y + 22);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void DrawQuestion(HDC dc, int x, int y) {
  {
    ShapeTools tools(dc, kGray, kWhite);
    Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
  }
  DrawGlyph(dc, x, y, "?", kBlue, 0);
}

void DrawWarning(HDC dc, int x, int y) {
  {
    ShapeTools tools(dc, kBlack, kYellow);
    const POINT triangle[] = {{x + 16, y + 2}, {x + 30, y + 29}, {x + 2, y + 29}};
    Polygon(dc, triangle, 3);
  }
  DrawGlyph(dc, x, y, "!", kBlack, 3);
}

void DrawInformation(HDC dc, int x, int y) {
  {
    ShapeTools tools(dc, kBlue, kWhite);
    Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
  }
  DrawGlyph(dc, x, y, "i", kBlue, 0);
}

}  // namespace

void DrawMessageIcon(HDC dc, int x, int y, UINT icon) {
  switch (icon & MB_ICONMASK) {
    case MB_ICONHAND:
      DrawError(dc, x, y);
      break;
    case MB_ICONQUESTION:
      DrawQuestion(dc, x, y);
      break;
    case MB_ICONEXCLAMATION:
      DrawWarning(dc, x, y);
      break;
    case MB_ICONASTERISK:
      DrawInformation(dc, x, y);
      break;
  }
}

}  // namespace platform::dlg

// A sample drawing with every kind of drawing call, kept as a screenshot
// under the build folder (build*/screenshots/gdi_sample.png and .bmp) so a
// person can look at it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/gdi/device.h"
#include "platform/gdi/gdi.h"
#include "tests/support/temp_dir.h"

namespace {

void DrawSample(HDC dc) {
  RECT all{0, 0, 360, 240};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));

  RECT panel{8, 8, 176, 120};
  DrawEdge(dc, &panel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(dc, &panel, GetSysColorBrush(COLOR_WINDOW));
  HBRUSH red = CreateSolidBrush(RGB(220, 40, 40));
  HGDIOBJ oldBrush = SelectObject(dc, red);
  Rectangle(dc, 16, 16, 60, 50);
  Ellipse(dc, 70, 16, 120, 50);
  RoundRect(dc, 128, 16, 168, 50, 12, 12);
  HPEN wide = CreatePen(PS_SOLID, 3, RGB(0, 0, 160));
  HGDIOBJ oldPen = SelectObject(dc, wide);
  POINT zigzag[] = {{16, 110}, {40, 60}, {64, 110}, {88, 60}};
  Polyline(dc, zigzag, 4);
  HPEN dotted = CreatePen(PS_DOT, 1, RGB(0, 0, 255));
  SelectObject(dc, dotted);
  SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, 96, 60, nullptr);
  LineTo(dc, 168, 60);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  POINT star[] = {{130, 66}, {140, 110}, {104, 80}, {156, 80}, {120, 110}};
  SetPolyFillMode(dc, WINDING);
  Polygon(dc, star, 5);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(red);
  DeleteObject(wide);
  DeleteObject(dotted);

  // Spectrum-like bars through a clip region.
  HRGN clip = CreateRoundRectRgn(184, 8, 352, 120, 20, 20);
  SelectClipRgn(dc, clip);
  RECT back{184, 8, 352, 120};
  FillRect(dc, &back, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  for (int b = 0; b < 14; ++b) {
    int level = 20 + (b * 37) % 80;
    for (int row = 0; row < level; ++row) {
      int green = std::min(255, row * 4);
      HBRUSH br = CreateSolidBrush(RGB(255 - green / 2, green, 0));
      RECT bar{190 + b * 11, 116 - row, 198 + b * 11, 117 - row};
      FillRect(dc, &bar, br);
      DeleteObject(br);
    }
  }
  SelectClipRgn(dc, nullptr);
  DeleteObject(clip);

  // Text in real fonts and the test font.
  SetBkMode(dc, TRANSPARENT);
  HFONT arial = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  HFONT bold = CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
  HFONT serif = CreateFont(-16, 0, 0, 0, FW_NORMAL, TRUE, TRUE, 0, 0, 0, 0, 0, 0, "Times New Roman");
  HFONT turned = CreateFont(-12, 0, 450, 450, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, arial);
  RECT text{8, 128, 176, 200};
  DrawText(dc, "Velko draws &text with word wrap: the quick brown fox jumps over the lazy dog.", -1,
           &text, DT_WORDBREAK);
  RECT ellipsis{8, 200, 120, 214};
  DrawText(dc, "C:\\Music\\Albums\\Some Artist\\track01.mp3", -1, &ellipsis, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  SelectObject(dc, bold);
  SetTextColor(dc, RGB(0, 0, 128));
  TextOut(dc, 184, 128, "Bold Tahoma", 11);
  SelectObject(dc, serif);
  SetTextColor(dc, RGB(128, 0, 0));
  TextOut(dc, 184, 146, "Italic serif, underlined", 24);
  SelectObject(dc, turned);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOut(dc, 300, 230, "Turned 45", 9);
  SelectObject(dc, oldFont);
  DeleteObject(arial);
  DeleteObject(bold);
  DeleteObject(serif);
  DeleteObject(turned);

  // Frame controls and a focus rectangle.
  UINT caption[] = {DFCS_CAPTIONMIN, DFCS_CAPTIONMAX, DFCS_CAPTIONCLOSE};
  for (int i = 0; i < 3; ++i) {
    RECT button{184 + i * 18, 172, 200 + i * 18, 186};
    DrawFrameControl(dc, &button, DFC_CAPTION, caption[i]);
  }
  RECT check{244, 172, 257, 185};
  DrawFrameControl(dc, &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  RECT radio{262, 172, 274, 184};
  DrawFrameControl(dc, &radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
  RECT arrow{280, 172, 296, 188};
  DrawFrameControl(dc, &arrow, DFC_SCROLL, DFCS_SCROLLDOWN);
  RECT focus{182, 192, 300, 212};
  DrawFocusRect(dc, &focus);
}

TEST(SampleDrawing, IsKeptAsAScreenshot) {
  auto surface = platform::Surface::Create(360, 240);
  ASSERT_NE(surface, nullptr);
  HDC dc = platform::CreateSurfaceDC(surface, POINT{0, 0}, platform::Region(RECT{0, 0, 360, 240}));
  DrawSample(dc);
  platform::DestroySurfaceDC(dc);

  // Something of each part is on the picture.
  EXPECT_EQ(surface->Pixel(30, 30), RGB(220, 40, 40));       // rectangle inside
  EXPECT_EQ(surface->Pixel(16, 16), RGB(0, 0, 0));            // its border
  EXPECT_EQ(surface->Pixel(185, 9), RGB(192, 192, 192));      // cut corner of the clip region
  EXPECT_EQ(surface->Pixel(8, 8), RGB(128, 128, 128));        // sunken edge
  int inked = 0;
  for (int y = 128; y < 200; ++y)
    for (int x = 8; x < 176; ++x) inked += surface->Pixel(x, y) != RGB(192, 192, 192);
  EXPECT_GT(inked, 300);  // the wrapped text

  const std::string png = velko_test::ScreenshotPath("gdi_sample.png");
  ASSERT_TRUE(platform::SavePng(*surface, png));
  ASSERT_TRUE(platform::SaveBmp(*surface, velko_test::ScreenshotPath("gdi_sample.bmp")));
  EXPECT_TRUE(std::filesystem::exists(png));
}

}  // namespace

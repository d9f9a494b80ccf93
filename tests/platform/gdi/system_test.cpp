// System colours, metrics and parameters; 3-D edges and frame controls.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "tests/platform/gdi/canvas.h"

using velko_test::Art;
using velko_test::Canvas;

namespace {

TEST(SystemColors, BrushesAndIndexPlusOneFill) {
  Canvas c(4, 2);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  ASSERT_NE(face, nullptr);
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(face, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(192, 192, 192));
  EXPECT_TRUE(DeleteObject(face));  // ignored: a stock object
  EXPECT_EQ(GetObjectType(face), OBJ_BRUSH);
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(kSysColorCount), 0u);
  RECT r{0, 0, 2, 2};
  FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_HIGHLIGHT + 1)));
  EXPECT_EQ(c.At(1, 1), RGB(0, 0, 128));
  EXPECT_EQ(c.At(2, 1), RGB(255, 255, 255));
}

TEST(SystemMetrics, FollowTheScreenSize) {
  platform::SetScreenSize(800, 600);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  RECT work;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.right, 800);
  EXPECT_EQ(work.bottom, 600);
  RECT smaller{0, 0, 800, 570};
  ASSERT_TRUE(SystemParametersInfo(SPI_SETWORKAREA, 0, &smaller, 0));
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 570);
  EXPECT_EQ(GetSystemMetrics(SM_CYMAXIMIZED), 570 + 8);
  platform::SetScreenSize(1024, 768);
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 768);
  EXPECT_EQ(GetSystemMetrics(12345), 0);
  EXPECT_FALSE(SystemParametersInfo(SPI_GETWORKAREA, 0, nullptr, 0));
  EXPECT_FALSE(SystemParametersInfo(0x7777, 0, &work, 0));
}

TEST(SystemMetrics, NonClientFontsAreEightPointSansSerif) {
  NONCLIENTMETRICS m;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
  EXPECT_STREQ(m.lfCaptionFont.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(m.lfCaptionFont.lfWeight, FW_BOLD);
  EXPECT_EQ(m.lfMenuFont.lfHeight, -11);
  NONCLIENTMETRICS wrong;
  wrong.cbSize = 12;
  EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 12, &wrong, 0));
  Canvas c(1, 1);
  EXPECT_EQ(GetDeviceCaps(c.dc(), LOGPIXELSY), 96);
}

const std::map<COLORREF, char>& EdgeLegend() {
  static const std::map<COLORREF, char> legend{{RGB(255, 255, 255), 'W'}, {RGB(0, 0, 0), 'K'},
                                              {RGB(128, 128, 128), 'S'}, {RGB(192, 192, 192), 'F'},
                                              {RGB(223, 223, 223), 'L'}, {RGB(0, 255, 0), '.'}};
  return legend;
}

TEST(DrawEdge, RaisedEdgeColoursAndCorners) {
  Canvas c(6, 5, RGB(0, 255, 0));
  RECT r{0, 0, 6, 5};
  ASSERT_TRUE(DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST));
  EXPECT_EQ(c.Picture(EdgeLegend()), Art(R"(
LLLLLK
LWWWSK
LW..SK
LSSSSK
KKKKKK
)"));
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 4);
  EXPECT_EQ(r.bottom, 3);
}

TEST(DrawEdge, SunkenEdgeWithMiddleAndPartialSides) {
  Canvas c(5, 5, RGB(0, 255, 0));
  RECT r{0, 0, 5, 5};
  ASSERT_TRUE(DrawEdge(c.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_MIDDLE));
  EXPECT_EQ(c.Picture(EdgeLegend()), Art(R"(
SSSSW
SKKLW
SKFLW
SLLLW
WWWWW
)"));
  c.Fill(RGB(0, 255, 0));
  RECT top{0, 0, 5, 5};
  ASSERT_TRUE(DrawEdge(c.dc(), &top, BDR_SUNKENOUTER, BF_TOP | BF_BOTTOM));
  EXPECT_EQ(c.Picture(EdgeLegend()), Art(R"(
SSSSS
.....
.....
.....
WWWWW
)"));
}

TEST(DrawFrameControl, GlyphsStayInsideTheirButtons) {
  struct Case {
    UINT type;
    UINT state;
  } cases[] = {
      {DFC_CAPTION, DFCS_CAPTIONCLOSE},  {DFC_CAPTION, DFCS_CAPTIONMIN},
      {DFC_CAPTION, DFCS_CAPTIONMAX},    {DFC_CAPTION, DFCS_CAPTIONRESTORE},
      {DFC_CAPTION, DFCS_CAPTIONHELP},   {DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED},
      {DFC_SCROLL, DFCS_SCROLLUP},       {DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE},
      {DFC_SCROLL, DFCS_SCROLLLEFT},     {DFC_SCROLL, DFCS_SCROLLRIGHT},
      {DFC_SCROLL, DFCS_SCROLLSIZEGRIP}, {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
      {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED}, {DFC_BUTTON, DFCS_BUTTONPUSH},
      {DFC_MENU, DFCS_MENUCHECK},
  };
  for (const Case& k : cases) {
    Canvas c(20, 20, RGB(0, 255, 0));
    RECT r{2, 2, 18, 16};
    ASSERT_TRUE(DrawFrameControl(c.dc(), &r, k.type, k.state)) << k.type << "/" << k.state;
    int inside = 0, outside = 0, dark = 0;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) {
        bool in = x >= 2 && x < 18 && y >= 2 && y < 16;
        bool drawn = c.At(x, y) != RGB(0, 255, 0);
        (in ? inside : outside) += drawn;
        if (in && (c.At(x, y) == RGB(0, 0, 0) || c.At(x, y) == RGB(128, 128, 128))) ++dark;
      }
    }
    EXPECT_EQ(outside, 0) << k.type << "/" << k.state;
    EXPECT_GT(inside, 100) << k.type << "/" << k.state;
    EXPECT_GT(dark, 5) << k.type << "/" << k.state;  // a frame or glyph is there
  }
}

TEST(DrawFrameControl, CheckedAndUncheckedBoxesDiffer) {
  Canvas a(13, 13), b(13, 13);
  RECT r{0, 0, 13, 13};
  DrawFrameControl(a.dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK);
  DrawFrameControl(b.dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(a.Count(RGB(0, 0, 0)) + 21, b.Count(RGB(0, 0, 0)));  // the tick: 7 columns of 3
}

}  // namespace

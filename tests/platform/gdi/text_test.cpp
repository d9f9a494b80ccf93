// Text: the test font's exact extents and pixels, DrawText layout, and a
// real font through fontconfig and FreeType.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/paths.h"
#include "tests/platform/checks.h"
#include "tests/platform/gdi/canvas.h"

using velko_test::Canvas;
using velko_test::Selected;

namespace {

// The test font: cell 16 high, ascent 12, every character 8 wide.
HFONT TestFont(int height = -16, bool underline = false) {
  return CreateFont(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                    kTestFontName);
}

class TestFontCanvas : public ::testing::Test {
 protected:
  TestFontCanvas() : canvas_(96, 48), font_(TestFont()) {
    old_ = SelectObject(canvas_.dc(), font_);
    SetBkMode(canvas_.dc(), TRANSPARENT);
  }
  ~TestFontCanvas() override {
    SelectObject(canvas_.dc(), old_);
    DeleteObject(font_);
  }
  HDC dc() { return canvas_.dc(); }
  bool Black(int x, int y) { return canvas_.At(x, y) == RGB(0, 0, 0); }
  SIZE Extent(const char* text, int length = -1) {
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32(dc(), text, length < 0 ? static_cast<int>(std::strlen(text)) : length, &size));
    return size;
  }
  RECT Calc(const char* text, int width, UINT format) {
    RECT r{0, 0, width, 0};
    DrawText(dc(), text, -1, &r, format | DT_CALCRECT);
    return r;
  }

  Canvas canvas_;
  HFONT font_;
  HGDIOBJ old_;
};

TEST_F(TestFontCanvas, MetricsAndExtentsAreExact) {
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc(), &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent, 12);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmAveCharWidth, 8);
  EXPECT_EQ(Extent("Hello").cx, 40);
  EXPECT_EQ(Extent("Hello").cy, 16);
  EXPECT_EQ(Extent("").cx, 0);
  EXPECT_EQ(Extent("\xC3\xA9t\xC3\xA9").cx, 24);  // UTF-8: three characters in five bytes
  SetTextCharacterExtra(dc(), 2);
  EXPECT_EQ(Extent("Hello").cx, 50);
  SetTextCharacterExtra(dc(), 0);
  INT fit = 0, dx[5];
  SIZE size;
  ASSERT_TRUE(GetTextExtentExPoint(dc(), "abcde", 5, 20, &fit, dx, &size));
  EXPECT_EQ(fit, 2);
  EXPECT_EQ(dx[0], 8);
  EXPECT_EQ(dx[4], 40);
  char face[64];
  EXPECT_EQ(GetTextFace(dc(), sizeof face, face), static_cast<int>(std::strlen(kTestFontName)));
  EXPECT_STREQ(face, kTestFontName);
  INT widths[3];
  ASSERT_TRUE(GetCharWidth32(dc(), 'a', 'c', widths));
  EXPECT_EQ(widths[2], 8);
}

TEST_F(TestFontCanvas, PositiveAndNegativeHeightsAndWidths) {
  Selected cell(dc(), CreateFont(20, 5, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, kTestFontName));
  TEXTMETRIC tm;
  GetTextMetrics(dc(), &tm);
  EXPECT_EQ(tm.tmHeight, 20);
  EXPECT_EQ(tm.tmAscent, 15);
  EXPECT_EQ(Extent("abc").cx, 15);
}

TEST_F(TestFontCanvas, TextOutDrawsBoxesFromTheTopLeft) {
  ASSERT_TRUE(TextOut(dc(), 0, 0, "AB", 2));
  EXPECT_TRUE(Black(0, 0));
  EXPECT_TRUE(Black(6, 11));
  EXPECT_FALSE(Black(7, 5));   // the gap column of each box
  EXPECT_TRUE(Black(8, 0));
  EXPECT_TRUE(Black(14, 11));
  EXPECT_FALSE(Black(15, 5));
  EXPECT_FALSE(Black(3, 12));  // the descent stays empty
  EXPECT_EQ(canvas_.Count(RGB(0, 0, 0)), 2 * 7 * 12);
}

TEST_F(TestFontCanvas, AlignmentMovesTheReferencePoint) {
  SetTextAlign(dc(), TA_RIGHT | TA_BASELINE);
  TextOut(dc(), 40, 20, "A", 1);
  EXPECT_TRUE(Black(32, 8));
  EXPECT_TRUE(Black(38, 19));
  EXPECT_FALSE(Black(39, 19));
  EXPECT_FALSE(Black(32, 20));
  EXPECT_FALSE(Black(32, 7));
  canvas_.Fill(RGB(255, 255, 255));
  SetTextAlign(dc(), TA_CENTER | TA_BOTTOM);
  TextOut(dc(), 48, 32, "AB", 2);  // 16 wide: from 40; bottom 32: baseline 28
  EXPECT_TRUE(Black(40, 16));
  EXPECT_TRUE(Black(54, 27));
  EXPECT_FALSE(Black(39, 20));
  EXPECT_FALSE(Black(40, 28));
}

TEST_F(TestFontCanvas, UpdateCurrentPositionMovesAlong) {
  SetTextAlign(dc(), TA_UPDATECP);
  MoveToEx(dc(), 4, 2, nullptr);
  TextOut(dc(), 0, 0, "ab", 2);
  TextOut(dc(), 0, 0, "c", 1);
  POINT p;
  GetCurrentPositionEx(dc(), &p);
  EXPECT_EQ(p.x, 28);
  EXPECT_EQ(p.y, 2);
  EXPECT_TRUE(Black(20, 2));
}

TEST_F(TestFontCanvas, OpaqueBackgroundFillsTheCell) {
  SetBkMode(dc(), OPAQUE);
  SetBkColor(dc(), RGB(255, 0, 0));
  TextOut(dc(), 0, 0, "AB", 2);
  EXPECT_EQ(canvas_.At(7, 5), RGB(255, 0, 0));
  EXPECT_EQ(canvas_.At(3, 15), RGB(255, 0, 0));
  EXPECT_EQ(canvas_.At(15, 15), RGB(255, 0, 0));
  EXPECT_EQ(canvas_.At(16, 5), RGB(255, 255, 255));
  EXPECT_EQ(canvas_.At(3, 16), RGB(255, 255, 255));
}

TEST_F(TestFontCanvas, ExtTextOutSpacingAndClipping) {
  INT dx[2] = {20, 20};
  ExtTextOut(dc(), 0, 0, 0, nullptr, "AB", 2, dx);
  EXPECT_TRUE(Black(20, 0));
  EXPECT_FALSE(Black(8, 0));
  canvas_.Fill(RGB(255, 255, 255));
  RECT clip{2, 2, 5, 6};
  SetBkColor(dc(), RGB(0, 0, 255));
  ExtTextOut(dc(), 0, 0, ETO_CLIPPED | ETO_OPAQUE, &clip, "A", 1, nullptr);
  EXPECT_EQ(canvas_.Count(RGB(0, 0, 0)), 12);  // 3 x 4 of the box
  EXPECT_TRUE(Black(2, 2));
  EXPECT_FALSE(Black(1, 1));
}

TEST_F(TestFontCanvas, UnderlineSitsJustBelowTheBaseline) {
  Selected underlined(dc(), TestFont(-16, true));
  TextOut(dc(), 0, 0, "AB", 2);
  for (int x = 0; x < 16; ++x) EXPECT_TRUE(Black(x, 13)) << x;
  EXPECT_FALSE(Black(16, 13));
  EXPECT_FALSE(Black(7, 12));
}

TEST_F(TestFontCanvas, WordBreakAndCalcRect) {
  RECT r = Calc("aaa bbb ccc dddddd e", 64, DT_WORDBREAK);
  EXPECT_EQ(r.right, 64);
  EXPECT_EQ(r.bottom, 48);  // three lines: "aaa bbb", "ccc", "dddddd e"
  EXPECT_EQ(DrawText(dc(), "aaa bbb ccc dddddd e", -1, &r, DT_WORDBREAK), 48);
  EXPECT_TRUE(Black(48, 0));   // "bbb" ends the first line at x 56
  EXPECT_FALSE(Black(56, 5));
  EXPECT_TRUE(Black(16, 16));  // "ccc"
  EXPECT_FALSE(Black(24, 20));
  EXPECT_FALSE(Black(32, 20));
  EXPECT_TRUE(Black(56, 32));  // "e" at the end of the third line
  // A word longer than the line stays whole.
  r = Calc("abcdefgh ij", 40, DT_WORDBREAK);
  EXPECT_EQ(r.right, 64);
  EXPECT_EQ(r.bottom, 32);
  // Lines also end at CR, LF and CR LF.
  r = Calc("ab\r\ncdef\ng", 200, 0);
  EXPECT_EQ(r.right, 32);
  EXPECT_EQ(r.bottom, 48);
  r = Calc("ab\r\ncdef", 200, DT_SINGLELINE);
  EXPECT_EQ(r.bottom, 16);
}

TEST_F(TestFontCanvas, HorizontalAndVerticalPlacement) {
  RECT r{0, 0, 96, 48};
  DrawText(dc(), "ab", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_TRUE(Black(40, 16));   // x (96 - 16) / 2, y (48 - 16) / 2
  EXPECT_FALSE(Black(39, 16));
  EXPECT_FALSE(Black(40, 15));
  canvas_.Fill(RGB(255, 255, 255));
  EXPECT_EQ(DrawText(dc(), "ab", -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM), 48);
  EXPECT_TRUE(Black(80, 32));
  EXPECT_TRUE(Black(94, 43));
  EXPECT_FALSE(Black(79, 32));
}

TEST_F(TestFontCanvas, EndEllipsisShortensTheLine) {
  RECT r{0, 0, 44, 16};
  DrawText(dc(), "abcdefghij", -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS);
  // "ab..." is 40 wide: nothing is drawn between 40 and 44.
  EXPECT_TRUE(Black(32, 5));
  EXPECT_FALSE(Black(41, 5));
  EXPECT_FALSE(Black(43, 5));
  RECT calc = Calc("abcdefghij", 44, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(calc.right, 40);
  calc = Calc("abcdefghij", 44, DT_SINGLELINE);
  EXPECT_EQ(calc.right, 80);
  // Path ellipsis keeps the last component.
  calc = Calc("C:\\dir\\sub\\file.txt", 120, DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_EQ(calc.right, 120);  // "C:\...\file.txt"
}

TEST_F(TestFontCanvas, PrefixUnderlinesAndEscapes) {
  EXPECT_EQ(Calc("&File", 200, DT_SINGLELINE).right, 32);
  EXPECT_EQ(Calc("A&&B", 200, DT_SINGLELINE).right, 24);
  EXPECT_EQ(Calc("&File", 200, DT_SINGLELINE | DT_NOPREFIX).right, 40);
  RECT r{0, 0, 96, 16};
  DrawText(dc(), "&File", -1, &r, DT_SINGLELINE);
  for (int x = 0; x < 8; ++x) EXPECT_TRUE(Black(x, 13)) << x;
  EXPECT_FALSE(Black(8, 13));
}

TEST_F(TestFontCanvas, TabsExpandToEightCharacters) {
  EXPECT_EQ(Calc("a\tb", 200, DT_SINGLELINE | DT_EXPANDTABS).right, 72);
  RECT r{0, 0, 96, 16};
  DrawText(dc(), "a\tb", -1, &r, DT_SINGLELINE | DT_EXPANDTABS);
  EXPECT_TRUE(Black(64, 5));
  EXPECT_FALSE(Black(8, 5));
}

TEST_F(TestFontCanvas, DrawTextClipsToItsRectangleUnlessAskedNot) {
  RECT r{0, 0, 12, 16};
  DrawText(dc(), "ab", -1, &r, DT_SINGLELINE);
  EXPECT_FALSE(Black(12, 5));
  DrawText(dc(), "ab", -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_TRUE(Black(12, 5));
}

TEST_F(TestFontCanvas, EscapementTurnsTheText) {
  Selected up(dc(), CreateFont(-16, 0, 900, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, kTestFontName));
  SetTextAlign(dc(), TA_BASELINE);
  TextOut(dc(), 30, 40, "AB", 2);
  // Turned a quarter left: the first box lies left of the pen and above it,
  // the second one 8 pixels further up.
  EXPECT_TRUE(Black(24, 37));
  EXPECT_FALSE(Black(31, 37));
  EXPECT_TRUE(Black(24, 29));
  EXPECT_FALSE(Black(24, 41));
}

TEST(RealFont, ArialRendersPlausibleGlyphs) {
  Canvas c(120, 30);
  Selected arial(c.dc(), CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(c.dc(), &tm));
  EXPECT_GE(tm.tmHeight, 11);
  EXPECT_LE(tm.tmHeight, 15);
  EXPECT_GE(tm.tmAveCharWidth, 4);
  EXPECT_LE(tm.tmAveCharWidth, 7);
  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32(c.dc(), "Hello World", 11, &size));
  EXPECT_GE(size.cx, 45);
  EXPECT_LE(size.cx, 75);
  SIZE narrow, wide;
  GetTextExtentPoint32(c.dc(), "iiii", 4, &narrow);
  GetTextExtentPoint32(c.dc(), "WWWW", 4, &wide);
  EXPECT_LT(narrow.cx * 2, wide.cx);  // a proportional face
  char face[32];
  GetTextFace(c.dc(), sizeof face, face);
  EXPECT_STREQ(face, "Arial");
  SetBkMode(c.dc(), TRANSPARENT);
  TextOut(c.dc(), 2, 2, "Hello World", 11);
  int top = 100, bottom = -1, left = 1000, right = -1, inked = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      if (c.At(x, y) == RGB(255, 255, 255)) continue;
      ++inked;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  EXPECT_GT(inked, 60);
  EXPECT_GE(top, 2);
  EXPECT_LE(bottom, 2 + tm.tmHeight);
  EXPECT_GE(bottom - top + 1, 7);  // capital letters of an 11-pixel font
  EXPECT_LE(right, 2 + size.cx);
  EXPECT_LE(left, 4);
}

// Characters the face lacks are drawn by an installed font that has them
// (a CJK font, scripts/packages), not as the face's empty box, and the
// face's own metrics stay.
TEST(RealFont, MissingCharactersFallBackToAFontThatHasThem) {
  HFONT sans = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  auto draw = [&](const char* text, SIZE* size) {
    auto canvas = std::make_unique<Canvas>(40, 24);
    HGDIOBJ old = SelectObject(canvas->dc(), sans);
    SetBkMode(canvas->dc(), TRANSPARENT);
    TextOut(canvas->dc(), 2, 2, text, static_cast<int>(std::strlen(text)));
    GetTextExtentPoint32(canvas->dc(), text, static_cast<int>(std::strlen(text)), size);
    SelectObject(canvas->dc(), old);
    return canvas;
  };
  auto metrics = [&] {
    TEXTMETRIC tm{};
    Canvas c(4, 4);
    HGDIOBJ old = SelectObject(c.dc(), sans);
    GetTextMetrics(c.dc(), &tm);
    SelectObject(c.dc(), old);
    return tm;
  };
  const TEXTMETRIC before = metrics();
  SIZE middle{}, country{}, latin{};
  auto a = draw("\xE4\xB8\xAD", &middle);   // U+4E2D
  auto b = draw("\xE5\x9B\xBD", &country);  // U+56FD
  auto c = draw("AB", &latin);
  int inked = 0, differing = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) {
      inked += a->At(x, y) != RGB(255, 255, 255);
      differing += a->At(x, y) != b->At(x, y);
    }
  }
  EXPECT_GT(inked, 20);
  // The empty box of a missing glyph is the same for both.
  EXPECT_GT(differing, 10);
  // A full-width ideograph, a line high.
  EXPECT_GE(middle.cx, 10);
  const TEXTMETRIC after = metrics();
  EXPECT_EQ(after.tmHeight, before.tmHeight);
  EXPECT_EQ(after.tmAscent, before.tmAscent);
  EXPECT_EQ(middle.cy, latin.cy);
  DeleteObject(sans);
}

TEST(RealFont, FacesMapToDifferentFamiliesAndStyles) {
  Canvas c(10, 10);
  auto width = [&](const char* face, int weight, BOOL italic) {
    HFONT f = CreateFont(-20, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, 0, 0, face);
    HGDIOBJ old = SelectObject(c.dc(), f);
    SIZE s;
    GetTextExtentPoint32(c.dc(), "The quick brown fox", 19, &s);
    SelectObject(c.dc(), old);
    DeleteObject(f);
    return s.cx;
  };
  int sans = width("Arial", FW_NORMAL, FALSE);
  EXPECT_EQ(width("MS Sans Serif", FW_NORMAL, FALSE), sans);
  EXPECT_EQ(width("Tahoma", FW_NORMAL, FALSE), sans);
  EXPECT_NE(width("Times New Roman", FW_NORMAL, FALSE), sans);
  EXPECT_GT(width("Arial", FW_BOLD, FALSE), sans);
  EXPECT_NE(width("Courier New", FW_NORMAL, FALSE), sans);
  // Every character of the mono face has the same advance.
  Selected mono(c.dc(), CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New"));
  SIZE i, w;
  GetTextExtentPoint32(c.dc(), "iii", 3, &i);
  GetTextExtentPoint32(c.dc(), "WWW", 3, &w);
  EXPECT_EQ(i.cx, w.cx);
}

TEST(RealFont, EscapementTurnsARealFont) {
  Canvas c(60, 60);
  Selected turned(c.dc(), CreateFont(-16, 0, 900, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
  SetBkMode(c.dc(), TRANSPARENT);
  TextOut(c.dc(), 30, 55, "HHHH", 4);
  // Turned a quarter left: the ink runs up the canvas, narrower than tall.
  int top = 60, bottom = -1, left = 60, right = -1;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (c.At(x, y) == RGB(255, 255, 255)) continue;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  ASSERT_GE(bottom, 0);
  EXPECT_GT(bottom - top, 2 * (right - left));
}

TEST(RealFont, StockFontsAreEightPointSans) {
  Canvas c(10, 10);
  for (int stock : {DEFAULT_GUI_FONT, ANSI_VAR_FONT, SYSTEM_FONT}) {
    SelectObject(c.dc(), GetStockObject(stock));
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.dc(), &tm)) << stock;
    EXPECT_GE(tm.tmHeight, 11) << stock;
    EXPECT_LE(tm.tmHeight, 15) << stock;
    LOGFONT lf;
    ASSERT_EQ(GetObject(GetStockObject(stock), sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -11);
  }
}

// Text outlines recorded between BeginPath and EndPath and drawn by
// StrokePath with the pen: nothing is drawn while recording, the stroke
// follows the letter's edges (the middle of a wide stem stays clear), every
// pixel is the pen's colour or untouched, and the path bracket's errors.


HFONT MakeFont(const char* face, int height) {
  LOGFONT lf{};
  lf.lfHeight = -height;
  lf.lfWeight = FW_BOLD;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

struct Stroked {
  int red = 0;
  int other = 0;  // neither the pen's colour nor the white background
};

Stroked Count(const velko_test::Canvas& c) {
  Stroked s;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) {
      const COLORREF p = c.At(x, y);
      if (p == RGB(255, 0, 0)) ++s.red;
      else if (p != RGB(255, 255, 255)) ++s.other;
    }
  return s;
}

class TextPathTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TextPathTest, StrokesTheLettersEdgesWithThePen) {
  velko_test::Canvas canvas(80, 80);
  HFONT font = MakeFont(GetParam(), 60);
  HGDIOBJ oldFont = SelectObject(canvas.dc(), font);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
  SetTextColor(canvas.dc(), RGB(0, 0, 255));
  SetBkMode(canvas.dc(), OPAQUE);

  ASSERT_TRUE(BeginPath(canvas.dc()));
  ASSERT_TRUE(TextOut(canvas.dc(), 10, 5, "I", 1));
  EXPECT_EQ(Count(canvas).red + Count(canvas).other, 0) << "recording draws nothing";
  ASSERT_TRUE(EndPath(canvas.dc()));
  ASSERT_TRUE(StrokePath(canvas.dc()));

  const Stroked s = Count(canvas);
  EXPECT_GT(s.red, 40);
  EXPECT_EQ(s.other, 0) << "not anti-aliased, no text colour, no background box";
  // The stem: red at its left and right edges, white in its middle.
  const int row = 45;
  int first = -1, last = -1;
  for (int x = 0; x < canvas.width(); ++x)
    if (canvas.At(x, row) == RGB(255, 0, 0)) {
      if (first < 0) first = x;
      last = x;
    }
  ASSERT_GE(first, 0);
  EXPECT_GE(last - first, 5) << "a bold stem is wide";
  EXPECT_EQ(canvas.At((first + last) / 2, row), RGB(255, 255, 255)) << canvas.Picture();

  // A wider pen covers more.
  canvas.Fill(RGB(255, 255, 255));
  HPEN wide = CreatePen(PS_SOLID, 4, RGB(255, 0, 0));
  SelectObject(canvas.dc(), wide);
  BeginPath(canvas.dc());
  TextOut(canvas.dc(), 10, 5, "I", 1);
  EndPath(canvas.dc());
  StrokePath(canvas.dc());
  EXPECT_GT(Count(canvas).red, s.red * 3 / 2);

  SelectObject(canvas.dc(), oldPen);
  SelectObject(canvas.dc(), oldFont);
  DeleteObject(pen);
  DeleteObject(wide);
  DeleteObject(font);
}

INSTANTIATE_TEST_SUITE_P(Faces, TextPathTest, ::testing::Values("Arial", kTestFontName));

TEST(TextPath, BracketErrors) {
  velko_test::Canvas canvas(20, 20);
  EXPECT_EQ(ERROR_OF(EndPath(canvas.dc())), ERROR_CAN_NOT_COMPLETE);
  EXPECT_FALSE(StrokePath(canvas.dc()));
  ASSERT_TRUE(BeginPath(canvas.dc()));
  EXPECT_FALSE(StrokePath(canvas.dc())) << "still recording";
  EXPECT_TRUE(EndPath(canvas.dc()));
  EXPECT_TRUE(StrokePath(canvas.dc())) << "an empty path strokes nothing";
  EXPECT_FALSE(StrokePath(canvas.dc())) << "stroking discards the path";
  BeginPath(canvas.dc());
  EXPECT_TRUE(AbortPath(canvas.dc()));
  EXPECT_FALSE(EndPath(canvas.dc()));
  EXPECT_FALSE(BeginPath(nullptr));
}

}  // namespace

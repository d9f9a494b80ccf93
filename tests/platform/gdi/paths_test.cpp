// Text outlines recorded between BeginPath and EndPath and drawn by
// StrokePath with the pen: nothing is drawn while recording, the stroke
// follows the letter's edges (the middle of a wide stem stays clear), every
// pixel is the pen's colour or untouched, and the path bracket's errors.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/paths.h"
#include "tests/platform/checks.h"
#include "tests/platform/gdi/canvas.h"

namespace {

using velko_test::ErrorOf;

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
  SetLastError(0);
  EXPECT_EQ(ErrorOf(EndPath(canvas.dc())), ERROR_CAN_NOT_COMPLETE);
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

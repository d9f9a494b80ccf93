// Pixel rules of lines and figures, compared pixel by pixel.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "tests/platform/gdi/canvas.h"

using velko_test::Art;
using velko_test::Canvas;
using velko_test::Selected;

namespace {

TEST(Shapes, RectangleBorderIsInsideAndANullPenFillsOneLessOnRightAndBottom) {
  Canvas c(8, 6);
  Selected brush(c.dc(), CreateSolidBrush(RGB(255, 0, 0)));
  ASSERT_TRUE(Rectangle(c.dc(), 1, 1, 6, 5));
  EXPECT_EQ(c.Picture(), Art(R"(
........
.#####..
.#rrr#..
.#rrr#..
.#####..
........
)"));
  c.Fill(RGB(255, 255, 255));
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(c.dc(), 1, 1, 6, 5));
  EXPECT_EQ(c.Picture(), Art(R"(
........
.rrrr...
.rrrr...
.rrrr...
........
........
)"));
}

TEST(Shapes, LineLeavesOutItsLastPoint) {
  Canvas c(3, 6);
  MoveToEx(c.dc(), 0, 0, nullptr);
  ASSERT_TRUE(LineTo(c.dc(), 2, 5));
  EXPECT_EQ(c.Picture(), Art(R"(
#..
#..
.#.
.#.
..#
...
)"));
  POINT p;
  GetCurrentPositionEx(c.dc(), &p);
  EXPECT_EQ(p.x, 2);
  EXPECT_EQ(p.y, 5);
}

TEST(Shapes, HorizontalAndDiagonalLines) {
  Canvas c(6, 4);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 5, 0);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 3, 4);
  EXPECT_EQ(c.Picture(), Art(R"(
#####.
#.....
.#....
..#...
)"));
}

TEST(Shapes, PolylineDrawsEachVertexOnceAndLeavesOutTheLast) {
  Canvas c(7, 6);
  POINT pts[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
  ASSERT_TRUE(Polyline(c.dc(), pts, 4));
  EXPECT_EQ(c.Picture(), Art(R"(
.......
.#####.
.....#.
.....#.
..####.
.......
)"));
}

TEST(Shapes, EllipseOutlineAndInteriorStayInTheBox) {
  Canvas c(10, 8);
  Selected brush(c.dc(), CreateSolidBrush(RGB(255, 0, 0)));
  ASSERT_TRUE(Ellipse(c.dc(), 1, 1, 9, 7));
  EXPECT_EQ(c.Picture(), Art(R"(
..........
...####...
..#rrrr#..
.#rrrrrr#.
.#rrrrrr#.
..#rrrr#..
...####...
..........
)"));
}

TEST(Shapes, FocusRectangleInvertsEveryOtherPixelAndUndoesItself) {
  Canvas c(8, 6);
  RECT r{1, 1, 6, 5};
  ASSERT_TRUE(DrawFocusRect(c.dc(), &r));
  EXPECT_EQ(c.Picture(), Art(R"(
........
.#.#.#..
........
.#...#..
..#.#...
........
)"));
  ASSERT_TRUE(DrawFocusRect(c.dc(), &r));
  EXPECT_EQ(c.Count(RGB(255, 255, 255)), 48);
}

TEST(Shapes, FillIsClippedToTheClipRegion) {
  Canvas c(8, 6);
  IntersectClipRect(c.dc(), 2, 1, 6, 5);
  ExcludeClipRect(c.dc(), 3, 2, 4, 3);
  RECT all{0, 0, 8, 6};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Picture(), Art(R"(
........
..####..
..#.##..
..####..
..####..
........
)"));
}

TEST(Shapes, SaveAndRestoreBringBackClipAndObjects) {
  Canvas c(4, 4);
  int level = SaveDC(c.dc());
  EXPECT_EQ(level, 1);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(c.dc(), red);
  IntersectClipRect(c.dc(), 0, 0, 1, 1);
  SetBkColor(c.dc(), RGB(1, 2, 3));
  ASSERT_TRUE(RestoreDC(c.dc(), -1));
  EXPECT_EQ(GetCurrentObject(c.dc(), OBJ_PEN), old);
  EXPECT_EQ(GetBkColor(c.dc()), RGB(255, 255, 255));
  RECT all{0, 0, 4, 4};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Count(RGB(0, 0, 0)), 16);
  EXPECT_FALSE(RestoreDC(c.dc(), -1));  // nothing saved any more
  DeleteObject(red);
}

TEST(Shapes, ViewportAndWindowOriginsMoveTheDrawing) {
  Canvas c(6, 6);
  SetViewportOrgEx(c.dc(), 3, 2, nullptr);
  SetWindowOrgEx(c.dc(), 1, 1, nullptr);
  SetPixel(c.dc(), 1, 1, RGB(0, 0, 0));
  EXPECT_EQ(c.At(3, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(c.dc(), 1, 1), RGB(0, 0, 0));
  POINT p{1, 1};
  LPtoDP(c.dc(), &p, 1);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 2);
}

TEST(Shapes, XorPenDrawnTwiceLeavesNoTrace) {
  Canvas c(6, 3, RGB(10, 200, 30));
  Selected pen(c.dc(), CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
  SetROP2(c.dc(), R2_XORPEN);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 6, 1);
  EXPECT_EQ(c.At(2, 1), RGB(245, 55, 225));
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 6, 1);
  EXPECT_EQ(c.At(2, 1), RGB(10, 200, 30));
  SetROP2(c.dc(), R2_NOT);
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 1, 0);
  EXPECT_EQ(c.At(0, 0), RGB(245, 55, 225));
}

TEST(Shapes, DottedPenFillsGapsOnlyWhenBackgroundIsOpaque) {
  Canvas c(12, 2);
  Selected pen(c.dc(), CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
  SetBkColor(c.dc(), RGB(255, 0, 0));
  MoveToEx(c.dc(), 0, 0, nullptr);
  LineTo(c.dc(), 12, 0);
  SetBkMode(c.dc(), TRANSPARENT);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 12, 1);
  EXPECT_EQ(c.Picture(), Art(R"(
###rrr###rrr
###...###...
)"));
}

TEST(Shapes, WidePenDrawsARoundEndedBand) {
  Canvas c(14, 9);
  Selected pen(c.dc(), CreatePen(PS_SOLID, 3, RGB(0, 0, 0)));
  MoveToEx(c.dc(), 2, 4, nullptr);
  LineTo(c.dc(), 10, 4);
  for (int x = 1; x <= 11; ++x) {
    EXPECT_EQ(c.At(x, 3), RGB(0, 0, 0)) << x;
    EXPECT_EQ(c.At(x, 4), RGB(0, 0, 0)) << x;
    EXPECT_EQ(c.At(x, 5), RGB(0, 0, 0)) << x;
  }
  EXPECT_EQ(c.At(0, 4), RGB(255, 255, 255));
  EXPECT_EQ(c.At(12, 4), RGB(255, 255, 255));
  EXPECT_EQ(c.At(6, 2), RGB(255, 255, 255));
  EXPECT_EQ(c.At(6, 6), RGB(255, 255, 255));
}

TEST(Shapes, InsideFramePenStaysInsideTheBox) {
  Canvas c(10, 10);
  Selected pen(c.dc(), CreatePen(PS_INSIDEFRAME, 2, RGB(0, 0, 0)));
  SelectObject(c.dc(), GetStockObject(NULL_BRUSH));
  Rectangle(c.dc(), 1, 1, 9, 9);
  EXPECT_EQ(c.Picture(), Art(R"(
..........
.########.
.########.
.##....##.
.##....##.
.##....##.
.##....##.
.########.
.########.
..........
)"));
}

TEST(Shapes, PolygonFillsPixelCentresInside) {
  Canvas c(6, 6);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  POINT tri[] = {{0, 0}, {4, 0}, {0, 4}};
  ASSERT_TRUE(Polygon(c.dc(), tri, 3));
  EXPECT_EQ(c.Picture(), Art(R"(
###...
##....
#.....
......
......
......
)"));
}

TEST(Shapes, WindingFillsWhatAlternateLeavesOut) {
  // A star whose middle is inside twice.
  POINT star[] = {{5, 0}, {8, 10}, {0, 4}, {10, 4}, {2, 10}};
  Canvas c(11, 11);
  SelectObject(c.dc(), GetStockObject(NULL_PEN));
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  ASSERT_TRUE(Polygon(c.dc(), star, 5));
  EXPECT_EQ(c.At(5, 5), RGB(255, 255, 255));
  EXPECT_EQ(SetPolyFillMode(c.dc(), WINDING), ALTERNATE);
  ASSERT_TRUE(Polygon(c.dc(), star, 5));
  EXPECT_EQ(c.At(5, 5), RGB(0, 0, 0));
}

TEST(Shapes, RoundRectIsSymmetricAndCutsItsCorners) {
  Canvas c(12, 10);
  SelectObject(c.dc(), GetStockObject(BLACK_BRUSH));
  ASSERT_TRUE(RoundRect(c.dc(), 1, 1, 11, 9, 6, 6));
  EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(c.At(10, 8), RGB(255, 255, 255));
  EXPECT_EQ(c.At(5, 1), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 5), RGB(0, 0, 0));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_EQ(c.At(x, y), c.At(11 - x, y)) << x << "," << y;
}

TEST(Shapes, PatternBrushRepeatsFromTheBrushOrigin) {
  Canvas c(8, 2);
  // A monochrome 2 x 1 pattern draws 0 in the text colour and 1 in the
  // background colour.
  BYTE rows[2] = {0x40, 0x00};  // bits 0 1, padded to a word
  HBITMAP pattern = CreateBitmap(2, 1, 1, 1, rows);
  HBRUSH brush = CreatePatternBrush(pattern);
  DeleteObject(pattern);  // the brush keeps its own copy
  SetTextColor(c.dc(), RGB(255, 0, 0));
  SetBkColor(c.dc(), RGB(0, 0, 255));
  RECT r{0, 0, 8, 1};
  FillRect(c.dc(), &r, brush);
  SetBrushOrgEx(c.dc(), 1, 0, nullptr);
  RECT r2{0, 1, 8, 2};
  FillRect(c.dc(), &r2, brush);
  DeleteObject(brush);
  EXPECT_EQ(c.Picture(), Art(R"(
rbrbrbrb
brbrbrbr
)"));
}

TEST(Shapes, GetPixelOutsideTheClipIsInvalid) {
  Canvas c(4, 4);
  IntersectClipRect(c.dc(), 0, 0, 2, 2);
  EXPECT_EQ(GetPixel(c.dc(), 3, 3), CLR_INVALID);
  EXPECT_EQ(SetPixel(c.dc(), 3, 3, RGB(0, 0, 0)), CLR_INVALID);
  EXPECT_EQ(c.At(3, 3), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.dc(), 1, 1), RGB(255, 255, 255));
}

}  // namespace

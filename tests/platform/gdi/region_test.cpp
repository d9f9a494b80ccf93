// Regions: combining, hit testing, region data and clipping.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/device.h"
#include "platform/gdi/gdi.h"
#include "tests/platform/gdi/canvas.h"

using velko_test::Art;
using velko_test::Canvas;

namespace {

std::vector<RECT> RectsOf(HRGN region) {
  DWORD size = GetRegionData(region, 0, nullptr);
  std::vector<BYTE> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  EXPECT_EQ(GetRegionData(region, size, data), size);
  std::vector<RECT> rects(data->rdh.nCount);
  std::memcpy(rects.data(), data->Buffer, rects.size() * sizeof(RECT));
  return rects;
}

std::string Describe(const std::vector<RECT>& rects) {
  std::string out;
  for (const RECT& r : rects) {
    out += "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
  }
  return out;
}

class RegionCombine : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = CreateRectRgn(0, 0, 10, 10);
    b_ = CreateRectRgn(5, 5, 15, 15);
    out_ = CreateRectRgn(0, 0, 0, 0);
  }
  void TearDown() override {
    DeleteObject(a_);
    DeleteObject(b_);
    DeleteObject(out_);
  }
  HRGN a_, b_, out_;
};

TEST_F(RegionCombine, UnionIsBandedTopToBottomLeftToRight) {
  EXPECT_EQ(CombineRgn(out_, a_, b_, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(Describe(RectsOf(out_)), "(0,0,10,5)(0,5,15,10)(5,10,15,15)");
  RECT box;
  EXPECT_EQ(GetRgnBox(out_, &box), COMPLEXREGION);
  EXPECT_EQ(Describe({box}), "(0,0,15,15)");
}

TEST_F(RegionCombine, IntersectionXorAndDifference) {
  EXPECT_EQ(CombineRgn(out_, a_, b_, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(Describe(RectsOf(out_)), "(5,5,10,10)");
  EXPECT_EQ(CombineRgn(out_, a_, b_, RGN_XOR), COMPLEXREGION);
  EXPECT_EQ(Describe(RectsOf(out_)), "(0,0,10,5)(0,5,5,10)(10,5,15,10)(5,10,15,15)");
  EXPECT_EQ(CombineRgn(out_, a_, b_, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(Describe(RectsOf(out_)), "(0,0,10,5)(0,5,5,10)");
  EXPECT_EQ(CombineRgn(out_, a_, a_, RGN_DIFF), NULLREGION);
  EXPECT_EQ(CombineRgn(out_, b_, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(out_, b_));
}

TEST_F(RegionCombine, TouchingBandsWithEqualSpansMerge) {
  HRGN lower = CreateRectRgn(0, 10, 10, 20);
  EXPECT_EQ(CombineRgn(out_, a_, lower, RGN_OR), SIMPLEREGION);
  EXPECT_EQ(Describe(RectsOf(out_)), "(0,0,10,20)");
  DeleteObject(lower);
}

TEST(Region, HitTestingExcludesRightAndBottomEdges) {
  HRGN r = CreateRectRgn(0, 0, 10, 10);
  EXPECT_TRUE(PtInRegion(r, 0, 0));
  EXPECT_TRUE(PtInRegion(r, 9, 9));
  EXPECT_FALSE(PtInRegion(r, 10, 5));
  EXPECT_FALSE(PtInRegion(r, 5, 10));
  EXPECT_FALSE(PtInRegion(r, -1, 5));
  RECT inside{8, 8, 20, 20}, outside{10, 0, 20, 10};
  EXPECT_TRUE(RectInRegion(r, &inside));
  EXPECT_FALSE(RectInRegion(r, &outside));
  ASSERT_EQ(OffsetRgn(r, 5, -5), SIMPLEREGION);
  EXPECT_TRUE(PtInRegion(r, 14, 4));
  EXPECT_FALSE(PtInRegion(r, 4, 4));
  ASSERT_TRUE(SetRectRgn(r, 1, 1, 2, 2));
  EXPECT_EQ(Describe(RectsOf(r)), "(1,1,2,2)");
  DeleteObject(r);
}

TEST(Region, RegionDataRoundTripsThroughExtCreateRegion) {
  HRGN a = CreateEllipticRgn(0, 0, 30, 20);
  DWORD size = GetRegionData(a, 0, nullptr);
  ASSERT_GT(size, sizeof(RGNDATAHEADER));
  std::vector<BYTE> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  EXPECT_EQ(GetRegionData(a, size - 1, data), 0u);  // too small
  ASSERT_EQ(GetRegionData(a, size, data), size);
  EXPECT_EQ(data->rdh.dwSize, 32u);
  EXPECT_EQ(data->rdh.iType, RDH_RECTANGLES);
  EXPECT_EQ(data->rdh.nRgnSize, data->rdh.nCount * 16);
  EXPECT_EQ(Describe({data->rdh.rcBound}), "(0,0,30,20)");
  HRGN b = ExtCreateRegion(nullptr, size, data);
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(EqualRgn(a, b));
  XFORM move;
  move.eDx = 100;
  HRGN c = ExtCreateRegion(&move, size, data);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(PtInRegion(c, 115, 10));
  EXPECT_FALSE(PtInRegion(c, 15, 10));
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(c);
}

TEST(Region, ExtCreateRegionTakesUnorderedOverlappingRectangles) {
  struct {
    RGNDATAHEADER header;
    RECT rects[3];
  } data;
  data.header.nCount = 3;
  data.rects[0] = {5, 5, 15, 15};
  data.rects[1] = {0, 0, 10, 10};
  data.rects[2] = {2, 2, 3, 3};
  HRGN r = ExtCreateRegion(nullptr, sizeof data, reinterpret_cast<RGNDATA*>(&data));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Describe(RectsOf(r)), "(0,0,10,5)(0,5,15,10)(5,10,15,15)");
  DeleteObject(r);
}

TEST(Region, AnEmptyRegionIsValidAndClipsEverything) {
  RGNDATAHEADER header;  // no rectangles
  HRGN empty = ExtCreateRegion(nullptr, sizeof header, reinterpret_cast<RGNDATA*>(&header));
  ASSERT_NE(empty, nullptr);
  RECT box;
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
  EXPECT_EQ(GetRegionData(empty, 0, nullptr), 32u);
  Canvas c(4, 4);
  EXPECT_EQ(SelectClipRgn(c.dc(), empty), NULLREGION);
  RECT all{0, 0, 4, 4};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Count(RGB(0, 0, 0)), 0);
  EXPECT_EQ(GetClipBox(c.dc(), &box), NULLREGION);
  DeleteObject(empty);
}

TEST(Region, ClippingADcToARegionDrawsExactlyItsPixels) {
  Canvas c(24, 18);
  HRGN shape = CreateEllipticRgn(2, 1, 22, 17);
  HRGN hole = CreateRectRgn(10, 6, 14, 10);
  CombineRgn(shape, shape, hole, RGN_DIFF);
  ASSERT_EQ(SelectClipRgn(c.dc(), shape), COMPLEXREGION);
  RECT all{0, 0, 24, 18};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 24; ++x) {
      EXPECT_EQ(c.At(x, y) == RGB(0, 0, 0), PtInRegion(shape, x, y) != 0) << x << "," << y;
    }
  }
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(Describe({box}), "(2,1,22,17)");
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(c.dc(), copy), 1);
  EXPECT_TRUE(EqualRgn(copy, shape));
  SelectClipRgn(c.dc(), nullptr);
  EXPECT_EQ(GetClipRgn(c.dc(), copy), 0);
  DeleteObject(copy);
  DeleteObject(shape);
  DeleteObject(hole);
}

TEST(Region, ClipRegionFollowsTheViewportOrigin) {
  Canvas c(8, 4);
  HRGN r = CreateRectRgn(0, 0, 2, 2);  // device units
  SelectClipRgn(c.dc(), r);
  SetViewportOrgEx(c.dc(), 4, 0, nullptr);
  RECT all{-10, -10, 10, 10};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(c.Picture(), Art(R"(
##......
##......
........
........
)"));
  RECT box;
  GetClipBox(c.dc(), &box);  // logical units
  EXPECT_EQ(Describe({box}), "(-4,0,-2,2)");
  DeleteObject(r);
}

TEST(Region, FillFrameAndInvertRegion) {
  Canvas c(6, 5);
  HRGN r = CreateRectRgn(1, 1, 5, 4);
  ASSERT_TRUE(FrameRgn(c.dc(), r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1));
  EXPECT_EQ(c.Picture(), Art(R"(
......
.####.
.#..#.
.####.
......
)"));
  ASSERT_TRUE(InvertRgn(c.dc(), r));
  EXPECT_EQ(c.At(2, 2), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 1), RGB(255, 255, 255));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  ASSERT_TRUE(FillRgn(c.dc(), r, red));
  EXPECT_EQ(c.Count(RGB(255, 0, 0)), 12);
  DeleteObject(red);
  DeleteObject(r);
}

TEST(Region, ValuesAndHandlesConvert) {
  platform::Region value = platform::Region::Combine(platform::Region(RECT{0, 0, 4, 4}),
                                                     platform::Region(RECT{2, 2, 6, 6}), platform::Region::Op::Or);
  HRGN handle = platform::CreateRegionHandle(value);
  EXPECT_TRUE(PtInRegion(handle, 5, 5));
  platform::Region back;
  ASSERT_TRUE(platform::RegionOfHandle(handle, &back));
  EXPECT_TRUE(back == value);
  DeleteObject(handle);
  EXPECT_FALSE(platform::RegionOfHandle(handle, &back));
}

TEST(Region, EllipticRegionIsSymmetric) {
  HRGN r = CreateEllipticRgn(0, 0, 13, 9);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 13; ++x) {
      EXPECT_EQ(PtInRegion(r, x, y), PtInRegion(r, 12 - x, y));
      EXPECT_EQ(PtInRegion(r, x, y), PtInRegion(r, x, 8 - y));
    }
  }
  EXPECT_TRUE(PtInRegion(r, 6, 0));
  EXPECT_TRUE(PtInRegion(r, 0, 4));
  EXPECT_FALSE(PtInRegion(r, 0, 0));
  DeleteObject(r);
  // A rounded rectangle cuts its corners only.
  r = CreateRoundRectRgn(0, 0, 20, 10, 8, 8);
  EXPECT_FALSE(PtInRegion(r, 0, 0));
  EXPECT_TRUE(PtInRegion(r, 10, 0));
  EXPECT_TRUE(PtInRegion(r, 0, 5));
  DeleteObject(r);
}

}  // namespace

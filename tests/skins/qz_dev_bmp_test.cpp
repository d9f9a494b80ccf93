#include "skins/QzDevBmp.h"

#include <gtest/gtest.h>

#include <cstring>

#include "classlib/Bitmaps.h"
#include "classlib/Streams.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

// Releases a bitmap when the test ends.
struct Held {
  explicit Held(TqzBmp* b) : bmp(b) {}
  ~Held() {
    if (bmp) bmp->Release();
  }
  TqzBmp* operator->() const { return bmp; }
  TqzBmp* bmp;
};

void Fill(TqzBmp* b, TColor c) {
  for (int y = 0; y < b->Height; ++y)
    for (int x = 0; x < b->Width; ++x) QzColorToPixel(c, b->Pixel(x, y));
}

TColor PixelColor(const TqzBmp* b, int x, int y) {
  const uint8_t* p = b->Pixel(x, y);
  return p[2] | p[1] << 8 | p[0] << 16;
}

std::vector<RECT> Rects(const uint8_t* data) {
  RGNDATAHEADER h;
  std::memcpy(&h, data, sizeof(h));
  std::vector<RECT> out(h.nCount);
  if (h.nCount) std::memcpy(out.data(), data + sizeof(h), h.nCount * sizeof(RECT));
  return out;
}

TEST(QzBmpTest, RowGeometrySizesAndReferences) {
  const struct { int w, inc; } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}};
  for (auto c : cases) {
    Held b(new TqzBmp(c.w, 2));
    EXPECT_EQ(b->RowInc, c.inc) << c.w;
    EXPECT_EQ(b->Size, c.inc * 2);
    EXPECT_EQ(b->Rows[1] - b->Rows[0], c.inc);
    EXPECT_EQ(b->RefCount, 1);
    EXPECT_NE(b->DC, nullptr);
  }
  // Empty sizes have nothing, start with one reference like any other
  // bitmap and are freed by the first release.
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 4}, {4, -1}}) {
    auto* b = new TqzBmp(w, h);
    EXPECT_EQ(b->Handle, nullptr);
    EXPECT_EQ(b->DC, nullptr);
    EXPECT_TRUE(b->Rows.empty());
    EXPECT_EQ(b->RefCount, 1);
    b->Release();  // freed here; ASan reports a leak otherwise
  }
  // A reference keeps the bitmap until the last release.
  auto* b = new TqzBmp(2, 2);
  EXPECT_EQ(b->AddRef(), b);
  b->Release();
  EXPECT_EQ(b->RefCount, 1);
  Fill(b, 0x123456);
  EXPECT_EQ(PixelColor(b, 1, 1), 0x123456);
  b->Release();
}

TEST(QzBmpTest, CopyRectIncludesRightAndBottomAndCutsAtEdges) {
  Held src(new TqzBmp(20, 20));
  Held dst(new TqzBmp(12, 12));
  Fill(src.bmp, 0x0000FF);
  Fill(dst.bmp, 0);
  src->CopyRect(dst.bmp, RECT{0, 0, 9, 9}, 1, 1);
  EXPECT_EQ(PixelColor(dst.bmp, 10, 10), 0x0000FF);
  EXPECT_EQ(PixelColor(dst.bmp, 11, 11), 0);
  EXPECT_EQ(PixelColor(dst.bmp, 0, 0), 0);
  // Past both edges, and from negative origins: cut, never outside.
  Fill(dst.bmp, 0);
  src->CopyTo(dst.bmp, 8, 8, 15, 15, 100, 100);
  EXPECT_EQ(PixelColor(dst.bmp, 11, 11), 0x0000FF);
  EXPECT_EQ(PixelColor(dst.bmp, 7, 7), 0);
  src->CopyTo(dst.bmp, -5, -5, -2, 0, 10, 10);
}

TEST(QzBmpTest, RegionDataOfMaskAndRuns) {
  Held b(new TqzBmp(6, 2));
  Fill(b.bmp, 0xFF00FF);
  uint8_t* data = nullptr;
  EXPECT_EQ(b->GetRegionData(data, 0, 0, RECT{0, 0, 6, 2}, 0xFF00FF), 32u);
  EXPECT_TRUE(Rects(data).empty());
  delete[] data;
  QzColorToPixel(0x00FF00, b->Pixel(1, 0));
  QzColorToPixel(0x00FF00, b->Pixel(2, 0));
  QzColorToPixel(0x00FF00, b->Pixel(5, 1));
  EXPECT_EQ(b->GetRegionData(data, 10, 20, RECT{0, 0, 6, 2}, 0xFF00FF), 64u);
  auto r = Rects(data);
  delete[] data;
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], (RECT{11, 20, 13, 21}));
  EXPECT_EQ(r[1], (RECT{15, 21, 16, 22}));
  // A scan rectangle larger than the image reads only the image.
  EXPECT_EQ(b->GetRegionData(data, 0, 0, RECT{0, 0, 60, 20}, 0xFF00FF), 64u);
  delete[] data;
  HRGN rgn = b->CreateRegion(0, 0, 0xFF00FF);
  EXPECT_TRUE(PtInRegion(rgn, 1, 0));
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 5, 1));
  DeleteObject(rgn);
}

TEST(QzBmpTest, RegionKeepsMoreThanTenThousandRuns) {
  Held b(new TqzBmp(200, 120));
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x) QzColorToPixel((x % 2) ? 0xFFFFFF : 0x000001, b->Pixel(x, y));
  uint8_t* data = nullptr;
  DWORD size = b->GetRegionData(data, 0, 0, RECT{0, 0, 200, 120}, 0xFFFFFF);
  EXPECT_EQ(Rects(data).size(), 12000u);
  EXPECT_EQ(size, 32u + 16u * 12000u);
  delete[] data;
}

TEST(QzBmpTest, FadeClampsAndIgnoresSizeMismatch) {
  Held a(new TqzBmp(4, 2)), b(new TqzBmp(4, 2)), out(new TqzBmp(4, 2)), odd(new TqzBmp(3, 2));
  const struct { double alpha; TColor expect; } cases[] = {
      {-0.5, 0x000000}, {0.0, 0x000000}, {0.5, 0x808080}, {1.0, 0xFFFFFF}, {2.0, 0xFFFFFF}};
  for (auto c : cases) {
    Fill(a.bmp, 0);
    Fill(b.bmp, 0xFFFFFF);
    Fill(out.bmp, 0x0000FF);
    out->Fade(a.bmp, b.bmp, c.alpha);
    EXPECT_EQ(PixelColor(out.bmp, 3, 1), c.expect) << c.alpha;  // 127.5 rounds to even 128
  }
  Fill(out.bmp, 0x0000FF);
  out->Fade(a.bmp, odd.bmp, 0.5);
  EXPECT_EQ(PixelColor(out.bmp, 0, 0), 0x0000FF);
}

TEST(QzBmpTest, BlendClipsRectangleAndOffsets) {
  Held a(new TqzBmp(4, 4)), b(new TqzBmp(2, 2));
  Fill(a.bmp, 0);
  Fill(b.bmp, 0xFFFFFF);
  a->Blend(a.bmp, b.bmp, 1, 1, RECT{-10, -10, 100, 100}, 1.0);
  EXPECT_EQ(PixelColor(a.bmp, 0, 0), 0);  // A (0, 0) pairs with B (11, 11), outside B: nothing changes
  Fill(a.bmp, 0);
  a->Blend(a.bmp, b.bmp, 0, 0, RECT{2, 2, 100, 100}, 1.0);
  EXPECT_EQ(PixelColor(a.bmp, 3, 3), 0xFFFFFF);
  EXPECT_EQ(PixelColor(a.bmp, 1, 1), 0);
}

TEST(QzBmpTest, SlideDrawsBFromItsShare) {
  Held a(new TqzBmp(100, 4)), b(new TqzBmp(100, 4)), out(new TqzBmp(100, 4));
  Fill(a.bmp, 0x0000FF);
  Fill(b.bmp, 0x00FF00);
  out->Slide(a.bmp, b.bmp, 1, 0.25);
  EXPECT_EQ(PixelColor(out.bmp, 74, 2), 0x0000FF);
  EXPECT_EQ(PixelColor(out.bmp, 75, 2), 0x00FF00);
  out->Slide(a.bmp, b.bmp, 0, 1.0);
  EXPECT_EQ(PixelColor(out.bmp, 0, 0), 0x00FF00);
  out->Slide(a.bmp, b.bmp, 7, 0.5);
  EXPECT_EQ(PixelColor(out.bmp, 99, 3), 0x0000FF);
}

class QzBmpFileTest : public velko_test::DriveTest {};

TEST_F(QzBmpFileTest, SavesTwentyFourBitAndLoadsBack) {
  Held b(new TqzBmp(3, 2));
  Fill(b.bmp, 0x102030);
  QzColorToPixel(0xABCDEF, b->Pixel(2, 1));
  b->SaveToFile("T:\\a.bmp");
  std::string bytes = Contents("a.bmp");
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes[28], 24);  // bits per pixel
  Held c(TqzBmp::CreateFromFile("T:\\a.bmp"));
  ASSERT_EQ(c->Width, 3);
  EXPECT_EQ(PixelColor(c.bmp, 2, 1), 0xABCDEF);
  EXPECT_EQ(PixelColor(c.bmp, 0, 0), 0x102030);
  TMemoryStream m;
  b->SaveToStream(&m);
  m.SetPosition(0);
  Held d(TqzBmp::CreateFromStream(&m));
  EXPECT_EQ(PixelColor(d.bmp, 2, 1), 0xABCDEF);
  EXPECT_THROW(TqzBmp::CreateFromFile("T:\\missing.bmp"), Exception);
  TMemoryStream cut;
  cut.WriteBuffer(bytes.data(), 40);
  cut.SetPosition(0);
  EXPECT_THROW(TqzBmp::CreateFromStream(&cut), Exception);
}

}  // namespace

// Blits, stretching, colour-keyed copies, monochrome conversions and DIBs.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/platform/gdi/canvas.h"

using velko_test::Art;
using velko_test::BitmapDC;
using velko_test::Canvas;
using velko_test::Selected;

namespace {

TEST(Blit, RasterOperationsCombineSourceAndDestination) {
  Canvas src(1, 1, RGB(0x0F, 0xF0, 0x33));
  Canvas dst(1, 1);
  struct Case {
    DWORD rop;
    COLORREF dest;
    COLORREF expected;
  } cases[] = {
      {SRCCOPY, RGB(0x55, 0x55, 0x55), RGB(0x0F, 0xF0, 0x33)},
      {SRCAND, RGB(0x3C, 0x3C, 0xFF), RGB(0x0C, 0x30, 0x33)},
      {SRCPAINT, RGB(0x30, 0x0C, 0x00), RGB(0x3F, 0xFC, 0x33)},
      {SRCINVERT, RGB(0xFF, 0x0F, 0x33), RGB(0xF0, 0xFF, 0x00)},
      {SRCERASE, RGB(0xFF, 0x00, 0x33), RGB(0x00, 0xF0, 0x00)},
      {NOTSRCCOPY, RGB(0x00, 0x00, 0x00), RGB(0xF0, 0x0F, 0xCC)},
      {DSTINVERT, RGB(0x12, 0x34, 0x56), RGB(0xED, 0xCB, 0xA9)},
      {BLACKNESS, RGB(0x12, 0x34, 0x56), RGB(0, 0, 0)},
      {WHITENESS, RGB(0x12, 0x34, 0x56), RGB(255, 255, 255)},
  };
  for (const Case& c : cases) {
    dst.Fill(c.dest);
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, c.rop)) << std::hex << c.rop;
    EXPECT_EQ(dst.At(0, 0), c.expected) << std::hex << c.rop;
  }
}

TEST(Blit, PatternOperationsUseTheSelectedBrush) {
  Canvas src(1, 1, RGB(0xF0, 0x0F, 0xFF));
  Canvas dst(1, 1, RGB(0x0F, 0x0F, 0x0F));
  Selected brush(dst.dc(), CreateSolidBrush(RGB(0xFF, 0x00, 0x3C)));
  ASSERT_TRUE(PatBlt(dst.dc(), 0, 0, 1, 1, PATINVERT));
  EXPECT_EQ(dst.At(0, 0), RGB(0xF0, 0x0F, 0x33));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, MERGECOPY));
  EXPECT_EQ(dst.At(0, 0), RGB(0xF0, 0x00, 0x3C));
  ASSERT_TRUE(PatBlt(dst.dc(), 0, 0, 1, 1, PATCOPY));
  EXPECT_EQ(dst.At(0, 0), RGB(0xFF, 0x00, 0x3C));
  // A ternary operation without a shortcut: DSPDxax (0xE2) puts the pattern
  // where the source is 1 and keeps the destination where it is 0.
  Canvas mask(1, 1, RGB(0xFF, 0x00, 0xF0));
  dst.Fill(RGB(0x11, 0x22, 0x33));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, mask.dc(), 0, 0, 0x00E20746));
  EXPECT_EQ(dst.At(0, 0), RGB(0xFF, 0x22, 0x33));
  EXPECT_FALSE(PatBlt(dst.dc(), 0, 0, 1, 1, SRCCOPY));  // needs a source
}

TEST(Blit, OverlappingCopyWithinOneBitmapScrolls) {
  Canvas c(4, 4);
  for (int y = 0; y < 4; ++y) SetPixel(c.dc(), 0, y, RGB(0, 0, 255 - y));
  ASSERT_TRUE(BitBlt(c.dc(), 0, 1, 4, 3, c.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(c.At(0, 1), RGB(0, 0, 255));
  EXPECT_EQ(c.At(0, 2), RGB(0, 0, 254));
  EXPECT_EQ(c.At(0, 3), RGB(0, 0, 253));
  ASSERT_TRUE(BitBlt(c.dc(), 0, 0, 4, 3, c.dc(), 0, 1, SRCCOPY));
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(0, 2), RGB(0, 0, 253));
}

TEST(Blit, StretchDoublesWithNearestPixels) {
  Canvas src(2, 2);
  SetPixel(src.dc(), 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc(), 1, 0, RGB(0, 255, 0));
  SetPixel(src.dc(), 0, 1, RGB(0, 0, 255));
  SetPixel(src.dc(), 1, 1, RGB(0, 0, 0));
  Canvas dst(5, 5);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Picture(), Art(R"(
rrgg.
rrgg.
bb##.
bb##.
.....
)"));
}

TEST(Blit, StretchMirrorsWithANegativeWidth) {
  Canvas src(3, 1);
  SetPixel(src.dc(), 0, 0, RGB(255, 0, 0));
  SetPixel(src.dc(), 1, 0, RGB(0, 255, 0));
  SetPixel(src.dc(), 2, 0, RGB(0, 0, 255));
  Canvas dst(3, 1);
  ASSERT_TRUE(StretchBlt(dst.dc(), 2, 0, -3, 1, src.dc(), 0, 0, 3, 1, SRCCOPY));
  EXPECT_EQ(dst.Picture(), "bgr\n");
}

TEST(Blit, ShrinkingKeepsBlackOnlyInBlackOnWhiteMode) {
  Canvas src(4, 4);
  SetPixel(src.dc(), 1, 1, RGB(0, 0, 0));
  Canvas dst(2, 2);
  ASSERT_EQ(GetStretchBltMode(dst.dc()), BLACKONWHITE);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(dst.Picture(), "#.\n..\n");
  dst.Fill(RGB(255, 0, 0));
  SetStretchBltMode(dst.dc(), COLORONCOLOR);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(dst.Picture(), "..\n..\n");  // the black pixel is dropped
}

TEST(Blit, TransparentCopyLeavesKeyColouredPixelsOut) {
  Canvas src(3, 2, RGB(255, 0, 255));
  SetPixel(src.dc(), 1, 0, RGB(255, 0, 0));
  SetPixel(src.dc(), 2, 1, RGB(0, 0, 255));
  Canvas dst(6, 4, RGB(0, 255, 0));
  ASSERT_TRUE(TransparentBlt(dst.dc(), 0, 0, 6, 4, src.dc(), 0, 0, 3, 2, RGB(255, 0, 255)));
  EXPECT_EQ(dst.Picture(), Art(R"(
ggrrgg
ggrrgg
ggggbb
ggggbb
)"));
}

TEST(Blit, ColourToMonochromeUsesTheSourceBackgroundColour) {
  Canvas src(3, 1, RGB(255, 0, 255));
  SetPixel(src.dc(), 1, 0, RGB(10, 20, 30));
  SetBkColor(src.dc(), RGB(255, 0, 255));
  BitmapDC mono(CreateBitmap(3, 1, 1, 1, nullptr));
  ASSERT_TRUE(BitBlt(mono.dc(), 0, 0, 3, 1, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mono.dc(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mono.dc(), 1, 0), RGB(0, 0, 0));
  // Back to colour: 0 takes the text colour, 1 the background colour.
  Canvas dst(3, 1);
  SetTextColor(dst.dc(), RGB(255, 0, 0));
  SetBkColor(dst.dc(), RGB(0, 0, 255));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 3, 1, mono.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(dst.Picture(), "brb\n");
}

TEST(Blit, ClassicMaskTransparencyWorks) {
  // The platform's classic transparent draw: a mask from the key colour,
  // AND the mask onto the destination, black out the key in the source, OR
  // the source in.
  const COLORREF key = RGB(255, 0, 255);
  Canvas src(4, 1, key);
  SetPixel(src.dc(), 1, 0, RGB(255, 0, 0));
  SetPixel(src.dc(), 2, 0, RGB(0, 0, 255));
  Canvas dst(4, 1, RGB(0, 255, 0));
  BitmapDC mask_dc(CreateBitmap(4, 1, 1, 1, nullptr));
  HDC mask = mask_dc.dc();
  SetBkColor(src.dc(), key);
  BitBlt(mask, 0, 0, 4, 1, src.dc(), 0, 0, SRCCOPY);
  SetBkColor(dst.dc(), RGB(255, 255, 255));
  SetTextColor(dst.dc(), RGB(0, 0, 0));
  BitBlt(dst.dc(), 0, 0, 4, 1, mask, 0, 0, SRCAND);
  SetBkColor(src.dc(), RGB(0, 0, 0));
  SetTextColor(src.dc(), RGB(255, 255, 255));
  BitBlt(src.dc(), 0, 0, 4, 1, mask, 0, 0, SRCAND);
  BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(dst.Picture(), "grbg\n");
}

TEST(Blit, MaskBltChoosesTheOperationByTheMask) {
  Canvas src(4, 1, RGB(255, 0, 0));
  Canvas dst(4, 1, RGB(0, 255, 0));
  BYTE bits[2] = {0xA0, 0x00};  // 1 0 1 0
  HBITMAP mask = CreateBitmap(4, 1, 1, 1, bits);
  ASSERT_TRUE(MaskBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, mask, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
  EXPECT_EQ(dst.Picture(), "rgrg\n");
  DeleteObject(mask);
}

TEST(Blit, DibSectionBitsAreLiveTopDownAndBottomUp) {
  for (int direction : {-1, 1}) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2 * direction;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bits, nullptr);
    BitmapDC section(bitmap);
    HDC dc = section.dc();
    SetPixel(dc, 0, 0, RGB(1, 2, 3));  // the top-left pixel
    auto* bytes = static_cast<BYTE*>(bits);
    // Rows are 12 bytes (9 padded to 4); the top row comes first only when
    // the height is negative.
    int topRow = direction < 0 ? 0 : 12;
    EXPECT_EQ(bytes[topRow + 0], 3);  // blue, green, red
    EXPECT_EQ(bytes[topRow + 1], 2);
    EXPECT_EQ(bytes[topRow + 2], 1);
    int bottomRow = direction < 0 ? 12 : 0;
    bytes[bottomRow + 6] = 0x30;  // bottom row, x = 2: written by hand
    bytes[bottomRow + 7] = 0x20;
    bytes[bottomRow + 8] = 0x10;
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0x10, 0x20, 0x30));
    DIBSECTION ds;
    ASSERT_EQ(GetObject(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
    EXPECT_EQ(ds.dsBmih.biHeight, 2 * direction);
    BITMAP bm;
    ASSERT_EQ(GetObject(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 24);
  }
}

TEST(Blit, PaletteDibSectionMapsColoursToItsEntries) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
  } info;
  info.header.biWidth = 8;
  info.header.biHeight = -1;
  info.header.biBitCount = 1;
  info.colors[0] = {255, 0, 0, 0};    // blue
  info.colors[1] = {0, 255, 255, 0};  // yellow
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  BitmapDC section(bitmap);
  HDC dc = section.dc();
  RECT r{2, 0, 5, 1};
  HBRUSH nearlyYellow = CreateSolidBrush(RGB(250, 240, 10));
  FillRect(dc, &r, nearlyYellow);
  DeleteObject(nearlyYellow);
  EXPECT_EQ(static_cast<BYTE*>(bits)[0], 0x38);  // 0011 1000
  EXPECT_EQ(GetPixel(dc, 3, 0), RGB(255, 255, 0));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  // Copying it to colour uses its own colour table.
  Canvas out(8, 1);
  BitBlt(out.dc(), 0, 0, 8, 1, dc, 0, 0, SRCCOPY);
  EXPECT_EQ(out.At(2, 0), RGB(255, 255, 0));
  EXPECT_EQ(out.At(7, 0), RGB(0, 0, 255));
}

TEST(Blit, GetDIBitsAndSetDIBitsRoundTrip) {
  Canvas c(3, 2);
  SetPixel(c.dc(), 0, 0, RGB(10, 20, 30));
  SetPixel(c.dc(), 2, 1, RGB(40, 50, 60));
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3, 2);
  BITMAP bm;
  GetObject(bitmap, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = 2;  // bottom-up
  info.bmiHeader.biBitCount = 24;
  std::vector<BYTE> rows(2 * 12);
  ASSERT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[12 + 0], 30);  // top row is stored second
  EXPECT_EQ(rows[12 + 2], 10);
  EXPECT_EQ(rows[6], 60);       // bottom row, x = 2
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
  ASSERT_EQ(SetDIBits(nullptr, bitmap, 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
  BitmapDC set(bitmap);
  EXPECT_EQ(GetPixel(set.dc(), 0, 0), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(set.dc(), 2, 1), RGB(40, 50, 60));
  EXPECT_EQ(GetPixel(set.dc(), 1, 1), RGB(255, 255, 255));
}

TEST(Blit, StretchDIBitsAndSetDIBitsToDeviceReadBottomUpDibs) {
  // A 2 x 2 bottom-up 32-bit DIB: bottom row red, green; top row blue, black.
  std::uint32_t pixels[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000};
  BITMAPINFO info{};
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biBitCount = 32;
  Canvas dst(4, 4);
  ASSERT_EQ(StretchDIBits(dst.dc(), 0, 0, 4, 4, 0, 0, 2, 2, pixels, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(dst.Picture(), Art(R"(
bb##
bb##
rrgg
rrgg
)"));
  dst.Fill(RGB(255, 255, 255));
  ASSERT_EQ(SetDIBitsToDevice(dst.dc(), 1, 1, 2, 2, 0, 0, 0, 2, pixels, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(dst.Picture(), Art(R"(
....
.b#.
.rg.
....
)"));
}

TEST(Blit, CompatibleBitmapOfAFreshMemoryDcIsMonochrome) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(dc, 4, 4);
  BITMAP bm;
  GetObject(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 1);
  DeleteObject(mono);
  DeleteDC(dc);
}

}  // namespace

// TBitmap: sizes, pixel formats, rows, monochrome bitmaps, handles and
// copies.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"
#include "tests/classlib/graphics/graphics_test_support.h"

using velko_test::Art;
using velko_test::Legend;
using velko_test::Picture;
using velko_test::RawPixel;
using velko_test::Surface;

namespace {

TEST(Bitmap, NewPixelsAreWhiteOrTheCanvasBrushAndOldOnesStay) {
  TBitmap b;
  b.SetWidth(2);
  EXPECT_TRUE(b.Empty());  // no height yet
  EXPECT_FALSE(b.HandleAllocated());
  b.SetHeight(2);
  EXPECT_EQ(Picture(b, Legend()), Art("..\n..\n"));
  b.Canvas()->SetPixels(1, 1, clRed);
  b.Canvas()->Brush()->SetColor(clBlue);
  b.SetSize(3, 3);
  EXPECT_EQ(Picture(b, Legend()), Art("..b\n.rb\nbbb\n"));
  b.SetSize(2, 1);
  EXPECT_EQ(Picture(b, Legend()), Art("..\n"));
  b.SetSize(-4, 3);
  EXPECT_EQ(b.Width(), 0);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, NewBitmapsOfEveryFormatAreWhite) {
  struct Case {
    TPixelFormat format;
    int bits;
    std::uint32_t white;  // every bit of the pixel set
  };
  for (const Case& c : {Case{pf1bit, 1, 1}, Case{pf4bit, 4, 15}, Case{pf8bit, 8, 255}, Case{pf15bit, 16, 0x7FFF},
                        Case{pf24bit, 24, 0xFFFFFF}, Case{pf32bit, 32, 0x00FFFFFF}}) {
    TBitmap b;
    b.SetPixelFormat(c.format);
    b.SetSize(5, 2);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(RawPixel(b, x, y, c.bits), c.white) << c.bits;
        EXPECT_EQ(b.Canvas()->Pixels(x, y), clWhite) << c.bits;
      }
    }
  }
}

TEST(Bitmap, ChangesRaiseOnChangeOnce) {
  TBitmap b;
  int changes = 0;
  b.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &b);
    ++changes;
  };
  b.SetSize(3, 3);
  EXPECT_EQ(changes, 1);
  b.SetSize(3, 3);
  EXPECT_EQ(changes, 1);
  b.SetPixelFormat(pf8bit);
  b.SetTransparent(true);
  b.SetTransparentColor(clRed);
  EXPECT_EQ(changes, 4);
  EXPECT_TRUE(b.Modified);
}

TEST(Bitmap, PixelFormatsConvertTheirPixels) {
  auto b = Surface(4, 1);
  TCanvas* c = b->Canvas();
  c->SetPixels(0, 0, clRed);
  c->SetPixels(1, 0, clBlack);
  c->SetPixels(2, 0, static_cast<TColor>(RGB(250, 250, 250)));  // near white
  b->SetPixelFormat(pf24bit);
  EXPECT_EQ(b->PixelFormat(), pf24bit);
  EXPECT_EQ(RawPixel(*b, 0, 0, 24), 0xFF0000u);
  b->SetPixelFormat(pf4bit);
  EXPECT_EQ(b->Colors().size(), 16u);
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(b->Canvas()->Pixels(2, 0), clWhite);  // the nearest of the sixteen
  b->SetPixelFormat(pf1bit);
  EXPECT_TRUE(b->Monochrome());
  EXPECT_EQ(RawPixel(*b, 1, 0, 1), 0u);
  EXPECT_EQ(RawPixel(*b, 3, 0, 1), 1u);
  b->SetPixelFormat(pf8bit);
  EXPECT_EQ(b->Colors().size(), 256u);
  EXPECT_EQ(b->Canvas()->Pixels(3, 0), clWhite);
  b->SetPixelFormat(pf15bit);
  EXPECT_EQ(RawPixel(*b, 3, 0, 16), 0x7FFFu);
  EXPECT_THROW(b->SetPixelFormat(pf16bit), EInvalidGraphic);
  EXPECT_THROW(b->SetPixelFormat(pfCustom), EInvalidGraphic);
  EXPECT_EQ(b->PixelFormat(), pf15bit);
}

TEST(Bitmap, ScanLineReachesThePixelsTheCanvasDraws) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(5, 3);
  auto* row = static_cast<std::uint8_t*>(b.ScanLine(2));
  row[3] = 0x00;  // pixel 1: blue, green, red
  row[4] = 0x00;
  row[5] = 0xFF;
  EXPECT_EQ(b.Canvas()->Pixels(1, 2), clRed);
  b.Canvas()->SetPixels(4, 0, clBlue);
  const auto* top = static_cast<const std::uint8_t*>(b.ScanLine(0));
  EXPECT_EQ(top[12], 0xFF);
  EXPECT_EQ(top[14], 0x00);
  // Rows are padded to four bytes.
  EXPECT_EQ(static_cast<std::uint8_t*>(b.ScanLine(1)) - static_cast<std::uint8_t*>(b.ScanLine(0)), 16);
  EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
}

TEST(Bitmap, ScanLineTurnsAMonochromeDeviceBitmapIntoOneBit) {
  TBitmap mono;
  mono.SetMonochrome(true);
  mono.SetSize(10, 2);
  mono.Canvas()->SetPixels(9, 1, clBlack);
  EXPECT_EQ(mono.PixelFormat(), pfDevice);
  EXPECT_TRUE(mono.Monochrome());
  const auto* row = static_cast<const std::uint8_t*>(mono.ScanLine(1));
  EXPECT_EQ(mono.PixelFormat(), pf1bit);
  EXPECT_TRUE(mono.Monochrome());
  EXPECT_EQ(row[0], 0xFF);
  EXPECT_EQ(row[1] & 0xC0, 0x80);  // pixel 8 white, pixel 9 black
}

TEST(Bitmap, MonochromeBitmapsTakeTheCanvasColoursWhenDrawn) {
  TBitmap mono;
  mono.SetMonochrome(true);
  mono.SetSize(2, 1);
  mono.Canvas()->SetPixels(0, 0, clBlack);
  auto dst = Surface(2, 1);
  dst->Canvas()->Font()->SetColor(clRed);   // 0 pixels
  dst->Canvas()->Brush()->SetColor(clBlue); // 1 pixels
  dst->Canvas()->Draw(0, 0, &mono);
  EXPECT_EQ(Picture(*dst, Legend()), Art("rb\n"));
  // Colour to monochrome: white stays white, every other colour is black.
  auto colour = Surface(3, 1);
  colour.get()->Canvas()->SetPixels(1, 0, clYellow);
  colour->SetMonochrome(true);
  EXPECT_TRUE(colour->Monochrome());
  EXPECT_EQ(Picture(*colour, Legend()), Art(".#.\n"));
  colour->SetMonochrome(false);
  EXPECT_EQ(colour->PixelFormat(), pfDevice);
  EXPECT_FALSE(colour->Monochrome());
}

TEST(Bitmap, AssignCopiesPixelsAndTransparency) {
  auto a = Surface(3, 2);
  a->Canvas()->SetPixels(2, 1, clRed);
  a->SetTransparent(true);
  a->SetTransparentColor(clBlue);
  TBitmap b;
  b.Assign(a.get());
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_NE(b.Handle(), a->Handle());
  EXPECT_EQ(b.Canvas()->Pixels(2, 1), clRed);
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.TransparentColor(), clBlue);
  a->Canvas()->SetPixels(0, 0, clLime);  // a copy, not a share
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clWhite);

  TBitmap indexed;
  indexed.SetPixelFormat(pf8bit);
  indexed.SetSize(2, 2);
  indexed.Canvas()->SetPixels(1, 0, clYellow);
  b.Assign(&indexed);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.Colors().size(), 256u);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), clYellow);

  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  TFont font;
  EXPECT_THROW(b.Assign(&font), EConvertError);
}

TEST(Bitmap, HandlesCanBeTakenOverAndReleased) {
  BITMAPINFO info;
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = 3;  // bottom-up
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  static_cast<std::uint8_t*>(bits)[2] = 0xFF;  // bottom-left pixel red
  TBitmap b;
  b.SetHandle(dib);
  EXPECT_EQ(b.Handle(), dib);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 2), clRed);
  EXPECT_EQ(RawPixel(b, 0, 2, 24), 0xFF0000u);  // rows counted from the top

  HBITMAP released = b.ReleaseHandle();
  EXPECT_EQ(released, dib);
  EXPECT_NE(b.Handle(), dib);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Canvas()->Pixels(0, 2), clBlack);
  EXPECT_EQ(GetObjectType(released), OBJ_BITMAP);  // still alive: the caller's now
  DeleteObject(released);

  HBITMAP ddb = CreateCompatibleBitmap(nullptr, 2, 2);
  b.SetHandle(ddb);
  EXPECT_EQ(b.PixelFormat(), pfDevice);
  b.Canvas()->SetPixels(1, 1, clLime);
  b.ScanLine(0);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clLime);
  EXPECT_EQ(GetObjectType(ddb), 0u);  // replaced and deleted

  b.SetHandle(nullptr);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, TransparentColorFollowsTheBottomLeftPixelUntilFixed) {
  auto b = Surface(2, 2, clLime);
  EXPECT_EQ(b->TransparentColor(), clLime);
  b->Canvas()->SetPixels(0, 1, clRed);
  EXPECT_EQ(b->TransparentColor(), clRed);
  b->SetTransparentMode(tmFixed);
  b->Canvas()->SetPixels(0, 1, clBlue);
  EXPECT_EQ(b->TransparentColor(), clRed);
  b->SetTransparentColor(clDefault);
  EXPECT_EQ(b->TransparentMode(), tmAuto);
  EXPECT_EQ(b->TransparentColor(), clBlue);
}

TEST(Bitmap, BrushPatternFromABitmap) {
  auto pattern = Surface(2, 2);
  pattern->Canvas()->SetPixels(0, 0, clRed);
  pattern->Canvas()->SetPixels(1, 1, clRed);
  auto b = Surface(4, 2);
  b->Canvas()->Brush()->SetBitmap(pattern.get());
  b->Canvas()->FillRect(Rect(0, 0, 4, 2));
  EXPECT_EQ(Picture(*b, Legend()), Art("r.r.\n.r.r\n"));
  b->Canvas()->Brush()->SetBitmap(nullptr);
  b->Canvas()->Brush()->SetColor(clBlue);
  b->Canvas()->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(b->Canvas()->Pixels(0, 0), clBlue);
}

}  // namespace

// TJPEGImage: pictures written here with libjpeg itself are decoded and
// drawn; damaged data raises EJPEG.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "classlib/Graphics.h"
#include "tests/classlib/graphics/graphics_test_support.h"
#include "tests/support/jpeg_writer.h"

using velko_test::BytesOf;
using velko_test::StreamOf;
using velko_test::Surface;
using velko_test::WriteJpeg;

namespace {

struct Rgb {
  int r, g, b;
};

// Four quadrants: red, green / blue, white.
Rgb Quadrant(int x, int y, int size) {
  const bool right = x >= size / 2;
  const bool bottom = y >= size / 2;
  if (!bottom) return right ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
  return right ? Rgb{255, 255, 255} : Rgb{0, 0, 255};
}

std::string QuadrantJpeg(int size) {
  return WriteJpeg(size, size, JCS_RGB, 3, [size](int x, int y, JSAMPLE* p) {
    const Rgb c = Quadrant(x, y, size);
    p[0] = static_cast<JSAMPLE>(c.r);
    p[1] = static_cast<JSAMPLE>(c.g);
    p[2] = static_cast<JSAMPLE>(c.b);
  }, 95);
}

// Within JPEG's tolerance of the expected colour.
void ExpectNear(TColor actual, Rgb expected, const char* where) {
  const COLORREF c = static_cast<COLORREF>(actual);
  EXPECT_NEAR(GetRValue(c), expected.r, 12) << where;
  EXPECT_NEAR(GetGValue(c), expected.g, 12) << where;
  EXPECT_NEAR(GetBValue(c), expected.b, 12) << where;
}

TEST(JPEG, DecodesAPictureAndDrawsItOnABitmap) {
  TJPEGImage jpeg;
  jpeg.LoadFromStream(StreamOf(QuadrantJpeg(32)).get());
  EXPECT_FALSE(jpeg.Empty());
  EXPECT_EQ(jpeg.Width(), 32);
  EXPECT_EQ(jpeg.Height(), 32);

  auto canvas = Surface(40, 40, clBlack);
  canvas->Canvas()->Draw(4, 4, &jpeg);
  ExpectNear(canvas->Canvas()->Pixels(4 + 8, 4 + 8), {255, 0, 0}, "top left");
  ExpectNear(canvas->Canvas()->Pixels(4 + 24, 4 + 8), {0, 255, 0}, "top right");
  ExpectNear(canvas->Canvas()->Pixels(4 + 8, 4 + 24), {0, 0, 255}, "bottom left");
  ExpectNear(canvas->Canvas()->Pixels(4 + 24, 4 + 24), {255, 255, 255}, "bottom right");
  EXPECT_EQ(canvas->Canvas()->Pixels(3, 3), clBlack);    // outside the picture
  EXPECT_EQ(canvas->Canvas()->Pixels(36, 36), clBlack);

  // Stretched to half its size.
  auto small = Surface(16, 16, clBlack);
  small->Canvas()->StretchDraw(Rect(0, 0, 16, 16), &jpeg);
  ExpectNear(small->Canvas()->Pixels(3, 3), {255, 0, 0}, "small top left");
  ExpectNear(small->Canvas()->Pixels(12, 12), {255, 255, 255}, "small bottom right");
}

TEST(JPEG, GreyAndCmykPictures) {
  TJPEGImage grey;
  grey.LoadFromStream(StreamOf(WriteJpeg(16, 8, JCS_GRAYSCALE, 1, [](int x, int, JSAMPLE* p) {
                                 *p = static_cast<JSAMPLE>(x < 8 ? 40 : 200);
                               }, 95)).get());
  TBitmap b;
  b.Assign(&grey);
  ExpectNear(b.Canvas()->Pixels(2, 4), {40, 40, 40}, "dark");
  ExpectNear(b.Canvas()->Pixels(13, 4), {200, 200, 200}, "light");

  // libjpeg marks CMYK pictures with the Adobe marker, whose convention is
  // inverted values (255 = no ink): this one is red.
  TJPEGImage cmyk;
  cmyk.LoadFromStream(StreamOf(WriteJpeg(8, 8, JCS_CMYK, 4, [](int, int, JSAMPLE* p) {
                                 p[0] = 255;  // no cyan
                                 p[1] = 0;    // full magenta
                                 p[2] = 0;    // full yellow
                                 p[3] = 255;  // no black
                               }, 95)).get());
  b.Assign(&cmyk);
  ExpectNear(b.Canvas()->Pixels(4, 4), {255, 0, 0}, "cmyk red");
}

TEST(JPEG, SavesTheFileItLoaded) {
  const std::string file = QuadrantJpeg(16);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(StreamOf(file).get());
  TMemoryStream out;
  jpeg.SaveToStream(&out);
  EXPECT_EQ(BytesOf(out), file);
  TJPEGImage copy;
  copy.Assign(&jpeg);
  TMemoryStream again;
  copy.SaveToStream(&again);
  EXPECT_EQ(BytesOf(again), file);
}

TEST(JPEG, CompressesABitmapAssignedToIt) {
  auto b = Surface(16, 16, clRed);
  b->Canvas()->Brush()->SetColor(clBlue);
  b->Canvas()->FillRect(Rect(8, 0, 16, 16));
  TJPEGImage jpeg;
  jpeg.Assign(b.get());
  EXPECT_EQ(jpeg.Width(), 16);
  TMemoryStream out;
  jpeg.SaveToStream(&out);
  const std::string bytes = BytesOf(out);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);  // start of image
  TJPEGImage back;
  back.LoadFromStream(StreamOf(bytes).get());
  TBitmap pixels;
  pixels.Assign(&back);
  EXPECT_EQ(pixels.PixelFormat(), pf24bit);
  ExpectNear(pixels.Canvas()->Pixels(2, 8), {255, 0, 0}, "red half");
  ExpectNear(pixels.Canvas()->Pixels(13, 8), {0, 0, 255}, "blue half");
}

TEST(JPEG, SizeCannotBeSet) {
  TJPEGImage jpeg;
  EXPECT_TRUE(jpeg.Empty());
  EXPECT_THROW(jpeg.SetWidth(3), EInvalidGraphicOperation);
  EXPECT_THROW(jpeg.SetHeight(3), EInvalidGraphicOperation);
}

TEST(JPEG, DamagedDataRaisesAndKeepsThePicture) {
  const std::string good = QuadrantJpeg(32);
  TJPEGImage jpeg;
  jpeg.LoadFromStream(StreamOf(QuadrantJpeg(16)).get());
  std::vector<std::string> bad = {good.substr(0, good.size() / 2), good.substr(0, 100), good.substr(0, 2), "",
                                  std::string(500, '\x55'), "\xFF\xD8\xFF\xE0" + std::string(40, '\0')};
  // An end-of-image marker in the middle of the compressed data.
  std::string corrupt = good;
  const std::size_t scan = good.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  const std::size_t middle = scan + (good.size() - scan) / 2;
  corrupt[middle] = '\xFF';
  corrupt[middle + 1] = '\xD9';
  for (const std::string& data : bad) {
    try {
      jpeg.LoadFromStream(StreamOf(data).get());
      ADD_FAILURE() << "loaded " << data.size() << " bytes";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message.rfind("JPEG error #", 0), 0u) << e.Message;
    }
    EXPECT_EQ(jpeg.Width(), 16);
  }
  // A marker inside the data ends it early: also an error, never a crash.
  EXPECT_THROW(jpeg.LoadFromStream(StreamOf(corrupt).get()), EInvalidGraphic);
}

}  // namespace

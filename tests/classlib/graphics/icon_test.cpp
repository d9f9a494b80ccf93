// TIcon: icon files with several images, drawing through the mask, and
// damaged files.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"
#include "tests/classlib/graphics/graphics_test_support.h"

using velko_test::BytesOf;
using velko_test::IconFile;
using velko_test::IconImage;
using velko_test::PutLE;
using velko_test::StreamOf;
using velko_test::Surface;

namespace {

// A 16 x 16 icon of 4 bits and a 32 x 32 one of 24 bits: red left half,
// blue right half, with a clear 8 x 8 square at the top left.
std::string TwoSizeIcon() {
  IconImage small{16, 4, [](int, int) { return 2u; }, [](int, int) { return false; }};
  IconImage large{32, 24, [](int x, int) { return x < 16 ? 0xFF0000u : 0x0000FFu; },
                  [](int x, int y) { return x < 8 && y < 8; }};
  return IconFile({small, large});
}

TEST(Icon, TakesTheImageNearestTheIconSizeAndDrawsThroughItsMask) {
  TIcon icon;
  icon.LoadFromStream(StreamOf(TwoSizeIcon()).get());
  EXPECT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);
  EXPECT_TRUE(icon.Transparent());
  auto dst = Surface(40, 40, clLime);
  dst->Canvas()->Draw(2, 2, &icon);
  EXPECT_EQ(dst->Canvas()->Pixels(3, 3), clLime);   // the clear square
  EXPECT_EQ(dst->Canvas()->Pixels(12, 3), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(3, 12), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(30, 20), clBlue);
  EXPECT_EQ(dst->Canvas()->Pixels(34, 34), clLime);  // outside
  // Never stretched: StretchDraw draws it at its own size.
  auto big = Surface(70, 70, clLime);
  big->Canvas()->StretchDraw(Rect(0, 0, 64, 64), &icon);
  EXPECT_EQ(big->Canvas()->Pixels(31, 31), clBlue);
  EXPECT_EQ(big->Canvas()->Pixels(40, 40), clLime);
}

TEST(Icon, SmallImagesWithAColourTable) {
  IconImage only{16, 4, [](int x, int) { return x < 8 ? 1u : 2u; }, [](int, int y) { return y >= 12; }};
  TIcon icon;
  icon.LoadFromStream(StreamOf(IconFile({only})).get());
  EXPECT_EQ(icon.Width(), 16);
  auto dst = Surface(16, 16);
  dst->Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(dst->Canvas()->Pixels(2, 2), clBlue);
  EXPECT_EQ(dst->Canvas()->Pixels(10, 2), clYellow);
  EXPECT_EQ(dst->Canvas()->Pixels(10, 13), clWhite);
}

TEST(Icon, SavesTheFileItLoadedAndCopies) {
  const std::string file = TwoSizeIcon();
  TIcon icon;
  icon.LoadFromStream(StreamOf(file).get());
  TMemoryStream out;
  icon.SaveToStream(&out);
  EXPECT_EQ(BytesOf(out), file);
  TIcon copy;
  copy.Assign(&icon);
  EXPECT_EQ(copy.Width(), 32);
  auto dst = Surface(32, 32, clLime);
  dst->Canvas()->Draw(0, 0, &copy);
  EXPECT_EQ(dst->Canvas()->Pixels(1, 1), clLime);
  EXPECT_EQ(dst->Canvas()->Pixels(20, 1), clBlue);
  EXPECT_THROW(icon.SetWidth(16), EInvalidGraphicOperation);
  EXPECT_THROW(icon.SetHeight(16), EInvalidGraphicOperation);
}

TEST(Icon, DamagedFilesAreRefused) {
  const std::string good = TwoSizeIcon();
  TIcon icon;
  for (std::size_t length : {std::size_t{0}, std::size_t{5}, std::size_t{20}, good.size() - 1}) {
    EXPECT_THROW(icon.LoadFromStream(StreamOf(good.substr(0, length)).get()), EReadError) << length;
  }
  std::string cursor = good;
  PutLE(cursor, 2, 2, 2);  // a cursor file
  EXPECT_THROW(icon.LoadFromStream(StreamOf(cursor).get()), EInvalidGraphic);
  std::string none = good;
  PutLE(none, 4, 0, 2);
  EXPECT_THROW(icon.LoadFromStream(StreamOf(none).get()), EInvalidGraphic);
  std::string inside = good;
  PutLE(inside, 6 + 12, 4, 4);  // first image "inside" the directory
  EXPECT_THROW(icon.LoadFromStream(StreamOf(inside).get()), EInvalidGraphic);
  std::string far = good;
  PutLE(far, 6 + 16 + 12, 0x7FFFFFF0, 4);  // second image far past the end
  EXPECT_THROW(icon.LoadFromStream(StreamOf(far).get()), Exception);
  // Images that are not bitmaps (PNG) are passed over; with none left the
  // icon is refused.
  std::string png = IconFile({IconImage{16, 24, [](int, int) { return 0u; }, [](int, int) { return false; }}});
  png.replace(22, 8, "\x89PNG\r\n\x1a\n");
  EXPECT_THROW(icon.LoadFromStream(StreamOf(png).get()), EInvalidGraphic);
  // A bitmap header that lies about its size.
  std::string lying = good;
  const std::size_t second = velko_test::GetLE(good, 6 + 16 + 12, 4);
  PutLE(lying, second + 4, 5000, 4);
  EXPECT_THROW(icon.LoadFromStream(StreamOf(lying).get()), Exception);
  EXPECT_TRUE(icon.Empty());
}

}  // namespace

// BMP files: every depth in both row orders read and written without
// loss, the other layouts the format allows, and damaged or hostile files
// refused with the class library's exceptions.
#include <gtest/gtest.h>

#include <climits>

#include "classlib/BmpFormat.h"
#include "classlib/Graphics.h"
#include "tests/classlib/graphics/graphics_test_support.h"

using velko_test::BytesOf;
using velko_test::GetLE;
using velko_test::MakeBmp;
using velko_test::PutLE;
using velko_test::Quad;
using velko_test::RawPixel;
using velko_test::StreamOf;
namespace field = velko_test::bmpfield;

namespace {

std::vector<RGBQUAD> Palette(int count) {
  std::vector<RGBQUAD> colors;
  for (int i = 0; i < count; ++i) {
    colors.push_back(Quad(static_cast<BYTE>(i * 7 + 3), static_cast<BYTE>(255 - i), static_cast<BYTE>((i * 37) & 0xFF)));
  }
  return colors;
}

// A pixel value of the test picture for each depth.
std::uint32_t Value(int bits, int colors, int x, int y) {
  switch (bits) {
    case 1: case 4: case 8: return static_cast<std::uint32_t>((x * 3 + y * 5) % colors);
    case 16: return static_cast<std::uint32_t>((x * 1031 + y * 77) & 0x7FFF);
    case 24: return static_cast<std::uint32_t>(((x * 40) & 0xFF) << 16 | ((y * 50) & 0xFF) << 8 | ((x * y * 9) & 0xFF));
    default: return static_cast<std::uint32_t>((x * 16 + y) << 24 | ((x * 40) & 0xFF) << 16 | ((y * 50) & 0xFF) << 8 | 0x5A);
  }
}

// `f` (16 or 32 bits, no colour table) with the given bit-field masks.
std::string WithMasks(std::string f, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  f.insert(field::kColors, std::string(12, '\0'));
  PutLE(f, field::kOffBits, 54 + 12, 4);
  PutLE(f, field::kCompression, BI_BITFIELDS, 4);
  PutLE(f, field::kColors, red, 4);
  PutLE(f, field::kColors + 4, green, 4);
  PutLE(f, field::kColors + 8, blue, 4);
  return f;
}

TPixelFormat FormatOf(int bits) {
  switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf15bit;
    case 24: return pf24bit;
    default: return pf32bit;
  }
}

TColor ColorOf(const RGBQUAD& q) { return static_cast<TColor>(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue)); }

struct DepthCase {
  int bits;
  int colors;  // entries of the colour table (fewer than the depth allows for 8 bits)
};

class BmpDepths : public ::testing::TestWithParam<std::tuple<DepthCase, bool>> {};

TEST_P(BmpDepths, LoadAndSaveWithoutLoss) {
  const DepthCase depth = std::get<0>(GetParam());
  const bool topDown = std::get<1>(GetParam());
  const int w = 13, h = 5;  // rows that need padding
  const std::vector<RGBQUAD> colors = Palette(depth.colors);
  auto pixel = [&](int x, int y) { return Value(depth.bits, depth.colors, x, y); };
  const std::string file = MakeBmp(w, h, depth.bits, topDown, colors, pixel);

  TBitmap b;
  b.LoadFromStream(StreamOf(file).get());
  ASSERT_EQ(b.Width(), w);
  ASSERT_EQ(b.Height(), h);
  EXPECT_EQ(b.PixelFormat(), FormatOf(depth.bits));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) ASSERT_EQ(RawPixel(b, x, y, depth.bits), pixel(x, y)) << x << "," << y;
  }
  if (depth.colors > 0) {
    EXPECT_EQ(b.Colors().size(), colors.size());
    EXPECT_EQ(b.Canvas()->Pixels(4, 2), ColorOf(colors[pixel(4, 2)]));
  } else if (depth.bits >= 24) {
    const std::uint32_t v = pixel(4, 2) & 0xFFFFFF;
    EXPECT_EQ(b.Canvas()->Pixels(4, 2), static_cast<TColor>(RGB(v >> 16, (v >> 8) & 0xFF, v & 0xFF)));
  }

  // Saved bottom to top: exactly the file a writer of the format makes.
  TMemoryStream saved;
  b.SaveToStream(&saved);
  const std::string out = BytesOf(saved);
  const std::string expected = MakeBmp(w, h, depth.bits, false, colors, pixel);
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_EQ(out.substr(0, 2), "BM");
  EXPECT_EQ(GetLE(out, 2, 4), out.size());
  EXPECT_EQ(GetLE(out, field::kOffBits, 4), GetLE(expected, field::kOffBits, 4));
  EXPECT_EQ(static_cast<std::int32_t>(GetLE(out, field::kHeight, 4)), h);
  EXPECT_EQ(GetLE(out, field::kBitCount, 2), static_cast<std::uint32_t>(depth.bits));
  EXPECT_EQ(out.substr(field::kColors), expected.substr(field::kColors)) << "colour table and pixels";

  TBitmap again;
  saved.SetPosition(0);
  again.LoadFromStream(&saved);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) ASSERT_EQ(RawPixel(again, x, y, depth.bits), pixel(x, y));
  }
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, BmpDepths,
                         ::testing::Combine(::testing::Values(DepthCase{1, 2}, DepthCase{4, 16}, DepthCase{8, 200},
                                                              DepthCase{16, 0}, DepthCase{24, 0}, DepthCase{32, 0}),
                                            ::testing::Bool()));

TEST(BmpFile, BitFieldLayoutsAreConverted) {
  // 5-6-5: becomes 24 bits with every channel widened.
  const std::string f = WithMasks(
      MakeBmp(2, 1, 16, false, {}, [](int x, int) { return x == 0 ? 0xF800u : 0x07E0u | 0x001Fu; }), 0xF800,
      0x07E0, 0x001F);
  TBitmap b;
  b.LoadFromStream(StreamOf(f).get());
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), clAqua);

  // 32 bits with red in the low byte.
  const std::string g =
      WithMasks(MakeBmp(1, 1, 32, true, {}, [](int, int) { return 0x00336699u; }), 0x0000FF, 0x00FF00, 0xFF0000);
  b.LoadFromStream(StreamOf(g).get());
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), static_cast<TColor>(RGB(0x99, 0x66, 0x33)));
}

TEST(BmpFile, OldStyleHeaderWithThreeByteColours) {
  std::string f = "BM" + std::string(12, '\0');
  const std::string header = std::string("\x0c\0\0\0\x03\0\x02\0\x01\0\x08\0", 12);
  const std::string table = std::string("\x00\x00\xff" "\x00\xff\x00", 6) + std::string(3 * 254, '\0');
  const std::string pixels = std::string("\x01\x00\x01\x00" "\x00\x01\x00\x00", 8);  // bottom row first
  f += header + table + pixels;
  PutLE(f, field::kOffBits, static_cast<std::uint32_t>(14 + header.size() + table.size()), 4);
  TBitmap b;
  b.LoadFromStream(StreamOf(f).get());
  ASSERT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), clLime);
  EXPECT_EQ(b.Canvas()->Pixels(0, 1), clLime);
}

TEST(BmpFile, LargerHeadersGapsAndAMissingOffset) {
  const std::vector<RGBQUAD> colors = Palette(4);
  auto pixel = [](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % 4); };
  // A 124-byte header.
  std::string v5 = MakeBmp(5, 2, 8, false, colors, pixel);
  v5.insert(54, std::string(124 - 40, '\0'));
  PutLE(v5, field::kHeaderSize, 124, 4);
  PutLE(v5, field::kOffBits, 14 + 124 + 16, 4);
  // Pixels after a gap.
  std::string gap = MakeBmp(5, 2, 8, false, colors, pixel);
  gap.insert(54 + 16, std::string(10, '\x7f'));
  PutLE(gap, field::kOffBits, 54 + 16 + 10, 4);
  // An offset of 0: the pixels follow the colour table.
  std::string zero = MakeBmp(5, 2, 8, false, colors, pixel);
  PutLE(zero, field::kOffBits, 0, 4);
  // A table shorter than the depth allows, with no count: the offset says
  // where it ends.
  std::string shortTable = MakeBmp(5, 2, 8, false, colors, pixel);
  PutLE(shortTable, field::kClrUsed, 0, 4);
  for (const std::string& f : {v5, gap, zero, shortTable}) {
    TBitmap b;
    b.LoadFromStream(StreamOf(f).get());
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(RawPixel(b, x, y, 8), pixel(x, y));
  }
}

TEST(BmpFile, RunLengthEncodedPixels) {
  const std::vector<RGBQUAD> colors = Palette(16);
  auto withData = [&](int bits, DWORD compression, const std::string& data) {
    std::string f = MakeBmp(6, 3, bits, false, colors, [](int, int) { return 0u; });
    f.resize(54 + 64);
    f += data;
    PutLE(f, field::kCompression, compression, 4);
    PutLE(f, field::kSizeImage, static_cast<std::uint32_t>(data.size()), 4);
    PutLE(f, 2, static_cast<std::uint32_t>(f.size()), 4);
    return f;
  };
  // Bottom row: 3 x 5, then literal 1 2 3 (padded); end of line; middle
  // row: 2 x 7; move right 2 and up 1; 1 x 9; end of bitmap.
  const std::string rle8 = std::string("\x03\x05" "\x00\x03\x01\x02\x03\x00" "\x00\x00" "\x02\x07" "\x00\x02\x02\x01"
                                       "\x01\x09" "\x00\x01", 20);
  TBitmap b;
  b.LoadFromStream(StreamOf(withData(8, BI_RLE8, rle8)).get());
  const char* expected8[] = {"000090", "770000", "555123"};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(RawPixel(b, x, y, 8), static_cast<std::uint32_t>(expected8[y][x] - '0')) << x << "," << y;

  // 4 bits: runs alternate the two nibbles; a literal of 3 nibbles takes
  // 2 bytes; a run past the right edge is cut.
  const std::string rle4 = std::string("\x05\x12" "\x00\x03\x34\x50" "\x00\x00" "\x09\x66" "\x00\x01", 12);
  b.LoadFromStream(StreamOf(withData(4, BI_RLE4, rle4)).get());
  EXPECT_EQ(b.PixelFormat(), pf4bit);
  const char* expected4[] = {"000000", "666666", "121213"};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(RawPixel(b, x, y, 4), static_cast<std::uint32_t>(expected4[y][x] - '0')) << x << "," << y;

  // Hostile runs: moves far outside, literals longer than the data.
  const std::string wild = std::string("\x00\x02\xff\xff" "\xff\x01" "\x00\xff\x01\x02", 10);
  b.LoadFromStream(StreamOf(withData(8, BI_RLE8, wild)).get());
  EXPECT_EQ(b.Width(), 6);
}

TEST(BmpFile, ARunLengthResourceWithNoPixelDataIsBlank) {
  // A packed DIB (a bitmap resource): the file without its 14-byte header.
  std::string f = MakeBmp(6, 3, 8, false, Palette(16), [](int, int) { return 5u; });
  PutLE(f, field::kCompression, BI_RLE8, 4);
  PutLE(f, field::kSizeImage, 0, 4);
  const std::string packed = f.substr(14, 40 + 16 * 4);
  const bmp::Dib dib = bmp::ReadPackedDib(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size());
  EXPECT_EQ(dib.width, 6);
  EXPECT_EQ(dib.height, 3);
  ASSERT_FALSE(dib.bits.empty());
  for (std::uint8_t byte : dib.bits) EXPECT_EQ(byte, 0);
}

TEST(BmpFile, ImagesFollowEachOtherInOneStream) {
  TMemoryStream stream;
  TBitmap a, b;
  a.LoadFromStream(StreamOf(MakeBmp(3, 2, 24, false, {}, [](int, int) { return 0xFF0000u; })).get());
  b.LoadFromStream(StreamOf(MakeBmp(4, 1, 8, false, Palette(3), [](int x, int) { return x % 3u; })).get());
  a.SaveToStream(&stream);
  b.SaveToStream(&stream);
  stream.WriteBuffer("tail", 4);
  stream.SetPosition(0);
  TBitmap first, second;
  first.LoadFromStream(&stream);
  second.LoadFromStream(&stream);
  EXPECT_EQ(first.Width(), 3);
  EXPECT_EQ(first.Canvas()->Pixels(2, 1), clRed);
  EXPECT_EQ(second.Width(), 4);
  EXPECT_EQ(RawPixel(second, 2, 0, 8), 2u);
  char tail[4];
  stream.ReadBuffer(tail, 4);
  EXPECT_EQ(std::string(tail, 4), "tail");
}

TEST(BmpFile, EmptyStreamsAndEmptyBitmaps) {
  TBitmap b;
  b.SetSize(4, 4);
  TMemoryStream empty;
  b.LoadFromStream(&empty);
  EXPECT_TRUE(b.Empty());
  TMemoryStream out;
  b.SaveToStream(&out);
  EXPECT_EQ(out.Size(), 0);
}

TEST(BmpFile, DeviceBitmapsSaveAsTheirDepth) {
  TBitmap colour;
  colour.SetSize(3, 2);
  colour.Canvas()->SetPixels(1, 1, clBlue);
  TMemoryStream a;
  colour.SaveToStream(&a);
  EXPECT_EQ(GetLE(BytesOf(a), field::kBitCount, 2), 32u);
  TBitmap mono;
  mono.SetMonochrome(true);
  mono.SetSize(9, 2);
  mono.Canvas()->Brush()->SetColor(clBlack);
  mono.Canvas()->FillRect(Rect(0, 0, 4, 1));
  TMemoryStream m;
  mono.SaveToStream(&m);
  EXPECT_EQ(GetLE(BytesOf(m), field::kBitCount, 2), 1u);
  TBitmap back;
  m.SetPosition(0);
  back.LoadFromStream(&m);
  EXPECT_TRUE(back.Monochrome());
  EXPECT_EQ(back.Canvas()->Pixels(3, 0), clBlack);
  EXPECT_EQ(back.Canvas()->Pixels(4, 0), clWhite);
  EXPECT_EQ(back.Canvas()->Pixels(0, 1), clWhite);
}

// --- damaged and hostile files ---

std::string GoodFile() {
  return MakeBmp(10, 6, 8, false, Palette(256), [](int x, int y) { return static_cast<std::uint32_t>(x * y); });
}

// Loads `bytes` into a bitmap that holds a 2 x 2 picture; the load must
// fail with a class-library exception and leave the picture as it was.
void ExpectRefused(const std::string& bytes, const char* what) {
  TBitmap b;
  b.LoadFromStream(StreamOf(MakeBmp(2, 2, 24, false, {}, [](int, int) { return 0x00FF00u; })).get());
  bool refused = false;
  try {
    b.LoadFromStream(StreamOf(bytes).get());
  } catch (const Exception&) {
    refused = true;
  }
  EXPECT_TRUE(refused) << what;
  EXPECT_EQ(b.Width(), 2) << what;
  EXPECT_EQ(b.Canvas()->Pixels(1, 1), clLime) << what;
}

TEST(BmpFile, TruncatedFilesRaiseStreamErrors) {
  const std::string good = GoodFile();
  for (std::size_t length : {std::size_t{1}, std::size_t{13}, std::size_t{14}, std::size_t{30}, std::size_t{54},
                             std::size_t{54 + 1023}, std::size_t{54 + 1024 + 20}, good.size() - 1}) {
    TBitmap b;
    EXPECT_THROW(b.LoadFromStream(StreamOf(good.substr(0, length)).get()), EReadError) << length;
    ExpectRefused(good.substr(0, length), "truncated");
  }
}

TEST(BmpFile, HostileHeadersAreRefused) {
  struct Patch {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    int bytes;
  };
  const Patch patches[] = {
      {"not BM", 0, 'X', 1},
      {"huge width", field::kWidth, 100000, 4},
      {"huge height", field::kHeight, 0x7FFFFFFF, 4},
      {"most negative height", field::kHeight, 0x80000000u, 4},
      {"zero width", field::kWidth, 0, 4},
      {"negative width", field::kWidth, 0xFFFFFFF0u, 4},
      {"zero height", field::kHeight, 0, 4},
      {"header size 41", field::kHeaderSize, 41, 4},
      {"header size 4 GB", field::kHeaderSize, 0xFFFFFFFFu, 4},
      {"two planes", field::kPlanes, 2, 2},
      {"7 bits", field::kBitCount, 7, 2},
      {"compression JPEG", field::kCompression, 4, 4},
      {"bit fields on 8 bits", field::kCompression, BI_BITFIELDS, 4},
      {"run lengths on the wrong depth", field::kCompression, BI_RLE4, 4},
      {"colour table too long", field::kClrUsed, 300, 4},
      {"colour table of 4 billion", field::kClrUsed, 0xFFFFFFFFu, 4},
      {"offset into the header", field::kOffBits, 20, 4},
      {"offset beyond the end", field::kOffBits, 0xFFFFFFF0u, 4},
  };
  for (const Patch& p : patches) {
    std::string f = GoodFile();
    PutLE(f, p.at, p.value, p.bytes);
    ExpectRefused(f, p.what);
  }
  // Sizes that fit the limit but whose pixels the file does not hold are
  // refused before anything is allocated for them.
  std::string big = GoodFile();
  PutLE(big, field::kWidth, 8192, 4);
  PutLE(big, field::kHeight, 8192, 4);
  TBitmap b;
  EXPECT_THROW(b.LoadFromStream(StreamOf(big).get()), EReadError);
  std::string rle = GoodFile();
  PutLE(rle, field::kCompression, BI_RLE8, 4);
  PutLE(rle, field::kSizeImage, 0xFFFFFF00u, 4);
  EXPECT_THROW(b.LoadFromStream(StreamOf(rle).get()), EReadError);
  // Run-length pictures stored top to bottom do not exist.
  std::string down = GoodFile();
  PutLE(down, field::kCompression, BI_RLE8, 4);
  PutLE(down, field::kHeight, static_cast<std::uint32_t>(-6), 4);
  EXPECT_THROW(b.LoadFromStream(StreamOf(down).get()), EInvalidGraphic);
  // Bit fields that overlap or have holes.
  for (std::uint32_t red : {0x00FFFF00u, 0xF0F00000u}) {
    const std::string g = WithMasks(MakeBmp(1, 1, 32, false, {}, [](int, int) { return 0u; }), red, 0x00FF00, 0x0000FF);
    EXPECT_THROW(b.LoadFromStream(StreamOf(g).get()), EInvalidGraphic) << std::hex << red;
  }
}

}  // namespace

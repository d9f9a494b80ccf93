// Pictures with random damage (a fixed sequence, so failures repeat): every
// load either succeeds or raises a class-library exception, and a bitmap
// that loaded can be drawn. Run under the sanitizers this finds reads
// outside the data.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "classlib/Graphics.h"
#include "tests/classlib/graphics/graphics_test_support.h"
#include "tests/support/jpeg_writer.h"

using velko_test::MakeBmp;
using velko_test::PutLE;
using velko_test::Quad;
using velko_test::StreamOf;
namespace field = velko_test::bmpfield;

namespace {

// `count` damaged copies of `file`: bytes changed, cut off, or fields
// set to extreme values.
std::vector<std::string> Damaged(const std::string& file, int count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::string f = file;
    const int kind = static_cast<int>(random() % 4);
    if (kind == 0) {
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int k = 0; k < flips; ++k) f[random() % f.size()] = static_cast<char>(random());
    } else if (kind == 1) {
      f.resize(random() % f.size());
    } else if (kind == 2) {
      const std::size_t at = random() % (std::min<std::size_t>(f.size(), 80) - 3);
      static const std::uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFF, 65536};
      PutLE(f, at, extremes[random() % 7], 4);
    } else {
      const std::size_t at = random() % f.size();
      f.insert(at, std::string(1 + random() % 16, static_cast<char>(random())));
    }
    out.push_back(f);
  }
  return out;
}

template <class Picture>
void LoadAll(const std::vector<std::string>& files, int* loaded) {
  auto target = velko_test::Surface(16, 16);
  for (const std::string& f : files) {
    Picture picture;
    try {
      picture.LoadFromStream(StreamOf(f).get());
    } catch (const Exception&) {
      continue;
    }
    ++*loaded;
    target->Canvas()->StretchDraw(Rect(0, 0, 16, 16), &picture);
  }
}

TEST(DamagedPictures, BitmapsNeverBreakTheReader) {
  std::vector<RGBQUAD> colors;
  for (int i = 0; i < 16; ++i) colors.push_back(Quad(static_cast<BYTE>(i * 16), 0, 0));
  int loaded = 0;
  for (int bits : {1, 4, 8, 24, 32}) {
    const std::string file = MakeBmp(11, 7, bits, bits == 8, bits <= 8 ? colors : std::vector<RGBQUAD>{},
                                     [](int x, int y) { return static_cast<std::uint32_t>(x * 31 + y); });
    LoadAll<TBitmap>(Damaged(file, 400, static_cast<unsigned>(bits)), &loaded);
  }
  std::string rle = MakeBmp(8, 4, 8, false, colors, [](int, int) { return 0u; });
  rle.resize(54 + 64);
  rle += std::string("\x04\x01\x00\x03\x01\x02\x03\x00\x00\x00\x08\x02\x00\x02\x01\x01\x02\x05\x00\x01", 20);
  PutLE(rle, field::kCompression, BI_RLE8, 4);
  PutLE(rle, field::kSizeImage, 20, 4);
  LoadAll<TBitmap>(Damaged(rle, 600, 99), &loaded);
  EXPECT_GT(loaded, 100);  // many damaged files are still pictures
}

TEST(DamagedPictures, IconsNeverBreakTheReader) {
  int loaded = 0;
  LoadAll<TIcon>(Damaged(velko_test::SolidIcon(4, 0), 800, 7), &loaded);
  EXPECT_GT(loaded, 50);
}

TEST(DamagedPictures, JpegsNeverBreakTheReader) {
  const std::string file = velko_test::WriteJpeg(20, 12, JCS_RGB, 3, [](int x, int y, JSAMPLE* p) {
    for (int c = 0; c < 3; ++c) p[c] = static_cast<JSAMPLE>((x * 3 + c) * 4 + y * 9);
  }, 75);
  int loaded = 0;
  LoadAll<TJPEGImage>(Damaged(file, 400, 3), &loaded);
  EXPECT_GT(loaded, 20);
}

}  // namespace

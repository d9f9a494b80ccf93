// The generated artwork as the program loads it: every bitmap the controls
// name, with its size, depth and transparent colour, and the cursors with
// their hot spots.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Colors.h"
#include "classlib/Resources.h"
#include "platform/user/icon_file.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr TColor kOlive = 0x008080;

class ArtworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetResources();
    ASSERT_GT(RegisterResourceFolder((velko_test::ProgramFolder() / "Resources").string()), 0);
  }
  void TearDown() override { ResetResources(); }
};

TEST_F(ArtworkTest, BitmapsOfTheControls) {
  struct Case {
    const char* name;
    int width, height;
    TPixelFormat format;  // pfDevice: any
    bool olive_corner;
    int ox = 0, oy = 0;  // a pixel of the transparent colour
  };
  const Case cases[] = {
      {"W95_HTB", 22, 20, pfDevice, true, 0, 19},  {"W95_HRL", 20, 4, pfDevice, false},
      {"W95_VTB", 40, 11, pfDevice, true, 19, 0},  {"W95_VRL", 4, 20, pfDevice, false},
      {"VRTB_HORI", 9, 17, pfDevice, false}, {"VRTB_VERT", 17, 9, pfDevice, false},
      {"EN_IMAGES", 110, 9, pf4bit, true},  {"DI_IMAGES", 110, 9, pf4bit, true},
      {"EN_NUMERIC", 101, 10, pf4bit, true}, {"DI_NUMERIC", 101, 10, pf4bit, true},
      {"#16900", 16, 16, pf4bit, true},     {"RAM", 16, 16, pf4bit, true},
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    if (c.name[0] == '#') bitmap.LoadFromResourceID(std::stoi(c.name + 1));
    else bitmap.LoadFromResourceName(c.name);
    EXPECT_EQ(bitmap.Width(), c.width) << c.name;
    EXPECT_EQ(bitmap.Height(), c.height) << c.name;
    if (c.format != pfDevice) {
      EXPECT_EQ(bitmap.PixelFormat(), c.format) << c.name;
    }
    if (c.olive_corner) {
      EXPECT_EQ(bitmap.Canvas()->Pixels(c.ox, c.oy), kOlive) << c.name;
    }
    // Rulers hold no olive: it would show through.
    if (!c.olive_corner && std::string(c.name).find("RL") != std::string::npos) {
      int olive = 0;
      for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) olive += bitmap.Canvas()->Pixels(x, y) == kOlive;
      EXPECT_EQ(olive, 0) << c.name;
    }
  }
}

TEST_F(ArtworkTest, GlyphStripsHoldTenDistinctGlyphs) {
  for (const char* name : {"EN_IMAGES", "DI_IMAGES", "EN_NUMERIC", "DI_NUMERIC"}) {
    TBitmap strip;
    strip.LoadFromResourceName(name);
    const int w = strip.Width() / 10;
    std::set<std::vector<TColor>> glyphs;
    for (int i = 0; i < 10; ++i) {
      std::vector<TColor> pixels;
      int ink = 0;
      for (int y = 0; y < strip.Height(); ++y)
        for (int x = 0; x < w; ++x) {
          pixels.push_back(strip.Canvas()->Pixels(i * w + x, y));
          ink += pixels.back() != kOlive;
        }
      EXPECT_GT(ink, 3) << name << " glyph " << i;
      glyphs.insert(pixels);
    }
    EXPECT_EQ(glyphs.size(), 10u) << name;
  }
  // Enabled power lamp is green, the record mark red.
  TBitmap enabled;
  enabled.LoadFromResourceName("EN_IMAGES");
  EXPECT_EQ(enabled.Canvas()->Pixels(0 * 11 + 5, 4), clLime);
  EXPECT_EQ(enabled.Canvas()->Pixels(8 * 11 + 5, 4), clRed);
}

TEST_F(ArtworkTest, HandCursors) {
  for (const char* name : {"AD_HAND", "VRCURSORHANDPOINT", "#16548"}) {
    TResourceData data = FindResourceData(name, ResourceType::Cursor);
    ASSERT_TRUE(data) << name;
    HCURSOR cursor = platform::CreateIconFromIconFile(data->data(), data->size(), 32);
    ASSERT_NE(cursor, nullptr) << name;
    platform::CursorImage image;
    ASSERT_TRUE(platform::GetCursorImage(cursor, &image));
    EXPECT_EQ(image.width, 32);
    const auto at = [&](int x, int y) { return image.argb[static_cast<std::size_t>(y * 32 + x)]; };
    EXPECT_EQ(at(31, 31) >> 24, 0u) << name << ": outside the hand is clear";
    EXPECT_NE(at(image.hotspot.x, image.hotspot.y + 1) >> 24, 0u) << name << ": the hot spot is on the hand";
    DestroyCursor(cursor);
  }
}

}  // namespace

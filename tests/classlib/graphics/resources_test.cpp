// The program's resources: registered in code, read from a folder, and
// loaded as bitmaps and icons by name or number.
#include <gtest/gtest.h>

#include "classlib/Graphics.h"
#include "platform/core/modules.h"
#include "tests/classlib/graphics/graphics_test_support.h"
#include "tests/classlib/raised.h"
#include "tests/support/temp_dir.h"

using velko_test::MakeBmp;
using velko_test::Quad;
using velko_test::RawPixel;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

std::string RedBmp(int width) {
  return MakeBmp(width, 2, 8, false, {Quad(0, 0, 0), Quad(255, 0, 0)}, [](int x, int) { return x % 2u; });
}

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    // Stand where a program without a resources folder would be.
    platform::SetProgramPath((dir_ / "bin" / "velko").string());
    ResetResources();
  }
  void TearDown() override {
    platform::SetProgramPath("");
    ResetResources();
  }
  velko_test::TempDir dir_;
};

TEST_F(Resources, BitmapsByNameIgnoringCase) {
  RegisterResource("W95_HTB", ResourceType::Bitmap, Bytes(RedBmp(6)));
  TBitmap b;
  b.LoadFromResourceName("w95_htb");
  EXPECT_EQ(b.Width(), 6);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), clRed);
  EXPECT_EQ(b.Canvas()->Pixels(2, 0), clBlack);
  // A resource of another type with that name is another resource.
  EXPECT_THROW(TResourceStream("W95_HTB", ResourceType::Icon), EResNotFound);
}

TEST_F(Resources, NumberedResourcesAndPackedBitmaps) {
  // A bitmap resource as a resource compiler stores it: no file header.
  RegisterResource(16900, ResourceType::Bitmap, Bytes(RedBmp(3).substr(14)));
  TBitmap b;
  b.LoadFromResourceID(16900);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(RawPixel(b, 1, 1, 8), 1u);
  b.LoadFromResourceName("#16900");
  EXPECT_EQ(b.Width(), 3);
}

TEST_F(Resources, MissingResourcesRaiseAndLeaveTheBitmap) {
  TBitmap b;
  b.SetSize(2, 2);
  EXPECT_EQ(velko_test::RaisedMessage<EResNotFound>([&] { b.LoadFromResourceName("NOPE"); }),
            "Resource NOPE not found");
  EXPECT_EQ(b.Width(), 2);
  EXPECT_THROW(b.LoadFromResourceID(1), EResNotFound);
  RegisterResource("BROKEN", ResourceType::Bitmap, Bytes("BM not really"));
  EXPECT_THROW(b.LoadFromResourceName("BROKEN"), Exception);
  EXPECT_EQ(b.Width(), 2);
}

TEST_F(Resources, ResourceStreamsAreReadOnly) {
  RegisterResource("DATA", ResourceType::RCData, Bytes("hello"));
  TResourceStream s("data", ResourceType::RCData);
  EXPECT_EQ(s.Size(), 5);
  char buffer[8] = {};
  EXPECT_EQ(s.Read(buffer, 8), 5);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(s.Read(buffer, 8), 0);
  s.SetPosition(1);
  EXPECT_EQ(s.Read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "el");
  EXPECT_THROW(s.Write("x", 1), EStreamError);
  EXPECT_TRUE(UnregisterResource("DATA", ResourceType::RCData));
  EXPECT_FALSE(UnregisterResource("DATA", ResourceType::RCData));
  EXPECT_EQ(FindResourceData("DATA", ResourceType::RCData), nullptr);
  // A stream keeps its bytes after the resource is gone.
  EXPECT_EQ(static_cast<const char*>(s.Memory())[4], 'o');
}

TEST_F(Resources, TheProgramFoldersResourcesAreFoundByTypeAndName) {
  velko_test::TempDir program;
  program.WriteFile("Resources/VRTB_HORI.bmp", RedBmp(9));
  program.WriteFile("Resources/16548.cur", "cursor bytes");
  program.WriteFile("Resources/ok.wav", "RIFF....");
  program.WriteFile("Resources/notes.txt", "raw");
  program.WriteFile("Resources/AD_HAND.cur", "hand from the file");
  platform::SetProgramPath((program.path() / "velko").string());
  ResetResources();
  RegisterResource("AD_HAND", ResourceType::Cursor, Bytes("hand from code"));  // code wins

  TBitmap b;
  b.LoadFromResourceName("VRTB_HORI");
  EXPECT_EQ(b.Width(), 9);
  TResourceData cursor = FindResourceData("#16548", ResourceType::Cursor);
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(std::string(cursor->begin(), cursor->end()), "cursor bytes");
  EXPECT_NE(FindResourceData("OK", ResourceType::Wave), nullptr);
  EXPECT_NE(FindResourceData("notes", ResourceType::RCData), nullptr);
  TResourceData hand = FindResourceData("ad_hand", ResourceType::Cursor);
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(std::string(hand->begin(), hand->end()), "hand from code");
  EXPECT_EQ(FindResourceData("VRTB_HORI", ResourceType::Cursor), nullptr);
}

TEST_F(Resources, FoldersCanBeAdded) {
  velko_test::TempDir extra;
  extra.WriteFile("EN_IMAGES.bmp", RedBmp(110));
  extra.WriteFile("sub/ignored.bmp", RedBmp(1));
  EXPECT_EQ(RegisterResourceFolder(extra.path().string()), 1);
  TBitmap b;
  b.LoadFromResourceName("EN_IMAGES");
  EXPECT_EQ(b.Width(), 110);
  EXPECT_EQ(RegisterResourceFolder((extra.path() / "missing").string()), 0);
}

TEST_F(Resources, IconsByName) {
  RegisterResource("MAINICON", ResourceType::Icon, Bytes(velko_test::SolidIcon(1, 0x00FF00)));
  TIcon icon;
  icon.LoadFromResourceName("MainIcon");
  EXPECT_EQ(icon.Width(), 1);
  EXPECT_EQ(icon.Image()->Canvas()->Pixels(0, 0), clLime);
}

}  // namespace

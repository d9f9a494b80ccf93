// TPicture: the class is chosen by the file's extension, loads that fail
// leave the picture alone, and changes reach the holder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "classlib/Graphics.h"
#include "tests/classlib/graphics/graphics_test_support.h"
#include "tests/classlib/raised.h"
#include "tests/platform/fs/fs_fixture.h"
#include "tests/support/jpeg_writer.h"

using velko_test::MakeBmp;
using velko_test::Quad;

namespace {

std::string SmallJpeg() {
  return velko_test::WriteJpeg(24, 16, JCS_RGB, 3, [](int, int, JSAMPLE* p) { p[0] = p[1] = p[2] = 200; }, 75);
}

std::string SmallBmp() {
  return MakeBmp(5, 4, 24, false, {}, [](int, int) { return 0x0000FFu; });
}

class PictureTest : public velko_test::DriveTest {
 protected:
  void SetUp() override {
    DriveTest::SetUp();
    Write("zig.jpg", SmallJpeg());
    Write("fire.JPEG", SmallJpeg());
    Write("blue.bmp", SmallBmp());
    Write("app.ico", velko_test::SolidIcon(1, 0));
    Write("anim.gif", "GIF89a");
    Write("broken.jpg", SmallJpeg().substr(0, 60));
  }
};

TEST_F(PictureTest, TheExtensionChoosesTheClass) {
  TPicture p;
  EXPECT_EQ(p.Graphic(), nullptr);
  EXPECT_EQ(p.Width(), 0);
  p.LoadFromFile("zig.jpg");  // relative to the current folder
  EXPECT_EQ(p.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(p.Width(), 24);
  EXPECT_EQ(p.Height(), 16);
  p.LoadFromFile("T:\\fire.JPEG");
  EXPECT_EQ(p.Graphic()->ClassName(), "TJPEGImage");
  p.LoadFromFile("T:\\BLUE.BMP");
  EXPECT_EQ(p.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(p.Bitmap()->Canvas()->Pixels(0, 0), clBlue);
  p.LoadFromFile("app.ico");
  EXPECT_EQ(p.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(p.Width(), 1);
  EXPECT_EQ(TPicture::FileFormatDescription("JPG"), "JPEG Image File");
}

TEST_F(PictureTest, UnknownExtensionsAndBadFilesLeaveThePicture) {
  TPicture p;
  p.LoadFromFile("blue.bmp");
  TGraphic* before = p.Graphic();
  EXPECT_EQ(velko_test::RaisedMessage<EInvalidGraphic>([&] { p.LoadFromFile("anim.gif"); }),
            "Unknown picture file extension (.gif)");
  EXPECT_THROW(p.LoadFromFile("noextension"), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromFile("broken.jpg"), EJPEG);
  EXPECT_THROW(p.LoadFromFile("missing.jpg"), EFOpenError);
  EXPECT_EQ(p.Graphic(), before);
  EXPECT_EQ(p.Width(), 5);
  p.LoadFromFile("");
  EXPECT_EQ(p.Graphic(), nullptr);
}

TEST_F(PictureTest, ChangesOfThePictureReachTheHolder) {
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &p);
    ++changes;
  };
  p.LoadFromFile("zig.jpg");
  EXPECT_EQ(changes, 1);
  // Bitmap replaces a picture of another class with an empty bitmap.
  TBitmap* b = p.Bitmap();
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(b->Empty());
  EXPECT_EQ(p.Bitmap(), b);
  b->SetSize(3, 3);
  b->Canvas()->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(changes, 4);
  p.Icon();
  EXPECT_EQ(p.Graphic()->ClassName(), "TIcon");
}

TEST_F(PictureTest, AssigningCopiesThePicture) {
  TPicture a, b;
  a.LoadFromFile("blue.bmp");
  b.Assign(&a);
  ASSERT_NE(b.Graphic(), nullptr);
  EXPECT_NE(b.Graphic(), a.Graphic());
  EXPECT_EQ(b.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(b.Bitmap()->Canvas()->Pixels(4, 3), clBlue);
  a.Bitmap()->Canvas()->SetPixels(0, 0, clRed);
  EXPECT_EQ(b.Bitmap()->Canvas()->Pixels(0, 0), clBlue);

  TJPEGImage jpeg;
  jpeg.LoadFromFile("zig.jpg");
  b.SetGraphic(&jpeg);
  EXPECT_EQ(b.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(b.Width(), 24);

  TBitmap target;
  target.Assign(&a);  // a picture holding a bitmap copies into a bitmap
  EXPECT_EQ(target.Width(), 5);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clRed);
  b.Assign(nullptr);
  EXPECT_EQ(b.Graphic(), nullptr);
}

TEST_F(PictureTest, SavesInThePicturesOwnFormatAndTakesNewFormats) {
  TPicture p;
  p.LoadFromFile("zig.jpg");
  p.SaveToFile("copy.jpg");
  EXPECT_EQ(Contents("copy.jpg"), Contents("zig.jpg"));
  TPicture::RegisterFileFormat("dib", "Device-independent bitmaps",
                               [] { return std::unique_ptr<TGraphic>(std::make_unique<TBitmap>()); });
  Write("pic.dib", SmallBmp());
  p.LoadFromFile("pic.DIB");
  EXPECT_EQ(p.Graphic()->ClassName(), "TBitmap");
}

}  // namespace

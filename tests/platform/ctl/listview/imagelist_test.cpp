// Image lists: adding images (with masks made from a colour), drawing them
// transparently, over a background colour or blended, replacing, removing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ctl/imagelist.h"
#include "platform/gdi/gdi.h"
#include "platform/user/cursor.h"
#include "tests/platform/gdi/canvas.h"

namespace velko_test {
namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);

// A w x h bitmap: left half `left`, right half `right`, with the key colour
// in each image's top-left 2 x 2 pixels (images are `cell` wide).
HBITMAP MakeStrip(int w, int h, int cell, COLORREF left, COLORREF right) {
  HBITMAP bitmap = SolidBitmap(w, h, right);
  BitmapDC strip(bitmap, false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      bool key = (x % cell) < 2 && y < 2;
      if (key || x < w / 2) SetPixel(strip.dc(), x, y, key ? kKey : left);
    }
  }
  return bitmap;
}

class ImageListTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(platform::LiveImageListCount(), lists_before_); }
  void Clear(COLORREF color) { canvas_.Fill(color); }
  COLORREF At(int x, int y) { return canvas_.At(x, y); }

  Canvas canvas_{64, 32};
  HDC canvas_dc_ = canvas_.dc();
  std::size_t lists_before_ = platform::LiveImageListCount();
};

TEST_F(ImageListTest, AddMaskedSplitsABitmapIntoImages) {
  HIMAGELIST list = ImageList_Create(8, 8, ILC_COLOR32 | ILC_MASK, 2, 2);
  ASSERT_NE(list, nullptr);
  HBITMAP strip = MakeStrip(16, 8, 8, kRed, kGreen);
  EXPECT_EQ(ImageList_AddMasked(list, strip, kKey), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(cx, 8);
  EXPECT_EQ(cy, 8);
  IMAGEINFO info;
  ASSERT_TRUE(ImageList_GetImageInfo(list, 1, &info));
  EXPECT_EQ(info.rcImage.left, 8);
  EXPECT_EQ(info.rcImage.right, 16);
  EXPECT_NE(info.hbmImage, nullptr);
  EXPECT_NE(info.hbmMask, nullptr);

  // Transparent: the key pixels let the canvas show through.
  Clear(RGB(255, 255, 255));
  ASSERT_TRUE(ImageList_Draw(list, 1, canvas_dc_, 10, 10, ILD_TRANSPARENT));
  EXPECT_EQ(At(10, 10), RGB(255, 255, 255));
  EXPECT_EQ(At(13, 13), kGreen);
  EXPECT_EQ(At(18, 13), RGB(255, 255, 255));  // beyond the image

  // Normal with a background colour: the key pixels take that colour.
  ImageList_SetBkColor(list, RGB(0, 0, 100));
  Clear(RGB(255, 255, 255));
  ImageList_Draw(list, 0, canvas_dc_, 0, 0, ILD_NORMAL);
  EXPECT_EQ(At(0, 0), RGB(0, 0, 100));
  EXPECT_EQ(At(4, 4), kRed);
  EXPECT_EQ(ImageList_SetBkColor(list, CLR_NONE), RGB(0, 0, 100));

  // The mask alone: black where the image is, white where it is not.
  Clear(RGB(0, 200, 200));
  ImageList_Draw(list, 0, canvas_dc_, 0, 0, ILD_MASK);
  EXPECT_EQ(At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(At(4, 4), RGB(0, 0, 0));

  // Selected images are mixed with the highlight colour.
  Clear(RGB(255, 255, 255));
  ImageList_DrawEx(list, 0, canvas_dc_, 0, 0, 0, 0, CLR_NONE, RGB(0, 0, 200),
                   ILD_TRANSPARENT | ILD_BLEND50);
  EXPECT_EQ(At(4, 4), RGB(100, 0, 100));

  DeleteObject(strip);
  ImageList_Destroy(list);
}

TEST_F(ImageListTest, ReplaceRemoveAndMasksFromABitmap) {
  HIMAGELIST list = ImageList_Create(8, 8, ILC_COLOR32 | ILC_MASK, 1, 1);
  HBITMAP red = MakeStrip(8, 8, 8, kRed, kRed);
  HBITMAP green = MakeStrip(8, 8, 8, kGreen, kGreen);
  // A mask bitmap: white (transparent) on its left half.
  HBITMAP mask = MakeStrip(8, 8, 8, RGB(255, 255, 255), RGB(0, 0, 0));
  EXPECT_EQ(ImageList_Add(list, red, nullptr), 0);
  EXPECT_EQ(ImageList_Add(list, green, mask), 1);
  EXPECT_EQ(ImageList_Add(list, red, nullptr), 2);
  Clear(RGB(255, 255, 255));
  ImageList_Draw(list, 1, canvas_dc_, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(At(1, 5), RGB(255, 255, 255));
  EXPECT_EQ(At(6, 5), kGreen);

  ASSERT_TRUE(ImageList_Replace(list, 0, green, nullptr));
  Clear(RGB(255, 255, 255));
  ImageList_Draw(list, 0, canvas_dc_, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(At(4, 4), kGreen);

  ASSERT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  Clear(RGB(255, 255, 255));
  ImageList_Draw(list, 0, canvas_dc_, 0, 0, ILD_TRANSPARENT);  // the old image 1
  EXPECT_EQ(At(1, 5), RGB(255, 255, 255));
  EXPECT_EQ(At(6, 5), kGreen);
  EXPECT_FALSE(ImageList_Draw(list, 2, canvas_dc_, 0, 0, ILD_NORMAL));
  EXPECT_FALSE(ImageList_Remove(list, 5));
  // Exchanging the two images left (the masked green one and the red one),
  // then copying one over the other.
  ASSERT_TRUE(ImageList_Copy(list, 0, list, 1, ILCF_SWAP));
  Clear(RGB(255, 255, 255));
  ImageList_Draw(list, 0, canvas_dc_, 0, 0, ILD_TRANSPARENT);
  ImageList_Draw(list, 1, canvas_dc_, 10, 0, ILD_TRANSPARENT);
  EXPECT_EQ(At(1, 5), kRed);
  EXPECT_EQ(At(11, 5), RGB(255, 255, 255));
  EXPECT_EQ(At(16, 5), kGreen);
  ASSERT_TRUE(ImageList_Copy(list, 0, list, 1, ILCF_MOVE));
  Clear(RGB(255, 255, 255));
  ImageList_Draw(list, 0, canvas_dc_, 0, 0, ILD_TRANSPARENT);
  EXPECT_EQ(At(1, 5), RGB(255, 255, 255));
  EXPECT_EQ(At(6, 5), kGreen);
  EXPECT_FALSE(ImageList_Copy(list, 0, list, 7, ILCF_MOVE));

  ASSERT_TRUE(ImageList_Remove(list, -1));
  EXPECT_EQ(ImageList_GetImageCount(list), 0);

  HIMAGELIST copy = ImageList_Duplicate(list);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(ImageList_Destroy(copy));
  EXPECT_FALSE(ImageList_Destroy(copy));
  EXPECT_EQ(ImageList_GetImageCount(copy), 0);
  EXPECT_EQ(ImageList_Create(0, 8, ILC_COLOR32, 1, 1), nullptr);

  DeleteObject(red);
  DeleteObject(green);
  DeleteObject(mask);
  ImageList_Destroy(list);
}

TEST_F(ImageListTest, IconsGoInAndComeOut) {
  HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 1, 1);
  HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(ImageList_AddIcon(list, icon), 0);
  HICON back = ImageList_GetIcon(list, 0, ILD_NORMAL);
  ASSERT_NE(back, nullptr);
  platform::CursorImage image;
  ASSERT_TRUE(platform::GetCursorImage(back, &image));
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 4);
  DestroyIcon(back);
  ImageList_Destroy(list);
}

}  // namespace
}  // namespace velko_test

// The image list component: adding bitmaps with masks or a mask colour,
// icons, inserting, moving and deleting, drawing (normal, transparent,
// disabled), copies out as bitmap and icon, and change links.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "classlib/ImgList.h"

namespace velko_test {
namespace {

// A 16 x 16 picture: Back all round, a Middle square from (4,4) to (12,12).
std::unique_ptr<TBitmap> Picture(TColor Back, TColor Middle, int Images = 1) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(16 * Images, 16);
  bitmap->Canvas()->Brush()->SetColor(Back);
  bitmap->Canvas()->FillRect(Rect(0, 0, 16 * Images, 16));
  for (int i = 0; i < Images; ++i) {
    bitmap->Canvas()->Brush()->SetColor(Middle);
    bitmap->Canvas()->FillRect(Rect(16 * i + 4, 4, 16 * i + 12, 12));
  }
  return bitmap;
}

// A canvas to draw on, filled with one colour.
std::unique_ptr<TBitmap> Sheet(TColor Color) {
  auto sheet = std::make_unique<TBitmap>();
  sheet->SetPixelFormat(pf24bit);
  sheet->SetSize(40, 40);
  sheet->Canvas()->Brush()->SetColor(Color);
  sheet->Canvas()->FillRect(Rect(0, 0, 40, 40));
  return sheet;
}

TEST(ImageListTest, MaskedImagesDrawOnlyTheirShape) {
  TImageList list(nullptr);
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Count(), 0);
  auto picture = Picture(clFuchsia, clRed);
  EXPECT_EQ(list.AddMasked(picture.get(), clFuchsia), 0);
  // The bitmap given is left as it was.
  EXPECT_EQ(picture->Canvas()->Pixels(0, 0), clFuchsia);
  EXPECT_EQ(list.Count(), 1);
  auto sheet = Sheet(clGreen);
  list.Draw(sheet->Canvas(), 10, 10, 0);
  EXPECT_EQ(sheet->Canvas()->Pixels(10 + 8, 10 + 8), clRed);
  EXPECT_EQ(sheet->Canvas()->Pixels(10 + 1, 10 + 1), clGreen);
  // A background colour fills behind the shape with dsNormal.
  list.SetBkColor(clYellow);
  list.Draw(sheet->Canvas(), 10, 10, 0);
  EXPECT_EQ(sheet->Canvas()->Pixels(10 + 1, 10 + 1), clYellow);
  list.Draw(sheet->Canvas(), 10, 10, 0, dsTransparent, itImage);
  list.SetBkColor(clNone);
  // An index outside the list draws nothing.
  list.Draw(sheet->Canvas(), 0, 0, 5);
  EXPECT_EQ(sheet->Canvas()->Pixels(0, 0), clGreen);
}

TEST(ImageListTest, AWideBitmapAddsSeveralImagesAndMasksComeFromAMaskBitmap) {
  TImageList list(nullptr);
  auto strip = Picture(clBlack, clBlue, 3);
  auto mask = Picture(clWhite, clBlack, 3);
  EXPECT_EQ(list.Add(strip.get(), mask.get()), 0);
  EXPECT_EQ(list.Count(), 3);
  auto sheet = Sheet(clSilver);
  list.Draw(sheet->Canvas(), 0, 0, 2);
  EXPECT_EQ(sheet->Canvas()->Pixels(8, 8), clBlue);
  EXPECT_EQ(sheet->Canvas()->Pixels(1, 1), clSilver);
}

TEST(ImageListTest, InsertMoveAndDeleteKeepTheOrder) {
  TImageList list(nullptr);
  const TColor colours[] = {clRed, clLime, clBlue};
  for (TColor c : colours) list.AddMasked(Picture(clFuchsia, c).get(), clFuchsia);
  auto middle_of = [&](int index) {
    auto sheet = Sheet(clWhite);
    list.Draw(sheet->Canvas(), 0, 0, index);
    return sheet->Canvas()->Pixels(8, 8);
  };
  list.InsertMasked(0, Picture(clFuchsia, clYellow).get(), clFuchsia);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(middle_of(0), clYellow);
  EXPECT_EQ(middle_of(1), clRed);
  list.Move(0, 3);
  EXPECT_EQ(middle_of(0), clRed);
  EXPECT_EQ(middle_of(2), clBlue);
  EXPECT_EQ(middle_of(3), clYellow);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(middle_of(1), clBlue);
  list.ReplaceMasked(1, Picture(clFuchsia, clAqua).get(), clFuchsia);
  EXPECT_EQ(middle_of(1), clAqua);
  EXPECT_THROW(list.Delete(7), EInvalidOperation);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageListTest, DisabledImagesAreEmbossedInTheShadowColours) {
  TImageList list(nullptr);
  list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
  auto sheet = Sheet(clBtnFace);
  list.Draw(sheet->Canvas(), 0, 0, 0, false);
  EXPECT_EQ(ColorToRGB(sheet->Canvas()->Pixels(8, 8)), ColorToRGB(clBtnShadow));
  EXPECT_EQ(ColorToRGB(sheet->Canvas()->Pixels(12, 12)), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(ColorToRGB(sheet->Canvas()->Pixels(1, 1)), ColorToRGB(clBtnFace));
}

TEST(ImageListTest, CopiesOutAsBitmapAndAsIcon) {
  TImageList list(nullptr);
  list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
  TBitmap copy;
  ASSERT_TRUE(list.GetBitmap(0, &copy));
  EXPECT_EQ(copy.Width(), 16);
  EXPECT_EQ(copy.Canvas()->Pixels(8, 8), clRed);
  EXPECT_EQ(ColorToRGB(copy.Canvas()->Pixels(1, 1)), ColorToRGB(clBtnFace));
  EXPECT_FALSE(list.GetBitmap(3, &copy));
  TIcon icon;
  list.GetIcon(0, &icon);
  ASSERT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Width(), 16);
  auto sheet = Sheet(clGreen);
  sheet->Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(sheet->Canvas()->Pixels(8, 8), clRed);
  EXPECT_EQ(sheet->Canvas()->Pixels(1, 1), clGreen);
  // And back in: the icon's shape is kept.
  EXPECT_EQ(list.AddIcon(&icon), 1);
  auto again = Sheet(clBlue);
  list.Draw(again->Canvas(), 0, 0, 1);
  EXPECT_EQ(again->Canvas()->Pixels(8, 8), clRed);
  EXPECT_EQ(again->Canvas()->Pixels(1, 1), clBlue);
}

TEST(ImageListTest, ChangeLinksHearOfChangesOnceAfterAnUpdate) {
  TImageList list(nullptr);
  std::vector<TObject*> heard;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  {
    TChangeLink link;
    link.OnChange = [&](TObject* sender) { heard.push_back(sender); };
    list.RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), &list);
    list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
    EXPECT_EQ(heard, (std::vector<TObject*>{&list}));
    list.BeginUpdate();
    list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
    list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
    EXPECT_EQ(heard.size(), 1u);
    list.EndUpdate();
    EXPECT_EQ(heard.size(), 2u);
  }
  // The link left the list when it went.
  list.Delete(0);
  EXPECT_EQ(heard.size(), 2u);
  EXPECT_EQ(changes, 3);
  // A list that goes first leaves its links without a sender.
  TChangeLink late;
  {
    TImageList short_lived(nullptr);
    short_lived.RegisterChanges(&late);
  }
  EXPECT_EQ(late.Sender(), nullptr);
}

TEST(ImageListTest, ANewSizeEmptiesTheList) {
  TImageList list(nullptr);
  list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
  list.SetSize(32, 24);
  EXPECT_EQ(list.Width(), 32);
  EXPECT_EQ(list.Height(), 24);
  EXPECT_EQ(list.Count(), 0);
  TImageList copy(nullptr);
  list.AddMasked(Picture(clFuchsia, clRed).get(), clFuchsia);
  copy.Assign(&list);
  EXPECT_EQ(copy.Width(), 32);
  EXPECT_EQ(copy.Count(), 1);
}

}  // namespace
}  // namespace velko_test

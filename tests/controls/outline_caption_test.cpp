// The outline style of the 3-D captions: the text's outlines stroked with
// a pen of the shadow depth's width in the text colour, moved by half the
// depth, without anti-aliasing, and not the filled text.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/Bitmaps.h"
#include "controls/KavoShapeHint.h"
#include "platform/gdi/paths.h"
#include "tests/controls/controls_fixture.h"

namespace {

class OutlineCaptionTest : public velko_test::ControlsTest {
 protected:
  static std::unique_ptr<TBitmap> Blank() {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(90, 40);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(Rect(0, 0, 90, 40));
    b->Canvas()->Font()->SetName("Arial");
    b->Canvas()->Font()->SetHeight(-28);
    b->Canvas()->Font()->SetStyle({fsBold});
    b->Canvas()->Font()->SetColor(clNavy);
    return b;
  }
  static int Count(TBitmap* b, TColor colour) {
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 90; ++x) n += b->Canvas()->Pixels(x, y) == colour;
    return n;
  }
};

TEST_F(OutlineCaptionTest, StrokedPathInTheTextColour) {
  TKavo3DCaption caption;
  caption.SetStyle(tdOutline);
  caption.SetShadowDepth(2);
  auto got = Blank();
  Draw3DText(got->Canvas(), "HO", &caption, TRect{}, {}, DT_NOPREFIX, Rect(5, 2, 85, 38));

  // The same by hand: the path at (1, 1), a 2-pixel navy pen.
  auto want = Blank();
  HDC dc = want->Canvas()->Handle();
  SetBkMode(dc, TRANSPARENT);
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 128));
  HGDIOBJ old = SelectObject(dc, pen);
  RECT r{6, 3, 86, 39};
  BeginPath(dc);
  DrawText(dc, "HO", 2, &r, DT_NOPREFIX);
  EndPath(dc);
  StrokePath(dc);
  SelectObject(dc, old);
  DeleteObject(pen);

  auto filled = Blank();
  RECT f{5, 2, 85, 38};
  SetBkMode(filled->Canvas()->Handle(), TRANSPARENT);
  DrawText(filled->Canvas()->Handle(), "HO", 2, &f, DT_NOPREFIX);

  const int navy = Count(got.get(), clNavy);
  EXPECT_GT(navy, 50);
  EXPECT_EQ(navy + Count(got.get(), clWhite), 90 * 40) << "two colours only";
  int differences = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 90; ++x) differences += got->Canvas()->Pixels(x, y) != want->Canvas()->Pixels(x, y);
  EXPECT_EQ(differences, 0);
  int differs_from_filled = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 90; ++x) differs_from_filled += got->Canvas()->Pixels(x, y) != filled->Canvas()->Pixels(x, y);
  EXPECT_GT(differs_from_filled, 20);
}

}  // namespace

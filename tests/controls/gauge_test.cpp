// The segmented gauge on the headless display: blocks at 100, 50 and 0 on
// 150 pixels, the right frame line kept, rising adding and falling
// repainting, refused ranges with their message, gradient colours, and the
// preferences gauge's long range.
#include <gtest/gtest.h>

#include "classlib/Colors.h"
#include "controls/GProgress.h"
#include "platform/dlg/message_box.h"
#include "tests/controls/controls_fixture.h"

namespace {

using velko_test::Rgb;

class GaugeTest : public velko_test::ControlsTest {
 protected:
  TGProgress* Gauge(int width, int height) {
    MakeForm(500, 100);
    auto* g = Place<TGProgress>(10, 10, width, height);
    g->SetColor(clRed);
    g->SetColorEnd(clLime);
    g->SetBackgroundColor(clAqua);
    g->SetFrameColor1(clBlack);
    g->SetFrameColor2(clWhite);
    ShowForm();
    return g;
  }
  // How many 10-pixel cells along the middle row hold block colour (not
  // the background).
  int FilledCells(TGProgress* g) {
    int n = 0;
    for (int x = 5; x < g->Width() - 2; x += 10) n += ScreenPixel(g, x, g->Height() / 2) != Rgb(clAqua);
    return n;
  }
};

TEST_F(GaugeTest, BlocksOnAHundredAndFiftyPixelsAddedAndRepainted) {
  TGProgress* g = Gauge(150, 16);
  struct Case {
    int position, last_block, cells;
  };
  for (const Case& c : {Case{100, 14, 15}, Case{50, 7, 8}, Case{0, 0, 0}}) {
    g->SetPosition(c.position);
    EXPECT_EQ(g->LastBlock(), c.last_block);  // at Min nothing is drawn all the same
    EXPECT_EQ(FilledCells(g), c.cells) << c.position;
    EXPECT_EQ(ScreenPixel(g, 149, 8), Rgb(clWhite)) << "the right frame line is drawn again";
    EXPECT_EQ(ScreenPixel(g, 0, 8), Rgb(clBlack));
    EXPECT_EQ(ScreenPixel(g, 75, 15), Rgb(clWhite)) << "bottom frame line";
  }
  // Gaps of 2 pixels between blocks, none when Solid.
  g->SetPosition(100);
  EXPECT_EQ(ScreenPixel(g, 10, 8), Rgb(clAqua));
  EXPECT_EQ(ScreenPixel(g, 12, 8), Rgb(g->BlockColor(1)));
  g->SetSolid(true);
  EXPECT_NE(ScreenPixel(g, 10, 8), Rgb(clAqua));
  // Rising adds blocks, falling repaints.
  g->SetPosition(30);
  Pump();
  // Paint a mark where the background shows: adding blocks keeps it.
  {
    HDC dc = GetDC(form_->Handle());
    SetPixel(dc, 10 + 140, 10 + 3, RGB(1, 2, 3));
    ReleaseDC(form_->Handle(), dc);
  }
  g->SetPosition(60);  // drawn at once, without a paint message
  EXPECT_EQ(ScreenPixel(g, 140, 3), static_cast<TColor>(RGB(1, 2, 3)));
  EXPECT_EQ(FilledCells(g), 9);
  g->SetPosition(20);
  EXPECT_EQ(FilledCells(g), 3);
  EXPECT_EQ(ScreenPixel(g, 140, 3), Rgb(clAqua)) << "falling repaints everything";
  g->SetPosition(500);
  EXPECT_EQ(g->Position(), 100);
}

TEST_F(GaugeTest, NegativeLimitsShowTheMessage) {
  TGProgress* g = Gauge(150, 16);
  std::vector<std::string> boxes;
  platform::SetMessageBoxHook([&](const platform::MessageBoxRequest& r) {
    boxes.push_back(r.text);
    EXPECT_EQ(r.icon(), static_cast<UINT>(MB_ICONERROR));
    return IDOK;
  });
  g->SetPosition(70);
  g->SetMax(-5);
  g->SetMin(-1);
  g->SetStep(-3);
  platform::SetMessageBoxHook(nullptr);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0], "Value must be between 0 and 2147483647");
  EXPECT_EQ(g->Max(), 100);
  EXPECT_EQ(g->Min(), 0);
  EXPECT_EQ(g->Step(), 10);
  EXPECT_EQ(FilledCells(g), 11);
  g->SetMax(40);
  EXPECT_EQ(g->Position(), 40);
  EXPECT_EQ(FilledCells(g), 15);
  g->SetMin(40);  // Max = Min: no blocks
  EXPECT_EQ(g->LastBlock(), -1);
  EXPECT_EQ(FilledCells(g), 0);
}

TEST_F(GaugeTest, GradientColoursAndLongRanges) {
  TGProgress* g = Gauge(280, 8);  // the main window's gauge, red to lime
  const int m = 28;
  EXPECT_EQ(g->BlockColor(0), static_cast<TColor>(RGB(255, 0, 0)));
  EXPECT_EQ(g->BlockColor(m), clLime) << "block m is exactly ColorEnd";
  EXPECT_EQ(g->BlockColor(9), static_cast<TColor>(RGB(170, 85, 0)));
  g->SetPosition(100);
  EXPECT_EQ(ScreenPixel(g, 3, 4), Rgb(g->BlockColor(0)));
  EXPECT_EQ(ScreenPixel(g, 10 * 13 + 3, 4), Rgb(g->BlockColor(13)));

  // 10..19 pixels: m = 1, so the divisor is 0 and MulDiv gives -1.
  g->SetBounds(10, 10, 15, 8);
  EXPECT_EQ(g->BlockColor(0), static_cast<TColor>(RGB(254, 255, 255)));
  EXPECT_EQ(g->BlockColor(1), clLime);

  // The preferences gauge: 43,200,000 on 442 pixels.
  g->SetBounds(10, 10, 442, 12);
  g->SetMax(43'200'000);
  g->SetPosition(43'200'000);
  EXPECT_EQ(g->LastBlock(), 44);
  g->SetPosition(21'600'000);
  EXPECT_EQ(g->LastBlock(), 22);
}

}  // namespace

// The bitmap slider as the main window places it: the position bar and
// an equaliser slider, driven by mouse and keys on the headless display.
#include <gtest/gtest.h>

#include "classlib/Edit.h"
#include "controls/slider.h"
#include "tests/controls/controls_fixture.h"

namespace {

class SliderTest : public velko_test::ControlsTest {
 protected:
  // The position bar: 0..200, Increment 10, two thumb states, all options;
  // 311 pixels wide, so that its travel is 300 pixels.
  TSlider* PosSlider(int width = 311) {
    MakeForm(400, 200);
    auto* s = Place<TSlider>(10, 10, width, 30);
    s->SetMaxValue(200);
    s->SetIncrement(10);
    s->OnChange = [this](TObject*) { ++changes; };
    ShowForm();
    return s;
  }
  TSlider* EqSlider() {
    MakeForm(200, 200);
    auto* s = Place<TSlider>(20, 10, 30, 140);
    s->SetOrientation(soVertical);
    s->SetBounds(20, 10, 30, 140);
    s->SetMaxValue(30);
    s->SetValue(15);
    ShowForm();
    return s;
  }
  int changes = 0;
};

TEST_F(SliderTest, ThumbValuesAndRanges) {
  TSlider* s = PosSlider();
  EXPECT_EQ(s->NumThumbStates(), 2);
  EXPECT_EQ(s->ImageHThumb()->Width(), 22);
  EXPECT_EQ(s->Thumb()->Width(), 11);  // two states side by side
  EXPECT_EQ(s->Thumb()->Cursor(), crSliderHand);
  EXPECT_EQ(s->TravelLength(), 300);
  // Values are clamped and change once.
  s->SetValue(250);
  EXPECT_EQ(s->Value(), 200);
  EXPECT_EQ(changes, 1);
  s->SetValue(250);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(s->Thumb()->Left(), 300);
  s->SetValue(-5);
  EXPECT_EQ(s->Value(), 0);
  EXPECT_EQ(s->Thumb()->Left(), 0);
  s->SetValue(101);  // 151.5 rounds to the even 152
  EXPECT_EQ(s->Thumb()->Left(), 152);
  // Ranges that leave no step are refused.
  s->SetMaxValue(100);
  s->SetMinValue(95);  // above MaxValue - Increment
  EXPECT_EQ(s->MinValue(), 0);
  s->SetMinValue(90);
  EXPECT_EQ(s->MinValue(), 90);
  s->SetMaxValue(95);  // below MinValue + Increment
  EXPECT_EQ(s->MaxValue(), 100);
  s->SetIncrement(0);
  EXPECT_EQ(s->Increment(), 10);
  s->SetEdgeSize(10);  // twice 10 is not shorter than the 20-pixel ruler
  EXPECT_EQ(s->EdgeSize(), 2);
}

TEST_F(SliderTest, DragSnapsToTheIncrementUnlessSmooth) {
  TSlider* s = PosSlider();
  s->SetOptions({soShowFocus, soShowPoints});
  int started = 0, stopped = 0;
  s->OnStartTracking = [&](TObject*) { ++started; };
  s->OnStopTracking = [&](TObject*) {
    ++stopped;
    EXPECT_EQ(s->Value(), 30);
  };
  TSliderThumb* thumb = s->Thumb();
  MouseDown(thumb, 5, 5);
  EXPECT_EQ(started, 1);
  EXPECT_EQ(thumb->State(), 1);
  EXPECT_TRUE(s->Focused());
  // The thumb's left edge to pixel 55, worth 36.67 -> 37 -> 30 snapped.
  MoveMouse(thumb, 5 + 55 - thumb->Left(), 5);
  EXPECT_EQ(s->Value(), 30);
  EXPECT_EQ(thumb->Left(), 45);  // 30's pixel
  MouseUp(thumb, 5, 5);
  EXPECT_EQ(stopped, 1);
  EXPECT_EQ(thumb->State(), 0);
  EXPECT_EQ(s->Value(), 30);
  // Smooth, the thumb follows the pointer.
  s->SetOptions({soShowFocus, soShowPoints, soSmooth});
  s->OnStopTracking = nullptr;
  MouseDown(thumb, 3, 5);
  MoveMouse(s, 3 + 99, 15);
  EXPECT_EQ(thumb->Left(), 99);
  EXPECT_EQ(s->Value(), 66);
  MoveMouse(s, 400, 15);  // past the end
  EXPECT_EQ(thumb->Left(), 300);
  EXPECT_EQ(s->Value(), 200);
  MouseUp(s, 400, 15);
  EXPECT_EQ(changes, 3);
}

TEST_F(SliderTest, HoldingBesideTheThumbRepeatsUntilItCoversThePointer) {
  TSlider* s = PosSlider();
  MouseDown(s, 150, 15);
  EXPECT_EQ(s->Value(), 10);
  Advance(390);
  EXPECT_EQ(s->Value(), 10);
  Advance(20);
  EXPECT_EQ(s->Value(), 20);
  Advance(4000);
  EXPECT_EQ(s->Value(), 100);  // the thumb (150..160) covers the pointer
  MouseUp(s, 150, 15);
  Advance(800);
  EXPECT_EQ(s->Value(), 100);

  // Holding left of it steps down; moving the pointer moves the target.
  MouseDown(s, 100, 15);
  EXPECT_EQ(s->Value(), 90);
  MoveMouse(s, 20, 15);
  Advance(1300);
  EXPECT_EQ(s->Value(), 60);
  MouseUp(s, 20, 15);
  // The repeat stops when the focus goes.
  auto* edit = Place<TEdit>(10, 100, 80, 20);
  MouseDown(s, 300, 15);
  EXPECT_EQ(s->Value(), 70);
  edit->SetFocus();
  Pump();
  Advance(1200);
  EXPECT_EQ(s->Value(), 70);
  platform::ResetInput();
}

TEST_F(SliderTest, Keys) {
  TSlider* s = PosSlider();
  s->SetFocus();
  // From 17: one step to the next multiple, or down to it; the ends; Up is
  // not an arrow of a horizontal slider.
  for (auto [from, key, value] : {std::tuple{17, VK_RIGHT, 20}, {17, VK_LEFT, 0}, {0, VK_END, 200}, {200, VK_HOME, 0},
                                  {0, VK_UP, 0}}) {
    s->SetValue(from);
    Press(key);
    EXPECT_EQ(s->Value(), value) << key;
  }
}

TEST_F(SliderTest, VerticalSliderHasItsMaximumAtTheTop) {
  TSlider* s = EqSlider();
  TSliderThumb* thumb = s->Thumb();
  EXPECT_EQ(thumb->Height(), 11);
  const int travel = 140 - 11;
  EXPECT_EQ(s->TravelLength(), travel);
  s->SetValue(30);
  EXPECT_EQ(thumb->Top(), 0);
  s->SetValue(0);
  EXPECT_EQ(thumb->Top(), travel);
  s->SetValue(15);
  EXPECT_EQ(thumb->Top(), 140 - 64 - 11);  // 64.5 rounds to 64
  s->SetFocus();
  Press(VK_UP);
  EXPECT_EQ(s->Value(), 20);
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(s->Value(), 0);
  Press(VK_RIGHT);
  EXPECT_EQ(s->Value(), 0);
  // Pressing above the thumb steps up.
  MouseDown(s, 5, 2);
  EXPECT_EQ(s->Value(), 10);
  MouseUp(s, 5, 2);
}

std::unique_ptr<TBitmap> RulerPicture(int length) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(length, 3);
  for (int x = 0; x < length; ++x) {
    TColor c = static_cast<TColor>(0x100000 * (x + 1));
    if (x < 2) c = clRed;
    if (x >= length - 2) c = clLime;
    for (int y = 0; y < 3; ++y) b->Canvas()->SetPixels(x, y, c);
  }
  return b;
}

TEST_F(SliderTest, RulerRepeatsTheMiddleBetweenTheEdges) {
  TSlider* s = PosSlider(30);
  auto picture = RulerPicture(10);
  s->SetImage(siHRuler, picture.get());
  EXPECT_EQ(s->UserImages(), 1 << siHRuler);
  TBitmap* ruler = s->Ruler();
  ASSERT_EQ(ruler->Width(), 30);
  // Six middle pixels (picture 2..7) repeat from 2; the last piece is
  // picture 6..9, so the ruler ends with the green edge.
  auto at = [&](int x) { return ruler->Canvas()->Pixels(x, 1); };
  EXPECT_EQ(at(0), clRed);
  EXPECT_EQ(at(1), clRed);
  for (int x = 2; x < 26; ++x) EXPECT_EQ(at(x), picture->Canvas()->Pixels(2 + (x - 2) % 6, 1)) << x;
  EXPECT_EQ(at(26), picture->Canvas()->Pixels(6, 1));
  EXPECT_EQ(at(27), picture->Canvas()->Pixels(7, 1));
  EXPECT_EQ(at(28), clLime);
  EXPECT_EQ(at(29), clLime);
  // And on the screen, where the ruler sits (below the 20-pixel thumb).
  const TPoint o = s->RulerOrigin();
  EXPECT_EQ(o.y, (20 - 3) / 2);
  s->SetValue(200);  // the thumb out of the way of the left edge
  EXPECT_EQ(ScreenPixel(s, 0, o.y + 1), clRed);

  // A picture no longer than twice the edge is drawn once.
  auto tiny = RulerPicture(4);
  s->SetImage(siHRuler, tiny.get());
  EXPECT_EQ(s->Ruler()->Canvas()->Pixels(0, 1), clRed);
  EXPECT_EQ(s->Ruler()->Canvas()->Pixels(3, 1), clLime);
  EXPECT_EQ(s->Ruler()->Canvas()->Pixels(4, 1), SliderTransparentColor);

  // Back to the resource picture.
  s->SetImage(siHRuler, nullptr);
  EXPECT_EQ(s->UserImages(), 0);
  EXPECT_EQ(s->ImageHRuler()->Width(), 20);
}

TEST_F(SliderTest, NoTravelMapsEverythingToTheStart) {
  TSlider* s = PosSlider(8);  // narrower than the 11-pixel thumb
  EXPECT_LE(s->TravelLength(), 0);
  EXPECT_EQ(s->ValueToPixel(150), 0);
  EXPECT_EQ(s->PixelToValue(5), 0);
  s->SetValue(120);
  EXPECT_EQ(s->Value(), 120);
  EXPECT_EQ(s->Thumb()->Left(), 0);
  Pump();  // painting the scale must not divide by the empty travel
}

TEST_F(SliderTest, ScalePointsBelowTheRuler) {
  TSlider* s = PosSlider();
  s->SetOptions({soShowPoints});
  const TRect pr = s->PointsRect();
  EXPECT_EQ(pr.top, 21);
  // Increment 10 on 300 pixels: 20 gaps of 14 pixels, ticks at
  // ValueToPixel(v) + 5; the ends are 4 pixels long, the others 3.
  const TColor tick = velko_test::Rgb(clWindowText);
  EXPECT_EQ(ScreenPixel(s, 5, pr.top + 3), tick);
  EXPECT_NE(ScreenPixel(s, 5, pr.top + 4), tick);
  EXPECT_EQ(ScreenPixel(s, 20, pr.top + 2), tick);
  EXPECT_NE(ScreenPixel(s, 20, pr.top + 3), tick);
  EXPECT_NE(ScreenPixel(s, 21, pr.top + 1), tick);
  EXPECT_EQ(ScreenPixel(s, 305, pr.top + 3), tick);
}

}  // namespace

// The shaped hint through the application's hint machinery, its shapes
// and placement, and the 3-D text painter.
#include <gtest/gtest.h>

#include <climits>

#include "classlib/Application.h"
#include "classlib/Screen.h"
#include "classlib/SpeedButton.h"
#include "controls/KavoShapeHint.h"
#include "platform/gdi/paths.h"
#include "platform/user/cursor.h"
#include "tests/controls/controls_fixture.h"

namespace {

using velko_test::Rgb;

class ShapeHintTest : public velko_test::ControlsTest {
 protected:
  // A form as the main window has it: the shape hint placed at design
  // time, a button with a hint.
  void SetUp() override {
    ControlsTest::SetUp();
    MakeForm(400, 300);
    form_->SetLeft(300);
    form_->SetTop(300);
    form_->BeginLoad();
    form_->SetShowHint(true);
    hint = new TKavoShapeHint(form_);
    hint->Font()->SetStyle({fsBold});
    hint->Font()->SetHeight(-11);
    hint->MaxWidth = -1;
    hint->Shadow()->SetStyle(hssNone);
    button = Place<TSpeedButton>(150, 150, 40, 30);
    button->Hint = "Play the song";
    form_->EndLoad();
    ShowForm();
  }
  TKavoShapeHintWindow* Window() { return dynamic_cast<TKavoShapeHintWindow*>(Application->HintWindow()); }
  bool Showing() {
    THintWindow* w = Application->HintWindow();
    return w && w->HandleAllocated() && IsWindowVisible(w->Handle());
  }
  // Rests the mouse on the button until the hint shows.
  void RestOnButton(int x = 20, int y = 15) {
    MoveMouse(button, x, y);
    Advance(600);
  }
  TSize TextExtent(const String& text) {
    TRect r = Rect(0, 0, Screen->Width(), 0);
    MeasureText(text, hint->Font3D(), r, DT_WORDBREAK | DT_NOPREFIX, hint->Font());
    return TSize{r.right - r.left, r.bottom - r.top};
  }
  TKavoShapeHint* hint = nullptr;
  TSpeedButton* button = nullptr;
};

TEST_F(ShapeHintTest, RestingTheMouseShowsTheShapedWindow) {
  EXPECT_EQ(ActiveShapeHint, hint);
  int closed = 0;
  hint->OnCloseHintWindow = [&](TObject* sender) {
    EXPECT_EQ(sender, hint);
    ++closed;
  };
  RestOnButton();
  ASSERT_TRUE(Showing());
  TKavoShapeHintWindow* w = Window();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Shaped());
  EXPECT_EQ(w->Caption(), "Play the song");
  // Above right of the mouse, the nose at the bottom-left pointing at it.
  const TPoint mouse = button->ClientToScreen(Point(20, 15));
  EXPECT_EQ(w->ShownPosition(), hpAboveRight);
  EXPECT_EQ(w->Left(), mouse.x + 1);
  EXPECT_EQ(w->Top() + w->Height(), mouse.y - 1);
  const LONG style = GetWindowLong(w->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_DISABLED);
  EXPECT_FALSE(style & WS_BORDER);
  Advance(3000);  // the hide pause
  EXPECT_FALSE(Showing());
  EXPECT_EQ(closed, 1);
  // A hint whose pause runs out while a modal box keeps its window disabled
  // (the box opened in between) does not show: it would stand over the box.
  MoveMouse(button, 20, 15);
  EnableWindow(form_->Handle(), FALSE);
  Advance(600);
  EXPECT_FALSE(Showing());
  EnableWindow(form_->Handle(), TRUE);
  MoveMouse(form_, 5, 5);
  RestOnButton();
  EXPECT_TRUE(Showing());
}

// A hint whose pause runs out while a modal box keeps its window disabled
// (the box opened in between) does not show: it would stand over the box.
// The pointer comes to the button from elsewhere, so a new pause starts.
TEST_F(ShapeHintTest, NoHintForAControlOfADisabledWindow) {
  MoveMouse(form_, 5, 5);
  Advance(600);
  ASSERT_FALSE(Showing());
  MoveMouse(button, 10, 8);
  EnableWindow(form_->Handle(), FALSE);
  Advance(600);
  EXPECT_FALSE(Showing());
  // Enabled again, a rest on another spot of the button shows it.
  EnableWindow(form_->Handle(), TRUE);
  MoveMouse(form_, 5, 5);
  RestOnButton(25, 20);
  EXPECT_TRUE(Showing());
}

TEST_F(ShapeHintTest, SizesPerStyle) {
  const String text = "Play the song";
  const TSize t = TextExtent(text);
  ASSERT_GT(t.cx, 46);
  // The style's growth, then what the window adds so that the whole text
  // lies inside the outline with a pixel to spare (the text of a plain
  // rectangle starts 3 pixels in, of a rounded one 5, of a nose shape 4
  // from the body's edge).
  struct Case {
    TKavoHintStyle style;
    int grow_w, grow_h;
    int fit_w, fit_h;
  };
  const int d = 6;
  hint->Shadow()->SetStyle(hssSolid);
  for (const Case& c : {Case{hsRect, d, d, 5, 5}, Case{hsRoundRect, d + 8, d + 4, 0, 3},
                        Case{hsEllipse, t.cx / 3 + d, t.cy / 3 + d, 0, 2}, Case{hsNoseRect, d + 23, d + 18, 0, 3},
                        Case{hsNoseRoundRect, d + 23, d + 18, 0, 3},
                        Case{hsNoseEllipse, t.cx / 2 + d + 15, t.cy / 2 + d + 15, 0, 0}}) {
    hint->Style = c.style;
    Application->CancelHint();
    MoveMouse(form_, 5, 5);
    RestOnButton();
    ASSERT_TRUE(Showing()) << c.style;
    EXPECT_EQ(Window()->Width(), t.cx + c.grow_w + c.fit_w) << c.style;
    EXPECT_EQ(Window()->Height(), t.cy + c.grow_h + c.fit_h) << c.style;
  }
  // A short text makes a nose hint at least 46 wide before it grows.
  TRect r = Rect(0, 0, 10, 12);
  hint->Style = hsNoseRect;
  Window()->CalcShapeRect(r);
  EXPECT_EQ(r, Rect(0, 0, 46 + d + 23, 12 + d + 18));
}

TEST_F(ShapeHintTest, NearTheTopEdgeItFallsBelowLeftWithTheNoseTurned) {
  form_->SetTop(0);
  form_->SetLeft(400);
  Pump();
  button->SetTop(0);
  RestOnButton(20, 2);
  ASSERT_TRUE(Showing());
  TKavoShapeHintWindow* w = Window();
  EXPECT_EQ(w->ShownPosition(), hpBelowLeft);
  const TPoint mouse = button->ClientToScreen(Point(20, 2));
  EXPECT_EQ(w->Left(), mouse.x - 3 - w->Width());
  EXPECT_EQ(w->Top(), mouse.y + 1);
  // The nose's tip is the window's top-right corner (no shadow: D = 6
  // still counts in the geometry), the body starts 15 pixels down.
  TBitmap* image = w->Image();
  const int W = image->Width(), D = 6;
  EXPECT_EQ(image->Canvas()->Pixels(W - D - 1, 0), clBlack);
  EXPECT_EQ(image->Canvas()->Pixels(20, 15), clBlack);  // the body's top border
  EXPECT_NE(image->Canvas()->Pixels(20, 14), clBlack);
}

TEST_F(ShapeHintTest, NoBorderOnTheNoseSeamAndTheScreenShowsAroundTheShape) {
  hint->Color = clYellow;
  RestOnButton();
  ASSERT_TRUE(Showing());
  TKavoShapeHintWindow* w = Window();
  ASSERT_EQ(w->ShownPosition(), hpAboveRight);
  TBitmap* image = w->Image();
  const int W = image->Width(), H = image->Height(), D = 6;
  const int seam_y = H - D - 16;
  TCanvas* c = image->Canvas();
  EXPECT_EQ(c->Pixels(40, seam_y), clYellow);   // along the seam: the body colour
  EXPECT_EQ(c->Pixels(60, seam_y), clBlack);    // the body's border beside it
  // The nose's left edge, from the base start (25, seam) to the tip (0, H - D).
  EXPECT_TRUE(c->Pixels(12, H - D - 8) == clBlack || c->Pixels(13, H - D - 8) == clBlack);
  EXPECT_EQ(c->Pixels(20, H - D - 8), clYellow);
  // What the window shows is the picture, and outside the shape the
  // screen that was beneath.
  const TPoint at = Point(w->Left(), w->Top());
  std::vector<std::pair<TPoint, TColor>> outside;
  for (TPoint p : {Point(W - 1, H - 1), Point(0, 0), Point(W - 2, 0), Point(2, H - D - 10)}) {
    outside.emplace_back(p, c->Pixels(p.x, p.y));
    EXPECT_EQ(ScreenPixel(form_, p.x + at.x - form_->ClientOrigin().x, p.y + at.y - form_->ClientOrigin().y),
              c->Pixels(p.x, p.y));
  }
  Application->CancelHint();
  MoveMouse(form_, 5, 5);
  ASSERT_FALSE(Showing());
  for (const auto& [p, colour] : outside) {
    EXPECT_EQ(ScreenPixel(form_, p.x + at.x - form_->ClientOrigin().x, p.y + at.y - form_->ClientOrigin().y), colour)
        << p.x << "," << p.y;
  }
}

TEST_F(ShapeHintTest, WidthLimitsAndEmptyText) {
  String long_text;
  for (int i = 0; i < 60; ++i) long_text += "word ";
  button->Hint = long_text;
  hint->Style = hsRect;
  hint->MaxWidth = -4;  // a quarter of the screen
  RestOnButton();
  ASSERT_TRUE(Showing());
  EXPECT_LE(Window()->Width(), Screen->Width() / 4 + 6);
  EXPECT_GT(Window()->Height(), 3 * GetFontHeight(hint->Font()));
  Application->CancelHint();

  // The most negative width and an empty text: a small window, no overflow.
  hint->MaxWidth = INT_MIN;
  TKavoShapeHintWindow* w = Window();
  w->ActivateHint(Rect(500, 500, -1, -1), "");
  EXPECT_GE(w->Width(), 1 + 6);
  EXPECT_GE(w->Height(), GetFontHeight(hint->Font()) + 6);
  w->ReleaseHandle();
  w->ActivateHint(Rect(500, 500, -1, -1), "A B C");
  EXPECT_EQ(w->Left(), 501);
  EXPECT_GT(w->Height(), 2 * GetFontHeight(hint->Font()));  // one word a line
  w->ReleaseHandle();
}

TEST_F(ShapeHintTest, DisablingRestoresThePlainHintWindow) {
  RestOnButton();
  ASSERT_NE(Window(), nullptr);
  hint->SetEnabled(false);
  EXPECT_EQ(ActiveShapeHint, nullptr);
  MoveMouse(form_, 5, 5);
  RestOnButton();
  ASSERT_TRUE(Showing());
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(Application->HintWindow()->Caption(), "Play the song");
  hint->SetEnabled(true);
  MoveMouse(form_, 5, 5);
  RestOnButton();
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(Window()->Shaped());
}

TEST(KavoCaptions, DisplayTextsAndWrites) {
  TKavo3DCaption caption;
  EXPECT_EQ(caption.DisplayText(), "{Disabled}");
  caption.SetStyle(tdRaisedShadow);
  EXPECT_EQ(caption.DisplayText(), "{raised shadow}");
  caption.SetStyle(tdPColorRaised);
  EXPECT_EQ(caption.DisplayText(), "{}");
  TKavoFxCaption fx;
  int changes = 0;
  fx.OnChange = [&](TObject*) { ++changes; };
  fx.SetAngle(360);
  EXPECT_EQ(fx.Angle(), 0);
  EXPECT_EQ(changes, 0);
  fx.SetAngle(45);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(fx.DisplayText(), "{ rot: 45}");
  fx.SetStyle(tdExtrude);
  EXPECT_EQ(fx.DisplayText(), "{extrude, rot: 45}");
  TKavoFxCaption copy;
  copy.Assign(&fx);
  EXPECT_EQ(copy.Angle(), 45);
  EXPECT_EQ(copy.Style(), tdExtrude);
  TKavoShadow shadow;
  EXPECT_EQ(shadow.DisplayText(), "{solid, 6}");
  shadow.SetStyle(hssTracing);
  shadow.SetDepth(3);
  EXPECT_EQ(shadow.DisplayText(), "{tracing, 3}");
  shadow.SetStyle(hssNone);
  EXPECT_EQ(shadow.DisplayText(), "{Disabled}");
}

// The painter against plain text drawn pass by pass.
class Draw3DTextTest : public velko_test::ControlsTest {
 protected:
  static std::unique_ptr<TBitmap> Blank(int w = 80, int h = 30, int font_height = -16) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(clWhite);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    b->Canvas()->Font()->SetName("Arial");
    b->Canvas()->Font()->SetHeight(font_height);
    b->Canvas()->Font()->SetStyle({fsBold});
    b->Canvas()->Font()->SetColor(clNavy);
    return b;
  }
  void Plain(TBitmap* b, int dx, int dy, TColor colour, int bottom_shrink) {
    TRect r = Rect(5 + dx, 5 + dy, 75 + dx, 25 + dy - bottom_shrink);
    b->Canvas()->Brush()->SetStyle(bsClear);
    b->Canvas()->Font()->SetColor(colour);
    HDC dc = b->Canvas()->Handle();
    DrawText(dc, "Hb", 2, &r, DT_NOPREFIX);
    b->Canvas()->Font()->SetColor(clNavy);
    b->Canvas()->Brush()->SetStyle(bsSolid);
  }
  // Pixels that differ between two pictures of a size, or that have
  // `colour` in the first when the second is null.
  static int Count(TBitmap* a, TBitmap* b, TColor colour = clNone) {
    int n = 0;
    for (int y = 0; y < a->Height(); ++y) {
      for (int x = 0; x < a->Width(); ++x) {
        n += b ? a->Canvas()->Pixels(x, y) != b->Canvas()->Pixels(x, y) : a->Canvas()->Pixels(x, y) == colour;
      }
    }
    return n;
  }
  static int Differences(TBitmap* a, TBitmap* b) { return Count(a, b); }
};

TEST_F(Draw3DTextTest, PassesInOrder) {
  TKavo3DCaption caption;
  caption.SetLightColor(clYellow);
  caption.SetShadowColor(clRed);
  caption.SetLightDepth(1);
  caption.SetShadowDepth(2);
  struct Case {
    TKavoThreeDStyle style;
    TKavoDrawFlags flags;
    TKavoDisabledStyle disabled;
    std::vector<std::tuple<int, int, TColor>> passes;  // cumulative offsets
    int shrink;
  };
  const TColor grey = Rgb(clGrayText);
  const Case cases[] = {
      {tdNone, {}, dsAuto, {{0, 0, clNavy}}, 0},
      {tdRaised, {}, dsAuto, {{0, 0, clYellow}, {1, 1, clNavy}}, 1},
      {tdSunkenShadow, {}, dsAuto, {{0, 0, clRed}, {3, 3, clYellow}, {2, 2, clNavy}}, 3},
      {tdRaisedShadow, {}, dsAuto, {{3, 3, clRed}, {0, 0, clYellow}, {1, 1, clNavy}}, 3},
      {tdShadow, {}, dsAuto, {{2, 2, clRed}, {0, 0, clNavy}}, 2},
      {tdExtrude, {}, dsAuto, {{1, 1, clRed}, {2, 2, clRed}, {2, 2, clNavy}}, 0},
      // Disabled: grey text; 3-D flag with dsAuto (or ds3d) turns it sunken.
      {tdShadow, {dfDisabled}, dsAuto, {{2, 2, clRed}, {0, 0, grey}}, 2},
      {tdShadow, {dfDisabled, dfDisabled3D}, dsAuto, {{1, 1, clYellow}, {0, 0, grey}}, 1},
      {tdRaised, {dfDisabled}, ds3d, {{1, 1, clYellow}, {0, 0, grey}}, 1},
      {tdRaised, {dfDisabled}, dsNone, {{0, 0, clYellow}, {1, 1, clNavy}}, 1},
  };
  for (const Case& c : cases) {
    caption.SetStyle(c.style);
    caption.SetDisabledStyle(c.disabled);
    auto got = Blank();
    Draw3DText(got->Canvas(), "Hb", &caption, TRect{}, c.flags, DT_NOPREFIX, Rect(5, 5, 75, 25));
    auto want = Blank();
    for (const auto& [dx, dy, colour] : c.passes) Plain(want.get(), dx, dy, colour, c.shrink);
    EXPECT_EQ(Differences(got.get(), want.get()), 0) << "style " << int(c.style) << " flags " << c.flags.Bits();
    auto plain = Blank();
    EXPECT_GT(Differences(got.get(), plain.get()), 20);  // it drew something
  }
  // Without a caption the text is drawn plainly.
  auto got = Blank();
  Draw3DText(got->Canvas(), "Hb", nullptr, TRect{}, {}, DT_NOPREFIX, Rect(5, 5, 75, 25));
  auto want = Blank();
  Plain(want.get(), 0, 0, clNavy, 0);
  EXPECT_EQ(Differences(got.get(), want.get()), 0);
  // Measuring grows by the style's offset.
  TFont font;
  TRect plain_r = Rect(0, 0, 200, 0), styled_r = plain_r;
  MeasureText("Hb", nullptr, plain_r, 0, &font);
  caption.SetStyle(tdSunkenShadow);
  caption.SetShadowDepth(2);
  MeasureText("Hb", &caption, styled_r, 0, &font);
  EXPECT_EQ(styled_r.right, plain_r.right + 3);
  EXPECT_EQ(styled_r.bottom, plain_r.bottom + 3);
  EXPECT_GT(GetFontHeight(&font), 5);
}

TEST_F(ShapeHintTest, DottedShadowLetsTheScreenShowBetweenItsSquares) {
  hint->Style = hsRect;
  hint->Shadow()->SetStyle(hssTracing);
  hint->Shadow()->SetColor(clRed);
  RestOnButton();
  ASSERT_TRUE(Showing());
  TKavoShapeHintWindow* w = Window();
  TBitmap* image = w->Image();
  const int W = image->Width(), H = image->Height();
  // Along the shadow's bottom strip (below the body): red on the squares
  // of one parity, the screen (the form's face) on the others.
  int red = 0, face = 0;
  for (int x = 10; x < W - 2; ++x) {
    const TColor c = image->Canvas()->Pixels(x, H - 2);
    if (c == clRed) ++red;
    if (c == Rgb(clBtnFace)) ++face;
    const TColor next = image->Canvas()->Pixels(x + 1, H - 2);
    EXPECT_NE(c, next) << x;  // alternating
  }
  EXPECT_GT(red, 10);
  EXPECT_GT(face, 10);
  // A solid shadow is all red there.
  Application->CancelHint();
  MoveMouse(form_, 5, 5);
  hint->Shadow()->SetStyle(hssSolid);
  RestOnButton();
  image = Window()->Image();
  for (int x = 10; x < W - 2; ++x) EXPECT_EQ(image->Canvas()->Pixels(x, H - 2), clRed) << x;
}

TEST_F(Draw3DTextTest, RotationAndTracing) {
  TFont font;
  font.SetName("Arial");
  font.SetHeight(-16);
  TKavoFxCaption fx;
  TRect flat = Rect(0, 0, 300, 0);
  MeasureText("Velko", &fx, flat, DT_SINGLELINE, &font);
  fx.SetAngle(90);
  TRect turned = Rect(0, 0, 300, 0);
  MeasureText("Velko", &fx, turned, DT_SINGLELINE, &font);
  EXPECT_NEAR(turned.right, flat.bottom, 1);
  EXPECT_NEAR(turned.bottom, flat.right, 1);

  fx.SetAngle(0);
  fx.SetTracing(3);
  TRect spaced = Rect(0, 0, 300, 0);
  MeasureText("Velko", &fx, spaced, DT_SINGLELINE, &font);
  EXPECT_GE(spaced.right - flat.right, 12);  // 3 more pixels per character

  // Turned text runs upwards from its point.
  fx.SetTracing(0);
  fx.SetAngle(90);
  auto b = Blank();
  Draw3DText(b->Canvas(), "Hb", &fx, TRect{}, {}, DT_NOPREFIX, Rect(5, 28, 75, 30));
  int ink_above = 0;
  for (int y = 0; y < 28; ++y) {
    for (int x = 0; x < 30; ++x) ink_above += b->Canvas()->Pixels(x, y) == clNavy ? 1 : 0;
  }
  EXPECT_GT(ink_above, 10);
}

// The outline style: the text's outlines stroked with a pen of the shadow
// depth's width in the text colour, moved by half the depth, without
// anti-aliasing, and not the filled text.
TEST_F(Draw3DTextTest, OutlineIsTheStrokedPathInTheTextColour) {
  TKavo3DCaption caption;
  caption.SetStyle(tdOutline);
  caption.SetShadowDepth(2);
  auto got = Blank(90, 40, -28);
  Draw3DText(got->Canvas(), "HO", &caption, TRect{}, {}, DT_NOPREFIX, Rect(5, 2, 85, 38));

  // The same by hand: the path at (1, 1), a 2-pixel navy pen.
  auto want = Blank(90, 40, -28);
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

  auto filled = Blank(90, 40, -28);
  RECT f{5, 2, 85, 38};
  SetBkMode(filled->Canvas()->Handle(), TRANSPARENT);
  DrawText(filled->Canvas()->Handle(), "HO", 2, &f, DT_NOPREFIX);

  const int navy = Count(got.get(), nullptr, clNavy);
  EXPECT_GT(navy, 50);
  EXPECT_EQ(navy + Count(got.get(), nullptr, clWhite), 90 * 40) << "two colours only";
  EXPECT_EQ(Differences(got.get(), want.get()), 0);
  EXPECT_GT(Differences(got.get(), filled.get()), 20);
}

}  // namespace

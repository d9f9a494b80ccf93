// The media button bar as the main, movie and network windows place it.
#include <gtest/gtest.h>

#include "controls/VrNavigator.h"
#include "tests/controls/controls_fixture.h"

namespace {

using velko_test::Rgb;

const TVrButtonSet kMainButtons{btPlay, btPause, btStop, btPrev, btNext};
const TVrButtonSet kMovieButtons{btPlay, btPause, btStop, btPrev, btBack, btStep, btNext};

class NavigatorTest : public velko_test::ControlsTest {
 protected:
  // Built as a form builds it: inside the form's loading.
  TVrNavigator* Bar(TVrButtonSet buttons, int width, int height) {
    MakeForm(320, 120);
    form_->BeginLoad();
    auto* nav = Place<TVrNavigator>(10, 10, width, height);
    nav->SetVisibleButtons(buttons);
    nav->SetEnabledButtons(buttons);
    nav->OnButtonClick = [this](TObject* sender, TVrButtonType b) {
      EXPECT_NE(sender, nullptr);
      clicks.push_back(b);
    };
    form_->EndLoad();
    ShowForm();
    return nav;
  }
  TPoint Centre(TVrNavigator* nav, TVrButtonType b) {
    const TRect r = nav->ButtonRect(b);
    return Point((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  std::vector<TVrButtonType> clicks;
};

TEST_F(NavigatorTest, TheFormsSizes) {
  struct Case {
    TVrButtonSet buttons;
    int width, height, cell_w, cell_h, final_width;
  };
  for (const Case& c : {Case{kMainButtons, 180, 20, 34, 14, 180}, Case{kMovieButtons, 271, 22, 37, 16, 271},
                        Case{kMainButtons, 182, 20, 34, 14, 180}}) {
    TVrNavigator* nav = Bar(c.buttons, c.width, c.height);
    EXPECT_EQ(nav->InnerRect(), Rect(3, 3, c.final_width - 3, c.height - 3));
    EXPECT_EQ(nav->ButtonWidth(), c.cell_w);
    EXPECT_EQ(nav->ButtonHeight(), c.cell_h);
    EXPECT_EQ(nav->Width(), c.final_width);
    EXPECT_EQ(nav->FocusIndex(), btPlay);  // the first visible button
    EXPECT_EQ(nav->ButtonRect(btNext).right, c.final_width - 3);
    delete form_;
    form_ = nullptr;
  }
}

TEST_F(NavigatorTest, PressMoveOutBackAndRelease) {
  TVrNavigator* nav = Bar(kMainButtons, 180, 20);
  const TPoint play = Centre(nav, btPlay);
  const TPoint stop = Centre(nav, btStop);
  MouseDown(nav, stop.x, stop.y);
  EXPECT_TRUE(nav->Down());
  EXPECT_TRUE(nav->Tracking());
  EXPECT_EQ(nav->FocusIndex(), btStop);
  EXPECT_TRUE(nav->Focused());
  MoveMouse(nav, play.x, play.y);  // out of the pressed button
  EXPECT_FALSE(nav->Down());
  MouseUp(nav, play.x, play.y);
  EXPECT_TRUE(clicks.empty());

  MouseDown(nav, stop.x, stop.y);
  MoveMouse(nav, play.x, play.y);
  MoveMouse(nav, stop.x + 3, stop.y);
  EXPECT_TRUE(nav->Down());
  MouseUp(nav, stop.x + 3, stop.y);
  EXPECT_EQ(clicks, std::vector<TVrButtonType>{btStop});
  EXPECT_FALSE(nav->Tracking());

  // Both presses of a double click end in a click.
  clicks.clear();
  const TPoint next = Centre(nav, btNext);
  Click(nav, next.x, next.y);
  Click(nav, next.x, next.y);
  EXPECT_EQ(clicks, (std::vector<TVrButtonType>{btNext, btNext}));

  // The generic mouse events are not raised.
  int mouse_downs = 0;
  nav->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouse_downs; };
  Click(nav, play.x, play.y);
  EXPECT_EQ(mouse_downs, 0);
  // Between the buttons there is nothing to press.
  clicks.clear();
  Click(nav, nav->ButtonRect(btPlay).right, play.y);
  EXPECT_TRUE(clicks.empty());
}

TEST_F(NavigatorTest, DisabledButtonsAndSpace) {
  TVrNavigator* nav = Bar(kMainButtons, 180, 20);
  nav->SetEnabledButtons({btPlay, btStop, btPrev, btNext});
  const TPoint pause = Centre(nav, btPause);
  Click(nav, pause.x, pause.y);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(nav->FocusIndex(), btPlay);

  nav->SetFocus();
  Pump();
  platform::InjectKey(VK_SPACE, true);
  Pump();
  EXPECT_TRUE(nav->Down());
  EXPECT_FALSE(nav->Tracking());
  EXPECT_TRUE(clicks.empty());
  platform::InjectKey(VK_SPACE, false);
  Pump();
  EXPECT_EQ(clicks, std::vector<TVrButtonType>{btPlay});

  // Space on a disabled focused button does nothing.
  Press(VK_RIGHT);
  EXPECT_EQ(nav->FocusIndex(), btPause);
  Press(VK_SPACE);
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(NavigatorTest, ArrowsSkipHiddenButtonsAndDoNotWrap) {
  TVrNavigator* nav = Bar(kMainButtons, 180, 20);
  int key_downs = 0, previewed = 0;
  nav->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++key_downs; };
  form_->KeyPreview = true;
  form_->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++previewed; };
  nav->SetFocus();
  Pump();
  const int expected[] = {btPause, btStop, btPrev, btNext, btNext};
  for (int e : expected) {
    Press(VK_RIGHT);
    EXPECT_EQ(nav->FocusIndex(), e);
  }
  Press(VK_UP);
  Press(VK_DOWN);
  EXPECT_EQ(nav->FocusIndex(), btNext);
  for (int i = 0; i < 5; ++i) Press(VK_LEFT);
  EXPECT_EQ(nav->FocusIndex(), btPlay);
  EXPECT_EQ(key_downs, 0);
  EXPECT_EQ(previewed, 12);
}

TEST_F(NavigatorTest, GlyphAndFramePixels) {
  TVrNavigator* nav = Bar(kMainButtons, 180, 20);
  const TRect play = nav->ButtonRect(btPlay);
  const TRect stop = nav->ButtonRect(btStop);
  // Outer frame in BorderColor, inner raised frame with the top colour
  // in its bottom-left corner.
  EXPECT_EQ(ScreenPixel(nav, stop.left, stop.top), clBlack);
  EXPECT_EQ(ScreenPixel(nav, stop.right - 1, stop.bottom - 1), clBlack);
  EXPECT_EQ(ScreenPixel(nav, stop.left + 1, stop.top + 1), Rgb(clBtnHighlight));
  EXPECT_EQ(ScreenPixel(nav, stop.left + 1, stop.bottom - 2), Rgb(clBtnHighlight));
  EXPECT_EQ(ScreenPixel(nav, stop.right - 2, stop.bottom - 2), Rgb(clBtnShadow));
  // The bevel: black outline, then the raised ring.
  EXPECT_EQ(ScreenPixel(nav, 0, 10), clBlack);
  EXPECT_EQ(ScreenPixel(nav, 1, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(ScreenPixel(nav, 2, 10), Rgb(clBtnShadow));

  // The glyph: pixel for pixel the strip's glyph, olive left out (moved
  // by `shift` pixels right and down).
  TBitmap* strip = nav->EnabledStrip();
  ASSERT_EQ(strip->Width(), 110);  // ten glyphs of 11
  const int gw = strip->Width() / 10, gh = strip->Height();
  const int gx = stop.left + 34 / 2 - gw / 2, gy = stop.top + 14 / 2 - gh / 2;
  auto compare_glyph = [&](int shift) {
    int compared = 0;
    for (int y = 0; y < gh; ++y) {
      for (int x = 0; x < gw; ++x) {
        const TColor c = strip->Canvas()->Pixels(btStop * gw + x, y);
        if (c == VrGlyphTransparentColor) continue;
        EXPECT_EQ(ScreenPixel(nav, gx + x + shift, gy + y + shift), c) << x << "," << y << " shift " << shift;
        ++compared;
      }
    }
    return compared;
  };
  EXPECT_GT(compare_glyph(0), 4);

  // Pressed: shadow top-left, face in the bottom-left corner, glyph one
  // pixel right and down.
  const TPoint centre = Centre(nav, btStop);
  MouseDown(nav, centre.x, centre.y);
  EXPECT_EQ(ScreenPixel(nav, stop.left + 1, stop.top + 1), Rgb(clBtnShadow));
  EXPECT_EQ(ScreenPixel(nav, stop.left + 1, stop.bottom - 2), Rgb(clBtnFace));
  compare_glyph(1);
  // The focused button of the focused bar is framed in FocusColor.
  EXPECT_EQ(ScreenPixel(nav, stop.left, stop.top), clBlue);
  MouseUp(nav, centre.x, centre.y);
  EXPECT_EQ(ScreenPixel(nav, play.left, play.top), clBlack);
  EXPECT_EQ(ScreenPixel(nav, stop.left, stop.top), clBlue);
  // The numeric strips.
  nav->SetNumeric(true);
  EXPECT_EQ(nav->EnabledStrip()->Width(), 101);
  EXPECT_EQ(nav->DisabledStrip()->Height(), 10);
}

TEST_F(NavigatorTest, NoVisibleButtonAndVerticalBars) {
  TVrNavigator* nav = Bar({}, 180, 20);
  EXPECT_EQ(nav->VisibleCount(), 1);
  EXPECT_EQ(nav->ButtonWidth(), 174);
  EXPECT_EQ(ScreenPixel(nav, 3, 3), Rgb(nav->Color()));  // no frame: only the fill
  Click(nav, 50, 10);
  EXPECT_TRUE(clicks.empty());

  // Turning the bar: the cells keep their size.
  nav->SetVisibleButtons(kMainButtons);
  nav->SetEnabledButtons(kMainButtons);
  Pump();
  nav->SetOrientation(voVertical);
  Pump();
  EXPECT_EQ(nav->ButtonHeight(), 14);
  EXPECT_EQ(nav->Width(), 34 + 6);
  EXPECT_EQ(nav->Height(), 5 * 14 + 4 + 6);
  const TRect stop = nav->ButtonRect(btStop);
  EXPECT_EQ(stop.top, 3 + 2 * 15);
  Click(nav, (stop.left + stop.right) / 2, stop.top + 2);
  EXPECT_EQ(clicks, std::vector<TVrButtonType>{btStop});

  // A thicker bevel keeps the button area.
  nav->Bevel()->SetBorderWidth(2);
  Pump();
  EXPECT_EQ(nav->Width(), 34 + 10);
  EXPECT_EQ(nav->ButtonWidth(), 34);
}

TEST_F(NavigatorTest, SameSetStillRepaintsAndTheTrimComesWithLoading) {
  TVrNavigator* nav = Bar(kMainButtons, 182, 20);
  EXPECT_EQ(nav->Width(), 180);
  RECT r{};
  ASSERT_FALSE(GetUpdateRect(nav->Handle(), &r, FALSE));
  nav->SetVisibleButtons(kMainButtons);
  EXPECT_TRUE(GetUpdateRect(nav->Handle(), &r, FALSE));
  Pump();
  nav->SetSpacing(1);  // unchanged: no repaint
  EXPECT_FALSE(GetUpdateRect(nav->Handle(), &r, FALSE));
}

}  // namespace

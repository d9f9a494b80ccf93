// The Vr track bar as the main window's volume and balance knobs, and in
// the other orientation and style pairs.
#include <gtest/gtest.h>

#include "classlib/Edit.h"
#include "classlib/Screen.h"
#include "controls/VrTrackBar.h"
#include "platform/user/cursor.h"
#include "tests/controls/controls_fixture.h"

namespace {

class TrackBarTest : public velko_test::ControlsTest {
 protected:
  // A knob as the main window has it: vertical, 15 x 121, BorderWidth 2,
  // white ticks.
  TVrTrackBar* Knob(int min, int max, int position, int frequency = 10) {
    if (!form_) MakeForm(300, 200);
    auto* k = Place<TVrTrackBar>(20 + 40 * (form_->ControlCount() + 1), 20, 121, 15);
    k->SetOrientation(voVertical);  // turns it to 15 x 121
    k->SetBorderWidth(2);
    k->SetTickColor(clWhite);
    k->SetMinValue(min);
    k->SetMaxValue(max);
    k->SetPosition(position);
    k->SetFrequency(frequency);
    k->OnChange = [this](TObject*) { ++changes; };
    ShowForm();
    return k;
  }
  int changes = 0;
};

TEST_F(TrackBarTest, KnobGeometryAndWriters) {
  TVrTrackBar* volume = Knob(0, 100, 50);
  EXPECT_EQ(volume->Width(), 15);
  EXPECT_EQ(volume->Height(), 121);
  EXPECT_EQ(volume->ThumbWidth(), 17);
  EXPECT_EQ(volume->ThumbHeight(), 9);
  EXPECT_EQ(volume->TrackLength(), 108);
  EXPECT_EQ(volume->ValueToPixel(0), 110);   // the minimum at the bottom
  EXPECT_EQ(volume->ValueToPixel(100), 2);
  EXPECT_EQ(volume->ThumbRect(), Rect(-1, 56, 16, 65));
  volume->SetPosition(0);
  Pump();
  EXPECT_EQ(volume->ThumbRect().top, 110);
  EXPECT_FALSE(volume->TabStop());
  EXPECT_EQ(volume->Options(), (TVrTrackBarOptions{toActiveClick, toMouseClip, toHandPoint, toThumbOpaque}));
  // Writers clamp the position and raise OnChange only for a change.
  changes = 0;
  volume->SetPosition(150);
  EXPECT_EQ(volume->Position(), 100);
  EXPECT_EQ(changes, 1);
  volume->SetPosition(170);
  EXPECT_EQ(changes, 1);
  volume->SetMaxValue(60);
  EXPECT_EQ(volume->Position(), 60);
  EXPECT_EQ(changes, 2);
  volume->SetMinValue(-10);
  EXPECT_EQ(changes, 2);
  volume->SetMinValue(70);  // above the position, and above MaxValue: MaxValue wins
  EXPECT_EQ(volume->Position(), 60);
  EXPECT_EQ(changes, 2);
}

TEST_F(TrackBarTest, RoundTripsInEveryOrientationAndStyle) {
  MakeForm(300, 300);
  for (TVrOrientation o : {voVertical, voHorizontal}) {
    for (TVrProgressStyle s : {psBottomLeft, psTopRight}) {
      auto* bar = Place<TVrTrackBar>(10, 10, 121, 15);
      bar->SetOrientation(o);  // a vertical one turns to 15 x 121
      bar->SetBorderWidth(2);
      bar->SetStyle(s);
      bar->SetMinValue(-20);
      bar->SetMaxValue(80);
      for (int v = -20; v <= 80; ++v) {
        ASSERT_EQ(bar->StyledPixelToValue(bar->ValueToPixel(v)), v) << "orientation " << o << " style " << s;
      }
      // The minimum's end: bottom or left for psBottomLeft, top or right
      // for psTopRight.
      const int low = bar->ValueToPixel(-20), high = bar->ValueToPixel(80);
      const bool vertical = o == voVertical;
      EXPECT_EQ(low > high, (vertical && s == psBottomLeft) || (!vertical && s == psTopRight));
      delete bar;
    }
  }
}

TEST_F(TrackBarTest, BalanceTicks) {
  TVrTrackBar* balance = Knob(-100, 100, 0, 20);
  int gap = 0;
  const auto ticks = balance->TickPositions(&gap);
  ASSERT_EQ(ticks.size(), 11u);
  EXPECT_EQ(gap, 10);
  for (std::size_t i = 1; i < ticks.size(); ++i) {
    const int step = ticks[i - 1].first - ticks[i].first;  // 108 pixels over 10 steps
    EXPECT_TRUE(step == 10 || step == 11) << i << ": " << step;
  }
  EXPECT_TRUE(ticks.front().second);
  EXPECT_TRUE(ticks.back().second);
  EXPECT_FALSE(ticks[5].second);
  EXPECT_EQ(ticks.front().first, 110 + 4);
  EXPECT_EQ(ticks.back().first, 2 + 4);
  // The left scale at gutter left (3) - 5 = -2 runs outside the 15-pixel
  // knob; the right one starts at 12 + 5 = 17, beyond it too: like the
  // program's knobs, only the gutter and thumb show. On a wider bar the
  // ticks show in TickColor.
  balance->SetWidth(41);
  Pump();
  const int gutter_left = (41 - 9) / 2;
  EXPECT_EQ(ScreenPixel(balance, gutter_left - 5, 6), clWhite);
  EXPECT_EQ(ScreenPixel(balance, gutter_left - 8, 6), clWhite);  // long: 4 pixels
  EXPECT_NE(ScreenPixel(balance, gutter_left - 9, 6), clWhite);
  EXPECT_EQ(ScreenPixel(balance, gutter_left - 7, ticks[5].first), clWhite);
  EXPECT_NE(ScreenPixel(balance, gutter_left - 8, ticks[5].first), clWhite);  // short: 3
  EXPECT_EQ(ScreenPixel(balance, gutter_left + 9 + 5, 6), clWhite);
}

TEST_F(TrackBarTest, KeysInBothOrientationsAndStyles) {
  TVrTrackBar* k = Knob(0, 100, 50);
  k->SetTabStop(true);
  k->SetFocus();
  struct Case {
    TVrOrientation o;
    TVrProgressStyle s;
    UINT up_key, down_key;
  };
  for (const Case& c : {Case{voVertical, psBottomLeft, VK_UP, VK_DOWN}, Case{voVertical, psTopRight, VK_DOWN, VK_UP},
                        Case{voHorizontal, psBottomLeft, VK_RIGHT, VK_LEFT},
                        Case{voHorizontal, psTopRight, VK_LEFT, VK_RIGHT}}) {
    k->SetOrientation(c.o);
    k->SetStyle(c.s);
    k->SetPosition(50);
    Press(c.up_key);
    EXPECT_EQ(k->Position(), 60);
    Press(c.down_key);
    Press(c.down_key);
    EXPECT_EQ(k->Position(), 40);
    Press(VK_HOME);
    EXPECT_EQ(k->Position(), 100);
    Press(VK_END);
    EXPECT_EQ(k->Position(), 0);
  }
  EXPECT_EQ(k->Width(), 121);  // the orientation swapped the size back and forth
  int key_downs = 0;
  k->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++key_downs; };
  Press(VK_HOME);
  EXPECT_EQ(key_downs, 1);  // the event follows the handling
}

TEST_F(TrackBarTest, ActiveClickAndFixedPoints) {
  MakeForm(300, 100);
  auto* bar = Place<TVrTrackBar>(10, 10, 129, 45);  // track 10..119: 109 - 9 = 100 pixels
  ShowForm();
  ASSERT_EQ(bar->TrackLength(), 100);
  // A click centres the thumb on the pointer.
  Click(bar, 10 + 37 + 4, 22);
  EXPECT_EQ(bar->Position(), 37);
  bar->SetOptions(bar->Options() + TVrTrackBarOptions{toFixedPoints});
  Click(bar, 10 + 64 + 4, 22);
  EXPECT_EQ(bar->Position(), 60);  // 64 -> 6.4 -> 6 x 10
  Click(bar, 10 + 65 + 4, 22);
  EXPECT_EQ(bar->Position(), 60);  // 6.5 goes to the even 6
  Pump();
  EXPECT_EQ(bar->ThumbRect().left, 10 + 60);
  bar->SetOptions(bar->Options() - TVrTrackBarOptions{toActiveClick});
  Click(bar, 110, 22);
  EXPECT_EQ(bar->Position(), 60);
}

TEST_F(TrackBarTest, DragClipsTheCursorAndShowsThePressedThumb) {
  MakeForm(300, 200);
  auto* list = new TVrBitmapList(form_);
  // Four thumb images side by side: normal red, disabled grey, pressed
  // blue, hot lime; black is the transparent colour (bottom-left pixel
  // of a frame with a black border row).
  auto strip = std::make_unique<TBitmap>();
  strip->SetSize(40, 12);
  const TColor colours[4] = {clRed, clGray, clBlue, clLime};
  for (int i = 0; i < 4; ++i) {
    strip->Canvas()->Brush()->SetColor(colours[i]);
    strip->Canvas()->FillRect(Bounds(i * 10, 0, 10, 11));
  }
  strip->Canvas()->Brush()->SetColor(clBlack);
  strip->Canvas()->FillRect(Rect(0, 11, 40, 12));
  list->Bitmaps()->Add(strip.get());
  auto* bar = Place<TVrTrackBar>(10, 10, 129, 45);
  bar->SetBitmapList(list);
  bar->SetThumbImageIndex(0);
  bar->SetThumbStates(4);
  bar->SetPosition(50);
  ShowForm();
  EXPECT_EQ(bar->ThumbWidth(), 10);
  TRect t = bar->ThumbRect();
  EXPECT_EQ(ScreenPixel(bar, t.left + 5, t.top + 5), clRed);

  MoveMouse(bar, t.left + 5, t.top + 5);
  EXPECT_TRUE(bar->Hot());
  EXPECT_EQ(ScreenPixel(bar, t.left + 5, t.top + 5), clLime);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crVrHandPoint));
  EXPECT_NE(Screen->Cursors(crVrHandPoint), Screen->Cursors(crDefault));  // the pack's own cursor

  MouseDown(bar, t.left + 5, t.top + 5);
  EXPECT_TRUE(bar->Dragging());
  EXPECT_TRUE(bar->Clipping());
  EXPECT_EQ(ScreenPixel(bar, t.left + 5, t.top + 5), clBlue);
  RECT clip{};
  GetClipCursor(&clip);
  const TPoint origin = bar->ClientToScreen(Point(0, 0));
  EXPECT_EQ(clip, Rect(origin.x, origin.y, origin.x + 129, origin.y + 45));
  MoveMouse(bar, t.left + 5 + 20, t.top + 5);
  EXPECT_EQ(bar->Position(), bar->StyledPixelToValue(t.left + 20));
  EXPECT_GT(bar->Position(), 65);
  MouseUp(bar, t.left + 5 + 20, t.top + 5);
  EXPECT_FALSE(bar->Dragging());
  EXPECT_FALSE(bar->Clipping());
  GetClipCursor(&clip);
  EXPECT_NE(clip, Rect(origin.x, origin.y, origin.x + 129, origin.y + 45));

  // A drag cut short by disabling releases the cursor, and the thumb
  // shows its disabled image.
  t = bar->ThumbRect();
  MouseDown(bar, t.left + 5, t.top + 5);
  EXPECT_TRUE(bar->Clipping());
  bar->SetEnabled(false);
  EXPECT_FALSE(bar->Clipping());
  MoveMouse(form_, 250, 150);
  EXPECT_EQ(ScreenPixel(bar, t.left + 5, t.top + 5), clGray);
  platform::ResetInput();
  // So does one cut short by the focus going elsewhere.
  bar->SetEnabled(true);
  bar->SetTabStop(true);
  auto* edit = Place<TEdit>(200, 100, 60, 20);
  t = bar->ThumbRect();
  MouseDown(bar, t.left + 5, t.top + 5);
  EXPECT_TRUE(bar->Clipping());
  edit->SetFocus();
  Pump();
  EXPECT_FALSE(bar->Clipping());
  platform::ResetInput();

  // Removing the list drops the reference and brings the built-in thumb.
  delete list;
  EXPECT_EQ(bar->BitmapList(), nullptr);
  EXPECT_EQ(bar->ThumbHeight(), 17);
}

TEST_F(TrackBarTest, DegenerateRangesPutTheThumbAtTheOrigin) {
  TVrTrackBar* k = Knob(5, 5, 5);
  EXPECT_EQ(k->ValueToPixel(5), 2);
  EXPECT_TRUE(k->TickPositions().empty());
  k->SetMaxValue(100);
  k->SetFrequency(0);
  EXPECT_TRUE(k->TickPositions().empty());
  k->SetHeight(8);  // a track shorter than the thumb
  EXPECT_LE(k->TrackLength(), 0);
  EXPECT_EQ(k->ValueToPixel(50), 2);
  EXPECT_EQ(k->PixelToValue(7), 5);
  Pump();
}

// The Vr control base: repaint requests held by updates and loading, and
// the four event slots.
TEST_F(TrackBarTest, UpdateRulesAndEventSlots) {
  TVrTrackBar* k = Knob(0, 100, 50);
  RECT r{};
  ASSERT_FALSE(GetUpdateRect(k->Handle(), &r, FALSE));
  k->BeginUpdate();
  k->SetPosition(20);
  EXPECT_FALSE(GetUpdateRect(k->Handle(), &r, FALSE));  // held
  k->EndUpdate();
  EXPECT_TRUE(GetUpdateRect(k->Handle(), &r, FALSE));
  Pump();
  EXPECT_EQ(k->Version, "3.72");

  std::vector<std::string> events;
  k->OnMouseEnter = [&](TObject*) { events.push_back("enter"); };
  k->OnMouseLeave = [&](TObject*) { events.push_back("leave"); };
  k->OnFontChanged = [&](TObject*) { events.push_back("font"); };
  k->OnTextChanged = [&](TObject*) { events.push_back("text"); };
  MoveMouse(k, 7, 30);
  MoveMouse(form_, 250, 150);
  k->Font()->SetSize(12);
  k->SetCaption("knob");
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave", "font", "text"}));
}

}  // namespace

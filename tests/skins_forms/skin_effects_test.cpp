#include <gtest/gtest.h>

#include "platform/gdi/system_metrics.h"
#include "skins/SkinEngine.h"
#include "tests/skins_forms/skin_form_fixture.h"

namespace {

using velko_test::RGBc;

class SkinEffectsTest : public velko_test::SkinFormTest {
 protected:
  // The left edge: 4 x 126 of (0, 0, 128) below the caption. Effects draw
  // straight onto the window.
  TscSkinObject* LeftEdge() {
    TscSkinObject* o = engine->SkinSource()->FormObject()->Child(2);
    EXPECT_EQ(o->Kind, skLeft);
    return o;
  }
  void Run(TscSkinObject* o, const String& script) {
    TStringList l;
    l.SetText(script);
    o->RunScript(&l);
  }
  // Steps the object until its script has ended (bounded).
  void Finish(TscSkinObject* o) {
    for (int i = 0; i < 1000 && (o->Busy || o->EffectRunning); ++i) o->Step();
  }
};

TEST_F(SkinEffectsTest, ChangeColorShowsAtOnceAndEndsTwoStepsLater) {
  ShowSkinned();
  TscSkinObject* edge = LeftEdge();
  Run(edge, "changecolor 255,0,0");
  EXPECT_TRUE(edge->EffectRunning);
  edge->Step();
  EXPECT_EQ(WindowPixel(2, 60), RGBc(255, 0, 0));  // the first frame
  EXPECT_EQ(edge->Color, RGBc(0, 0, 128));
  edge->Step();
  EXPECT_FALSE(edge->Busy);
  EXPECT_EQ(edge->Color, RGBc(255, 0, 0));
}

TEST_F(SkinEffectsTest, FadeFrameMidwayBetweenTheColours) {
  ShowSkinned();
  TscSkinObject* edge = LeftEdge();
  // From (0, 0, 128) to (200, 100, 28) over 200 ms: each step adds 20 ms
  // (the manual clock measures no drawing time).
  Run(edge, "fadecolor 200,100,28,200");
  for (int i = 0; i < 6; ++i) edge->Step();
  // Time 100 of 200 was drawn last: alpha 0.5.
  EXPECT_EQ(edge->PrevTime, 100);
  EXPECT_EQ(WindowPixel(2, 60), RGBc(100, 50, 78));
  Finish(edge);
  EXPECT_EQ(edge->Color, RGBc(200, 100, 28));
}

TEST_F(SkinEffectsTest, PlayThenClose) {
  ShowSkinned();
  TscSkinObject* f = engine->SkinSource()->FormObject();
  Run(f, "play CLICK\nclose");
  Finish(f);
  Pump();
  EXPECT_EQ(sound->Plays().size(), 1u);
  EXPECT_FALSE(form->Visible());
}

TEST_F(SkinEffectsTest, MaxRestoresAMaximizedFormAndDoesNothingRolledUp) {
  ShowSkinned();
  TscSkinObject* f = engine->SkinSource()->FormObject();
  Run(f, "max");
  Finish(f);
  Pump();
  EXPECT_TRUE(IsZoomed(form->Handle()));
  EXPECT_TRUE(engine->IsMaximized());
  RECT work{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(form->Width(), work.right - work.left);
  Run(f, "max");
  Finish(f);
  Pump();
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_FALSE(engine->IsMaximized());
  PostMessage(form->Handle(), SCM_ROLLUP, 0, 0);
  Pump();
  Run(f, "max");
  Finish(f);
  Pump();
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_EQ(form->Height(), 24);
}

TEST_F(SkinEffectsTest, ABadLineShowsOneBoxAndTheScriptGoesOn) {
  ShowSkinned();
  TscSkinObject* edge = LeftEdge();
  Run(edge, "fadecolor x,0,0,100\nnosuchcommand\nchangecolor 1,2,3");
  Finish(edge);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Object LeftEdge: error in line \"fadecolor x,0,0,100\"");
  EXPECT_EQ(edge->Color, RGBc(1, 2, 3));
}

TEST_F(SkinEffectsTest, AnActionMayLoadAnotherSkinAtOnceWhileWaitingOrCutShort) {
  ShowSkinned();
  std::vector<int> actions;
  engine->OnCustomAction = [&](TObject*, int n) {
    actions.push_back(n);
    engine->SetSkinFile("S:\\TestSkin.qzp");  // frees the object running the script
  };
  // At once, with a line after it.
  TscSkinObject* f = engine->SkinSource()->FormObject();
  Run(f, "action 7\nchangecolor 1,1,1");
  ASSERT_TRUE(engine->HasSkin());
  EXPECT_NE(engine->SkinSource()->FormObject(), f);
  // A click waits for the click script's effect, which steps into the
  // action line.
  TscSkinObject* close = engine->SkinSource()->FormObject()->ObjectAtPoint(POINT{188, 10});
  ASSERT_NE(close, nullptr);
  close->ClickEvent.SetText("changecolor 1,2,3\naction 1");
  ClickAt(188, 10);
  // A running effect cut short by a new script ends with the action line.
  f = engine->SkinSource()->FormObject();
  Run(f, "fadecolor 1,1,1,100\naction 2");
  Run(f, "changecolor 2,2,2");
  EXPECT_EQ(actions, (std::vector<int>{7, 1, 2}));
  ASSERT_TRUE(engine->HasSkin());
  Advance(50);  // the engine's timer steps what exists
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->ClientWidth(), 192);
  EXPECT_EQ(HitAt(50, 10), HTCAPTION);
}

}  // namespace

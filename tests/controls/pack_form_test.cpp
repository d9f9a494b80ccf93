// The controls together on one form, used by mouse and keys as a person
// would on the headless display; the screen is kept under the build folder
// as build*/tests/screenshots/control_pack.png.
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Application.h"
#include "platform/display/display.h"
#include "tests/controls/controls_fixture.h"
#include "tests/controls/pack_form.h"

namespace velko_test {
namespace {

class PackFormTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TPackForm(nullptr);
    form->SetLeft(200);
    form->SetTop(200);
    form->Show();
    Pump();
  }
  void TearDown() override {
    delete form;
    ControlsTest::TearDown();
  }
  TPackForm* form = nullptr;
};

TEST_F(PackFormTest, UsedByMouseAndKeys) {
  std::vector<TVrButtonType> pressed;
  form->Navigator->OnButtonClick = [&](TObject*, TVrButtonType b) { pressed.push_back(b); };
  int volume_changes = 0;
  form->VolumeKnob->OnChange = [&](TObject*) { ++volume_changes; };

  // The button bar: a click on play, then Space on the next one.
  const TRect play = form->Navigator->ButtonRect(btPlay);
  Click(form->Navigator, play.left + 5, play.top + 5);
  Press(VK_RIGHT);
  Press(VK_SPACE);
  EXPECT_EQ(pressed, (std::vector<TVrButtonType>{btPlay, btPause}));

  // The volume knob: a click near its top turns it up.
  Click(form->VolumeKnob, 7, 8);
  EXPECT_GT(form->VolumeKnob->Position(), 90);
  EXPECT_EQ(volume_changes, 1);

  // An equaliser slider by keys, the position bar by a click beside the
  // thumb (one step, then the repeat stops at the button's release).
  form->Eq[3]->SetFocus();
  Press(VK_UP);
  EXPECT_EQ(form->Eq[3]->Value(), 20);
  Click(form->PosSlider, 250, 10);
  EXPECT_EQ(form->PosSlider->Value(), 10);

  // Resting on the bar shows its hint in the shaped window.
  MoveMouse(form->Navigator, 90, 10);
  Advance(600);
  auto* window = dynamic_cast<TKavoShapeHintWindow*>(Application->HintWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));
  EXPECT_EQ(window->Caption(), "Play");

  std::filesystem::create_directories("screenshots");
  EXPECT_TRUE(platform::SaveScreenshot("screenshots/control_pack.png"));
}

}  // namespace
}  // namespace velko_test

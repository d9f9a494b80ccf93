// The form with every standard control on the headless display; the
// composed screen is kept as screenshots/all_controls_headless.png beside
// the tests.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "tests/classlib/forms/all_controls_form.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

using AllControlsTest = FormsTest;

TEST_F(AllControlsTest, EveryControlShowsOnTheHeadlessDisplay) {
  TAllControlsForm* form = nullptr;
  Application->CreateForm(form);
  form->Show();
  Pump();
  // Aligned panels fill the top and bottom of the client area.
  EXPECT_EQ(form->TopPanel->BoundsRect(), Rect(0, 0, 600, 36));
  EXPECT_EQ(form->BottomPanel->BoundsRect(), Rect(0, 420 - 24, 600, 420));
  auto screen = platform::ComposeScreen();
  std::filesystem::create_directories("screenshots");
  EXPECT_TRUE(platform::SaveScreenshot("screenshots/all_controls_headless.png"));
  auto at = [&](TControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(Point(x, y));
    return screen->Pixel(p.x, p.y);
  };
  EXPECT_EQ(at(form->Shape, 30, 20), RGB(255, 255, 0));
  EXPECT_EQ(at(form->PaintBox, 50, 5), RGB(0, 128, 0));
  EXPECT_EQ(at(form->Picture, 2, 2), RGB(0, 0, 128));
  EXPECT_EQ(at(form->Picture, 45, 40), RGB(0, 255, 255));
  EXPECT_EQ(at(form->BottomPanel, 300, 12), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(at(form->BottomPanel, 0, 0), GetSysColor(COLOR_BTNSHADOW));  // lowered
  EXPECT_EQ(at(form->TopPanel, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));  // raised
  // The menu's shortcut works from anywhere on the form.
  int quits = 0;
  form->MainMenu->Items()->Items(0)->Items(0)->OnClick = [&](TObject*) { ++quits; };
  platform::InjectKey(VK_CONTROL, true);
  Press('Q');
  platform::InjectKey(VK_CONTROL, false);
  Pump();
  EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace velko_test

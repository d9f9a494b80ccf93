// The form with every standard control on the headless display; the
// composed screen is kept as build*/screenshots/all_controls_headless.png.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/user/menu.h"
#include "tests/classlib/forms/all_controls_form.h"
#include "tests/classlib/forms/forms_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

using AllControlsTest = FormsTest;

TEST_F(AllControlsTest, EveryControlShowsOnTheHeadlessDisplay) {
  auto* form = ShowNewForm<TAllControlsForm>();
  // Aligned panels fill the top and bottom of the client area.
  EXPECT_EQ(form->TopPanel->BoundsRect(), Rect(0, 0, 760, 36));
  EXPECT_EQ(form->BottomPanel->BoundsRect(), Rect(0, 520 - 24, 760, 520));
  auto screen = platform::ComposeScreen();
  EXPECT_TRUE(platform::SaveScreenshot(velko_test::ScreenshotPath("all_controls_headless.png")));
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
  EXPECT_EQ(at(form->Progress, 4, 8), GetSysColor(COLOR_HIGHLIGHT));
  const TRect chosen = form->Songs->ItemRect(1);
  EXPECT_EQ(at(form->Songs, chosen.left + 100, chosen.top + 2), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(at(form->NameEdit, 150, 10), GetSysColor(COLOR_WINDOW));
  // The list view keeps its rows sorted; the chosen row shows (in the
  // face colour while the list has no focus).
  EXPECT_EQ(form->Songs2->Items()->Item(0)->Caption(), "Blue.mp3");
  EXPECT_EQ(form->Songs2->Selected()->Caption(), "Green.ogg");
  const TRect row = form->Songs2->Selected()->DisplayRect(drBounds);
  EXPECT_EQ(at(form->Songs2, row.left + 60, row.top + 2), GetSysColor(COLOR_BTNFACE));
  // The menu bar is there. (How each control answers the mouse and keys
  // is the business of its own tests.)
  EXPECT_EQ(GetMenu(form->Handle()), form->MainMenu->Handle());
  // A page whose only child is windowless (a label) paints as a plain
  // windowed control.
  form->Pages->SetActivePage(form->OtherPage);
  Pump();
  EXPECT_TRUE(form->OtherPage->Showing());
  EXPECT_FALSE(IsWindowVisible(form->FileList->Handle()));
}

}  // namespace
}  // namespace velko_test

// A form built in code with every standard control, shown through the SDL2
// display on an X server of the test's own, read back from the X server
// and clicked through the X test extension. The composed screen is kept as
// build*/screenshots/all_controls_sdl.png.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "tests/classlib/forms/all_controls_form.h"
#include "tests/support/x_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/message_pump.h"

namespace velko_test {
namespace {

// Runs the application's loop until `done` or `seconds` have passed.
bool PumpUntil(const std::function<bool()>& done, double seconds = 20) {
  return PumpMessagesUntil(done, seconds, [] { Application->ProcessMessages(); });
}

TEST(FormsOnSdlTest, AFormWithEveryControlShowsUnderSdl2AndAnswersAClick) {
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  delete Application;
  Application = new TApplication(nullptr);
  Application->SetTitle("Velko");

  TAllControlsForm* form = nullptr;
  Application->CreateForm(form);
  int clicks = 0;
  form->PlayButton->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  EXPECT_EQ(form->Left(), (800 - form->Width()) / 2);

  // The form reaches the X server: the shape's fill, the paint box and the
  // bottom panel's face.
  const TPoint shape = form->Shape->ClientToScreen(Point(30, 20));
  const TPoint paint = form->PaintBox->ClientToScreen(Point(50, 5));
  const TPoint panel = form->BottomPanel->ClientToScreen(Point(300, 12));
  EXPECT_TRUE(PumpUntil([&] {
    return x.Pixel(shape.x, shape.y) == RGB(255, 255, 0) && x.Pixel(paint.x, paint.y) == RGB(0, 128, 0) &&
           x.Pixel(panel.x, panel.y) == GetSysColor(COLOR_BTNFACE);
  })) << "shape " << std::hex << x.Pixel(shape.x, shape.y) << " paint box " << x.Pixel(paint.x, paint.y);

  // A click on the X server presses the speed button.
  const TPoint play = form->PlayButton->ClientToScreen(Point(14, 14));
  PumpUntil([] { return false; }, 0.3);
  x.Click(play.x, play.y);
  EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));

  EXPECT_TRUE(platform::SaveScreenshot(velko_test::ScreenshotPath("all_controls_sdl.png")));

  delete Application;
  Application = new TApplication(nullptr);
  platform::UseHeadlessDisplay();
  EXPECT_EQ(platform::CurrentDisplay(), platform::DisplayKind::kHeadless);
}

}  // namespace
}  // namespace velko_test

// The control pack's form shown through the SDL2 display on an X server
// of the test's own, read back from the X server and used through the X
// test extension. The screen is kept under the build folder as
// build*/tests/screenshots/control_pack_sdl.png.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "classlib/Application.h"
#include "classlib/Resources.h"
#include "controls/ControlPack.h"
#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "tests/controls/pack_form.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace velko_test {
namespace {

bool PumpUntil(const std::function<bool()>& done, double seconds = 20) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (std::chrono::steady_clock::now() < give_up) {
    Application->ProcessMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(PackFormOnSdlTest, ShowsUnderSdl2AndAnswersMouseAndKeys) {
  KeepXLibrariesLoaded();
  ASSERT_GT(RegisterResourceFolder((ProgramFolder() / "Resources").string()), 0);
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  delete Application;
  Application = new TApplication(nullptr);
  ResetControlPack();

  TPackForm* form = nullptr;
  Application->CreateForm(form);
  form->SetLeft(100);
  form->SetTop(100);
  std::vector<TVrButtonType> pressed;
  form->Navigator->OnButtonClick = [&](TObject*, TVrButtonType b) { pressed.push_back(b); };
  form->Show();

  // The knobs' black gutters and the bar's black outline reach the X
  // server.
  const TPoint gutter = form->VolumeKnob->ClientToScreen(Point(7, 100));
  const TPoint outline = form->Navigator->ClientToScreen(Point(0, 10));
  EXPECT_TRUE(PumpUntil([&] { return x.Pixel(gutter.x, gutter.y) == RGB(0, 0, 0) && x.Pixel(outline.x, outline.y) == RGB(0, 0, 0); }))
      << std::hex << x.Pixel(gutter.x, gutter.y) << " " << x.Pixel(outline.x, outline.y);

  // A click on the stop button, then the right arrow and Space.
  const TRect stop = form->Navigator->ButtonRect(btStop);
  const TPoint at = form->Navigator->ClientToScreen(Point(stop.left + 10, stop.top + 6));
  PumpUntil([] { return false; }, 0.3);
  x.Click(at.x, at.y);
  EXPECT_TRUE(PumpUntil([&] { return pressed.size() == 1; }));
  x.Key(XK_Right);
  x.Key(XK_space);
  EXPECT_TRUE(PumpUntil([&] { return pressed.size() == 2; }));
  EXPECT_EQ(pressed, (std::vector<TVrButtonType>{btStop, btPrev}));

  std::filesystem::create_directories("screenshots");
  EXPECT_TRUE(platform::SaveScreenshot("screenshots/control_pack_sdl.png"));

  delete Application;
  Application = new TApplication(nullptr);
  ResetControlPack();
  HintWindowClass = HintWindowClassOf<THintWindow>();
  platform::UseHeadlessDisplay();
}

}  // namespace
}  // namespace velko_test

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

// The shaped hint's window is cut to its balloon by the X shape
// extension: beside the balloon the X screen shows what lies beneath.
TEST(PackFormOnSdlTest, TheShapedHintShowsNothingButItsBalloon) {
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
  form->SetBounds(100, 100, 500, 300);
  form->SetColor(clGreen);
  form->Show();
  const TPoint mouse = form->ClientToScreen(Point(250, 240));
  // The form's own colour where the hint will stand (above right of the
  // mouse).
  ASSERT_TRUE(PumpUntil([&] { return x.Pixel(mouse.x + 4, mouse.y - 10) == RGB(0, 128, 0); }));

  auto* shaped = new TKavoShapeHintWindow(Application);
  shaped->ActivateHint(Rect(mouse.x, mouse.y, -1, -1), "A hint of two lines:\r\nthe second one");
  ASSERT_TRUE(shaped->Shaped());
  ASSERT_EQ(shaped->ShownPosition(), hpAboveRight);
  // The nose's side of the window: left of the body, above the nose.
  const TPoint outside = Point(shaped->Left() + 3, shaped->Top() + 3);
  // Inside the body, right of the short second line.
  const TPoint inside = Point(shaped->Left() + shaped->Width() - 6 - 10, shaped->Top() + shaped->Height() - 6 - 15 - 3);
  EXPECT_TRUE(PumpUntil([&] { return x.Pixel(inside.x, inside.y) == RGB(255, 255, 225); }))
      << std::hex << x.Pixel(inside.x, inside.y) << " " << std::dec << shaped->Left() << "," << shaped->Top() << " "
      << shaped->Width() << "x" << shaped->Height();
  EXPECT_EQ(x.Pixel(outside.x, outside.y), RGB(0, 128, 0)) << std::hex << x.Pixel(outside.x, outside.y);
  // Below the body, beside the nose's tip.
  const TPoint below = Point(shaped->Left() + shaped->Width() - 4, shaped->Top() + shaped->Height() - 3);
  EXPECT_EQ(x.Pixel(below.x, below.y), RGB(0, 128, 0)) << std::hex << x.Pixel(below.x, below.y);
  // Shown again elsewhere, with another text.
  shaped->ReleaseHandle();
  const TPoint mouse2 = form->ClientToScreen(Point(150, 200));
  shaped->ActivateHint(Rect(mouse2.x, mouse2.y, -1, -1), "Another hint");
  const TPoint outside2 = Point(shaped->Left() + 3, shaped->Top() + 3);
  const TPoint inside2 = Point(shaped->Left() + 20, shaped->Top() + 2 + shaped->Height() - 6 - 15 - 6);
  EXPECT_TRUE(PumpUntil([&] { return x.Pixel(inside2.x, inside2.y) == RGB(255, 255, 225); }))
      << std::hex << x.Pixel(inside2.x, inside2.y);
  EXPECT_EQ(x.Pixel(outside2.x, outside2.y), RGB(0, 128, 0)) << std::hex << x.Pixel(outside2.x, outside2.y);
  std::filesystem::create_directories("screenshots");
  EXPECT_TRUE(platform::SaveScreenshot("screenshots/shaped_hint_sdl.png"));
  delete shaped;

  delete Application;
  Application = new TApplication(nullptr);
  ResetControlPack();
  HintWindowClass = HintWindowClassOf<THintWindow>();
  platform::UseHeadlessDisplay();
}

}  // namespace
}  // namespace velko_test

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
#include "platform/gdi/surface.h"
#include "platform/user/painting.h"
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

// Each case runs on an X server of its own through the SDL2 display, with a
// fresh application and control pack, and leaves the headless display and
// the plain hint window behind it.
class PackFormOnSdlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KeepXLibrariesLoaded();
    ASSERT_GT(RegisterResourceFolder((ProgramFolder() / "Resources").string()), 0);
    ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
    ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
    delete Application;
    Application = new TApplication(nullptr);
    ResetControlPack();
  }

  void TearDown() override {
    delete Application;
    Application = new TApplication(nullptr);
    ResetControlPack();
    HintWindowClass = HintWindowClassOf<THintWindow>();
    platform::UseHeadlessDisplay();
  }

  XServer x;
};

TEST_F(PackFormOnSdlTest, ShowsUnderSdl2AndAnswersMouseAndKeys) {
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
}

// The shaped hint's window is cut to its balloon by the X shape
// extension: beside the balloon the X screen shows what lies beneath.
TEST_F(PackFormOnSdlTest, TheShapedHintShowsNothingButItsBalloon) {
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
}

// Pixels of `screen` in `area` that are exactly `color`.
int CountPixels(const platform::Surface& screen, const TRect& area, COLORREF color) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += screen.Pixel(x, y) == color ? 1 : 0;
  return count;
}

// Beside its balloon the shaped hint leaves the screen beneath also for a
// reader of the X screen that takes each window through its own colormap
// (xwd): SDL's windows have colormaps of their own, and there the outside
// of the shape came out as a black rectangle. The balloon holds the whole
// of its text, the last line included. The screen as xwd read it is kept
// as build*/tests/screenshots/shaped_hint_xwd.png.
TEST_F(PackFormOnSdlTest, BesideItsBalloonTheHintLeavesTheScreenAsXwdReadsIt) {
  TPackForm* form = nullptr;
  Application->CreateForm(form);
  form->SetBounds(100, 80, 600, 480);
  form->SetColor(clGreen);
  form->Show();
  const COLORREF beneath = RGB(0, 128, 0);
  // Below the form's controls: the hint stands over the bare form.
  const TPoint mouse = form->ClientToScreen(Point(20, 420));
  ASSERT_TRUE(PumpUntil([&] { return x.Pixel(mouse.x + 4, mouse.y - 10) == beneath; }));
  // Blue text, told apart from the black outline.
  ASSERT_NE(ActiveShapeHint, nullptr);
  ActiveShapeHint->Font()->SetColor(clBlue);
  const String text = "Three lines of hint:\r\nthe second one\r\nand the last, hanging deep: gjpqy";

  auto* shaped = new TKavoShapeHintWindow(Application);
  shaped->ActivateHint(Rect(mouse.x, mouse.y, -1, -1), text);
  ASSERT_TRUE(shaped->Shaped());
  const TRect bounds = Bounds(shaped->Left(), shaped->Top(), shaped->Width(), shaped->Height());
  const COLORREF balloon = ColorToRGB(ActiveShapeHint->Color);
  const TPoint inside = Point(bounds.left + 25, bounds.top + 3);
  ASSERT_TRUE(PumpUntil([&] { return x.Pixel(inside.x, inside.y) == balloon; }))
      << std::hex << x.Pixel(inside.x, inside.y);
  PumpUntil([] { return false; }, 0.3);
  const std::shared_ptr<platform::Surface> screen = x.ScreenAsXwdReadsIt();
  ASSERT_TRUE(screen) << "xwd did not read the screen (scripts/deps installs it)";
  EXPECT_TRUE(platform::SavePng(*screen, "screenshots/shaped_hint_xwd.png"));

  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(shaped->Handle(), shape), ERROR);
  int outside = 0, wrong_in_dump = 0, wrong_on_root = 0;
  for (int y = 0; y < bounds.bottom - bounds.top; ++y) {
    for (int dx = 0; dx < bounds.right - bounds.left; ++dx) {
      if (PtInRegion(shape, dx, y)) continue;
      ++outside;
      wrong_in_dump += screen->Pixel(bounds.left + dx, bounds.top + y) != beneath ? 1 : 0;
      wrong_on_root += x.Pixel(bounds.left + dx, bounds.top + y) != beneath ? 1 : 0;
    }
  }
  DeleteObject(shape);
  EXPECT_GT(outside, 1000);
  EXPECT_EQ(wrong_in_dump, 0) << "of " << outside << " pixels beside the balloon";
  EXPECT_EQ(wrong_on_root, 0) << "of " << outside << " pixels beside the balloon";

  // The text drawn alone in the hint's font and colours: every one of its
  // blue pixels shows in the balloon.
  TRect measured = Rect(0, 0, Screen->Width(), 0);
  MeasureText(text, ActiveShapeHint->Font3D(), measured, DT_WORDBREAK | DT_NOPREFIX, ActiveShapeHint->Font());
  TBitmap alone;
  alone.SetPixelFormat(pf32bit);
  alone.SetSize(measured.right + 4, measured.bottom + 4);
  alone.Canvas()->Brush()->SetColor(ActiveShapeHint->Color);
  alone.Canvas()->FillRect(Rect(0, 0, alone.Width(), alone.Height()));
  alone.Canvas()->SetFont(ActiveShapeHint->Font());
  Draw3DText(alone.Canvas(), text, ActiveShapeHint->Font3D(), TRect{}, {}, KavoHintTextFormat, measured);
  int blue_alone = 0;
  for (int y = 0; y < alone.Height(); ++y)
    for (int dx = 0; dx < alone.Width(); ++dx) blue_alone += alone.Canvas()->Pixels(dx, y) == clBlue ? 1 : 0;
  ASSERT_GT(blue_alone, 200);
  EXPECT_EQ(CountPixels(*screen, bounds, RGB(0, 0, 255)), blue_alone);
  delete shaped;
}

}  // namespace
}  // namespace velko_test

// The skinned form shown through the SDL2 display on an X server of the
// test's own, above an X window of another client.
#include <gtest/gtest.h>

#include <functional>

#include "classlib/Application.h"
#include "classlib/Resources.h"
#include "platform/display/display.h"
#include "platform/fs/drives.h"
#include "platform/gdi/gdi.h"
#include "skins/SkinEngine.h"
#include "tests/skins_display/other_client.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace velko_test {
namespace {

bool PumpUntil(const std::function<bool()>& done, double seconds = 20) {
  return PumpMessagesUntil(done, seconds, [] { Application->ProcessMessages(); });
}

TEST(SkinFormOnSdlTest, CutCornersShowAndPassToTheWindowBeneath) {
  KeepXLibrariesLoaded();
  ASSERT_GT(RegisterResourceFolder((ProgramFolder() / "Resources").string()), 0);
  platform::MapDrive('S', VELKO_TEST_SKINS_DIR, DRIVE_FIXED, "SKINS");
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  delete Application;
  Application = new TApplication(nullptr);

  // Another program's green window where the form's top-left corner goes.
  auto other = OtherClient::Open(60, 60, 80, 80, 0x00FF00);
  ASSERT_NE(other, nullptr);

  auto* form = new TForm(nullptr);
  form->SetBounds(100, 100, 200, 150);
  form->SetCaption("Skinned on X");
  auto* engine = new TscSkinEngine(form);
  engine->SetSkinFolder("S:\\TestSkin\\");
  ASSERT_TRUE(engine->HasSkin());
  form->Show();

  // The frame reaches the X screen; its masked corner pixels show the
  // green window beneath, not black.
  EXPECT_TRUE(PumpUntil([&] { return x.Pixel(102, 100) == RGB(0, 0, 128); }))
      << std::hex << x.Pixel(102, 100);
  EXPECT_EQ(x.Pixel(100, 100), RGB(0, 255, 0));
  EXPECT_EQ(x.Pixel(101, 100), RGB(0, 255, 0));
  EXPECT_EQ(x.Pixel(100, 101), RGB(0, 255, 0));
  EXPECT_EQ(x.Pixel(101, 101), RGB(0, 0, 128));

  // A click on a cut corner goes to the window beneath.
  x.Click(100, 100);
  EXPECT_TRUE(PumpUntil([&] { return other->Presses() == 1; }, 5));

  // The form is active; focus going to the other program deactivates it.
  EXPECT_TRUE(PumpUntil([&] { return engine->Active; }, 5));
  other->TakeFocus();
  EXPECT_TRUE(PumpUntil([&] { return !engine->Active; }, 5));

  delete form;
  Application->ProcessMessages();
  FreeHookList();
  other.reset();
  delete Application;
  Application = new TApplication(nullptr);
  platform::UseHeadlessDisplay();
  platform::UnmapDrive('S');
}

}  // namespace
}  // namespace velko_test

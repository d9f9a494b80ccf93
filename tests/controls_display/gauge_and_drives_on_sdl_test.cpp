// The gauge, the drive box and the volume controller on a form shown
// through the SDL2 display on an X server of the test's own: the gauge's
// blocks reach the X screen, the drive box drops its list on a click and
// takes an entry by a click and by a key. The mixer is the recording one.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "classlib/Application.h"
#include "classlib/Forms.h"
#include "classlib/Resources.h"
#include "controls/ControlPack.h"
#include "controls/GProgress.h"
#include "controls/KavoDriveComboBox.h"
#include "controls/SSVolumeController.h"
#include "platform/core/modules.h"
#include "platform/display/display.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/gdi/gdi.h"
#include "platform/mm/mixer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

namespace velko_test {
namespace {

bool WaitFor(const std::function<bool()>& done, double seconds = 20) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (std::chrono::steady_clock::now() < give_up) {
    Application->ProcessMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(GaugeAndDrivesOnSdlTest, UsedByMouseAndKeys) {
  KeepXLibrariesLoaded();
  ASSERT_GT(RegisterResourceFolder((ProgramFolder() / "Resources").string()), 0);
  TempDir drives;
  const std::filesystem::path cwd = std::filesystem::current_path();
  platform::SetProgramPath((ProgramFolder() / "velko").string());
  platform::ResetDriveTable();
  for (char c = 'A'; c <= 'Z'; ++c) platform::UnmapDrive(c);
  for (const char* d : {"a", "c", "d"}) std::filesystem::create_directories(drives / d);
  platform::MapDrive('A', (drives / "a").string(), DRIVE_REMOVABLE);
  platform::MapDrive('C', (drives / "c").string(), DRIVE_FIXED, "SYSTEM");
  platform::MapDrive('D', (drives / "d").string(), DRIVE_CDROM, "MUSIC");
  ASSERT_TRUE(SetCurrentDirectory("C:\\"));
  auto mixer = platform::SelectRecordingMixer();

  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  delete Application;
  Application = new TApplication(nullptr);
  ResetControlPack();
  {
    auto* form = new TForm(Application);
    form->SetBounds(100, 100, 400, 200);
    auto* gauge = new TGProgress(form);
    gauge->SetParent(form);
    gauge->SetBounds(10, 10, 280, 8);
    gauge->SetColor(clRed);
    gauge->SetColorEnd(clLime);
    gauge->SetBackgroundColor(clBlack);
    gauge->SetFrameColor1(clBlack);
    gauge->SetFrameColor2(clBlack);
    auto* combo = new TKavoDriveComboBox(form);
    combo->SetParent(form);
    combo->SetBounds(10, 40, 160, 19);
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    auto* volume = new TssVolumeController(form);
    volume->SetVolume(100);
    volume->SetBalance(-1);
    EXPECT_EQ(mixer->right, 64879u);
    form->Show();
    gauge->SetPosition(100);

    const TPoint block = gauge->ClientToScreen(Point(3, 4));
    const TPoint end = gauge->ClientToScreen(Point(275, 4));
    EXPECT_TRUE(WaitFor([&] { return x.Pixel(block.x, block.y) == RGB(255, 0, 0) && x.Pixel(end.x, end.y) == RGB(0, 255, 0); }))
        << std::hex << x.Pixel(block.x, block.y) << " " << x.Pixel(end.x, end.y);

    // Down takes the next drive; then a click on the box's button drops
    // the list and a click on the first entry chooses drive A.
    EXPECT_EQ(combo->Drive(), 'c');
    WaitFor([] { return false; }, 0.3);
    combo->SetFocus();
    x.Key(XK_Down);
    EXPECT_TRUE(WaitFor([&] { return combo->Drive() == 'd'; })) << combo->Drive();
    const TPoint button = combo->ClientToScreen(Point(combo->Width() - 6, combo->Height() / 2));
    x.Click(button.x, button.y);
    ASSERT_TRUE(WaitFor([&] { return combo->DroppedDown(); }));
    const int h = combo->ItemHeight();
    const TPoint first = combo->ClientToScreen(Point(20, combo->Height() + h / 2));
    x.MovePointer(first.x, first.y);
    WaitFor([] { return false; }, 0.2);
    x.Click(first.x, first.y);
    EXPECT_TRUE(WaitFor([&] { return combo->Drive() == 'a'; })) << combo->Drive();
    EXPECT_GE(changes, 3);

    std::filesystem::create_directories(cwd / "screenshots");
    EXPECT_TRUE(platform::SaveScreenshot((cwd / "screenshots" / "gauge_and_drives_sdl.png").string().c_str()));
  }
  delete Application;
  Application = new TApplication(nullptr);
  ResetControlPack();
  platform::UseHeadlessDisplay();
  platform::SelectSystemMixer();
  platform::ResetDriveTable();
  platform::SetProgramPath("");
  std::filesystem::current_path(cwd);
}

}  // namespace
}  // namespace velko_test

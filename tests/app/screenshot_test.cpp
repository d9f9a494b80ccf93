// The main window on the headless screen, as a PNG and by its pixels.
#include <filesystem>
#include <fstream>

#include "app/Settings.h"
#include "platform/display/display.h"
#include "platform/gdi/surface.h"
#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;

namespace app_test {
namespace {

using ScreenshotTest = AppTest;

TEST_F(ScreenshotTest, TheMainWindowShowsItsPictureSpectrumAndButtons) {
  AddSong("Music/a.mp3");
  Prepare({.earlier_starts = 9});
  fs::copy_file(fs::path(velko_test::ProgramFolder()) / "zig.jpg", folder_->path() / "zig.jpg");
  WriteSetting("SwapSkin", "zig.jpg");
  Start();
  Form1->FindMusic();
  Form1->AutoPlay();
  ASSERT_FALSE(Form1->MusicList->Visible());
  TBandOut bands{};
  bands[0] = 60;
  Form1->DisplayFFTBand(nullptr, bands);
  Pump();

  const fs::path png = music_.path() / "main.png";
  ASSERT_TRUE(platform::SaveScreenshot(png.string()));
  std::ifstream in(png, std::ios::binary);
  char magic[8] = {};
  in.read(magic, 8);
  EXPECT_EQ(std::string(magic + 1, 3), "PNG");

  auto screen = platform::ComposeScreen();
  ASSERT_NE(screen, nullptr);
  const TPoint origin = Form1->ClientToScreen(TPoint{0, 0});
  auto at = [&](int x, int y) { return screen->Pixel(origin.x + x, origin.y + y); };
  // The background picture (a purple swirl) beside the knobs.
  const COLORREF back = at(430, 160);
  EXPECT_GT(GetBValue(back), GetGValue(back));
  EXPECT_GT(GetBValue(back), 40);
  // The spectrum behind the hidden list: black, the first band's bar in the
  // ramp's colours, the dotted blue line at the left edge.
  EXPECT_EQ(at(8 + 100, 8 + 30), RGB(0, 0, 0));
  EXPECT_EQ(at(8 + 2, 8 + 110), SpectrumRampColor(110));
  EXPECT_EQ(at(8 + 5, 8 + 60), SpectrumRampColor(60));
  bool blue = false;
  for (int y = 0; y < 4; ++y) blue = blue || at(8, 8 + y) == RGB(0, 0, 255);
  EXPECT_TRUE(blue);
}

}  // namespace
}  // namespace app_test

// A dialog with one of each control on the headless screen, saved as
// pictures under the build folder (build*/screenshots/sample_dialog*.png)
// for people to look at.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "tests/platform/ctl/sample_dialog.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"

namespace ctl_test {
namespace {

// A control's client point on the composed screen.
COLORREF ScreenPixel(const platform::Surface& screen, HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return screen.Pixel(pt.x, pt.y);
}

class SampleDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetInput();
    platform::SetScreenSize(640, 480);
  }
  void TearDown() override {
    platform::SetScreenSize(1024, 768);
    platform::ResetInput();
  }
};

TEST_F(SampleDialogTest, OneOfEachControlShowsAndIsSaved) {
  const std::size_t windows_before = platform::LiveWindowCount();
  SampleDialog s = MakeSampleDialog(40, 30);
  ASSERT_NE(s.dialog, nullptr);
  velko_test::PumpWaitingMessages();
  auto screen = platform::ComposeScreen();
  ASSERT_TRUE(screen);
  ASSERT_TRUE(platform::SavePng(*screen, velko_test::ScreenshotPath("sample_dialog.png")));

  // A few things a person would see.
  EXPECT_EQ(ScreenPixel(*screen, s.progress, 4, 9), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(ScreenPixel(*screen, s.progress, 160, 9), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(ScreenPixel(*screen, s.ok, 0, 12), GetSysColor(COLOR_WINDOWFRAME));  // default frame
  EXPECT_EQ(ScreenPixel(*screen, s.list, 100, 2 * 13 + 6), GetSysColor(COLOR_HIGHLIGHT));
  int ticked = 0;  // the check mark inside the box
  for (int x = 3; x < 10; ++x)
    ticked += ScreenPixel(*screen, s.check, x, 9) == GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_GT(ticked, 0);
  EXPECT_EQ(SendMessage(s.spin, UDM_GETPOS32, 0, 0), 15);
  char buddy[8] = {};
  GetWindowText(s.spin_buddy, buddy, sizeof(buddy));
  EXPECT_STREQ(buddy, "15");
  EXPECT_EQ(GetFocus(), s.edit);

  // The combo box's list dropped down over the dialog.
  SendMessage(s.combo, CB_SHOWDROPDOWN, TRUE, 0);
  velko_test::PumpWaitingMessages();
  screen = platform::ComposeScreen();
  ASSERT_TRUE(platform::SavePng(*screen, velko_test::ScreenshotPath("sample_dialog_dropped.png")));
  RECT dropped;
  SendMessage(s.combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_EQ(screen->Pixel(dropped.left + 60, dropped.top + 1 + 13 + 6),
            GetSysColor(COLOR_HIGHLIGHT));
  SendMessage(s.combo, CB_SHOWDROPDOWN, FALSE, 0);

  DestroyWindow(s.dialog);
  velko_test::PumpWaitingMessages();
  EXPECT_EQ(platform::LiveWindowCount(), windows_before);
}

}  // namespace
}  // namespace ctl_test

#include "tests/classlib/forms/forms_test_support.h"

#include <unistd.h>

#include "classlib/Menus.h"
#include "classlib/Threads.h"
#include "platform/core/clock.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"

namespace velko_test {

void FormsTest::SetUp() {
  platform::ResetInput();
  delete Application;
  Application = new TApplication(nullptr);
  // The windows that run threads' synchronised calls and own open popup
  // menus live as long as the program: make them now, so they count as
  // there before the test.
  CheckSynchronize();
  PopupListWindow();
  windows_before_ = platform::LiveWindowCount();
  platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
    boxes.push_back(request);
    return request.DefaultButton();
  });
}

void FormsTest::TearDown() {
  delete Application;
  Application = new TApplication(nullptr);
  platform::SetMessageBoxHook({});
  platform::UseRealClock();
  platform::ResetInput();
  EXPECT_LE(platform::LiveWindowCount(), windows_before_) << "a window outlived the test";
}

void FormsTest::Pump() { Application->ProcessMessages(); }

COLORREF WindowPixel(TWinControl* Control, int X, int Y) {
  Application->ProcessMessages();
  RECT r{};
  GetWindowRect(Control->Handle(), &r);
  HDC dc = GetDC(nullptr);
  const COLORREF pixel = GetPixel(dc, r.left + X, r.top + Y);
  ReleaseDC(nullptr, dc);
  return pixel;
}

std::pair<int, int> InkColumns(TControl* Control, int Left, int Top, int Right, int Bottom) {
  Application->ProcessMessages();
  const TPoint origin = Control->ClientToScreen(Point(0, 0));
  const RECT r{origin.x, origin.y, 0, 0};
  HDC dc = GetDC(nullptr);
  std::pair<int, int> span{-1, -1};
  for (int x = Left; x < Right; ++x) {
    for (int y = Top; y < Bottom; ++y) {
      const COLORREF p = GetPixel(dc, r.left + x, r.top + y);
      if (GetRValue(p) >= 0x80 || GetGValue(p) >= 0x80 || GetBValue(p) >= 0x80) continue;
      if (span.first < 0) span.first = x;
      span.second = x;
      break;
    }
  }
  ReleaseDC(nullptr, dc);
  return span;
}

void FormsTest::Click(TControl* control, int x, int y) {
  const TPoint p = control->ClientToScreen(Point(x, y));
  platform::InjectClick(p.x, p.y);
  Pump();
}

void FormsTest::MoveMouse(TControl* control, int x, int y) {
  const TPoint p = control->ClientToScreen(Point(x, y));
  platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
  Pump();
}

void FormsTest::Press(UINT vk) {
  platform::InjectKeyPress(vk);
  Pump();
}

void FormsTest::PressWith(UINT modifier, UINT vk) {
  platform::InjectKey(modifier, true);
  Press(vk);
  platform::InjectKey(modifier, false);
  Pump();
}

void FormsTest::Advance(int ms) {
  for (int i = 0; i < ms; i += 10) {
    platform::AdvanceClockMs(10);
    Pump();
  }
}

void FormsOnDriveTest::SetUp() {
  FormsTest::SetUp();
  platform::ResetDriveTable();
  platform::MapDrive('T', drive_.path().string(), DRIVE_FIXED, "TESTDRIVE");
  ASSERT_TRUE(SetCurrentDirectory("T:\\"));
}

void FormsOnDriveTest::TearDown() {
  FormsTest::TearDown();
  platform::ResetDriveTable();
  [[maybe_unused]] const int moved = chdir("/");
}

}  // namespace velko_test

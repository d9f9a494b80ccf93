// Movies through MCI on the real player: opening, the status items, play to
// the end with its notification, seeking and stepping, and the picture in
// a window of the test's.
#include "platform/mm/mci.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/fs/drives.h"
#include "platform/mm/mci_movie.h"
#include "platform/user/screen.h"
#include "platform/user/user.h"
#include "tests/platform/checks.h"
#include "tests/support/message_pump.h"
#include "tests/support/movie_maker.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr char kNotifyClass[] = "VelkoMciTestWindow";
std::vector<std::pair<WPARAM, LPARAM>> g_notifications;

LRESULT NotifyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == MM_MCINOTIFY) {
    g_notifications.emplace_back(wparam, lparam);
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

// Decoded colours come back within a step or two of what was encoded.
bool IsRed(COLORREF c) { return GetRValue(c) > 235 && GetGValue(c) < 20 && GetBValue(c) < 20; }
bool IsBlue(COLORREF c) { return GetRValue(c) < 20 && GetGValue(c) < 20 && GetBValue(c) > 235; }

class MciTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    movies_ = new velko_test::TempDir;
    ASSERT_TRUE(velko_test::MakeMovie(movies_->path() / "clip one.mpg", 1.2));
    ASSERT_TRUE(velko_test::MakeMovie(movies_->path() / "clip one.avi", 1.2));
  }
  static void TearDownTestSuite() {
    delete movies_;
    movies_ = nullptr;
  }
  void SetUp() override {
    platform::MapDrive('M', movies_->path().string());
    static const bool registered = [] {
      WNDCLASS wc{};
      wc.lpfnWndProc = &NotifyProc;
      wc.lpszClassName = kNotifyClass;
      wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
      return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    window_ = CreateWindowEx(0, kNotifyClass, "", WS_POPUP | WS_VISIBLE, 40, 30, 300, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    g_notifications.clear();
  }
  void TearDown() override {
    if (device_ != 0) mciSendCommand(device_, MCI_CLOSE, 0, 0);
    DestroyWindow(window_);
    platform::UnmapDrive('M');
  }

  MCIERROR Open(const char* path) {
    MCI_OPEN_PARMS open{};
    open.lpstrElementName = path;
    const MCIERROR error = mciSendCommand(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open));
    device_ = error == 0 ? open.wDeviceID : 0;
    return error;
  }
  // A command to the open device with its parameters.
  template <class Params>
  MCIERROR Send(UINT command, DWORD flags, Params* params) {
    return mciSendCommand(device_, command, flags, reinterpret_cast<DWORD_PTR>(params));
  }
  DWORD Status(DWORD item, MCIDEVICEID device = 0) {
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    EXPECT_EQ(mciSendCommand(device != 0 ? device : device_, MCI_STATUS, MCI_STATUS_ITEM,
                             reinterpret_cast<DWORD_PTR>(&status)),
              0u);
    return static_cast<DWORD>(status.dwReturn);
  }

  static velko_test::TempDir* movies_;
  HWND window_ = nullptr;
  MCIDEVICEID device_ = 0;
};
velko_test::TempDir* MciTest::movies_ = nullptr;

TEST_F(MciTest, OpenFailuresAndErrorTexts) {
  movies_->WriteFile("garbled.mpg", std::string(5000, 'x'));
  struct Case {
    const char* path;
    MCIERROR error;
  } cases[] = {
      {"M:\\missing.mpg", MCIERR_FILE_NOT_FOUND},
      {"Q:\\nowhere.mpg", MCIERR_FILE_NOT_FOUND},
      {"M:\\garbled.mpg", MCIERR_INVALID_FILE},
      {"M:\\clip one.xyz", MCIERR_DEVICE_TYPE_REQUIRED},
  };
  for (const Case& c : cases) EXPECT_EQ(Open(c.path), c.error) << c.path;
  char text[128];
  EXPECT_TRUE(mciGetErrorString(MCIERR_FILE_NOT_FOUND, text, sizeof text));
  EXPECT_STRNE(text, "");
  EXPECT_TRUE(mciGetErrorString(MCIERR_INVALID_FILE, text, 8));
  EXPECT_EQ(std::strlen(text), 7u);
  EXPECT_FALSE(mciGetErrorString(12345, text, sizeof text));
  EXPECT_STREQ(text, "");
  // A closed or never opened device: status reads 0, other commands fail.
  MCI_STATUS_PARMS status{};
  status.dwReturn = 77;
  status.dwItem = MCI_STATUS_POSITION;
  EXPECT_EQ(mciSendCommand(999, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)), 0u);
  EXPECT_EQ(status.dwReturn, 0u);
  EXPECT_EQ(mciSendCommand(999, MCI_PLAY, 0, 0), MCIERR_INVALID_DEVICE_ID);
}

TEST_F(MciTest, MpegProgramStreamPlaysToItsEnd) {
  // Its length is an estimate until the end was seen; there it is exact.
  ASSERT_EQ(Open("M:\\clip one.mpg"), 0u);
  EXPECT_GT(Status(MCI_STATUS_LENGTH), 0u);
  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  ASSERT_EQ(Send(MCI_PLAY, MCI_NOTIFY, &play), 0u);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([] { return !g_notifications.empty(); }, 15));
  EXPECT_NEAR(Status(MCI_STATUS_LENGTH), 1200, 80);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), Status(MCI_STATUS_LENGTH));
}

TEST_F(MciTest, PlaysToTheEndAndNotifies) {
  // Doubled backslashes and a blank in the name, as the lists build them.
  ASSERT_EQ(Open("M:\\\\clip one.avi"), 0u);
  const DWORD length = Status(MCI_STATUS_LENGTH);
  EXPECT_NEAR(length, 1200, 40);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), MCI_MODE_STOP);
  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  ASSERT_EQ(Send(MCI_PLAY, MCI_NOTIFY, &play), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), MCI_MODE_PLAY);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([] { return !g_notifications.empty(); }, 15));
  EXPECT_EQ(g_notifications[0].first, MCI_NOTIFY_SUCCESSFUL);
  EXPECT_EQ(g_notifications[0].second, static_cast<LPARAM>(device_));
  EXPECT_EQ(Status(MCI_STATUS_POSITION), length);
  EXPECT_EQ(Status(MCI_STATUS_MODE), MCI_MODE_STOP);

  // After the close the status reads 0 without an error.
  const MCIDEVICEID closed = device_;
  EXPECT_EQ(mciSendCommand(device_, MCI_CLOSE, 0, 0), 0u);
  device_ = 0;
  EXPECT_EQ(Status(MCI_STATUS_LENGTH, closed), 0u);
}

TEST_F(MciTest, SeeksStepsAndStops) {
  ASSERT_EQ(Open("M:\\clip one.avi"), 0u);
  const DWORD length = Status(MCI_STATUS_LENGTH);
  MCI_SEEK_PARMS seek{};
  seek.dwTo = 480;
  ASSERT_EQ(Send(MCI_SEEK, MCI_TO, &seek), 0u);
  EXPECT_NEAR(Status(MCI_STATUS_POSITION), 480, 40);
  MCI_DGV_STEP_PARMS step{};
  step.dwFrames = 5;
  ASSERT_EQ(Send(MCI_STEP, MCI_DGV_STEP_FRAMES, &step), 0u);
  EXPECT_NEAR(Status(MCI_STATUS_POSITION), 680, 40);
  ASSERT_EQ(Send(MCI_STEP, MCI_DGV_STEP_FRAMES | MCI_DGV_STEP_REVERSE, &step),
            0u);
  EXPECT_NEAR(Status(MCI_STATUS_POSITION), 480, 40);
  EXPECT_EQ(Status(MCI_STATUS_MODE), MCI_MODE_PAUSE);
  seek.dwTo = length + 1;
  EXPECT_EQ(Send(MCI_SEEK, MCI_TO, &seek), MCIERR_OUTOFRANGE);
  EXPECT_EQ(Send(MCI_SEEK, MCI_SEEK_TO_START | MCI_SEEK_TO_END, &seek),
            MCIERR_FLAGS_NOT_COMPATIBLE);
  ASSERT_EQ(Send(MCI_SEEK, MCI_SEEK_TO_END, &seek), 0u);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), length);
  ASSERT_EQ(Send(MCI_SEEK, MCI_SEEK_TO_START, &seek), 0u);
  EXPECT_EQ(Status(MCI_STATUS_POSITION), 0u);

  // A play stopped before its end is aborted, not finished.
  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  ASSERT_EQ(Send(MCI_PLAY, MCI_NOTIFY, &play), 0u);
  ASSERT_EQ(mciSendCommand(device_, MCI_STOP, 0, 0), 0u);
  EXPECT_EQ(Status(MCI_STATUS_MODE), MCI_MODE_STOP);
  velko_test::PumpMessagesUntil([] { return !g_notifications.empty(); }, 2);
  ASSERT_EQ(g_notifications.size(), 1u);
  EXPECT_EQ(g_notifications[0].first, MCI_NOTIFY_ABORTED);
}

TEST_F(MciTest, DrawsThePictureIntoTheDisplayRectangle) {
  ASSERT_EQ(Open("M:\\clip one.mpg"), 0u);
  MCI_DGV_WINDOW_PARMS window{};
  window.hWnd = window_;
  ASSERT_EQ(Send(MCI_WINDOW, MCI_DGV_WINDOW_HWND, &window), 0u);
  MCI_DGV_RECT_PARMS put{};
  put.rc = RECT{20, 10, 160, 120};  // left, top, width, height
  ASSERT_EQ(Send(MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT, &put),
            0u);
  const unsigned long long drawn = platform::mm::MovieFramesDrawn();
  ASSERT_EQ(mciSendCommand(device_, MCI_PLAY, 0, 0), 0u);
  const auto pixel = [](int x, int y) {
    auto screen = platform::ComposeScreen();
    return screen ? screen->Pixel(x, y) : CLR_INVALID;
  };
  // The window is at (40, 30); the picture's left half is red, its right half blue.
  ASSERT_TRUE(velko_test::PumpMessagesUntil(
      [&] { return platform::mm::MovieFramesDrawn() > drawn && IsRed(pixel(40 + 20 + 40, 30 + 10 + 60)); }, 15));
  const COLORREF left = pixel(40 + 20 + 40, 30 + 10 + 60);
  const COLORREF right = pixel(40 + 20 + 120, 30 + 10 + 60);
  EXPECT_TRUE(IsRed(left)) << std::hex << left;
  EXPECT_TRUE(IsBlue(right)) << std::hex << right;
  // Outside the rectangle the window keeps its own white.
  EXPECT_EQ(pixel(40 + 5, 30 + 5), RGB(255, 255, 255));
  MCI_DGV_RECT_PARMS where{};
  ASSERT_EQ(Send(MCI_WHERE, MCI_DGV_WHERE_DESTINATION, &where), 0u);
  EXPECT_EQ(velko_test::EdgesOf(where.rc), (velko_test::Edges{20, 10, 160, 120}));
}

}  // namespace

// The SDL2 display on a real X server: the test starts its own Xvfb, opens
// a window, reads its pixels back from the X server, types into it and
// clicks its close box through the X test extension.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"
#include "tests/support/program_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"

extern char** environ;

namespace {

using velko_test::KeepXLibrariesLoaded;
using velko_test::PumpMessagesUntil;
using velko_test::XServer;

constexpr char kClass[] = "VelkoSdlSmokeWindow";
std::vector<UINT> g_keys;
std::vector<WPARAM> g_chars;
bool g_destroyed = false;

LRESULT SmokeProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r{20, 20, 120, 80};
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(dc, &r, red);
      DeleteObject(red);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
      g_keys.push_back(static_cast<UINT>(wparam));
      return 0;
    case WM_CHAR:
      g_chars.push_back(wparam);
      return 0;
    case WM_DESTROY:
      g_destroyed = true;
      return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

TEST(SdlDisplayTest, AWindowOpensIsDrawnAnswersAKeyAndClosesOnItsCloseBox) {
  g_keys.clear();
  g_chars.clear();
  g_destroyed = false;
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);

  WNDCLASS wc;
  wc.lpfnWndProc = SmokeProc;
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kClass;
  ASSERT_NE(RegisterClass(&wc), 0);
  HWND hwnd = CreateWindowEx(0, kClass, "Smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 240, 160,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);

  // Opened and drawn: the frame and the drawing reach the X server.
  const int client_x = 50 + 4, client_y = 60 + 23;
  EXPECT_TRUE(PumpMessagesUntil([&] {
    return x.Pixel(150, 65) == GetSysColor(COLOR_ACTIVECAPTION) &&
           x.Pixel(client_x + 50, client_y + 50) == RGB(255, 0, 0) &&
           x.Pixel(client_x + 5, client_y + 5) == RGB(255, 255, 255);
  })) << "caption "
      << std::hex << x.Pixel(150, 65) << " client " << x.Pixel(client_x + 50, client_y + 50);

  // A key typed on the X server arrives as WM_KEYDOWN and WM_CHAR.
  x.MovePointer(client_x + 60, client_y + 60);
  PumpMessagesUntil([] { return false; }, 0.3);  // lets the motion through
  x.Key(XK_a);
  EXPECT_TRUE(PumpMessagesUntil([] { return !g_keys.empty() && !g_chars.empty(); }));
  ASSERT_FALSE(g_keys.empty());
  EXPECT_EQ(g_keys[0], static_cast<UINT>('A'));
  ASSERT_FALSE(g_chars.empty());
  EXPECT_EQ(g_chars[0], static_cast<WPARAM>('a'));

  // A click on the close box closes it.
  RECT r;
  GetWindowRect(hwnd, &r);
  const int close_x = r.right - 4 - 2 - 8, close_y = r.top + 4 + 2 + 7;
  x.Click(close_x, close_y);
  EXPECT_TRUE(PumpMessagesUntil([] { return g_destroyed; }));
  EXPECT_FALSE(IsWindow(hwnd));
  if (IsWindow(hwnd)) DestroyWindow(hwnd);
  UnregisterClass(kClass, nullptr);
  platform::UseHeadlessDisplay();
  EXPECT_EQ(platform::CurrentDisplay(), platform::DisplayKind::kHeadless);
}

LRESULT BlueProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(reinterpret_cast<HDC>(wparam), &r, blue);
    DeleteObject(blue);
    return 1;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

// An owned window (a box) stays above its owner on the X server too, when
// the owner is activated and brought to the top while the box shows.
TEST(SdlDisplayTest, AnOwnedWindowStaysAboveItsOwnerOnTheXServer) {
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  WNDCLASS wc;
  wc.lpfnWndProc = SmokeProc;
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kClass;
  ASSERT_NE(RegisterClass(&wc), 0);
  WNDCLASS blue_class;
  blue_class.lpfnWndProc = BlueProc;
  blue_class.lpszClassName = "VelkoSdlBlueBox";
  ASSERT_NE(RegisterClass(&blue_class), 0);
  HWND owner = CreateWindowEx(0, kClass, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 300, 200, nullptr,
                              nullptr, nullptr, nullptr);
  HWND box = CreateWindowEx(0, "VelkoSdlBlueBox", "Box", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 160, 100,
                            owner, nullptr, nullptr, nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(PumpMessagesUntil([&] { return x.Pixel(180, 170) == RGB(0, 0, 255); })) << std::hex << x.Pixel(180, 170);
  // The owner taken to the top and made active: on the X server as well
  // the box stays in front.
  SetActiveWindow(box);
  PumpMessagesUntil([] { return false; }, 0.3);
  SetActiveWindow(owner);
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpMessagesUntil([] { return false; }, 0.5);
  EXPECT_EQ(x.Pixel(180, 170), RGB(0, 0, 255)) << std::hex << x.Pixel(180, 170);
  // And the owner shows beside it.
  EXPECT_EQ(x.Pixel(80, 120), RGB(255, 0, 0)) << std::hex << x.Pixel(80, 120);
  DestroyWindow(box);
  DestroyWindow(owner);
  UnregisterClass("VelkoSdlBlueBox", nullptr);
  UnregisterClass(kClass, nullptr);
  platform::UseHeadlessDisplay();
}

// Without the SDL library (pointed at a file that is not there) a display
// that is present is not used: the windows stay on the headless screen.
TEST(SdlDisplayTest, WithoutTheSdlLibraryTheDisplayStaysHeadless) {
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  platform::SetSdlLibraryName("libSDL2-not-installed.so.0");
  EXPECT_FALSE(platform::UseSdlDisplay());
  EXPECT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kHeadless);
  platform::SetSdlLibraryName("");
  EXPECT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  platform::UseHeadlessDisplay();
}

// Windows that are never activated (a hint, a menu) show over the active
// window and go again; the keys typed afterwards still reach the active
// window. The pointer stays off the windows, so only the X keyboard focus
// can bring the keys there.
TEST(SdlDisplayTest, KeysStillReachTheActiveWindowAfterAPopupShowedAndWent) {
  const struct {
    const char* name;
    DWORD ex_style;
    bool destroy;  // else hidden
  } popups[] = {
      {"hint", WS_EX_TOOLWINDOW | WS_EX_TOPMOST, false},
      {"menu", WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, true},
  };
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start()) << "Xvfb did not start (scripts/deps installs it)";
  ASSERT_EQ(platform::ChooseDisplay(), platform::DisplayKind::kSdl);
  WNDCLASS wc;
  wc.lpfnWndProc = SmokeProc;
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kClass;
  ASSERT_NE(RegisterClass(&wc), 0);
  WNDCLASS blue_class;
  blue_class.lpfnWndProc = BlueProc;
  blue_class.lpszClassName = "VelkoSdlBluePopup";
  ASSERT_NE(RegisterClass(&blue_class), 0);
  HWND main = CreateWindowEx(0, kClass, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 300, 200, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(PumpMessagesUntil([&] { return x.Pixel(80, 120) == RGB(255, 0, 0); }));
  x.MovePointer(700, 500);
  for (const auto& popup : popups) {
    SCOPED_TRACE(popup.name);
    ASSERT_EQ(GetForegroundWindow(), main);
    HWND shown = CreateWindowEx(popup.ex_style, "VelkoSdlBluePopup", "", WS_POPUP | WS_BORDER, 0, 0, 0, 0, main,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(shown, nullptr);
    SetWindowPos(shown, HWND_TOPMOST, 400, 300, 120, 40, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    EXPECT_TRUE(PumpMessagesUntil([&] { return x.Pixel(460, 320) == RGB(0, 0, 255); })) << std::hex
                                                                                         << x.Pixel(460, 320);
    if (popup.destroy) {
      DestroyWindow(shown);
    } else {
      ShowWindow(shown, SW_HIDE);
    }
    EXPECT_TRUE(PumpMessagesUntil([&] { return x.Pixel(460, 320) != RGB(0, 0, 255); }));
    g_keys.clear();
    x.Key(XK_b);
    EXPECT_TRUE(PumpMessagesUntil([] { return !g_keys.empty(); }, 2)) << "the key went nowhere";
    if (!popup.destroy) DestroyWindow(shown);
  }
  DestroyWindow(main);
  UnregisterClass("VelkoSdlBluePopup", nullptr);
  UnregisterClass(kClass, nullptr);
  platform::UseHeadlessDisplay();
}

bool WaitFor(const std::function<bool()>& seen, double seconds) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!seen()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

constexpr int kMiddleX = 800 / 2, kMiddleY = 600 / 2;

bool BoxInTheMiddle(XServer& x) { return x.Pixel(kMiddleX, kMiddleY) == GetSysColor(COLOR_BTNFACE); }

// The program started for the first time on `x`: the boxes for its missing
// lists show in the middle of the screen (songs twice, movies once); once
// they are answered the main window's caption comes up above the middle.
void StartUpToTheMainWindow(XServer& x, const velko_test::TempDir& home, pid_t* pid) {
  *pid = velko_test::StartProgram(home.path());
  ASSERT_GT(*pid, 0);
  EXPECT_TRUE(WaitFor([&] { return BoxInTheMiddle(x); }, 30)) << "no box in the middle of the screen";
  auto caption_shown = [&] {
    for (int y = 100; y < kMiddleY - 100; ++y) {
      const COLORREF c = x.Pixel(kMiddleX, y);
      if (c == GetSysColor(COLOR_ACTIVECAPTION) || c == GetSysColor(COLOR_INACTIVECAPTION)) return true;
    }
    return false;
  };
  auto answered = [&] {
    if (BoxInTheMiddle(x)) {
      x.Click(kMiddleX, kMiddleY);
      x.Key(XK_Return);
    }
    return caption_shown();
  };
  ASSERT_TRUE(WaitFor(answered, 30)) << "no main window above the middle of the screen";
}

// Waits for the program's end; false (having killed it) when it does not end.
bool Ended(pid_t pid, int* status) {
  if (velko_test::WaitForProgramExit(pid, status, 30)) return true;
  kill(pid, SIGKILL);
  waitpid(pid, status, 0);
  return false;
}

// The program itself on an X server, started for the first time, up to its
// main window; after the update check's box, Esc quits.
TEST(ProgramOnXvfb, ShowsItsFirstStartBoxesThenItsMainWindowAndQuitsOnEsc) {
  KeepXLibrariesLoaded();
  XServer x;
  ASSERT_TRUE(x.Start());
  // The program's own leak check is the headless program test's business;
  // here SDL's libraries would only add noise.
  setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
  velko_test::TempDir home;
  pid_t pid = -1;
  ASSERT_NO_FATAL_FAILURE(StartUpToTheMainWindow(x, home, &pid));

  // The update check, which has no server to ask, says so a few seconds
  // later; once that box is answered the keyboard is the main window's
  // again, and Esc quits.
  EXPECT_TRUE(WaitFor([&] { return BoxInTheMiddle(x); }, 30)) << "no box from the update check";
  x.Click(kMiddleX, kMiddleY);
  x.Key(XK_Return);
  EXPECT_TRUE(WaitFor([&] { return !BoxInTheMiddle(x); }, 30));
  x.Key(XK_Escape);
  int status = 0;
  ASSERT_TRUE(Ended(pid, &status)) << "the program did not end on Esc";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The X server goes away under the program, while its main window shows or
// just as it quits on Esc: the program ends in order (on its main thread,
// with its windows freed as at any quit), with no report from the
// sanitizers.
TEST(ProgramOnXvfb, EndsInOrderWhenTheXServerGoesAway) {
  for (const bool after_esc : {false, true}) {
    SCOPED_TRACE(after_esc ? "just after Esc" : "while the main window shows");
    KeepXLibrariesLoaded();
    XServer x;
    ASSERT_TRUE(x.Start());
    velko_test::TempDir home;
    const std::string reports = (home.path() / "sanitizer").string();
    setenv("ASAN_OPTIONS", ("detect_leaks=0:log_path=" + reports).c_str(), 1);
    setenv("UBSAN_OPTIONS", ("print_stacktrace=1:halt_on_error=1:log_path=" + reports).c_str(), 1);
    pid_t pid = -1;
    ASSERT_NO_FATAL_FAILURE(StartUpToTheMainWindow(x, home, &pid));
    if (after_esc) x.Key(XK_Escape);
    x.Stop();
    int status = 0;
    ASSERT_TRUE(Ended(pid, &status)) << "the program did not end without its X server";
    unsetenv("UBSAN_OPTIONS");
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    if (WIFEXITED(status)) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
      if (entry.path().filename().string().rfind("sanitizer", 0) != 0) continue;
      std::ifstream report(entry.path());
      ADD_FAILURE() << "sanitizer report:\n" << std::string(std::istreambuf_iterator<char>(report), {});
    }
  }
}

}  // namespace

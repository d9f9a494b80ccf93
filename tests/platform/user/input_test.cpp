// Mouse and keyboard input: capture, double clicks, disabled windows,
// transparent windows, mouse tracking, keys and characters, cursors and
// carets.
#include <gtest/gtest.h>

#include "platform/core/clock.h"
#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace velko_test {
namespace {

constexpr char kDoubleClickClass[] = "VelkoDoubleClickTest";

class InputTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    RegisterTestClassEx(kDoubleClickClass, CS_DBLCLKS, GetSysColorBrush(COLOR_WINDOW),
                        LoadCursor(nullptr, IDC_IBEAM));
  }

  // A shown popup without a frame: window and client coincide.
  HWND MakePlain(int x, int y, int width, int height, const char* cls = kDoubleClickClass,
                 HWND parent = nullptr) {
    DWORD kind = parent != nullptr ? WS_CHILD : WS_POPUP;
    HWND hwnd = MakeOf(cls, parent, kind | WS_VISIBLE, nullptr, 0, x, y, width, height);
    Pump();
    return hwnd;
  }

  std::vector<LoggedMessage> Of(HWND hwnd, UINT message) {
    std::vector<LoggedMessage> found;
    for (const LoggedMessage& m : MessageLog()) {
      if (m.hwnd == hwnd && m.message == message) found.push_back(m);
    }
    return found;
  }
};

const std::vector<UINT> kButtons{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK};

TEST_F(InputTest, CaptureKeepsMouseMessagesOnTheCapturingWindow) {
  HWND a = MakePlain(10, 10, 100, 100);
  HWND b = MakePlain(200, 10, 100, 100);
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  ClearMessageLog();
  platform::InjectClick(250, 50);  // over b
  Pump();
  EXPECT_EQ(MessagesOf(b, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_NCHITTEST}).size(), 0u);
  auto downs = Of(a, WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lparam), 240);  // a's client coordinates, beyond its edge
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lparam), 40);
  EXPECT_EQ(CountOf(a, WM_NCHITTEST), 0);  // no hit test under capture

  // Handing the capture over tells the loser who took it.
  ClearMessageLog();
  SetCapture(b);
  auto changed = Of(a, WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].lparam, reinterpret_cast<LPARAM>(b));
  ReleaseCapture();
  EXPECT_EQ(Of(b, WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(GetCapture(), nullptr);
  ClearMessageLog();
  platform::InjectClick(250, 50);
  Pump();
  EXPECT_EQ(CountOf(b, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(CountOf(a, WM_LBUTTONDOWN), 0);
}

TEST_F(InputTest, TwoQuickClicksCloseTogetherMakeADoubleClick) {
  platform::UseManualClock(5'000'000);
  HWND hwnd = MakePlain(10, 10, 100, 100);
  ClearMessageLog();
  platform::InjectClick(50, 50);
  platform::AdvanceClockMs(200);
  platform::InjectClick(51, 51);
  Pump();
  std::vector<UINT> expected{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  EXPECT_EQ(MessagesOf(hwnd, kButtons), expected);

  // Too slow: two presses.
  ClearMessageLog();
  platform::InjectClick(50, 50);
  platform::AdvanceClockMs(GetDoubleClickTime() + 1);
  platform::InjectClick(50, 50);
  Pump();
  expected = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP};
  EXPECT_EQ(MessagesOf(hwnd, kButtons), expected);

  // Too far apart: two presses.
  platform::AdvanceClockMs(1000);
  ClearMessageLog();
  platform::InjectClick(50, 50);
  platform::InjectClick(50 + GetSystemMetrics(SM_CXDOUBLECLK), 50);
  Pump();
  EXPECT_EQ(MessagesOf(hwnd, kButtons), expected);

  // A third quick press starts over.
  platform::AdvanceClockMs(1000);
  ClearMessageLog();
  platform::InjectClick(50, 50);
  platform::InjectClick(50, 50);
  platform::InjectClick(50, 50);
  Pump();
  expected = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_LBUTTONDBLCLK,
              WM_LBUTTONUP,   WM_LBUTTONDOWN, WM_LBUTTONUP};
  EXPECT_EQ(MessagesOf(hwnd, kButtons), expected);

  // A class without CS_DBLCLKS gets two presses.
  HWND plain = MakePlain(200, 10, 100, 100, kTestClass);
  platform::AdvanceClockMs(1000);
  ClearMessageLog();
  platform::InjectClick(250, 50);
  platform::InjectClick(250, 50);
  Pump();
  EXPECT_EQ(MessagesOf(plain, kButtons),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(InputTest, ADisabledWindowGetsNoInput) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  SetFocus(hwnd);
  EnableWindow(hwnd, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  ClearMessageLog();
  platform::InjectClick(50, 50);
  platform::InjectKeyPress('A');
  platform::InjectMouse(platform::MouseAction::kWheel, 50, 50, 120);
  Pump();
  EXPECT_EQ(MessagesOf(hwnd, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_KEYDOWN, WM_KEYUP,
                              WM_SYSKEYDOWN, WM_CHAR, WM_MOUSEWHEEL})
                .size(),
            0u);
  // It is told the mouse is not welcome.
  bool error_cursor = false;
  for (const LoggedMessage& m : Of(hwnd, WM_SETCURSOR)) {
    if (static_cast<SHORT>(LOWORD(m.lparam)) == HTERROR) error_cursor = true;
  }
  EXPECT_TRUE(error_cursor);
  EnableWindow(hwnd, TRUE);
  ClearMessageLog();
  platform::InjectClick(50, 50);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_LBUTTONDOWN), 1);
}

TEST_F(InputTest, ADisabledOrTransparentChildPassesTheMouseToItsParent) {
  HWND parent = MakePlain(10, 10, 200, 200);
  HWND child = MakePlain(20, 20, 50, 50, kDoubleClickClass, parent);
  EnableWindow(child, FALSE);
  ClearMessageLog();
  platform::InjectClick(40, 40);
  Pump();
  EXPECT_EQ(CountOf(child, WM_LBUTTONDOWN), 0);
  auto downs = Of(parent, WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lparam), 30);
  EXPECT_EQ(WindowFromPoint(POINT{40, 40}), parent);
  EXPECT_EQ(ChildWindowFromPoint(parent, POINT{30, 30}), child);
  EXPECT_EQ(ChildWindowFromPointEx(parent, POINT{30, 30}, CWP_SKIPDISABLED), parent);
  // So does an enabled child whose hit test answers HTTRANSPARENT.
  EnableWindow(child, TRUE);
  SetHandler([child](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (hwnd == child && message == WM_NCHITTEST) return HTTRANSPARENT;
    return std::nullopt;
  });
  ClearMessageLog();
  platform::InjectClick(70, 70);  // too far from the first click for a double click
  Pump();
  EXPECT_EQ(CountOf(child, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(CountOf(parent, WM_LBUTTONDOWN), 1);
}

TEST_F(InputTest, TrackMouseEventReportsTheLeaveOnce) {
  HWND a = MakePlain(10, 10, 100, 100);
  HWND b = MakePlain(200, 10, 100, 100);
  platform::InjectMouse(platform::MouseAction::kMove, 50, 50);
  Pump();
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = a;
  ASSERT_TRUE(TrackMouseEvent(&track));
  TRACKMOUSEEVENT query;
  query.dwFlags = TME_QUERY;
  TrackMouseEvent(&query);
  EXPECT_EQ(query.hwndTrack, a);
  EXPECT_EQ(query.dwFlags & TME_LEAVE, TME_LEAVE);
  ClearMessageLog();
  platform::InjectMouse(platform::MouseAction::kMove, 60, 60);
  Pump();
  EXPECT_EQ(CountOf(a, WM_MOUSELEAVE), 0);
  platform::InjectMouse(platform::MouseAction::kMove, 250, 50);
  platform::InjectMouse(platform::MouseAction::kMove, 500, 500);
  platform::InjectMouse(platform::MouseAction::kMove, 50, 50);
  Pump();
  EXPECT_EQ(CountOf(a, WM_MOUSELEAVE), 1);
  EXPECT_EQ(CountOf(b, WM_MOUSELEAVE), 0);
  // Tracking asked while the mouse is elsewhere reports at once.
  platform::InjectMouse(platform::MouseAction::kMove, 500, 500);
  Pump();
  ClearMessageLog();
  track.hwndTrack = b;
  TrackMouseEvent(&track);
  Pump();
  EXPECT_EQ(CountOf(b, WM_MOUSELEAVE), 1);
}

TEST_F(InputTest, TrackMouseEventReportsAHoverOnTheClock) {
  platform::UseManualClock(1'000'000);
  HWND hwnd = MakePlain(10, 10, 100, 100);
  platform::InjectMouse(platform::MouseAction::kMove, 50, 50);
  Pump();
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_HOVER | TME_LEAVE;
  track.hwndTrack = hwnd;
  track.dwHoverTime = 300;
  TrackMouseEvent(&track);
  ClearMessageLog();
  platform::AdvanceClockMs(200);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_MOUSEHOVER), 0);
  platform::AdvanceClockMs(150);
  Pump();
  auto hovers = Of(hwnd, WM_MOUSEHOVER);
  ASSERT_EQ(hovers.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(hovers[0].lparam), 40);
  platform::AdvanceClockMs(1000);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_MOUSEHOVER), 1);
}

TEST_F(InputTest, KeysGoToTheFocusAndMakeCharacters) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  SetFocus(hwnd);
  SHORT shift_while_typing = 0;
  SetHandler([&](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_KEYDOWN && wparam == 'B') shift_while_typing = GetKeyState(VK_SHIFT);
    return std::nullopt;
  });
  ClearMessageLog();
  platform::InjectKeyPress('A');
  InjectChord(VK_SHIFT, 'B');
  platform::InjectKeyPress(VK_RETURN);
  Pump();
  std::vector<WPARAM> chars;
  for (const LoggedMessage& m : Of(hwnd, WM_CHAR)) chars.push_back(m.wparam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', 'B', '\r'}));
  EXPECT_TRUE(shift_while_typing & 0x8000);
  EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
  auto downs = Of(hwnd, WM_KEYDOWN);
  ASSERT_GE(downs.size(), 1u);
  EXPECT_EQ(downs[0].wparam, static_cast<WPARAM>('A'));
  EXPECT_EQ((downs[0].lparam >> 16) & 0xFF, 0x1E);  // the A key's scan code
  auto ups = Of(hwnd, WM_KEYUP);
  ASSERT_GE(ups.size(), 1u);
  EXPECT_NE(ups[0].lparam & (LPARAM{1} << 31), 0);  // transition: released
}

TEST_F(InputTest, AltMakesSystemKeysAndCharacters) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  SetFocus(hwnd);
  ClearMessageLog();
  InjectChord(VK_MENU, 'X');
  Pump();
  auto messages =
      MessagesOf(hwnd, {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSCHAR, WM_CHAR});
  std::vector<UINT> expected{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_KEYUP};
  EXPECT_EQ(messages, expected);
  auto syschars = Of(hwnd, WM_SYSCHAR);
  ASSERT_EQ(syschars.size(), 1u);
  EXPECT_EQ(syschars[0].wparam, static_cast<WPARAM>('x'));
  EXPECT_NE(syschars[0].lparam & (LPARAM{1} << 29), 0);  // Alt was down
}

TEST_F(InputTest, TextArrivesAsCharactersAndKeysWithTextFollowingMakeNone) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  SetFocus(hwnd);
  ClearMessageLog();
  platform::InjectKey('E', true, true);
  platform::InjectText("\xC3\xA9");  // e acute, two bytes of UTF-8
  platform::InjectKey('E', false, true);
  platform::InjectKey(VK_BACK, true, false);
  platform::InjectKey(VK_BACK, false, false);
  Pump();
  std::vector<WPARAM> chars;
  for (const LoggedMessage& m : Of(hwnd, WM_CHAR)) chars.push_back(m.wparam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{0xC3, 0xA9, 8}));
}

TEST_F(InputTest, AsyncKeyStateFollowsTheKeysAsTheyHappen) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  SetFocus(hwnd);
  platform::InjectKey(VK_CONTROL, true);
  EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);  // not taken yet
  Pump();
  EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
  BYTE keys[256];
  GetKeyboardState(keys);
  EXPECT_TRUE(keys[VK_CONTROL] & 0x80);
  platform::InjectKey(VK_CONTROL, false);
  Pump();
  EXPECT_FALSE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
  // Caps Lock toggles.
  platform::InjectKeyPress(VK_CAPITAL);
  Pump();
  EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
}

TEST_F(InputTest, TheWheelGoesToTheFocusWindow) {
  HWND a = MakePlain(10, 10, 100, 100);
  HWND b = MakePlain(200, 10, 100, 100);
  SetFocus(a);
  ClearMessageLog();
  platform::InjectMouse(platform::MouseAction::kWheel, 250, 50, -120);
  Pump();
  auto wheels = Of(a, WM_MOUSEWHEEL);
  ASSERT_EQ(wheels.size(), 1u);
  EXPECT_EQ(static_cast<SHORT>(HIWORD(wheels[0].wparam)), -120);
  EXPECT_EQ(GET_X_LPARAM(wheels[0].lparam), 250);  // screen coordinates
  EXPECT_EQ(CountOf(b, WM_MOUSEWHEEL), 0);
}

TEST_F(InputTest, TheClassCursorShowsOverTheClientAreaAndSizingCursorsOverTheFrame) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  platform::InjectMouse(platform::MouseAction::kMove, 50, 50);
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_IBEAM));
  HWND framed = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "F", 0, 300, 300, 200, 150);
  Pump();
  platform::InjectMouse(platform::MouseAction::kMove, 301, 400);  // left frame edge
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZEWE));
  POINT pt;
  GetCursorPos(&pt);
  EXPECT_EQ(pt.x, 301);
  (void)hwnd;
  (void)framed;
}

TEST_F(InputTest, CursorPositionClipAndCustomCursors) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  RECT clip{0, 0, 50, 50};
  ClipCursor(&clip);
  ClearMessageLog();
  SetCursorPos(300, 300);
  POINT pt;
  GetCursorPos(&pt);
  EXPECT_EQ(pt.x, 49);
  EXPECT_EQ(pt.y, 49);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_MOUSEMOVE), 1);  // moving the cursor moves the mouse
  ClipCursor(nullptr);
  SetCursorPos(300, 300);
  GetCursorPos(&pt);
  EXPECT_EQ(pt.x, 300);

  BYTE and_plane[4 * 2] = {0x0F, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  BYTE xor_plane[4 * 2] = {0xF0, 0x00, 0x00, 0x00, 0, 0, 0, 0};
  HCURSOR custom = CreateCursor(nullptr, 1, 1, 16, 4, and_plane, xor_plane);
  ASSERT_NE(custom, nullptr);
  platform::CursorImage image;
  ASSERT_TRUE(platform::GetCursorImage(custom, &image));
  EXPECT_EQ(image.argb[0], 0xFFFFFFFFu);       // AND 0, XOR 1: white
  EXPECT_EQ(image.argb[16 + 0], 0xFF000000u);  // row 1: AND 0, XOR 0: black
  EXPECT_EQ(image.argb[4], 0u);                // AND 1, XOR 0: transparent
  HCURSOR old = SetCursor(custom);
  EXPECT_EQ(GetCursor(), custom);
  SetCursor(old);
  EXPECT_TRUE(DestroyCursor(custom));
  EXPECT_FALSE(DestroyCursor(custom));
  platform::AddCursorResource(nullptr, "AD_HAND", LoadCursor(nullptr, IDC_HAND));
  EXPECT_EQ(LoadCursor(nullptr, "ad_hand"), LoadCursor(nullptr, IDC_HAND));
  EXPECT_EQ(LoadCursor(nullptr, "NO_SUCH_CURSOR"), nullptr);
}

TEST_F(InputTest, TheCaretBlinksOnTheClockAndLeavesNoTrace) {
  platform::UseManualClock(1'000'000);
  HWND hwnd = MakePlain(10, 10, 100, 100);
  auto pixel = [&](int x, int y) { return platform::CaptureWindow(hwnd)->Pixel(x, y); };
  ASSERT_EQ(pixel(20, 20), 0xFFFFFFu);
  ASSERT_TRUE(CreateCaret(hwnd, nullptr, 2, 12));
  SetCaretPos(20, 15);
  EXPECT_EQ(pixel(20, 20), 0xFFFFFFu);  // a new caret starts hidden
  ShowCaret(hwnd);
  EXPECT_EQ(pixel(20, 20), 0u);  // inverted white is black
  EXPECT_EQ(pixel(22, 20), 0xFFFFFFu);
  platform::AdvanceClockMs(GetCaretBlinkTime());
  Pump();
  EXPECT_EQ(pixel(20, 20), 0xFFFFFFu);  // blinked off
  platform::AdvanceClockMs(GetCaretBlinkTime());
  Pump();
  EXPECT_EQ(pixel(20, 20), 0u);  // and on again
  // Painting takes the caret off and puts it back.
  InvalidateRect(hwnd, nullptr, TRUE);
  Pump();
  EXPECT_EQ(pixel(20, 20), 0u);
  HideCaret(hwnd);
  EXPECT_EQ(pixel(20, 20), 0xFFFFFFu);
  ShowCaret(hwnd);
  DestroyCaret();
  EXPECT_EQ(pixel(20, 20), 0xFFFFFFu);
  POINT pos;
  EXPECT_FALSE(GetCaretPos(&pos));
}

}  // namespace
}  // namespace velko_test

// Update regions, WM_PAINT and its place in the queue, window DCs, window
// regions and scrolling, read back from the windows' images.
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

constexpr char kWhiteClass[] = "VelkoWhitePaintTest";
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kWhite = 0xFFFFFF;

class PaintingTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    RegisterTestClassEx(kWhiteClass, 0, GetSysColorBrush(COLOR_WINDOW), nullptr);
  }

  // A shown popup without a frame at (x, y): window and client coincide.
  HWND MakePlain(int x, int y, int width, int height, DWORD style = 0, HWND parent = nullptr) {
    DWORD kind = parent != nullptr ? WS_CHILD : WS_POPUP;
    HWND hwnd =
        MakeOf(kWhiteClass, parent, kind | WS_VISIBLE | style, nullptr, 0, x, y, width, height);
    Pump();
    return hwnd;
  }

  static COLORREF PixelOf(HWND hwnd, int x, int y) {
    auto image = platform::CaptureWindow(hwnd);
    return image ? image->Pixel(x, y) : CLR_INVALID;
  }

  static void FillClient(HWND hwnd, COLORREF color) {
    HDC dc = GetDC(hwnd);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(hwnd, dc);
  }
};

TEST_F(PaintingTest, PaintComesAfterPostedMessagesAndInputAndBeforeTimers) {
  platform::UseManualClock(1'000'000);
  HWND hwnd = MakePlain(10, 10, 100, 100);
  SetTimer(hwnd, 1, 10, nullptr);
  platform::AdvanceClockMs(20);
  InvalidateRect(hwnd, nullptr, TRUE);
  platform::InjectClick(50, 50);
  PostMessage(hwnd, WM_APP, 0, 0);
  std::vector<UINT> order;
  MSG msg;
  while (order.size() < 6 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(msg.message);
    DispatchMessage(&msg);
    if (msg.message == WM_TIMER) break;
  }
  KillTimer(hwnd, 1);
  std::vector<UINT> expected{WM_APP,       WM_MOUSEMOVE, WM_LBUTTONDOWN,
                             WM_LBUTTONUP, WM_PAINT,     WM_TIMER};
  EXPECT_EQ(order, expected);
}

TEST_F(PaintingTest, BeginPaintErasesWithTheClassBrushAndValidates) {
  HWND hwnd = MakePlain(10, 10, 100, 80);
  FillClient(hwnd, kRed);
  EXPECT_EQ(PixelOf(hwnd, 5, 5), kRed);
  RECT part{20, 10, 40, 30};
  InvalidateRect(hwnd, &part, TRUE);
  RECT painted{};
  BOOL erase_left = TRUE;
  SetHandler([&](HWND h, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h != hwnd || message != WM_PAINT) return std::nullopt;
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    painted = ps.rcPaint;
    erase_left = ps.fErase;
    EndPaint(h, &ps);
    return 0;
  });
  ClearMessageLog();
  Pump();
  EXPECT_EQ(MessagesOf(hwnd, {WM_PAINT, WM_ERASEBKGND}),
            (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
  EXPECT_EQ(EdgesOf(painted), (Edges{20, 10, 40, 30}));
  EXPECT_FALSE(erase_left);  // the class brush did it
  EXPECT_EQ(PixelOf(hwnd, 25, 15), kWhite);
  EXPECT_EQ(PixelOf(hwnd, 19, 15), kRed);  // outside the update region
  EXPECT_EQ(PixelOf(hwnd, 40, 15), kRed);
  EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
  ClearMessageLog();
  EXPECT_EQ(Pump(), 0);  // validated: no more WM_PAINT
}

TEST_F(PaintingTest, UpdateWindowPaintsAtOnceAndOnlyWhenNeeded) {
  HWND hwnd = MakePlain(10, 10, 50, 50);
  ClearMessageLog();
  UpdateWindow(hwnd);
  EXPECT_EQ(CountOf(hwnd, WM_PAINT), 0);
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  EXPECT_EQ(CountOf(hwnd, WM_PAINT), 1);
  EXPECT_EQ(CountOf(hwnd, WM_ERASEBKGND), 0);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INTERNALPAINT);
  EXPECT_EQ(Pump(), 1);
  EXPECT_EQ(CountOf(hwnd, WM_PAINT), 2);
  // WM_SETREDRAW FALSE holds painting back until it is TRUE again.
  SendMessage(hwnd, WM_SETREDRAW, FALSE, 0);
  InvalidateRect(hwnd, nullptr, TRUE);
  ClearMessageLog();
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_PAINT), 0);
  SendMessage(hwnd, WM_SETREDRAW, TRUE, 0);
  Pump();
  EXPECT_EQ(CountOf(hwnd, WM_PAINT), 1);
}

TEST_F(PaintingTest, AFrameInvalidationSendsNcPaintFromBeginPaint) {
  HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Framed", 0, 50, 50, 200, 150);
  Pump();
  ClearMessageLog();
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
  Pump();
  EXPECT_EQ(MessagesOf(hwnd, {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}),
            (std::vector<UINT>{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND}));
  // The default frame: active caption colour in the caption bar.
  EXPECT_EQ(PixelOf(hwnd, 100, 10), GetSysColor(COLOR_ACTIVECAPTION));
  // The outer edge: 3-D light top-left, dark shadow bottom-right.
  EXPECT_EQ(PixelOf(hwnd, 0, 50), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(PixelOf(hwnd, 199, 50), GetSysColor(COLOR_3DDKSHADOW));
}

TEST_F(PaintingTest, ChildrenAreInvalidatedWithTheirParentAndPaintAfterItUnlessItClipsThem) {
  HWND parent = MakePlain(10, 10, 200, 200);
  HWND child = MakePlain(20, 20, 50, 50, 0, parent);
  Pump();
  InvalidateRect(parent, nullptr, TRUE);
  EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE));
  ClearMessageLog();
  Pump();
  std::vector<HWND> painted;
  for (const LoggedMessage& m : MessageLog()) {
    if (m.message == WM_PAINT) painted.push_back(m.hwnd);
  }
  EXPECT_EQ(painted, (std::vector<HWND>{parent, child}));
  SetWindowLongPtr(parent, GWL_STYLE, GetWindowLongPtr(parent, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(parent, nullptr, TRUE);
  EXPECT_FALSE(GetUpdateRect(child, nullptr, FALSE));
  // Painting the parent does not paint over its child, which clips.
  FillClient(child, kRed);
  FillClient(parent, kWhite);
  EXPECT_EQ(PixelOf(child, 5, 5), kRed);
  EXPECT_EQ(PixelOf(parent, 5, 5), kWhite);
}

TEST_F(PaintingTest, WindowRegionsClipPaintingAndHitTests) {
  HWND hwnd = MakePlain(100, 100, 100, 100);
  FillClient(hwnd, kWhite);
  // Only the left half and a small square in the right half remain.
  HRGN left = CreateRectRgn(0, 0, 50, 100);
  HRGN square = CreateRectRgn(70, 70, 80, 80);
  CombineRgn(left, left, square, RGN_OR);
  DeleteObject(square);
  EXPECT_EQ(SetWindowRgn(hwnd, left, TRUE), 1);
  Pump();
  FillClient(hwnd, kRed);
  EXPECT_EQ(PixelOf(hwnd, 10, 10), kRed);
  EXPECT_EQ(PixelOf(hwnd, 75, 75), kRed);
  EXPECT_EQ(PixelOf(hwnd, 60, 10), kWhite);  // outside: untouched
  EXPECT_EQ(WindowFromPoint(POINT{110, 110}), hwnd);
  EXPECT_EQ(WindowFromPoint(POINT{160, 110}), nullptr);
  EXPECT_EQ(SendMessage(hwnd, WM_NCHITTEST, 0, MAKELPARAM(160, 110)), HTNOWHERE);
  EXPECT_EQ(SendMessage(hwnd, WM_NCHITTEST, 0, MAKELPARAM(175, 175)), HTCLIENT);
  // The composed screen shows the desktop through the hole.
  auto screen = platform::ComposeScreen();
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->Pixel(160, 110), GetSysColor(COLOR_DESKTOP));
  EXPECT_EQ(screen->Pixel(110, 110), kRed);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(hwnd, copy), COMPLEXREGION);
  EXPECT_TRUE(PtInRegion(copy, 75, 75));
  DeleteObject(copy);
  SetWindowRgn(hwnd, nullptr, TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{160, 110}), hwnd);
}

TEST_F(PaintingTest, AHiddenWindowsDcDrawsNowhere) {
  HWND hwnd = MakePlain(10, 10, 50, 50);
  FillClient(hwnd, kWhite);
  ShowWindow(hwnd, SW_HIDE);
  FillClient(hwnd, kRed);
  EXPECT_EQ(platform::CaptureWindow(hwnd), nullptr);
  ShowWindow(hwnd, SW_SHOWNA);
  EXPECT_EQ(PixelOf(hwnd, 5, 5), kWhite);
}

TEST_F(PaintingTest, ScrollingMovesThePixelsAndInvalidatesWhatItUncovers) {
  HWND hwnd = MakePlain(10, 10, 100, 100);
  FillClient(hwnd, kWhite);
  HDC dc = GetDC(hwnd);
  RECT band{0, 0, 100, 10};
  HBRUSH red = CreateSolidBrush(kRed);
  FillRect(dc, &band, red);
  DeleteObject(red);
  ReleaseDC(hwnd, dc);
  RECT uncovered{};
  ScrollWindowEx(hwnd, 0, 20, nullptr, nullptr, nullptr, &uncovered, SW_INVALIDATE);
  EXPECT_EQ(PixelOf(hwnd, 50, 25), kRed);
  EXPECT_EQ(PixelOf(hwnd, 50, 35), kWhite);
  EXPECT_EQ(EdgesOf(uncovered), (Edges{0, 0, 100, 20}));
  RECT update{};
  EXPECT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
  EXPECT_EQ(update.bottom, 20);
}

TEST_F(PaintingTest, OwnDcsKeepTheirSettingsAndFollowTheWindow) {
  RegisterTestClassEx("VelkoOwnDcTest", CS_OWNDC, GetSysColorBrush(COLOR_WINDOW), nullptr);
  HWND hwnd = MakeOf("VelkoOwnDcTest", nullptr, WS_POPUP | WS_VISIBLE, nullptr, 0, 10, 10, 60, 60);
  HDC first = GetDC(hwnd);
  SetTextColor(first, kRed);
  ReleaseDC(hwnd, first);
  HDC second = GetDC(hwnd);
  EXPECT_EQ(first, second);
  EXPECT_EQ(GetTextColor(second), kRed);
  ReleaseDC(hwnd, second);
  EXPECT_EQ(WindowFromDC(second), hwnd);
}

TEST_F(PaintingTest, TheScreenDcTakesTheWindowsImagesWhenFirstUsedAndKeepsWhatIsDrawnOnIt) {
  HWND hwnd = MakePlain(200, 300, 40, 40);
  FillClient(hwnd, kRed);
  HDC screen = GetDC(nullptr);
  // Measuring text does not use the pixels: the window painted after it
  // is still seen by the first read.
  SIZE extent{};
  EXPECT_TRUE(GetTextExtentPoint32(screen, "Song", 4, &extent));
  EXPECT_GT(extent.cx, 0);
  FillClient(hwnd, kBlue);
  EXPECT_EQ(GetPixel(screen, 210, 310), kBlue);
  EXPECT_EQ(GetPixel(screen, 5, 5), GetSysColor(COLOR_DESKTOP));
  // Drawing on it and reading back keeps the drawing.
  EXPECT_NE(SetPixel(screen, 5, 5, kRed), CLR_INVALID);
  EXPECT_EQ(GetPixel(screen, 5, 5), kRed);
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace velko_test

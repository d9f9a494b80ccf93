// The headless display: a framed window with some drawing, composed onto
// the virtual screen, compared with its expected picture. The picture is
// written under the build folder (build*/screenshots/) for a person to look
// at; VELKO_UPDATE_EXPECTED=1 writes the expected picture anew.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr char kClass[] = "VelkoScreenshotWindow";
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

LRESULT PictureProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProc(hwnd, message, wparam, lparam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HBRUSH red = CreateSolidBrush(kRed);
  HGDIOBJ old_brush = SelectObject(dc, red);
  Rectangle(dc, 10, 10, 110, 60);
  SelectObject(dc, old_brush);
  DeleteObject(red);
  HPEN blue = CreatePen(PS_SOLID, 1, kBlue);
  HGDIOBJ old_pen = SelectObject(dc, blue);
  MoveToEx(dc, 10, 80, nullptr);
  LineTo(dc, 200, 120);
  SelectObject(dc, old_pen);
  DeleteObject(blue);
  LOGFONT lf{};
  lf.lfHeight = 12;
  std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "Velko Test Font");
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  TextOut(dc, 130, 20, "Velko", 5);
  SelectObject(dc, old_font);
  DeleteObject(font);
  EndPaint(hwnd, &ps);
  return 0;
}

std::filesystem::path ExpectedPath() {
  return std::filesystem::path(VELKO_DISPLAY_EXPECTED_DIR) / "framed_window.png";
}

// RGB pixels of a PNG file, or empty when it cannot be read.
std::vector<std::uint8_t> ReadPng(const std::string& path, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return pixels;
}

class ScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetScreenSize(400, 300);
    WNDCLASS wc;
    wc.lpfnWndProc = PictureProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClass(&wc), 0);
  }
  void TearDown() override {
    UnregisterClass(kClass, nullptr);
    platform::SetScreenSize(1024, 768);
  }
};

TEST_F(ScreenshotTest, AFramedWindowWithDrawingMatchesItsPicture) {
  HWND hwnd = CreateWindowEx(0, kClass, "Velko", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 300, 200,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  velko_test::PumpWaitingMessages();
  auto screen = platform::ComposeScreen();
  ASSERT_TRUE(screen);
  ASSERT_TRUE(platform::SavePng(*screen, velko_test::ScreenshotPath("framed_window.png")));

  // What the classic look says, pixel by pixel.
  EXPECT_EQ(screen->Pixel(5, 5), GetSysColor(COLOR_DESKTOP));
  EXPECT_EQ(screen->Pixel(40, 100), GetSysColor(COLOR_3DLIGHT));        // outer edge, left
  EXPECT_EQ(screen->Pixel(41, 100), GetSysColor(COLOR_3DHIGHLIGHT));    // inner edge, left
  EXPECT_EQ(screen->Pixel(339, 100), GetSysColor(COLOR_3DDKSHADOW));    // outer edge, right
  EXPECT_EQ(screen->Pixel(338, 100), GetSysColor(COLOR_3DSHADOW));      // inner edge, right
  EXPECT_EQ(screen->Pixel(42, 100), GetSysColor(COLOR_ACTIVEBORDER));   // the sizing border
  EXPECT_EQ(screen->Pixel(250, 34), GetSysColor(COLOR_ACTIVECAPTION));  // the caption bar
  EXPECT_EQ(screen->Pixel(250, 52), GetSysColor(COLOR_3DFACE));         // the line under it
  int caption_text = 0;
  for (int y = 34; y < 52; ++y) {
    for (int x = 63; x < 110; ++x)
      caption_text += screen->Pixel(x, y) == GetSysColor(COLOR_CAPTIONTEXT);
  }
  EXPECT_GT(caption_text, 20);  // "Velko" in the caption
  // The close box: a raised button face with a black cross in it.
  int cross = 0;
  for (int y = 36; y < 48; ++y) {
    for (int x = 318; x < 334; ++x) cross += screen->Pixel(x, y) == 0;
  }
  EXPECT_GT(cross, 8);
  EXPECT_EQ(screen->Pixel(333, 49), GetSysColor(COLOR_3DDKSHADOW));  // its outer edge
  // The client area starts at (44, 53): white, with the drawing on it.
  const int cx = 44, cy = 53;
  EXPECT_EQ(screen->Pixel(cx + 2, cy + 2), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(screen->Pixel(cx + 10, cy + 10), 0u);  // rectangle outline
  EXPECT_EQ(screen->Pixel(cx + 109, cy + 59), 0u);
  EXPECT_EQ(screen->Pixel(cx + 110, cy + 59), GetSysColor(COLOR_WINDOW));  // right edge exclusive
  EXPECT_EQ(screen->Pixel(cx + 50, cy + 30), kRed);
  EXPECT_EQ(screen->Pixel(cx + 10, cy + 80), kBlue);  // the line's first point
  EXPECT_EQ(screen->Pixel(cx + 130, cy + 20), 0u);    // a box of the test font
  EXPECT_EQ(screen->Pixel(cx + 2, cy + 140), GetSysColor(COLOR_WINDOW));

  // And the whole picture as it was last looked at.
  const std::filesystem::path expected = ExpectedPath();
  if (std::getenv("VELKO_UPDATE_EXPECTED") != nullptr) {
    ASSERT_TRUE(platform::SavePng(*screen, expected.string()));
  }
  int width = 0, height = 0;
  std::vector<std::uint8_t> want = ReadPng(expected.string(), &width, &height);
  ASSERT_FALSE(want.empty()) << "cannot read " << expected;
  ASSERT_EQ(width, screen->width());
  ASSERT_EQ(height, screen->height());
  int different = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &want[(static_cast<std::size_t>(y) * width + x) * 3];
      if (screen->Pixel(x, y) != RGB(p[0], p[1], p[2])) ++different;
    }
  }
  EXPECT_EQ(different, 0) << "see " << velko_test::ScreenshotPath("framed_window.png");
  DestroyWindow(hwnd);
}

TEST_F(ScreenshotTest, AnInactiveWindowHasAGrayCaptionAndATopmostOneCoversIt) {
  HWND below = CreateWindowEx(0, kClass, "Below", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 200,
                              150, nullptr, nullptr, nullptr, nullptr);
  HWND above = CreateWindowEx(WS_EX_TOPMOST, kClass, "Above", WS_POPUP | WS_BORDER | WS_VISIBLE,
                              100, 100, 150, 100, nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(below);
  HWND other = CreateWindowEx(0, kClass, "Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 250, 200, 100,
                              80, nullptr, nullptr, nullptr, nullptr);
  velko_test::PumpWaitingMessages();
  auto screen = platform::ComposeScreen();
  ASSERT_TRUE(screen);
  platform::SavePng(*screen, velko_test::ScreenshotPath("two_windows.png"));
  EXPECT_EQ(screen->Pixel(60, 25), GetSysColor(COLOR_INACTIVECAPTION));
  EXPECT_EQ(screen->Pixel(100, 120), 0u);  // the topmost window's border
  EXPECT_EQ(screen->Pixel(105, 180), GetSysColor(COLOR_WINDOW));
  DestroyWindow(other);
  DestroyWindow(above);
  DestroyWindow(below);
}

}  // namespace

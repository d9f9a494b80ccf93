// Surfaces and the DCs the window system makes on them; screenshots.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/display/display.h"
#include "platform/gdi/device.h"
#include "platform/gdi/gdi.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::Region;
using platform::Surface;

TEST(SurfaceDC, DrawsAtItsOriginInsideTheVisibleRegion) {
  auto surface = Surface::Create(20, 10);
  surface->Fill(RGB(255, 255, 255));
  // A "window" whose client area starts at (5, 2) and of which only the
  // left part (x < 12) is visible.
  HDC dc = platform::CreateSurfaceDC(surface, POINT{5, 2}, Region(RECT{5, 2, 12, 10}));
  ASSERT_NE(dc, nullptr);
  RECT all{0, 0, 100, 100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(surface->Pixel(5, 2), RGB(0, 0, 0));
  EXPECT_EQ(surface->Pixel(11, 9), RGB(0, 0, 0));
  EXPECT_EQ(surface->Pixel(12, 5), RGB(255, 255, 255));
  EXPECT_EQ(surface->Pixel(4, 5), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 7);
  EXPECT_EQ(box.bottom, 8);
  // The application's own clip (device units) is intersected with it.
  surface->Fill(RGB(255, 255, 255));
  IntersectClipRect(dc, 1, 1, 3, 3);
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(surface->Pixel(6, 3), RGB(0, 0, 0));
  EXPECT_EQ(surface->Pixel(5, 2), RGB(255, 255, 255));
  // The window moves: the application clip stays, the area follows.
  surface->Fill(RGB(255, 255, 255));
  ASSERT_TRUE(platform::SetSurfaceDCArea(dc, POINT{10, 5}, Region(RECT{0, 0, 20, 10})));
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(surface->Pixel(11, 6), RGB(0, 0, 0));
  EXPECT_EQ(surface->Pixel(13, 6), RGB(255, 255, 255));
  // Reset: default objects and no clip.
  ASSERT_TRUE(platform::ResetSurfaceDC(dc));
  EXPECT_EQ(GetClipRgn(dc, CreateRectRgn(0, 0, 0, 0)), 0);
  EXPECT_TRUE(platform::DestroySurfaceDC(dc));
}

TEST(SurfaceDC, BlitsBetweenWindowSurfacesAndMemory) {
  auto surface = Surface::Create(8, 8);
  surface->Fill(RGB(0, 0, 255));
  HDC window = platform::CreateSurfaceDC(surface, POINT{2, 2}, Region(RECT{0, 0, 8, 8}));
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, 4, 4);
  HGDIOBJ old = SelectObject(memory, bitmap);
  PatBlt(memory, 0, 0, 4, 4, WHITENESS);
  BitBlt(window, 0, 0, 2, 2, memory, 0, 0, SRCCOPY);
  EXPECT_EQ(surface->Pixel(2, 2), RGB(255, 255, 255));
  EXPECT_EQ(surface->Pixel(4, 4), RGB(0, 0, 255));
  BitBlt(memory, 0, 0, 4, 4, window, -2, -2, SRCCOPY);  // from the surface's top-left
  EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(memory, 2, 2), RGB(255, 255, 255));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  platform::DestroySurfaceDC(window);
}

TEST(SurfaceDC, DisplayDcDrawsOnTheScreenSurface) {
  auto screen = Surface::Create(64, 48);
  platform::SetScreenSurface(screen);
  HDC dc = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  SetPixel(dc, 10, 10, RGB(1, 2, 3));
  EXPECT_EQ(screen->Pixel(10, 10), RGB(1, 2, 3));
  platform::DestroySurfaceDC(dc);
  platform::SetScreenSurface(nullptr);
  EXPECT_EQ(CreateDC("PRINTER", nullptr, nullptr, nullptr), nullptr);
}

TEST(Screenshot, BmpAndPngFilesAreWritten) {
  velko_test::TempDir dir;
  auto surface = Surface::Create(3, 2);
  surface->Fill(RGB(255, 255, 255));
  surface->SetPixel(0, 0, RGB(255, 0, 0));
  surface->SetPixel(2, 1, RGB(0, 0, 255));
  ASSERT_TRUE(platform::SaveBmp(*surface, (dir / "shot.bmp").string()));
  std::string bmp = velko_test::ReadFile(dir / "shot.bmp");
  ASSERT_EQ(bmp.size(), 54u + 2 * 12);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  // Bottom-up rows: the first stored row is the bottom one (blue at x = 2).
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 6]), 255);
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 8]), 0);
  // The top row comes second: red at x = 0.
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 12 + 2]), 255);
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 12 + 0]), 0);
  ASSERT_TRUE(platform::SavePng(*surface, (dir / "sub" / "shot.png").string()));
  std::string png = velko_test::ReadFile(dir / "sub" / "shot.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_FALSE(platform::SaveBmp(*surface, "/proc/no-such-place/shot.bmp"));
  // The composed screen, saved as a PNG file.
  ASSERT_TRUE(platform::SaveScreenshot((dir / "screen.png").string()));
  EXPECT_EQ(velko_test::ReadFile(dir / "screen.png").substr(1, 3), "PNG");
}

}  // namespace

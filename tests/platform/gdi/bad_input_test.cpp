// Bad input fails with an error code and never crashes.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/device.h"
#include "platform/gdi/gdi.h"
#include "tests/platform/checks.h"
#include "tests/platform/gdi/canvas.h"

using velko_test::Canvas;

namespace {

HDC BogusDC() { return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x12345678)); }

TEST(BadInput, SurfacesOfBadSizesAreRefused) {
  EXPECT_EQ(ERROR_OF(platform::Surface::Create(0, 10) != nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(platform::Surface::Create(10, -1), nullptr);
  EXPECT_EQ(ERROR_OF(platform::Surface::Create(10000, 10000) != nullptr), ERROR_NOT_ENOUGH_MEMORY);  // 100 megapixels
  EXPECT_NE(platform::Surface::Create(8192, 8192), nullptr);     // exactly 64 megapixels
}

TEST(BadInput, NullAndStaleHandlesFail) {
  EXPECT_EQ(ERROR_OF(CreateCompatibleDC(BogusDC()) != nullptr), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_EQ(GetObjectType(nullptr), 0u);
  EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_FALSE(Rectangle(nullptr, 0, 0, 1, 1));
  EXPECT_FALSE(BitBlt(BogusDC(), 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
  EXPECT_FALSE(TextOut(nullptr, 0, 0, "a", 1));
  RECT r{0, 0, 1, 1};
  EXPECT_EQ(DrawText(nullptr, "a", 1, &r, 0), 0);
  EXPECT_EQ(FillRect(nullptr, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
  EXPECT_FALSE(PtInRegion(nullptr, 0, 0));
  EXPECT_EQ(CombineRgn(nullptr, nullptr, nullptr, RGN_OR), ERROR);

  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  ASSERT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));  // handles are never reused
  EXPECT_EQ(GetObjectType(pen), 0u);
  HPEN next = CreatePen(PS_SOLID, 1, 0);
  EXPECT_NE(next, pen);
  DeleteObject(next);

  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(LineTo(dc, 1, 1));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(BadInput, WrongKindsOfHandlesAreRefused) {
  Canvas c(4, 4);
  HRGN region = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(FillRect(c.dc(), nullptr, nullptr), 0);
  RECT r{0, 0, 1, 1};
  EXPECT_EQ(FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(region)), 0);
  EXPECT_FALSE(DeleteObject(c.dc()));  // a DC goes through DeleteDC
  EXPECT_FALSE(BitBlt(c.dc(), 0, 0, 1, 1, reinterpret_cast<HDC>(region), 0, 0, SRCCOPY));
  EXPECT_EQ(CreatePatternBrush(reinterpret_cast<HBITMAP>(region)), nullptr);
  DeleteObject(region);
}

TEST(BadInput, SelectedBitmapsCannotBeDeletedOrShared) {
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 4, 4);
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(a, bitmap);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(SelectObject(b, bitmap), nullptr);  // one DC at a time
  SelectObject(a, old);
  EXPECT_NE(SelectObject(b, bitmap), nullptr);
  DeleteDC(b);  // releases it
  EXPECT_TRUE(DeleteObject(bitmap));
  DeleteDC(a);
}

TEST(BadInput, BitmapsOfBadSizesAndHeadersFail) {
  EXPECT_EQ(CreateBitmap(-5, 5, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(5, 5, 2, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(5, 5, 1, 7, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);
  // A zero size gives the stock 1 x 1 monochrome bitmap, as documented.
  HBITMAP stock = CreateBitmap(0, 0, 1, 32, nullptr);
  BITMAP bm;
  ASSERT_EQ(GetObject(stock, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);

  auto section = [](LONG width, LONG height, WORD bits, DWORD size = 40, WORD planes = 1,
                    DWORD compression = BI_RGB) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = size;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = planes;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = compression;
    void* p = reinterpret_cast<void*>(1);
    HBITMAP h = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    EXPECT_EQ(p == nullptr, h == nullptr);
    if (h) DeleteObject(h);
    return h != nullptr;
  };
  EXPECT_TRUE(section(4, 4, 32));
  EXPECT_FALSE(section(0, 4, 32));
  EXPECT_FALSE(section(4, 0, 32));
  EXPECT_FALSE(section(-4, 4, 32));
  EXPECT_FALSE(section(4, INT32_MIN, 32));
  EXPECT_FALSE(section(4, 4, 7));
  EXPECT_FALSE(section(4, 4, 32, 10));
  EXPECT_FALSE(section(4, 4, 32, 40, 2));
  EXPECT_FALSE(section(4, 4, 8, 40, 1, BI_RLE8));
  EXPECT_FALSE(section(20000, 20000, 24));
  EXPECT_EQ(ERROR_OF(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0) != nullptr), ERROR_INVALID_PARAMETER);

  // Bit fields other than 5-5-5 and 8-8-8 are refused, not misread.
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } info565;
  info565.header.biWidth = 2;
  info565.header.biHeight = 2;
  info565.header.biBitCount = 16;
  info565.header.biCompression = BI_BITFIELDS;
  info565.masks[0] = 0xF800;
  info565.masks[1] = 0x07E0;
  info565.masks[2] = 0x001F;
  WORD pixels[4] = {};
  HBITMAP target = CreateCompatibleBitmap(nullptr, 2, 2);
  EXPECT_EQ(ERROR_OF(SetDIBits(nullptr, target, 0, 2, pixels, reinterpret_cast<BITMAPINFO*>(&info565), DIB_RGB_COLORS) != 0), ERROR_NOT_SUPPORTED);
  DeleteObject(target);
}

TEST(BadInput, RegionDataWithBadHeadersOrCountsFails) {
  struct {
    RGNDATAHEADER header;
    RECT rects[2];
  } data;
  data.header.nCount = 2;
  data.rects[0] = {0, 0, 1, 1};
  data.rects[1] = {2, 2, 3, 3};
  auto* rgn = reinterpret_cast<RGNDATA*>(&data);
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data - 1, rgn), nullptr);  // count larger than the data
  EXPECT_EQ(ExtCreateRegion(nullptr, 8, rgn), nullptr);
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, nullptr), nullptr);
  data.header.nCount = 0xFFFFFFFF;
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, rgn), nullptr);
  data.header.nCount = 2;
  data.header.dwSize = 31;
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, rgn), nullptr);
  data.header.dwSize = 32;
  data.header.iType = 2;
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, rgn), nullptr);
  data.header.iType = RDH_RECTANGLES;
  data.rects[1] = {INT_MIN, 0, INT_MAX, 1};
  EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, rgn), nullptr);
  EXPECT_EQ(CreateRectRgn(INT_MIN, 0, 5, 5), nullptr);
  HRGN r = CreateRectRgn(0, 0, 5, 5);
  EXPECT_EQ(OffsetRgn(r, INT_MAX, 0), ERROR);
  EXPECT_TRUE(PtInRegion(r, 1, 1));  // unchanged
  EXPECT_EQ(CombineRgn(r, r, r, 99), ERROR);
  DeleteObject(r);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ALTERNATE), nullptr);
}

TEST(BadInput, DrawingWithOddArgumentsDoesNothingHarmful) {
  Canvas c(8, 8);
  EXPECT_FALSE(Polyline(c.dc(), nullptr, 3));
  POINT one{1, 1};
  EXPECT_FALSE(Polyline(c.dc(), &one, 1));
  EXPECT_FALSE(Polygon(c.dc(), &one, 0));
  POINT far[2] = {{0, 0}, {INT_MAX, INT_MAX}};
  EXPECT_FALSE(Polyline(c.dc(), far, 2));
  EXPECT_TRUE(Rectangle(c.dc(), 5, 5, 5, 5));      // empty: nothing
  EXPECT_TRUE(Ellipse(c.dc(), 6, 6, 2, 2));        // reversed corners are put in order
  EXPECT_FALSE(Ellipse(c.dc(), 0, 0, INT_MAX, INT_MAX));
  EXPECT_TRUE(StretchBlt(c.dc(), 0, 0, 0, 0, c.dc(), 0, 0, 4, 4, SRCCOPY));
  EXPECT_TRUE(BitBlt(c.dc(), -100, -100, 50, 50, c.dc(), 0, 0, SRCCOPY));  // all off the bitmap
  EXPECT_TRUE(BitBlt(c.dc(), 0, 0, 8, 8, c.dc(), 100, 100, SRCCOPY));      // source off the bitmap
  EXPECT_FALSE(TextOut(c.dc(), 0, 0, "abc", -1));
  EXPECT_FALSE(TextOut(c.dc(), 0, 0, nullptr, 3));
  EXPECT_TRUE(TextOut(c.dc(), 0, 0, "\xFF\xFE\xC3", 3));  // malformed UTF-8 is drawn as replacement characters
  EXPECT_EQ(DrawText(c.dc(), "a", 1, nullptr, 0), 0);
  RECT empty{0, 0, 0, 0};
  EXPECT_GE(DrawText(c.dc(), "a b c", -1, &empty, DT_WORDBREAK), 0);
  EXPECT_EQ(SetROP2(c.dc(), 99), 0);
  EXPECT_EQ(SetBkMode(c.dc(), 7), 0);
  EXPECT_EQ(SetMapMode(c.dc(), 8), 0);
  EXPECT_EQ(CreatePen(PS_USERSTYLE, 1, 0), nullptr);
  EXPECT_EQ(CreateHatchBrush(42, 0), nullptr);
  EXPECT_EQ(CreateFont(100000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"), nullptr);
  RECT r{0, 0, 4, 4};
  EXPECT_FALSE(DrawEdge(c.dc(), &r, EDGE_RAISED, BF_DIAGONAL));
  EXPECT_FALSE(DrawFrameControl(c.dc(), &r, 99, 0));
}

TEST(BadInput, StockObjectsSurviveDeletion) {
  HGDIOBJ brush = GetStockObject(BLACK_BRUSH);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(100), nullptr);
}

TEST(BadInput, CreatingAndDeletingLeavesNoObjectsBehind) {
  GetStockObject(WHITE_BRUSH);  // stock objects exist first
  std::size_t before = platform::GdiObjectCount();
  for (int i = 0; i < 50; ++i) {
    Canvas c(4, 4);
    HFONT font = CreateFont(-11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kTestFontName);
    HGDIOBJ old = SelectObject(c.dc(), font);
    TextOut(c.dc(), 0, 0, "x", 1);
    SelectObject(c.dc(), old);
    DeleteObject(font);
    HRGN r = CreateEllipticRgn(0, 0, 4, 4);
    SelectClipRgn(c.dc(), r);
    DeleteObject(r);
  }
  EXPECT_EQ(platform::GdiObjectCount(), before);
}

TEST(BadInput, WindowDcsAreNotDeletedByDeleteDC) {
  auto surface = platform::Surface::Create(4, 4);
  HDC dc = platform::CreateSurfaceDC(surface, POINT{0, 0}, platform::Region(RECT{0, 0, 4, 4}));
  EXPECT_FALSE(DeleteDC(dc));
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 1, 1);
  EXPECT_EQ(SelectObject(dc, bitmap), nullptr);  // no bitmaps in window DCs
  DeleteObject(bitmap);
  EXPECT_TRUE(platform::DestroySurfaceDC(dc));
  EXPECT_EQ(platform::CreateSurfaceDC(nullptr, POINT{0, 0}, platform::Region()), nullptr);
}

}  // namespace

namespace {

TEST(BadInput, RestoreDCGivesBackTheBitmapSelectedSinceTheSave) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP first = CreateCompatibleBitmap(nullptr, 2, 2);
  HBITMAP second = CreateCompatibleBitmap(nullptr, 2, 2);
  HGDIOBJ original = SelectObject(dc, first);
  SaveDC(dc);
  SelectObject(dc, second);
  ASSERT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), first);
  EXPECT_TRUE(DeleteObject(second));  // no longer selected anywhere
  EXPECT_FALSE(DeleteObject(first));  // still selected
  SelectObject(dc, original);
  EXPECT_TRUE(DeleteObject(first));
  DeleteDC(dc);
}

}  // namespace

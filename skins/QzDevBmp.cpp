#include "skins/QzDevBmp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "classlib/Bitmaps.h"
#include "platform/user/painting.h"
#include "skins/SkinIniFiles.h"

namespace {

// Rounds halves to even and clamps to a byte.
uint8_t MixByte(uint8_t a, uint8_t b, double alpha) {
  double v = std::nearbyint((1.0 - alpha) * a + alpha * b);
  if (v < 0) v = 0;
  if (v > 255) v = 255;
  return static_cast<uint8_t>(v);
}

double ClampAlpha(double alpha) {
  if (std::isnan(alpha) || alpha < 0) return 0;
  return alpha > 1 ? 1 : alpha;
}

}  // namespace

TqzBmp::TqzBmp(int AWidth, int AHeight) {
  if (AWidth <= 0 || AHeight <= 0) return;
  Width = AWidth;
  Height = AHeight;
  if (MakeSection()) SetUp();
}

bool TqzBmp::MakeSection() {
  if (Width <= 0 || Height <= 0) {
    Width = Height = 0;
    return false;
  }
  Header = BITMAPINFOHEADER{};
  Header.biSize = 40;
  Header.biWidth = Width;
  Header.biHeight = -Height;
  Header.biPlanes = 1;
  Header.biBitCount = 24;
  Header.biCompression = BI_RGB;
  BitmapInfo = BITMAPINFO{};
  BitmapInfo.bmiHeader = Header;
  void* bits = nullptr;
  Handle = CreateDIBSection(nullptr, &BitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  Bits = static_cast<uint8_t*>(bits);
  if (Handle == nullptr || Bits == nullptr) {
    if (Handle) DeleteObject(Handle);
    Handle = nullptr;
    Bits = nullptr;
    Width = Height = 0;
    return false;
  }
  return true;
}

void TqzBmp::SetUp() {
  Gap = Width % 4;
  RowInc = Width * 3 + Gap;
  Size = RowInc * Height;
  Rows.resize(Height);
  for (int i = 0; i < Height; ++i) Rows[i] = Bits + static_cast<std::ptrdiff_t>(i) * RowInc;
  DC = CreateCompatibleDC(nullptr);
  SelectObject(DC, Handle);
}

TqzBmp* TqzBmp::CreateFromHandle(HBITMAP Bitmap) {
  auto* b = new TqzBmp();
  BITMAP info{};
  if (Bitmap == nullptr || GetObject(Bitmap, sizeof(info), &info) == 0) return b;
  b->Width = info.bmWidth;
  b->Height = std::abs(info.bmHeight);
  if (!b->MakeSection()) return b;
  HDC screen = GetDC(nullptr);
  BITMAPINFO bi = b->BitmapInfo;
  GetDIBits(screen, Bitmap, 0, b->Height, b->Bits, &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  b->SetUp();
  return b;
}

TqzBmp* TqzBmp::CreateFromFile(const String& FileName) {
  TBitmap bmp;
  bmp.LoadFromFile(FileName);
  return CreateFromHandle(bmp.Handle());
}

TqzBmp* TqzBmp::CreateFromStream(TStream* Stream) {
  TBitmap bmp;
  bmp.LoadFromStream(Stream);
  return CreateFromHandle(bmp.Handle());
}

TqzBmp* TqzBmp::CreateCopy(const TqzBmp* Source) {
  auto* b = new TqzBmp();
  b->Width = Source->Width;
  b->Height = Source->Height;
  b->Name = Source->Name;
  b->SourceRect = Source->SourceRect;
  if (!b->MakeSection()) return b;
  b->SetUp();
  std::memcpy(b->Bits, Source->Bits, static_cast<size_t>(b->Size));
  return b;
}

TqzBmp::~TqzBmp() {
  if (DC) DeleteDC(DC);
  if (Handle) DeleteObject(Handle);
}

void TqzBmp::Release() {
  if (--RefCount < 1) delete this;
}

void TqzBmp::SaveToStream(TStream* Stream) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(Width, Height);
  if (Width > 0 && Height > 0) Draw(bmp.Canvas()->Handle(), 0, 0);
  bmp.SaveToStream(Stream);
}

void TqzBmp::SaveToFile(const String& FileName) {
  TMemoryStream image;
  SaveToStream(&image);
  WriteSkinFile(FileName, image);
}

void TqzBmp::Draw(HDC ADC, int X, int Y) {
  if (DC) BitBlt(ADC, X, Y, Width, Height, DC, 0, 0, SRCCOPY);
}

void TqzBmp::DrawRect(HDC ADC, int X, int Y, int SrcX, int SrcY, int W, int H) {
  if (DC) BitBlt(ADC, X, Y, W, H, DC, SrcX, SrcY, SRCCOPY);
}

void TqzBmp::StretchDraw(HDC ADC, int X, int Y, int W, int H) {
  if (!DC) return;
  SetStretchBltMode(ADC, COLORONCOLOR);
  StretchBlt(ADC, X, Y, W, H, DC, 0, 0, Width, Height, SRCCOPY);
}

void TqzBmp::TileDraw(HDC ADC, int X, int Y, int W, int H) {
  if (!DC || W <= 0 || H <= 0) return;
  HDC mem = CreateCompatibleDC(ADC);
  HBITMAP bmp = CreateCompatibleBitmap(ADC, W, H);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, Width, Height, DC, 0, 0, SRCCOPY);
  int w = Width;
  while (w < W) {
    BitBlt(mem, w, 0, w, H, mem, 0, 0, SRCCOPY);
    w *= 2;
  }
  int h = Height;
  while (h < H) {
    BitBlt(mem, 0, h, w, h, mem, 0, 0, SRCCOPY);
    h *= 2;
  }
  BitBlt(ADC, X, Y, W, H, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

namespace {

// Renders into a temporary bitmap of W x H and draws it on the canvas with
// the given colour left out, keeping the canvas's DC state.
template <class Render>
void DrawThroughTransparentBitmap(TCanvas* Canvas, int X, int Y, int W, int H, TColor Color,
                                  Render render) {
  if (W <= 0 || H <= 0) return;
  HDC dc = Canvas->Handle();
  int saved = SaveDC(dc);
  try {
    TBitmap tmp;
    tmp.SetPixelFormat(pf24bit);
    tmp.SetSize(W, H);
    render(tmp.Canvas()->Handle());
    tmp.SetTransparentColor(Color);
    tmp.SetTransparent(true);
    Canvas->Draw(X, Y, &tmp);
  } catch (...) {
    RestoreDC(dc, saved);
    throw;
  }
  RestoreDC(dc, saved);
}

}  // namespace

void TqzBmp::DrawTransparent(TCanvas* Canvas, int X, int Y, TColor TransparentColor) {
  DrawThroughTransparentBitmap(Canvas, X, Y, Width, Height, TransparentColor,
                               [&](HDC dc) { Draw(dc, 0, 0); });
}

void TqzBmp::StretchDrawTransparent(TCanvas* Canvas, int X, int Y, int W, int H,
                                    TColor TransparentColor) {
  DrawThroughTransparentBitmap(Canvas, X, Y, W, H, TransparentColor,
                               [&](HDC dc) { StretchDraw(dc, 0, 0, W, H); });
}

void TqzBmp::TileDrawTransparent(TCanvas* Canvas, int X, int Y, int W, int H,
                                 TColor TransparentColor) {
  DrawThroughTransparentBitmap(Canvas, X, Y, W, H, TransparentColor,
                               [&](HDC dc) { TileDraw(dc, 0, 0, W, H); });
}

void TqzBmp::CopyTo(TqzBmp* Dest, int DstX, int DstY, int SrcX, int SrcY, int W, int H) const {
  if (Rows.empty() || Dest == nullptr || Dest->Rows.empty()) return;
  // Negative origins are moved inside both bitmaps rather than read or
  // written outside them.
  if (SrcX < 0) { W += SrcX; DstX -= SrcX; SrcX = 0; }
  if (SrcY < 0) { H += SrcY; DstY -= SrcY; SrcY = 0; }
  if (DstX < 0) { W += DstX; SrcX -= DstX; DstX = 0; }
  if (DstY < 0) { H += DstY; SrcY -= DstY; DstY = 0; }
  H = std::min(H, Height - SrcY);
  W = std::min(W, Width - SrcX);
  H = std::min(H, Dest->Height - DstY);
  W = std::min(W, Dest->Width - DstX);
  if (W <= 0 || H <= 0) return;
  for (int i = 0; i < H; ++i)
    std::memmove(Dest->Rows[DstY + i] + DstX * 3, Rows[SrcY + i] + SrcX * 3,
                 static_cast<size_t>(W) * 3);
}

void TqzBmp::CopyRect(TqzBmp* Dest, const RECT& SrcRect, int DstX, int DstY) const {
  CopyTo(Dest, DstX, DstY, SrcRect.left, SrcRect.top, SrcRect.right - SrcRect.left + 1,
         SrcRect.bottom - SrcRect.top + 1);
}

DWORD TqzBmp::GetRegionData(uint8_t*& Data, int OffX, int OffY, const RECT& Rect,
                            TColor MaskColor) const {
  Data = nullptr;
  if (Width == 0 || Rows.empty()) return 0;
  uint8_t mask[3];
  QzColorToPixel(MaskColor, mask);
  // Only pixels inside the image are read.
  const int left = std::max<int>(Rect.left, 0);
  const int top = std::max<int>(Rect.top, 0);
  const int right = std::min<int>(Rect.right, Width);
  const int bottom = std::min<int>(Rect.bottom, Height);
  std::vector<RECT> rects;
  auto isMask = [&](const uint8_t* p) {
    return p[0] == mask[0] && p[1] == mask[1] && p[2] == mask[2];
  };
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = Rows[y];
    int x = left;
    while (x < right) {
      while (x < right && isMask(row + x * 3)) ++x;
      if (x >= right) break;
      int x2 = x + 1;
      while (x2 < right && !isMask(row + x2 * 3)) ++x2;
      rects.push_back(RECT{OffX + x - Rect.left, OffY + y - Rect.top, OffX + x2 - Rect.left,
                           OffY + y + 1 - Rect.top});
      x = x2;
    }
  }
  const size_t size = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
  Data = new uint8_t[size]();
  RGNDATAHEADER header;
  header.dwSize = sizeof(RGNDATAHEADER);
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(rects.size());
  header.nRgnSize = 0;
  header.rcBound = RECT{0, 0, Width, Height};
  std::memcpy(Data, &header, sizeof(header));
  if (!rects.empty())
    std::memcpy(Data + sizeof(header), rects.data(), rects.size() * sizeof(RECT));
  return static_cast<DWORD>(size);
}

HRGN TqzBmp::CreateRegion(int OffX, int OffY, TColor MaskColor) const {
  if (Width == 0) return nullptr;
  uint8_t* data = nullptr;
  DWORD size = GetRegionData(data, OffX, OffY, RECT{0, 0, Width, Height}, MaskColor);
  if (data == nullptr) return nullptr;
  HRGN rgn = ExtCreateRegion(nullptr, size, reinterpret_cast<const RGNDATA*>(data));
  delete[] data;
  return rgn;
}

void TqzBmp::Blend(TqzBmp* A, const TqzBmp* B, int BX, int BY, const RECT& Rect, double Alpha) {
  if (A == nullptr || B == nullptr || A->Rows.empty() || B->Rows.empty()) return;
  // The rectangle is clipped to A and its B counterpart to B.
  int left = std::max<int>(Rect.left, 0);
  int top = std::max<int>(Rect.top, 0);
  int right = std::min<int>(Rect.right, A->Width - 1);
  int bottom = std::min<int>(Rect.bottom, A->Height - 1);
  BX += left - Rect.left;
  BY += top - Rect.top;
  if (BX < 0) { left -= BX; BX = 0; }
  if (BY < 0) { top -= BY; BY = 0; }
  right = std::min(right, left + (B->Width - 1 - BX));
  bottom = std::min(bottom, top + (B->Height - 1 - BY));
  for (int y = top, by = BY; y <= bottom; ++y, ++by) {
    uint8_t* a = A->Rows[y];
    const uint8_t* b = B->Rows[by];
    for (int x = left, bx = BX; x <= right; ++x, ++bx)
      for (int c = 0; c < 3; ++c) a[x * 3 + c] = MixByte(a[x * 3 + c], b[bx * 3 + c], Alpha);
    if (this != A && y < Height)
      std::memcpy(Rows[y], a, static_cast<size_t>(std::min(A->Width, Width)) * 3);
  }
}

void TqzBmp::Fade(TqzBmp* A, const TqzBmp* B, double Alpha) {
  if (A == nullptr || B == nullptr || A->Width != B->Width || A->Height != B->Height) return;
  Blend(A, B, 0, 0, RECT{0, 0, A->Width - 1, A->Height - 1}, ClampAlpha(Alpha));
}

void TqzBmp::Slide(TqzBmp* A, TqzBmp* B, int Direction, double Alpha) {
  if (A == nullptr || B == nullptr || A->Width != B->Width || A->Height != B->Height) return;
  if (!DC) return;
  Alpha = ClampAlpha(Alpha);
  A->Draw(DC, 0, 0);
  const int W = Width, H = Height;
  const int sW = static_cast<int>(std::nearbyint(W * Alpha));
  const int sH = static_cast<int>(std::nearbyint(H * Alpha));
  switch (Direction) {
    case 0: B->DrawRect(DC, 0, 0, W - sW, 0, W, H); break;
    case 1: B->DrawRect(DC, W - sW, 0, 0, 0, W, H); break;
    case 2: B->DrawRect(DC, 0, 0, 0, H - sH, W, H); break;
    case 3: B->DrawRect(DC, 0, H - sH, 0, 0, W, H); break;
    default: break;
  }
}

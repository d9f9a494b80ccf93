// The skin engine's bitmap: a reference-counted 24-bit top-down DIB section
// with a memory DC of its own and a row table for direct pixel access. Every
// skin image, every part cut from one and every effect buffer is a TqzBmp.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/Canvas.h"
#include "classlib/Streams.h"
#include "platform/gdi/gdi.h"

// Pixel geometry: three bytes per pixel (blue, green, red), rows top to
// bottom, each row padded to a multiple of four bytes.
class TQZDevRGB {
 public:
  int32_t Gap = 0;      // Width mod 4: filler bytes at the end of each row
  int32_t RowInc = 0;   // bytes from one row to the next
  int32_t Size = 0;     // RowInc * Height
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t*> Rows;  // Rows[0] is the top row
  uint8_t* Bits = nullptr;     // owned by the DIB section

  // The pixel at (x, y); no bounds check.
  uint8_t* Pixel(int x, int y) const { return Rows[y] + x * 3; }
};

class TqzBmp : public TQZDevRGB {
 public:
  // Width x Height; a size of 0 or less in either direction gives an empty
  // bitmap (no DIB, DC or rows). Every new bitmap, empty or not, starts
  // with one reference, so holders that share it with AddRef count alike.
  TqzBmp(int AWidth, int AHeight);
  // Any bitmap handle, converted to 24 bits.
  static TqzBmp* CreateFromHandle(HBITMAP Bitmap);
  // A BMP file; a missing or unreadable file raises the class library's
  // file, stream or graphic error.
  static TqzBmp* CreateFromFile(const String& FileName);
  // A BMP file image at the stream's position, which is left just after
  // it; errors as CreateFromFile.
  static TqzBmp* CreateFromStream(TStream* Stream);
  static TqzBmp* CreateCopy(const TqzBmp* Source);

  TqzBmp(const TqzBmp&) = delete;
  TqzBmp& operator=(const TqzBmp&) = delete;

  TqzBmp* AddRef() {
    ++RefCount;
    return this;
  }
  // Frees the bitmap when the count falls below 1.
  void Release();

  bool Empty() const { return Handle == nullptr; }

  // Always a 24-bit BMP file, written whole or not at all (the old file
  // stays and EFCreateError is raised).
  void SaveToFile(const String& FileName);
  void SaveToStream(TStream* Stream);

  void Draw(HDC DC, int X, int Y);
  void DrawRect(HDC DC, int X, int Y, int SrcX, int SrcY, int W, int H);
  void StretchDraw(HDC DC, int X, int Y, int W, int H);
  void TileDraw(HDC DC, int X, int Y, int W, int H);
  void DrawTransparent(TCanvas* Canvas, int X, int Y, TColor TransparentColor);
  void StretchDrawTransparent(TCanvas* Canvas, int X, int Y, int W, int H,
                              TColor TransparentColor);
  void TileDrawTransparent(TCanvas* Canvas, int X, int Y, int W, int H, TColor TransparentColor);

  // Copies W x H pixels from (SrcX, SrcY) to (DstX, DstY) of Dest, cut at
  // the edges of both bitmaps.
  void CopyTo(TqzBmp* Dest, int DstX, int DstY, int SrcX, int SrcY, int W, int H) const;
  // The rectangle's right and bottom edges are inside it.
  void CopyRect(TqzBmp* Dest, const RECT& SrcRect, int DstX, int DstY) const;

  // A region-data block (header and rectangles) of the pixels that differ
  // from MaskColor inside Rect, moved by (OffX - Rect.left, OffY - Rect.top).
  // Data receives a block allocated with new[] (the caller frees it with
  // delete[]); the result is its size in bytes, 0 when Width is 0.
  DWORD GetRegionData(uint8_t*& Data, int OffX, int OffY, const RECT& Rect,
                      TColor MaskColor) const;
  // The region of the whole image with the mask-coloured pixels left out,
  // moved by (OffX, OffY); null for an empty image.
  HRGN CreateRegion(int OffX, int OffY, TColor MaskColor) const;

  // Mixes A's rectangle (inclusive, clipped to A) with B from (BX, BY) into
  // A and copies A's rows into this bitmap.
  void Blend(TqzBmp* A, const TqzBmp* B, int BX, int BY, const RECT& Rect, double Alpha);
  void Fade(TqzBmp* A, const TqzBmp* B, double Alpha);
  // Direction 0 left to right, 1 right to left, 2 top to bottom, 3 bottom
  // to top.
  void Slide(TqzBmp* A, TqzBmp* B, int Direction, double Alpha);

  String Name;
  RECT SourceRect{0, 0, 0, 0};
  // Cut from a skin image (SourceRect says where), even at column or row 0.
  bool Cut = false;
  int32_t RefCount = 1;
  HBITMAP Handle = nullptr;
  HDC DC = nullptr;
  BITMAPINFO BitmapInfo{};
  BITMAPINFOHEADER Header{};

 private:
  TqzBmp() = default;
  ~TqzBmp();
  // Makes the DIB section of Width x Height; false when the size is empty.
  bool MakeSection();
  void SetUp();
};

// Converts a colour (red in the low byte) to the three pixel bytes.
inline void QzColorToPixel(TColor Color, uint8_t* Pixel) {
  uint32_t c = static_cast<uint32_t>(Color);
  Pixel[0] = static_cast<uint8_t>(c >> 16);
  Pixel[1] = static_cast<uint8_t>(c >> 8);
  Pixel[2] = static_cast<uint8_t>(c);
}

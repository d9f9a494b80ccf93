// Reading and writing the BMP format (device-independent bitmaps): the
// file form (file header, information header, colour table, pixels), the
// packed form of bitmap resources and of the images inside icon files.
//
// Everything read is checked before it is used: a header that is not a
// bitmap's, a size above 64 megapixels, a colour table longer than the
// format allows or an offset pointing into the headers raises
// EInvalidGraphic "Bitmap image is not valid"; data that ends early raises
// EReadError "Stream read error" (the class library's stream error), and
// nothing is allocated for pixels the data cannot hold.
//
// Read: 1, 4 and 8 bits with colour tables (also run-length encoded 4 and
// 8 bits), 16 bits (5-5-5, or any bit-field layout, which becomes 24
// bits), 24 bits, 32 bits (bit fields other than 8-8-8 are converted);
// both row orders; the 12-byte old-style header and the 40- to 124-byte
// headers. Written: the bitmap's own depth, rows bottom to top, BI_RGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "classlib/Streams.h"
#include "platform/gdi/gdi.h"

namespace bmp {

// The largest picture read, in pixels.
inline constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

// Decoded pixels in a layout a DIB section takes as it is.
struct Dib {
  int width = 0;
  int height = 0;
  int bitCount = 0;  // 1, 4, 8, 16 (5-5-5), 24 or 32
  std::vector<RGBQUAD> colors;      // 1, 4 and 8 bits
  std::vector<std::uint8_t> bits;   // rows top to bottom, RowBytes() apart

  std::size_t RowBytes() const;
  std::uint8_t* Row(int y) { return bits.data() + RowBytes() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const { return bits.data() + RowBytes() * static_cast<std::size_t>(y); }
};

// Bytes of one row of `width` pixels of `bitCount` bits, padded to 4 bytes.
std::size_t DibRowBytes(int width, int bitCount);

// Reads a BMP file image from the stream's position and leaves the stream
// just after the image's pixel data.
Dib ReadBmpFile(TStream* Stream);
// Reads a packed DIB (information header, colour table, pixels).
Dib ReadPackedDib(const std::uint8_t* data, std::size_t size);
// Reads an icon file's image: a packed DIB whose height counts the colour
// image and the 1-bit AND mask below it. `mask` receives the mask as a
// 1-bit Dib (colours black and white).
Dib ReadIconDib(const std::uint8_t* data, std::size_t size, Dib* mask);

// Writes a BMP file image: `row(y)` gives row y (0 = top) of `height` rows
// of DibRowBytes(width, bitCount) bytes.
void WriteBmpFile(TStream* Stream, int width, int height, int bitCount, const std::vector<RGBQUAD>& colors,
                  const std::function<const std::uint8_t*(int)>& row);

}  // namespace bmp

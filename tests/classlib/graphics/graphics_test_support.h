// Helpers of the drawing-class tests: BMP files built byte by byte (so the
// reader is checked against the format, not against our own writer),
// pixel access that does not go through the canvas, and character
// pictures of small bitmaps.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "classlib/Graphics.h"
#include "classlib/Streams.h"

namespace velko_test {

inline void PutLE(std::string& s, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
inline std::uint32_t GetLE(const std::string& s, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + i])) << (8 * i);
  return v;
}

// Offsets of the fields of a BMP file with a 40-byte header.
namespace bmpfield {
constexpr std::size_t kOffBits = 10, kHeaderSize = 14, kWidth = 18, kHeight = 22, kPlanes = 26, kBitCount = 28,
                      kCompression = 30, kSizeImage = 34, kClrUsed = 46, kColors = 54;
}

// A BMP file of `bits` bits per pixel. `pixel(x, y)` (y = 0 at the top)
// gives a colour-table index for 1, 4 and 8 bits, the raw 16-bit value for
// 16 bits, 0xRRGGBB for 24 bits and 0xAARRGGBB for 32 bits.
inline std::string MakeBmp(int width, int height, int bits, bool topDown, const std::vector<RGBQUAD>& colors,
                           const std::function<std::uint32_t(int, int)>& pixel) {
  const std::size_t rowBytes = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
  const std::size_t offBits = 14 + 40 + 4 * colors.size();
  std::string f(offBits + rowBytes * static_cast<std::size_t>(height), '\0');
  f[0] = 'B';
  f[1] = 'M';
  PutLE(f, 2, static_cast<std::uint32_t>(f.size()), 4);
  PutLE(f, bmpfield::kOffBits, static_cast<std::uint32_t>(offBits), 4);
  PutLE(f, bmpfield::kHeaderSize, 40, 4);
  PutLE(f, bmpfield::kWidth, static_cast<std::uint32_t>(width), 4);
  PutLE(f, bmpfield::kHeight, static_cast<std::uint32_t>(topDown ? -height : height), 4);
  PutLE(f, bmpfield::kPlanes, 1, 2);
  PutLE(f, bmpfield::kBitCount, static_cast<std::uint32_t>(bits), 2);
  PutLE(f, bmpfield::kClrUsed, static_cast<std::uint32_t>(colors.size()), 4);
  for (std::size_t i = 0; i < colors.size(); ++i) {
    std::memcpy(&f[bmpfield::kColors + 4 * i], &colors[i], 4);
  }
  for (int y = 0; y < height; ++y) {
    const int fileRow = topDown ? y : height - 1 - y;
    const std::size_t row = offBits + rowBytes * static_cast<std::size_t>(fileRow);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixel(x, y);
      switch (bits) {
        case 1: f[row + x / 8] = static_cast<char>(f[row + x / 8] | ((v & 1) << (7 - x % 8))); break;
        case 4: f[row + x / 2] = static_cast<char>(f[row + x / 2] | ((v & 15) << (x % 2 == 0 ? 4 : 0))); break;
        case 8: f[row + x] = static_cast<char>(v); break;
        case 16: PutLE(f, row + 2 * x, v, 2); break;
        case 24: PutLE(f, row + 3 * x, v, 3); break;
        case 32: PutLE(f, row + 4 * x, v, 4); break;
      }
    }
  }
  return f;
}

inline RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// A stream over the bytes of a string (for loading).
inline std::unique_ptr<TMemoryStream> StreamOf(const std::string& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}
inline std::string BytesOf(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

// The raw value of pixel (x, y) read through ScanLine, in the bitmap's own
// format (an index, a 16-bit value, 0xRRGGBB, or the whole 32-bit word).
inline std::uint32_t RawPixel(TBitmap& b, int x, int y, int bits) {
  const auto* row = static_cast<const std::uint8_t*>(b.ScanLine(y));
  switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15;
    case 8: return row[x];
    case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    default: return row[4 * x] | (row[4 * x + 1] << 8) | (row[4 * x + 2] << 16) | (static_cast<std::uint32_t>(row[4 * x + 3]) << 24);
  }
}

// A 32-bit bitmap filled with a colour, for drawing tests.
inline std::unique_ptr<TBitmap> Surface(int width, int height, TColor fill = clWhite) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(width, height);
  b->Canvas()->Brush()->SetColor(fill);
  b->Canvas()->FillRect(Rect(0, 0, width, height));
  return b;
}

// Rows of characters, one per pixel (read with GetPixel on the canvas).
inline std::string Picture(TBitmap& b, const std::map<TColor, char>& legend) {
  std::string out;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      auto it = legend.find(b.Canvas()->Pixels(x, y));
      out.push_back(it == legend.end() ? '?' : it->second);
    }
    out.push_back('\n');
  }
  return out;
}
inline const std::map<TColor, char>& Legend() {
  static const std::map<TColor, char> legend{{clWhite, '.'}, {clBlack, '#'}, {clRed, 'r'},
                                             {clLime, 'g'},  {clBlue, 'b'},  {clYellow, 'y'}};
  return legend;
}
// A picture written in the test, after a leading newline.
inline std::string Art(const char* text) { return std::string(text[0] == '\n' ? text + 1 : text); }

// One image of an icon file.
struct IconImage {
  int size;
  int bits;  // 4 or 24
  std::function<std::uint32_t(int, int)> pixel;  // index or 0xRRGGBB
  std::function<bool(int, int)> transparent;
};

// The image data of one icon entry: header with the doubled height, the
// colour table, the colour rows and the AND mask rows, bottom to top.
inline std::string IconDib(const IconImage& im) {
  const int n = im.size;
  const std::size_t colorRow = static_cast<std::size_t>((n * im.bits + 31) / 32 * 4);
  const std::size_t maskRow = static_cast<std::size_t>((n + 31) / 32 * 4);
  const std::size_t table = im.bits == 4 ? 64 : 0;
  std::string d(40 + table + colorRow * n + maskRow * n, '\0');
  PutLE(d, 0, 40, 4);
  PutLE(d, 4, static_cast<std::uint32_t>(n), 4);
  PutLE(d, 8, static_cast<std::uint32_t>(2 * n), 4);
  PutLE(d, 12, 1, 2);
  PutLE(d, 14, static_cast<std::uint32_t>(im.bits), 2);
  if (im.bits == 4) {
    PutLE(d, 40 + 4 * 1, 0x0000FF, 4);  // entry 1: blue
    PutLE(d, 40 + 4 * 2, 0xFFFF00, 4);  // entry 2: yellow
  }
  for (int y = 0; y < n; ++y) {
    const std::size_t row = 40 + table + colorRow * static_cast<std::size_t>(n - 1 - y);
    const std::size_t mrow = 40 + table + colorRow * n + maskRow * static_cast<std::size_t>(n - 1 - y);
    for (int x = 0; x < n; ++x) {
      const bool clear = im.transparent(x, y);
      const std::uint32_t v = clear ? 0 : im.pixel(x, y);
      if (im.bits == 4) {
        d[row + x / 2] = static_cast<char>(d[row + x / 2] | (v << (x % 2 == 0 ? 4 : 0)));
      } else {
        PutLE(d, row + 3 * x, v, 3);
      }
      if (clear) d[mrow + x / 8] = static_cast<char>(d[mrow + x / 8] | (0x80 >> (x % 8)));
    }
  }
  return d;
}

inline std::string IconFile(const std::vector<IconImage>& images) {
  std::string f(6 + 16 * images.size(), '\0');
  PutLE(f, 2, 1, 2);
  PutLE(f, 4, static_cast<std::uint32_t>(images.size()), 2);
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::string dib = IconDib(images[i]);
    const std::size_t e = 6 + 16 * i;
    f[e] = static_cast<char>(images[i].size);
    f[e + 1] = static_cast<char>(images[i].size);
    PutLE(f, e + 4, 1, 2);
    PutLE(f, e + 6, static_cast<std::uint32_t>(images[i].bits), 2);
    PutLE(f, e + 8, static_cast<std::uint32_t>(dib.size()), 4);
    PutLE(f, e + 12, static_cast<std::uint32_t>(f.size()), 4);
    f += dib;
  }
  return f;
}

// An icon file of one opaque `size` x `size` image of 24 bits in one colour.
inline std::string SolidIcon(int size, std::uint32_t rgb) {
  return IconFile({{size, 24, [rgb](int, int) { return rgb; }, [](int, int) { return false; }}});
}

}  // namespace velko_test

#include "platform/gdi/pixels.h"

#include <cstring>

namespace platform::gdi {

int BitsPerPixel(Format format) {
  switch (format) {
    case Format::Mono: return 1;
    case Format::Index4: return 4;
    case Format::Index8: return 8;
    case Format::Rgb555: return 16;
    case Format::Bgr24: return 24;
    case Format::Bgrx32: return 32;
  }
  return 32;
}

std::int64_t RowBytes(Format format, std::int64_t width, int align) {
  std::int64_t bits = width * BitsPerPixel(format);
  std::int64_t bytes = (bits + 7) / 8;
  return (bytes + align - 1) / align * align;
}

std::uint32_t PixelStore::Mask() const {
  switch (format) {
    case Format::Mono: return 0x1;
    case Format::Index4: return 0xF;
    case Format::Index8: return 0xFF;
    case Format::Rgb555: return 0x7FFF;
    default: return 0xFFFFFF;
  }
}

std::uint32_t PixelStore::Get(int x, int y) const {
  const std::uint8_t* row = Row(y);
  switch (format) {
    case Format::Mono: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case Format::Index4: return (x & 1) ? (row[x >> 1] & 0xF) : (row[x >> 1] >> 4);
    case Format::Index8: return row[x];
    case Format::Rgb555: return (row[2 * x] | (row[2 * x + 1] << 8)) & 0x7FFF;
    case Format::Bgr24: {
      const std::uint8_t* p = row + 3 * x;
      return p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    }
    case Format::Bgrx32: {
      std::uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v & 0xFFFFFF;
    }
  }
  return 0;
}

void PixelStore::Put(int x, int y, std::uint32_t v) const {
  std::uint8_t* row = Row(y);
  switch (format) {
    case Format::Mono: {
      std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
      if (v & 1) row[x >> 3] |= bit; else row[x >> 3] &= static_cast<std::uint8_t>(~bit);
      break;
    }
    case Format::Index4: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (v & 0xF))
                  : static_cast<std::uint8_t>((b & 0x0F) | ((v & 0xF) << 4));
      break;
    }
    case Format::Index8: row[x] = static_cast<std::uint8_t>(v); break;
    case Format::Rgb555:
      row[2 * x] = static_cast<std::uint8_t>(v);
      row[2 * x + 1] = static_cast<std::uint8_t>((v >> 8) & 0x7F);
      break;
    case Format::Bgr24: {
      std::uint8_t* p = row + 3 * x;
      p[0] = static_cast<std::uint8_t>(v);
      p[1] = static_cast<std::uint8_t>(v >> 8);
      p[2] = static_cast<std::uint8_t>(v >> 16);
      break;
    }
    case Format::Bgrx32: {
      std::uint32_t w = v & 0xFFFFFF;
      std::memcpy(row + 4 * x, &w, 4);
      break;
    }
  }
}

void PixelStore::ReadRow(int y, int x, int n, std::uint32_t* out) const {
  if (format == Format::Bgrx32) {
    const std::uint8_t* p = Row(y) + 4 * x;
    std::memcpy(out, p, static_cast<std::size_t>(n) * 4);
    for (int i = 0; i < n; ++i) out[i] &= 0xFFFFFF;
    return;
  }
  for (int i = 0; i < n; ++i) out[i] = Get(x + i, y);
}

void PixelStore::WriteRow(int y, int x, int n, const std::uint32_t* in) const {
  if (format == Format::Bgrx32) {
    std::uint32_t* p = reinterpret_cast<std::uint32_t*>(Row(y)) + x;
    for (int i = 0; i < n; ++i) p[i] = in[i] & 0xFFFFFF;
    return;
  }
  for (int i = 0; i < n; ++i) Put(x + i, y, in[i]);
}

COLORREF PixelStore::ToColor(std::uint32_t v) const {
  switch (format) {
    case Format::Mono:
    case Format::Index4:
    case Format::Index8: {
      if (palette == nullptr || static_cast<int>(v) >= paletteSize) return 0;
      const RGBQUAD& q = palette[v];
      return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    case Format::Rgb555: {
      auto expand = [](std::uint32_t c) { return static_cast<BYTE>((c << 3) | (c >> 2)); };
      return RGB(expand((v >> 10) & 0x1F), expand((v >> 5) & 0x1F), expand(v & 0x1F));
    }
    default:
      return RGB(static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v));
  }
}

int NearestPaletteIndex(const RGBQUAD* palette, int count, COLORREF color) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    long dr = static_cast<long>(palette[i].rgbRed) - GetRValue(color);
    long dg = static_cast<long>(palette[i].rgbGreen) - GetGValue(color);
    long db = static_cast<long>(palette[i].rgbBlue) - GetBValue(color);
    long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

std::uint32_t PixelStore::FromColor(COLORREF color) const {
  switch (format) {
    case Format::Mono:
    case Format::Index4:
    case Format::Index8: {
      if ((color & 0xFF000000) == 0x01000000) return (color & 0xFFFF) & Mask();
      if (palette == nullptr || paletteSize == 0) return 0;
      return static_cast<std::uint32_t>(NearestPaletteIndex(palette, paletteSize, color & 0xFFFFFF));
    }
    case Format::Rgb555:
      return ((GetRValue(color) >> 3) << 10) | ((GetGValue(color) >> 3) << 5) | (GetBValue(color) >> 3);
    default:
      return (static_cast<std::uint32_t>(GetRValue(color)) << 16) | (GetGValue(color) << 8) |
             GetBValue(color);
  }
}

const std::vector<RGBQUAD>& MonoPalette() {
  static const std::vector<RGBQUAD> palette{{0, 0, 0, 0}, {255, 255, 255, 0}};
  return palette;
}

const std::vector<RGBQUAD>& VgaPalette() {
  static const std::vector<RGBQUAD> palette = [] {
    const COLORREF colors[16] = {RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),
                                 RGB(128, 128, 0),   RGB(0, 0, 128),   RGB(128, 0, 128),
                                 RGB(0, 128, 128),   RGB(192, 192, 192), RGB(128, 128, 128),
                                 RGB(255, 0, 0),     RGB(0, 255, 0),   RGB(255, 255, 0),
                                 RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255),
                                 RGB(255, 255, 255)};
    std::vector<RGBQUAD> p;
    for (COLORREF c : colors) p.push_back({GetBValue(c), GetGValue(c), GetRValue(c), 0});
    return p;
  }();
  return palette;
}

const std::vector<RGBQUAD>& DefaultPalette256() {
  static const std::vector<RGBQUAD> palette = [] {
    std::vector<RGBQUAD> p = VgaPalette();
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          p.push_back({static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(r * 51), 0});
    for (int i = 0; p.size() < 256; ++i) {
      BYTE v = static_cast<BYTE>(8 + i * 10);
      p.push_back({v, v, v, 0});
    }
    return p;
  }();
  return palette;
}

Mix Mix::FromRop3(std::uint8_t op) {
  std::uint8_t code = static_cast<std::uint8_t>((op & 0x3) | ((op >> 2) & 0xC));
  return Mix{code};
}

std::uint32_t Mix::Apply(std::uint32_t p, std::uint32_t d) const {
  switch (code) {
    case 0: return 0;
    case 15: return 0xFFFFFFFF;
    case 12: return p;
    case 10: return d;
    case 3: return ~p;
    case 5: return ~d;
    case 6: return p ^ d;
    case 9: return ~(p ^ d);
    case 8: return p & d;
    case 14: return p | d;
    default: {
      std::uint32_t r = 0;
      if (code & 1) r |= ~p & ~d;
      if (code & 2) r |= ~p & d;
      if (code & 4) r |= p & ~d;
      if (code & 8) r |= p & d;
      return r;
    }
  }
}

std::uint32_t Rop3(std::uint8_t op, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  switch (op) {
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFFFF;
    case 0xCC: return s;             // SRCCOPY
    case 0xEE: return s | d;         // SRCPAINT
    case 0x88: return s & d;         // SRCAND
    case 0x66: return s ^ d;         // SRCINVERT
    case 0x44: return s & ~d;        // SRCERASE
    case 0x33: return ~s;            // NOTSRCCOPY
    case 0x11: return ~(s | d);      // NOTSRCERASE
    case 0xC0: return p & s;         // MERGECOPY
    case 0xBB: return ~s | d;        // MERGEPAINT
    case 0xF0: return p;             // PATCOPY
    case 0xFB: return p | ~s | d;    // PATPAINT
    case 0x5A: return p ^ d;         // PATINVERT
    case 0x55: return ~d;            // DSTINVERT
    case 0xAA: return d;
    case 0xB8: return (p & ~s) | (s & d);  // the classic "transparent pattern" operation
    case 0xE2: return (d & ~s) | (p & s);
    default: {
      std::uint32_t r = 0;
      for (int i = 0; i < 8; ++i) {
        if (!((op >> i) & 1)) continue;
        r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
      }
      return r;
    }
  }
}

}  // namespace platform::gdi

// Pixel memory of any format a bitmap can have, seen through one view.
//
// Drawing works on "device values": the bits a pixel holds in its own
// format (a palette index, a 1-bit value, 15-bit 5-5-5, or 0x00RRGGBB for
// 24 and 32 bits). Raster operations combine device values bit by bit, as the
// original platform does, so XOR on a palette bitmap XORs indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

enum class Format : std::uint8_t { Mono, Index4, Index8, Rgb555, Bgr24, Bgrx32 };

int BitsPerPixel(Format format);
// Bytes of a row of `width` pixels padded to `align` bytes.
std::int64_t RowBytes(Format format, std::int64_t width, int align);

struct PixelStore {
  Format format = Format::Bgrx32;
  int width = 0;
  int height = 0;
  std::uint8_t* top = nullptr;  // first byte of the top row
  std::ptrdiff_t stride = 0;    // bytes from a row to the one below it (negative: bottom-up)
  const RGBQUAD* palette = nullptr;  // indexed formats
  int paletteSize = 0;
  // A monochrome device-dependent bitmap: blits to and from colour use the
  // DCs' text and background colours instead of a colour table.
  bool monoDevice = false;

  bool valid() const { return top != nullptr && width > 0 && height > 0; }
  std::uint8_t* Row(int y) const { return top + static_cast<std::ptrdiff_t>(y) * stride; }
  std::uint32_t Mask() const;
  std::uint32_t Get(int x, int y) const;
  void Put(int x, int y, std::uint32_t value) const;
  // Reads or writes n device values of row y from column x (all in range).
  void ReadRow(int y, int x, int n, std::uint32_t* out) const;
  void WriteRow(int y, int x, int n, const std::uint32_t* in) const;
  COLORREF ToColor(std::uint32_t value) const;
  // The device value closest to the colour (nearest palette entry for
  // indexed formats). PALETTEINDEX values pick the entry directly.
  std::uint32_t FromColor(COLORREF color) const;
};

// Index of the palette entry closest to the colour.
int NearestPaletteIndex(const RGBQUAD* palette, int count, COLORREF color);

// Default colour tables of device-dependent bitmaps: black and white; the 16
// VGA colours; a 256-entry table of the 16 VGA colours, grays and a 6x6x6
// cube.
const std::vector<RGBQUAD>& MonoPalette();
const std::vector<RGBQUAD>& VgaPalette();
const std::vector<RGBQUAD>& DefaultPalette256();

// A four-input-free mix of pen/pattern P and destination D: bit (P<<1 | D)
// of `code` is the result for those input bits. ROP2 codes are code + 1.
struct Mix {
  std::uint8_t code = 12;  // P (copy)
  static Mix FromRop2(int rop2) { return Mix{static_cast<std::uint8_t>((rop2 - 1) & 0xF)}; }
  // A ternary raster operation that does not read the source.
  static Mix FromRop3(std::uint8_t rop3);
  bool ReadsDest() const { return ((code >> 1) & 0x5) != (code & 0x5); }
  bool IsCopy() const { return code == 12; }
  std::uint32_t Apply(std::uint32_t p, std::uint32_t d) const;
};

// Ternary raster operation on device values: bit (P<<2 | S<<1 | D) of the
// operation index gives the result.
std::uint32_t Rop3(std::uint8_t op, std::uint32_t p, std::uint32_t s, std::uint32_t d);
inline bool Rop3UsesSource(std::uint8_t op) { return ((op >> 2) & 0x33) != (op & 0x33); }
inline bool Rop3UsesPattern(std::uint8_t op) { return ((op >> 4) & 0x0F) != (op & 0x0F); }

}  // namespace platform::gdi

#include "data/generator/file_formats.h"

#include <array>

namespace art {
namespace {

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Patch32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::size_t RowBytes(int width, int bits) { return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4; }

// The 40-byte information header.
void InfoHeader(Bytes& b, int width, int height, int bits, std::uint32_t image_size, std::uint32_t colors) {
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<unsigned>(bits));
  Put32(b, 0);  // BI_RGB
  Put32(b, image_size);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, colors);
  Put32(b, 0);
}

constexpr std::array<Pixel, 16> kVga = {vga::Black, vga::Maroon, vga::Green,  vga::Olive, vga::Navy,   vga::Purple,
                                        vga::Teal,  vga::Silver, vga::Grey,   vga::Red,   vga::Lime,   vga::Yellow,
                                        vga::Blue,  vga::Fuchsia, vga::Aqua, vga::White};

// File header and information header, with the pixel offset and sizes
// filled in.
Bytes BmpHeaders(const Canvas& c, int bits, std::uint32_t colors) {
  Bytes b;
  const std::uint32_t image = static_cast<std::uint32_t>(RowBytes(c.width(), bits) * static_cast<std::size_t>(c.height()));
  const std::uint32_t offset = 14 + 40 + 4 * colors;
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + image);
  Put32(b, 0);
  Put32(b, offset);
  InfoHeader(b, c.width(), c.height(), bits, image, colors);
  return b;
}

}  // namespace

Bytes Bmp8(const Canvas& c) {
  std::vector<Pixel> palette;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) {
      const Pixel p = c.At(x, y) | 0xFF000000u;
      bool known = false;
      for (Pixel q : palette) known = known || q == p;
      if (!known) palette.push_back(p);
    }
  if (palette.size() > 256) throw std::invalid_argument("an 8-bit picture uses more than 256 colours");
  Bytes b = BmpHeaders(c, 8, static_cast<std::uint32_t>(palette.size()));
  for (Pixel p : palette) {
    b.push_back(static_cast<std::uint8_t>(p));
    b.push_back(static_cast<std::uint8_t>(p >> 8));
    b.push_back(static_cast<std::uint8_t>(p >> 16));
    b.push_back(0);
  }
  const std::size_t row = RowBytes(c.width(), 8);
  for (int y = c.height() - 1; y >= 0; --y) {
    Bytes line(row, 0);
    for (int x = 0; x < c.width(); ++x) {
      const Pixel p = c.At(x, y) | 0xFF000000u;
      std::size_t index = 0;
      while (palette[index] != p) ++index;
      line[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(index);
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

Bytes Bmp4(const Canvas& c) {
  Bytes b = BmpHeaders(c, 4, 16);
  for (Pixel p : kVga) {
    b.push_back(static_cast<std::uint8_t>(p));
    b.push_back(static_cast<std::uint8_t>(p >> 8));
    b.push_back(static_cast<std::uint8_t>(p >> 16));
    b.push_back(0);
  }
  const std::size_t row = RowBytes(c.width(), 4);
  for (int y = c.height() - 1; y >= 0; --y) {
    Bytes line(row, 0);
    for (int x = 0; x < c.width(); ++x) {
      const Pixel p = c.At(x, y) | 0xFF000000u;
      std::size_t index = 0;
      while (index < kVga.size() && kVga[index] != p) ++index;
      if (index == kVga.size()) throw std::invalid_argument("a 16-colour picture uses a colour outside the palette");
      line[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

Bytes Bmp24(const Canvas& c) {
  Bytes b = BmpHeaders(c, 24, 0);
  const std::size_t row = RowBytes(c.width(), 24);
  for (int y = c.height() - 1; y >= 0; --y) {
    Bytes line(row, 0);
    for (int x = 0; x < c.width(); ++x) {
      const Pixel p = c.At(x, y);
      line[static_cast<std::size_t>(3 * x)] = static_cast<std::uint8_t>(p);
      line[static_cast<std::size_t>(3 * x + 1)] = static_cast<std::uint8_t>(p >> 8);
      line[static_cast<std::size_t>(3 * x + 2)] = static_cast<std::uint8_t>(p >> 16);
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

Bytes IconFile(const std::vector<IconImage>& images, bool cursor) {
  Bytes b;
  Put16(b, 0);
  Put16(b, cursor ? 2 : 1);
  Put16(b, static_cast<unsigned>(images.size()));
  std::vector<std::size_t> entries;
  for (const IconImage& im : images) {
    entries.push_back(b.size());
    b.push_back(static_cast<std::uint8_t>(im.canvas->width() >= 256 ? 0 : im.canvas->width()));
    b.push_back(static_cast<std::uint8_t>(im.canvas->height() >= 256 ? 0 : im.canvas->height()));
    b.push_back(0);  // colour count: more than 256
    b.push_back(0);
    Put16(b, cursor ? static_cast<unsigned>(im.hot_x) : 1);   // planes, or the hot spot
    Put16(b, cursor ? static_cast<unsigned>(im.hot_y) : 32);  // bits, or the hot spot
    Put32(b, 0);  // size, patched below
    Put32(b, 0);  // offset, patched below
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    const Canvas& c = *images[i].canvas;
    const std::size_t start = b.size();
    const std::size_t mask_row = RowBytes(c.width(), 1);
    InfoHeader(b, c.width(), 2 * c.height(), 32,
               static_cast<std::uint32_t>((4 * static_cast<std::size_t>(c.width()) + mask_row) * static_cast<std::size_t>(c.height())), 0);
    for (int y = c.height() - 1; y >= 0; --y)
      for (int x = 0; x < c.width(); ++x) {
        const Pixel p = c.At(x, y);
        const bool clear = (p >> 24) == 0;
        b.push_back(clear ? 0 : static_cast<std::uint8_t>(p));
        b.push_back(clear ? 0 : static_cast<std::uint8_t>(p >> 8));
        b.push_back(clear ? 0 : static_cast<std::uint8_t>(p >> 16));
        b.push_back(static_cast<std::uint8_t>(p >> 24));
      }
    for (int y = c.height() - 1; y >= 0; --y) {
      Bytes line(mask_row, 0);
      for (int x = 0; x < c.width(); ++x)
        if ((c.At(x, y) >> 24) == 0) line[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      b.insert(b.end(), line.begin(), line.end());
    }
    Patch32(b, entries[i] + 8, static_cast<std::uint32_t>(b.size() - start));
    Patch32(b, entries[i] + 12, static_cast<std::uint32_t>(start));
  }
  return b;
}

}  // namespace art

#include "platform/user/icon_file.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/core/errors.h"

namespace platform {
namespace {

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

HICON Fail() {
  SetLastError(ERROR_INVALID_DATA);
  return nullptr;
}

std::size_t RowBytes(std::size_t width, std::size_t bits) { return (width * bits + 31) / 32 * 4; }

}  // namespace

HICON CreateIconFromIconFile(const std::uint8_t* data, std::size_t length, int size) {
  if (data == nullptr || length < 6 || U16(data) != 0) return Fail();
  const std::uint32_t type = U16(data + 2);
  const std::size_t count = U16(data + 4);
  if ((type != 1 && type != 2) || count == 0 || length < 6 + 16 * count) return Fail();
  // The entry nearest the wanted size.
  std::size_t best = 0;
  int best_distance = -1;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = data + 6 + 16 * i;
    const int w = e[0] == 0 ? 256 : e[0];
    const int distance = size == 0 ? 0 : std::abs(w - size);
    if (best_distance < 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
    }
    if (size == 0) break;
  }
  const std::uint8_t* entry = data + 6 + 16 * best;
  const std::uint32_t image_size = U32(entry + 8);
  const std::uint32_t offset = U32(entry + 12);
  if (offset > length || image_size > length - offset || image_size < 40) return Fail();
  const std::uint8_t* dib = data + offset;
  const std::uint32_t header = U32(dib);
  const std::int32_t width = static_cast<std::int32_t>(U32(dib + 4));
  const std::int32_t double_height = static_cast<std::int32_t>(U32(dib + 8));
  const std::uint32_t bits = U16(dib + 14);
  const std::uint32_t compression = U32(dib + 16);
  std::uint32_t colours = U32(dib + 32);
  if (header < 40 || header > image_size || width <= 0 || width > 256 || double_height <= 0 ||
      double_height > 512 || double_height % 2 != 0 || compression != 0)
    return Fail();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return Fail();
  const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(double_height / 2);
  if (bits <= 8 && colours == 0) colours = 1u << bits;
  if (bits > 8) colours = 0;
  if (colours > 256) return Fail();
  const std::size_t palette_at = header;
  const std::size_t pixels_at = palette_at + 4 * colours;
  const std::size_t xor_row = RowBytes(w, bits), and_row = RowBytes(w, 1);
  if (pixels_at + (xor_row + and_row) * h > image_size) return Fail();

  CursorImage image;
  image.width = width;
  image.height = static_cast<int>(h);
  if (type == 2) image.hotspot = POINT{static_cast<LONG>(U16(entry + 4)), static_cast<LONG>(U16(entry + 6))};
  image.argb.resize(w * h);
  const std::uint8_t* palette = dib + palette_at;
  bool any_alpha = false;
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* row = dib + pixels_at + xor_row * (h - 1 - y);
    const std::uint8_t* mask = dib + pixels_at + xor_row * h + and_row * (h - 1 - y);
    for (std::size_t x = 0; x < w; ++x) {
      std::uint32_t argb = 0;
      if (bits == 32) {
        const std::uint8_t* p = row + 4 * x;
        argb = (static_cast<std::uint32_t>(p[3]) << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
        any_alpha = any_alpha || p[3] != 0;
      } else if (bits == 24) {
        const std::uint8_t* p = row + 3 * x;
        argb = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
      } else {
        const std::size_t bit = x * bits;
        const std::uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= colours) return Fail();
        const std::uint8_t* c = palette + 4 * index;
        argb = 0xFF000000u | (c[2] << 16) | (c[1] << 8) | c[0];
      }
      const bool clear = (mask[x / 8] & (0x80 >> (x % 8))) != 0;
      image.argb[y * w + x] = clear ? 0 : argb;
    }
  }
  // A 32-bit image without any alpha is opaque where the mask says so.
  if (bits == 32 && !any_alpha)
    for (std::size_t y = 0; y < h; ++y) {
      const std::uint8_t* mask = dib + pixels_at + xor_row * h + and_row * (h - 1 - y);
      for (std::size_t x = 0; x < w; ++x)
        if ((mask[x / 8] & (0x80 >> (x % 8))) == 0) image.argb[y * w + x] |= 0xFF000000u;
    }
  return CreateCursorFromImage(image);
}

HICON LoadIconFile(const char* native_path, int size) {
  std::ifstream in(native_path, std::ios::binary);
  if (!in) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return CreateIconFromIconFile(bytes.data(), bytes.size(), size);
}

}  // namespace platform

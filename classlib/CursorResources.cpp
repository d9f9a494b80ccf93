#include "classlib/CursorResources.h"

#include "classlib/BmpFormat.h"
#include "classlib/Resources.h"
#include "platform/user/cursor.h"

namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The colour of pixel (x, y) of a decoded image as 0x00RRGGBB.
std::uint32_t PixelRgb(const bmp::Dib& dib, int x, int y) {
  const std::uint8_t* row = dib.Row(y);
  auto from_table = [&](unsigned index) -> std::uint32_t {
    if (index >= dib.colors.size()) return 0;
    const RGBQUAD& q = dib.colors[index];
    return (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
  };
  switch (dib.bitCount) {
    case 1: return from_table((row[x / 8] >> (7 - x % 8)) & 1);
    case 4: return from_table((row[x / 2] >> (x % 2 ? 0 : 4)) & 15);
    case 8: return from_table(row[x]);
    case 16: {
      const unsigned v = U16(row + 2 * x);
      return (((v >> 10) & 31) << 19) | (((v >> 5) & 31) << 11) | ((v & 31) << 3);
    }
    case 24: return (std::uint32_t{row[3 * x + 2]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    case 32: return (std::uint32_t{row[4 * x + 2]} << 16) | (std::uint32_t{row[4 * x + 1]} << 8) | row[4 * x];
    default: return 0;
  }
}

bool MaskBit(const bmp::Dib& mask, int x, int y) {
  if (y >= mask.height || x >= mask.width || mask.bitCount != 1) return false;
  return ((mask.Row(y)[x / 8] >> (7 - x % 8)) & 1) != 0;
}

}  // namespace

HCURSOR CreateCursorFromFileData(const std::uint8_t* Data, std::size_t Size) {
  constexpr std::size_t kHeader = 6, kEntry = 16;
  if (!Data || Size < kHeader + kEntry) return nullptr;
  if (U16(Data) != 0 || U16(Data + 2) != 2 || U16(Data + 4) == 0) return nullptr;
  const std::uint8_t* entry = Data + kHeader;
  const std::uint32_t length = U32(entry + 8);
  const std::uint32_t offset = U32(entry + 12);
  if (offset < kHeader + kEntry || offset > Size || length > Size - offset) return nullptr;
  platform::CursorImage image;
  try {
    bmp::Dib mask;
    const bmp::Dib dib = bmp::ReadIconDib(Data + offset, length, &mask);
    if (dib.width <= 0 || dib.height <= 0 || dib.width > 256 || dib.height > 256) return nullptr;
    image.width = dib.width;
    image.height = dib.height;
    image.hotspot.x = U16(entry + 4);
    image.hotspot.y = U16(entry + 6);
    if (image.hotspot.x >= dib.width) image.hotspot.x = dib.width - 1;
    if (image.hotspot.y >= dib.height) image.hotspot.y = dib.height - 1;
    image.argb.resize(static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(dib.height));
    for (int y = 0; y < dib.height; ++y) {
      for (int x = 0; x < dib.width; ++x) {
        const std::uint32_t rgb = PixelRgb(dib, x, y);
        const bool transparent = MaskBit(mask, x, y);
        std::uint32_t argb = 0xFF000000u | rgb;
        if (transparent) argb = rgb == 0 ? 0 : 0xFF000000u;  // an inverting pixel shows black
        image.argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(dib.width) + static_cast<std::size_t>(x)] = argb;
      }
    }
  } catch (const std::exception&) {
    return nullptr;
  }
  return platform::CreateCursorFromImage(image);
}

HCURSOR LoadCursorResource(const String& Name) {
  const TResourceData data = FindResourceData(Name, ResourceType::Cursor);
  if (!data) return nullptr;
  return CreateCursorFromFileData(data->data(), data->size());
}

HCURSOR LoadCursorResource(int Id) { return LoadCursorResource(ResourceIdName(Id)); }

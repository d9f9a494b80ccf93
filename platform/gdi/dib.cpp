#include "platform/gdi/dib.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "platform/core/errors.h"
#include "platform/gdi/raster.h"

namespace platform::gdi {

namespace {

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

bool FormatForBits(int bits, Format* format) {
  switch (bits) {
    case 1: *format = Format::Mono; return true;
    case 4: *format = Format::Index4; return true;
    case 8: *format = Format::Index8; return true;
    case 15:
    case 16: *format = Format::Rgb555; return true;
    case 24: *format = Format::Bgr24; return true;
    case 32: *format = Format::Bgrx32; return true;
  }
  return false;
}

bool IsIndexed(Format f) { return f == Format::Mono || f == Format::Index4 || f == Format::Index8; }

}  // namespace

bool ParseDib(const BITMAPINFO* info, UINT usage, DeviceContext* dc, DibFormat* out) {
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return Fail(ERROR_INVALID_PARAMETER);
  const auto* base = reinterpret_cast<const std::uint8_t*>(info);
  DWORD size = info->bmiHeader.biSize;
  BITMAPINFOHEADER h;
  bool core = false;
  if (size == sizeof(BITMAPCOREHEADER)) {
    BITMAPCOREHEADER c;
    std::memcpy(&c, base, sizeof c);
    h.biWidth = c.bcWidth;
    h.biHeight = c.bcHeight;
    h.biPlanes = c.bcPlanes;
    h.biBitCount = c.bcBitCount;
    core = true;
  } else if (size >= sizeof(BITMAPINFOHEADER) && size <= 4096) {
    std::memcpy(&h, base, sizeof h);
    h.biSize = sizeof(BITMAPINFOHEADER);
  } else {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  Format format;
  if (!FormatForBits(h.biBitCount, &format) || h.biBitCount == 15) return Fail(ERROR_INVALID_PARAMETER);
  out->format = format;
  out->bitCount = h.biBitCount;
  out->width = h.biWidth;
  out->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  out->topDown = h.biHeight < 0;
  out->compression = h.biCompression;
  if (std::int64_t{out->width} * out->height > Surface::kMaxPixels) return Fail(ERROR_NOT_ENOUGH_MEMORY);

  std::size_t offset = core ? sizeof(BITMAPCOREHEADER) : size;
  if (h.biCompression == BI_BITFIELDS) {
    if (h.biBitCount != 16 && h.biBitCount != 32) return Fail(ERROR_INVALID_PARAMETER);
    const std::uint8_t* maskBytes = base + sizeof(BITMAPINFOHEADER);
    std::memcpy(out->masks, maskBytes, sizeof out->masks);
    if (size == sizeof(BITMAPINFOHEADER)) offset += sizeof out->masks;
    bool ok = h.biBitCount == 16
                  ? (out->masks[0] == 0x7C00 && out->masks[1] == 0x03E0 && out->masks[2] == 0x001F)
                  : (out->masks[0] == 0xFF0000 && out->masks[1] == 0xFF00 && out->masks[2] == 0xFF);
    if (!ok) return Fail(ERROR_NOT_SUPPORTED);
  } else if (h.biCompression != BI_RGB) {
    return Fail(ERROR_NOT_SUPPORTED);  // run-length encoded pictures are not read
  }

  out->colors.clear();
  std::size_t tableEntries = 0;
  if (IsIndexed(format)) {
    std::size_t full = std::size_t{1} << h.biBitCount;
    tableEntries = (h.biClrUsed == 0 || core) ? full : std::min<std::size_t>(h.biClrUsed, full);
    const std::uint8_t* table = base + offset;
    std::vector<PALETTEENTRY> dcPalette;
    if (usage == DIB_PAL_COLORS) {
      if (dc && dc->state.palette) dcPalette = dc->state.palette->entries;
      if (dcPalette.empty()) {
        for (const RGBQUAD& q : VgaPalette()) dcPalette.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
      }
    }
    for (std::size_t i = 0; i < tableEntries; ++i) {
      RGBQUAD q;
      if (usage == DIB_PAL_COLORS) {
        WORD index;
        std::memcpy(&index, table + 2 * i, 2);
        if (index < dcPalette.size()) {
          q = {dcPalette[index].peBlue, dcPalette[index].peGreen, dcPalette[index].peRed, 0};
        }
      } else if (core) {
        q.rgbBlue = table[3 * i];
        q.rgbGreen = table[3 * i + 1];
        q.rgbRed = table[3 * i + 2];
      } else {
        std::memcpy(&q, table + 4 * i, 4);
        q.rgbReserved = 0;
      }
      out->colors.push_back(q);
    }
  } else if (!core) {
    tableEntries = h.biClrUsed;  // an optional table that drawing does not use
    if (tableEntries > 4096) return Fail(ERROR_INVALID_PARAMETER);
  }
  std::size_t entryBytes = usage == DIB_PAL_COLORS ? 2 : (core ? 3 : 4);
  out->headerBytes = offset + tableEntries * entryBytes;
  out->rowBytes = RowBytes(format, out->width, 4);
  h.biSizeImage = static_cast<DWORD>(out->rowBytes * out->height);
  h.biCompression = h.biCompression == BI_BITFIELDS ? BI_BITFIELDS : BI_RGB;
  out->header = h;
  return true;
}

PixelStore DibStore(const DibFormat& f, const void* bits) {
  PixelStore store;
  store.format = f.format;
  store.width = f.width;
  store.height = f.height;
  auto* base = static_cast<std::uint8_t*>(const_cast<void*>(bits));
  if (f.topDown) {
    store.top = base;
    store.stride = static_cast<std::ptrdiff_t>(f.rowBytes);
  } else {
    store.top = base + static_cast<std::ptrdiff_t>(f.rowBytes) * (f.height - 1);
    store.stride = -static_cast<std::ptrdiff_t>(f.rowBytes);
  }
  store.palette = f.colors.empty() ? nullptr : f.colors.data();
  store.paletteSize = static_cast<int>(f.colors.size());
  return store;
}

bool DecodePackedDib(const void* packed, UINT usage, BrushPattern* out) {
  DibFormat f;
  if (!ParseDib(static_cast<const BITMAPINFO*>(packed), usage, nullptr, &f)) return false;
  if (std::int64_t{f.width} * f.height > 1 << 20) return Fail(ERROR_INVALID_PARAMETER);  // a pattern, not a picture
  PixelStore store = DibStore(f, static_cast<const std::uint8_t*>(packed) + f.headerBytes);
  out->width = f.width;
  out->height = f.height;
  out->mono = false;
  out->bits.resize(static_cast<std::size_t>(f.width) * f.height);
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      out->bits[static_cast<std::size_t>(y) * f.width + x] = store.ToColor(store.Get(x, y));
    }
  }
  return true;
}

namespace {

// A new bitmap of the format, zeroed, with rows `align` bytes apart.
std::shared_ptr<BitmapObject> NewBitmap(Format format, int width, int height, bool monoDevice,
                                        const std::vector<RGBQUAD>& palette, int declaredBits,
                                        bool topDown = true) {
  if (width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (std::int64_t{width} * height > Surface::kMaxPixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::int64_t rowBytes = RowBytes(format, width, 4);
  auto bitmap = std::make_shared<BitmapObject>();
  bitmap->memory.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(rowBytes * height)]());
  if (!bitmap->memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  PixelStore& s = bitmap->store;
  s.format = format;
  s.width = width;
  s.height = height;
  s.monoDevice = monoDevice;
  if (topDown) {
    s.top = bitmap->memory.get();
    s.stride = static_cast<std::ptrdiff_t>(rowBytes);
  } else {
    s.top = bitmap->memory.get() + static_cast<std::ptrdiff_t>(rowBytes) * (height - 1);
    s.stride = -static_cast<std::ptrdiff_t>(rowBytes);
  }
  bitmap->palette = palette;
  bitmap->declaredBits = declaredBits;
  bitmap->BindPalette();
  return bitmap;
}

std::shared_ptr<BitmapObject> NewDeviceBitmap(int width, int height, int bits) {
  switch (bits) {
    case 1: return NewBitmap(Format::Mono, width, height, true, MonoPalette(), 1);
    case 4: return NewBitmap(Format::Index4, width, height, false, VgaPalette(), 4);
    case 8: return NewBitmap(Format::Index8, width, height, false, DefaultPalette256(), 8);
    case 15:
    case 16: return NewBitmap(Format::Rgb555, width, height, false, {}, 16);
    case 24: return NewBitmap(Format::Bgr24, width, height, false, {}, 24);
    case 32: return NewBitmap(Format::Bgrx32, width, height, false, {}, 32);
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

// Bits per pixel of bitmaps compatible with the DC (null: the screen).
int CompatibleBits(HDC dcHandle, bool* ok) {
  *ok = true;
  if (dcHandle == nullptr) return 32;
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) {
    *ok = false;
    return 0;
  }
  if (dc->kind == DeviceContext::Kind::Memory && dc->state.bitmap && dc->state.bitmap->store.format == Format::Mono) {
    return 1;
  }
  return 32;
}

std::shared_ptr<DeviceContext> OptionalDC(HDC dc) { return dc ? LookupDC(dc) : nullptr; }

// Writes the colour table of format `f` after the header in `info`.
void WriteColorTable(BITMAPINFO* info, const DibFormat& f, UINT usage) {
  auto* table = reinterpret_cast<std::uint8_t*>(info) + info->bmiHeader.biSize;
  if (info->bmiHeader.biCompression == BI_BITFIELDS && info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER)) {
    std::memcpy(table, f.masks, sizeof f.masks);
    return;
  }
  for (std::size_t i = 0; i < f.colors.size(); ++i) {
    if (usage == DIB_PAL_COLORS) {
      WORD index = static_cast<WORD>(i);
      std::memcpy(table + 2 * i, &index, 2);
    } else {
      std::memcpy(table + 4 * i, &f.colors[i], 4);
    }
  }
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, LPCVOID bits) {
  if (width == 0 || height == 0) return DefaultBitmapHandle();
  if (width < 0 || height < 0 || planes != 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::shared_ptr<BitmapObject> bitmap = NewDeviceBitmap(width, height, static_cast<int>(bitsPerPixel));
  if (!bitmap) return nullptr;
  if (bits) {
    std::int64_t srcRow = RowBytes(bitmap->store.format, width, 2);
    for (int y = 0; y < height; ++y) {
      std::memcpy(bitmap->store.Row(y), static_cast<const std::uint8_t*>(bits) + srcRow * y,
                  static_cast<std::size_t>(srcRow));
    }
  }
  return static_cast<HBITMAP>(Register(bitmap));
}

HBITMAP CreateBitmapIndirect(const BITMAP* bm) {
  if (bm == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateBitmap(bm->bmWidth, bm->bmHeight, bm->bmPlanes, bm->bmBitsPixel, bm->bmBits);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  bool ok;
  int bits = CompatibleBits(dc, &ok);
  if (!ok) return nullptr;
  if (width == 0 || height == 0) return DefaultBitmapHandle();
  return CreateBitmap(width, height, 1, static_cast<UINT>(bits), nullptr);
}

HBITMAP CreateDIBSection(HDC dcHandle, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
  if (bits) *bits = nullptr;
  if (section != nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);  // file-mapped sections are not offered
    return nullptr;
  }
  std::shared_ptr<DeviceContext> dc = OptionalDC(dcHandle);
  DibFormat f;
  if (!ParseDib(info, usage, dc.get(), &f)) return nullptr;
  std::shared_ptr<BitmapObject> bitmap =
      NewBitmap(f.format, f.width, f.height, false, f.colors, f.bitCount, f.topDown);
  if (!bitmap) return nullptr;
  bitmap->isDib = true;
  bitmap->dibHeader = f.header;
  bitmap->dibHeader.biClrUsed = IsIndexed(f.format) ? static_cast<DWORD>(f.colors.size()) : 0;
  std::memcpy(bitmap->bitfields, f.masks, sizeof bitmap->bitfields);
  if (bits) *bits = bitmap->memory.get();
  return static_cast<HBITMAP>(Register(bitmap));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, LPCVOID bits,
                       const BITMAPINFO* info, UINT usage) {
  if (header == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int width, height;
  if (header->biSize == sizeof(BITMAPCOREHEADER)) {
    BITMAPCOREHEADER c;
    std::memcpy(static_cast<void*>(&c), header, sizeof c);
    width = c.bcWidth;
    height = c.bcHeight;
  } else {
    width = header->biWidth;
    height = header->biHeight == INT32_MIN ? 0 : std::abs(header->biHeight);
  }
  if (width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  if (!bitmap) return nullptr;
  if ((init & CBM_INIT) && bits && info) {
    if (SetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits, info, usage) == 0) {
      DWORD error = GetLastError();
      DeleteObject(bitmap);
      SetLastError(error);
      return nullptr;
    }
  }
  return bitmap;
}

int GetDIBits(HDC dcHandle, HBITMAP bitmapHandle, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
  std::shared_ptr<BitmapObject> bitmap = LookupAs<BitmapObject>(bitmapHandle);
  if (!bitmap) return 0;
  if (info == nullptr || (info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) && info->bmiHeader.biSize != sizeof(BITMAPCOREHEADER))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (info->bmiHeader.biSize == sizeof(BITMAPCOREHEADER)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  const PixelStore& src = bitmap->store;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0) {
    // Describe the bitmap itself.
    h.biWidth = src.width;
    h.biHeight = bitmap->isDib ? bitmap->dibHeader.biHeight : src.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitmap->declaredBits);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(RowBytes(src.format, src.width, 4) * src.height);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    if (bits == nullptr) return src.height;
  }
  std::shared_ptr<DeviceContext> dc = OptionalDC(dcHandle);
  // The caller's width and direction; the bitmap's size.
  LONG askedHeight = h.biHeight;
  h.biWidth = src.width;
  h.biHeight = askedHeight < 0 ? -src.height : src.height;
  h.biPlanes = 1;
  if (h.biCompression != BI_BITFIELDS) h.biCompression = BI_RGB;
  // Colour table of the requested format.
  Format wanted;
  if (!FormatForBits(h.biBitCount, &wanted)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DibFormat f;
  f.format = wanted;
  f.bitCount = h.biBitCount;
  f.width = src.width;
  f.height = src.height;
  f.topDown = h.biHeight < 0;
  f.rowBytes = RowBytes(wanted, src.width, 4);
  if (h.biCompression == BI_BITFIELDS) {
    if (h.biBitCount == 16) {
      f.masks[0] = 0x7C00;
      f.masks[1] = 0x03E0;
      f.masks[2] = 0x001F;
    } else if (h.biBitCount == 32) {
      f.masks[0] = 0xFF0000;
      f.masks[1] = 0xFF00;
      f.masks[2] = 0xFF;
    } else {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  if (IsIndexed(wanted)) {
    if (src.format == wanted && src.palette) {
      f.colors.assign(src.palette, src.palette + src.paletteSize);
    } else if (wanted == Format::Mono) {
      f.colors = MonoPalette();
    } else if (wanted == Format::Index4) {
      f.colors = VgaPalette();
    } else {
      f.colors = DefaultPalette256();
    }
    h.biClrUsed = 0;
  }
  h.biSizeImage = static_cast<DWORD>(f.rowBytes * f.height);
  WriteColorTable(info, f, usage);
  if (bits == nullptr) return src.height;

  PixelStore out = DibStore(f, bits);
  // `bits` holds rows [start, start + lines) in storage order only.
  ColorConverter convert(src, out, RGB(255, 255, 255), 0, RGB(255, 255, 255), false);
  std::vector<std::uint32_t> row(static_cast<std::size_t>(src.width));
  int copied = 0;
  for (UINT i = start; i < start + lines && i < static_cast<UINT>(src.height); ++i) {
    int imageRow = f.topDown ? static_cast<int>(i) : src.height - 1 - static_cast<int>(i);
    src.ReadRow(imageRow, 0, src.width, row.data());
    for (auto& v : row) v = convert(v);
    // Row (i - start) of the caller's buffer.
    PixelStore line = out;
    line.top = static_cast<std::uint8_t*>(bits) + static_cast<std::ptrdiff_t>(f.rowBytes) * (i - start);
    line.height = 1;
    line.WriteRow(0, 0, src.width, row.data());
    ++copied;
  }
  (void)dc;
  return copied;
}

int SetDIBits(HDC dcHandle, HBITMAP bitmapHandle, UINT start, UINT lines, LPCVOID bits,
              const BITMAPINFO* info, UINT usage) {
  std::shared_ptr<BitmapObject> bitmap = LookupAs<BitmapObject>(bitmapHandle);
  if (!bitmap) return 0;
  std::shared_ptr<DeviceContext> dc = OptionalDC(dcHandle);
  DibFormat f;
  if (!ParseDib(info, usage, dc.get(), &f)) return 0;
  if (bits == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const PixelStore& dst = bitmap->store;
  PixelStore in = DibStore(f, bits);
  ColorConverter convert(in, dst, RGB(255, 255, 255), 0, RGB(255, 255, 255), false);
  int width = std::min(f.width, dst.width);
  std::vector<std::uint32_t> row(static_cast<std::size_t>(f.width));
  int copied = 0;
  for (UINT j = 0; j < lines; ++j) {
    std::int64_t storageRow = std::int64_t{start} + j;
    if (storageRow >= f.height) break;
    int imageRow = f.topDown ? static_cast<int>(storageRow) : f.height - 1 - static_cast<int>(storageRow);
    PixelStore line = in;
    line.top = static_cast<std::uint8_t*>(const_cast<void*>(bits)) + static_cast<std::ptrdiff_t>(f.rowBytes) * j;
    line.height = 1;
    ++copied;
    if (imageRow >= dst.height) continue;
    line.ReadRow(0, 0, width, row.data());
    for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = convert(row[static_cast<std::size_t>(x)]);
    dst.WriteRow(imageRow, 0, width, row.data());
  }
  return copied;
}

int SetDIBitsToDevice(HDC dcHandle, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, LPCVOID bits, const BITMAPINFO* info, UINT usage) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return 0;
  DibFormat f;
  if (!ParseDib(info, usage, dc.get(), &f)) return 0;
  if (bits == nullptr || width > INT_MAX || height > INT_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (startScan >= static_cast<UINT>(f.height) || lines == 0) return 0;
  lines = std::min<UINT>(lines, static_cast<UINT>(f.height) - startScan);
  // A view of the rows present in `bits`, and where they sit in the image.
  DibFormat part = f;
  part.height = static_cast<int>(lines);
  BlitSource source;
  source.store = DibStore(part, bits);
  source.useDcColors = false;
  int firstImageRow = f.topDown ? static_cast<int>(startScan) : f.height - static_cast<int>(startScan) - static_cast<int>(lines);
  int h = static_cast<int>(height);
  int imageTop = f.topDown ? ySrc : f.height - ySrc - h;
  if (!Blit(*dc, xDest, yDest, static_cast<int>(width), h, &source, xSrc, imageTop - firstImageRow,
            static_cast<int>(width), h, SRCCOPY, nullptr, std::nullopt)) {
    return 0;
  }
  return static_cast<int>(lines);
}

int StretchDIBits(HDC dcHandle, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, LPCVOID bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return 0;
  std::uint8_t op = static_cast<std::uint8_t>((rop >> 16) & 0xFF);
  BlitSource source;
  source.useDcColors = false;
  DibFormat f;
  if (Rop3UsesSource(op)) {
    if (!ParseDib(info, usage, dc.get(), &f)) return 0;
    if (bits == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    source.store = DibStore(f, bits);
  }
  int imageTop = f.topDown ? ySrc : f.height - ySrc - srcHeight;
  if (!Blit(*dc, xDest, yDest, destWidth, destHeight, Rop3UsesSource(op) ? &source : nullptr, xSrc, imageTop,
            srcWidth, srcHeight, rop, nullptr, std::nullopt)) {
    return 0;
  }
  return std::abs(srcHeight);
}

UINT GetDIBColorTable(HDC dcHandle, UINT start, UINT count, RGBQUAD* colors) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc || !dc->state.bitmap || !dc->state.bitmap->isDib || colors == nullptr) return 0;
  const auto& palette = dc->state.bitmap->palette;
  if (start >= palette.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(palette.size()) - start);
  std::copy_n(palette.begin() + start, n, colors);
  return n;
}

UINT SetDIBColorTable(HDC dcHandle, UINT start, UINT count, const RGBQUAD* colors) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc || !dc->state.bitmap || !dc->state.bitmap->isDib || colors == nullptr) return 0;
  auto& palette = dc->state.bitmap->palette;
  if (start >= palette.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(palette.size()) - start);
  std::copy_n(colors, n, palette.begin() + start);
  dc->state.bitmap->BindPalette();
  return n;
}

LONG GetBitmapBits(HBITMAP bitmapHandle, LONG size, LPVOID bits) {
  std::shared_ptr<BitmapObject> bitmap = LookupAs<BitmapObject>(bitmapHandle);
  if (!bitmap) return 0;
  const PixelStore& s = bitmap->store;
  std::int64_t rowBytes = RowBytes(s.format, s.width, 2);
  std::int64_t total = rowBytes * s.height;
  if (bits == nullptr) return static_cast<LONG>(std::min<std::int64_t>(total, INT32_MAX));
  if (size <= 0) return 0;
  std::int64_t copied = 0;
  for (int y = 0; y < s.height && copied < size; ++y) {
    std::int64_t n = std::min<std::int64_t>(rowBytes, size - copied);
    std::memcpy(static_cast<std::uint8_t*>(bits) + copied, s.Row(y), static_cast<std::size_t>(n));
    copied += n;
  }
  return static_cast<LONG>(copied);
}

LONG SetBitmapBits(HBITMAP bitmapHandle, DWORD size, LPCVOID bits) {
  std::shared_ptr<BitmapObject> bitmap = LookupAs<BitmapObject>(bitmapHandle);
  if (!bitmap) return 0;
  if (bits == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const PixelStore& s = bitmap->store;
  std::int64_t rowBytes = RowBytes(s.format, s.width, 2);
  std::int64_t copied = 0;
  for (int y = 0; y < s.height && copied < size; ++y) {
    std::int64_t n = std::min<std::int64_t>(rowBytes, std::int64_t{size} - copied);
    std::memcpy(s.Row(y), static_cast<const std::uint8_t*>(bits) + copied, static_cast<std::size_t>(n));
    copied += n;
  }
  return static_cast<LONG>(copied);
}

BOOL GetBitmapDimensionEx(HBITMAP bitmapHandle, SIZE* size) {
  std::shared_ptr<BitmapObject> bitmap = LookupAs<BitmapObject>(bitmapHandle);
  if (!bitmap || size == nullptr) return FALSE;
  *size = bitmap->dimension;
  return TRUE;
}

#include "classlib/BmpFormat.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "classlib/Exceptions.h"
#include "classlib/Graphic.h"

namespace bmp {

namespace {

[[noreturn]] void Invalid() { throw EInvalidGraphic(GraphicsConst::SInvalidBitmap); }
[[noreturn]] void Short() { throw EReadError(SysConst::SReadError); }

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

// Where the bytes of a bitmap come from: a stream or a block of memory.
// Every read first checks that the bytes are there.
class Source {
 public:
  virtual ~Source() = default;
  std::uint64_t consumed() const { return consumed_; }
  std::uint64_t remaining() const { return remaining_; }
  // The next n bytes, or EReadError when there are fewer.
  std::vector<std::uint8_t> Take(std::uint64_t n) {
    if (n > remaining_) Short();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(n));
    if (n == 0) return out;  // an empty vector has no buffer to fetch into
    Fetch(out.data(), static_cast<std::size_t>(n));
    Advance(n);
    return out;
  }
  void Skip(std::uint64_t n) {
    if (n > remaining_) Short();
    Pass(n);
    Advance(n);
  }

 protected:
  explicit Source(std::uint64_t remaining) : remaining_(remaining) {}
  virtual void Fetch(std::uint8_t* out, std::size_t n) = 0;
  virtual void Pass(std::uint64_t n) = 0;

 private:
  void Advance(std::uint64_t n) {
    consumed_ += n;
    remaining_ -= n;
  }
  std::uint64_t consumed_ = 0;
  std::uint64_t remaining_;
};

class StreamSource : public Source {
 public:
  explicit StreamSource(TStream* stream)
      : Source(static_cast<std::uint64_t>(std::max<std::int64_t>(0, stream->Size() - stream->Position()))),
        stream_(stream) {}

 protected:
  void Fetch(std::uint8_t* out, std::size_t n) override {
    while (n > 0) {  // ReadBuffer takes an int count
      const int piece = static_cast<int>(std::min<std::size_t>(n, 1 << 30));
      stream_->ReadBuffer(out, piece);
      out += piece;
      n -= static_cast<std::size_t>(piece);
    }
  }
  void Pass(std::uint64_t n) override { stream_->Seek(static_cast<std::int64_t>(n), soCurrent); }

 private:
  TStream* stream_;
};

class MemorySource : public Source {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size) : Source(size), data_(data) {}

 protected:
  void Fetch(std::uint8_t* out, std::size_t n) override {
    std::memcpy(out, data_ + consumed(), n);
  }
  void Pass(std::uint64_t) override {}

 private:
  const std::uint8_t* data_;
};

// The information header, normalised.
struct Header {
  int width = 0;
  int height = 0;  // rows, positive
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = BI_RGB;
  std::uint32_t masks[3] = {0, 0, 0};
  std::uint32_t colorsUsed = 0;
  std::uint32_t sizeImage = 0;
  bool core = false;

  bool Indexed() const { return bitCount <= 8; }
  bool Rle() const { return compression == BI_RLE8 || compression == BI_RLE4; }
};

// Reads the information header (and the masks that follow a 40-byte one).
Header ReadHeader(Source& src, bool icon) {
  const std::vector<std::uint8_t> sizeBytes = src.Take(4);
  const std::uint32_t size = U32(sizeBytes.data());
  Header h;
  if (size == 12) {
    const std::vector<std::uint8_t> b = src.Take(8);
    h.core = true;
    h.width = U16(&b[0]);
    h.height = U16(&b[2]);
    if (U16(&b[4]) != 1) Invalid();
    h.bitCount = U16(&b[6]);
    if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 24) Invalid();
  } else if (size == 40 || size == 52 || size == 56 || size == 108 || size == 124) {
    const std::vector<std::uint8_t> b = src.Take(size - 4);
    const std::int32_t width = S32(&b[0]);
    const std::int32_t height = S32(&b[4]);
    if (height == 0 || height == INT32_MIN) Invalid();
    h.width = width;
    h.height = height < 0 ? -height : height;
    h.topDown = height < 0;
    if (U16(&b[8]) != 1) Invalid();
    h.bitCount = U16(&b[10]);
    h.compression = U32(&b[12]);
    h.sizeImage = U32(&b[16]);
    h.colorsUsed = U32(&b[28]);
    if (h.compression == BI_BITFIELDS) {
      if (size >= 52) {
        for (int i = 0; i < 3; ++i) h.masks[i] = U32(&b[36 + 4 * i]);
      } else {
        const std::vector<std::uint8_t> m = src.Take(12);
        for (int i = 0; i < 3; ++i) h.masks[i] = U32(&m[4 * i]);
      }
    }
  } else {
    Invalid();
  }
  switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Invalid();
  }
  switch (h.compression) {
    case BI_RGB: break;
    case BI_RLE8: if (h.bitCount != 8 || h.topDown) Invalid(); break;
    case BI_RLE4: if (h.bitCount != 4 || h.topDown) Invalid(); break;
    case BI_BITFIELDS: if (h.bitCount != 16 && h.bitCount != 32) Invalid(); break;
    default: Invalid();
  }
  if (icon) {
    // The height counts the colour image and its mask.
    if (h.topDown || h.Rle() || h.height % 2 != 0) Invalid();
    h.height /= 2;
  }
  if (h.width <= 0 || h.height <= 0) Invalid();
  if (std::int64_t{h.width} * h.height > kMaxPixels) Invalid();
  return h;
}

// The colour table; `room` is how many bytes lie before the pixels (no
// limit when the pixels simply follow the table). A table the file has no
// room for is cut to the entries that fit, as some writers leave out the
// unused ones.
std::vector<RGBQUAD> ReadColorTable(Source& src, const Header& h, std::uint64_t room) {
  std::vector<RGBQUAD> colors;
  if (!h.Indexed()) {
    // An optional table (a display hint) that the pixels do not use; when
    // the pixels' offset is known it is simply passed over.
    if (!h.core && h.colorsUsed > 256) Invalid();
    if (!h.core && room == UINT64_MAX) src.Skip(std::uint64_t{h.colorsUsed} * 4);
    return colors;
  }
  const std::uint32_t full = 1u << h.bitCount;
  std::uint32_t count = (h.core || h.colorsUsed == 0) ? full : h.colorsUsed;
  if (count > full) Invalid();
  const std::size_t entry = h.core ? 3 : 4;
  if (std::uint64_t{count} * entry > room) count = static_cast<std::uint32_t>(room / entry);
  if (count == 0) Invalid();
  const std::vector<std::uint8_t> table = src.Take(std::uint64_t{count} * entry);
  colors.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    colors[i].rgbBlue = table[i * entry];
    colors[i].rgbGreen = table[i * entry + 1];
    colors[i].rgbRed = table[i * entry + 2];
    colors[i].rgbReserved = 0;
  }
  return colors;
}

// One channel of a bit-field layout.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;

  static Channel Of(std::uint32_t mask) {
    Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if ((c.max & (c.max + 1)) != 0) Invalid();  // not one run of bits
    return c;
  }
  BYTE Value(std::uint32_t pixel) const {
    if (max == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    return static_cast<BYTE>((std::uint64_t{v} * 255 + max / 2) / max);
  }
};

bool IsStandardMasks(const Header& h) {
  if (h.compression != BI_BITFIELDS) return true;
  if (h.bitCount == 16) return h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F;
  return h.masks[0] == 0xFF0000 && h.masks[1] == 0x00FF00 && h.masks[2] == 0x0000FF;
}

// Bit-field pixels of any layout, as 24 bits (16-bit sources) or 32 bits.
void DecodeBitFields(const Header& h, const std::uint8_t* data, Dib& out) {
  if ((h.masks[0] & h.masks[1]) || (h.masks[0] & h.masks[2]) || (h.masks[1] & h.masks[2])) Invalid();
  const Channel red = Channel::Of(h.masks[0]);
  const Channel green = Channel::Of(h.masks[1]);
  const Channel blue = Channel::Of(h.masks[2]);
  const std::size_t srcRow = DibRowBytes(h.width, h.bitCount);
  const int outBytes = out.bitCount / 8;
  for (int y = 0; y < h.height; ++y) {
    const std::uint8_t* s = data + srcRow * static_cast<std::size_t>(h.topDown ? y : h.height - 1 - y);
    std::uint8_t* d = out.Row(y);
    for (int x = 0; x < h.width; ++x) {
      const std::uint32_t pixel = h.bitCount == 16 ? U16(s + 2 * x) : U32(s + 4 * x);
      d[x * outBytes] = blue.Value(pixel);
      d[x * outBytes + 1] = green.Value(pixel);
      d[x * outBytes + 2] = red.Value(pixel);
    }
  }
}

void PutIndex(Dib& out, std::int64_t x, std::int64_t y, unsigned value) {
  if (x < 0 || x >= out.width || y < 0 || y >= out.height) return;
  std::uint8_t* row = out.Row(static_cast<int>(y));
  if (out.bitCount == 8) {
    row[x] = static_cast<std::uint8_t>(value);
  } else if (x % 2 == 0) {
    row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | (value << 4));
  } else {
    row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | (value & 0x0F));
  }
}

// Run-length encoded 4- or 8-bit pixels; rows start at the bottom. Runs
// beyond the right edge are cut; data that stops early leaves the rest 0.
void DecodeRle(const Header& h, const std::uint8_t* p, std::size_t n, Dib& out) {
  const bool four = h.bitCount == 4;
  std::int64_t x = 0;
  std::int64_t y = h.height - 1;  // output row (0 = top)
  std::size_t i = 0;
  while (i + 1 < n && y >= 0) {
    const unsigned count = p[i];
    const unsigned value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count && x < out.width; ++k, ++x) {
        PutIndex(out, x, y, four ? ((k % 2 == 0) ? value >> 4 : value & 0x0F) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      --y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (i + 1 >= n) break;
      x += p[i];
      y -= p[i + 1];
      i += 2;
    } else {  // `value` literal pixels, padded to a whole word
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (i + bytes > n) break;
      for (unsigned k = 0; k < value; ++k, ++x) {
        const unsigned v = four ? ((k % 2 == 0) ? p[i + k / 2] >> 4 : p[i + k / 2] & 0x0F) : p[i + k];
        PutIndex(out, x, y, v);
      }
      i += bytes + (bytes & 1);
    }
  }
}

// Reads what follows the information header: colour table, the gap up to
// `pixelOffset` (counted from the start of the source; negative when the
// pixels follow the table), and the pixels.
Dib ReadBody(Source& src, const Header& h, std::int64_t pixelOffset, Dib* iconMask) {
  Dib out;
  out.width = h.width;
  out.height = h.height;
  std::uint64_t room = UINT64_MAX;
  if (pixelOffset >= 0) {
    if (static_cast<std::uint64_t>(pixelOffset) < src.consumed()) Invalid();  // inside the headers
    room = static_cast<std::uint64_t>(pixelOffset) - src.consumed();
  }
  out.colors = ReadColorTable(src, h, room);
  if (pixelOffset >= 0) src.Skip(static_cast<std::uint64_t>(pixelOffset) - src.consumed());

  const std::uint64_t srcRowBytes = DibRowBytes(h.width, h.bitCount);
  std::uint64_t dataBytes = srcRowBytes * static_cast<std::uint64_t>(h.height);
  const std::uint64_t maskBytes = iconMask ? DibRowBytes(h.width, 1) * static_cast<std::uint64_t>(h.height) : 0;
  if (h.Rle()) dataBytes = h.sizeImage != 0 ? h.sizeImage : src.remaining();
  const std::vector<std::uint8_t> data = src.Take(dataBytes + maskBytes);

  const bool standard = IsStandardMasks(h);
  out.bitCount = standard ? h.bitCount : (h.bitCount == 16 ? 24 : 32);
  out.bits.assign(out.RowBytes() * static_cast<std::size_t>(h.height), 0);
  if (h.Rle()) {
    DecodeRle(h, data.data(), static_cast<std::size_t>(dataBytes), out);
  } else if (!standard) {
    DecodeBitFields(h, data.data(), out);
  } else {
    for (int y = 0; y < h.height; ++y) {
      const std::size_t srcY = static_cast<std::size_t>(h.topDown ? y : h.height - 1 - y);
      std::memcpy(out.Row(y), data.data() + srcRowBytes * srcY, out.RowBytes());
    }
  }

  if (iconMask != nullptr) {
    Dib& mask = *iconMask;
    mask.width = h.width;
    mask.height = h.height;
    mask.bitCount = 1;
    mask.colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    mask.bits.resize(mask.RowBytes() * static_cast<std::size_t>(h.height));
    const std::uint8_t* maskData = data.data() + dataBytes;
    for (int y = 0; y < h.height; ++y) {
      std::memcpy(mask.Row(y), maskData + mask.RowBytes() * static_cast<std::size_t>(h.height - 1 - y),
                  mask.RowBytes());
    }
  }
  return out;
}

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::size_t DibRowBytes(int width, int bitCount) {
  return static_cast<std::size_t>((std::int64_t{width} * bitCount + 31) / 32 * 4);
}

std::size_t Dib::RowBytes() const { return DibRowBytes(width, bitCount); }

Dib ReadBmpFile(TStream* Stream) {
  StreamSource src(Stream);
  const std::vector<std::uint8_t> file = src.Take(14);
  if (file[0] != 'B' || file[1] != 'M') Invalid();
  const std::uint32_t offBits = U32(&file[10]);
  const Header h = ReadHeader(src, false);
  // The pixel offset counts from the file's start, as the source does; 0
  // (written by some programs) means "right after the colour table".
  return ReadBody(src, h, offBits == 0 ? -1 : std::int64_t{offBits}, nullptr);
}

Dib ReadPackedDib(const std::uint8_t* data, std::size_t size) {
  MemorySource src(data, size);
  const Header h = ReadHeader(src, false);
  return ReadBody(src, h, -1, nullptr);
}

Dib ReadIconDib(const std::uint8_t* data, std::size_t size, Dib* mask) {
  MemorySource src(data, size);
  const Header h = ReadHeader(src, true);
  if (h.compression != BI_RGB) Invalid();
  return ReadBody(src, h, -1, mask);
}

void WriteBmpFile(TStream* Stream, int width, int height, int bitCount, const std::vector<RGBQUAD>& colors,
                  const std::function<const std::uint8_t*(int)>& row) {
  const std::size_t rowBytes = DibRowBytes(width, bitCount);
  const std::uint32_t headerBytes = 14 + 40 + static_cast<std::uint32_t>(colors.size()) * 4;
  const std::uint64_t imageBytes = static_cast<std::uint64_t>(rowBytes) * static_cast<std::uint64_t>(height);
  std::vector<std::uint8_t> head(headerBytes, 0);
  head[0] = 'B';
  head[1] = 'M';
  PutU32(&head[2], static_cast<std::uint32_t>(std::min<std::uint64_t>(headerBytes + imageBytes, UINT32_MAX)));
  PutU32(&head[10], headerBytes);
  std::uint8_t* info = &head[14];
  PutU32(info, 40);
  PutU32(info + 4, static_cast<std::uint32_t>(width));
  PutU32(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom to top
  PutU16(info + 12, 1);
  PutU16(info + 14, static_cast<std::uint32_t>(bitCount));
  PutU32(info + 16, BI_RGB);
  PutU32(info + 20, static_cast<std::uint32_t>(std::min<std::uint64_t>(imageBytes, UINT32_MAX)));
  PutU32(info + 32, static_cast<std::uint32_t>(colors.size()));
  for (std::size_t i = 0; i < colors.size(); ++i) {
    std::uint8_t* q = info + 40 + 4 * i;
    q[0] = colors[i].rgbBlue;
    q[1] = colors[i].rgbGreen;
    q[2] = colors[i].rgbRed;
    q[3] = 0;
  }
  Stream->WriteBuffer(head.data(), static_cast<int>(head.size()));
  for (int y = height - 1; y >= 0; --y) Stream->WriteBuffer(row(y), static_cast<int>(rowBytes));
}

}  // namespace bmp

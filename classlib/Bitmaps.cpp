#include "classlib/Bitmaps.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "classlib/BmpFormat.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Resources.h"

namespace {

constexpr const char* kOutOfResources = "Out of system resources";

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}

RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// The sixteen colours of 4-bit bitmaps, in the platform's order.
const std::vector<RGBQUAD>& VgaColors() {
  static const std::vector<RGBQUAD> colors = {
      Quad(0, 0, 0),     Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
      Quad(0, 0, 128),   Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
      Quad(128, 128, 128), Quad(255, 0, 0), Quad(0, 255, 0),   Quad(255, 255, 0),
      Quad(0, 0, 255),   Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255)};
  return colors;
}

// 256 colours: the first eight VGA colours, eight greys, a 6 x 6 x 6 colour
// cube, sixteen more greys and the last eight VGA colours (white last, so
// that an all-ones pixel is white, as in the other formats).
const std::vector<RGBQUAD>& Colors256() {
  static const std::vector<RGBQUAD> colors = [] {
    std::vector<RGBQUAD> c(VgaColors().begin(), VgaColors().begin() + 8);
    for (int i = 0; i < 8; ++i) {
      const BYTE v = static_cast<BYTE>(8 + i * 16);
      c.push_back(Quad(v, v, v));
    }
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) c.push_back(Quad(static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51)));
    for (int i = 0; i < 16; ++i) {
      const BYTE v = static_cast<BYTE>(16 + i * 14);
      c.push_back(Quad(v, v, v));
    }
    c.insert(c.end(), VgaColors().begin() + 8, VgaColors().end());
    return c;
  }();
  return colors;
}

const std::vector<RGBQUAD>& DefaultColors(TPixelFormat format) {
  static const std::vector<RGBQUAD> mono = {Quad(0, 0, 0), Quad(255, 255, 255)};
  static const std::vector<RGBQUAD> none;
  switch (format) {
    case pf1bit: return mono;
    case pf4bit: return VgaColors();
    case pf8bit: return Colors256();
    default: return none;
  }
}

TPixelFormat FormatOfBits(int bits) {
  switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return pf15bit;
    case 24: return pf24bit;
    default: return pf32bit;
  }
}

bool IsIndexed(TPixelFormat format) { return format == pf1bit || format == pf4bit || format == pf8bit; }

// A memory DC with a bitmap selected for the life of the object.
class MemoryDC {
 public:
  explicit MemoryDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ == nullptr) throw EOutOfResources(kOutOfResources);
    old_ = SelectObject(dc_, bitmap);
  }
  ~MemoryDC() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// A new image of the size and format; for 1, 4 and 8 bits with the given
// colour table. Empty (no handle) when a side is 0.
TBitmapImage CreateImage(int width, int height, TPixelFormat format, bool monoDevice,
                         const std::vector<RGBQUAD>& colors) {
  TBitmapImage image;
  image.width = std::max(0, width);
  image.height = std::max(0, height);
  image.format = format;
  image.monoDevice = format == pfDevice && monoDevice;
  if (image.width == 0 || image.height == 0) return image;
  if (image.monoDevice) {
    image.handle = CreateBitmap(image.width, image.height, 1, 1, nullptr);
    if (image.handle == nullptr) throw EOutOfResources(kOutOfResources);
    return image;
  }
  const std::size_t entries = IsIndexed(format) ? colors.size() : 0;
  std::vector<std::uint8_t> buffer(sizeof(BITMAPINFOHEADER) + 4 * std::max<std::size_t>(entries, 1));
  auto* info = new (buffer.data()) BITMAPINFO;
  info->bmiHeader.biWidth = image.width;
  info->bmiHeader.biHeight = -image.height;  // rows top to bottom
  info->bmiHeader.biBitCount = static_cast<WORD>(BitsOf(format));
  info->bmiHeader.biClrUsed = static_cast<DWORD>(entries);
  if (entries > 0) std::memcpy(buffer.data() + sizeof(BITMAPINFOHEADER), colors.data(), 4 * entries);
  void* bits = nullptr;
  image.handle = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (image.handle == nullptr) throw EOutOfResources(kOutOfResources);
  image.top = static_cast<std::uint8_t*>(bits);
  image.stride = static_cast<std::ptrdiff_t>(bmp::DibRowBytes(image.width, BitsOf(format)));
  return image;
}

// The image of a platform bitmap the caller hands over.
TBitmapImage ImageOfHandle(HBITMAP handle) {
  TBitmapImage image;
  if (handle == nullptr) return image;
  DIBSECTION ds;
  const int got = GetObject(handle, sizeof ds, &ds);
  if (got == static_cast<int>(sizeof ds)) {
    image.width = ds.dsBm.bmWidth;
    image.height = ds.dsBm.bmHeight;
    image.format = FormatOfBits(ds.dsBm.bmBitsPixel);
    auto* bits = static_cast<std::uint8_t*>(ds.dsBm.bmBits);
    const std::ptrdiff_t rowBytes = ds.dsBm.bmWidthBytes;
    if (ds.dsBmih.biHeight < 0) {
      image.top = bits;
      image.stride = rowBytes;
    } else {
      image.top = bits + rowBytes * (image.height - 1);
      image.stride = -rowBytes;
    }
  } else if (got >= static_cast<int>(sizeof(BITMAP))) {
    image.width = ds.dsBm.bmWidth;
    image.height = ds.dsBm.bmHeight;
    image.format = pfDevice;
    image.monoDevice = ds.dsBm.bmBitsPixel == 1;
  } else {
    throw EInvalidGraphic(GraphicsConst::SInvalidBitmap);
  }
  image.handle = handle;
  return image;
}

// What PatBlt with WHITENESS does to a DIB section (every bit of every
// pixel set; the unused bits of 16- and 32-bit pixels stay 0), done
// directly on the memory: new bitmaps are filled this way.
void FillWhite(const TBitmapImage& image) {
  const std::size_t rowBytes = bmp::DibRowBytes(image.width, BitsOf(image.format));
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.top + image.stride * y;
    if (BitsOf(image.format) == 32) {
      const std::uint32_t white = 0x00FFFFFF;
      for (int x = 0; x < image.width; ++x) std::memcpy(row + 4 * x, &white, 4);
    } else if (BitsOf(image.format) == 16) {
      const std::uint16_t white = 0x7FFF;
      for (int x = 0; x < image.width; ++x) std::memcpy(row + 2 * x, &white, 2);
    } else {
      std::memset(row, 0xFF, rowBytes);
    }
  }
}

// An image holding a decoded BMP.
TBitmapImage ImageOfDib(const bmp::Dib& dib) {
  TBitmapImage image = CreateImage(dib.width, dib.height, FormatOfBits(dib.bitCount), false, dib.colors);
  const std::size_t rowBytes = dib.RowBytes();
  for (int y = 0; y < dib.height; ++y) std::memcpy(image.top + image.stride * y, dib.Row(y), rowBytes);
  return image;
}

}  // namespace

// --- TBitmapCanvas ---

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::FreeContext() {
  if (dc_ == nullptr) return;
  SetHandle(nullptr);
  if (old_bitmap_ != nullptr) SelectObject(dc_, old_bitmap_);
  DeleteDC(dc_);
  dc_ = nullptr;
  old_bitmap_ = nullptr;
}

void TBitmapCanvas::Changed() {
  TCanvas::Changed();
  bitmap_->Changed();
}

void TBitmapCanvas::CreateHandle() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return;
  if (bitmap_->Handle() != nullptr) old_bitmap_ = SelectObject(dc, bitmap_->Handle());
  dc_ = dc;
  SetHandle(dc);
}

// --- TBitmap ---

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  if (image_.handle != nullptr) DeleteObject(image_.handle);
}

std::unique_ptr<TGraphic> TBitmap::NewOfSameClass() const { return std::make_unique<TBitmap>(); }

void TBitmap::FreeContext() {
  if (canvas_) canvas_->FreeContext();
}

void TBitmap::ReplaceImage(const TBitmapImage& image) {
  FreeContext();
  HBITMAP old = image_.handle;
  image_ = image;
  if (old != nullptr && old != image.handle) DeleteObject(old);
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TBitmapCanvas>(this);
  }
  return canvas_.get();
}

std::vector<RGBQUAD> TBitmap::Colors() const {
  if (image_.handle == nullptr || image_.top == nullptr || !IsIndexed(image_.format)) return {};
  RGBQUAD table[256];
  UINT count = 0;
  if (canvas_ && canvas_->HandleAllocated()) {
    count = GetDIBColorTable(canvas_->Handle(), 0, 256, table);
  } else {
    MemoryDC dc(image_.handle);
    count = GetDIBColorTable(dc.get(), 0, 256, table);
  }
  return std::vector<RGBQUAD>(table, table + count);
}

bool TBitmap::Monochrome() const {
  if (image_.monoDevice) return true;
  if (image_.format != pf1bit) return false;
  const std::vector<RGBQUAD> colors = Colors();
  auto is = [](const RGBQUAD& q, BYTE v) { return q.rgbRed == v && q.rgbGreen == v && q.rgbBlue == v; };
  return colors.size() == 2 && is(colors[0], 0) && is(colors[1], 255);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(0, AWidth);
  AHeight = std::max(0, AHeight);
  if (AWidth == image_.width && AHeight == image_.height) return;
  std::vector<RGBQUAD> colors = Colors();
  if (colors.empty()) colors = DefaultColors(image_.format);
  TBitmapImage next = CreateImage(AWidth, AHeight, image_.format, image_.monoDevice, colors);
  if (next.handle != nullptr) {
    FreeContext();
    MemoryDC to(next.handle);
    const RECT all{0, 0, AWidth, AHeight};
    if (canvas_) {
      ::FillRect(to.get(), &all, canvas_->Brush()->Handle());
    } else if (next.top != nullptr) {
      FillWhite(next);
    } else {
      PatBlt(to.get(), 0, 0, AWidth, AHeight, WHITENESS);
    }
    if (image_.handle != nullptr) {
      MemoryDC from(image_.handle);
      BitBlt(to.get(), 0, 0, std::min(AWidth, image_.width), std::min(AHeight, image_.height), from.get(), 0, 0,
             SRCCOPY);
    }
  }
  ReplaceImage(next);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == pf16bit || Value == pfCustom) throw EInvalidGraphic(GraphicsConst::SInvalidPixelFormat);
  if (Value == image_.format) return;
  TBitmapImage next = CreateImage(image_.width, image_.height, Value, false, DefaultColors(Value));
  if (next.handle != nullptr && image_.handle != nullptr) {
    FreeContext();
    MemoryDC to(next.handle);
    MemoryDC from(image_.handle);
    BitBlt(to.get(), 0, 0, image_.width, image_.height, from.get(), 0, 0, SRCCOPY);
  }
  ReplaceImage(next);
  Changed();
}

void TBitmap::SetMonochrome(bool Value) {
  if (Value == Monochrome()) return;
  TBitmapImage next = CreateImage(image_.width, image_.height, pfDevice, Value, {});
  if (next.handle != nullptr && image_.handle != nullptr) {
    FreeContext();
    MemoryDC to(next.handle);
    MemoryDC from(image_.handle);
    BitBlt(to.get(), 0, 0, image_.width, image_.height, from.get(), 0, 0, SRCCOPY);
  }
  ReplaceImage(next);
  Changed();
}

void TBitmap::MakeDib() {
  if (image_.handle == nullptr) return;
  if (image_.top != nullptr) {
    if (image_.format == pfDevice) image_.format = pf32bit;
    return;
  }
  const TPixelFormat format = image_.monoDevice ? pf1bit : pf32bit;
  TBitmapImage next = CreateImage(image_.width, image_.height, format, false, DefaultColors(format));
  FreeContext();
  {
    MemoryDC to(next.handle);
    MemoryDC from(image_.handle);
    BitBlt(to.get(), 0, 0, image_.width, image_.height, from.get(), 0, 0, SRCCOPY);
  }
  ReplaceImage(next);
}

void* TBitmap::ScanLine(int Row) {
  if (Row < 0 || Row >= image_.height || image_.width == 0) {
    throw EInvalidGraphicOperation(GraphicsConst::SScanLine);
  }
  MakeDib();
  return image_.top + image_.stride * Row;
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == image_.handle) return;
  ReplaceImage(ImageOfHandle(Value));
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  if (image_.handle == nullptr) return nullptr;
  std::vector<RGBQUAD> colors = Colors();
  if (colors.empty()) colors = DefaultColors(image_.format);
  TBitmapImage next = CreateImage(image_.width, image_.height, image_.format, image_.monoDevice, colors);
  FreeContext();
  HBITMAP released = image_.handle;
  image_.handle = nullptr;
  ReplaceImage(next);
  return released;
}

TColor TBitmap::TransparentColor() {
  if (transparent_mode_ == tmFixed) return transparent_color_;
  if (Empty()) return clDefault;
  return Canvas()->Pixels(0, image_.height - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == transparent_color_ && (Value == clDefault) == (transparent_mode_ == tmAuto)) return;
  transparent_color_ = Value;
  transparent_mode_ = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == transparent_mode_) return;
  if (Value == tmAuto) {
    SetTransparentColor(clDefault);
  } else {
    SetTransparentColor(TransparentColor());
  }
}

void TBitmap::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    ReplaceImage(TBitmapImage{});
    Changed();
    return;
  }
  auto* other = dynamic_cast<TBitmap*>(Source);
  if (other == nullptr) {
    TGraphic::Assign(Source);
    return;
  }
  if (other == this) return;
  std::vector<RGBQUAD> colors = other->Colors();
  TBitmapImage next = CreateImage(other->image_.width, other->image_.height, other->image_.format,
                                  other->image_.monoDevice, colors);
  if (next.handle != nullptr && next.top != nullptr && other->image_.top != nullptr) {
    const std::size_t rowBytes = bmp::DibRowBytes(next.width, BitsOf(next.format));
    for (int y = 0; y < next.height; ++y) {
      std::memcpy(next.top + next.stride * y, other->image_.top + other->image_.stride * y, rowBytes);
    }
  } else if (next.handle != nullptr) {
    MemoryDC to(next.handle);
    BitBlt(to.get(), 0, 0, next.width, next.height, other->Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  ReplaceImage(next);
  transparent_color_ = other->transparent_color_;
  transparent_mode_ = other->transparent_mode_;
  transparent_ = other->transparent_;
  Changed();
}

void TBitmap::LoadFromStream(TStream* Stream) {
  if (Stream->Size() - Stream->Position() <= 0) {
    ReplaceImage(TBitmapImage{});
    Changed();
    return;
  }
  const bmp::Dib dib = bmp::ReadBmpFile(Stream);
  ReplaceImage(ImageOfDib(dib));
  Changed();
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (Empty()) return;
  if (image_.top != nullptr) {
    bmp::WriteBmpFile(Stream, image_.width, image_.height, BitsOf(image_.format), Colors(),
                      [this](int y) { return image_.top + image_.stride * y; });
    return;
  }
  // A device bitmap: its pixels come through the platform, top row first.
  const int bits = image_.monoDevice ? 1 : 32;
  const std::size_t rowBytes = bmp::DibRowBytes(image_.width, bits);
  std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(image_.height));
  std::vector<std::uint8_t> buffer(sizeof(BITMAPINFOHEADER) + 4 * 256);
  auto* info = new (buffer.data()) BITMAPINFO;
  info->bmiHeader.biWidth = image_.width;
  info->bmiHeader.biHeight = -image_.height;
  info->bmiHeader.biBitCount = static_cast<WORD>(bits);
  GetDIBits(nullptr, image_.handle, 0, static_cast<UINT>(image_.height), pixels.data(), info, DIB_RGB_COLORS);
  std::vector<RGBQUAD> colors;
  if (bits == 1) colors = DefaultColors(pf1bit);
  bmp::WriteBmpFile(Stream, image_.width, image_.height, bits, colors,
                    [&](int y) { return pixels.data() + rowBytes * static_cast<std::size_t>(y); });
}

void TBitmap::LoadFromResourceName(const String& ResName) {
  TResourceStream stream(ResName, ResourceType::Bitmap);
  const std::uint8_t* data = static_cast<const std::uint8_t*>(stream.Memory());
  const std::size_t size = static_cast<std::size_t>(stream.Size());
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    LoadFromStream(&stream);
    return;
  }
  ReplaceImage(ImageOfDib(bmp::ReadPackedDib(data, size)));
  Changed();
}

void TBitmap::LoadFromResourceID(int ResID) { LoadFromResourceName("#" + std::to_string(ResID)); }

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (Empty()) return;
  const int width = Rect.right - Rect.left;
  const int height = Rect.bottom - Rect.top;
  HDC dest = ACanvas->Handle();
  HDC src = Canvas()->Handle();
  if (Transparent()) {
    const COLORREF key = static_cast<COLORREF>(ColorToRGB(TransparentColor())) & 0x00FFFFFF;
    TransparentBlt(dest, Rect.left, Rect.top, width, height, src, 0, 0, image_.width, image_.height, key);
    return;
  }
  const int oldMode = SetStretchBltMode(dest, COLORONCOLOR);
  StretchBlt(dest, Rect.left, Rect.top, width, height, src, 0, 0, image_.width, image_.height, ACanvas->CopyMode);
  SetStretchBltMode(dest, oldMode);
}

#include "platform/gdi/surface.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/gdi.h"

namespace platform {

Surface::Surface(int width, int height, std::unique_ptr<std::uint32_t[]> pixels)
    : width_(width),
      height_(height),
      stride_(static_cast<std::ptrdiff_t>(width) * 4),
      pixels_(std::move(pixels)) {}

std::shared_ptr<Surface> Surface::Create(int width, int height) {
  if (width < 1 || height < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (std::int64_t{width} * height > kMaxPixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::unique_ptr<std::uint32_t[]> pixels(
      new (std::nothrow) std::uint32_t[static_cast<std::size_t>(width) * height]());
  if (!pixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return std::shared_ptr<Surface>(new Surface(width, height, std::move(pixels)));
}

COLORREF Surface::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  return ColorFromPixel(Row(y)[x]);
}

void Surface::SetPixel(int x, int y, COLORREF color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Row(y)[x] = PixelFromColor(color);
}

void Surface::Fill(COLORREF color) {
  std::fill_n(pixels_.get(), static_cast<std::size_t>(width_) * height_, PixelFromColor(color));
}

void Surface::CopyFrom(const Surface& src, int srcX, int srcY, int width, int height, int destX,
                       int destY) {
  // Clip against the source, then the destination, moving both origins.
  auto clip = [](int& from, int& to, int& length, int limitFrom, int limitTo) {
    if (from < 0) { to -= from; length += from; from = 0; }
    if (to < 0) { from -= to; length += to; to = 0; }
    length = std::min({length, limitFrom - from, limitTo - to});
  };
  clip(srcX, destX, width, src.width_, width_);
  clip(srcY, destY, height, src.height_, height_);
  if (width <= 0 || height <= 0) return;
  for (int y = 0; y < height; ++y) {
    std::copy_n(src.Row(srcY + y) + srcX, width, Row(destY + y) + destX);
  }
}

namespace {

bool PrepareFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  return !ec;
}

void PutLE16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void PutLE32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

}  // namespace

bool SaveBmp(const Surface& surface, const std::string& path) {
  if (!PrepareFolder(path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const int w = surface.width(), h = surface.height();
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
  const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(h);
  std::vector<std::uint8_t> out;
  out.reserve(54 + imageBytes);
  out.push_back('B');
  out.push_back('M');
  PutLE32(out, 54 + imageBytes);
  PutLE32(out, 0);
  PutLE32(out, 54);
  PutLE32(out, 40);
  PutLE32(out, static_cast<std::uint32_t>(w));
  PutLE32(out, static_cast<std::uint32_t>(h));  // bottom-up
  PutLE16(out, 1);
  PutLE16(out, 24);
  PutLE32(out, BI_RGB);
  PutLE32(out, imageBytes);
  PutLE32(out, 3780);  // 96 dpi
  PutLE32(out, 3780);
  PutLE32(out, 0);
  PutLE32(out, 0);
  for (int y = h - 1; y >= 0; --y) {
    const std::uint32_t* row = surface.Row(y);
    for (int x = 0; x < w; ++x) {
      out.push_back(row[x] & 0xFF);
      out.push_back((row[x] >> 8) & 0xFF);
      out.push_back((row[x] >> 16) & 0xFF);
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(w) * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) SetLastError(ERROR_WRITE_FAULT);
  return ok;
}

bool SavePng(const Surface& surface, const std::string& path) {
  if (!PrepareFolder(path)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(surface.width());
  image.height = static_cast<png_uint_32>(surface.height());
  // The surface's bytes are blue, green, red, unused: PNG_FORMAT_BGRA would
  // keep the unused byte as alpha, so convert to plain RGB rows.
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(surface.width()) * surface.height() * 3);
  std::size_t i = 0;
  for (int y = 0; y < surface.height(); ++y) {
    const std::uint32_t* row = surface.Row(y);
    for (int x = 0; x < surface.width(); ++x) {
      rgb[i++] = (row[x] >> 16) & 0xFF;
      rgb[i++] = (row[x] >> 8) & 0xFF;
      rgb[i++] = row[x] & 0xFF;
    }
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

}  // namespace platform

// A 32-bit memory image that device contexts draw on: what the window system
// keeps for each window (or for the screen) and what the display backends
// show or save.
//
// Pixels are 32-bit words 0xXXRRGGBB (bytes blue, green, red, unused in
// memory order), rows top to bottom, `stride()` bytes apart. The unused byte
// is written as 0 by drawing and ignored by every reader.
//
// Internal API for the window system and the display backends:
//   - make a surface: Surface::Create(width, height)
//   - draw on it through a DC: platform::CreateSurfaceDC (device.h)
//   - read it back: Pixel(), Row(), or save it with SaveBmp / SavePng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/types.h"

namespace platform {

class Surface {
 public:
  // The largest surface, in pixels (64 megapixels).
  static constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

  // A surface cleared to black, or null with the last error set
  // (ERROR_INVALID_PARAMETER for a size below 1, ERROR_NOT_ENOUGH_MEMORY above
  // kMaxPixels or when memory runs out).
  static std::shared_ptr<Surface> Create(int width, int height);

  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  std::ptrdiff_t stride() const { return stride_; }
  std::uint32_t* Row(int y) { return pixels_.get() + static_cast<std::ptrdiff_t>(y) * width_; }
  const std::uint32_t* Row(int y) const {
    return pixels_.get() + static_cast<std::ptrdiff_t>(y) * width_;
  }
  std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(pixels_.get()); }
  const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(pixels_.get()); }

  // The pixel as a COLORREF (0x00BBGGRR); CLR_INVALID outside the surface.
  COLORREF Pixel(int x, int y) const;
  void SetPixel(int x, int y, COLORREF color);
  void Fill(COLORREF color);
  // Copies a rectangle of another surface (clipped to both).
  void CopyFrom(const Surface& src, int srcX, int srcY, int width, int height, int destX,
                int destY);

 private:
  Surface(int width, int height, std::unique_ptr<std::uint32_t[]> pixels);

  int width_;
  int height_;
  std::ptrdiff_t stride_;
  std::unique_ptr<std::uint32_t[]> pixels_;
};

// A COLORREF as a surface pixel and back.
constexpr std::uint32_t PixelFromColor(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorFromPixel(std::uint32_t p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

// Writes the surface as a 24-bit BMP file or an 8-bit RGB PNG file (creating
// missing folders). False with the last error set on failure.
bool SaveBmp(const Surface& surface, const std::string& path);
bool SavePng(const Surface& surface, const std::string& path);

}  // namespace platform

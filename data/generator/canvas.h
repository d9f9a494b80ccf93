// A small 32-bit picture to draw artwork on: pixels 0xAARRGGBB, rows top to
// bottom, with the few shapes the artwork needs. Right and bottom edges of
// rectangles are exclusive; polygons and ellipses fill the pixels whose
// centres lie inside.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace art {

using Pixel = std::uint32_t;

constexpr Pixel Rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<Pixel>(r) << 16) | (static_cast<Pixel>(g) << 8) | static_cast<Pixel>(b);
}
constexpr Pixel kClear = 0x00000000u;  // fully transparent (icons and cursors)

// The sixteen colours of a 4-bit picture (the classic VGA palette).
namespace vga {
constexpr Pixel Black = Rgb(0, 0, 0), Maroon = Rgb(128, 0, 0), Green = Rgb(0, 128, 0),
                Olive = Rgb(128, 128, 0), Navy = Rgb(0, 0, 128), Purple = Rgb(128, 0, 128),
                Teal = Rgb(0, 128, 128), Silver = Rgb(192, 192, 192), Grey = Rgb(128, 128, 128),
                Red = Rgb(255, 0, 0), Lime = Rgb(0, 255, 0), Yellow = Rgb(255, 255, 0),
                Blue = Rgb(0, 0, 255), Fuchsia = Rgb(255, 0, 255), Aqua = Rgb(0, 255, 255),
                White = Rgb(255, 255, 255);
}  // namespace vga

struct Point {
  double x;
  double y;
};

class Canvas {
 public:
  Canvas(int width, int height, Pixel fill = kClear);

  int width() const { return width_; }
  int height() const { return height_; }
  Pixel At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
  void Set(int x, int y, Pixel c);  // ignored outside

  void FillRect(int left, int top, int right, int bottom, Pixel c);
  // One-pixel frame on the rectangle's edges (right and bottom exclusive).
  void FrameRect(int left, int top, int right, int bottom, Pixel c);
  // A raised (or sunken) 3-D frame: light top and left, dark bottom and right.
  void Frame3D(int left, int top, int right, int bottom, Pixel light, Pixel dark);
  // Every pixel of the line, both ends included.
  void Line(int x0, int y0, int x1, int y1, Pixel c);
  void FillPolygon(const std::vector<Point>& points, Pixel c);
  void FillEllipse(double cx, double cy, double rx, double ry, Pixel c);
  // Copies `src` to (x, y), leaving out its pixels of colour `key`.
  void Blit(const Canvas& src, int x, int y, Pixel key);
  // Pixels of `bits` rows (bit 0x10 of each row is the leftmost of five) in
  // colour c, scaled by `scale`.
  void Pattern5(const std::vector<std::uint8_t>& rows, int x, int y, Pixel c, int scale = 1);

  const std::vector<Pixel>& pixels() const { return pixels_; }

 private:
  int width_;
  int height_;
  std::vector<Pixel> pixels_;
};

// The 5 x 7 pattern of a digit 0..9.
const std::vector<std::uint8_t>& DigitPattern(int digit);

}  // namespace art

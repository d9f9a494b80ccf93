#include "data/generator/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace art {

Canvas::Canvas(int width, int height, Pixel fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {}

void Canvas::Set(int x, int y, Pixel c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y * width_ + x)] = c;
}

void Canvas::FillRect(int left, int top, int right, int bottom, Pixel c) {
  for (int y = std::max(0, top); y < std::min(height_, bottom); ++y)
    for (int x = std::max(0, left); x < std::min(width_, right); ++x) Set(x, y, c);
}

void Canvas::FrameRect(int left, int top, int right, int bottom, Pixel c) {
  Frame3D(left, top, right, bottom, c, c);
}

void Canvas::Frame3D(int left, int top, int right, int bottom, Pixel light, Pixel dark) {
  if (right <= left || bottom <= top) return;
  Line(left, bottom - 1, left, top, light);
  Line(left, top, right - 1, top, light);
  Line(right - 1, top + 1, right - 1, bottom - 1, dark);
  Line(left + 1, bottom - 1, right - 1, bottom - 1, dark);
}

void Canvas::Line(int x0, int y0, int x1, int y1, Pixel c) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x0 += sx; }
    if (e2 <= dx) { err += dx; y0 += sy; }
  }
}

void Canvas::FillPolygon(const std::vector<Point>& points, Pixel c) {
  const std::size_t n = points.size();
  if (n < 3) return;
  for (int y = 0; y < height_; ++y) {
    const double py = y + 0.5;
    std::vector<double> xs;
    for (std::size_t i = 0; i < n; ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % n];
      if ((a.y <= py && b.y > py) || (b.y <= py && a.y > py)) xs.push_back(a.x + (py - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
      for (int x = 0; x < width_; ++x)
        if (x + 0.5 >= xs[i] && x + 0.5 < xs[i + 1]) Set(x, y, c);
  }
}

void Canvas::FillEllipse(double cx, double cy, double rx, double ry, Pixel c) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
      if (nx * nx + ny * ny <= 1.0) Set(x, y, c);
    }
}

void Canvas::Blit(const Canvas& src, int x, int y, Pixel key) {
  for (int sy = 0; sy < src.height(); ++sy)
    for (int sx = 0; sx < src.width(); ++sx)
      if (src.At(sx, sy) != key) Set(x + sx, y + sy, src.At(sx, sy));
}

void Canvas::Pattern5(const std::vector<std::uint8_t>& rows, int x, int y, Pixel c, int scale) {
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (int b = 0; b < 5; ++b)
      if (rows[r] & (0x10 >> b)) FillRect(x + b * scale, y + static_cast<int>(r) * scale, x + (b + 1) * scale, y + (static_cast<int>(r) + 1) * scale, c);
}

const std::vector<std::uint8_t>& DigitPattern(int digit) {
  static const std::vector<std::uint8_t> kDigits[10] = {
      {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
      {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
      {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
      {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
      {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
      {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
      {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
      {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
      {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
      {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
  };
  return kDigits[digit % 10];
}

}  // namespace art

// File forms of the artwork: BMP files (4-bit with the VGA palette, or 24
// bits), and icon and cursor files (32-bit images with their AND masks).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "data/generator/canvas.h"

namespace art {

using Bytes = std::vector<std::uint8_t>;

// A 16-colour BMP file; every pixel must be one of the VGA colours
// (std::invalid_argument otherwise).
Bytes Bmp4(const Canvas& c);
// A 24-bit BMP file (alpha is dropped).
Bytes Bmp24(const Canvas& c);
// An 8-bit BMP file whose palette holds the picture's colours in order of
// first use (std::invalid_argument for more than 256).
Bytes Bmp8(const Canvas& c);

struct IconImage {
  const Canvas* canvas;
  int hot_x = 0;  // cursors only
  int hot_y = 0;
};
// An icon file (.ico) or a cursor file (.cur) holding the images in order.
// Pixels with alpha 0 are transparent (AND mask 1).
Bytes IconFile(const std::vector<IconImage>& images, bool cursor);

}  // namespace art

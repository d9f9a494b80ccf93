// JPEG files for tests, written with libjpeg itself so that they do not
// depend on the reader under test.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include <jpeglib.h>

namespace velko_test {

// A JPEG file of `width` x `height` pixels of `components` samples each in
// colour space `space`; `pixel(x, y, samples)` fills one pixel.
std::string WriteJpeg(int width, int height, J_COLOR_SPACE space, int components,
                      const std::function<void(int x, int y, JSAMPLE* samples)>& pixel, int quality);

}  // namespace velko_test

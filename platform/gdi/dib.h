// Reading device-independent bitmap descriptions (BITMAPINFO and packed
// DIBs) safely: every size is checked before memory is touched.
#pragma once

#include <vector>

#include "platform/gdi/objects.h"
#include "platform/gdi/pixels.h"

namespace platform::gdi {

struct DibFormat {
  Format format = Format::Bgrx32;
  int bitCount = 0;
  int width = 0;
  int height = 0;        // rows, always positive
  bool topDown = false;  // negative biHeight
  DWORD compression = BI_RGB;
  std::vector<RGBQUAD> colors;  // indexed formats
  DWORD masks[3] = {0, 0, 0};
  std::int64_t rowBytes = 0;
  std::size_t headerBytes = 0;  // header, masks and colour table
  BITMAPINFOHEADER header;      // normalised to the 40-byte form
};

// Validates the header (and colour table) and fills `out`; false with the
// last error set (ERROR_INVALID_PARAMETER, ERROR_NOT_ENOUGH_MEMORY for more
// than 64 megapixels). DIB_PAL_COLORS tables index the DC's palette.
bool ParseDib(const BITMAPINFO* info, UINT usage, DeviceContext* dc, DibFormat* out);
// A read view of DIB pixels in `bits` (rows in storage order, row 0 of the
// view is the top of the image).
PixelStore DibStore(const DibFormat& format, const void* bits);
// The pattern of a packed DIB (header, colour table, bits) for a brush.
bool DecodePackedDib(const void* packed, UINT usage, BrushPattern* out);

}  // namespace platform::gdi

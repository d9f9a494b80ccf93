// Loads fuzzer input as a picture of one class and, when it loads, draws it
// (stretched and at its own size) so that the pixels are read too. Class
// library exceptions are the readers' way of refusing input. Pictures of
// many pixels are loaded but not drawn (bitmap_size.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "classlib/Graphics.h"
#include "fuzz/graphics/bitmap_size.h"

namespace velko_fuzz {

template <class Picture>
void LoadAndDraw(const std::uint8_t* data, std::size_t size) {
  TMemoryStream stream;
  if (size > 0) stream.WriteBuffer(data, static_cast<int>(size));
  stream.SetPosition(0);
  Picture picture;
  try {
    picture.LoadFromStream(&stream);
  } catch (const Exception&) {
    return;
  }
  if (std::int64_t{picture.Width()} * picture.Height() > kMostPixelsDrawn) return;
  TBitmap target;
  target.SetSize(24, 24);
  target.Canvas()->StretchDraw(Rect(0, 0, 24, 24), &picture);
  target.Canvas()->Draw(1, 1, &picture);
}

}  // namespace velko_fuzz

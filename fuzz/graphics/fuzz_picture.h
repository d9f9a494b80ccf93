// Loads fuzzer input as a picture of one class and, when it loads, draws it
// (stretched and at its own size) so that the pixels are read too. Class
// library exceptions are the readers' way of refusing input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classlib/Graphics.h"

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
  TBitmap target;
  target.SetSize(24, 24);
  target.Canvas()->StretchDraw(Rect(0, 0, 24, 24), &picture);
  target.Canvas()->Draw(1, 1, &picture);
}

}  // namespace velko_fuzz

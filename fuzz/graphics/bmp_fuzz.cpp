#include "classlib/BmpFormat.h"
#include "fuzz/graphics/fuzz_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!velko_fuzz::DeclaresTooManyPixels(data, size)) velko_fuzz::LoadAndDraw<TBitmap>(data, size);
  // The same bytes as a packed DIB (a bitmap resource).
  if (velko_fuzz::PackedDeclaresTooManyPixels(data, size)) return 0;
  try {
    bmp::ReadPackedDib(data, size);
  } catch (const Exception&) {
  }
  return 0;
}

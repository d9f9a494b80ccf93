#include "classlib/BmpFormat.h"
#include "fuzz/graphics/fuzz_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velko_fuzz::LoadAndDraw<TBitmap>(data, size);
  // The same bytes as a packed DIB (a bitmap resource).
  try {
    bmp::ReadPackedDib(data, size);
  } catch (const Exception&) {
  }
  return 0;
}

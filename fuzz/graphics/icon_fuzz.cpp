#include "fuzz/graphics/fuzz_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  velko_fuzz::LoadAndDraw<TIcon>(data, size);
  return 0;
}

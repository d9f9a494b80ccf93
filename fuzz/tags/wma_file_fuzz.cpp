#include "fuzz/tags/fuzz_input_file.h"
#include "tags/WMAfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TWMAfile reader;
  reader.ReadFromFile(velko_fuzz::InputFile(data, size));
  return 0;
}

#include "fuzz/tags/fuzz_input_file.h"
#include "tags/WAVfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TWAVfile reader;
  if (reader.ReadFromFile(velko_fuzz::InputFile(data, size))) reader.GetDuration();
  return 0;
}

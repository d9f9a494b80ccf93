#include "fuzz/tags/fuzz_input_file.h"
#include "tags/ID3v2.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TID3v2 tag;
  tag.ReadFromFile(velko_fuzz::InputFile(data, size));
  return 0;
}

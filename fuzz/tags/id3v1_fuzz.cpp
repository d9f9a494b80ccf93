#include "fuzz/tags/fuzz_input_file.h"
#include "tags/ID3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TID3v1 tag;
  if (tag.ReadFromFile(velko_fuzz::InputFile(data, size))) tag.GetGenre();
  return 0;
}

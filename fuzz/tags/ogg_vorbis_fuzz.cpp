#include "fuzz/tags/fuzz_input_file.h"
#include "tags/OggVorbis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TOggVorbis reader;
  reader.ReadFromFile(velko_fuzz::InputFile(data, size));
  reader.GetDuration();
  reader.GetBitRate();
  reader.GetValid();
  return 0;
}

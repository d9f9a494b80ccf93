#include "fuzz/tags/fuzz_input_file.h"
#include "tags/MPEGaudio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMPEGaudio reader;
  reader.ReadFromFile(velko_fuzz::InputFile(data, size));
  reader.GetSampleRate();
  reader.GetBitRate();
  reader.GetChannelMode();
  reader.GetDuration();
  reader.GetValid();
  reader.ID3v1.GetGenre();
  return 0;
}

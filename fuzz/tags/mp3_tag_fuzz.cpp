// The tag component on arbitrary tags: loading never fails on content, and
// a tag it saved reads back to the very same bytes.
#include <cstring>

#include "fuzz/tags/fuzz_input_file.h"
#include "tags/mp3Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Tmp3Tag tag(nullptr);
  tag.LoadFromFile(velko_fuzz::InputFile(data, size));
  tag.LoadFromBuffer(data, static_cast<int>(size));
  std::uint8_t first[128], second[128];
  tag.SaveToBuffer(first, sizeof first);
  tag.LoadFromBuffer(first, sizeof first);
  tag.SaveToBuffer(second, sizeof second);
  if (std::memcmp(first, second, sizeof first) != 0) __builtin_trap();
  return 0;
}

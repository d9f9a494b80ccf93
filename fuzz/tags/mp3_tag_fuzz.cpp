// The tag component on arbitrary tags: loading never fails on content, and
// a tag it saved reads back to the very same bytes.
#include <cstring>
#include <vector>

#include "fuzz/tags/fuzz_input_file.h"
#include "tags/mp3Tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Tmp3Tag tag(nullptr);
  tag.LoadFromFile(velko_fuzz::InputFile(data, size));
  tag.LoadFromBuffer(data, static_cast<int>(size));
  // Short inputs count as the start of a tag, so every input reaches the fields.
  std::vector<std::uint8_t> padded(data, data + size);
  if (padded.size() < 128) padded.resize(128, 0);
  tag.LoadFromBuffer(padded.data(), static_cast<int>(padded.size()));
  std::uint8_t first[128], second[128];
  tag.SaveToBuffer(first, sizeof first);
  tag.LoadFromBuffer(first, sizeof first);
  tag.SaveToBuffer(second, sizeof second);
  if (std::memcmp(first, second, sizeof first) != 0) __builtin_trap();
  return 0;
}

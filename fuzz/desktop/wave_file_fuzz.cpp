// Wave files handed to PlaySound, on a recording output.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/fs/drives.h"
#include "platform/mm/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = [] {
    platform::SetSoundOutput(std::make_shared<platform::RecordingSoundOutput>());
    char folder[] = "/tmp/velko-fuzz-XXXXXX";
    const char* made = mkdtemp(folder);
    return std::string(made != nullptr ? made : "/tmp") + "/sound.wav";
  }();
  FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);
  PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
  PlaySound(nullptr, nullptr, 0);
  return 0;
}

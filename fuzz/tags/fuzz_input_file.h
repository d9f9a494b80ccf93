// The readers read files by name: each fuzz input is written to one file of
// a folder of the fuzzer's own (in memory where the system has /dev/shm),
// mapped to drive F:.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/drives.h"

namespace velko_fuzz {

// Writes the input and returns its platform path.
inline std::string InputFile(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string pattern = (base / "velko-tags-fuzz-XXXXXX").string();
    const std::filesystem::path made = mkdtemp(pattern.data());
    platform::MapDrive('F', made.string());
    return made;
  }();
  std::ofstream(folder / "input.bin", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return "F:\\input.bin";
}

}  // namespace velko_fuzz

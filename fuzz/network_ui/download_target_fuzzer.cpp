// Feeds arbitrary peer file names to the download-target routine: a result
// always lies directly inside the download folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "network_ui/TransferText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string folder = "C:\\Downloads\\";
  std::string name(reinterpret_cast<const char*>(data), size);
  std::string target = DownloadTarget(folder, name);
  if (target.empty()) return 0;
  if (target.compare(0, folder.size(), folder) != 0) __builtin_trap();
  std::string last = target.substr(folder.size());
  if (last.empty() || last == "." || last == ".." || last.find_first_of("\\/:") != std::string::npos) {
    __builtin_trap();
  }
  for (unsigned char c : last) {
    if (c < 0x20 || c == 0x7F) __builtin_trap();
  }
  return 0;
}

// Feeds arbitrary bytes to the web host-cache answer readers in two pieces
// cut where the input says, and checks what the filters keep.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "network/GWebCache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t cut = size > 0 ? data[0] % size : 0;
  TAnswerLines lines;
  lines.Add(bytes.substr(0, cut));
  lines.Add(bytes.substr(cut));
  for (const auto& line : lines.Finish()) {
    if (line.empty() || line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    if (IsCacheUrl(line) && (line.size() > 255 || line.find(' ') != std::string::npos)) __builtin_trap();
    std::string address;
    int port = 0;
    if (ParseHostLine(line, &address, &port) && (port < 1 || port > 65535 || address.size() > 15)) {
      __builtin_trap();
    }
  }
  return 0;
}

// Command lines split into arguments, and quoting that must give each
// argument back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sys/process.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const std::string& argument : platform::SplitCommandLine(text)) {
    const auto again = platform::SplitCommandLine("x " + platform::QuoteArgument(argument));
    if (argument.find('\0') == std::string::npos && (again.size() != 2 || again[1] != argument)) std::abort();
  }
  return 0;
}

// Icon and cursor files for the platform's reader: every image size asked
// for, and whatever comes back is destroyed.
#include <cstddef>
#include <cstdint>

#include "platform/user/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int wanted : {0, 16, 32}) {
    if (HICON icon = platform::CreateIconFromIconFile(data, size, wanted)) DestroyIcon(icon);
  }
  return 0;
}

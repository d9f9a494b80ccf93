#include "outside/bass/core/content_probe.h"

#include <cstring>

namespace audio {

namespace {
constexpr std::uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
}

bool IsAsf(const std::uint8_t* head, std::size_t size) {
  return size >= sizeof(kAsfHeaderGuid) &&
         std::memcmp(head, kAsfHeaderGuid, sizeof(kAsfHeaderGuid)) == 0;
}

}  // namespace audio

// Wave images handed to the sound calls from memory, on a recording output.
// libFuzzer's buffer is exactly the input's size, so the address sanitizer
// sees any read past it; the input goes to the sound calls only when it
// passes the check every caller that holds a wave image makes first.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/mm/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    platform::SetSoundOutput(std::make_shared<platform::RecordingSoundOutput>());
    return true;
  }();
  (void)ready;
  if (platform::WaveImageFits(data, size)) {
    const auto* image = reinterpret_cast<LPCSTR>(data);
    PlaySound(image, nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    sndPlaySound(image, SND_MEMORY | SND_ASYNC | SND_NODEFAULT | SND_LOOP);
    PlaySound(nullptr, nullptr, 0);
  }
  return 0;
}

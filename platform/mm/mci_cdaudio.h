// The MCI "cdaudio" device over the CD layer: one device per CD letter, in
// letter order (the ordinal of a type-id open picks one).
#pragma once

#include <memory>

#include "platform/mm/mci.h"

namespace platform::mm {

std::unique_ptr<MciDevice> MakeCdAudioDevice(int ordinal);
DWORD CdAudioDeviceCount();

}  // namespace platform::mm

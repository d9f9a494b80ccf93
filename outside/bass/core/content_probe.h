// Recognising a file's container by its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace audio {

// True when the bytes start with the ASF header object (WMA files).
bool IsAsf(const std::uint8_t* head, std::size_t size);

}  // namespace audio

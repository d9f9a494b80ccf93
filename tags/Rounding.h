// Conversions of computed durations and bit rates to the integer fields
// of the readers: nearest integer, halves to the even neighbour.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tags {

// The nearest integer; 0 for a value that is not a number, and values
// beyond what any file can produce are held at +-1e15.
inline std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<std::int64_t>(std::nearbyint(std::clamp(value, -1e15, 1e15)));
}

// The same kept to 16 bits, as the 16-bit results of the readers keep
// the low bits of what they compute.
inline std::uint16_t RoundTo16Bits(double value) {
  return static_cast<std::uint16_t>(RoundHalfEven(value));
}

}  // namespace tags

// The size a bitmap's header declares, read before the bitmap is loaded.
// Loading and drawing take time in proportion to the pixels, and a few
// bytes of run-length data can declare tens of millions of them: the
// targets leave such inputs out (what they exercise is the same for a
// smaller picture), so that every input runs well within the fuzzers'
// time limit in this instrumented build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace velko_fuzz {

// The most pixels of a picture a target loads.
inline constexpr std::int64_t kMostPixelsLoaded = std::int64_t{1} << 21;
// The most pixels of a picture a target draws.
inline constexpr std::int64_t kMostPixelsDrawn = std::int64_t{1} << 18;

inline std::int64_t LittleEndian(const std::uint8_t* p, int bytes) {
  std::int64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

// The pixels the bitmap header at `header` declares (a core header's 16-bit
// sizes or a later header's signed 32-bit ones); 0 when there is too little.
inline std::int64_t DeclaredPixels(const std::uint8_t* header, std::size_t size) {
  if (size < 12) return 0;
  if (LittleEndian(header, 4) == 12) return LittleEndian(header + 4, 2) * LittleEndian(header + 6, 2);
  const auto width = static_cast<std::int32_t>(LittleEndian(header + 4, 4));
  const auto height = static_cast<std::int32_t>(LittleEndian(header + 8, 4));
  return std::llabs(std::int64_t{width}) * std::llabs(std::int64_t{height});
}

// True when a bitmap file ("BM", its file header, then the bitmap header)
// declares more pixels than a target loads.
inline bool DeclaresTooManyPixels(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kFileHeader = 14;
  return size > kFileHeader && DeclaredPixels(data + kFileHeader, size - kFileHeader) > kMostPixelsLoaded;
}

// The same for a packed bitmap (a bitmap resource: the bitmap header first).
inline bool PackedDeclaresTooManyPixels(const std::uint8_t* data, std::size_t size) {
  return DeclaredPixels(data, size) > kMostPixelsLoaded;
}

}  // namespace velko_fuzz

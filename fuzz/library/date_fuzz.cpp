// The sort styles' date reading on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "library/advlistv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text(reinterpret_cast<const char*>(data), size);
  const TDateTime us = ParseDateUS(text);
  const TDateTime eu = ParseDateEU(text);
  // A date is a whole day, or none at all.
  if (us != static_cast<double>(static_cast<long long>(us))) std::abort();
  if (eu != static_cast<double>(static_cast<long long>(eu))) std::abort();
  return 0;
}

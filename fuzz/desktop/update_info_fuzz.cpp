// The update information file's lookups on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/AutoUpgrade.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text(reinterpret_cast<const char*>(data), size);
  for (const char* key : {"#date=", "#caption=", "#redirect=", "#url="}) GetInfoValue(key, text, '\r');
  GetInfoValue("#message=[", text, ']');
  String host, path;
  SplitURL(GetInfoValue("#url=", text, '\r'), host, path);
  SplitURL(text, host, path);
  IsWebAddress(text);
  return 0;
}

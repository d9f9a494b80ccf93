// Feeds arbitrary bytes to the reader of the GET a push waits for, and to
// the name comparison and escaping it uses.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "network_ui/TransferText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string_view rest = bytes;
  // Consume requests one after another, as a push does.
  for (int i = 0; i < 16 && !rest.empty(); ++i) {
    TPushRequest request = ReadPushRequest(rest);
    if (request.Status != trDone) break;
    if (request.Consumed == 0 || request.Consumed > rest.size()) __builtin_trap();
    if (request.IsGet && (request.FileIndex < 0 || request.StartOffset < 0)) __builtin_trap();
    (void)PushNameMatches(request.FileName, "song.mp3");
    std::string escaped = EscapeRequestName(request.FileName, true);
    if (escaped.find_first_of("\r\n ") != std::string::npos) __builtin_trap();
    rest.remove_prefix(request.Consumed);
  }
  return 0;
}

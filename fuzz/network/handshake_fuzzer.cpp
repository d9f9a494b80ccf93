// Feeds arbitrary bytes to every handshake reader, whole and cut in two
// at a place the input chooses, as pieces would arrive on a link.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "network/GnutellaHandshake.h"

namespace {

const std::string kWord = "GNUTELLA";

void ReadAll(std::string_view bytes) {
  for (bool awaiting : {true, false}) {
    TServerHandshakeStep step = ReadServerStep(bytes, awaiting, kWord);
    if (step.Status == hsDone && step.Consumed > bytes.size()) __builtin_trap();
  }
  TClientHandshakeReply reply04 = ReadClientReply04(bytes, kWord);
  if (reply04.Status == hsDone && reply04.Consumed > bytes.size()) __builtin_trap();
  TClientHandshakeReply reply06 = ReadClientReply06(bytes, kWord);
  if (reply06.Status == hsDone && reply06.Consumed > bytes.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadAll(bytes);
  if (size > 0) ReadAll(bytes.substr(0, data[0] % size));
  return 0;
}

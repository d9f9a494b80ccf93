// Feeds arbitrary bytes to the SOCKS answer readers, whole and in every
// prefix length the input picks, as a proxy's answer would arrive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "network/Socksify.h"

namespace {

void Check(const TSocksReply& reply, std::size_t size) {
  if (reply.Status == srDone && (reply.Consumed > size || reply.Consumed == 0)) __builtin_trap();
  if (reply.Status == srWait && reply.Needed <= size) __builtin_trap();
}

void ReadAll(std::string_view bytes) {
  Check(ReadSocks4Reply(bytes), bytes.size());
  Check(ReadSocks5TwoByteReply(bytes), bytes.size());
  Check(ReadSocks5ConnectReply(bytes), bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadAll(bytes);
  if (size > 0) ReadAll(bytes.substr(0, data[0] % size));
  (void)IsSocksDottedHost(std::string(bytes));
  return 0;
}

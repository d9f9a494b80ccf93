// Feeds arbitrary bytes to the download's reply-header reader, whole and as
// a prefix the input picks, and checks the range it would accept.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "network_ui/TransferText.h"

namespace {

void ReadAll(std::string_view bytes, std::int64_t start) {
  TReplyHeader reply = ReadReplyHeader(bytes);
  if (reply.Status == trDone) {
    if (reply.Consumed > bytes.size() || !reply.Accepted) __builtin_trap();
    auto end = ReplyRangeEnd(reply, start, reply.Code == 206);
    if (end && *end != -1 && *end < start) __builtin_trap();
    if (reply.ContentLength && *reply.ContentLength < 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::int64_t start = size > 1 ? data[1] : 0;
  ReadAll(bytes, start);
  if (size > 0) ReadAll(bytes.substr(0, data[0] % size), start);
  return 0;
}

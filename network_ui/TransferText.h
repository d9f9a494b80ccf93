// The text side of the HTTP file transfers, as pure functions over the
// bytes received so far: the reply header a download reads, the GET a push
// waits for, the request lines, and where a download may be saved.
//
// Like the handshake readers of the peer links, each reader answers "wait"
// until its whole block is there, and tells how many bytes it took; what
// follows belongs to the transfer. A block that has no end within
// kMaxTransferHeader bytes is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t kMaxTransferHeader = 16 * 1024;

enum TTransferReadStatus {
  trWait,     // not complete yet
  trDone,     // complete; `Consumed` bytes belong to it
  trRefused,  // not acceptable (see the reader's fields)
};

// A download's reply header.
struct TReplyHeader {
  TTransferReadStatus Status = trWait;
  std::size_t Consumed = 0;
  // The status line began with "HTTP" and carried 200 or 206. When false
  // (and Status is not trWait), Code and Reason tell why: the peer's own
  // code and text, 503 "Could not start download" for an answer that is not
  // HTTP, or -1 for a header whose numbers do not parse or whose range does
  // not fit the request.
  bool Accepted = false;
  int Code = 0;
  std::string Reason;
  std::optional<std::int64_t> ContentLength;
  std::string ContentLengthText;
  std::string ContentRange;
  std::string ContentType;
  std::string Server;
  std::string XGnutellaContentURN;
  // From Content-Range ("bytes S-E/T", "bytes=S-E", "bytes S-E/*"): the
  // first and the last byte (inclusive) and the total when given.
  std::optional<std::int64_t> RangeFirst;
  std::optional<std::int64_t> RangeLast;
  std::optional<std::int64_t> RangeTotal;
};

TReplyHeader ReadReplyHeader(std::string_view unread);

// Where the body of an accepted reply ends, for a request from
// `start_offset`: the offset one past the last byte, or -1 when only the
// close tells (no Content-Range, no Content-Length). Empty when the reply
// does not fit the request: a Content-Range not starting at `start_offset`,
// or a whole-file answer (no Content-Range) to a request from an offset
// above 0 with status 200.
std::optional<std::int64_t> ReplyRangeEnd(const TReplyHeader& reply, std::int64_t start_offset,
                                          bool status_206);

// A request a push waits for: "GET /get/<index>/<name> HTTP/..." and its
// header lines up to the empty line.
struct TPushRequest {
  TTransferReadStatus Status = trWait;
  std::size_t Consumed = 0;
  bool IsGet = false;  // it began with "GET /get/" and its index parsed
  std::int64_t FileIndex = -1;
  std::string FileName;  // as sent
  std::string ContentRange;  // the Range line after "Range: "
  std::int64_t StartOffset = 0;
  std::int64_t StopOffset = -1;  // inclusive, -1 when open
  std::string UserAgent;
};

TPushRequest ReadPushRequest(std::string_view unread);

// Whether a requested name names the file a push offers: equal as sent, or
// after %xx decoding.
bool PushNameMatches(const std::string& requested, const std::string& offered);

// A name for a request line: control bytes (and DEL) become %xx, and with
// `escape_blanks` every blank becomes "%20".
std::string EscapeRequestName(const std::string& name, bool escape_blanks);
// %xx sequences decoded; others kept as they are.
std::string DecodePercent(const std::string& text);

// The last part of a peer's file name, cut at "\", "/" and ":".
std::string BareFileName(const std::string& name);

// Where a download of the peer's file `name` goes: `folder` (a platform
// path; a trailing separator is optional) + the name's last part. Empty
// when that is refused: an empty folder, a last part that is "", "." or
// "..", or one with control bytes or NUL. The result always lies directly
// inside the folder.
std::string DownloadTarget(const std::string& folder, const std::string& name);

// The file a download of `save_to` writes until it is complete, beside it.
std::string PartialFileName(const std::string& save_to);

// Whether a platform path names a symbolic link (which a download never
// writes through).
bool IsSymbolicLinkPath(const std::string& path);

// Decimal number over 64 bits: digits only, no sign; empty when not one or
// when it overflows.
std::optional<std::int64_t> ParseOffset(std::string_view text);

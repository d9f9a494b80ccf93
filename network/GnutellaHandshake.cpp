#include "network/GnutellaHandshake.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// True when `text` is shorter than `whole` and begins it: more bytes may
// still make `whole`.
bool BeginsPartOf(std::string_view text, std::string_view whole) {
  return text.size() < whole.size() && whole.compare(0, text.size(), text) == 0;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// The offset just past the first empty line (a block's end), or kNotFound.
// Lines end in LF, with or without a CR before it.
std::size_t BlockEnd(std::string_view text) {
  std::size_t line_start = 0;
  for (;;) {
    std::size_t lf = text.find('\n', line_start);
    if (lf == kNotFound) return kNotFound;
    std::size_t length = lf - line_start;
    if (length == 0 || (length == 1 && text[line_start] == '\r')) return lf + 1;
    line_start = lf + 1;
  }
}

// The lines of a block (without their line ends and without the empty
// line that ends it).
std::vector<std::string_view> BlockLines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t lf = block.find('\n', start);
    if (lf == kNotFound) break;
    std::string_view line = block.substr(start, lf - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    lines.push_back(line);
    start = lf + 1;
  }
  return lines;
}

struct HeaderLine {
  std::string name;  // lower case
  std::string_view value;
};

// "Name: value" with the value's leading blanks removed; no name for a line
// without ":".
HeaderLine SplitHeader(std::string_view line) {
  std::size_t colon = line.find(':');
  if (colon == kNotFound) return {};
  return {Lower(TrimBlanks(line.substr(0, colon))), TrimLeadingBlanks(line.substr(colon + 1))};
}

TGnutellaGGEP GgepOf(const std::string& value) {
  int order = CompareVersionText(value, "0.5");
  return order == 0 ? gGGEP0_5 : order > 0 ? gGGEPHigher : gGGEPLower;
}

// The items of an X-Try header: "address:port" separated by commas, blanks
// around them trimmed. An item whose port is not a number is skipped.
void ReadTryList(std::string_view value, std::vector<TTryHost>* hosts) {
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t comma = value.find(',', start);
    std::string_view item =
        TrimBlanks(value.substr(start, comma == kNotFound ? kNotFound : comma - start));
    if (!item.empty()) {
      std::size_t colon = item.find(':');
      std::optional<int> port;
      if (colon != kNotFound) port = ParseDecimal(item.substr(colon + 1));
      if (port) hosts->push_back({std::string(item.substr(0, colon)), *port});
    }
    if (comma == kNotFound) break;
    start = comma + 1;
  }
}

// The leading decimal number of a text, 0 when it has none.
int LenientDecimal(std::string_view text) {
  text = TrimLeadingBlanks(text);
  std::size_t digits = 0;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) digits = 1;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
  return ParseDecimal(text.substr(0, digits)).value_or(0);
}

}  // namespace

int CompareVersionText(const std::string& value, const std::string& reference) {
  int order = value.compare(reference);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

std::optional<std::int64_t> ParseOffsetDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> ParseDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  bool negative = false;
  std::size_t at = 0;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    at = 1;
  }
  if (at == text.size()) return std::nullopt;
  long long value = 0;
  for (; at < text.size(); ++at) {
    if (!std::isdigit(static_cast<unsigned char>(text[at]))) return std::nullopt;
    value = value * 10 + (text[at] - '0');
    if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

// ---------------------------------------------------------------------------
// Client side
// ---------------------------------------------------------------------------

TClientHandshakeReply ReadClientReply04(std::string_view unread, const std::string& protocol_word) {
  TClientHandshakeReply reply;
  const std::string ok = protocol_word + " OK\n\n";
  if (StartsWith(unread, ok)) {
    reply.Status = hsDone;
    reply.Accepted = true;
    reply.Consumed = ok.size();
  } else if (!BeginsPartOf(unread, ok)) {
    reply.Status = hsRefused;
  }
  return reply;
}

TClientHandshakeReply ReadClientReply06(std::string_view unread, const std::string& protocol_word) {
  TClientHandshakeReply reply;
  std::size_t end = BlockEnd(unread);
  if (end == kNotFound) {
    if (unread.size() > kMaxHandshakeBlock) reply.Status = hsRefused;
    return reply;
  }
  reply.Status = hsDone;
  reply.Consumed = end;
  const std::string status_prefix = Lower(protocol_word) + "/0.6 ";
  // The values of the info text, as the peer sent them.
  std::string query_routing, ggep, listen_ip, ultrapeer_needed, ultrapeer, remote_ip, live_since,
      pong_caching, uptime, leaf_max;
  TRemoteHeaders& headers = reply.Headers;
  for (std::string_view line : BlockLines(unread.substr(0, end))) {
    if (StartsWith(Lower(line), status_prefix)) {
      std::string_view status = line.substr(status_prefix.size());
      if (Lower(status) == "200 ok") {
        reply.Accepted = true;
      } else {
        reply.Refusal = std::string(status);
      }
      continue;
    }
    HeaderLine header = SplitHeader(line);
    const std::string value(header.value);
    // Servents write "True" as well as "true".
    const bool value_true = Lower(value) == "true";
    if (header.name == "user-agent") {
      headers.UserAgent = value;
    } else if (header.name == "ggep") {
      headers.GGEP = GgepOf(value);
      ggep = value;
    } else if (header.name == "x-query-routing") {
      headers.QueryRouting = value == "0.1" ? gqr0_1 : gqrHigher;
      query_routing = value;
    } else if (header.name == "x-ultrapeer-needed") {
      headers.UltrapeerNeeded = value_true;
      ultrapeer_needed = value;
    } else if (header.name == "x-try") {
      ReadTryList(header.value, &headers.TryHosts);
    } else if (header.name == "x-try-ultrapeers") {
      ReadTryList(header.value, &headers.TryUltrapeers);
    } else if (header.name == "remote-ip") {
      remote_ip = value;
    } else if (header.name == "listen-ip") {
      listen_ip = value;
    } else if (header.name == "x-live-since") {
      headers.LiveSince = value;
      live_since = value;
    } else if (header.name == "x-ultrapeer") {
      headers.Ultrapeer = value_true;
      ultrapeer = value;
    } else if (header.name == "pong-caching") {
      headers.PongCaching = value == "0.1" ? gpc0_1 : gpcHigher;
      pong_caching = value;
    } else if (header.name == "uptime") {
      headers.Uptime = value;
      uptime = value;
    } else if (header.name == "x-leaf-max") {
      // A value that is not a number leaves the link's value as it was.
      if (auto number = ParseDecimal(TrimBlanks(value))) headers.LeafMax = *number;
      leaf_max = value;
    }
  }
  reply.Info = "X-Query-Routing=" + query_routing + "\r\nGGEP=" + ggep +
               "\r\nListen-IP=" + listen_ip + "\r\nX-Ultrapeer-Needed=" + ultrapeer_needed +
               "\r\nX-Ultrapeer=" + ultrapeer + "\r\nRemoteIP=" + remote_ip +
               "\r\nX-Live-Since=" + live_since + "\r\nPong-Caching=" + pong_caching +
               "\r\nUptime=" + uptime + "\r\nX-Leaf-Max=" + leaf_max + "\r\n\r\n";
  return reply;
}

// ---------------------------------------------------------------------------
// Server side
// ---------------------------------------------------------------------------

namespace {

// Headers of a CONNECT/0.6 block, values lower-cased as the server side
// reads them (so "True" is true). An X-Try item whose port is not a number
// is skipped, as the client side does.
void ReadServerHeaders(const std::vector<std::string_view>& lines, TRemoteHeaders* headers) {
  for (std::size_t i = 1; i < lines.size(); ++i) {
    HeaderLine header = SplitHeader(lines[i]);
    const std::string value = Lower(header.value);
    const std::string& name = header.name;
    if (name == "pong-caching") {
      headers->PongCaching = value == "0.1" ? gpc0_1 : gpcHigher;
    } else if (name == "user-agent") {
      headers->UserAgent = value;
    } else if (name == "listen-ip") {
      headers->ListenIP = value;
    } else if (name == "remote-ip") {
      headers->RemoteIP = value;
    } else if (name == "fp-auth-challenge" || name == "fpauthchallenge") {
      headers->FPAuthChallenge = value;
    } else if (name == "machine") {
      headers->Machine = value;
    } else if (name == "x-ultrapeer") {
      headers->Ultrapeer = value == "true";
    } else if (name == "x-queryrouting" || name == "x-query-routing") {
      headers->QueryRouting = value == "0.1" ? gqr0_1 : gqrHigher;
    } else if (name == "hops-flow") {
      int order = CompareVersionText(value, "1.0");
      headers->HopsFlow = static_cast<BYTE>(order == 0 ? 2 : order > 0 ? 3 : 1);
    } else if (name == "ggep") {
      headers->GGEP = GgepOf(value);
    } else if (name == "x-ultrapeer-needed") {
      headers->UltrapeerNeeded = value == "true";
    } else if (name == "x-try") {
      ReadTryList(header.value, &headers->TryHosts);
    } else if (name == "x-try-ultrapeers") {
      ReadTryList(header.value, &headers->TryUltrapeers);
    } else if (name == "x-live-since") {
      headers->LiveSince = value;
    } else if (name == "uptime") {
      headers->Uptime = value;
    } else if (name == "x-leaf-max") {
      headers->LeafMax = LenientDecimal(value);
    }
  }
}

// "GET /get/<index>/<name> HTTP/..." with its header lines.
bool ReadUploadRequest(std::string_view block, TUploadRequest* request) {
  std::vector<std::string_view> lines = BlockLines(block);
  if (lines.empty()) return false;
  std::string_view first = lines[0].substr(9);  // after "GET /get/"
  std::size_t slash = first.find('/');
  if (slash == kNotFound) return false;
  std::optional<int> index = ParseDecimal(first.substr(0, slash));
  if (!index) return false;
  request->FileIndex = *index;
  std::string_view rest = first.substr(slash + 1);
  std::size_t http = rest.find(" HTTP/");
  request->FileName = std::string(rest.substr(0, http));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string lower = Lower(lines[i]);
    if (StartsWith(lower, "range: bytes=")) {
      std::string_view range = lines[i].substr(13);
      std::size_t dash = range.find('-');
      if (dash == kNotFound) return false;
      std::optional<std::int64_t> start = ParseOffsetDecimal(TrimBlanks(range.substr(0, dash)));
      if (!start) return false;
      request->StartOffset = *start;
      std::string_view stop_text = TrimBlanks(range.substr(dash + 1));
      if (stop_text.empty()) {
        request->StopOffset = -1;
      } else {
        std::optional<std::int64_t> stop = ParseOffsetDecimal(stop_text);
        if (!stop) return false;
        request->StopOffset = *stop;
      }
    } else if (StartsWith(lower, "user-agent: ")) {
      request->UserAgent = std::string(lines[i].substr(12));
    }
  }
  return true;
}

// "GIV <index>:<servent id>/<name>".
bool ReadGivLine(std::string_view line, TGivRequest* giv) {
  line = line.substr(4);  // after "GIV "
  std::size_t colon = line.find(':');
  if (colon == kNotFound) return false;
  std::optional<int> index = ParseDecimal(TrimBlanks(line.substr(0, colon)));
  if (!index) return false;
  giv->FileIndex = *index;
  std::string_view rest = line.substr(colon + 1);
  std::size_t slash = rest.find('/');
  if (slash == kNotFound) return false;
  giv->ServentID = std::string(rest.substr(0, slash));
  giv->FileName = std::string(rest.substr(slash + 1));
  return true;
}

TServerHandshakeStep Refused(TServerStep step) {
  TServerHandshakeStep result;
  result.Status = hsRefused;
  result.Step = step;
  return result;
}

}  // namespace

TServerHandshakeStep ReadServerStep(std::string_view unread, bool awaiting_handshake,
                                    const std::string& protocol_word) {
  TServerHandshakeStep result;
  const std::string connect04 = protocol_word + " CONNECT/0.4\n";
  const std::string connect06 = protocol_word + " CONNECT/0.6\r";
  const std::string answer06 = protocol_word + "/0.6 ";
  const std::string final_ok = protocol_word + "/0.6 200 OK\r\n";
  const std::string get = "GET /get/";
  const std::string giv = "GIV ";

  // A whole block is needed before it is read; an endless one is refused.
  auto whole_block = [&](std::size_t* end) {
    *end = BlockEnd(unread);
    if (*end != kNotFound) return hsDone;
    return unread.size() > kMaxHandshakeBlock ? hsRefused : hsWait;
  };

  if (StartsWith(unread, connect04)) {
    // The CONNECT/0.4 line ends with an empty line: its second LF must not
    // be taken for the first byte of a descriptor.
    if (unread.size() == connect04.size()) return result;
    result.Status = hsDone;
    result.Step = ssConnect04;
    result.Consumed = connect04.size() + (unread[connect04.size()] == '\n' ? 1 : 0);
    return result;
  }
  std::size_t end = kNotFound;
  if (awaiting_handshake && StartsWith(unread, connect06)) {
    THandshakeStatus status = whole_block(&end);
    if (status != hsDone) return status == hsWait ? result : Refused(ssUnknown);
    result.Status = hsDone;
    result.Step = ssConnect06;
    result.Consumed = end;
    ReadServerHeaders(BlockLines(unread.substr(0, end)), &result.Headers);
    return result;
  }
  if (!awaiting_handshake && StartsWith(unread, answer06)) {
    THandshakeStatus status = whole_block(&end);
    if (status != hsDone) return status == hsWait ? result : Refused(ssUnknown);
    if (!StartsWith(unread, final_ok)) {
      // The peer turned the link down: its status, as it sent it.
      result = Refused(ssFinalRefused);
      std::string_view line = unread.substr(answer06.size());
      line = line.substr(0, line.find_first_of("\r\n"));
      result.Refusal = std::string(line);
      return result;
    }
    result.Status = hsDone;
    result.Step = ssFinalOk;
    result.Consumed = end;
    return result;
  }
  if (StartsWith(unread, get)) {
    THandshakeStatus status = whole_block(&end);
    if (status != hsDone) return status == hsWait ? result : Refused(ssUnknown);
    if (!ReadUploadRequest(unread.substr(0, end), &result.Upload)) return Refused(ssBadNumber);
    result.Status = hsDone;
    result.Step = ssUpload;
    result.Consumed = end;
    return result;
  }
  if (StartsWith(unread, giv)) {
    std::size_t lf = unread.find('\n');
    if (lf == kNotFound) {
      return unread.size() > kMaxHandshakeBlock ? Refused(ssUnknown) : result;
    }
    std::string_view line = unread.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!ReadGivLine(line, &result.Giv)) return Refused(ssBadNumber);
    result.Status = hsDone;
    result.Step = ssGiv;
    // The GIV line is followed by an empty line; take it too when it is here.
    result.Consumed = lf + 1;
    if (result.Consumed < unread.size() && unread[result.Consumed] == '\n') ++result.Consumed;
    return result;
  }
  // Not yet enough bytes to tell which opening it is.
  bool may_still_match = BeginsPartOf(unread, connect04) || BeginsPartOf(unread, get) ||
                         BeginsPartOf(unread, giv) ||
                         (awaiting_handshake && BeginsPartOf(unread, connect06)) ||
                         (!awaiting_handshake && BeginsPartOf(unread, answer06));
  if (may_still_match) return result;
  return Refused(ssUnknown);
}

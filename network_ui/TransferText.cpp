#include "network_ui/TransferText.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <limits>

#include "platform/fs/path_resolver.h"

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The end of a header block (just past its empty line), or kNotFound.
// Lines end with LF, with or without a CR before it.
std::size_t BlockEnd(std::string_view bytes) {
  std::size_t at = 0;
  for (;;) {
    std::size_t lf = bytes.find('\n', at);
    if (lf == kNotFound) return kNotFound;
    std::size_t length = lf - at;
    if (length == 0 || (length == 1 && bytes[at] == '\r')) return lf + 1;
    at = lf + 1;
  }
}

// The lines of a block, without their line ends and without the empty one.
template <typename Fn>
void ForEachLine(std::string_view block, Fn fn) {
  std::size_t at = 0;
  while (at < block.size()) {
    std::size_t lf = block.find('\n', at);
    if (lf == kNotFound) lf = block.size();
    std::string_view line = block.substr(at, lf - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return;
    if (!fn(line)) return;
    at = lf + 1;
  }
}

// "S-E" with both numbers; false when either is missing or bad.
bool ParseSpan(std::string_view text, std::int64_t* first, std::int64_t* last) {
  std::size_t dash = text.find('-');
  if (dash == kNotFound) return false;
  auto a = ParseOffset(TrimBlanks(text.substr(0, dash)));
  auto b = ParseOffset(TrimBlanks(text.substr(dash + 1)));
  if (!a || !b || *b < *a) return false;
  *first = *a;
  *last = *b;
  return true;
}

bool ParseContentRange(std::string_view value, TReplyHeader* reply) {
  std::string lower = Lower(value);
  std::string_view rest;
  if (StartsWith(lower, "bytes=") || StartsWith(lower, "bytes ")) {
    rest = TrimBlanks(value.substr(6));
  } else {
    return false;
  }
  std::size_t slash = rest.find('/');
  std::int64_t first = 0;
  std::int64_t last = 0;
  if (!ParseSpan(rest.substr(0, slash), &first, &last)) return false;
  reply->RangeFirst = first;
  reply->RangeLast = last;
  if (slash != kNotFound) {
    std::string_view total = TrimBlanks(rest.substr(slash + 1));
    if (total != "*") {
      auto t = ParseOffset(total);
      if (!t || *t <= last) return false;
      reply->RangeTotal = *t;
    }
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::int64_t> ParseOffset(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    int digit = c - '0';
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

TReplyHeader ReadReplyHeader(std::string_view unread) {
  TReplyHeader reply;
  // Anything that cannot begin "HTTP" is no HTTP answer at all.
  std::string head = Lower(unread.substr(0, 4));
  if (!StartsWith("http", head)) {
    reply.Status = trRefused;
    reply.Code = 503;
    reply.Reason = "Could not start download";
    return reply;
  }
  std::size_t end = BlockEnd(unread);
  if (end == kNotFound) {
    if (unread.size() > kMaxTransferHeader) {
      reply.Status = trRefused;
      reply.Code = -1;
      reply.Reason = "Reply header too long";
    }
    return reply;
  }
  reply.Consumed = end;
  std::string_view block = unread.substr(0, end);
  bool first = true;
  bool numbers_ok = true;
  ForEachLine(block, [&](std::string_view line) {
    if (first) {
      first = false;
      // "HTTP/1.0 200 OK", also "HTTP 200 OK" and "HTTP 200".
      std::size_t blank = line.find(' ');
      std::string_view after = blank == kNotFound ? std::string_view() : line.substr(blank + 1);
      while (!after.empty() && after.front() == ' ') after.remove_prefix(1);
      std::size_t blank2 = after.find(' ');
      std::string_view code_text = after.substr(0, blank2);
      reply.Reason = blank2 == kNotFound ? std::string() : std::string(TrimBlanks(after.substr(blank2 + 1)));
      auto code = ParseOffset(code_text);
      reply.Code = code && *code < 1000 ? static_cast<int>(*code) : -1;
      reply.Accepted = reply.Code == 200 || reply.Code == 206;
      return true;
    }
    std::string lower = Lower(line);
    std::size_t colon = line.find(':');
    std::string value = colon == kNotFound ? std::string() : std::string(TrimBlanks(line.substr(colon + 1)));
    if (StartsWith(lower, "content-length:")) {
      reply.ContentLengthText = value;
      auto length = ParseOffset(value);
      if (!length) {
        numbers_ok = false;
      } else {
        reply.ContentLength = *length;
      }
    } else if (StartsWith(lower, "content-range:")) {
      reply.ContentRange = value;
      if (!ParseContentRange(value, &reply)) numbers_ok = false;
    } else if (StartsWith(lower, "content-type:")) {
      reply.ContentType = value;
    } else if (StartsWith(lower, "server:")) {
      reply.Server = value;
    } else if (StartsWith(lower, "x-gnutella-content-urn:")) {
      reply.XGnutellaContentURN = value;
    }
    return true;
  });
  if (!reply.Accepted) {
    reply.Status = trRefused;
    return reply;
  }
  if (!numbers_ok) {
    reply.Status = trRefused;
    reply.Accepted = false;
    reply.Code = -1;
    reply.Reason = "Invalid number in reply header";
    return reply;
  }
  reply.Status = trDone;
  return reply;
}

std::optional<std::int64_t> ReplyRangeEnd(const TReplyHeader& reply, std::int64_t start_offset,
                                          bool status_206) {
  if (reply.RangeFirst) {
    if (*reply.RangeFirst != start_offset) return std::nullopt;
    const std::int64_t end = *reply.RangeLast + 1;
    // A length that disagrees with the range is not trusted either.
    if (reply.ContentLength && *reply.ContentLength != end - start_offset) return std::nullopt;
    return end;
  }
  if (start_offset > 0 && !status_206) return std::nullopt;
  if (reply.ContentLength) {
    if (*reply.ContentLength > std::numeric_limits<std::int64_t>::max() - start_offset) return std::nullopt;
    return start_offset + *reply.ContentLength;
  }
  return -1;
}

TPushRequest ReadPushRequest(std::string_view unread) {
  TPushRequest request;
  const std::string_view get = "GET /get/";
  std::size_t compare = std::min(unread.size(), get.size());
  if (unread.substr(0, compare) != get.substr(0, compare)) {
    // Not a GET: the line (or block) is not for us; take it whole once it
    // has ended, so the push goes on waiting.
    std::size_t end = BlockEnd(unread);
    if (end != kNotFound) {
      request.Status = trDone;
      request.Consumed = end;
    } else if (unread.size() > kMaxTransferHeader) {
      request.Status = trRefused;
    }
    return request;
  }
  std::size_t end = BlockEnd(unread);
  if (end == kNotFound) {
    if (unread.size() > kMaxTransferHeader) request.Status = trRefused;
    return request;
  }
  request.Status = trDone;
  request.Consumed = end;
  bool first = true;
  bool ok = true;
  ForEachLine(unread.substr(0, end), [&](std::string_view line) {
    if (first) {
      first = false;
      std::string_view rest = line.substr(get.size());
      std::size_t slash = rest.find('/');
      if (slash == kNotFound) {
        ok = false;
        return false;
      }
      auto index = ParseOffset(rest.substr(0, slash));
      if (!index) {
        ok = false;
        return false;
      }
      request.FileIndex = *index;
      rest = rest.substr(slash + 1);
      std::size_t http = rest.rfind(" HTTP/");
      request.FileName = std::string(rest.substr(0, http));
      return true;
    }
    std::string lower = Lower(line);
    if (StartsWith(lower, "range: bytes=")) {
      request.ContentRange = std::string(line.substr(7));
      std::string_view span = line.substr(13);
      std::size_t dash = span.find('-');
      auto start = ParseOffset(TrimBlanks(span.substr(0, dash)));
      if (dash == kNotFound || !start) {
        ok = false;
        return false;
      }
      request.StartOffset = *start;
      std::string_view stop = TrimBlanks(span.substr(dash + 1));
      if (!stop.empty()) {
        auto last = ParseOffset(stop);
        if (!last) {
          ok = false;
          return false;
        }
        request.StopOffset = *last;
      }
    } else if (StartsWith(lower, "user-agent:")) {
      request.UserAgent = std::string(TrimBlanks(line.substr(11)));
    }
    return true;
  });
  request.IsGet = ok;
  return request;
}

bool PushNameMatches(const std::string& requested, const std::string& offered) {
  return requested == offered || DecodePercent(requested) == offered;
}

std::string EscapeRequestName(const std::string& name, bool escape_blanks) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || (escape_blanks && c == ' ')) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string DecodePercent(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string BareFileName(const std::string& name) {
  std::size_t cut = name.find_last_of("\\/:");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string DownloadTarget(const std::string& folder, const std::string& name) {
  if (folder.empty()) return {};
  std::string bare = BareFileName(name);
  if (bare.empty() || bare == "." || bare == "..") return {};
  for (unsigned char c : bare) {
    if (c < 0x20 || c == 0x7F) return {};
  }
  std::string result = folder;
  if (result.back() != '\\' && result.back() != '/') result += '\\';
  return result + bare;
}

std::string PartialFileName(const std::string& save_to) {
  return save_to + ".part";
}

bool IsSymbolicLinkPath(const std::string& path) {
  auto resolved = platform::fs::ResolvePath(path.c_str());
  if (!resolved) return false;
  struct stat facts {};
  return ::lstat(resolved->native.c_str(), &facts) == 0 && S_ISLNK(facts.st_mode);
}

// The SOCKS client's wire formats: the proxy's answers and the requests.
#include <cctype>
#include <cstring>

#include "network/Socksify.h"

using namespace winsock;

// --- Proxy answers -------------------------------------------------------------

TSocksReply ReadSocks4Reply(std::string_view unread) {
  TSocksReply reply;
  reply.Needed = 8;
  if (unread.size() < 8) return reply;
  reply.Status = srDone;
  reply.Consumed = 8;
  reply.First = static_cast<BYTE>(unread[0]);
  reply.Code = static_cast<BYTE>(unread[1]);
  return reply;
}

TSocksReply ReadSocks5TwoByteReply(std::string_view unread) {
  TSocksReply reply;
  reply.Needed = 2;
  if (unread.size() < 2) return reply;
  reply.Status = srDone;
  reply.Consumed = 2;
  reply.First = static_cast<BYTE>(unread[0]);
  reply.Code = static_cast<BYTE>(unread[1]);
  return reply;
}

TSocksReply ReadSocks5ConnectReply(std::string_view unread) {
  TSocksReply reply;
  reply.Needed = 4;
  if (unread.size() < 4) return reply;
  reply.First = static_cast<BYTE>(unread[0]);
  reply.Code = static_cast<BYTE>(unread[1]);
  if (reply.First != 5 || reply.Code != 0) {
    // A refusal: its bound address means nothing.
    reply.Status = srDone;
    reply.Consumed = 4;
    return reply;
  }
  switch (static_cast<BYTE>(unread[3])) {
    case 1:
      reply.Needed = 4 + 4 + 2;
      break;
    case 3:
      reply.Needed = 5;
      if (unread.size() < 5) return reply;
      reply.Needed = 4 + 1 + static_cast<BYTE>(unread[4]) + 2;
      break;
    case 4:
      reply.Needed = 4 + 16 + 2;
      break;
    default:
      reply.Status = srDone;
      reply.Consumed = 4;
      reply.UnknownAddressType = true;
      return reply;
  }
  if (unread.size() < reply.Needed) return reply;
  reply.Status = srDone;
  reply.Consumed = reply.Needed;
  return reply;
}

// --- Requests --------------------------------------------------------------------

bool IsSocksDottedHost(const std::string& Host) {
  std::size_t at = 0;
  while (at < Host.size() && Host[at] == ' ') ++at;
  if (at == Host.size()) return false;
  int dots = 0;
  for (; at < Host.size(); ++at) {
    char c = Host[at];
    if (c == '.') {
      ++dots;
    } else if (c != ' ' && !std::isdigit(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  return dots == 3;
}

std::string Socks4Request(std::uint16_t Port, std::uint32_t Address, const std::string& Username,
                          const std::string* Host4A) {
  std::string bytes;
  bytes += '\x04';
  bytes += '\x01';
  bytes += static_cast<char>(Port >> 8);
  bytes += static_cast<char>(Port & 0xFF);
  char address[4];
  std::memcpy(address, &Address, 4);
  bytes.append(address, 4);
  bytes += Username;
  bytes += '\0';
  if (Host4A != nullptr) {
    bytes += *Host4A;
    bytes += '\0';
  }
  return bytes;
}

std::string Socks5Greeting(bool WithPassword) {
  return std::string("\x05\x01", 2) + (WithPassword ? '\x02' : '\x00');
}

std::string Socks5Authentication(const std::string& Username, const std::string& Password) {
  std::string bytes;
  bytes += '\x01';
  bytes += static_cast<char>(Username.size());
  bytes += Username;
  bytes += static_cast<char>(Password.size());
  bytes += Password;
  return bytes;
}

std::string Socks5Connect(const std::string& Host, std::uint16_t Port) {
  std::string bytes("\x05\x01\x00", 3);
  std::uint32_t address = IsSocksDottedHost(Host) ? inet_addr(Host.c_str()) : 0;
  if (IsSocksDottedHost(Host)) {
    bytes += '\x01';
    char raw[4];
    std::memcpy(raw, &address, 4);
    bytes.append(raw, 4);
  } else {
    bytes += '\x03';
    bytes += static_cast<char>(Host.size());
    bytes += Host;
  }
  bytes += static_cast<char>(Port >> 8);
  bytes += static_cast<char>(Port & 0xFF);
  return bytes;
}

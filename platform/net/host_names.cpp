// Byte order, dotted addresses and host look-ups of the Winsock layer.
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/net/native_sockets.h"
#include "platform/net/winsock.h"

namespace winsock {

namespace {

bool IsLittleEndian() {
  const std::uint16_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

std::uint32_t Swap32(std::uint32_t v) {
  return ((v & 0xFF) << 24) | ((v & 0xFF00) << 8) | ((v >> 8) & 0xFF00) | (v >> 24);
}

// One part of a dotted address: decimal, octal (leading 0) or hexadecimal
// (leading 0x). Advances `p`; false when there are no digits or the value
// overflows 32 bits.
bool ParsePart(const char*& p, std::uint32_t* value) {
  unsigned base = 10;
  if (*p == '0') {
    base = 8;
    if (p[1] == 'x' || p[1] == 'X') {
      base = 16;
      p += 2;
      if (!std::isxdigit(static_cast<unsigned char>(*p))) return false;
    }
  } else if (!std::isdigit(static_cast<unsigned char>(*p))) {
    return false;
  }
  std::uint64_t v = 0;
  for (;; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    unsigned digit;
    if (std::isdigit(c)) {
      digit = c - '0';
      if (digit >= base) return false;
    } else if (base == 16 && std::isxdigit(c)) {
      digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
    } else {
      break;
    }
    v = v * base + digit;
    if (v > 0xFFFFFFFFull) return false;
  }
  *value = static_cast<std::uint32_t>(v);
  return true;
}

// The parsed address in host order, or false.
bool ParseDotted(const char* text, std::uint32_t* host_order) {
  std::uint32_t parts[4];
  int count = 0;
  const char* p = text;
  for (;;) {
    if (count == 4) return false;
    if (!ParsePart(p, &parts[count])) return false;
    ++count;
    if (*p != '.') break;
    ++p;
  }
  // The text ends here or with blanks after which anything is ignored.
  if (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p))) return false;
  std::uint32_t result = 0;
  switch (count) {
    case 1:
      result = parts[0];
      break;
    case 2:
      if (parts[0] > 0xFF || parts[1] > 0xFFFFFF) return false;
      result = parts[0] << 24 | parts[1];
      break;
    case 3:
      if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF) return false;
      result = parts[0] << 24 | parts[1] << 16 | parts[2];
      break;
    case 4:
      for (auto part : parts) {
        if (part > 0xFF) return false;
      }
      result = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
      break;
  }
  *host_order = result;
  return true;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The storage gethostbyname hands out, one per thread.
struct HostEntryStorage {
  std::string name;
  std::vector<std::array<char, 4>> addresses;
  std::vector<char*> address_pointers;
  char* no_aliases[1] = {nullptr};
  hostent entry;
};

hostent* FillHostEntry(const std::string& name, const std::vector<std::uint32_t>& addresses) {
  thread_local HostEntryStorage storage;
  storage.name = name;
  storage.addresses.assign(addresses.size(), {});
  storage.address_pointers.clear();
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    std::memcpy(storage.addresses[i].data(), &addresses[i], 4);
    storage.address_pointers.push_back(storage.addresses[i].data());
  }
  storage.address_pointers.push_back(nullptr);
  storage.entry.h_name = storage.name.data();
  storage.entry.h_aliases = storage.no_aliases;
  storage.entry.h_addrtype = AF_INET;
  storage.entry.h_length = 4;
  storage.entry.h_addr_list = storage.address_pointers.data();
  return &storage.entry;
}

}  // namespace

u_short htons(u_short host) {
  return IsLittleEndian() ? static_cast<u_short>((host >> 8) | (host << 8)) : host;
}

u_short ntohs(u_short net) {
  return htons(net);
}

u_long htonl(u_long host) {
  return IsLittleEndian() ? Swap32(host) : host;
}

u_long ntohl(u_long net) {
  return htonl(net);
}

u_long inet_addr(const char* text) {
  if (text == nullptr) return INADDR_NONE;
  std::uint32_t host_order = 0;
  if (!ParseDotted(text, &host_order)) return INADDR_NONE;
  return htonl(host_order);
}

char* inet_ntoa(in_addr address) {
  thread_local char text[16];
  unsigned char bytes[4];
  std::memcpy(bytes, &address.s_addr, 4);
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

int gethostname(char* name, int namelen) {
  if (name == nullptr) {
    SetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  std::string own = platform::net::NativeHostName();
  if (namelen <= static_cast<int>(own.size())) {
    SetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  std::memcpy(name, own.c_str(), own.size() + 1);
  return 0;
}

hostent* gethostbyname(const char* name) {
  std::string wanted = name == nullptr ? std::string() : std::string(name);
  std::string own = platform::net::NativeHostName();
  std::vector<std::uint32_t> addresses;
  std::string official = wanted;
  std::uint32_t dotted = 0;
  if (wanted.empty() || EqualIgnoringCase(wanted, own)) {
    official = own;
    addresses = platform::net::NativeInterfaceAddresses();
    if (addresses.empty()) addresses.push_back(htonl(INADDR_LOOPBACK));
  } else if (EqualIgnoringCase(wanted, "localhost")) {
    addresses.push_back(htonl(INADDR_LOOPBACK));
  } else if (ParseDotted(wanted.c_str(), &dotted)) {
    addresses.push_back(htonl(dotted));
  } else {
    addresses = platform::net::NativeResolve(wanted);
  }
  if (addresses.empty()) {
    SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  return FillHostEntry(official, addresses);
}

}  // namespace winsock

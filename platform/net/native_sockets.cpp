#include "platform/net/native_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/errors.h"
#include "platform/net/loopback_guard.h"

namespace platform::net {

namespace {

// Winsock option levels and names (see winsock.h).
constexpr int kWinsockSolSocket = 0xffff;
constexpr int kWinsockIpProtoTcp = 6;

sockaddr_in ToNative(Endpoint at) {
  sockaddr_in native{};
  native.sin_family = AF_INET;
  native.sin_port = at.port;
  native.sin_addr.s_addr = at.address;
  return native;
}

Endpoint FromNative(const sockaddr_in& native) {
  return Endpoint{native.sin_addr.s_addr, native.sin_port};
}

DWORD LastSocketError() {
  return SocketErrorFromErrno(errno);
}

bool NativeOptionName(int level, int name, int* native_level, int* native_name) {
  if (level == kWinsockSolSocket) {
    *native_level = SOL_SOCKET;
    switch (name) {
      case 0x0004:
        *native_name = SO_REUSEADDR;
        return true;
      case 0x0008:
        *native_name = SO_KEEPALIVE;
        return true;
      case 0x0080:
        *native_name = SO_LINGER;
        return true;
      case 0x1001:
        *native_name = SO_SNDBUF;
        return true;
      case 0x1002:
        *native_name = SO_RCVBUF;
        return true;
      case 0x1007:
        *native_name = SO_ERROR;
        return true;
      case 0x1008:
        *native_name = SO_TYPE;
        return true;
      default:
        return false;
    }
  }
  if (level == kWinsockIpProtoTcp && name == 0x0001) {
    *native_level = IPPROTO_TCP;
    *native_name = TCP_NODELAY;
    return true;
  }
  return false;
}

}  // namespace

DWORD SocketErrorFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case EINTR:
      return WSAEINTR;
    case EBADF:
    case ENOTSOCK:
      return WSAENOTSOCK;
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EFAULT:
      return WSAEFAULT;
    case EINVAL:
      return WSAEINVAL;
    case EMFILE:
    case ENFILE:
      return WSAEMFILE;
    case EAGAIN:
    case EINPROGRESS:
      return WSAEWOULDBLOCK;
    case EALREADY:
      return WSAEALREADY;
    case EDESTADDRREQ:
      return WSAEDESTADDRREQ;
    case EMSGSIZE:
      return WSAEMSGSIZE;
    case EPROTOTYPE:
      return WSAEPROTOTYPE;
    case ENOPROTOOPT:
      return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
      return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
      return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
      return WSAEOPNOTSUPP;
    case EPFNOSUPPORT:
      return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT:
      return WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return WSAENETDOWN;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case ENETRESET:
      return WSAENETRESET;
    case ECONNABORTED:
      return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
      return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
      return WSAENOBUFS;
    case EISCONN:
      return WSAEISCONN;
    case ENOTCONN:
      return WSAENOTCONN;
    case ESHUTDOWN:
      return WSAESHUTDOWN;
    case ETIMEDOUT:
      return WSAETIMEDOUT;
    case ECONNREFUSED:
      return WSAECONNREFUSED;
    case ENAMETOOLONG:
      return WSAENAMETOOLONG;
    case EHOSTDOWN:
      return WSAEHOSTDOWN;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    default:
      return WSAEINVAL;
  }
}

DWORD NativeOpenStream(int* fd) {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (s < 0) return LastSocketError();
  *fd = s;
  return 0;
}

void NativeClose(int fd) {
  ::close(fd);
}

DWORD NativeBind(int fd, Endpoint at) {
  int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in native = ToNative(at);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&native), sizeof native) != 0) {
    return LastSocketError();
  }
  return 0;
}

DWORD NativeListen(int fd, int backlog) {
  return ::listen(fd, backlog) == 0 ? 0 : LastSocketError();
}

DWORD NativeAccept(int fd, int* accepted, Endpoint* peer) {
  sockaddr_in native{};
  socklen_t length = sizeof native;
  int s =
      ::accept4(fd, reinterpret_cast<sockaddr*>(&native), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (s < 0) return LastSocketError();
  *accepted = s;
  if (peer != nullptr) *peer = FromNative(native);
  return 0;
}

DWORD NativeConnect(int fd, Endpoint to) {
  if (LoopbackOnly() && !IsLoopbackAddress(to.address)) return WSAENETUNREACH;
  sockaddr_in native = ToNative(to);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&native), sizeof native) == 0) return 0;
  return LastSocketError();
}

DWORD NativeConnectOutcome(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return LastSocketError();
  if (error != 0) return SocketErrorFromErrno(error);
  sockaddr_in peer{};
  socklen_t peer_length = sizeof peer;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peer_length) == 0) return 0;
  return errno == ENOTCONN ? WSAEWOULDBLOCK : LastSocketError();
}

DWORD NativeSend(int fd, const void* data, int length, int flags, int* sent) {
  int native_flags = MSG_NOSIGNAL | MSG_DONTWAIT;
  if (flags & 0x1) native_flags |= MSG_OOB;
  ssize_t n = ::send(fd, data, static_cast<size_t>(length), native_flags);
  if (n < 0) return LastSocketError();
  *sent = static_cast<int>(n);
  return 0;
}

DWORD NativeReceive(int fd, void* data, int length, int flags, int* received) {
  int native_flags = MSG_DONTWAIT;
  if (flags & 0x1) native_flags |= MSG_OOB;
  if (flags & 0x2) native_flags |= MSG_PEEK;
  ssize_t n = ::recv(fd, data, static_cast<size_t>(length), native_flags);
  if (n < 0) return LastSocketError();
  *received = static_cast<int>(n);
  return 0;
}

DWORD NativeShutdown(int fd, int how) {
  int native = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
  return ::shutdown(fd, native) == 0 ? 0 : LastSocketError();
}

DWORD NativeBytesWaiting(int fd, std::uint32_t* count) {
  int waiting = 0;
  if (::ioctl(fd, FIONREAD, &waiting) != 0) return LastSocketError();
  *count = static_cast<std::uint32_t>(waiting < 0 ? 0 : waiting);
  return 0;
}

DWORD NativeLocalEndpoint(int fd, Endpoint* at) {
  sockaddr_in native{};
  socklen_t length = sizeof native;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&native), &length) != 0) {
    return LastSocketError();
  }
  *at = FromNative(native);
  return 0;
}

DWORD NativePeerEndpoint(int fd, Endpoint* at) {
  sockaddr_in native{};
  socklen_t length = sizeof native;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&native), &length) != 0) {
    return LastSocketError();
  }
  *at = FromNative(native);
  return 0;
}

DWORD NativeSetOption(int fd, int level, int name, const void* value, int length) {
  int native_level = 0;
  int native_name = 0;
  if (!NativeOptionName(level, name, &native_level, &native_name)) return WSAENOPROTOOPT;
  if (value == nullptr || length < 0) return WSAEFAULT;
  if (native_name == SO_LINGER) {
    // Winsock's linger holds two 16-bit fields.
    if (length < 4) return WSAEFAULT;
    std::uint16_t fields[2];
    std::memcpy(fields, value, sizeof fields);
    ::linger native{fields[0], fields[1]};
    return ::setsockopt(fd, native_level, native_name, &native, sizeof native) == 0
               ? 0
               : LastSocketError();
  }
  int number = 0;
  if (length >= static_cast<int>(sizeof number)) {
    std::memcpy(&number, value, sizeof number);
  } else if (length >= 1) {
    number = *static_cast<const unsigned char*>(value);  // BOOL given as a char
  } else {
    return WSAEFAULT;
  }
  return ::setsockopt(fd, native_level, native_name, &number, sizeof number) == 0
             ? 0
             : LastSocketError();
}

DWORD NativeGetOption(int fd, int level, int name, void* value, int* length) {
  int native_level = 0;
  int native_name = 0;
  if (!NativeOptionName(level, name, &native_level, &native_name)) return WSAENOPROTOOPT;
  if (value == nullptr || length == nullptr) return WSAEFAULT;
  if (native_name == SO_LINGER) {
    if (*length < 4) return WSAEFAULT;
    ::linger native{};
    socklen_t native_length = sizeof native;
    if (::getsockopt(fd, native_level, native_name, &native, &native_length) != 0) {
      return LastSocketError();
    }
    std::uint16_t fields[2] = {static_cast<std::uint16_t>(native.l_onoff),
                               static_cast<std::uint16_t>(native.l_linger)};
    std::memcpy(value, fields, sizeof fields);
    *length = 4;
    return 0;
  }
  if (*length < static_cast<int>(sizeof(int))) return WSAEFAULT;
  int number = 0;
  socklen_t native_length = sizeof number;
  if (::getsockopt(fd, native_level, native_name, &number, &native_length) != 0) {
    return LastSocketError();
  }
  if (native_name == SO_ERROR) number = static_cast<int>(SocketErrorFromErrno(number));
  if (native_name == SO_TYPE) number = number == SOCK_STREAM ? 1 : 2;
  std::memcpy(value, &number, sizeof number);
  *length = sizeof number;
  return 0;
}

InputState NativeInputState(int fd) {
  int waiting = 0;
  if (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) return InputState::Data;
  char byte = 0;
  ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n > 0) return InputState::Data;
  if (n == 0) return InputState::Closed;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return InputState::Nothing;
  return InputState::Reset;
}

std::string NativeHostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
  return name;
}

std::vector<std::uint32_t> NativeInterfaceAddresses() {
  std::vector<std::uint32_t> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
    addresses.push_back(reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
  }
  ::freeifaddrs(list);
  return addresses;
}

std::vector<std::uint32_t> NativeResolve(const std::string& name) {
  std::vector<std::uint32_t> addresses;
  if (LoopbackOnly()) {
    if (auto known = TestHostAddress(name)) addresses.push_back(*known);
    return addresses;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    auto address = reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    bool seen = false;
    for (auto a : addresses) seen = seen || a == address;
    if (!seen) addresses.push_back(address);
  }
  ::freeaddrinfo(found);
  return addresses;
}

}  // namespace platform::net

// The Winsock socket calls over the socket table and the native calls.
#include "platform/net/winsock.h"

#include <atomic>
#include <cstring>

#include "platform/net/native_sockets.h"
#include "platform/net/socket_table.h"

namespace winsock {

namespace {

using platform::net::Endpoint;
using platform::net::Phase;
using platform::net::SocketEntry;
using platform::net::SocketTable;

std::atomic<int> g_startups{0};

// Sets the last error and gives the usual failure result.
int Fail(DWORD error) {
  SetLastError(error);
  return SOCKET_ERROR;
}

int Finish(DWORD error) {
  return error == 0 ? 0 : Fail(error);
}

// The endpoint of a sockaddr_in given by the caller.
DWORD ReadEndpoint(const sockaddr* name, int namelen, Endpoint* at) {
  if (name == nullptr || namelen < static_cast<int>(sizeof(sockaddr_in))) return WSAEFAULT;
  sockaddr_in in;
  std::memcpy(static_cast<void*>(&in), name, sizeof in);
  if (in.sin_family != AF_INET) return WSAEAFNOSUPPORT;
  at->address = in.sin_addr.s_addr;
  at->port = in.sin_port;
  return 0;
}

DWORD WriteEndpoint(Endpoint at, sockaddr* name, int* namelen) {
  if (name == nullptr || namelen == nullptr || *namelen < static_cast<int>(sizeof(sockaddr_in))) {
    return WSAEFAULT;
  }
  sockaddr_in in;
  in.sin_family = AF_INET;
  in.sin_port = at.port;
  in.sin_addr.s_addr = at.address;
  std::memcpy(static_cast<void*>(name), &in, sizeof in);
  *namelen = sizeof in;
  return 0;
}

// A connect under way that has finished by now is marked so.
void RefreshConnect(SocketEntry& entry) {
  if (entry.phase != Phase::Connecting) return;
  DWORD outcome = platform::net::NativeConnectOutcome(entry.fd);
  if (outcome != WSAEWOULDBLOCK) entry.FinishConnect(outcome);
}

// Errors of a connect that the original platform reports through
// FD_CONNECT rather than from the call.
bool ReportedLater(DWORD error) {
  return error == WSAECONNREFUSED || error == WSAENETUNREACH || error == WSAEHOSTUNREACH ||
         error == WSAETIMEDOUT;
}

}  // namespace

int WSAStartup(WORD version_requested, LPWSADATA data) {
  if (data == nullptr) return static_cast<int>(WSAEFAULT);
  BYTE major = LOBYTE(version_requested);
  BYTE minor = HIBYTE(version_requested);
  *data = WSADATA{};
  data->wHighVersion = MAKEWORD(2, 2);
  if (major < 1 || (major == 1 && minor < 1)) {
    data->wVersion = MAKEWORD(2, 2);
    return static_cast<int>(WSAVERNOTSUPPORTED);
  }
  data->wVersion = (major > 2 || (major == 2 && minor > 2)) ? MAKEWORD(2, 2) : version_requested;
  std::strcpy(data->szDescription, "WinSock 2.0");
  std::strcpy(data->szSystemStatus, "Running");
  data->iMaxSockets = 0;
  data->iMaxUdpDg = 0;
  ++g_startups;
  return 0;
}

int WSACleanup() {
  int count = g_startups.load();
  while (count > 0 && !g_startups.compare_exchange_weak(count, count - 1)) {
  }
  if (count <= 0) return Fail(WSANOTINITIALISED);
  return 0;
}

int WSAGetLastError() {
  return static_cast<int>(GetLastError());
}

void WSASetLastError(int error) {
  SetLastError(static_cast<DWORD>(error));
}

SOCKET socket(int af, int type, int protocol) {
  if (af != AF_INET) {
    Fail(WSAEAFNOSUPPORT);
    return INVALID_SOCKET;
  }
  if (type != SOCK_STREAM) {
    Fail(WSAESOCKTNOSUPPORT);
    return INVALID_SOCKET;
  }
  if (protocol != 0 && protocol != IPPROTO_TCP) {
    Fail(WSAEPROTONOSUPPORT);
    return INVALID_SOCKET;
  }
  int fd = -1;
  if (DWORD error = platform::net::NativeOpenStream(&fd); error != 0) {
    Fail(error);
    return INVALID_SOCKET;
  }
  SocketEntry entry;
  entry.fd = fd;
  return SocketTable::Get().Add(entry);
}

int closesocket(SOCKET s) {
  return SocketTable::Get().Remove(s) ? 0 : Fail(WSAENOTSOCK);
}

int bind(SOCKET s, const sockaddr* name, int namelen) {
  Endpoint at;
  if (DWORD error = ReadEndpoint(name, namelen, &at); error != 0) return Fail(error);
  return Finish(SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    if (entry.bound || entry.phase != Phase::Idle) return WSAEINVAL;
    DWORD error = platform::net::NativeBind(entry.fd, at);
    if (error == 0) entry.bound = true;
    return error;
  }));
}

int listen(SOCKET s, int backlog) {
  return Finish(SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    if (entry.phase == Phase::Listening) return 0;
    if (!entry.bound || entry.phase != Phase::Idle) return WSAEINVAL;
    DWORD error = platform::net::NativeListen(entry.fd, backlog < 1 ? 1 : backlog);
    if (error == 0) entry.phase = Phase::Listening;
    return error;
  }));
}

SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen) {
  if (addr != nullptr && (addrlen == nullptr || *addrlen < static_cast<int>(sizeof(sockaddr_in)))) {
    Fail(WSAEFAULT);
    return INVALID_SOCKET;
  }
  SocketEntry accepted;
  Endpoint peer;
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    if (entry.phase != Phase::Listening) return WSAEINVAL;
    int fd = -1;
    DWORD result = platform::net::NativeAccept(entry.fd, &fd, &peer);
    entry.accept_armed = true;  // accept re-enables FD_ACCEPT either way
    if (result != 0) return result;
    accepted.fd = fd;
    accepted.phase = Phase::Connected;
    accepted.bound = true;
    accepted.selection = entry.selection;  // an accepted socket inherits the selection
    accepted.write_armed = true;
    return 0;
  });
  SocketTable::Get().Wake();
  if (error != 0) {
    Fail(error);
    return INVALID_SOCKET;
  }
  SOCKET result = SocketTable::Get().Add(accepted);
  if (addr != nullptr) WriteEndpoint(peer, addr, addrlen);
  SocketTable::Get().Wake();
  return result;
}

int connect(SOCKET s, const sockaddr* name, int namelen) {
  Endpoint to;
  if (DWORD error = ReadEndpoint(name, namelen, &to); error != 0) return Fail(error);
  if (to.address == INADDR_ANY || to.port == 0) return Fail(WSAEADDRNOTAVAIL);
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    RefreshConnect(entry);
    switch (entry.phase) {
      case Phase::Connecting:
        return WSAEALREADY;
      case Phase::Connected:
        return WSAEISCONN;
      case Phase::Listening:
        return WSAEINVAL;
      case Phase::ConnectFailed:
      case Phase::Idle:
        break;
    }
    DWORD result = platform::net::NativeConnect(entry.fd, to);
    if (result == 0 || result == WSAEWOULDBLOCK) {
      // Even a connect that completes at once is reported through
      // FD_CONNECT, as a non-blocking connect on the original platform.
      entry.phase = Phase::Connecting;
      entry.bound = true;
      return WSAEWOULDBLOCK;
    }
    if (ReportedLater(result)) {
      entry.bound = true;
      entry.FinishConnect(result);
      return WSAEWOULDBLOCK;
    }
    return result;
  });
  SocketTable::Get().Wake();
  return Fail(error);
}

int send(SOCKET s, const char* buf, int len, int flags) {
  if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT);
  int sent = 0;
  bool rearm = false;
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    RefreshConnect(entry);
    if (entry.phase != Phase::Connected) return WSAENOTCONN;
    if (len == 0) return 0;
    DWORD result = platform::net::NativeSend(entry.fd, buf, len, flags, &sent);
    if (result == WSAEWOULDBLOCK) {
      entry.write_armed = true;  // FD_WRITE follows once the socket can take data
      rearm = entry.Selected(FD_WRITE);
    }
    return result;
  });
  if (rearm) SocketTable::Get().Wake();
  return error == 0 ? sent : Fail(error);
}

int recv(SOCKET s, char* buf, int len, int flags) {
  if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT);
  int received = 0;
  bool rearm = false;
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    RefreshConnect(entry);
    if (entry.phase != Phase::Connected) return WSAENOTCONN;
    DWORD result = platform::net::NativeReceive(entry.fd, buf, len, flags, &received);
    if ((flags & MSG_PEEK) == 0) {
      entry.read_armed = true;  // FD_READ again while data remains
      entry.data_unread = false;
      rearm = entry.selection.events != 0;
    }
    return result;
  });
  if (rearm) SocketTable::Get().Wake();
  return error == 0 ? received : Fail(error);
}

int shutdown(SOCKET s, int how) {
  if (how < SD_RECEIVE || how > SD_BOTH) return Fail(WSAEINVAL);
  return Finish(SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    RefreshConnect(entry);
    if (entry.phase != Phase::Connected) return WSAENOTCONN;
    return platform::net::NativeShutdown(entry.fd, how);
  }));
}

int ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  if (argp == nullptr) return Fail(WSAEFAULT);
  return Finish(SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    if (cmd == FIONREAD) {
      RefreshConnect(entry);
      if (entry.phase != Phase::Connected) {
        *argp = 0;
        return 0;
      }
      std::uint32_t count = 0;
      DWORD error = platform::net::NativeBytesWaiting(entry.fd, &count);
      if (error == 0) *argp = count;
      return error;
    }
    if (cmd == FIONBIO) {
      // Every socket is non-blocking; blocking mode is not offered.
      return *argp != 0 ? 0 : WSAEINVAL;
    }
    return WSAEINVAL;
  }));
}

int getsockname(SOCKET s, sockaddr* name, int* namelen) {
  Endpoint at;
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    if (!entry.bound) return WSAEINVAL;
    return platform::net::NativeLocalEndpoint(entry.fd, &at);
  });
  if (error == 0) error = WriteEndpoint(at, name, namelen);
  return Finish(error);
}

int getpeername(SOCKET s, sockaddr* name, int* namelen) {
  Endpoint at;
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    RefreshConnect(entry);
    if (entry.phase != Phase::Connected) return WSAENOTCONN;
    return platform::net::NativePeerEndpoint(entry.fd, &at);
  });
  if (error == 0) error = WriteEndpoint(at, name, namelen);
  return Finish(error);
}

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) {
  return Finish(SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    return platform::net::NativeSetOption(entry.fd, level, optname, optval, optlen);
  }));
}

int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen) {
  return Finish(SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    if (level == SOL_SOCKET && optname == SO_ERROR) {
      // The outcome of a connect is kept in the entry (reading the native
      // error would clear it).
      if (optval == nullptr || optlen == nullptr || *optlen < 4) return WSAEFAULT;
      RefreshConnect(entry);
      int code = entry.phase == Phase::ConnectFailed ? static_cast<int>(entry.connect_error) : 0;
      std::memcpy(optval, &code, sizeof code);
      *optlen = sizeof code;
      return 0;
    }
    return platform::net::NativeGetOption(entry.fd, level, optname, optval, optlen);
  }));
}

int WSAAsyncSelect(SOCKET s, HWND hwnd, UINT message, long events) {
  if (events != 0 && hwnd == nullptr) return Fail(WSAEINVAL);
  DWORD error = SocketTable::Get().With(s, [&](SocketEntry& entry) -> DWORD {
    entry.selection = platform::net::AsyncSelection{hwnd, message, events};
    // A new selection looks at every condition afresh; FD_CLOSE is told
    // once in a socket's life.
    entry.read_armed = true;
    entry.accept_armed = true;
    entry.data_unread = false;
    if (entry.phase == Phase::Connected) entry.write_armed = true;
    return 0;
  });
  if (error != 0) return Fail(error);
  if (events & FD_WRITE) SocketTable::Get().PostWriteIfWritable(s);
  SocketTable::Get().Wake();
  return 0;
}

}  // namespace winsock

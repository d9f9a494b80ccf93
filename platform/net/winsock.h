// Windows Sockets 1.1 over non-blocking POSIX sockets.
//
// Names. Several Winsock names are also C library names (socket, connect,
// bind, listen, accept, send, recv, htons, gethostname, inet_addr, AF_INET,
// FIONREAD, SOMAXCONN, ...), some of them macros. So the whole Winsock API
// (functions, types and constants) lives in `namespace winsock`, and a file
// that includes this header must not include the POSIX socket headers
// (<sys/socket.h>, <netinet/in.h>, <arpa/inet.h>, <netdb.h>, <sys/ioctl.h>).
// Call it qualified (`winsock::send`) or with `using namespace winsock;` in
// a source file; the small integer types (u_char, u_short, u_int, u_long)
// also exist as the C library's BSD types of another width, so write them
// qualified (`winsock::u_long` is 32 bits). The error numbers (WSAEWOULDBLOCK, ...) are platform
// error numbers and live with the others in platform/core/errors.h.
//
// Sockets. A SOCKET is a number of our own, never reused, so that a
// notification still queued for a socket that was closed can never be taken
// for a newer socket. Every socket is non-blocking from the start (the only
// mode the program uses): connect returns SOCKET_ERROR with WSAEWOULDBLOCK
// and completes later, send and recv return SOCKET_ERROR with
// WSAEWOULDBLOCK when they cannot go on. Errors are returned as the last
// error (WSAGetLastError is GetLastError) with the POSIX errors mapped to
// the platform's numbers; their texts come from platform::ErrorMessageText.
//
// Asynchronous notification (WSAAsyncSelect). One watcher thread polls every
// socket that asked for notifications and posts `message` to the window,
// wParam = the socket, lParam = MAKELONG(event, error). As on the original
// platform, an event is posted once and then not again until its
// re-enabling call:
//   FD_READ     when data waits; again after each recv while data remains.
//   FD_WRITE    when the socket connects or is accepted, after every
//               WSAAsyncSelect call that names FD_WRITE while the socket can
//               send, and after a send that failed with WSAEWOULDBLOCK once
//               the socket can take data again.
//   FD_ACCEPT   when a connection waits; again after each accept while more
//               wait.
//   FD_CONNECT  once, when a connect completes (error in the high word, for
//               example WSAECONNREFUSED).
//   FD_CLOSE    once, when the peer closed the connection (error 0) or reset
//               it (WSAECONNRESET), and only after every byte the peer sent
//               has been read, so that no data is lost behind it.
// A WSAAsyncSelect call replaces the socket's window, message and events and
// re-evaluates every condition at once. A socket made by accept inherits the
// listening socket's window, message and events. Notifications already
// posted stay in the queue after closesocket or a new WSAAsyncSelect.
#pragma once

#include "platform/core/errors.h"
#include "platform/core/types.h"

namespace winsock {

using u_char = unsigned char;
using u_short = unsigned short;
using u_int = unsigned int;
using u_long = std::uint32_t;  // 32 bits, as on the original platform

using SOCKET = UINT_PTR;
constexpr SOCKET INVALID_SOCKET = ~SOCKET{0};
constexpr int SOCKET_ERROR = -1;

constexpr int AF_UNSPEC = 0;
constexpr int AF_INET = 2;
constexpr int PF_INET = AF_INET;
constexpr int SOCK_STREAM = 1;
constexpr int SOCK_DGRAM = 2;
constexpr int IPPROTO_IP = 0;
constexpr int IPPROTO_TCP = 6;

constexpr u_long INADDR_ANY = 0x00000000;
constexpr u_long INADDR_LOOPBACK = 0x7f000001;
constexpr u_long INADDR_BROADCAST = 0xffffffff;
constexpr u_long INADDR_NONE = 0xffffffff;

constexpr int SOMAXCONN = 5;

// ioctlsocket commands.
constexpr long FIONREAD = 0x4004667F;
constexpr long FIONBIO = static_cast<long>(0x8004667E);

// setsockopt / getsockopt.
constexpr int SOL_SOCKET = 0xffff;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int SO_KEEPALIVE = 0x0008;
constexpr int SO_LINGER = 0x0080;
constexpr int SO_SNDBUF = 0x1001;
constexpr int SO_RCVBUF = 0x1002;
constexpr int SO_ERROR = 0x1007;
constexpr int SO_TYPE = 0x1008;
constexpr int TCP_NODELAY = 0x0001;

// shutdown.
constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;

// recv / send flags.
constexpr int MSG_OOB = 0x1;
constexpr int MSG_PEEK = 0x2;

// WSAAsyncSelect events.
constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_OOB = 0x04;
constexpr long FD_ACCEPT = 0x08;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;

constexpr WORD WSAGETSELECTEVENT(LPARAM lparam) {
  return LOWORD(static_cast<DWORD_PTR>(lparam));
}
constexpr WORD WSAGETSELECTERROR(LPARAM lparam) {
  return HIWORD(static_cast<DWORD_PTR>(lparam));
}
constexpr LPARAM WSAMAKESELECTREPLY(WORD event, WORD error) {
  return MAKELPARAM(event, error);
}

struct in_addr {
  u_long s_addr = 0;  // network byte order
};

struct sockaddr {
  u_short sa_family = 0;
  char sa_data[14] = {};
};

struct sockaddr_in {
  short sin_family = 0;
  u_short sin_port = 0;  // network byte order
  in_addr sin_addr;
  char sin_zero[8] = {};
};

struct linger {
  u_short l_onoff = 0;
  u_short l_linger = 0;
};

// Host entry of gethostbyname. The storage belongs to the calling thread
// and is overwritten by its next call.
struct hostent {
  char* h_name = nullptr;
  char** h_aliases = nullptr;
  short h_addrtype = 0;
  short h_length = 0;
  char** h_addr_list = nullptr;  // null-terminated list of 4-byte addresses
};

constexpr int WSADESCRIPTION_LEN = 256;
constexpr int WSASYS_STATUS_LEN = 128;

struct WSADATA {
  WORD wVersion = 0;
  WORD wHighVersion = 0;
  char szDescription[WSADESCRIPTION_LEN + 1] = {};
  char szSystemStatus[WSASYS_STATUS_LEN + 1] = {};
  unsigned short iMaxSockets = 0;
  unsigned short iMaxUdpDg = 0;
  char* lpVendorInfo = nullptr;
};
using LPWSADATA = WSADATA*;

// Start-up is counted: each successful WSAStartup needs its WSACleanup.
// Versions 1.1 up to 2.2 are accepted (the answer's wVersion is the one
// asked for, capped at 2.2); below 1.1 gives WSAVERNOTSUPPORTED. The calls
// below work whether or not Winsock was started, as the program always
// starts it before using them.
int WSAStartup(WORD version_requested, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int af, int type, int protocol);
int closesocket(SOCKET s);
int bind(SOCKET s, const sockaddr* name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen);
int connect(SOCKET s, const sockaddr* name, int namelen);
int send(SOCKET s, const char* buf, int len, int flags);
int recv(SOCKET s, char* buf, int len, int flags);
int shutdown(SOCKET s, int how);
int ioctlsocket(SOCKET s, long cmd, u_long* argp);
int getsockname(SOCKET s, sockaddr* name, int* namelen);
int getpeername(SOCKET s, sockaddr* name, int* namelen);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);

// See the header comment. `events` 0 stops the notifications; the socket
// stays non-blocking either way.
int WSAAsyncSelect(SOCKET s, HWND hwnd, UINT message, long events);

u_short htons(u_short host);
u_short ntohs(u_short net);
u_long htonl(u_long host);
u_long ntohl(u_long net);

// Dotted IPv4 text ("a.b.c.d", also the short forms a.b.c, a.b and a, with
// decimal, octal or hexadecimal parts) to an address in network order;
// INADDR_NONE when the text is not an address. "255.255.255.255" also
// gives INADDR_NONE, as on the original platform.
u_long inet_addr(const char* text);
// The dotted text of an address; the buffer belongs to the calling thread.
char* inet_ntoa(in_addr address);

// The machine's host name; SOCKET_ERROR with WSAEFAULT when it does not fit.
int gethostname(char* name, int namelen);
// Looks a host up. The machine's own name (and the empty name) is answered
// from its network interfaces without asking any name server: every IPv4
// address of an interface that is up and not loopback, or 127.0.0.1 when
// there is none. "localhost" gives 127.0.0.1; dotted text gives itself;
// other names go to the system's resolver. Null with WSAHOST_NOT_FOUND when
// nothing is found.
hostent* gethostbyname(const char* name);

}  // namespace winsock

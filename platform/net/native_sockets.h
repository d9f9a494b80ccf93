// The POSIX side of the Winsock layer: thin calls on native socket
// descriptors that answer with the platform's error numbers (WSAE*), so
// that the Winsock files never need the POSIX socket headers (whose macros
// collide with the Winsock names). Addresses and ports are in network byte
// order, as Winsock keeps them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/types.h"

namespace platform::net {

struct Endpoint {
  std::uint32_t address = 0;  // network order
  std::uint16_t port = 0;     // network order
};

// The Winsock error number for a POSIX errno value of a socket call.
DWORD SocketErrorFromErrno(int err);

// Each call returns 0 on success or a WSAE* number.
DWORD NativeOpenStream(int* fd);  // TCP, non-blocking, close-on-exec
void NativeClose(int fd);
// Listening sockets may take a port whose old connections linger in
// TIME_WAIT, as the original platform allows.
DWORD NativeBind(int fd, Endpoint at);
DWORD NativeListen(int fd, int backlog);
// WSAEWOULDBLOCK when no connection waits.
DWORD NativeAccept(int fd, int* accepted, Endpoint* peer);
// WSAEWOULDBLOCK when the connection is under way.
DWORD NativeConnect(int fd, Endpoint to);
// Outcome of a connect under way: 0 connected, WSAEWOULDBLOCK still going,
// else the error it ended with.
DWORD NativeConnectOutcome(int fd);
// Never raises SIGPIPE. `sent`/`received` are set on success; a receive of
// 0 bytes means the peer closed.
DWORD NativeSend(int fd, const void* data, int length, int flags, int* sent);
DWORD NativeReceive(int fd, void* data, int length, int flags, int* received);
DWORD NativeShutdown(int fd, int how);  // 0 receive, 1 send, 2 both
DWORD NativeBytesWaiting(int fd, std::uint32_t* count);
DWORD NativeLocalEndpoint(int fd, Endpoint* at);
DWORD NativePeerEndpoint(int fd, Endpoint* at);
// Socket options by their Winsock level and name (SOL_SOCKET 0xffff with
// SO_REUSEADDR, SO_KEEPALIVE, SO_LINGER, SO_SNDBUF, SO_RCVBUF, SO_ERROR,
// SO_TYPE; IPPROTO_TCP 6 with TCP_NODELAY); others give WSAENOPROTOOPT.
DWORD NativeSetOption(int fd, int level, int name, const void* value, int length);
DWORD NativeGetOption(int fd, int level, int name, void* value, int* length);

// What a peer-side look at a connected socket finds: data waiting, the
// peer's orderly close, a reset, or nothing yet.
enum class InputState { Data, Closed, Reset, Nothing };
InputState NativeInputState(int fd);

// Host names and addresses.
std::string NativeHostName();
// IPv4 addresses (network order) of the interfaces that are up and not
// loopback, in interface order.
std::vector<std::uint32_t> NativeInterfaceAddresses();
// The system resolver's IPv4 addresses for a name; empty when none.
std::vector<std::uint32_t> NativeResolve(const std::string& name);

}  // namespace platform::net

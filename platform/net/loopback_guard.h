// A switch for test programs: with it on, no socket and no HTTP request may
// leave the machine. Every connect to an address outside 127.0.0.0/8 is
// refused (WSAENETUNREACH for sockets, 12029 for HTTP requests), and host
// names are answered only from a table the test fills in (no name server is
// asked). The shared test main turns it on before any test runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::net {

void SetLoopbackOnly(bool on);
bool LoopbackOnly();

// True for an IPv4 address (network byte order) inside 127.0.0.0/8.
bool IsLoopbackAddress(std::uint32_t network_order);

// The test's host table, used only while the switch is on. Names are
// matched ignoring case; the address is in network byte order.
void SetTestHost(const std::string& name, std::uint32_t network_order);
void ClearTestHosts();
// The table's answer for a name; empty when it holds none.
std::optional<std::uint32_t> TestHostAddress(const std::string& name);

}  // namespace platform::net

// A SOCKS 4, 4A and 5 proxy on 127.0.0.1 for tests. It records what each
// client sent while negotiating, can refuse in the ways a test picks, can
// answer one byte at a time, and relays bytes to targets on 127.0.0.0/8
// only (names from its own table).
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"

namespace velko_test {

class SocksServer {
 public:
  struct Options {
    std::string user;                  // SOCKS 5: ask for this user name ...
    std::string password;              // ... and password (RFC 1929)
    int socks4_status = 90;            // SOCKS 4 answer status
    int socks5_reply = 0;              // SOCKS 5 connect reply code
    int socks5_method = -1;            // a forced method answer (-1: by user name)
    int first_byte = -1;               // a forced version byte in the answer
    bool byte_at_a_time = false;       // answers in one-byte pieces
    bool close_before_answer = false;  // hang up instead of answering
    std::string after_answer;          // bytes sent right after the last answer
    std::map<std::string, std::uint16_t> names;  // names it resolves (to 127.0.0.1)
  };
  explicit SocksServer(Options options);
  std::uint16_t port() const { return server_.port(); }
  // What each connection sent while negotiating, in order.
  std::vector<std::string> Negotiations() const;
  int Tunnels() const { return tunnels_; }
  void Stop() { server_.Stop(); }
  bool WaitHandled(int count) { return server_.WaitHandled(count); }
  int Accepted() const { return server_.Accepted(); }

 private:
  void Serve(LoopbackConnection& c);
  void Answer(LoopbackConnection& c, const std::string& bytes);
  // Relays between the client and a target port until either closes.
  void Relay(LoopbackConnection& c, std::uint32_t address, std::uint16_t port);

  Options options_;
  mutable std::mutex mutex_;
  std::vector<std::string> negotiations_;
  std::atomic<int> tunnels_{0};
  LoopbackServer server_;
};

}  // namespace velko_test

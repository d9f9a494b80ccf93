#include "tests/support/socks_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace velko_test {

SocksServer::SocksServer(Options options)
    : options_(std::move(options)), server_([this](LoopbackConnection& c) { Serve(c); }) {}

std::vector<std::string> SocksServer::Negotiations() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return negotiations_;
}

void SocksServer::Answer(LoopbackConnection& c, const std::string& bytes) {
  std::string out = bytes;
  if (options_.first_byte >= 0 && !out.empty()) out[0] = static_cast<char>(options_.first_byte);
  if (!options_.byte_at_a_time) {
    c.Write(out);
    return;
  }
  c.SetNoDelay();
  for (char b : out) {
    c.Write(std::string(1, b));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void SocksServer::Serve(LoopbackConnection& c) {
  std::string seen;
  auto record = [&] {
    std::lock_guard<std::mutex> hold(mutex_);
    negotiations_.push_back(seen);
  };
  auto read = [&](std::size_t n) {
    std::string got = c.ReadExactly(n, 5);
    seen += got;
    return got;
  };
  auto read_to_nul = [&] {
    std::string got = c.ReadUntil(std::string(1, '\0'), 5);
    seen += got;
    return got.empty() ? got : got.substr(0, got.size() - 1);
  };
  auto resolve = [&](const std::string& name, std::uint32_t* address) {
    if (options_.names.count(name) == 0) return false;
    *address = htonl(INADDR_LOOPBACK);
    return true;
  };
  std::string first = read(1);
  if (first.empty()) {
    record();
    return;
  }
  if (first[0] == 4) {
    std::string head = read(7);
    if (head.size() < 7) return record();
    std::uint16_t port = static_cast<std::uint16_t>((static_cast<unsigned char>(head[1]) << 8) |
                                                    static_cast<unsigned char>(head[2]));
    std::uint32_t address = 0;
    std::memcpy(&address, head.data() + 3, 4);
    read_to_nul();  // user id
    const unsigned char* a = reinterpret_cast<const unsigned char*>(head.data() + 3);
    if (a[0] == 0 && a[1] == 0 && a[2] == 0 && a[3] != 0) {
      std::string name = read_to_nul();
      if (!resolve(name, &address)) address = 0;
    }
    record();
    if (options_.close_before_answer) return;
    int status = address == 0 ? 91 : options_.socks4_status;
    std::string reply("\x00", 1);
    reply += static_cast<char>(status);
    reply += std::string(6, '\0');
    Answer(c, reply);
    if (status != 90) return;
    c.Write(options_.after_answer);
    Relay(c, address, port);
    return;
  }
  // SOCKS 5.
  std::string count = read(1);
  if (count.empty()) return record();
  read(static_cast<unsigned char>(count[0]));
  if (options_.close_before_answer) return record();
  int method = options_.socks5_method >= 0 ? options_.socks5_method : (options_.user.empty() ? 0 : 2);
  Answer(c, std::string("\x05", 1) + static_cast<char>(method));
  if (method != 0 && method != 2) return record();
  if (method == 2) {
    std::string version = read(1);
    std::string ulen = read(1);
    if (ulen.empty()) return record();
    std::string user = read(static_cast<unsigned char>(ulen[0]));
    std::string plen = read(1);
    if (plen.empty()) return record();
    std::string password = read(static_cast<unsigned char>(plen[0]));
    bool ok = user == options_.user && password == options_.password;
    Answer(c, std::string("\x01", 1) + (ok ? '\x00' : '\x01'));
    if (!ok) return record();
  }
  std::string head = read(4);
  if (head.size() < 4) return record();
  std::uint32_t address = 0;
  bool known = true;
  if (head[3] == 1) {
    std::string raw = read(4);
    std::memcpy(&address, raw.data(), 4);
  } else if (head[3] == 3) {
    std::string length = read(1);
    std::string name = read(length.empty() ? 0 : static_cast<unsigned char>(length[0]));
    known = resolve(name, &address);
  }
  std::string port_bytes = read(2);
  record();
  if (port_bytes.size() < 2) return;
  std::uint16_t port = static_cast<std::uint16_t>((static_cast<unsigned char>(port_bytes[0]) << 8) |
                                                  static_cast<unsigned char>(port_bytes[1]));
  int code = known ? options_.socks5_reply : 4;
  std::string reply("\x05", 1);
  reply += static_cast<char>(code);
  reply += std::string("\x00\x01\x7f\x00\x00\x01\x04\x38", 8);
  Answer(c, reply);
  if (code != 0) return;
  c.Write(options_.after_answer);
  Relay(c, address, port);
}

void SocksServer::Relay(LoopbackConnection& c, std::uint32_t address, std::uint16_t port) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
  if (bytes[0] != 127) return;  // loopback only
  int target = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = address;
  if (::connect(target, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(target);
    return;
  }
  ++tunnels_;
  // Bytes the handshake reads left behind go first.
  std::string early = c.TakeAvailable();
  if (!early.empty()) ::send(target, early.data(), early.size(), MSG_NOSIGNAL);
  char buffer[65536];
  for (;;) {
    pollfd both[2] = {{c.fd(), POLLIN, 0}, {target, POLLIN, 0}};
    if (::poll(both, 2, 10000) <= 0) break;
    bool done = false;
    for (int i = 0; i < 2 && !done; ++i) {
      if (both[i].revents == 0) continue;
      ssize_t n = ::recv(both[i].fd, buffer, sizeof buffer, 0);
      if (n <= 0) {
        done = true;
        break;
      }
      int other = i == 0 ? target : c.fd();
      ssize_t at = 0;
      while (at < n) {
        ssize_t w = ::send(other, buffer + at, static_cast<std::size_t>(n - at), MSG_NOSIGNAL);
        if (w <= 0) {
          done = true;
          break;
        }
        at += w;
      }
    }
    if (done) break;
  }
  ::close(target);
}

}  // namespace velko_test

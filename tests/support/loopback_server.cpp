#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <utility>

namespace velko_test {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<long long>(left, 0));
}

}  // namespace

LoopbackConnection::~LoopbackConnection() {
  Close();
}

std::unique_ptr<LoopbackConnection> LoopbackConnection::Dial(std::uint16_t port, const std::string& address) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = ::inet_addr(address.c_str());
  if ((ntohl(to.sin_addr.s_addr) >> 24) != 127 || ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<LoopbackConnection>(fd);
}

bool LoopbackConnection::ReadSome(std::string* into, double seconds) {
  if (fd_ < 0) return false;
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (;;) {
    pollfd watch{fd_, POLLIN, 0};
    int ready = ::poll(&watch, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char buffer[65536];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    into->append(buffer, static_cast<std::size_t>(n));
    return true;
  }
}

std::string LoopbackConnection::ReadUntil(const std::string& terminator, double seconds, std::size_t limit) {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  for (;;) {
    std::size_t at = pending_.find(terminator);
    if (at != std::string::npos) {
      std::string result = pending_.substr(0, at + terminator.size());
      pending_.erase(0, at + terminator.size());
      return result;
    }
    if (pending_.size() > limit || !ReadSome(&pending_, MillisecondsLeft(deadline) / 1000.0)) {
      return std::exchange(pending_, {});
    }
  }
}

std::string LoopbackConnection::ReadExactly(std::size_t count, double seconds) {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (pending_.size() < count) {
    if (!ReadSome(&pending_, MillisecondsLeft(deadline) / 1000.0)) return std::exchange(pending_, {});
  }
  std::string result = pending_.substr(0, count);
  pending_.erase(0, count);
  return result;
}

std::string LoopbackConnection::ReadToClose(double seconds) {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (ReadSome(&pending_, MillisecondsLeft(deadline) / 1000.0)) {
  }
  return std::exchange(pending_, {});
}

std::string LoopbackConnection::ReadToCloseUpTo(std::size_t limit, double seconds) {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  while (pending_.size() <= limit && ReadSome(&pending_, MillisecondsLeft(deadline) / 1000.0)) {
  }
  return std::exchange(pending_, {});
}

std::size_t LoopbackConnection::CountToClose(double seconds) {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::size_t count = pending_.size();
  pending_.clear();
  std::vector<char> buffer(1 << 20);
  while (fd_ >= 0) {
    pollfd watch{fd_, POLLIN, 0};
    if (::poll(&watch, 1, MillisecondsLeft(deadline)) <= 0) break;
    ssize_t n = ::recv(fd_, buffer.data(), buffer.size(), 0);
    if (n <= 0) break;
    count += static_cast<std::size_t>(n);
  }
  return count;
}

bool LoopbackConnection::WaitForClose(double seconds) {
  auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::string ignored;
  while (ReadSome(&ignored, MillisecondsLeft(deadline) / 1000.0)) ignored.clear();
  return Clock::now() < deadline;
}

std::string LoopbackConnection::TakeAvailable() {
  while (ReadSome(&pending_, 0)) {
  }
  return std::exchange(pending_, {});
}

bool LoopbackConnection::Write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void LoopbackConnection::SetNoDelay() {
  int on = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void LoopbackConnection::SetReceiveBuffer(int bytes) {
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

void LoopbackConnection::ShutdownWrite() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void LoopbackConnection::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at);
  ::listen(listener_, 64);
  socklen_t length = sizeof at;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
  port_ = ntohs(at.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  Stop();
  if (acceptor_.joinable()) acceptor_.join();
  for (auto& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
  if (listener_ >= 0) ::close(listener_);
}

void LoopbackServer::AcceptLoop() {
  while (!stopping_) {
    pollfd watch{listener_, POLLIN, 0};
    int ready = ::poll(&watch, 1, 50);
    if (ready <= 0) continue;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> hold(mutex_);
    if (stopping_) {
      ::close(fd);
      break;
    }
    ++accepted_;
    open_fds_.push_back(fd);
    workers_.emplace_back([this, fd] {
      {
        LoopbackConnection connection(fd);
        handler_(connection);
        std::lock_guard<std::mutex> hold(mutex_);
        open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
      }
      std::lock_guard<std::mutex> hold(mutex_);
      ++handled_;
      changed_.notify_all();
    });
  }
}

bool LoopbackServer::WaitHandled(int count, double seconds) {
  std::unique_lock<std::mutex> hold(mutex_);
  return changed_.wait_for(hold, std::chrono::duration<double>(seconds), [&] { return handled_ >= count; });
}

void LoopbackServer::Stop() {
  std::lock_guard<std::mutex> hold(mutex_);
  stopping_ = true;
  for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
}

HttpResponder::HttpResponder(Handler handler)
    : handler_(std::move(handler)), server_([this](LoopbackConnection& connection) {
        std::string head = connection.ReadUntil("\r\n\r\n");
        if (head.empty()) return;
        {
          std::lock_guard<std::mutex> hold(mutex_);
          requests_.push_back(head);
        }
        Reply reply = handler_(head);
        connection.Write(reply.bytes);
        if (reply.hold) connection.WaitForClose(60);
      }) {}

std::string HttpResponder::Url(const std::string& path_and_query) const {
  return "http://127.0.0.1:" + std::to_string(port()) + path_and_query;
}

std::vector<std::string> HttpResponder::Requests() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return requests_;
}

HttpResponder::Reply HttpResponder::Ok(const std::string& body, const std::string& type) {
  return {"HTTP/1.0 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) +
              "\r\n\r\n" + body,
          false};
}

}  // namespace velko_test

// Small servers on 127.0.0.1 that tests script byte by byte: each accepted
// connection runs the test's handler on its own thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velko_test {

// One accepted (or dialled) connection, as plain blocking calls with time
// limits. Every read returns early, with what it has, when the peer closes
// or the owning server stops.
class LoopbackConnection {
 public:
  explicit LoopbackConnection(int fd) : fd_(fd) {}
  ~LoopbackConnection();
  LoopbackConnection(const LoopbackConnection&) = delete;
  LoopbackConnection& operator=(const LoopbackConnection&) = delete;

  // Dials port on a loopback address; null when it cannot.
  static std::unique_ptr<LoopbackConnection> Dial(std::uint16_t port, const std::string& address = "127.0.0.1");

  // Everything up to and including `terminator`, or what came before the
  // time ran out, the peer closed or more than `limit` bytes came.
  std::string ReadUntil(const std::string& terminator, double seconds = 10, std::size_t limit = SIZE_MAX);
  std::string ReadExactly(std::size_t count, double seconds = 10);
  // Everything until the peer closes (or the time runs out).
  std::string ReadToClose(double seconds = 10);
  // The same, but it stops reading once more than `limit` bytes came: a
  // peer that sends far more than expected is seen without holding it all.
  std::string ReadToCloseUpTo(std::size_t limit, double seconds = 10);
  // Whether the peer closed within the time (bytes on the way are dropped).
  bool WaitForClose(double seconds = 10);
  // Bytes received until the peer closes, not kept.
  std::size_t CountToClose(double seconds = 10);
  // Whatever has arrived, without waiting.
  std::string TakeAvailable();
  bool Write(const std::string& bytes);
  void ShutdownWrite();
  // Sends small writes at once (no coalescing), so pieces stay pieces.
  void SetNoDelay();
  // Shrinks the socket's receive buffer (a slow reader).
  void SetReceiveBuffer(int bytes);
  void Close();
  int fd() const { return fd_; }

 private:
  // Reads once; false at close or time-out.
  bool ReadSome(std::string* into, double seconds);
  std::string pending_;
  int fd_;
};

class LoopbackServer {
 public:
  using Handler = std::function<void(LoopbackConnection&)>;
  explicit LoopbackServer(Handler handler);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t port() const { return port_; }
  int Accepted() const { return accepted_.load(); }
  // Waits until `count` handlers have returned.
  bool WaitHandled(int count, double seconds = 10);
  // Stops listening and ends every connection (their reads return).
  void Stop();

 private:
  void AcceptLoop();
  Handler handler_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
  int handled_ = 0;
  std::vector<int> open_fds_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// An HTTP server for tests: reads each request head to its empty line and
// answers with the raw bytes the test's handler gives, then closes (or, with
// `hold`, keeps the connection open and silent until the responder stops).
class HttpResponder {
 public:
  struct Reply {
    std::string bytes;
    bool hold = false;
  };
  using Handler = std::function<Reply(const std::string& request_head)>;
  explicit HttpResponder(Handler handler);

  std::uint16_t port() const { return server_.port(); }
  std::string Url(const std::string& path_and_query) const;
  std::vector<std::string> Requests() const;
  void Stop() { server_.Stop(); }

  static Reply Ok(const std::string& body, const std::string& type = "text/plain");

 private:
  Handler handler_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  LoopbackServer server_;
};

}  // namespace velko_test

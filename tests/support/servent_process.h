// Runs the test servent program (tests/support/servent) as a child process:
// commands go to its standard input, its event lines are collected from
// its standard output.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velko_test {

// A TCP port that is free on `address` now.
int FreePort(const std::string& address);

class ServentProcess {
 public:
  struct Options {
    std::string address = "127.0.0.1";
    int port = 0;
    std::string share;     // native folder of files to share
    std::string download;  // native download folder
    std::string home;      // native folder for its settings
    bool firewall = false;
    int socks = 0;  // port of a SOCKS 5 proxy on 127.0.0.1 (0: none)
  };
  explicit ServentProcess(const Options& options);
  ~ServentProcess();
  ServentProcess(const ServentProcess&) = delete;
  ServentProcess& operator=(const ServentProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  int port() const { return port_; }
  void Send(const std::string& command);
  // The first line after the last one waited for that starts with
  // `prefix`; "" when none came in time. Lines before it are passed over.
  std::string WaitFor(const std::string& prefix, double seconds = 20);
  std::vector<std::string> Lines() const;

 private:
  int pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  int port_ = 0;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> lines_;
  std::size_t cursor_ = 0;
  bool ended_ = false;
};

}  // namespace velko_test

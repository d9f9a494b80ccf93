// A private message bus for the tests that talk D-Bus: dbus-daemon on a
// socket in a temporary folder, ended with the object.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace velko_test {

class PrivateBus {
 public:
  PrivateBus() {
    address_ = "unix:path=" + (dir_.path() / "bus").string();
    const std::string config = dir_.WriteFile("bus.conf",
        "<busconfig><type>session</type><listen>" + address_ + "</listen>"
        "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>").string();
    pid_ = 0;
    std::vector<char*> argv;
    std::string program = "/usr/bin/dbus-daemon";
    std::string config_arg = "--config-file=" + config;
    std::string nofork = "--nofork";
    argv = {program.data(), config_arg.data(), nofork.data(), nullptr};
    posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ);
    // Ready once its socket takes a connection.
    const std::string socket_path = (dir_.path() / "bus").string();
    for (int i = 0; i < 500 && !ready_; ++i) {
      const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_path.c_str());
      ready_ = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      if (fd >= 0) ::close(fd);
      if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& address() const { return address_; }
  bool running() const { return pid_ > 0 && ready_; }

 private:
  velko_test::TempDir dir_;
  std::string address_;
  pid_t pid_ = 0;
  bool ready_ = false;
};

}  // namespace velko_test

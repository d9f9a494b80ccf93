// A private message bus for the tests that talk D-Bus: dbus-daemon on a
// socket in a temporary folder, ended with the object.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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
    // Ready once its socket answers.
    for (int i = 0; i < 500 && !std::filesystem::exists(dir_.path() / "bus"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& address() const { return address_; }
  bool running() const { return pid_ > 0 && std::filesystem::exists(dir_.path() / "bus"); }

 private:
  velko_test::TempDir dir_;
  std::string address_;
  pid_t pid_ = 0;
};

}  // namespace velko_test

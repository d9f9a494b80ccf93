#include "tests/support/servent_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "tests/support/program_process.h"

extern char** environ;

namespace velko_test {

int FreePort(const std::string& address) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = ::inet_addr(address.c_str());
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) {
    socklen_t length = sizeof at;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
    port = ntohs(at.sin_port);
  }
  ::close(fd);
  return port;
}

namespace {

// The test servent program, beside the test program or in build*/tests.
std::string ServentProgramPath() {
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  for (auto candidate : {self / "velko_test_servent", self.parent_path() / "tests" / "velko_test_servent"}) {
    if (std::filesystem::exists(candidate)) return candidate.string();
  }
  return (self / "velko_test_servent").string();
}

}  // namespace

ServentProcess::ServentProcess(const Options& options) {
  port_ = options.firewall ? 0 : (options.port != 0 ? options.port : FreePort(options.address));
  int in_pipe[2];
  int out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  std::string program = ServentProgramPath();
  std::vector<std::string> args = {program,           "--address", options.address, "--port",
                                   std::to_string(port_), "--share",   options.share,   "--download",
                                   options.download,  "--home",    options.home};
  if (options.firewall) args.push_back("--firewall");
  if (options.socks != 0) {
    args.push_back("--socks");
    args.push_back(std::to_string(options.socks));
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  to_child_ = in_pipe[1];
  from_child_ = out_pipe[0];
  reader_ = std::thread([this] {
    std::string pending;
    char buffer[4096];
    for (;;) {
      ssize_t n = ::read(from_child_, buffer, sizeof buffer);
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
      std::size_t lf;
      while ((lf = pending.find('\n')) != std::string::npos) {
        std::lock_guard<std::mutex> hold(mutex_);
        lines_.push_back(pending.substr(0, lf));
        pending.erase(0, lf + 1);
        arrived_.notify_all();
      }
    }
    std::lock_guard<std::mutex> hold(mutex_);
    ended_ = true;
    arrived_.notify_all();
  });
}

ServentProcess::~ServentProcess() {
  if (pid_ > 0) {
    Send("quit");
    int status = 0;
    if (!WaitForProgramExit(pid_, &status, 5)) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
  }
  if (to_child_ >= 0) ::close(to_child_);
  if (reader_.joinable()) reader_.join();
  if (from_child_ >= 0) ::close(from_child_);
}

void ServentProcess::Send(const std::string& command) {
  if (to_child_ < 0) return;
  std::string line = command + "\n";
  ssize_t ignored = ::write(to_child_, line.data(), line.size());
  (void)ignored;
}

std::string ServentProcess::WaitFor(const std::string& prefix, double seconds) {
  std::unique_lock<std::mutex> hold(mutex_);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                          std::chrono::duration<double>(seconds));
  bool timed_out = false;
  for (;;) {
    for (; cursor_ < lines_.size(); ++cursor_) {
      if (lines_[cursor_].rfind(prefix, 0) == 0) return lines_[cursor_++];
    }
    if (ended_ || timed_out) return "";
    timed_out = arrived_.wait_until(hold, deadline) == std::cv_status::timeout;
  }
}

std::vector<std::string> ServentProcess::Lines() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return lines_;
}

}  // namespace velko_test

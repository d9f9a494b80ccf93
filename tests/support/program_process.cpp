#include "tests/support/program_process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace velko_test {

namespace {

bool Overridden(const char* entry) {
  for (const char* name : {"HOME=", "XDG_CONFIG_HOME=", "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=", "TMPDIR="}) {
    if (std::strncmp(entry, name, std::strlen(name)) == 0) return true;
  }
  return false;
}

}  // namespace

pid_t StartProgram(const std::filesystem::path& home) {
  const std::string program = (ProgramFolder() / "velko").string();
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (!Overridden(*e)) env.emplace_back(*e);
  }
  for (const char* folder : {"config", "data", "runtime", "tmp"}) {
    std::filesystem::create_directories(home / folder);
  }
  env.push_back("HOME=" + home.string());
  env.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
  env.push_back("XDG_DATA_HOME=" + (home / "data").string());
  env.push_back("XDG_RUNTIME_DIR=" + (home / "runtime").string());
  env.push_back("TMPDIR=" + (home / "tmp").string());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string arg0 = program;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  return pid;
}

bool WaitForProgramExit(pid_t pid, int* status, double seconds) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < give_up) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace velko_test

// The program itself: started as a child process, it runs its windows and
// message loop until a termination signal ends it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/program_process.h"
#include "tests/support/temp_dir.h"

namespace {

// The blocked-signal mask of a process, from /proc.
unsigned long long BlockedSignals(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigBlk:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  }
  return 0;
}

bool Blocks(pid_t pid, int signal_number) {
  return (BlockedSignals(pid) >> (signal_number - 1)) & 1;
}

void ExpectCleanExitOn(int signal_number) {
  ASSERT_EQ(access((velko_test::ProgramFolder() / "velko").c_str(), X_OK), 0) << "the program is not built";
  // On the headless screen, whatever display the test run has. A first
  // start: the missing song list's box waits for an answer, and a signal
  // must end the program all the same.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  velko_test::TempDir home;
  const pid_t pid = velko_test::StartProgram(home.path());
  ASSERT_GT(pid, 0);

  // The program blocks the signals before anything else and reads them from
  // its message loop's side; once they are blocked a signal cannot kill it.
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!(Blocks(pid, SIGTERM) && Blocks(pid, SIGINT)) &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(Blocks(pid, signal_number)) << "the program never got ready";
  // Still running a moment later: it waits for messages.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the program ended by itself";

  ASSERT_EQ(kill(pid, signal_number), 0);
  if (!velko_test::WaitForProgramExit(pid, &status, 60)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    FAIL() << "the program did not end after the signal";
  }
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(StubProgram, EndsCleanlyOnSigterm) {
  ExpectCleanExitOn(SIGTERM);
}

TEST(StubProgram, EndsCleanlyOnSigint) {
  ExpectCleanExitOn(SIGINT);
}

}  // namespace

// The upgrader's scan for the running program, on process folders made by
// the test (whose files can fail to read, as those of a process that ends
// mid-scan do) and on a process that has just ended.
#include "outside/upgrader/process_scan.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

namespace fsys = std::filesystem;

const std::string kProgram = "/opt/velko/velko";

std::string Arguments(std::initializer_list<std::string> words) {
  std::string text;
  for (const std::string& word : words) text += word + '\0';
  return text;
}

class ProcessScanTest : public ::testing::Test {
 protected:
  // A process folder whose command line and state are `cmdline` and `stat`;
  // an empty optional makes the file one that fails to read.
  void MakeProcess(const std::string& pid, const std::optional<std::string>& cmdline,
                   const std::optional<std::string>& stat) {
    const fsys::path folder = dir_ / pid;
    fsys::create_directories(folder);
    MakeFile(folder / "cmdline", cmdline);
    MakeFile(folder / "stat", stat);
  }
  std::string Folder(const std::string& pid) const { return (dir_ / pid).string(); }

  velko_test::TempDir dir_;

 private:
  // A folder in a file's place: opening it for reading works, reading it
  // fails (EISDIR), as reading a vanished process's files fails (ESRCH).
  void MakeFile(const fsys::path& path, const std::optional<std::string>& contents) {
    if (contents) {
      dir_.WriteFile(fsys::relative(path, dir_.path()).string(), *contents);
    } else {
      fsys::create_directories(path);
    }
  }
};

TEST_F(ProcessScanTest, AFileThatFailsToReadGivesNothing) {
  MakeProcess("10", Arguments({"/bin/sh", kProgram}), std::nullopt);
  EXPECT_EQ(upgrader::ReadWholeFile(Folder("10") + "/cmdline"), Arguments({"/bin/sh", kProgram}));
  EXPECT_EQ(upgrader::ReadWholeFile(Folder("10") + "/stat"), std::nullopt);
  EXPECT_EQ(upgrader::ReadWholeFile(Folder("10") + "/missing"), std::nullopt);
}

TEST_F(ProcessScanTest, AProcessThatCannotBeReadIsNotTheProgram) {
  struct Case {
    const char* what;
    std::optional<std::string> cmdline, stat;
    bool runs;
  };
  const Case cases[] = {
      {"the script, running", Arguments({"/bin/sh", kProgram}), "12 (sh) S 1", true},
      {"the script's zombie", Arguments({"/bin/sh", kProgram}), "12 (sh) Z 1", false},
      {"another program", Arguments({"/bin/sh", "/opt/other"}), "12 (sh) S 1", false},
      {"command line unreadable", std::nullopt, "12 (sh) S 1", false},
      {"state unreadable", Arguments({"/bin/sh", kProgram}), std::nullopt, false},
  };
  int pid = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = std::to_string(pid++);
    MakeProcess(name, c.cmdline, c.stat);
    EXPECT_EQ(upgrader::ProcessRuns(Folder(name), kProgram), c.runs);
  }
}

TEST_F(ProcessScanTest, TheScanGoesPastProcessesThatCannotBeRead) {
  MakeProcess("20", std::nullopt, std::nullopt);
  MakeProcess("21", Arguments({"/bin/sh", kProgram}), std::nullopt);
  EXPECT_FALSE(upgrader::ProgramRunning(kProgram, dir_.path().string()));
  MakeProcess("22", Arguments({"/bin/sh", kProgram, "-x"}), "22 (sh) R 1");
  EXPECT_TRUE(upgrader::ProgramRunning(kProgram, dir_.path().string()));
}

TEST_F(ProcessScanTest, AProcessThatHasEndedIsNotTheProgram) {
  const std::string self = fsys::read_symlink("/proc/self/exe").string();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pause();
    _exit(0);
  }
  const std::string folder = "/proc/" + std::to_string(child);
  EXPECT_TRUE(upgrader::ProcessRuns(folder, self));
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_FALSE(upgrader::ProcessRuns(folder, self));
  EXPECT_EQ(upgrader::ReadWholeFile(folder + "/cmdline"), std::nullopt);
}

}  // namespace

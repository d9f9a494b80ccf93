// The upgrader in a temporary program folder, with a stand-in program (a
// script that notes each start in "started.txt").
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/core/handles.h"
#include "platform/core/waits.h"
#include "platform/fs/drives.h"
#include "platform/sys/process.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fsys = std::filesystem;
using velko_test::ReadFile;

std::string Program(const std::string& version, bool stay = false) {
  return "#!/bin/sh\necho " + version + " >> \"$(dirname \"$0\")/started.txt\"\n" +
         (stay ? "sleep 5\n" : "");
}

class UpgraderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProcessStarter(platform::MakeSpawnProcessStarter());
    platform::MapDrive('P', dir_.path().string());
    setenv("VELKO_UPGRADER_WAIT_MS", "400", 1);
    WriteProgram("velko", Program("old"));
  }
  void TearDown() override {
    for (HANDLE process : started_) {
      TerminateProcess(process, 1);
      CloseHandle(process);
    }
    platform::UnmapDrive('P');
    platform::SetProcessStarter(std::make_shared<platform::RecordingProcessStarter>());
  }
  void WriteProgram(const std::string& name, const std::string& text) {
    dir_.WriteFile(name, text);
    ::chmod((dir_.path() / name).c_str(), 0750);
  }
  // Runs a program of the folder (or the upgrader); its exit code.
  DWORD Run(const std::string& command_line, bool wait = true) {
    std::string line = command_line;
    PROCESS_INFORMATION info;
    EXPECT_TRUE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, "P:\\", nullptr,
                              &info));
    if (!wait) {
      started_.push_back(info.hProcess);
      return 0;
    }
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return code;
  }
  DWORD Upgrade() {
    return Run("\"" + (velko_test::ProgramFolder() / "Resources" / "Upgrader.exe").string() +
               "\" velko Upgrade.tmp new.bin");
  }
  // The starts the stand-in noted, once `count` of them are there.
  std::string Started(std::size_t lines) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
      text = ReadFile(dir_.path() / "started.txt");
      if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return text;
  }

  velko_test::TempDir dir_;
  std::vector<HANDLE> started_;
};

TEST_F(UpgraderTest, ReplacesTheProgramAndStartsIt) {
  WriteProgram("Upgrade.tmp", Program("new"));
  ::chmod((dir_.path() / "Upgrade.tmp").c_str(), 0600);  // the download's own mode does not matter
  EXPECT_EQ(Upgrade(), 0u);
  EXPECT_EQ(ReadFile(dir_.path() / "velko"), Program("new"));
  EXPECT_EQ(ReadFile(dir_.path() / "velko.bak"), Program("old"));
  EXPECT_FALSE(fsys::exists(dir_.path() / "Upgrade.tmp"));
  struct stat st{};
  ASSERT_EQ(::stat((dir_.path() / "velko").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0750u);
  EXPECT_EQ(Started(1), "new\n");
}

TEST_F(UpgraderTest, BadOrMissingDownloadKeepsAndStartsTheOldProgram) {
  for (const char* download : {"this is no program\n", ""}) {
    fsys::remove(dir_.path() / "started.txt");
    if (download[0] != '\0') dir_.WriteFile("Upgrade.tmp", download);
    else fsys::remove(dir_.path() / "Upgrade.tmp");
    EXPECT_EQ(Upgrade(), 1u) << download;
    EXPECT_EQ(ReadFile(dir_.path() / "velko"), Program("old"));
    EXPECT_EQ(Started(1), "old\n");
  }
}

TEST_F(UpgraderTest, NewProgramThatWillNotStartIsSwappedBack) {
  WriteProgram("Upgrade.tmp", "#!/no/such/interpreter\n");
  EXPECT_EQ(Upgrade(), 1u);
  EXPECT_EQ(ReadFile(dir_.path() / "velko"), Program("old"));
  EXPECT_EQ(Started(1), "old\n");
}

TEST_F(UpgraderTest, ProgramThatNeverEndsIsLeftInPlace) {
  WriteProgram("velko", Program("old", true));
  Run("P:\\velko", false);
  ASSERT_EQ(Started(1), "old\n");
  WriteProgram("Upgrade.tmp", Program("new"));
  EXPECT_EQ(Upgrade(), 1u);
  EXPECT_EQ(ReadFile(dir_.path() / "velko"), Program("old", true));
  EXPECT_TRUE(fsys::exists(dir_.path() / "Upgrade.tmp"));
  EXPECT_EQ(Started(2), "old\nold\n");
}

TEST_F(UpgraderTest, WaitsForTheProgramToEnd) {
  setenv("VELKO_UPGRADER_WAIT_MS", "10000", 1);
  WriteProgram("velko", "#!/bin/sh\necho old >> \"$(dirname \"$0\")/started.txt\"\nsleep 0.3\n");
  Run("P:\\velko", false);
  ASSERT_EQ(Started(1), "old\n");
  WriteProgram("Upgrade.tmp", Program("new"));
  EXPECT_EQ(Upgrade(), 0u);
  EXPECT_EQ(Started(2), "old\nnew\n");
}

TEST_F(UpgraderTest, ReadOnlyFolderKeepsTheOldProgram) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not hold for root";
  WriteProgram("Upgrade.tmp", Program("new"));
  ::chmod(dir_.path().c_str(), 0555);
  EXPECT_EQ(Upgrade(), 1u);
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(ReadFile(dir_.path() / "velko"), Program("old"));
}

}  // namespace

// Program starts: command-line splitting and quoting, real children
// through posix_spawn, and the recording starter behind ShellExecute.
#include <gtest/gtest.h>

#include <fstream>
#include <pwd.h>
#include <string>
#include <unistd.h>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/threads.h"
#include "platform/core/waits.h"
#include "platform/fs/drives.h"
#include "platform/shell/shell_execute.h"
#include "platform/sys/process.h"
#include "platform/sys/user_name.h"
#include "tests/platform/checks.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::SplitCommandLine;

TEST(CommandLineTest, SplitsAndQuotesBothWays) {
  struct Case {
    std::string line;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"a b  c", {"a", "b", "c"}},
      {"\"C:\\Program Files\\x.exe\" -v", {"C:\\Program Files\\x.exe", "-v"}},
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"\"\" x", {"", "x"}},
      {"C:\\dir\\ end", {"C:\\dir\\", "end"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
  for (const std::string& argument :
       {std::string("plain"), std::string("two words"), std::string("C:\\end\\"),
        std::string("q\"uote"), std::string(""), std::string("tail\\\\ \"x\\")}) {
    EXPECT_EQ(SplitCommandLine("prog " + platform::QuoteArgument(argument)),
              (std::vector<std::string>{"prog", argument}))
        << argument;
  }
}

class RealProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetProcessStarter(platform::MakeSpawnProcessStarter()); }
  void TearDown() override {
    platform::SetProcessStarter(std::make_shared<platform::RecordingProcessStarter>());
  }
};

TEST_F(RealProcessTest, StartsWithoutAShellAndReportsTheExit) {
  velko_test::TempDir dir;
  platform::MapDrive('T', dir.path().string());
  // The arguments reach the program as they were quoted; the folder is its
  // current folder.
  std::string line = "sh -c \"pwd > out.txt; echo $0 >> out.txt; exit 7\" \"a b\"";
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, "T:\\",
                            nullptr, &info));
  EXPECT_GT(info.dwProcessId, 0u);
  ASSERT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(info.hProcess);
  EXPECT_EQ(velko_test::ReadFile(dir.path() / "out.txt"), dir.path().string() + "\na b\n");

  std::string missing = "no-such-program-here x";
  EXPECT_FALSE(CreateProcess(nullptr, missing.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             nullptr, &info));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(WinExec("no-such-program-here", 1), ERROR_FILE_NOT_FOUND);
  EXPECT_GT(WinExec("true", 1), 31u);

  // A program given by its platform path.
  dir.WriteFile("run.sh", "#!/bin/sh\nexit 3\n");
  std::filesystem::permissions(dir.path() / "run.sh", std::filesystem::perms::owner_all);
  std::string by_path = "T:\\run.sh";
  ASSERT_TRUE(CreateProcess(nullptr, by_path.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            nullptr, &info));
  ASSERT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 3u);
  CloseHandle(info.hProcess);

  std::string sleeper = "sleep 30";
  ASSERT_TRUE(CreateProcess(nullptr, sleeper.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            nullptr, &info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(TerminateProcess(info.hProcess, 1));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  platform::UnmapDrive('T');
}

TEST(ShellExecuteTest, OpensAddressesDocumentsAndPrograms) {
  auto starter = std::make_shared<platform::RecordingProcessStarter>();
  platform::SetProcessStarter(starter);
  velko_test::TempDir dir;
  platform::MapDrive('T', dir.path().string());
  dir.WriteFile("doc.txt", "x");
  dir.WriteFile("prog", "#!/bin/sh\n");
  std::filesystem::permissions(dir.path() / "prog", std::filesystem::perms::owner_all);

  EXPECT_GT(reinterpret_cast<INT_PTR>(
                ShellExecute(nullptr, "open", "http://example.test/a b?x=1", nullptr, nullptr, 1)),
            32);
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecute(nullptr, "open", "T:\\doc.txt", nullptr, nullptr, 1)), 32);
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecute(nullptr, nullptr, "T:\\prog", "-x \"y z\"", nullptr, 1)), 32);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecute(nullptr, "open", "T:\\none.txt", nullptr, nullptr, 1)),
            SE_ERR_FNF);
  const auto launches = starter->Launches();
  ASSERT_EQ(launches.size(), 3u);
  EXPECT_EQ(launches[0].arguments,
            (std::vector<std::string>{"xdg-open", "http://example.test/a b?x=1"}));
  EXPECT_EQ(launches[1].arguments,
            (std::vector<std::string>{"xdg-open", (dir.path() / "doc.txt").string()}));
  EXPECT_EQ(launches[2].program, (dir.path() / "prog").string());
  EXPECT_EQ(launches[2].arguments, (std::vector<std::string>{"T:\\prog", "-x", "y z"}));
  platform::UnmapDrive('T');
}



TEST(UserName, EffectiveUsersNameAndBufferSizes) {
  const passwd* entry = getpwuid(geteuid());
  ASSERT_NE(entry, nullptr);
  const std::string expected = entry->pw_name;

  char name[64] = {};
  DWORD size = sizeof name;
  ASSERT_TRUE(GetUserNameA(name, &size));
  EXPECT_EQ(std::string(name), expected);
  EXPECT_EQ(size, expected.size() + 1);

  char small[64] = "untouched";
  size = static_cast<DWORD>(expected.size());  // one short: no room for the zero
  EXPECT_EQ(ERROR_OF(GetUserNameA(small, &size)), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, expected.size() + 1);
  EXPECT_STREQ(small, "untouched");

  EXPECT_EQ(ERROR_OF(GetUserNameA(name, nullptr)), ERROR_INVALID_PARAMETER);
}

}  // namespace

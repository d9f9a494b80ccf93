// The single-instance guard between real processes: each instance is the
// helper program, a small application whose main form carries the guard.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/helper_process.h"
#include "tests/support/temp_dir.h"

namespace {

using velko_test::HelperProcess;

class OneInstanceTest : public ::testing::Test {
 protected:
  std::unique_ptr<HelperProcess> Start(const std::string& title,
                                       std::vector<std::string> options = {}) {
    std::vector<std::string> arguments = {"one-instance", (dir_.path() / "windows").string(),
                                          (dir_.path() / "mutexes").string(), title};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return std::make_unique<HelperProcess>("desktop_helper", arguments);
  }
  // Reads lines until `wanted` comes; false when the process ends or stays
  // silent first.
  static bool WaitFor(HelperProcess& process, const std::string& wanted,
                      std::vector<std::string>* seen = nullptr) {
    while (std::optional<std::string> line = process.ReadLine()) {
      if (seen != nullptr) seen->push_back(*line);
      if (*line == wanted) return true;
    }
    return false;
  }

  velko_test::TempDir dir_;
};

TEST_F(OneInstanceTest, SecondInstanceTellsTheUserAndEndsUnseen) {
  auto first = Start("Velko Test", {"deactivate"});
  ASSERT_TRUE(WaitFor(*first, "running"));
  ASSERT_TRUE(WaitFor(*first, "foreground 0"));

  auto second = Start("Velko Test");
  std::vector<std::string> seen;
  EXPECT_TRUE(WaitFor(*second, "ended", &seen));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "box Application \"Velko Test\" is already running.|Velko Test", "ended"}));
  EXPECT_EQ(second->Wait(), 0);
  // The first one was brought to the front.
  EXPECT_TRUE(WaitFor(*first, "foreground 1"));
}

TEST_F(OneInstanceTest, MinimisedFirstInstanceIsRestored) {
  auto first = Start("Velko Test", {"minimize"});
  ASSERT_TRUE(WaitFor(*first, "iconic 1"));
  auto second = Start("Velko Test", {"silent"});
  std::vector<std::string> seen;
  EXPECT_TRUE(WaitFor(*second, "ended", &seen));
  EXPECT_EQ(seen, std::vector<std::string>{"ended"});
  EXPECT_TRUE(WaitFor(*first, "iconic 0"));
}

TEST_F(OneInstanceTest, DifferentTitlesDoNotMeet) {
  auto first = Start("Velko One");
  ASSERT_TRUE(WaitFor(*first, "running"));
  auto second = Start("Velko Two");
  std::vector<std::string> seen;
  EXPECT_TRUE(WaitFor(*second, "running", &seen));
  EXPECT_EQ(seen, std::vector<std::string>{"running"});
}

TEST_F(OneInstanceTest, KilledFirstInstanceLetsTheNextRun) {
  auto first = Start("Velko Test");
  ASSERT_TRUE(WaitFor(*first, "running"));
  first->Kill();
  first->Wait();
  auto second = Start("Velko Test");
  std::vector<std::string> seen;
  EXPECT_TRUE(WaitFor(*second, "running", &seen));
  EXPECT_EQ(seen, std::vector<std::string>{"running"});
}

TEST_F(OneInstanceTest, HandlerThatClearsTerminateLetsTheInstanceRun) {
  auto first = Start("Velko Test");
  ASSERT_TRUE(WaitFor(*first, "running"));
  auto second = Start("Velko Test", {"keep"});
  std::vector<std::string> seen;
  EXPECT_TRUE(WaitFor(*second, "running", &seen));
  EXPECT_EQ(seen, (std::vector<std::string>{"asked", "running"}));
}

}  // namespace

// The folder and registry monitors on real folders and the test registry:
// OnChange comes on the main thread, once per burst of changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Registry.h"
#include "classlib/Threads.h"
#include "desktop/zelMonitors.h"
#include "platform/core/threads.h"
#include "platform/core/errors.h"
#include "platform/fs/files.h"
#include "tests/desktop/desktop_fixture.h"
#include "tests/support/helper_process.h"
#include "tests/support/message_pump.h"

namespace {

namespace fsys = std::filesystem;

class FolderMonitorTest : public velko_test::DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    fsys::create_directories(dir_.path() / "sub");
    monitor_ = std::make_unique<TzelFolderMonitor>(nullptr);
    monitor_->SetFolder("T:\\");
  }
  void TearDown() override {
    monitor_.reset();
    DesktopTest::TearDown();
  }
  void Watch() {
    monitor_->SetOnChange([this] {
      on_main_ = on_main_ && GetCurrentThreadId() == MainThreadID;
      ++changes_;
    });
    monitor_->SetActive(true);
  }
  // Pumps until `count` changes came, then a little longer to see no more.
  bool Expect(int count) {
    const bool reached = velko_test::PumpMessagesUntil([&] { return changes_ >= count; }, 10);
    velko_test::PumpMessagesUntil([] { return false; }, 0.15);
    return reached && changes_ == count;
  }

  std::unique_ptr<TzelFolderMonitor> monitor_;
  int changes_ = 0;
  bool on_main_ = true;
};

TEST_F(FolderMonitorTest, CreateAndRenameAreOneChange) {
  Watch();
  dir_.WriteFile("a.txt", "x");
  fsys::rename(dir_.path() / "a.txt", dir_.path() / "b.txt");
  EXPECT_TRUE(Expect(1)) << changes_;
  EXPECT_TRUE(on_main_);
  dir_.WriteFile("c.txt", "x");
  EXPECT_TRUE(Expect(2)) << changes_;
}

TEST_F(FolderMonitorTest, SubtreeNewFolderAndParameterChange) {
  Watch();
  dir_.WriteFile("sub/a.txt", "x");
  EXPECT_TRUE(Expect(1)) << changes_;
  // A folder made after the start is watched too.
  fsys::create_directories(dir_.path() / "sub/new");
  EXPECT_TRUE(Expect(2)) << changes_;
  dir_.WriteFile("sub/new/b.txt", "x");
  EXPECT_TRUE(Expect(3)) << changes_;
  // Without the subtree, changes below go unseen; the folder's own count.
  monitor_->SetWatchSubTree(false);
  velko_test::PumpMessagesUntil([] { return false; }, 0.1);
  dir_.WriteFile("sub/c.txt", "x");
  EXPECT_TRUE(Expect(3)) << changes_;
  dir_.WriteFile("top.txt", "x");
  EXPECT_TRUE(Expect(4)) << changes_;
  // Another folder.
  monitor_->SetFolder("T:\\sub");
  velko_test::PumpMessagesUntil([] { return false; }, 0.1);
  dir_.WriteFile("top2.txt", "x");
  EXPECT_TRUE(Expect(4)) << changes_;
  dir_.WriteFile("sub/d.txt", "x");
  EXPECT_TRUE(Expect(5)) << changes_;
}

TEST_F(FolderMonitorTest, BlankFolderIsTheCurrentFolder) {
  const fsys::path previous = fsys::current_path();
  char previous_folder[MAX_PATH] = {};
  GetCurrentDirectory(MAX_PATH, previous_folder);
  fsys::current_path(dir_.path() / "sub");
  SetCurrentDirectory("T:\\sub");
  monitor_->SetFolder("  ");
  Watch();
  dir_.WriteFile("sub/x.txt", "x");
  EXPECT_TRUE(Expect(1)) << changes_;
  SetCurrentDirectory(previous_folder);
  fsys::current_path(previous);
}

TEST_F(FolderMonitorTest, StopAndDestroyWithChangesInFlight) {
  Watch();
  for (int i = 0; i < 20; ++i) dir_.WriteFile("f" + std::to_string(i), "x");
  monitor_->SetActive(false);
  const int seen = changes_;
  dir_.WriteFile("after.txt", "x");
  velko_test::PumpMessagesUntil([] { return false; }, 0.2);
  EXPECT_EQ(changes_, seen);
  monitor_->SetActive(true);
  for (int i = 0; i < 20; ++i) dir_.WriteFile("g" + std::to_string(i), "x");
  monitor_.reset();
  velko_test::PumpMessagesUntil([] { return false; }, 0.2);
  SUCCEED();
}

class RegistryMonitorTest : public velko_test::DesktopTest {
 protected:
  bool Expect(int count) {
    const bool reached = velko_test::PumpMessagesUntil([&] { return changes_ >= count; }, 10);
    velko_test::PumpMessagesUntil([] { return false; }, 0.15);
    return reached && changes_ == count;
  }
  void Write(const char* key, const char* value) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key, true));
    registry.WriteString("v", value);
  }
  std::unique_ptr<TzelRegistryMonitor> Monitor(const char* key) {
    auto monitor = std::make_unique<TzelRegistryMonitor>(nullptr);
    monitor->SetRegistryKey(key);
    monitor->SetOnChange([this] { ++changes_; });
    monitor->SetActive(true);
    return monitor;
  }
  int changes_ = 0;
};

TEST_F(RegistryMonitorTest, MissingKeyIsNotWatched) {
  auto monitor = Monitor("Software\\NotYet");
  velko_test::PumpMessagesUntil([] { return false; }, 0.1);
  Write("Software\\NotYet", "1");
  EXPECT_TRUE(Expect(0));
}

TEST_F(RegistryMonitorTest, ValueChangeDeleteAndRecreate) {
  Write("Software\\Watched", "0");
  auto monitor = Monitor("Software\\Watched");
  velko_test::PumpMessagesUntil([] { return false; }, 0.1);
  // A change made by another process.
  velko_test::HelperProcess other("platform_helper",
                                  {"reg-set", registry_.path().string(), "Software\\Watched", "v", "1"});
  EXPECT_EQ(other.ReadLine(), std::optional<std::string>("set 0"));
  EXPECT_TRUE(Expect(1)) << changes_;
  ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Watched"), ERROR_SUCCESS);
  EXPECT_TRUE(Expect(2)) << changes_;
  HKEY again = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Watched", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &again, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(again);
  EXPECT_TRUE(Expect(3)) << changes_;
  Write("Software\\Watched", "3");
  EXPECT_TRUE(Expect(4)) << changes_;
  monitor.reset();
  Write("Software\\Watched", "4");
  EXPECT_TRUE(Expect(4)) << changes_;
}

}  // namespace

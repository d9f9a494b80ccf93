// Named mutexes shared between processes: existence, ownership across
// processes and abandonment by a killed owner.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/core/clock.h"
#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/core/mutexes.h"
#include "platform/core/waits.h"
#include "tests/platform/checks.h"
#include "tests/platform/core/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using velko_test::ChildProcess;

class NamedMutexes : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetMutexFolder(folder_.path().string()); }
  void TearDown() override {
    platform::UseRealClock();
    platform::SetMutexFolder((velko_test::SandboxFolder() / "mutexes").string());
  }
  std::string folder() const { return folder_.path().string(); }

  // Starts a helper that creates `name` owned and keeps it.
  std::unique_ptr<ChildProcess> StartHolder(const std::string& name) {
    auto child =
        std::make_unique<ChildProcess>(std::vector<std::string>{"mutex-hold", folder(), name});
    EXPECT_TRUE(child->started());
    EXPECT_EQ(child->ReadLine(), "created 0");
    return child;
  }

  velko_test::TempDir folder_;
};

TEST_F(NamedMutexes, SecondProcessSeesItExistAndTimesOutUntilTheOwnerIsKilled) {
  auto holder = StartHolder("Velko.OneInstance.Default");

  HANDLE mutex = CreateMutex(nullptr, FALSE, "Velko.OneInstance.Default");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(mutex, 50), WAIT_TIMEOUT);

  holder->Kill();
  EXPECT_EQ(holder->Wait(), 128 + SIGKILL);
  EXPECT_EQ(WaitForSingleObject(mutex, 5000), WAIT_ABANDONED);
  // Now owned here; released properly, it is no longer abandoned for others.
  EXPECT_TRUE(ReleaseMutex(mutex));

  ChildProcess probe({"mutex-probe", folder(), "Velko.OneInstance.Default", "0"});
  EXPECT_EQ(probe.ReadLine(), "created 183");
  EXPECT_EQ(probe.ReadLine(), "wait 0");
  EXPECT_EQ(probe.Wait(), 0);
  CloseHandle(mutex);
}

TEST_F(NamedMutexes, WaiterInThisProcessWakesWhenTheOwnerDies) {
  auto holder = StartHolder("shared-wake");
  HANDLE mutex = CreateMutex(nullptr, TRUE, "shared-wake");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  std::atomic<DWORD> result{0xDEAD};
  std::thread waiter([&] { result = WaitForSingleObject(mutex, INFINITE); });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(result, 0xDEADu);
  holder->Kill();
  waiter.join();
  EXPECT_EQ(result, WAIT_ABANDONED);
  CloseHandle(mutex);  // the waiter thread ended owning it: abandoned again
}

TEST_F(NamedMutexes, OtherProcessCannotTakeWhatThisProcessOwns) {
  HANDLE mutex = CreateMutex(nullptr, TRUE, "held-here");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  {
    ChildProcess probe({"mutex-probe", folder(), "held-here", "30"});
    EXPECT_EQ(probe.ReadLine(), "created 183");
    EXPECT_EQ(probe.ReadLine(), "wait 258");
  }
  EXPECT_TRUE(ReleaseMutex(mutex));
  {
    ChildProcess probe({"mutex-probe", folder(), "held-here", "30"});
    EXPECT_EQ(probe.ReadLine(), "created 183");
    EXPECT_EQ(probe.ReadLine(), "wait 0");
  }
  CloseHandle(mutex);
}

TEST_F(NamedMutexes, ClosedOrKilledHoldersLeaveNoStaleName) {
  {
    auto holder = StartHolder("transient");
    holder->Kill();
    holder->Wait();
  }
  // Nobody has it open any more: a new mutex, not an abandoned one.
  HANDLE mutex = CreateMutex(nullptr, FALSE, "transient");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  ReleaseMutex(mutex);
  CloseHandle(mutex);

  EXPECT_EQ(ERROR_OF(OpenMutex(MUTEX_ALL_ACCESS, FALSE, "transient") != nullptr),
            ERROR_FILE_NOT_FOUND);
  ChildProcess probe({"mutex-probe", folder(), "transient", "0"});
  EXPECT_EQ(probe.ReadLine(), "created 0");
}

TEST_F(NamedMutexes, SameNameInOneProcessIsOneMutex) {
  HANDLE first = CreateMutex(nullptr, TRUE, "Velko.OneInstance.CriticalSection");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE second = CreateMutex(nullptr, TRUE, "Velko.OneInstance.CriticalSection");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HANDLE opened = OpenMutex(MUTEX_ALL_ACCESS, FALSE, "Velko.OneInstance.CriticalSection");
  ASSERT_NE(opened, nullptr);
  // Owned once (the second call's ownership request is ignored).
  EXPECT_TRUE(ReleaseMutex(opened));
  EXPECT_EQ(ERROR_OF(ReleaseMutex(second)), ERROR_NOT_OWNER);
  // Names are case-sensitive.
  HANDLE other = CreateMutex(nullptr, FALSE, "velko.oneinstance.criticalsection");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  for (HANDLE h : {first, second, opened, other}) CloseHandle(h);
}

TEST_F(NamedMutexes, UnusualNamesMakeSafeFileNames) {
  for (const char* name : {"a/b\\c d", "..", "%41"}) {
    HANDLE mutex = CreateMutex(nullptr, TRUE, name);
    ASSERT_NE(mutex, nullptr) << name;
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << name;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
  const std::string long_name(400, 'x');
  HANDLE a = CreateMutex(nullptr, FALSE, long_name.c_str());
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE b = CreateMutex(nullptr, FALSE, (long_name + "y").c_str());
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);  // shortened file names still differ
  CloseHandle(a);
  CloseHandle(b);
  // "%41" and "A" must not share a file.
  HANDLE c = CreateMutex(nullptr, FALSE, "A");
  HANDLE d = CreateMutex(nullptr, FALSE, "%41");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(c);
  CloseHandle(d);
  // Every file stays inside the mutex folder.
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    EXPECT_TRUE(entry.is_regular_file()) << entry.path();
  }
}

TEST_F(NamedMutexes, TimedWaitOnAnotherProcessFollowsTheManualClock) {
  auto holder = StartHolder("manual-clock");
  HANDLE mutex = CreateMutex(nullptr, FALSE, "manual-clock");
  platform::UseManualClock(0);
  std::atomic<bool> done{false};
  std::atomic<DWORD> result{0xDEAD};
  std::atomic<DWORD> elapsed{0};
  std::thread waiter([&] {
    const DWORD start = GetTickCount();
    result = WaitForSingleObject(mutex, 200);
    elapsed = GetTickCount() - start;
    done = true;
  });
  std::this_thread::sleep_for(60ms);
  EXPECT_FALSE(done);
  for (int i = 0; i < 20000 && !done; ++i) {
    platform::AdvanceClockMs(1);
    std::this_thread::sleep_for(100us);
  }
  waiter.join();
  EXPECT_EQ(result, WAIT_TIMEOUT);
  EXPECT_GE(elapsed, 200u);
  CloseHandle(mutex);
}

TEST_F(NamedMutexes, FolderThatCannotBeMadeFailsTheCall) {
  platform::SetMutexFolder("/proc/velko-cannot-exist/here");
  SetLastError(0);
  EXPECT_EQ(CreateMutex(nullptr, FALSE, "nowhere"), nullptr);
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  // Unnamed mutexes need no folder.
  HANDLE unnamed = CreateMutex(nullptr, FALSE, nullptr);
  EXPECT_NE(unnamed, nullptr);
  CloseHandle(unnamed);
}

}  // namespace

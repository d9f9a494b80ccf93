// RegNotifyChangeKeyValue: changes in this process and in another one, the
// filters, subtrees, deletion and closing, as the registry monitor uses them.
#include <atomic>
#include <thread>

#include "platform/core/events.h"
#include "platform/core/handles.h"
#include "platform/core/mutexes.h"
#include "platform/core/waits.h"
#include "tests/platform/core/child_process.h"
#include "tests/platform/reg/registry_fixture.h"

namespace {

using velko_test::ChildProcess;
using velko_test::RegistryTest;

class RegistryNotify : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    event_ = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override { CloseHandle(event_); }
  bool Signalled(DWORD ms = 0) { return WaitForSingleObject(event_, ms) == WAIT_OBJECT_0; }
  // Asks for the next change, as RegNotifyStart/RegNotifyRearm do.
  LONG Arm(HKEY key, BOOL subtree, DWORD filter) {
    ResetEvent(event_);
    return RegNotifyChangeKeyValue(key, subtree, filter, event_, TRUE);
  }
  HANDLE event_ = nullptr;
};

TEST_F(RegistryNotify, ValueChangeOfTheKeySignalsOnce) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Watched");
  HKEY other = Create(HKEY_CURRENT_USER, "Software\\Other");
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  SetString(other, "x", "1");
  EXPECT_FALSE(Signalled());
  SetString(key, "x", "1");
  EXPECT_TRUE(Signalled());
  // One change, one signal: the next change needs a new request.
  ResetEvent(event_);
  SetString(key, "x", "2");
  EXPECT_FALSE(Signalled());
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  RegDeleteValue(key, "x");
  EXPECT_TRUE(Signalled());
  RegCloseKey(other);
  // Deleting the key signals its watchers; it can be watched no more.
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Watched"), ERROR_SUCCESS);
  EXPECT_TRUE(Signalled());
  EXPECT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_KEY_DELETED);
  RegCloseKey(key);
}

TEST_F(RegistryNotify, FiltersAndSubtrees) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Tree");
  // Names only: a value change does not count.
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_NAME), ERROR_SUCCESS);
  SetString(key, "v", "1");
  EXPECT_FALSE(Signalled());
  RegCloseKey(Create(key, "Child"));
  EXPECT_TRUE(Signalled());

  // Without the subtree, a change in a child does not count; with it, it does.
  HKEY child = Create(key, "Child");
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  SetString(child, "v", "1");
  EXPECT_FALSE(Signalled());
  RegCloseKey(key);  // closing the handle ends (and signals) its request
  EXPECT_TRUE(Signalled());
  key = Create(HKEY_CURRENT_USER, "Software\\Tree");
  ASSERT_EQ(Arm(key, TRUE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  SetString(child, "v", "2");
  EXPECT_TRUE(Signalled());
  RegCloseKey(child);
  RegCloseKey(key);
}

TEST_F(RegistryNotify, RootWatchSeesAKeyAppearAndDisappear) {
  // The registry monitor watches its root for name changes to learn when
  // the key it wants comes and goes.
  ASSERT_EQ(Arm(HKEY_CURRENT_USER, TRUE, REG_NOTIFY_CHANGE_NAME), ERROR_SUCCESS);
  EXPECT_EQ(OpenResult(HKEY_CURRENT_USER, "Software\\Later"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Later"));
  EXPECT_TRUE(Signalled());
  ASSERT_EQ(Arm(HKEY_CURRENT_USER, TRUE, REG_NOTIFY_CHANGE_NAME), ERROR_SUCCESS);
  RegDeleteKey(HKEY_CURRENT_USER, "Software\\Later");
  EXPECT_TRUE(Signalled());
}

TEST_F(RegistryNotify, ChangeByAnotherProcessSignals) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Shared");
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ChildProcess writer({"reg-set", folder(), "Software\\Shared", "v", "from child"});
  EXPECT_EQ(writer.ReadLine(), "set 0");
  EXPECT_TRUE(Signalled(5000));
  EXPECT_EQ(QueryString(key, "v"), "from child");

  // A change elsewhere in the file does not concern this key.
  ASSERT_EQ(Arm(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET), ERROR_SUCCESS);
  ChildProcess elsewhere({"reg-set", folder(), "Software\\Elsewhere", "v", "x"});
  EXPECT_EQ(elsewhere.ReadLine(), "set 0");
  elsewhere.Wait();
  EXPECT_FALSE(Signalled(300));
  RegCloseKey(key);
}

TEST_F(RegistryNotify, SynchronousRequestWaitsForTheChange) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Sync");
  std::atomic<bool> returned{false};
  std::atomic<LONG> result{-1};
  std::thread waiter([&] {
    result = RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, nullptr, FALSE);
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned);
  SetString(key, "v", "1");
  waiter.join();
  EXPECT_EQ(result, ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryNotify, BadArgumentsAreRefused) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Args");
  EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, 0, event_, TRUE), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, 0x100, event_, TRUE), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_NAME, nullptr, TRUE),
            ERROR_INVALID_HANDLE);
  HANDLE mutex = CreateMutex(nullptr, FALSE, nullptr);
  EXPECT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_NAME, mutex, TRUE),
            ERROR_INVALID_HANDLE);
  CloseHandle(mutex);
  EXPECT_EQ(RegNotifyChangeKeyValue(reinterpret_cast<HKEY>(0x77), FALSE, REG_NOTIFY_CHANGE_NAME,
                                    event_, TRUE),
            ERROR_INVALID_HANDLE);
  RegCloseKey(key);
  // An event closed after the request was made does no harm.
  key = Create(HKEY_CURRENT_USER, "Software\\Args");
  HANDLE transient = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, transient, TRUE),
            ERROR_SUCCESS);
  CloseHandle(transient);
  EXPECT_EQ(SetString(key, "v", "1"), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

// The pack's routines.
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Registry.h"
#include "desktop/zelRoutines.h"
#include "platform/core/handles.h"
#include "platform/core/waits.h"
#include "tests/desktop/desktop_fixture.h"

namespace {

TEST(ZelRoutines, TextAndPathTable) {
  struct PosCase {
    const char* sub;
    const char* text;
    int start;
    int expected;
  };
  const PosCase positions[] = {
      {"b", "abcb", 1, 2}, {"b", "abcb", 3, 4}, {"b", "abcb", 5, 0}, {"cb", "abcb", 4, 0},
      {"", "abc", 1, 0},   {"x", "", 1, 0},     {"abcd", "abc", 1, 0}, {"B", "abcb", 1, 0},
  };
  for (const PosCase& c : positions) {
    EXPECT_EQ(PosFrom(c.sub, c.text, c.start), c.expected) << c.sub << " in " << c.text << " from " << c.start;
  }
  String text = "a\\\\\\b";
  ReplaceAll(text, "\\\\", "\\");
  EXPECT_EQ(text, "a\\\\b");
  text = "aa";
  ReplaceAll(text, "a", "aa");
  EXPECT_EQ(text, "aaaa");
  ReplaceChar(text, 'a', 'b');
  EXPECT_EQ(text, "bbbb");
  TStringList list;
  SplitToList("one;two;;three", ';', &list);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Strings(3), "three");

  struct PathCase {
    const char* path;
    const char* name;
    const char* folder;
    const char* name_only;
  };
  const PathCase paths[] = {
      {"C:\\a\\b.txt", "b.txt", "C:\\a\\", "b"},
      {"C:b.tar.gz", "b.tar.gz", "C:", "b.tar"},
      {"x/y", "y", "x/", "y"},
      {"plain", "plain", "", "plain"},
  };
  for (const PathCase& c : paths) {
    EXPECT_EQ(ExtractName(c.path), c.name);
    EXPECT_EQ(ExtractFolder(c.path), c.folder);
    EXPECT_EQ(ExtractNameOnly(c.path), c.name_only);
  }
  EXPECT_EQ(Zel::AddBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(Zel::AddBackslash("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(ExpandRelativePath("C:\\base\\", "\\sub\\f.txt"), "C:\\base\\sub\\f.txt");
  EXPECT_EQ(ExpandRelativePath("C:\\base", "D:\\f.txt"), "D:\\f.txt");
}

TEST(ZelRoutines, ResolveDestinationTable) {
  const struct {
    const char* source;
    const char* dest;
    const char* expected;
  } cases[] = {
      {"C:\\in\\a.txt", "", "C:\\in\\a.txt"},
      {"C:\\in\\a.txt", "   ", "C:\\in\\a.txt"},
      {"C:\\in\\a.txt", " \t ", "C:\\in\\a.txt"},
      {"C:\\in\\a.txt", "b", "C:\\in\\b.txt"},
      {"C:\\in\\a.txt", "D:\\out\\", "D:\\out\\a.txt"},
      {"C:\\in\\a.txt", "D:\\out\\*.bak", "D:\\out\\a.bak"},
      {"C:\\in\\a.txt", "D:\\out\\b.*", "D:\\out\\a.txt"},
      {"C:\\in\\a.txt", "D:\\out\\b?.doc", "D:\\out\\a.doc"},
      {"C:\\in\\a.tar.gz", "D:\\o\\?.zip", "D:\\o\\a.tar.zip"},
      {"C:\\in\\a", "D:\\o\\b", "D:\\o\\b"},
      {"C:\\in\\a.txt", "D:b", "D:b.txt"},
      {"C:\\in\\a.txt", "x/y.doc", "x/y.doc"},
      {"a.txt", "b", "b.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveDestination(c.source, c.dest), c.expected) << c.source << " = [" << c.dest << "]";
  }
}

class ZelRoutineFiles : public velko_test::DesktopTest {};

TEST_F(ZelRoutineFiles, CanCreateFileLeavesNothingBehind) {
  EXPECT_FALSE(CanCreateFile(""));
  EXPECT_FALSE(CanCreateFile("T:\\missing\\f.txt"));
  EXPECT_TRUE(CanCreateFile("T:\\new.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
  dir_.WriteFile("old.txt", "x");
  EXPECT_TRUE(CanCreateFile("T:\\old.txt"));
  EXPECT_EQ(velko_test::ReadFile(dir_.path() / "old.txt"), "x");
}

TEST_F(ZelRoutineFiles, AutoExecKinds) {
  EXPECT_FALSE(AutoExecRegister(aekServiceRun, "C:\\p\\velko"));
  EXPECT_FALSE(AutoExecUnregister(aekServiceRunOnce, "C:\\p\\velko"));
  EXPECT_TRUE(AutoExecRegister(aekUserRun, "C:\\p\\velko"));
  EXPECT_TRUE(std::filesystem::exists(autostart_.path() / "velko-user-velko.desktop"));
  EXPECT_TRUE(AutoExecUnregister(aekUserRun, "C:\\p\\velko"));
  EXPECT_FALSE(std::filesystem::exists(autostart_.path() / "velko-user-velko.desktop"));
  EXPECT_TRUE(AutoExecUnregister(aekUserRun, "C:\\p\\velko"));
  EXPECT_FALSE(AutoExecUnregister(aekUserRunOnce, "C:\\p\\velko"));  // no such key yet

  // A change notification that fires and is armed again.
  HKEY watched = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Watched", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &watched, nullptr),
            ERROR_SUCCESS);
  TzelRegNotifyRecord notify;
  HANDLE event = RegNotifyStart(watched, true, REG_NOTIFY_CHANGE_LAST_SET, notify);
  ASSERT_NE(event, INVALID_HANDLE_VALUE);
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  RegWriteStringValue(HKEY_CURRENT_USER, "Software\\Watched", "v", "1");
  EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(RegNotifyRearm(event, notify));
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandleIfValid(event);
  CloseHandleIfValid(INVALID_HANDLE_VALUE);
  RegCloseKey(watched);
}

}  // namespace

// The Run keys of both roots are served from the autostart folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs/drives.h"
#include "platform/reg/autostart.h"
#include "tests/platform/reg/registry_fixture.h"

namespace {

namespace fsys = std::filesystem;
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class AutostartTest : public velko_test::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    platform::SetAutostartFolder(autostart_.path().string());
    platform::MapDrive('T', autostart_.path().string());
  }
  void TearDown() override {
    platform::UnmapDrive('T');
    velko_test::RestoreSandboxFolders();
  }
  std::string Entry(const std::string& file) const {
    return velko_test::ReadFile(autostart_.path() / file);
  }
  velko_test::TempDir autostart_;
};

TEST_F(AutostartTest, RunValuesAreDesktopEntries) {
  autostart_.WriteFile("my prog/velko", "#!/bin/sh\n");
  HKEY machine = Create(HKEY_LOCAL_MACHINE, kRun);
  ASSERT_EQ(SetString(machine, "velko", "T:\\my prog\\velko"), ERROR_SUCCESS);
  const std::string entry = Entry("velko-machine-velko.desktop");
  EXPECT_NE(entry.find("[Desktop Entry]\nType=Application\nName=velko\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nExec=\"" + (autostart_.path() / "my prog" / "velko").string() + "\"\n"),
            std::string::npos)
      << entry;
  // The value reads back as written; the hive itself holds nothing.
  EXPECT_EQ(QueryString(machine, "VELKO"), "T:\\my prog\\velko");
  EXPECT_EQ(HiveText("HKEY_LOCAL_MACHINE").find("my prog"), std::string::npos);

  // The user's key has entries of its own; names with odd characters work.
  HKEY user = Create(HKEY_CURRENT_USER, kRun);
  ASSERT_EQ(SetString(user, "a b/c", "prog -x \"y z\""), ERROR_SUCCESS);
  EXPECT_TRUE(fsys::exists(autostart_.path() / "velko-user-a%20b%2Fc.desktop"));
  EXPECT_NE(Entry("velko-user-a%20b%2Fc.desktop").find("\nExec=\"prog\" \"-x\" \"y z\"\n"),
            std::string::npos);
  EXPECT_EQ(Counts(user).second, 1u);
  char name[64];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumValue(user, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "a b/c");

  // Deleting removes the entry; a second delete finds nothing.
  EXPECT_EQ(RegDeleteValue(machine, "Velko"), ERROR_SUCCESS);
  EXPECT_FALSE(fsys::exists(autostart_.path() / "velko-machine-velko.desktop"));
  EXPECT_EQ(RegDeleteValue(machine, "velko"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(machine);
  RegCloseKey(user);

  // The key opens without being made first while the folder holds entries
  // for it; the other run keys stay keys.
  ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, kRun), ERROR_SUCCESS);
  EXPECT_EQ(OpenResult(HKEY_CURRENT_USER, kRun), ERROR_SUCCESS);
  EXPECT_EQ(OpenResult(HKEY_LOCAL_MACHINE, kRun), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kRun), ERROR_SUCCESS);
  EXPECT_EQ(OpenResult(HKEY_LOCAL_MACHINE, kRun), ERROR_FILE_NOT_FOUND);
  HKEY once = Create(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
  ASSERT_EQ(SetString(once, "x", "y"), ERROR_SUCCESS);
  RegCloseKey(once);
  int entries = 0;
  for (const auto& file : fsys::directory_iterator(autostart_.path())) {
    entries += file.path().extension() == ".desktop";
  }
  EXPECT_EQ(entries, 1);
}

}  // namespace

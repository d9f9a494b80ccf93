// The hive files: values survive the process, other processes see changes,
// a crash while saving keeps the old file, and the text form reads back.
#include <filesystem>

#include "tests/platform/core/child_process.h"
#include "tests/platform/reg/registry_fixture.h"

namespace {

using velko_test::ChildProcess;
using velko_test::RegistryTest;

TEST_F(RegistryTest, AnotherProcessSeesChangesOnItsNextCall) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Calvane Technology\\Velko");
  EXPECT_EQ(QueryString(key, "Startup"), "");

  ChildProcess writer({"reg-set", folder(), "Software\\Calvane Technology\\Velko", "Startup", "1"});
  EXPECT_EQ(writer.ReadLine(), "set 0");
  EXPECT_EQ(writer.Wait(), 0);
  // The same open handle reads the other process's value.
  EXPECT_EQ(QueryString(key, "Startup"), "1");

  ASSERT_EQ(SetString(key, "SwapSkin", "fire.jpg"), ERROR_SUCCESS);
  RegCloseKey(key);
  ChildProcess reader({"reg-get", folder(), "SOFTWARE\\CALVANE TECHNOLOGY\\VELKO", "swapskin"});
  EXPECT_EQ(reader.ReadLine(), "get 0 fire.jpg");
  // Both values are in the one file: neither write lost the other.
  EXPECT_NE(HiveText().find("\"Startup\"=sz:\"1\""), std::string::npos);
  EXPECT_NE(HiveText().find("\"SwapSkin\"=sz:\"fire.jpg\""), std::string::npos);
}

TEST_F(RegistryTest, CrashBeforeTheRenameKeepsTheOldFile) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Crash");
  ASSERT_EQ(SetString(key, "Value", "old"), ERROR_SUCCESS);
  const std::string before = HiveText();

  ChildProcess crasher({"reg-crash", folder(), "Software\\Crash", "Value", "new"});
  EXPECT_EQ(crasher.ReadLine(), "crashing");
  EXPECT_EQ(crasher.Wait(), 3);

  EXPECT_EQ(HiveText(), before);
  EXPECT_EQ(QueryString(key, "Value"), "old");
  // The half-done save left its temporary file, which must not get in the way.
  EXPECT_TRUE(std::filesystem::exists(folder_.path() / "HKEY_CURRENT_USER.reg.tmp"));
  ASSERT_EQ(SetString(key, "Value", "newer"), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, "Value"), "newer");
  ChildProcess reader({"reg-get", folder(), "Software\\Crash", "Value"});
  EXPECT_EQ(reader.ReadLine(), "get 0 newer");
  RegCloseKey(key);
}

TEST_F(RegistryTest, TheTextFormIsReadableAndRoundTripsOddNames) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Odd]Key%20\\Sub key");
  SetString(key, "quote\"back\\slash", "line1\nline2\ttab \x01 ünïcode");
  const BYTE bytes[] = {0xde, 0xad, 0, 0xef};
  RegSetValueEx(key, "bin", 0, REG_BINARY, bytes, sizeof bytes);
  const BYTE unterminated[] = {'a', 'b'};
  RegSetValueEx(key, "raw", 0, REG_SZ, unterminated, sizeof unterminated);
  RegSetValueEx(key, "kind9", 0, 9, bytes, 2);
  SetDword(key, "num", 42);
  RegCloseKey(key);
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\EmptyKey"));

  const std::string text = HiveText();
  EXPECT_NE(text.find("[Software\\Odd%5DKey%2520\\Sub key]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"quote\\\"back\\\\slash\"=sz:\"line1\\nline2\\ttab \\x01 ünïcode\""),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"bin\"=hex:de,ad,00,ef"), std::string::npos);
  EXPECT_NE(text.find("\"raw\"=hex(1):61,62"), std::string::npos);
  EXPECT_NE(text.find("\"kind9\"=hex(9):de,ad"), std::string::npos);
  EXPECT_NE(text.find("\"num\"=dword:0000002a"), std::string::npos);
  EXPECT_NE(text.find("[Software\\EmptyKey]"), std::string::npos);

  // Read back from the file alone, in a fresh state.
  velko_test::TempDir other;
  std::filesystem::copy_file(folder_.path() / "HKEY_CURRENT_USER.reg",
                             other.path() / "HKEY_CURRENT_USER.reg");
  platform::SetRegistryFolder(other.path().string());
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software\\odd]key%20\\SUB KEY", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, "QUOTE\"BACK\\SLASH"), "line1\nline2\ttab \x01 ünïcode");
  DWORD type = 0;
  EXPECT_EQ(Query(key, "raw", &type), std::vector<BYTE>({'a', 'b'}));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Query(key, "kind9", &type), std::vector<BYTE>({0xde, 0xad}));
  EXPECT_EQ(type, 9u);
  EXPECT_EQ(Query(key, "bin"), std::vector<BYTE>(bytes, bytes + sizeof bytes));
  RegCloseKey(key);
  EXPECT_EQ(OpenResult(HKEY_CURRENT_USER, "Software\\EmptyKey"), ERROR_SUCCESS);
  platform::SetRegistryFolder(folder());
}

TEST_F(RegistryTest, HandWrittenFileIsReadAndBadLinesAreKeptAside) {
  folder_.WriteFile("HKEY_CURRENT_USER.reg",
                    "; written by hand\r\n"
                    "[Software\\Hand]\r\n"
                    "\"Names\"=multi:\"a\",\"b c\"\r\n"
                    "@=expand:\"%PATH%\"\r\n"
                    "this line makes no sense\r\n"
                    "\"Count\"=dword:ffffffff\r\n"
                    "\"Broken\"=dword:zz\r\n"
                    "[Software\\Hand\\Child]\r\n");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Hand", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  DWORD type = 0;
  auto names = Query(key, "Names", &type);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(std::string(names.begin(), names.end()), std::string("a\0b c\0\0", 7));
  Query(key, "", &type);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(Query(key, "Count"), std::vector<BYTE>({0xff, 0xff, 0xff, 0xff}));
  LONG error = 0;
  Query(key, "Broken", nullptr, &error);
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Counts(key).first, 1u);

  ASSERT_EQ(SetString(key, "New", "x"), ERROR_SUCCESS);
  // The lines that could not be read are still to be found.
  const std::string kept = velko_test::ReadFile(folder_.path() / "HKEY_CURRENT_USER.reg.bad");
  EXPECT_NE(kept.find("this line makes no sense"), std::string::npos);
  EXPECT_EQ(HiveText().find("this line makes no sense"), std::string::npos);
  RegCloseKey(key);
}

TEST_F(RegistryTest, FolderThatCannotBeWrittenFailsWithoutHarm) {
  const auto blocker = folder_.WriteFile("plain-file", "x");
  platform::SetRegistryFolder((blocker / "registry").string());
  HKEY key = nullptr;
  EXPECT_NE(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Never", 0, nullptr, 0, KEY_ALL_ACCESS,
                           nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(OpenResult(HKEY_CURRENT_USER, "Software\\Never"), ERROR_FILE_NOT_FOUND);
  EXPECT_NE(SetString(HKEY_CURRENT_USER, "v", "x"), ERROR_SUCCESS);
  EXPECT_EQ(QueryResult(HKEY_CURRENT_USER, "v"), ERROR_FILE_NOT_FOUND);
}

}  // namespace

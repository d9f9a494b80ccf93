// The Reg* calls: values of every type, names that ignore case, buffer
// rules, errors, deletion, enumeration and access rights.
#include <thread>

#include "tests/platform/reg/registry_fixture.h"

namespace {

using velko_test::RegistryTest;

TEST_F(RegistryTest, ValuesOfEveryTypeReadBackAsWritten) {
  HKEY key = Create(HKEY_CURRENT_USER, "SOFTWARE\\Calvane Technology\\Velko");
  ASSERT_EQ(SetString(key, "SwapSkin", "zig.jpg"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "Path", "%HOME%\\x", REG_EXPAND_SZ), ERROR_SUCCESS);
  const char multi[] = "one\0two\0";
  ASSERT_EQ(RegSetValueEx(key, "Names", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi),
                          sizeof multi),
            ERROR_SUCCESS);
  const BYTE blob[] = {0, 1, 0xff, 0x7f};
  ASSERT_EQ(RegSetValueEx(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, "Count", 0x12345678), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, nullptr, "default"), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

  DWORD type = 0;
  EXPECT_EQ(QueryString(key, "SwapSkin"), "zig.jpg");
  Query(key, "Path", &type);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(QueryString(key, "Path"), "%HOME%\\x");
  auto names = Query(key, "Names", &type);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(std::string(names.begin(), names.end()), std::string(multi, sizeof multi));
  EXPECT_EQ(Query(key, "Blob", &type), std::vector<BYTE>(blob, blob + sizeof blob));
  EXPECT_EQ(type, REG_BINARY);
  DWORD count = 0, size = sizeof count;
  ASSERT_EQ(RegQueryValueEx(key, "Count", nullptr, &type, reinterpret_cast<BYTE*>(&count), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(count, 0x12345678u);
  EXPECT_EQ(QueryString(key, ""), "default");
  EXPECT_EQ(QueryString(key, nullptr), "default");
  LONG error = -1;
  EXPECT_TRUE(Query(key, "Empty", &type, &error).empty());
  EXPECT_EQ(error, ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheCaseFirstWritten) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Calvane Technology\\Velko");
  SetString(key, "Shuffle", "1");
  RegCloseKey(key);
  DWORD disposition = 0;
  key = Create(HKEY_CURRENT_USER, "SOFTWARE\\calvane technology\\VELKO", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  EXPECT_EQ(QueryString(key, "SHUFFLE"), "1");
  SetString(key, "shuffle", "0");  // replaces, keeps the first spelling
  char name[64];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumValue(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Shuffle");
  EXPECT_EQ(QueryString(key, "Shuffle"), "0");
  RegCloseKey(key);

  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
  length = sizeof name;
  ASSERT_EQ(RegEnumKeyEx(software, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "Calvane Technology");
  EXPECT_EQ(length, 18u);
  RegCloseKey(software);
}

TEST_F(RegistryTest, BufferTooSmallGivesMoreDataAndTheSizeNeeded) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\RemoteAccess");
  SetString(key, "Remote Connection", "long text");
  BYTE data[4] = {9, 9, 9, 9};
  DWORD size = sizeof data;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Remote Connection", nullptr, &type, data, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(type, REG_SZ);
  size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Remote Connection", nullptr, nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(RegQueryValueEx(key, "Remote Connection", nullptr, nullptr, data, nullptr),
            ERROR_INVALID_PARAMETER);
  // Exactly big enough.
  const BYTE one[] = {1, 0, 0, 0};
  RegSetValueEx(key, "Remote Connection", 0, REG_BINARY, one, 4);
  size = sizeof data;
  EXPECT_EQ(RegQueryValueEx(key, "Remote Connection", nullptr, nullptr, data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(data[0], 1);

  char name[4];
  DWORD length = sizeof name;  // "Remote Connection" does not fit
  EXPECT_EQ(RegEnumValue(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  RegCloseKey(key);
}

TEST_F(RegistryTest, MissingKeysAndValuesGiveFileNotFound) {
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobody", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  key = Create(HKEY_CURRENT_USER, "Software\\Somebody");
  EXPECT_EQ(QueryResult(key, "Nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValue(key, "Nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(key, "Nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Nobody\\Deeper"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, BadHandlesAndArgumentsAreRefused) {
  HKEY bogus = reinterpret_cast<HKEY>(0x1234);
  HKEY out = nullptr;
  EXPECT_EQ(RegOpenKeyEx(bogus, "x", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetString(bogus, "a", "b"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyEx(HKEY_DYN_DATA, nullptr, 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegFlushKey(bogus), ERROR_INVALID_HANDLE);

  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Closed");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetString(key, "a", "b"), ERROR_INVALID_HANDLE);
  DWORD count = 0;
  EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);
  // The predefined keys need no closing and survive it.
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(OpenResult(HKEY_CURRENT_USER, "Software"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr),
            ERROR_INVALID_PARAMETER);
  // Bad arguments.
  key = Create(HKEY_CURRENT_USER, "Software\\Args");
  EXPECT_EQ(RegSetValueEx(key, "x", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  const std::string long_name(16384, 'v');
  EXPECT_EQ(SetString(key, long_name.c_str(), "x"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegEnumKeyEx(key, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(RegistryTest, CreatesWholePathsAndAcceptsATrailingBackslash) {
  DWORD disposition = 0;
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Classes\\AudioCD\\Shell", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  HKEY shell = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\AudioCD\\Shell\\", 0,
                         KEY_ALL_ACCESS, &shell),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(shell, "", "play"), ERROR_SUCCESS);
  RegCloseKey(shell);
  // HKEY_CLASSES_ROOT is the machine's Software\Classes.
  ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "audiocd\\shell", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, nullptr), "play");
  RegCloseKey(key);
  EXPECT_NE(HiveText("HKEY_LOCAL_MACHINE").find("[Software\\Classes\\AudioCD\\Shell]"),
            std::string::npos);
  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &shell),
            ERROR_BAD_PATHNAME);
  const std::string too_long(256, 'k');
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, too_long.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                           nullptr, &shell, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, DeleteKeyRefusesKeysWithSubKeys) {
  HKEY run = Create(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
  SetString(run, "velko", "C:\\Velko\\velko");
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RUN"),
            ERROR_SUCCESS);
  // The handle outlives its key.
  EXPECT_EQ(SetString(run, "velko", "again"), ERROR_KEY_DELETED);
  EXPECT_EQ(QueryResult(run, "velko"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(run), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);
  // A key can delete itself through its own handle.
  HKEY self = Create(HKEY_CURRENT_USER, "Software\\Self");
  EXPECT_EQ(RegDeleteKey(self, ""), ERROR_SUCCESS);
  EXPECT_EQ(OpenResult(HKEY_CURRENT_USER, "Software\\Self"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, EnumerationAndKeyInformation) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\List");
  for (const char* name : {"beta", "Alpha", "gamma"}) RegCloseKey(Create(key, name));
  SetString(key, "Zed", "1");
  SetString(key, "Apple", "12345");
  SetDword(key, "LongerValueName", 3);

  std::vector<std::string> keys;
  char name[32];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    FILETIME written{};
    LONG result = RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr, &written);
    if (result == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(result, ERROR_SUCCESS);
    EXPECT_NE(written.dwHighDateTime, 0u);
    keys.push_back(name);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "gamma"}));

  std::vector<std::string> values;
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    DWORD type = 0;
    BYTE data[16];
    DWORD size = sizeof data;
    LONG result = RegEnumValue(key, i, name, &length, nullptr, &type, data, &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(result, ERROR_SUCCESS);
    values.push_back(name);
  }
  EXPECT_EQ(values, (std::vector<std::string>{"Zed", "Apple", "LongerValueName"}));

  DWORD sub_keys = 0, max_sub_key = 0, count = 0, max_name = 0, max_data = 0;
  ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &sub_keys, &max_sub_key, nullptr,
                            &count, &max_name, &max_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 3u);
  EXPECT_EQ(max_sub_key, 5u);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(max_name, 15u);
  EXPECT_EQ(max_data, 6u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AccessRightsOfTheHandleAreChecked) {
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\ReadOnly"));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\ReadOnly", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "x", "y"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValue(key, "x"), ERROR_ACCESS_DENIED);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyEx(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\ReadOnly", 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "x", "y"), ERROR_SUCCESS);
  EXPECT_EQ(QueryResult(key, "x"), ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  // MAXIMUM_ALLOWED and the generic rights stand for the key rights.
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\ReadOnly", 0, 0x02000000, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "x", "z"), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\ReadOnly", 0, 0x80000000, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(QueryString(key, "x"), "z");
  EXPECT_EQ(SetString(key, "x", "w"), ERROR_ACCESS_DENIED);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ManyThreadsWriteAtOnceWithoutLosingAValue) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      HKEY key = nullptr;
      RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Threads", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                     &key, nullptr);
      for (int i = 0; i < 20; ++i) {
        const std::string name = "t" + std::to_string(t) + "v" + std::to_string(i);
        DWORD value = static_cast<DWORD>(t * 100 + i);
        RegSetValueEx(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
      }
      RegCloseKey(key);
    });
  }
  for (auto& t : threads) t.join();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Threads", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(Counts(key).second, 80u);
  DWORD value = 0, size = 4;
  RegQueryValueEx(key, "t3v19", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  EXPECT_EQ(value, 319u);
  RegCloseKey(key);
}

}  // namespace

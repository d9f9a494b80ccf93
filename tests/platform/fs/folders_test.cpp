#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "platform/fs/files.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::DriveTest;
using velko_test::ErrorOf;

TEST_F(DriveTest, CurrentDirectoryBufferRule) {
  MakeFolder("Music/Rock");
  ASSERT_TRUE(SetCurrentDirectory("T:\\Music\\Rock\\"));
  const std::string expected = "T:\\Music\\Rock";
  EXPECT_EQ(GetCurrentDirectory(0, nullptr), expected.size() + 1);
  char small[5] = "xxxx";
  EXPECT_EQ(GetCurrentDirectory(sizeof small, small), expected.size() + 1);
  EXPECT_STREQ(small, "xxxx");
  char exact[14];
  EXPECT_EQ(GetCurrentDirectory(sizeof exact, exact), expected.size());
  EXPECT_EQ(std::string(exact), expected);

  Write("file.txt", "x");
  EXPECT_EQ(ErrorOf(SetCurrentDirectory("T:\\file.txt")), ERROR_DIRECTORY);
  EXPECT_EQ(ErrorOf(SetCurrentDirectory("T:\\Nope")), ERROR_FILE_NOT_FOUND);
  char buffer[MAX_PATH];
  GetCurrentDirectory(MAX_PATH, buffer);
  EXPECT_EQ(std::string(buffer), expected);  // unchanged by the failures
}

TEST_F(DriveTest, FullPathNamesAndTheirFilePart) {
  MakeFolder("Music");
  ASSERT_TRUE(SetCurrentDirectory("T:\\Music"));
  char buffer[MAX_PATH];
  char* file_part = nullptr;
  DWORD length = GetFullPathName("..\\Video\\.\\film.avi", MAX_PATH, buffer, &file_part);
  EXPECT_EQ(std::string(buffer), "T:\\Video\\film.avi");
  EXPECT_EQ(length, std::strlen(buffer));
  ASSERT_NE(file_part, nullptr);
  EXPECT_STREQ(file_part, "film.avi");

  length = GetFullPathName("C:\\Some\\Folder\\", MAX_PATH, buffer, &file_part);
  EXPECT_STREQ(buffer, "C:\\Some\\Folder\\");
  EXPECT_EQ(file_part, nullptr);
  EXPECT_EQ(length, 15u);

  GetFullPathName("q:/x/y", MAX_PATH, buffer, nullptr);  // no drive check: text only
  EXPECT_STREQ(buffer, "Q:\\x\\y");

  char tiny[4];
  EXPECT_EQ(GetFullPathName("song.mp3", sizeof tiny, tiny, &file_part), std::strlen("T:\\Music\\song.mp3") + 1);
  EXPECT_EQ(ErrorOf(GetFullPathName("", MAX_PATH, buffer, nullptr) != 0u), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(GetFullPathName(nullptr, MAX_PATH, buffer, nullptr) != 0u), ERROR_INVALID_PARAMETER);
}

TEST_F(DriveTest, TempPathEndsInABackslash) {
  char buffer[MAX_PATH];
  const DWORD length = GetTempPath(MAX_PATH, buffer);
  EXPECT_STREQ(buffer, "T:\\Temp\\");
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(GetTempPath(8, buffer), 9u);
  // The folder is made when it is missing.
  platform::SetTempFolder(Native("Made/Later").string());
  EXPECT_EQ(GetTempPath(MAX_PATH, buffer), std::strlen("T:\\Made\\Later\\"));
  EXPECT_TRUE(std::filesystem::is_directory(Native("Made/Later")));
  // A temporary folder in a drive's root keeps a single backslash.
  platform::SetTempFolder(dir_.path().string());
  GetTempPath(MAX_PATH, buffer);
  EXPECT_STREQ(buffer, "T:\\");
}

TEST_F(DriveTest, TempFileNamesAreMadeUniqueAndCreated) {
  char name[MAX_PATH];
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    const UINT number = GetTempFileName("T:\\Temp", "velko", 0, name);
    ASSERT_NE(number, 0u);
    char expected_tail[16];
    std::snprintf(expected_tail, sizeof expected_tail, "vel%04X.TMP", number);
    EXPECT_EQ(std::string(name), std::string("T:\\Temp\\") + expected_tail);
    EXPECT_EQ(GetFileAttributes(name), FILE_ATTRIBUTE_ARCHIVE);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 20u);

  // With a number given, the name is only made up.
  EXPECT_EQ(GetTempFileName("T:\\Temp\\", "up", 0x1A2B, name), 0x1A2Bu);
  EXPECT_STREQ(name, "T:\\Temp\\up1A2B.TMP");
  EXPECT_EQ(GetFileAttributes(name), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(ErrorOf(GetTempFileName("T:\\NoSuchFolder", "x", 0, name) != 0u), ERROR_DIRECTORY);
  EXPECT_EQ(ErrorOf(GetTempFileName(nullptr, "x", 0, name) != 0u), ERROR_INVALID_PARAMETER);
}

TEST_F(DriveTest, WindowsAndSystemFolders) {
  char buffer[MAX_PATH];
  const UINT length = GetWindowsDirectory(buffer, MAX_PATH);
  EXPECT_STREQ(buffer, "T:\\Windows");
  EXPECT_EQ(length, 10u);
  EXPECT_EQ(GetWindowsDirectory(buffer, 10), 11u);
  EXPECT_EQ(GetSystemDirectory(buffer, MAX_PATH), std::strlen("T:\\Windows\\System32"));
  EXPECT_STREQ(buffer, "T:\\Windows\\System32");
  EXPECT_TRUE(std::filesystem::is_directory(Native("Windows/System32")));

  // The servent keeps its host list as Windows folder + "TGNU.ips".
  GetWindowsDirectory(buffer, MAX_PATH);
  const std::string hosts = std::string(buffer) + "\\TGNU.ips";
  HANDLE file = CreateFile(hosts.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(std::filesystem::exists(Native("Windows/TGNU.ips")));
}

TEST_F(DriveTest, UpgraderPathWithADoubledBackslashWorks) {
  // The upgrade check writes TempPath + "\Upgrader.exe", doubling the separator.
  char temp[256];
  ASSERT_GT(GetTempPath(sizeof temp, temp), 0u);
  const std::string upgrader = std::string(temp) + "\\Upgrader.exe";
  HANDLE file = CreateFile(upgrader.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(std::filesystem::exists(Native("Temp/Upgrader.exe")));
  EXPECT_TRUE(DeleteFile(upgrader.c_str()));
}

}  // namespace

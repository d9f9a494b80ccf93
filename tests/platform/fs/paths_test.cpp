#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <set>
#include <cstring>

#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/fs/path_names.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using platform::fs::ParsePlatformPath;
using platform::fs::PlatformPathParts;
using velko_test::DriveTest;

std::string Normalise(const char* path, const char* current = "C:\\Users\\me") {
  DWORD error = 0;
  PlatformPathParts root;
  auto cwd = ParsePlatformPath(current, root, &error);
  auto parts = ParsePlatformPath(path, *cwd, &error);
  return parts ? platform::fs::FormatPlatformPath(*parts, true) : "error " + std::to_string(error);
}

TEST(PlatformPathText, ResolvesDotsSlashesAndRelativeNames) {
  EXPECT_EQ(Normalise("C:\\Music\\..\\Video\\.\\a.avi"), "C:\\Video\\a.avi");
  EXPECT_EQ(Normalise("c:/music//song.mp3"), "C:\\music\\song.mp3");
  EXPECT_EQ(Normalise("song.mp3"), "C:\\Users\\me\\song.mp3");
  EXPECT_EQ(Normalise("..\\x"), "C:\\Users\\x");
  EXPECT_EQ(Normalise("..\\..\\..\\..\\x"), "C:\\x");  // never above the root
  EXPECT_EQ(Normalise("\\Windows"), "C:\\Windows");
  EXPECT_EQ(Normalise("D:"), "D:\\");
  EXPECT_EQ(Normalise("D:name"), "D:\\name");
  EXPECT_EQ(Normalise("C:name"), "C:\\Users\\me\\name");
  EXPECT_EQ(Normalise("C:\\Music\\"), "C:\\Music\\");
  EXPECT_EQ(Normalise("C:\\Music\\."), "C:\\Music");
  EXPECT_EQ(Normalise("C:\\Temp\\\\Upgrader.exe"), "C:\\Temp\\Upgrader.exe");
  EXPECT_EQ(Normalise("C:\\name. . "), "C:\\name");
  EXPECT_EQ(Normalise("\\\\?\\C:\\long"), "C:\\long");
  EXPECT_EQ(Normalise(""), "error 3");
  EXPECT_EQ(Normalise("\\\\server\\share\\x"), "error 53");
}

TEST_F(DriveTest, PlatformAndNativePathsRoundTrip) {
  Write("Music/Song.mp3", "x");
  const std::optional<std::string> native = platform::NativePath("T:\\Music\\Song.mp3");
  ASSERT_TRUE(native);
  EXPECT_EQ(std::filesystem::path(*native), Native("Music/Song.mp3"));
  EXPECT_EQ(platform::PlatformPath(*native), "T:\\Music\\Song.mp3");
  EXPECT_EQ(platform::PlatformPath(dir_.path().string()), "T:\\");
  EXPECT_EQ(platform::PlatformPath((dir_ / "Music" / ".." / "Music/").string()), "T:\\Music");
  // Outside the test drive, Z: holds everything.
  EXPECT_EQ(platform::PlatformPath("/usr/share"), "Z:\\usr\\share");
  EXPECT_EQ(platform::NativePath("Z:\\usr\\share"), "/usr/share");
}

TEST_F(DriveTest, LookUpIgnoresCaseWhenTheExactNameIsMissing) {
  Write("Music/Rock/Song.MP3", "rock");
  const std::optional<std::string> native = platform::NativePath("t:\\MUSIC\\rock\\song.mp3");
  ASSERT_TRUE(native);
  EXPECT_EQ(std::filesystem::path(*native), Native("Music/Rock/Song.MP3"));

  HANDLE file = CreateFile("T:\\music\\ROCK\\song.mp3", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[8] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "rock");
  CloseHandle(file);

  // A new name keeps the case it was given, inside the folders as they are spelled.
  const std::optional<std::string> fresh = platform::NativePath("T:\\MUSIC\\New.mp3");
  ASSERT_TRUE(fresh);
  EXPECT_EQ(std::filesystem::path(*fresh), Native("Music/New.mp3"));
  // The exact name wins over other spellings; neither spelled so: the smallest in byte order.
  Write("a.txt", "lower");
  Write("A.TXT", "upper");
  EXPECT_EQ(std::filesystem::path(*platform::NativePath("T:\\A.TXT")), Native("A.TXT"));
  EXPECT_EQ(std::filesystem::path(*platform::NativePath("T:\\a.txt")), Native("a.txt"));
  // Neither spelled this way: the smallest in byte order, every time.
  EXPECT_EQ(std::filesystem::path(*platform::NativePath("T:\\a.TXT")), Native("A.TXT"));
}

TEST_F(DriveTest, RelativePathsFollowTheCurrentDirectory) {
  Write("Music/Pop/hit.mp3", "hit");
  ASSERT_TRUE(SetCurrentDirectory("Music\\Pop"));
  char buffer[MAX_PATH];
  ASSERT_GT(GetCurrentDirectory(MAX_PATH, buffer), 0u);
  EXPECT_STREQ(buffer, "T:\\Music\\Pop");
  EXPECT_EQ(GetFileAttributes("hit.mp3"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributes("..\\Pop\\.\\hit.mp3"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributes("..\\..\\Music\\Pop"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes("\\Music\\Pop\\hit.mp3"), FILE_ATTRIBUTE_ARCHIVE);
  // The process folder moves along, for code that opens Linux paths.
  EXPECT_EQ(std::filesystem::current_path(), Native("Music/Pop"));
}

TEST_F(DriveTest, UnmappedLettersAndMissingFoldersFail) {
  platform::UnmapDrive('Q');
  EXPECT_EQ(ERROR_OF(GetFileAttributes("Q:\\x.txt") != INVALID_FILE_ATTRIBUTES), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(platform::NativePath("Q:\\x.txt"));
  EXPECT_EQ(ERROR_OF(GetFileAttributes("T:\\missing.txt") != INVALID_FILE_ATTRIBUTES), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(GetFileAttributes("T:\\no\\such\\file.txt") != INVALID_FILE_ATTRIBUTES), ERROR_PATH_NOT_FOUND);
  // A name with a character the platform reserves is a Linux name like any other.
  EXPECT_EQ(ERROR_OF(GetFileAttributes("T:\\bad|name.txt") != INVALID_FILE_ATTRIBUTES), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(GetFileAttributes(nullptr) != INVALID_FILE_ATTRIBUTES), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ERROR_OF(SetCurrentDirectory("Q:\\")), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(platform::PlatformPath(""));
  // Remapping a letter redirects its paths.
  velko_test::TempDir other;
  other.WriteFile("only-here.txt", "x");
  EXPECT_EQ(GetFileAttributes("T:\\only-here.txt"), INVALID_FILE_ATTRIBUTES);
  platform::MapDrive('T', other.path().string());
  EXPECT_EQ(GetFileAttributes("T:\\only-here.txt"), FILE_ATTRIBUTE_ARCHIVE);
  platform::UnmapDrive('Z');
  EXPECT_FALSE(platform::PlatformPath("/usr"));
}



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
  EXPECT_EQ(ERROR_OF(SetCurrentDirectory("T:\\file.txt")), ERROR_DIRECTORY);
  EXPECT_EQ(ERROR_OF(SetCurrentDirectory("T:\\Nope")), ERROR_FILE_NOT_FOUND);
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
  EXPECT_EQ(ERROR_OF(GetFullPathName("", MAX_PATH, buffer, nullptr) != 0u), ERROR_INVALID_NAME);
  EXPECT_EQ(ERROR_OF(GetFullPathName(nullptr, MAX_PATH, buffer, nullptr) != 0u), ERROR_INVALID_PARAMETER);
}

TEST_F(DriveTest, TempPathEndsInABackslash) {
  char buffer[MAX_PATH];
  const DWORD length = GetTempPath(MAX_PATH, buffer);
  EXPECT_STREQ(buffer, "T:\\Temp\\");
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(GetTempPath(8, buffer), 9u);
  // The upgrade check writes TempPath + "\Upgrader.exe", doubling the separator.
  const std::string upgrader = std::string(buffer) + "\\Upgrader.exe";
  HANDLE file = CreateFile(upgrader.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(std::filesystem::exists(Native("Temp/Upgrader.exe")));
  EXPECT_TRUE(DeleteFile(upgrader.c_str()));
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

  EXPECT_EQ(ERROR_OF(GetTempFileName("T:\\NoSuchFolder", "x", 0, name) != 0u), ERROR_DIRECTORY);
  EXPECT_EQ(ERROR_OF(GetTempFileName(nullptr, "x", 0, name) != 0u), ERROR_INVALID_PARAMETER);
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

}  // namespace

namespace {

TEST_F(DriveTest, CurrentDirectoryStartsAtTheProcessFolder) {
  MakeFolder("Start/Here");
  ASSERT_EQ(chdir(Native("Start/Here").c_str()), 0);
  platform::ResetDriveTable();  // forgets the current directory
  platform::MapDrive('T', dir_.path().string());
  char buffer[MAX_PATH];
  ASSERT_GT(GetCurrentDirectory(MAX_PATH, buffer), 0u);
  EXPECT_STREQ(buffer, "T:\\Start\\Here");
}

}  // namespace

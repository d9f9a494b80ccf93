#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/fs/path_names.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using platform::fs::ParsePlatformPath;
using platform::fs::PlatformPathParts;
using velko_test::DriveTest;
using velko_test::ErrorOf;

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
}

TEST_F(DriveTest, ExactNameWinsOverOtherSpellings) {
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
  SetLastError(0);
  EXPECT_EQ(ErrorOf(GetFileAttributes("Q:\\x.txt") != INVALID_FILE_ATTRIBUTES), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(platform::NativePath("Q:\\x.txt"));
  EXPECT_EQ(ErrorOf(GetFileAttributes("T:\\missing.txt") != INVALID_FILE_ATTRIBUTES), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ErrorOf(GetFileAttributes("T:\\no\\such\\file.txt") != INVALID_FILE_ATTRIBUTES), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ErrorOf(GetFileAttributes("T:\\bad|name.txt") != INVALID_FILE_ATTRIBUTES), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(GetFileAttributes(nullptr) != INVALID_FILE_ATTRIBUTES), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ErrorOf(SetCurrentDirectory("Q:\\")), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(platform::PlatformPath(""));
}

TEST_F(DriveTest, RemappingALetterRedirectsItsPaths) {
  velko_test::TempDir other;
  other.WriteFile("only-here.txt", "x");
  EXPECT_EQ(GetFileAttributes("T:\\only-here.txt"), INVALID_FILE_ATTRIBUTES);
  platform::MapDrive('T', other.path().string());
  EXPECT_EQ(GetFileAttributes("T:\\only-here.txt"), FILE_ATTRIBUTE_ARCHIVE);
  platform::UnmapDrive('Z');
  EXPECT_FALSE(platform::PlatformPath("/usr"));
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

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/fs/find_files.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::DriveTest;
using velko_test::TempDir;

// Every entry a find gives, in order, with its record.
std::vector<WIN32_FIND_DATA> FindAll(const char* pattern, DWORD* error = nullptr) {
  std::vector<WIN32_FIND_DATA> found;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) {
    if (error != nullptr) *error = GetLastError();
    return found;
  }
  do {
    found.push_back(data);
  } while (FindNextFile(find, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(find));
  if (error != nullptr) *error = ERROR_SUCCESS;
  return found;
}

std::vector<std::string> Names(const char* pattern) {
  std::vector<std::string> names;
  for (const WIN32_FIND_DATA& data : FindAll(pattern)) names.emplace_back(data.cFileName);
  return names;
}

using NameList = std::vector<std::string>;

class FindTest : public DriveTest {
 protected:
  void SetUp() override {
    DriveTest::SetUp();
    for (const char* name : {"b.mp3", "A.MP3", "c.mp3.bak", "in_cd.dll", "in_midi.DLL", "out_wave.dll", "x",
                             "readme", "song.ogg"}) {
      Write(std::string("Lib/") + name, name);
    }
    MakeFolder("Lib/Sub");
  }
};

TEST_F(FindTest, MasksSelectByTheirRulesAndListInNameOrder) {
  EXPECT_EQ(Names("T:\\Lib\\*.mp3"), (NameList{"A.MP3", "b.mp3"}));
  EXPECT_EQ(Names("T:\\lib\\IN_*.dll"), (NameList{"in_cd.dll", "in_midi.DLL"}));
  EXPECT_EQ(Names("T:\\Lib\\?"), (NameList{"x"}));
  EXPECT_EQ(Names("T:\\Lib\\*."), (NameList{".", "..", "readme", "Sub", "x"}));
  const NameList everything{".",          "..",      "A.MP3",  "b.mp3", "c.mp3.bak", "in_cd.dll",
                            "in_midi.DLL", "out_wave.dll", "readme", "song.ogg", "Sub",       "x"};
  EXPECT_EQ(Names("T:\\Lib\\*.*"), everything);
  EXPECT_EQ(Names("T:\\Lib\\*"), everything);
  EXPECT_EQ(Names("T:/Lib/*.MP3"), (NameList{"A.MP3", "b.mp3"}));
  // A drive's root has no dot entries.
  const NameList root = Names("T:\\*.*");
  EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
  EXPECT_EQ(std::count(root.begin(), root.end(), ".."), 0);
  EXPECT_EQ(std::count(root.begin(), root.end(), "Lib"), 1);
  const NameList sub = Names("T:\\Lib\\Sub\\*.*");
  EXPECT_EQ(sub, (NameList{".", ".."}));
}

TEST_F(FindTest, NoMatchAndMissingFoldersHaveTheirOwnErrors) {
  DWORD error = 0;
  EXPECT_TRUE(FindAll("T:\\Lib\\*.wma", &error).empty());
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(FindAll("T:\\NoSuch\\*.*", &error).empty());
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(FindAll("T:\\Lib\\x\\*.*", &error).empty());  // x is a file
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  // Wildcards are a pattern only in the last name: "L*" is a folder's name.
  EXPECT_TRUE(FindAll("T:\\L*\\*.*", &error).empty());
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(FindAll("T:\\Lib\\", &error).empty());
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  WIN32_FIND_DATA data;
  EXPECT_EQ(OPEN_ERROR_OF(FindFirstFile(nullptr, &data)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OPEN_ERROR_OF(FindFirstFile("T:\\*", nullptr)), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ERROR_OF(FindNextFile(INVALID_HANDLE_VALUE, &data)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ERROR_OF(FindClose(reinterpret_cast<HANDLE>(0x4444))), ERROR_INVALID_HANDLE);
}

TEST_F(FindTest, NameWithoutWildcardsFindsThatEntryAsSpelledOnDisk) {
  const std::vector<WIN32_FIND_DATA> found = FindAll("T:\\LIB\\a.mp3");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_STREQ(found[0].cFileName, "A.MP3");
  EXPECT_EQ(found[0].nFileSizeLow, 5u);
  const std::vector<WIN32_FIND_DATA> folder = FindAll("T:\\lib\\sub");
  ASSERT_EQ(folder.size(), 1u);
  EXPECT_STREQ(folder[0].cFileName, "Sub");
  EXPECT_EQ(folder[0].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  DWORD error = 0;
  EXPECT_TRUE(FindAll("T:\\Lib\\zzz.mp3", &error).empty());
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(FindAll("T:\\", &error).empty());
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST_F(FindTest, RecordsCarryAttributesSizesAndTimes) {
  Write("Attr/plain.txt", "12345");
  Write("Attr/.hidden", "h");
  Write("Attr/locked.txt", "l");
  MakeFolder("Attr/Folder");
  MakeFolder("Attr/.config");
  ASSERT_EQ(chmod(Native("Attr/locked.txt").c_str(), 0444), 0);

  std::map<std::string, WIN32_FIND_DATA> by_name;
  for (const WIN32_FIND_DATA& data : FindAll("T:\\Attr\\*")) by_name[data.cFileName] = data;
  ASSERT_EQ(by_name.size(), 7u);
  EXPECT_EQ(by_name["plain.txt"].dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(by_name[".hidden"].dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(by_name["locked.txt"].dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(by_name["Folder"].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(by_name[".config"].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(by_name["."].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(by_name[".."].dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(by_name["plain.txt"].nFileSizeLow, 5u);
  EXPECT_EQ(by_name["plain.txt"].nFileSizeHigh, 0u);
  EXPECT_EQ(by_name["Folder"].nFileSizeLow, 0u);
  EXPECT_EQ(by_name["plain.txt"].cAlternateFileName[0], '\0');

  // Times are UTC FILETIMEs of the Linux file's times.
  const timespec times[2] = {{1'000'000'000, 0}, {1'100'000'000, 500}};
  ASSERT_EQ(utimensat(AT_FDCWD, Native("Attr/plain.txt").c_str(), times, 0), 0);
  by_name.clear();
  for (const WIN32_FIND_DATA& data : FindAll("T:\\Attr\\plain.txt")) by_name[data.cFileName] = data;
  const WIN32_FIND_DATA& plain = by_name["plain.txt"];
  EXPECT_EQ(platform::FileTimeToTicks(plain.ftLastAccessTime),
            platform::kFileTimeUnixEpoch + 1'000'000'000ull * 10'000'000);
  EXPECT_EQ(platform::FileTimeToTicks(plain.ftLastWriteTime),
            platform::kFileTimeUnixEpoch + 1'100'000'000ull * 10'000'000 + 5);
  EXPECT_NE(platform::FileTimeToTicks(plain.ftCreationTime), 0u);
  // Large files report the high part of their size.
  const auto big = Write("Big/huge.bin", "");
  std::filesystem::resize_file(big, 0x1'0000'0005ull);
  const std::vector<WIN32_FIND_DATA> found = FindAll("T:\\Big\\*.bin");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].nFileSizeHigh, 1u);
  EXPECT_EQ(found[0].nFileSizeLow, 5u);
}

TEST_F(FindTest, RelativePatternsUseTheCurrentDirectory) {
  ASSERT_TRUE(SetCurrentDirectory("T:\\Lib"));
  EXPECT_EQ(Names("*.mp3"), (NameList{"A.MP3", "b.mp3"}));
  EXPECT_EQ(Names("Sub\\*"), (NameList{".", ".."}));
  EXPECT_EQ(Names("T:*.ogg"), (NameList{"song.ogg"}));
}

TEST_F(FindTest, EntriesRemovedDuringAListingAndNamesThePlatformCannotShowAreLeftOut) {
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile("T:\\Lib\\*.mp3", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "A.MP3");
  std::filesystem::remove(Native("Lib/b.mp3"));
  EXPECT_EQ(ERROR_OF(FindNextFile(find, &data)), ERROR_NO_MORE_FILES);
  FindClose(find);
  // Names the platform cannot show are left out.
  Write("Odd/back\\slash.mp3", "x");
  Write("Odd/fine.mp3", "x");
  EXPECT_EQ(Names("T:\\Odd\\*.mp3"), (NameList{"fine.mp3"}));
}

// Runs `body` without the superuser's power to read every folder, when the
// tests run as root: with the effective user switched to nobody (the real
// user stays root, so switching back works).
template <class Body>
void WithoutSuperuserRights(const std::filesystem::path& top, Body body) {
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chmod(top.c_str(), 0755), 0);
    ASSERT_EQ(seteuid(65534), 0);
  }
  body();
  if (root) {
    ASSERT_EQ(seteuid(0), 0);
  }
}

TEST_F(FindTest, UnreadableFolderFailsCleanly) {
  Write("Locked/secret.mp3", "s");
  ASSERT_EQ(chmod(Native("Locked").c_str(), 0), 0);
  DWORD error = 0;
  std::vector<WIN32_FIND_DATA> inside, outside;
  WithoutSuperuserRights(dir_.path(), [&] {
    inside = FindAll("T:\\Locked\\*.*", &error);
    outside = FindAll("T:\\Lock*");
  });
  chmod(Native("Locked").c_str(), 0755);
  EXPECT_TRUE(inside.empty());
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
  // The folder itself is still listed by its parent.
  ASSERT_EQ(outside.size(), 1u);
  EXPECT_STREQ(outside[0].cFileName, "Locked");
  EXPECT_EQ(outside[0].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}


TEST(FindLinks, LinksCarryTheReparsePointAttribute) {
  TempDir dir;
  platform::ResetDriveTable();
  platform::MapDrive('T', dir.path().string());
  std::filesystem::create_directory(dir / "real");
  dir.WriteFile("file.txt", "x");
  std::filesystem::create_directory_symlink(dir / "real", dir / "linked");
  std::filesystem::create_symlink(dir / "file.txt", dir / "file-link.txt");
  std::filesystem::create_symlink(dir / "gone", dir / "dangling");

  std::map<std::string, DWORD> attributes;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile("T:\\*.*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    attributes[data.cFileName] = data.dwFileAttributes;
  } while (FindNextFile(find, &data));
  FindClose(find);
  EXPECT_EQ(attributes["real"], FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(attributes["linked"], FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(attributes["file.txt"], FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(attributes["file-link.txt"], FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_NE(attributes["dangling"] & FILE_ATTRIBUTE_REPARSE_POINT, 0u);

  find = FindFirstFile("T:\\linked", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  FindClose(find);
  platform::ResetDriveTable();
}

// A walker's listing gives the records, in the order, of FindFirstFile and
// FindNextFile (without "." and ".."), whether or not the directory tells
// each entry's type.
TEST(FindLinks, ListingsAgreeWithFindRecords) {
  TempDir dir;
  platform::ResetDriveTable();
  platform::MapDrive('T', dir.path().string());
  std::filesystem::create_directories(dir / "Sub" / "Deeper");
  for (const char* name : {"Sub/b.txt", "Sub/A.txt", "Sub/.hidden", "Sub/émile.mp3", "Sub/Zeta.MP3"}) {
    dir.WriteFile(name, name);
  }
  ASSERT_EQ(chmod((dir / "Sub" / "A.txt").c_str(), 0444), 0);
  ASSERT_EQ(mkfifo((dir / "Sub" / "pipe").c_str(), 0644), 0);
  std::filesystem::create_directory_symlink(dir / "Sub" / "Deeper", dir / "Sub" / "linked");
  std::filesystem::create_symlink(dir / "gone", dir / "Sub" / "dangling");

  auto record = [](const WIN32_FIND_DATA& data) {
    return std::string(data.cFileName) + " " + std::to_string(data.dwFileAttributes) + " " +
           std::to_string(data.nFileSizeLow) + " " + std::to_string(data.ftLastWriteTime.dwLowDateTime);
  };
  std::vector<std::string> found;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile("T:\\Sub\\*.*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0) found.push_back(record(data));
  } while (FindNextFile(find, &data));
  FindClose(find);
  ASSERT_EQ(found.size(), 9u);

  for (const bool typed : {true, false}) {
    SCOPED_TRACE(typed ? "with entry types" : "without entry types");
    platform::fs::ListWithoutEntryTypes(!typed);
    platform::fs::FolderListing listing;
    ASSERT_TRUE(listing.List("T:\\Sub\\"));
    std::vector<std::string> listed;
    for (std::size_t i = 0; i < listing.Count(); ++i) {
      ASSERT_TRUE(listing.Describe(i, &data));
      listed.push_back(record(data));
    }
    EXPECT_EQ(listed, found);
  }
  platform::fs::ListWithoutEntryTypes(false);

  platform::fs::FolderListing listing;
  EXPECT_EQ(ERROR_OF(listing.List("T:\\Nowhere")), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  platform::ResetDriveTable();
}

}  // namespace

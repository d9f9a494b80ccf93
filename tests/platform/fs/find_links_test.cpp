// Find records mark symbolic links as reparse points, in folder listings
// and in finds of one name, so that walkers can leave linked folders alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/fs/find_files.h"
#include "tests/platform/checks.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

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
  EXPECT_EQ(ErrorOf(listing.List("T:\\Nowhere")), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  platform::ResetDriveTable();
}

}  // namespace
}  // namespace velko_test

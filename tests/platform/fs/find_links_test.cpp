// Find records mark symbolic links as reparse points, in folder listings
// and in finds of one name, so that walkers can leave linked folders alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/fs/drives.h"
#include "platform/fs/files.h"
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

}  // namespace
}  // namespace velko_test

// Icons and names of folders and files by their type, and the system image
// lists that hold every icon at the index SHGetFileInfoA reports.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/shell/shell_icons.h"
#include "platform/user/user.h"
#include "tests/support/temp_dir.h"

namespace {

class FileIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramPath((velko_test::ProgramFolder() / "velko").string());
    platform::ResetDriveTable();
    dir_.WriteFile("Music/song.MP3", "x");
    dir_.WriteFile("notes.txt", "x");
    platform::MapDrive('T', dir_.path().string());
  }
  void TearDown() override {
    platform::ResetDriveTable();
    platform::SetProgramPath("");
  }
  velko_test::TempDir dir_;
};

TEST_F(FileIconTest, IconIndexAndNamesByType) {
  struct Case {
    const char* path;
    DWORD attributes;
    UINT extra;
    const char* display;
    const char* type;
  };
  const Case cases[] = {
      {"T:\\Music", 0, 0, "Music", "File Folder"},
      {"T:\\Music\\song.mp3", 0, 0, "song.mp3", "MP3 File"},
      {"T:\\notes.txt", 0, 0, "notes.txt", "TXT File"},
      {"clip.avi", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, "clip.avi", "AVI File"},
      {"list.m3u", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, "list.m3u", "M3U File"},
      {"setup.exe", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, "setup.exe", "EXE File"},
      {"paper.xyz", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, "paper.xyz", "XYZ File"},
      {"README", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, "README", "File"},
      {"Any Folder\\", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES, "Any Folder", "File Folder"},
  };
  std::set<int> indexes;
  for (const Case& c : cases) {
    SHFILEINFOA info;
    ASSERT_NE(SHGetFileInfoA(c.path, c.attributes, &info, sizeof info, SHGFI_DISPLAYNAME | SHGFI_TYPENAME | c.extra),
              0u)
        << c.path;
    EXPECT_STREQ(info.szDisplayName, c.display) << c.path;
    EXPECT_STREQ(info.szTypeName, c.type) << c.path;
    indexes.insert(info.iIcon);
  }
  // Folder, audio, text, movie, playlist, program, other document.
  EXPECT_EQ(indexes.size(), 7u);
  EXPECT_EQ(indexes.count(3), 0u);  // no drive icon among them
  SHFILEINFOA info;
  EXPECT_EQ(SHGetFileInfoA("T:\\absent.mp3", 0, &info, sizeof info, 0), 0u);
  EXPECT_EQ(SHGetFileInfoA("T:\\notes.txt", 0, &info, sizeof info, 0x80000000u), 0u);
}

TEST_F(FileIconTest, SystemImageListsHoldTheIconsAtTheirIndexes) {
  SHFILEINFOA info;
  const auto small = SHGetFileInfoA("T:\\Music\\song.mp3", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  const auto large = SHGetFileInfoA("T:\\Music\\song.mp3", 0, &info, sizeof info, SHGFI_SYSICONINDEX);
  ASSERT_NE(small, 0u);
  ASSERT_NE(large, 0u);
  EXPECT_NE(small, large);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(small), platform::SystemImageList(true));
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(small), &cx, &cy));
  EXPECT_EQ(cx, 16);
  ASSERT_TRUE(ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(large), &cx, &cy));
  EXPECT_EQ(cx, 32);
  EXPECT_GT(ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(small)), info.iIcon);
  // The icon handed out for a file is a picture of its own.
  ASSERT_NE(SHGetFileInfoA("T:\\Music", 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON), 0u);
  EXPECT_NE(info.hIcon, nullptr);
  DestroyIcon(info.hIcon);
}

}  // namespace

// Icons of folders and files by their kind, and the system image lists
// that hold every shell icon.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "platform/core/modules.h"
#include "platform/ctl/imagelist.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/shell/shell_icons.h"
#include "platform/user/icon_file.h"
#include "platform/user/user.h"
#include "tests/support/temp_dir.h"

namespace {

class FileIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramPath((velko_test::ProgramFolder() / "velko").string());
    platform::ResetDriveTable();
    platform::MapDrive('T', dir_.path().string());
    std::filesystem::create_directory(dir_ / "Music");
    for (const char* name : {"song.MP3", "clip.avi", "setup.exe", "notes.txt", "noext"}) dir_.WriteFile(name, "x");
  }
  void TearDown() override {
    platform::ResetDriveTable();
    platform::SetProgramPath("");
  }
  velko_test::TempDir dir_;
};

TEST_F(FileIconTest, FoldersAndFilesGetTheIconOfTheirKind) {
  struct Case {
    const char* path;
    int index;
  } cases[] = {{"T:\\Music", kShellIconFolder},   {"T:\\song.MP3", kShellIconAudio},
               {"T:\\clip.avi", kShellIconMovie},  {"T:\\setup.exe", kShellIconProgram},
               {"T:\\notes.txt", kShellIconDocument}, {"T:\\noext", kShellIconDocument}};
  std::set<std::vector<std::uint32_t>> pictures;
  for (const Case& c : cases) {
    SHFILEINFOA info{};
    ASSERT_NE(SHGetFileInfoA(c.path, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON), 0u) << c.path;
    EXPECT_EQ(info.iIcon, c.index) << c.path;
    platform::CursorImage image;
    ASSERT_TRUE(platform::GetCursorImage(info.hIcon, &image));
    EXPECT_EQ(image.width, 16);
    pictures.insert(image.argb);
    DestroyIcon(info.hIcon);
  }
  EXPECT_EQ(pictures.size(), 5u) << "each kind has its own picture";

  // A missing file has no icon, unless its name and attributes are enough.
  SHFILEINFOA info{};
  EXPECT_EQ(SHGetFileInfoA("T:\\gone.mp3", 0, &info, sizeof info, SHGFI_ICON), 0u);
  EXPECT_NE(SHGetFileInfoA("T:\\gone.mp3", 0, &info, sizeof info, SHGFI_USEFILEATTRIBUTES), 0u);
  EXPECT_EQ(info.iIcon, kShellIconAudio);
  EXPECT_NE(SHGetFileInfoA("anything", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_USEFILEATTRIBUTES), 0u);
  EXPECT_EQ(info.iIcon, kShellIconFolder);
}

TEST_F(FileIconTest, SystemImageListsHoldEveryShellIcon) {
  SHFILEINFOA info{};
  auto small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("T:\\clip.avi", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  auto large = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("c:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX));
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_NE(small, large);
  EXPECT_EQ(ImageList_GetImageCount(small), 11);
  EXPECT_EQ(ImageList_GetImageCount(large), 11);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(large, &cx, &cy);
  EXPECT_EQ(cx, 32);
  // The same list every time.
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(
                SHGetFileInfoA("T:\\Music", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)),
            small);
}

}  // namespace

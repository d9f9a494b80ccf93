// Drive-root icons from the generated artwork, and the icon file reader
// they go through (sizes, hot spots, damaged files).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/modules.h"
#include "platform/ctl/imagelist.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/shell/shell_icons.h"
#include "platform/user/icon_file.h"
#include "platform/user/user.h"
#include "tests/support/temp_dir.h"

namespace {

class DriveIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetProgramPath((velko_test::ProgramFolder() / "velko").string());
    platform::ResetDriveTable();
    for (const char* d : {"a", "c", "d", "x"}) std::filesystem::create_directories(dir_ / d);
    platform::MapDrive('A', (dir_ / "a").string(), DRIVE_REMOVABLE);
    platform::MapDrive('C', (dir_ / "c").string(), DRIVE_FIXED, "SYSTEM");
    platform::MapDrive('D', (dir_ / "d").string(), DRIVE_CDROM);
    platform::MapDrive('X', (dir_ / "x").string(), DRIVE_REMOTE, "", "\\\\SRV\\Share");
  }
  void TearDown() override {
    platform::ResetDriveTable();
    platform::SetProgramPath("");
  }

  velko_test::TempDir dir_;
};

TEST_F(DriveIconTest, LargeAndSmallIconPerDriveType) {
  struct Case {
    const char* root;
    int index;
  };
  const Case cases[] = {{"a:\\", 0}, {"C:\\", 1}, {"x:\\", 2}, {"d:", 3}};
  std::set<std::vector<std::uint32_t>> pictures;
  for (const Case& c : cases) {
    for (UINT size_flag : {SHGFI_LARGEICON, SHGFI_SMALLICON}) {
      SHFILEINFOA info{};
      ASSERT_NE(SHGetFileInfoA(c.root, 0, &info, sizeof info, SHGFI_ICON | size_flag), 0u) << c.root;
      EXPECT_EQ(info.iIcon, c.index) << c.root;
      platform::CursorImage image;
      ASSERT_TRUE(platform::GetCursorImage(info.hIcon, &image));
      const int px = size_flag == SHGFI_SMALLICON ? 16 : 32;
      EXPECT_EQ(image.width, px);
      EXPECT_EQ(image.height, px);
      EXPECT_EQ(image.argb[0] >> 24, 0u) << "the corner is transparent";
      pictures.insert(image.argb);
      EXPECT_TRUE(DestroyIcon(info.hIcon));
    }
  }
  EXPECT_EQ(pictures.size(), 8u) << "each drive type and size has its own picture";
}

TEST_F(DriveIconTest, NotADriveRootOrBadRecord) {
  SHFILEINFOA info{};
  EXPECT_EQ(SHGetFileInfoA("c:\\music", 0, &info, sizeof info, SHGFI_ICON), 0u);
  EXPECT_EQ(SHGetFileInfoA(nullptr, 0, &info, sizeof info, SHGFI_ICON), 0u);
  EXPECT_EQ(SHGetFileInfoA("c:\\", 0, &info, sizeof info - 1, SHGFI_ICON), 0u);
  EXPECT_EQ(SHGetFileInfoA("q:\\", 0, &info, sizeof info, 0), 1u);  // unmapped: the unknown drive
  EXPECT_EQ(info.iIcon, 5);
  EXPECT_EQ(info.hIcon, nullptr);
}

// A one-image icon file of a 2 x 2 picture of `bits` bits.
std::vector<std::uint8_t> TinyIcon(int bits) {
  auto put = [](std::vector<std::uint8_t>& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const int colours = bits <= 8 ? 1 << bits : 0;
  const int row = ((2 * bits + 31) / 32) * 4;
  std::vector<std::uint8_t> b;
  put(b, 0, 2); put(b, 2, 2); put(b, 1, 2);  // a cursor file
  b.push_back(2); b.push_back(2); b.push_back(0); b.push_back(0);
  put(b, 1, 2); put(b, 1, 2);  // hot spot (1, 1)
  const std::uint32_t size = 40 + 4 * colours + (row + 4) * 2;
  put(b, size, 4); put(b, 22, 4);
  put(b, 40, 4); put(b, 2, 4); put(b, 4, 4); put(b, 1, 2); put(b, static_cast<std::uint32_t>(bits), 2);
  for (int i = 0; i < 6; ++i) put(b, 0, 4);
  for (int i = 0; i < colours; ++i) put(b, i == 1 ? 0x00FF0000u : 0u, 4);  // colour 1 red
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < row; ++i) b.push_back(bits == 24 ? 0x00 : (bits == 32 ? 0xFF : 0xFF));
  put(b, 0x40, 4);  // AND mask: bottom row's second pixel clear
  put(b, 0, 4);
  return b;
}

TEST(IconFile, DepthsHotSpotAndMask) {
  for (int bits : {1, 4, 8, 24, 32}) {
    const auto file = TinyIcon(bits);
    HICON icon = platform::CreateIconFromIconFile(file.data(), file.size(), 32);
    ASSERT_NE(icon, nullptr) << bits;
    platform::CursorImage image;
    ASSERT_TRUE(platform::GetCursorImage(icon, &image));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.hotspot.x, 1);
    EXPECT_EQ(image.argb[3], 0u) << "bottom right is masked out, bits " << bits;
    EXPECT_EQ(image.argb[0] >> 24, 0xFFu) << bits;
    DestroyCursor(icon);
  }
}

TEST(IconFile, DamagedFilesAreRefused) {
  const auto good = TinyIcon(8);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  const Case cases[] = {
      {"type 3", 2, 3},      {"no images", 4, 0},          {"offset past the end", 21, 0x7F},
      {"size past the end", 17, 0x7F}, {"width 0", 26, 0}, {"odd height", 30, 3}, {"12 bits", 36, 12},
      {"compressed", 38, 1}, {"colours beyond 256", 56, 1},
  };
  for (const Case& c : cases) {
    auto bad = good;
    bad[c.at] = c.value;
    SetLastError(0);
    EXPECT_EQ(platform::CreateIconFromIconFile(bad.data(), bad.size(), 0), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA) << c.what;
  }
  for (std::size_t cut = 0; cut < good.size(); cut += 7)
    EXPECT_EQ(platform::CreateIconFromIconFile(good.data(), cut, 0), nullptr) << "cut at " << cut;
}

// Icons of folders and files by their kind, and the system image lists
// that hold every shell icon.

class FileIconTest : public DriveIconTest {
 protected:
  void SetUp() override {
    DriveIconTest::SetUp();
    platform::MapDrive('T', dir_.path().string());
    std::filesystem::create_directory(dir_ / "Music");
    for (const char* name : {"song.MP3", "clip.avi", "setup.exe", "notes.txt", "noext"}) dir_.WriteFile(name, "x");
  }
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

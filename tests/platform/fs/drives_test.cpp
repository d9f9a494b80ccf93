#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::DriveTest;

std::vector<std::string> SplitDriveStrings(const char* buffer, DWORD length) {
  std::vector<std::string> roots;
  for (DWORD i = 0; i < length;) {
    std::string root(buffer + i);
    i += static_cast<DWORD>(root.size()) + 1;
    roots.push_back(root);
  }
  return roots;
}

platform::CdDiscContents ThreeTrackDisc() {
  platform::CdDiscContents disc;
  disc.tracks = {{1, 0, 15'000, true}, {2, 15'000, 9'000, true}, {3, 24'000, 30'000, false}};
  return disc;
}

TEST_F(DriveTest, DefaultTableHasHomeAsCAndRootAsZ) {
  // C: follows HOME; point it at a folder of the test's own while the table is rebuilt.
  const char* old_home = std::getenv("HOME");
  const std::string saved_home = old_home != nullptr ? old_home : "";
  MakeFolder("home");
  setenv("HOME", Native("home").c_str(), 1);
  platform::ResetDriveTable();
  if (old_home != nullptr) {
    setenv("HOME", saved_home.c_str(), 1);
  } else {
    unsetenv("HOME");
  }
  const DWORD mask = GetLogicalDrives();
  EXPECT_TRUE(mask & (1u << 2));
  EXPECT_TRUE(mask & (1u << 25));
  EXPECT_FALSE(mask & (1u << ('T' - 'A')));
  EXPECT_EQ(GetDriveType("C:\\"), DRIVE_FIXED);
  EXPECT_EQ(GetDriveType("z:"), DRIVE_FIXED);
  EXPECT_EQ(platform::NativePath("Z:\\"), "/");
  EXPECT_EQ(platform::PlatformPath(Native("home").string()), "C:\\");
  EXPECT_EQ(platform::PlatformPath(Native("home/Music").string()), "C:\\Music");
  // Detected CD drives come right after C:.
  char letter = 'D';
  for (const auto& [drive, device] : platform::CdDrives()) {
    EXPECT_EQ(drive, letter++);
    EXPECT_EQ(GetDriveType((std::string(1, drive) + ":\\").c_str()), DRIVE_CDROM);
    EXPECT_EQ(device.rfind("/dev/", 0), 0u);
  }
}

TEST_F(DriveTest, LogicalDriveStringsFollowTheBufferRule) {
  platform::MapDrive('M', dir_.path().string(), DRIVE_REMOTE);
  const DWORD mask = GetLogicalDrives();
  int count = 0;
  for (int i = 0; i < 26; ++i) count += (mask >> i) & 1;
  const DWORD length = static_cast<DWORD>(count) * 4;

  // Too small: nothing written, the size needed (with the final NUL) returned.
  std::vector<char> buffer(200, 'x');
  EXPECT_EQ(GetLogicalDriveStrings(0, nullptr), length + 1);
  EXPECT_EQ(GetLogicalDriveStrings(length, buffer.data()), length + 1);
  EXPECT_EQ(buffer[0], 'x');

  EXPECT_EQ(GetLogicalDriveStrings(length + 1, buffer.data()), length);
  EXPECT_EQ(buffer[length], '\0');
  EXPECT_EQ(buffer[length - 1], '\0');
  const std::vector<std::string> roots = SplitDriveStrings(buffer.data(), length);
  ASSERT_EQ(roots.size(), static_cast<std::size_t>(count));
  EXPECT_EQ(roots.front(), "C:\\");
  EXPECT_NE(std::find(roots.begin(), roots.end(), "M:\\"), roots.end());
  EXPECT_NE(std::find(roots.begin(), roots.end(), "T:\\"), roots.end());
  EXPECT_EQ(roots.back(), "Z:\\");
  EXPECT_TRUE(std::is_sorted(roots.begin(), roots.end()));
}

TEST_F(DriveTest, DriveTypesOfRootsOnly) {
  platform::MapDrive('R', dir_.path().string(), DRIVE_RAMDISK);
  platform::MapDrive('A', dir_.path().string(), DRIVE_REMOVABLE);
  EXPECT_EQ(GetDriveType("T:\\"), DRIVE_FIXED);
  EXPECT_EQ(GetDriveType("t:"), DRIVE_FIXED);
  EXPECT_EQ(GetDriveType("T:/"), DRIVE_FIXED);
  EXPECT_EQ(GetDriveType("R:\\"), DRIVE_RAMDISK);
  EXPECT_EQ(GetDriveType("a:\\"), DRIVE_REMOVABLE);
  EXPECT_EQ(GetDriveType(nullptr), DRIVE_FIXED);  // the current drive, T:
  platform::UnmapDrive('Q');
  EXPECT_EQ(GetDriveType("Q:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveType("T:\\Music\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveType("nonsense"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveType(""), DRIVE_NO_ROOT_DIR);
  // A letter whose folder has gone away has no root.
  platform::MapDrive('G', (dir_ / "gone").string());
  EXPECT_EQ(GetDriveType("G:\\"), DRIVE_NO_ROOT_DIR);
}

TEST_F(DriveTest, VolumeInformationOfAMappedFolder) {
  char label[64] = "junk", fs_name[64] = "junk";
  DWORD serial = 0, max_length = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformation("T:\\", label, sizeof label, &serial, &max_length, &flags, fs_name,
                                   sizeof fs_name));
  EXPECT_STREQ(label, "TESTDRIVE");
  EXPECT_NE(serial, 0u);
  EXPECT_EQ(max_length, 255u);
  EXPECT_TRUE(flags & FILE_CASE_PRESERVED_NAMES);
  EXPECT_GT(std::strlen(fs_name), 0u);
  EXPECT_STRNE(fs_name, "unknown");

  // The serial stays the same for the drive and differs between drives.
  DWORD again = 0, other = 0;
  ASSERT_TRUE(GetVolumeInformation("t:/", nullptr, 0, &again, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(again, serial);
  ASSERT_TRUE(GetVolumeInformation("Z:\\", nullptr, 0, &other, nullptr, nullptr, nullptr, 0));
  EXPECT_NE(other, serial);

  ASSERT_TRUE(GetVolumeInformation(nullptr, label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_STREQ(label, "TESTDRIVE");  // null is the current drive
}

TEST_F(DriveTest, VolumeInformationFailuresAndTheErrorMode) {
  char label[4];
  EXPECT_EQ(ERROR_OF(GetVolumeInformation("T:", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)), ERROR_INVALID_NAME);
  platform::UnmapDrive('Q');
  EXPECT_EQ(ERROR_OF(GetVolumeInformation("Q:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(GetVolumeInformation("T:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)), ERROR_BAD_LENGTH);  // "TESTDRIVE" does not fit in 4
  // The error mode is kept and returned.
  const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  EXPECT_EQ(SetErrorMode(old), SEM_FAILCRITICALERRORS);
  EXPECT_EQ(GetErrorMode(), old);
}

TEST_F(DriveTest, NetworkNamesOfRemoteDrives) {
  platform::MapDrive('X', dir_.path().string(), DRIVE_REMOTE, "", "\\\\Server\\Share");
  char name[64];
  DWORD length = sizeof name;
  EXPECT_EQ(WNetGetConnection("X:", name, &length), NO_ERROR);
  EXPECT_STREQ(name, "\\\\Server\\Share");
  length = 4;
  EXPECT_EQ(WNetGetConnection("x:", name, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 15u);
  length = sizeof name;
  EXPECT_EQ(WNetGetConnection("T:", name, &length), ERROR_NOT_CONNECTED);
  EXPECT_EQ(WNetGetConnection("T:\\", name, &length), ERROR_BAD_DEVICE);
  EXPECT_EQ(WNetGetConnection(nullptr, name, &length), ERROR_BAD_DEVICE);
}

TEST_F(DriveTest, AudioCdRootListsTrackFiles) {
  platform::MapDrive('K', "", DRIVE_CDROM);
  platform::SetCdTrackLister('K', [] { return std::optional<platform::CdDiscContents>(ThreeTrackDisc()); });
  EXPECT_EQ(GetDriveType("K:\\"), DRIVE_CDROM);

  char label[32], fs_name[16];
  DWORD serial = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformation("K:\\", label, sizeof label, &serial, nullptr, &flags, fs_name, sizeof fs_name));
  EXPECT_STREQ(label, "Audio CD");
  EXPECT_STREQ(fs_name, "CDFS");
  EXPECT_TRUE(flags & FILE_READ_ONLY_VOLUME);
  EXPECT_NE(serial, 0u);

  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile("K:\\*.cda", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::string> names{data.cFileName};
  EXPECT_EQ(data.nFileSizeLow, 44u);
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  while (FindNextFile(find, &data)) names.push_back(data.cFileName);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  FindClose(find);
  EXPECT_EQ(names, (std::vector<std::string>{"Track01.cda", "Track02.cda"}));  // the data track is not listed

  // A track file reads as the platform's 44-byte CD audio record.
  HANDLE file = CreateFile("k:\\track02.CDA", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  unsigned char bytes[64];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file, bytes, sizeof bytes, &read, nullptr));
  ASSERT_EQ(read, 44u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "RIFF");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes) + 8, 8), "CDDAfmt ");
  EXPECT_EQ(bytes[22], 2);  // track number
  DWORD track_serial;
  std::memcpy(&track_serial, bytes + 24, 4);
  EXPECT_EQ(track_serial, serial);
  DWORD start, length;
  std::memcpy(&start, bytes + 28, 4);
  std::memcpy(&length, bytes + 32, 4);
  EXPECT_EQ(start, 15'000u);
  EXPECT_EQ(length, 9'000u);
  // Start 15150 frames = 3:22.00 with the lead-in; length 9000 frames = 2:00.00.
  EXPECT_EQ(bytes[36], 0);
  EXPECT_EQ(bytes[37], 22);
  EXPECT_EQ(bytes[38], 3);
  EXPECT_EQ(bytes[40], 0);
  EXPECT_EQ(bytes[41], 0);
  EXPECT_EQ(bytes[42], 2);
  EXPECT_EQ(GetFileSize(file, nullptr), 44u);
  DWORD written = 0;
  EXPECT_EQ(ERROR_OF(WriteFile(file, bytes, 1, &written, nullptr)), ERROR_ACCESS_DENIED);
  CloseHandle(file);

  EXPECT_EQ(OPEN_ERROR_OF(CreateFile("K:\\Track02.cda", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ERROR_OF(GetFileAttributes("K:\\Track03.cda") != INVALID_FILE_ATTRIBUTES), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(DeleteFile("K:\\Track01.cda")), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetFileAttributes("K:\\"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
}

TEST_F(DriveTest, EmptyCdDriveIsNotReady) {
  platform::MapDrive('K', "", DRIVE_CDROM);
  EXPECT_EQ(GetDriveType("K:\\"), DRIVE_CDROM);
  EXPECT_TRUE(GetLogicalDrives() & (1u << ('K' - 'A')));
  EXPECT_EQ(ERROR_OF(GetVolumeInformation("K:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)), ERROR_NOT_READY);
  WIN32_FIND_DATA data;
  EXPECT_EQ(OPEN_ERROR_OF(FindFirstFile("K:\\*.cda", &data)), ERROR_NOT_READY);

  // A reader that finds no disc changes nothing; a disc makes the drive ready.
  bool disc_in = false;
  platform::SetCdTrackLister('K', [&disc_in] {
    return disc_in ? std::optional<platform::CdDiscContents>(ThreeTrackDisc()) : std::nullopt;
  });
  EXPECT_EQ(OPEN_ERROR_OF(FindFirstFile("K:\\*.cda", &data)), ERROR_NOT_READY);
  disc_in = true;
  HANDLE find = FindFirstFile("K:\\*.cda", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "Track01.cda");
  FindClose(find);
  platform::SetCdTrackLister('K', nullptr);
  // A CD drive with a folder shows the folder.
  Write("disc/readme.txt", "data disc");
  platform::MapDrive('K', (dir_ / "disc").string(), DRIVE_CDROM, "DATA");
  EXPECT_EQ(GetFileAttributes("K:\\README.TXT"), FILE_ATTRIBUTE_ARCHIVE);
  char label[16];
  ASSERT_TRUE(GetVolumeInformation("K:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_STREQ(label, "DATA");
}

}  // namespace

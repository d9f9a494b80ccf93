#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/fs/files.h"
#include "tests/platform/checks.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::DriveTest;
using velko_test::HandleCloser;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenShared(const char* name, DWORD share) {
  return CreateFile(name, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST_F(DriveTest, DeleteFileRules) {
  Write("gone.txt", "x");
  ASSERT_TRUE(DeleteFile("T:\\GONE.TXT"));
  EXPECT_FALSE(std::filesystem::exists(Native("gone.txt")));
  EXPECT_EQ(ERROR_OF(DeleteFile("T:\\gone.txt")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(DeleteFile("T:\\nowhere\\gone.txt")), ERROR_PATH_NOT_FOUND);
  MakeFolder("Folder");
  EXPECT_EQ(ERROR_OF(DeleteFile("T:\\Folder")), ERROR_ACCESS_DENIED);
  Write("ro.txt", "x");
  ASSERT_TRUE(SetFileAttributes("T:\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ERROR_OF(DeleteFile("T:\\ro.txt")), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(SetFileAttributes("T:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributes("T:\\ro.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(DeleteFile("T:\\ro.txt"));
  EXPECT_EQ(ERROR_OF(DeleteFile(nullptr)), ERROR_INVALID_PARAMETER);
  // An open file goes when every open of it shares deletion.
  Write("open.txt", "x");
  HandleCloser reader(OpenShared("T:\\open.txt", kShareAll));
  EXPECT_TRUE(DeleteFile("T:\\open.txt"));
  EXPECT_FALSE(std::filesystem::exists(Native("open.txt")));
}

TEST_F(DriveTest, MoveFileRules) {
  Write("a.txt", "A");
  Write("b.txt", "B");
  MakeFolder("Dest");
  ASSERT_TRUE(MoveFile("T:\\a.txt", "T:\\Dest\\moved.txt"));
  EXPECT_EQ(Contents("Dest/moved.txt"), "A");
  EXPECT_FALSE(std::filesystem::exists(Native("a.txt")));

  EXPECT_EQ(ERROR_OF(MoveFile("T:\\a.txt", "T:\\c.txt")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(MoveFile("T:\\b.txt", "T:\\Dest\\MOVED.TXT")), ERROR_ALREADY_EXISTS);  // exists, in another spelling
  EXPECT_EQ(ERROR_OF(MoveFile("T:\\b.txt", "T:\\nowhere\\b.txt")), ERROR_PATH_NOT_FOUND);

  ASSERT_TRUE(MoveFileEx("T:\\b.txt", "T:\\Dest\\moved.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Contents("Dest/moved.txt"), "B");
  EXPECT_EQ(ERROR_OF(MoveFileEx("T:\\Dest\\moved.txt", "T:\\Dest", MOVEFILE_REPLACE_EXISTING)), ERROR_ACCESS_DENIED);

  // Folders move too, with what they hold; a name may change only its case.
  ASSERT_TRUE(MoveFile("T:\\Dest", "T:\\Renamed"));
  EXPECT_EQ(Contents("Renamed/moved.txt"), "B");
  ASSERT_TRUE(MoveFile("T:\\Renamed\\moved.txt", "T:\\Renamed\\Moved.TXT"));
  EXPECT_TRUE(std::filesystem::exists(Native("Renamed/Moved.TXT")));
  EXPECT_FALSE(std::filesystem::exists(Native("Renamed/moved.txt")));
}

TEST_F(DriveTest, MoveOverAnOpenOrReadOnlyTargetIsRefused) {
  Write("new.txt", "new");
  Write("old.txt", "old");
  {
    HandleCloser reader(OpenShared("T:\\old.txt", FILE_SHARE_READ));
    EXPECT_EQ(ERROR_OF(MoveFileEx("T:\\new.txt", "T:\\old.txt", MOVEFILE_REPLACE_EXISTING)), ERROR_SHARING_VIOLATION);
  }
  ASSERT_TRUE(SetFileAttributes("T:\\old.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ERROR_OF(MoveFileEx("T:\\new.txt", "T:\\old.txt", MOVEFILE_REPLACE_EXISTING)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Contents("old.txt"), "old");
}

TEST_F(DriveTest, MoveAcrossFileSystemsCopiesWhenAllowed) {
  // /dev/shm is a memory file system of its own on Linux machines.
  if (!std::filesystem::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  const std::filesystem::path shm = std::filesystem::path("/dev/shm") / ("velko-fs-" + std::to_string(getpid()));
  std::filesystem::create_directories(shm);
  platform::MapDrive('S', shm.string());
  Write("travel.txt", "far");
  EXPECT_EQ(ERROR_OF(MoveFileEx("T:\\travel.txt", "S:\\travel.txt", 0)), ERROR_NOT_SAME_DEVICE);
  EXPECT_TRUE(MoveFile("T:\\travel.txt", "S:\\travel.txt"));
  EXPECT_FALSE(std::filesystem::exists(Native("travel.txt")));
  EXPECT_EQ(velko_test::ReadFile(shm / "travel.txt"), "far");
  std::filesystem::remove_all(shm);
}

TEST_F(DriveTest, CopyFileRules) {
  Write("src.bin", std::string(100'000, 'z'));
  std::filesystem::last_write_time(Native("src.bin"), std::filesystem::file_time_type::clock::now() -
                                                          std::chrono::hours(48));
  ASSERT_TRUE(CopyFile("T:\\src.bin", "T:\\copy.bin", TRUE));
  EXPECT_EQ(Contents("copy.bin"), std::string(100'000, 'z'));
  // The copy keeps the source's write time.
  EXPECT_EQ(std::filesystem::last_write_time(Native("copy.bin")), std::filesystem::last_write_time(Native("src.bin")));

  EXPECT_EQ(ERROR_OF(CopyFile("T:\\src.bin", "T:\\COPY.BIN", TRUE)), ERROR_FILE_EXISTS);
  Write("small.txt", "small");
  ASSERT_TRUE(CopyFile("T:\\small.txt", "T:\\copy.bin", FALSE));
  EXPECT_EQ(Contents("copy.bin"), "small");

  EXPECT_EQ(ERROR_OF(CopyFile("T:\\missing", "T:\\x", FALSE)), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(CopyFile("T:\\small.txt", "T:\\nowhere\\x", FALSE)), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(CopyFile("T:\\small.txt", "T:\\SMALL.TXT", FALSE)), ERROR_SHARING_VIOLATION);  // onto itself
  EXPECT_EQ(Contents("small.txt"), "small");
  MakeFolder("Folder");
  EXPECT_EQ(ERROR_OF(CopyFile("T:\\Folder", "T:\\x", FALSE)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ERROR_OF(CopyFile("T:\\small.txt", "T:\\Folder", FALSE)), ERROR_ACCESS_DENIED);

  // A file that is being written with others allowed to read can be copied.
  HANDLE writer = CreateFile("T:\\small.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CopyFile("T:\\small.txt", "T:\\while-writing.txt", TRUE));
  CloseHandle(writer);
}

TEST_F(DriveTest, CreateAndRemoveDirectoryRules) {
  ASSERT_TRUE(CreateDirectory("T:\\New", nullptr));
  EXPECT_TRUE(std::filesystem::is_directory(Native("New")));
  EXPECT_EQ(ERROR_OF(CreateDirectory("T:\\new", nullptr)), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ERROR_OF(CreateDirectory("T:\\a\\b", nullptr)), ERROR_PATH_NOT_FOUND);
  Write("file", "x");
  EXPECT_EQ(ERROR_OF(CreateDirectory("T:\\file", nullptr)), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ERROR_OF(CreateDirectory("T:\\", nullptr)), ERROR_ALREADY_EXISTS);

  Write("New/inside.txt", "x");
  EXPECT_EQ(ERROR_OF(RemoveDirectory("T:\\New")), ERROR_DIR_NOT_EMPTY);
  EXPECT_EQ(ERROR_OF(RemoveDirectory("T:\\file")), ERROR_DIRECTORY);
  EXPECT_EQ(ERROR_OF(RemoveDirectory("T:\\Missing")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ERROR_OF(RemoveDirectory("T:\\")), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(DeleteFile("T:\\New\\inside.txt"));
  ASSERT_TRUE(RemoveDirectory("T:\\NEW"));
  EXPECT_FALSE(std::filesystem::exists(Native("New")));
}

TEST_F(DriveTest, AttributesOfFilesFoldersAndRoots) {
  Write("plain.txt", "x");
  Write(".dot", "x");
  MakeFolder("Folder");
  EXPECT_EQ(GetFileAttributes("T:\\plain.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributes("T:\\.dot"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(GetFileAttributes("T:\\FOLDER"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes("T:\\Folder\\"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes("T:\\") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  // Read-only on a folder is accepted and leaves its permissions alone.
  const auto before = std::filesystem::status(Native("Folder")).permissions();
  EXPECT_TRUE(SetFileAttributes("T:\\Folder", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(std::filesystem::status(Native("Folder")).permissions(), before);
  EXPECT_EQ(ERROR_OF(SetFileAttributes("T:\\missing", FILE_ATTRIBUTE_NORMAL)), ERROR_FILE_NOT_FOUND);
}

}  // namespace

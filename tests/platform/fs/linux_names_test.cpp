// Names that Linux allows but the platform reserves ("<>:\"|?*" and control
// bytes): every such name a find or a listing hands out opens, reads,
// writes and renames through the layer, in a folder whose own name holds
// them too. Wildcards are a pattern only in a find's last name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs/files.h"
#include "platform/fs/find_files.h"
#include "platform/fs/quick_read.h"
#include "tests/platform/fs/fs_fixture.h"

namespace {

using velko_test::DriveTest;
using velko_test::HandleCloser;

const char kFolder[] = "Odd*?:|<>";

const std::vector<std::string> kOddNames = {
    "pipe|bar.mp3", "less<than.mp3", "more>than.mp3", "what?.mp3",       "star*.mp3",
    "colon:name.mp3", "tab\tname.mp3", "bell\x01.mp3", "quote\"name.mp3",
};

std::string InFolder(const std::string& name) { return std::string("T:\\") + kFolder + "\\" + name; }

std::vector<std::string> FoundNames(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(data.cFileName);
  } while (FindNextFile(find, &data));
  FindClose(find);
  return names;
}

std::string ReadAll(HANDLE file) {
  std::string text(256, '\0');
  DWORD read = 0;
  if (!ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return "<failed>";
  text.resize(read);
  return text;
}

class LinuxNamesTest : public DriveTest {
 protected:
  void SetUp() override {
    DriveTest::SetUp();
    for (const std::string& name : kOddNames) Write(std::string(kFolder) + "/" + name, "was " + name);
  }

  // `name`, found in `folder` and holding "was <name>", is read through
  // both ways of opening, written, renamed and deleted through the layer.
  void CheckOpensReadsWritesAndRenames(const std::string& folder, const std::string& name) {
    SCOPED_TRACE(name);
    const std::string path = "T:\\" + folder + "\\" + name;
    const std::string native = folder + "/" + name;
    EXPECT_EQ(GetFileAttributes(path.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    {
      HandleCloser file(CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_NE(file.get(), INVALID_HANDLE_VALUE) << GetLastError();
      EXPECT_EQ(ReadAll(file.get()), "was " + name);
    }
    {
      std::uint64_t size = 0;
      HandleCloser file(platform::fs::OpenForReading(path.c_str(), FILE_SHARE_READ, &size));
      ASSERT_NE(file.get(), INVALID_HANDLE_VALUE) << GetLastError();
      EXPECT_EQ(size, ("was " + name).size());
    }
    {
      HandleCloser file(CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
      ASSERT_NE(file.get(), INVALID_HANDLE_VALUE) << GetLastError();
      DWORD written = 0;
      const std::string text = "now " + name;
      ASSERT_TRUE(WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    }
    EXPECT_EQ(Contents(native), "now " + name);

    const std::string renamed = "moved " + name;
    ASSERT_TRUE(MoveFile(path.c_str(), ("T:\\" + folder + "\\" + renamed).c_str())) << GetLastError();
    EXPECT_FALSE(std::filesystem::exists(Native(native)));
    ASSERT_TRUE(DeleteFile(("T:\\" + folder + "\\" + renamed).c_str())) << GetLastError();
  }
};

TEST_F(LinuxNamesTest, FindAndListingHandOutEveryName) {
  std::vector<std::string> found = FoundNames(InFolder("*.mp3"));
  std::sort(found.begin(), found.end());
  std::vector<std::string> expected = kOddNames;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);

  platform::fs::FolderListing listing;
  ASSERT_TRUE(listing.List(std::string("T:\\") + kFolder));
  std::vector<std::string> listed;
  for (std::size_t i = 0; i < listing.Count(); ++i) listed.push_back(listing.Name(i));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);

  // The reserved characters match themselves in a pattern; only "*" and
  // "?" are wildcards there.
  EXPECT_EQ(FoundNames(InFolder("pipe|*")), std::vector<std::string>{"pipe|bar.mp3"});
  EXPECT_EQ(FoundNames(InFolder("colon:nam?.mp3")), std::vector<std::string>{"colon:name.mp3"});
}

TEST_F(LinuxNamesTest, EveryFoundNameOpensReadsWritesAndRenames) {
  const std::vector<std::string> found = FoundNames(InFolder("*.mp3"));
  ASSERT_EQ(found.size(), kOddNames.size());
  for (const std::string& name : found) CheckOpensReadsWritesAndRenames(kFolder, name);
  EXPECT_TRUE(FoundNames(InFolder("*.mp3")).empty());
}

// The platform drops trailing dots and blanks from the names it is given;
// a Linux name that ends in them is still reached by its spelling.
TEST_F(LinuxNamesTest, NamesEndingInDotsOrBlanksOpenReadWriteAndRename) {
  const std::string folder = "Folder. ";
  const std::vector<std::string> names = {"ends with dot.", "ends with blank ", "dots...", "mixed. ."};
  for (const std::string& name : names) Write(folder + "/" + name, "was " + name);
  std::vector<std::string> found = FoundNames("T:\\" + folder + "\\*");
  found.erase(std::remove_if(found.begin(), found.end(), [](const std::string& n) { return n == "." || n == ".."; }),
              found.end());
  ASSERT_EQ(found.size(), names.size());
  for (const std::string& name : found) CheckOpensReadsWritesAndRenames(folder, name);
}

TEST_F(LinuxNamesTest, NewFilesTakeTheReservedCharactersAsTheyAre) {
  const std::string path = InFolder("new|one?.txt");
  HandleCloser file(CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_NE(file.get(), INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_TRUE(std::filesystem::exists(Native(std::string(kFolder) + "/new|one?.txt")));
}

}  // namespace

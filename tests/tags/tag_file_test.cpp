#include "tags/TagFile.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/core/errors.h"
#include "platform/fs/files.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

class TagFileTest : public TagTest {
 protected:
  // A file whose every byte tells its position.
  std::string Patterned(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
  }
};

TEST_F(TagFileTest, ReadsMatchTheFileAnywhere) {
  // A file read through its two buffers, and one small enough to be read whole.
  for (const std::int64_t size : {50000, 30000}) {
    SCOPED_TRACE(size);
    const std::string bytes = Patterned(static_cast<std::size_t>(size));
    tags::TagFile file;
    ASSERT_TRUE(file.Open(Put("data.bin", bytes)));
    EXPECT_EQ(file.Size(), size);
    std::mt19937 random(1);
    for (int round = 0; round < 3000; ++round) {
      // Mostly small reads near either end, as the readers make them.
      const bool near_end = random() % 2 == 0;
      const std::int64_t position = near_end ? size - static_cast<std::int64_t>(random() % 20000)
                                             : static_cast<std::int64_t>(random() % 20000);
      const int count = round % 10 == 0 ? static_cast<int>(random() % 20000) : static_cast<int>(random() % 600);
      std::string got(count, '\x7F');
      const int done = file.ReadAt(position, got.data(), count);
      const std::int64_t available = std::max<std::int64_t>(0, std::min<std::int64_t>(count, size - position));
      ASSERT_EQ(done, available) << "at " << position << " for " << count;
      std::string expected = position < size ? bytes.substr(position, available) : std::string();
      expected.resize(count, '\0');
      ASSERT_EQ(got, expected) << "at " << position << " for " << count;
      EXPECT_EQ(file.Position(), position + done);
    }
  }
}

TEST_F(TagFileTest, SequentialReadsFollowEachOther) {
  const std::string bytes = Patterned(20000);
  tags::TagFile file;
  ASSERT_TRUE(file.Open(Put("data.bin", bytes)));
  ASSERT_TRUE(file.Seek(8000));
  std::string got;
  char piece[300];
  int n;
  while ((n = file.Read(piece, sizeof piece)) > 0) got.append(piece, n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(got, bytes.substr(8000));
}

TEST_F(TagFileTest, PositionsOutsideTheFile) {
  tags::TagFile file;
  ASSERT_TRUE(file.Open(Put("data.bin", "abc")));
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(file.ReadAt(10, buffer, 4), 0);
  EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0'));
  EXPECT_EQ(file.ReadAt(-1, buffer, 4), -1);
  EXPECT_FALSE(file.Seek(-5));
  EXPECT_EQ(file.ReadAt(1, buffer, 4), 2);
  EXPECT_EQ(std::string(buffer, 4), std::string("bc\0\0", 4));
}

TEST_F(TagFileTest, AnEmptyFile) {
  tags::TagFile file;
  ASSERT_TRUE(file.Open(Put("empty.bin", "")));
  char buffer[10];
  EXPECT_EQ(file.ReadAt(0, buffer, 10), 0);
}

TEST_F(TagFileTest, OthersMayReadButNotWriteWhileItIsOpen) {
  const std::string path = Put("shared.bin", "content");
  {
    tags::TagFile file;
    ASSERT_TRUE(file.Open(path));
    HANDLE reader = CreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    HANDLE writer = CreateFile(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  }
  // A file someone is writing cannot be opened.
  HANDLE writer = CreateFile(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  tags::TagFile file;
  EXPECT_FALSE(file.Open(path));
  CloseHandle(writer);
  EXPECT_TRUE(file.Open(path));
}

TEST_F(TagFileTest, MissingFilesAndFolders) {
  tags::TagFile file;
  EXPECT_FALSE(file.Open("T:\\missing.bin"));
  dir_.WriteFile("folder/inside.bin", "x");
  EXPECT_FALSE(file.Open("T:\\folder"));
  EXPECT_TRUE(file.Open("T:\\FOLDER\\Inside.BIN")) << "names are looked up ignoring case";
  char buffer[1];
  file.Close();
  EXPECT_EQ(file.Read(buffer, 1), -1);
}

}  // namespace
}  // namespace velko_test

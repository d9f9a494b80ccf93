#include "tags/ID3v1.h"

#include <gtest/gtest.h>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

class ID3v1Test : public TagTest {
 protected:
  // Some audio-like bytes, then the tag.
  std::string Tagged(const std::string& tag) { return Put("song.mp3", std::string(1000, '\x55') + tag); }
  TID3v1 tag_;
};

TEST_F(ID3v1Test, ReadsAVersion10Tag) {
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(
      Id3v1Tag("Title  ", "Artist", "Album", "1999", "A comment that fills 30 bytes!", 0, 17))));
  EXPECT_TRUE(tag_.Exists);
  EXPECT_EQ(tag_.VersionID, 1);
  EXPECT_EQ(tag_.Title, "Title");
  EXPECT_EQ(tag_.Artist, "Artist");
  EXPECT_EQ(tag_.Album, "Album");
  EXPECT_EQ(tag_.Year, "1999");
  EXPECT_EQ(tag_.Comment, "A comment that fills 30 bytes!");
  EXPECT_EQ(tag_.Track, 0);
  EXPECT_EQ(tag_.GenreID, 17);
  EXPECT_EQ(tag_.GetGenre(), "Rock");
}

TEST_F(ID3v1Test, ReadsAVersion11TagWithItsTrack) {
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(Id3v1Tag("T", "A", "B", "2001", "Twenty-eight characters long", 7, 0))));
  EXPECT_EQ(tag_.VersionID, 2);
  EXPECT_EQ(tag_.Track, 7);
  EXPECT_EQ(tag_.Comment, "Twenty-eight characters long");
}

TEST_F(ID3v1Test, ASpaceBeforeTheTrackByteAlsoMeansVersion11) {
  std::string tag = Id3v1Tag("T", "", "", "", "comment", 0, 12);
  tag[125] = ' ';
  tag[126] = 9;
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(tag)));
  EXPECT_EQ(tag_.VersionID, 2);
  EXPECT_EQ(tag_.Track, 9);
  EXPECT_EQ(tag_.Comment, "comment");
}

TEST_F(ID3v1Test, ASpacePaddedCommentStaysVersion10) {
  std::string tag = Id3v1Tag("T", "", "", "", "", 0, 12);
  std::string comment = "Padded with spaces";
  comment.resize(30, ' ');
  tag.replace(97, 30, comment);
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(tag)));
  EXPECT_EQ(tag_.VersionID, 1);
  EXPECT_EQ(tag_.Track, 0);
  EXPECT_EQ(tag_.Comment, "Padded with spaces");
}

TEST_F(ID3v1Test, TrailingControlCharactersAreTrimmedButLeadingSpacesStay) {
  std::string tag = Id3v1Tag("  Intro", "", "", "", "", 0, 0);
  tag[3 + 7] = '\x01';
  tag[3 + 8] = ' ';
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(tag)));
  EXPECT_EQ(tag_.Title, "  Intro");
}

TEST_F(ID3v1Test, TextIsWindows1252) {
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(Id3v1Tag("Caf\xE9", "\x80uro", "", "", "", 0, 0))));
  EXPECT_EQ(tag_.Title, "Café");
  EXPECT_EQ(tag_.Artist, "€uro");
}

TEST_F(ID3v1Test, GenreNamesEndAt147) {
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(Id3v1Tag("", "", "", "", "", 0, 147))));
  EXPECT_EQ(tag_.GetGenre(), "Synthpop");
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(Id3v1Tag("", "", "", "", "", 0, 148))));
  EXPECT_EQ(tag_.GenreID, 148);
  EXPECT_EQ(tag_.GetGenre(), "");
  ASSERT_TRUE(tag_.ReadFromFile(Tagged(Id3v1Tag("", "", "", "", "", 0, 255))));
  EXPECT_EQ(tag_.GetGenre(), "");
}

TEST_F(ID3v1Test, GenreTableKeepsItsOwnSpellings) {
  EXPECT_EQ(ID3v1Genres.size(), 148u);
  EXPECT_STREQ(ID3v1Genres[0], "Blues");
  EXPECT_STREQ(ID3v1Genres[67], "Psychadelic");
  EXPECT_STREQ(ID3v1Genres[81], "Folk-Rock");
  EXPECT_STREQ(ID3v1Genres[92], "Progessive Rock");
  EXPECT_STREQ(ID3v1Genres[123], "A capella");
  EXPECT_STREQ(ID3v1Genres[136], "Christian Gangsta Rap");
  EXPECT_STREQ(ID3v1Genres[144], "Trash Metal");
}

TEST_F(ID3v1Test, AFileWithoutATagReadsAsNoTag) {
  tag_.Title = "left over";
  ASSERT_TRUE(tag_.ReadFromFile(Put("plain.mp3", std::string(500, 'x'))));
  EXPECT_FALSE(tag_.Exists);
  EXPECT_EQ(tag_.Title, "");
  EXPECT_EQ(tag_.GenreID, 255);
  EXPECT_EQ(tag_.VersionID, 1);
}

TEST_F(ID3v1Test, AFileShorterThanATagCannotBeRead) {
  EXPECT_FALSE(tag_.ReadFromFile(Put("short.mp3", std::string(127, 'x'))));
  EXPECT_FALSE(tag_.Exists);
  // Exactly one tag and nothing else is fine.
  EXPECT_TRUE(tag_.ReadFromFile(Put("only.mp3", Id3v1Tag("Only", "", "", "", "", 0, 1))));
  EXPECT_EQ(tag_.Title, "Only");
}

TEST_F(ID3v1Test, MissingFilesAndFoldersCannotBeRead) {
  EXPECT_FALSE(tag_.ReadFromFile("T:\\missing.mp3"));
  dir_.WriteFile("folder/x", "");
  EXPECT_FALSE(tag_.ReadFromFile("T:\\folder"));
}

}  // namespace
}  // namespace velko_test

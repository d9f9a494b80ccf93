#include "tags/ID3v1.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

class ID3v1Test : public TagTest {};

// The tag's odd cases; the plain tags of both versions are in the readers'
// record (reader_fields_test).
TEST_F(ID3v1Test, FieldsVersionsAndGenres) {
  auto with = [](std::string tag, std::size_t at, const std::string& bytes) { return tag.replace(at, bytes.size(), bytes); };
  struct Case {
    const char* what;
    std::string tag;
    int version;
    const char* title;
    const char* artist;
    const char* comment;
    int track;
    int genre;
    const char* genre_name;
  };
  const Case cases[] = {
      {"a comment of 30 bytes, a padded title", Id3v1Tag("Title  ", "Artist", "", "", "A comment that fills 30 bytes!", 0, 17),
       1, "Title", "Artist", "A comment that fills 30 bytes!", 0, 17, "Rock"},
      {"a space before the track byte: 1.1", with(Id3v1Tag("T", "", "", "", "comment", 0, 12), 125, " \x09"), 2, "T", "",
       "comment", 9, 12, "Other"},
      {"a comment padded with spaces stays 1.0",
       with(Id3v1Tag("T", "", "", "", "", 0, 12), 97, "Padded with spaces            "), 1, "T", "",
       "Padded with spaces", 0, 12, "Other"},
      {"trailing controls go, leading spaces stay", with(Id3v1Tag("  Intro", "", "", "", "", 0, 0), 10, "\x01 "), 1,
       "  Intro", "", "", 0, 0, "Blues"},
      {"Windows-1252 text", Id3v1Tag("Caf\xE9", "\x80uro", "", "", "", 0, 0), 1, "Café", "€uro", "", 0, 0, "Blues"},
      {"a genre past the list", Id3v1Tag("", "", "", "", "", 0, 148), 1, "", "", "", 0, 148, ""},
      {"genre 255", Id3v1Tag("", "", "", "", "", 0, 255), 1, "", "", "", 0, 255, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(Put("song.mp3", std::string(1000, '\x55') + c.tag)));
    EXPECT_TRUE(tag.Exists);
    EXPECT_EQ(tag.VersionID, c.version);
    EXPECT_EQ(tag.Title, c.title);
    EXPECT_EQ(tag.Artist, c.artist);
    EXPECT_EQ(tag.Comment, c.comment);
    EXPECT_EQ(tag.Track, c.track);
    EXPECT_EQ(tag.GenreID, c.genre);
    EXPECT_EQ(tag.GetGenre(), c.genre_name);
  }
}

// The table as the readers show genres, spelled as it always was: a
// "corrected" name would change what users see.
TEST_F(ID3v1Test, GenreTableKeepsItsOwnSpellings) {
  EXPECT_EQ(ID3v1Genres.size(), 148u);
  const std::pair<std::size_t, const char*> spellings[] = {
      {0, "Blues"},           {67, "Psychadelic"},           {81, "Folk-Rock"},      {92, "Progessive Rock"},
      {123, "A capella"},     {136, "Christian Gangsta Rap"}, {140, "Contemporary Christian"},
      {141, "Christian Rock"}, {144, "Trash Metal"},          {147, "Synthpop"}};
  for (const auto& [index, name] : spellings) EXPECT_STREQ(ID3v1Genres[index], name) << index;
}

TEST_F(ID3v1Test, FilesWithoutATag) {
  TID3v1 tag;
  tag.Title = "left over";
  ASSERT_TRUE(tag.ReadFromFile(Put("plain.mp3", std::string(500, 'x'))));
  EXPECT_FALSE(tag.Exists);
  EXPECT_EQ(tag.Title, "");
  EXPECT_EQ(tag.GenreID, 255);
  EXPECT_FALSE(tag.ReadFromFile(Put("short.mp3", std::string(127, 'x'))));
  // Exactly one tag and nothing else is fine.
  EXPECT_TRUE(tag.ReadFromFile(Put("only.mp3", Id3v1Tag("Only", "", "", "", "", 0, 1))));
  EXPECT_EQ(tag.Title, "Only");
  EXPECT_FALSE(tag.ReadFromFile("T:\\missing.mp3"));
  dir_.WriteFile("folder/x", "");
  EXPECT_FALSE(tag.ReadFromFile("T:\\folder"));
}

}  // namespace
}  // namespace velko_test

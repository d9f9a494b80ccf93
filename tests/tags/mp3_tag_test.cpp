#include "tags/mp3Tag.h"

#include <gtest/gtest.h>

#include <map>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "tags/ID3v1.h"
#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

const std::string kAudio(3000, '\x55');

class Mp3TagTest : public TagTest {
 protected:
  // The last 128 bytes of a file of the test drive.
  std::string TagBytes(const std::string& name) {
    const std::string contents = Contents(name);
    return contents.size() < 128 ? std::string() : contents.substr(contents.size() - 128);
  }
  Tmp3Tag tag_{nullptr};
};

TEST_F(Mp3TagTest, StartsWithBluesAndTheLongLayoutSwitchedOff) {
  EXPECT_EQ(tag_.GenreID(), 0);
  EXPECT_EQ(tag_.Genre(), "Blues");
  EXPECT_EQ(tag_.Title(), "");
  EXPECT_EQ(tag_.Track(), 0);
  EXPECT_FALSE(tag_.v1Tag());
  EXPECT_FALSE(tag_.TagPresent);
  EXPECT_FALSE(tag_.TagModified());
  EXPECT_FALSE(tag_.About().empty());
}

// The tag editor's list: the readers' table with eight names spelled its
// own way, and an empty entry after the last genre.
TEST_F(Mp3TagTest, GenreListHasItsOwnSpellingsAndAnEmptyLastEntry) {
  TStringList* genres = tag_.Genres();
  ASSERT_EQ(genres->Count(), 149);
  const std::map<int, String> own{{67, "Psychedelic"},      {81, "Folk/Rock"},        {92, "Progressive Rock"},
                                  {123, "Acapella"},        {136, "Christian Gangs"}, {140, "Contemporary Ch?"},
                                  {141, "Cristian Rock"},   {144, "Thrash Metal"}};
  for (int i = 0; i < 148; ++i) {
    const auto spelled = own.find(i);
    EXPECT_EQ(genres->Get(i), spelled != own.end() ? spelled->second : String(ID3v1Genres[static_cast<std::size_t>(i)]))
        << i;
  }
  EXPECT_EQ(genres->Get(148), "");
}

TEST_F(Mp3TagTest, LoadsBothLayouts) {
  struct Case {
    std::string tag;
    bool v1;
    int track;
    const char* comment;
    int genre;
    const char* genre_name;
  };
  const Case cases[] = {
      {Id3v1Tag("Title", "Artist", "Album", "1999", "Thirty characters of comment!!", 0, 17), true, 0,
       "Thirty characters of comment!!", 17, "Rock"},
      {Id3v1Tag("Title", "Artist", "Album", "1999", "Twenty-eight characters long", 12, 67), false, 12,
       "Twenty-eight characters long", 67, "Psychedelic"},
  };
  for (const Case& c : cases) {
    tag_.LoadFromFile(Put("a.mp3", kAudio + c.tag));
    EXPECT_TRUE(tag_.TagPresent);
    EXPECT_FALSE(tag_.TagModified());
    EXPECT_EQ(tag_.v1Tag(), c.v1);
    EXPECT_EQ(tag_.Title(), "Title");
    EXPECT_EQ(tag_.Artist(), "Artist");
    EXPECT_EQ(tag_.Album(), "Album");
    EXPECT_EQ(tag_.Year(), "1999");
    EXPECT_EQ(tag_.Comment(), c.comment);
    EXPECT_EQ(tag_.Track(), c.track);
    EXPECT_EQ(tag_.GenreID(), c.genre);
    EXPECT_EQ(tag_.Genre(), c.genre_name);
  }
  // The genre list ends with an empty entry.
  ASSERT_EQ(tag_.Genres()->Count(), 149);
  EXPECT_EQ(tag_.Genres()->Get(148), "");
}

TEST_F(Mp3TagTest, TextsEndAtTheirFirstZeroAndLoseTrailingBlanks) {
  std::string bytes = Id3v1Tag("Ab", "", "", "", "", 0, 0);
  bytes.replace(3, 8, std::string("Ab\0cd   ", 8));
  bytes.replace(33, 30, std::string("Spaced out", 10) + std::string(20, ' '));
  tag_.LoadFromBuffer(bytes.data(), 128);
  EXPECT_EQ(tag_.Title(), "Ab");
  EXPECT_EQ(tag_.Artist(), "Spaced out");
}

TEST_F(Mp3TagTest, TextIsWindows1252InTheFile) {
  tag_.LoadFromFile(Put("a.mp3", kAudio + Id3v1Tag("Caf\xE9", "\x80", "", "", "", 0, 0)));
  EXPECT_EQ(tag_.Title(), "Café");
  EXPECT_EQ(tag_.Artist(), "€");
  tag_.SetTitle("Ünïcödé 日本");
  tag_.SaveToFile("T:\\a.mp3");
  EXPECT_EQ(TagBytes("a.mp3").substr(3, 11), "\xDCn\xEF" "c\xF6" "d\xE9 ?? ");
}

TEST_F(Mp3TagTest, RoundTripThroughTheFile) {
  const std::string path = Put("song.mp3", kAudio + Id3v1Tag("Old", "Old", "Old", "1990", "Old", 0, 1));
  tag_.LoadFromFile(path);
  tag_.SetTitle("New title");
  tag_.SetArtist("New artist");
  tag_.SetAlbum("New album");
  tag_.SetYear("2024");
  tag_.SetComment("New comment");
  tag_.SetTrack(9);
  tag_.SetGenre("Jazz");
  EXPECT_TRUE(tag_.TagModified());
  tag_.SaveToFile(path);
  EXPECT_FALSE(tag_.TagModified());
  EXPECT_EQ(Contents("song.mp3").size(), kAudio.size() + 128) << "the old tag is overwritten";
  EXPECT_EQ(Contents("song.mp3").substr(0, kAudio.size()), kAudio);

  Tmp3Tag again(nullptr);
  again.LoadFromFile(path);
  EXPECT_EQ(again.Title(), "New title");
  EXPECT_EQ(again.Artist(), "New artist");
  EXPECT_EQ(again.Album(), "New album");
  EXPECT_EQ(again.Year(), "2024");
  EXPECT_EQ(again.Comment(), "New comment");
  EXPECT_EQ(again.Track(), 9);
  EXPECT_FALSE(again.v1Tag());
  EXPECT_EQ(again.GenreID(), 8);
  EXPECT_EQ(again.Genre(), "Jazz");

  // The player's reader sees the same tag.
  TID3v1 reader;
  ASSERT_TRUE(reader.ReadFromFile(path));
  EXPECT_EQ(reader.Title, "New title");
  EXPECT_EQ(reader.Track, 9);
  EXPECT_EQ(reader.VersionID, 2);
}

// Linux names may hold the characters the platform reserves: the tag of
// such a file loads and saves like any other.
TEST_F(Mp3TagTest, NamesWithReservedCharactersLoadAndSave) {
  for (const char* name : {"pipe|bar.mp3", "what?.mp3", "star*.mp3", "colon:name.mp3", "tab\tname.mp3",
                           "less<more>.mp3"}) {
    SCOPED_TRACE(name);
    const std::string path = Put(name, kAudio + Id3v1Tag("Old", "Old", "Old", "1990", "Old", 0, 1));
    Tmp3Tag tag(nullptr);
    tag.LoadFromFile(path);
    EXPECT_EQ(tag.Title(), "Old");
    tag.SetTitle("New title");
    tag.SaveToFile(path);
    EXPECT_EQ(TagBytes(name).substr(3, 9), "New title");
    TID3v1 reader;
    ASSERT_TRUE(reader.ReadFromFile(path));
    EXPECT_EQ(reader.Title, "New title");
  }
}

TEST_F(Mp3TagTest, FieldsArePaddedWithSpaces) {
  tag_.SetTitle("Short");
  tag_.SetTrack(3);
  tag_.SetGenreID(17);
  char buffer[128];
  tag_.SaveToBuffer(buffer, 128);
  const std::string bytes(buffer, 128);
  EXPECT_EQ(bytes.substr(0, 3), "TAG");
  EXPECT_EQ(bytes.substr(3, 30), "Short" + std::string(25, ' '));
  EXPECT_EQ(bytes.substr(33, 30), std::string(30, ' '));
  EXPECT_EQ(bytes.substr(97, 28), std::string(28, ' '));
  EXPECT_EQ(bytes[125], '\0');
  EXPECT_EQ(bytes[126], '\x03');
  EXPECT_EQ(bytes[127], '\x11');
}

TEST_F(Mp3TagTest, SavingATaglessFileTwiceAppendsOnlyOnce) {
  const std::string path = Put("plain.mp3", kAudio);
  tag_.LoadFromFile(path);
  EXPECT_FALSE(tag_.TagPresent);
  tag_.SetTitle("First");
  tag_.SaveToFile(path);
  EXPECT_EQ(Contents("plain.mp3").size(), kAudio.size() + 128);
  tag_.SetTitle("Second");
  tag_.SaveToFile(path);
  EXPECT_EQ(Contents("plain.mp3").size(), kAudio.size() + 128);
  tag_.LoadFromFile(path);
  EXPECT_EQ(tag_.Title(), "Second");
}

TEST_F(Mp3TagTest, ATaglessFileLoadedAfterATaggedOneCarriesNothingOver) {
  tag_.LoadFromFile(Put("tagged.mp3", kAudio + Id3v1Tag("Tagged", "A", "B", "2000", "C", 5, 17)));
  ASSERT_EQ(tag_.Track(), 5);
  const std::string path = Put("plain.mp3", kAudio);
  tag_.LoadFromFile(path);
  EXPECT_FALSE(tag_.TagPresent);
  EXPECT_EQ(tag_.Title(), "");
  EXPECT_EQ(tag_.Track(), 0);
  EXPECT_TRUE(tag_.v1Tag());
  EXPECT_EQ(tag_.GenreID(), Tmp3Tag::NoGenre);
  EXPECT_EQ(tag_.Genre(), "");
  // Saved unchanged it holds no track and no genre.
  tag_.SaveToFile(path);
  const std::string bytes = TagBytes("plain.mp3");
  EXPECT_EQ(bytes.substr(0, 3), "TAG");
  EXPECT_EQ(bytes.substr(97, 30), std::string(30, ' '));
  EXPECT_EQ(bytes[127], '\xFF');
}

// The track switches the layout, the comment's width follows it, and a
// long comment loses its last two characters to the track.
TEST_F(Mp3TagTest, TheTrackSwitchesTheLayout) {
  tag_.SetTrack(5);
  EXPECT_FALSE(tag_.v1Tag());
  EXPECT_TRUE(tag_.TagModified());
  tag_.SetTrack(0);
  EXPECT_TRUE(tag_.v1Tag());
  const std::string thirty = "123456789012345678901234567890";
  tag_.Setv1Tag(false);
  tag_.SetComment(thirty);
  EXPECT_EQ(tag_.Comment(), thirty.substr(0, 28));
  tag_.Setv1Tag(true);
  tag_.SetComment(thirty);
  EXPECT_EQ(tag_.Comment(), thirty);
  tag_.SetTrack(7);
  char buffer[128];
  tag_.SaveToBuffer(buffer, 128);
  tag_.LoadFromBuffer(buffer, 128);
  EXPECT_EQ(tag_.Comment(), thirty.substr(0, 28));
  EXPECT_EQ(tag_.Track(), 7);
}

TEST_F(Mp3TagTest, TextsAreCutByCharactersNotBytes) {
  std::string accents;
  for (int i = 0; i < 31; ++i) accents += "é";
  tag_.SetTitle(accents);
  EXPECT_EQ(tag_.Title(), accents.substr(0, 60));  // 30 two-byte characters
  tag_.SetYear("２０２４年");
  EXPECT_EQ(tag_.Year(), "２０２４");
  char buffer[128];
  tag_.SaveToBuffer(buffer, 128);
  EXPECT_EQ(std::string(buffer + 3, 30), std::string(30, '\xE9'));
  EXPECT_EQ(std::string(buffer + 93, 4), "????");
}

TEST_F(Mp3TagTest, ChangesAreNotedOnlyWhenTheTextChanges) {
  tag_.LoadFromBuffer(Id3v1Tag("Same", "", "", "", "", 0, 0).data(), 128);
  tag_.SetTitle("Same");
  EXPECT_FALSE(tag_.TagModified());
  tag_.SetYear("19991");  // cut to "1999", still a change from ""
  EXPECT_TRUE(tag_.TagModified());
  EXPECT_EQ(tag_.Year(), "1999");
}

TEST_F(Mp3TagTest, GenreNamesAndNumbers) {
  tag_.SetGenre("rock");
  EXPECT_EQ(tag_.GenreID(), 17);
  EXPECT_EQ(tag_.Genre(), "rock");
  tag_.SetGenre("Polka Metal");
  EXPECT_EQ(tag_.GenreID(), -1);
  char buffer[128];
  tag_.SaveToBuffer(buffer, 128);
  EXPECT_EQ(buffer[127], '\xFF');
  tag_.SetGenre("");
  EXPECT_EQ(tag_.GenreID(), Tmp3Tag::NoGenre) << "not the list's empty last entry";
  tag_.SetGenreID(81);
  EXPECT_EQ(tag_.Genre(), "Folk/Rock");
  tag_.SetGenreID(148);
  EXPECT_EQ(tag_.Genre(), "");
  tag_.SetGenreID(200);
  EXPECT_EQ(tag_.Genre(), "");
  tag_.SetGenreID(-5);
  EXPECT_EQ(tag_.Genre(), "");
  // Genre bytes beyond the list give no name.
  tag_.LoadFromBuffer(Id3v1Tag("", "", "", "", "", 0, 230).data(), 128);
  EXPECT_EQ(tag_.GenreID(), 230);
  EXPECT_EQ(tag_.Genre(), "");
}

TEST_F(Mp3TagTest, ShortInputs) {
  tag_.LoadFromBuffer(Id3v1Tag("x", "", "", "", "", 0, 1).data(), 127);
  EXPECT_FALSE(tag_.TagPresent);
  TStringStream stream(std::string(100, 'x'));
  tag_.LoadFromStream(&stream, 100);
  EXPECT_FALSE(tag_.TagPresent);
  char buffer[127];
  try {
    tag_.SaveToBuffer(buffer, 127);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "TID3v1Tag.Save: Buffer too small");
  }
}

TEST_F(Mp3TagTest, LoadFromStreamReadsTheEndOfTheGivenPart) {
  const std::string tagged = kAudio + Id3v1Tag("Inside", "", "", "", "", 0, 2);
  TStringStream stream("head" + tagged + "tail");
  stream.Seek(4, soBeginning);
  tag_.LoadFromStream(&stream, static_cast<std::int64_t>(tagged.size()));
  EXPECT_EQ(tag_.Title(), "Inside");
  // File errors raise the file streams' exceptions.
  EXPECT_THROW(tag_.LoadFromFile("T:\\missing.mp3"), EFOpenError);
  EXPECT_THROW(tag_.SaveToFile("T:\\missing.mp3"), EFOpenError);
}

}  // namespace
}  // namespace velko_test

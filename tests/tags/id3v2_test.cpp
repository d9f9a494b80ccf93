#include "tags/ID3v2.h"

#include <gtest/gtest.h>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

class ID3v2Test : public TagTest {
 protected:
  // The tag, then some audio-like bytes.
  bool Read(const std::string& tag) { return tag_.ReadFromFile(Put("song.mp3", tag + std::string(2000, '\x55'))); }
  TID3v2 tag_;
};

TEST_F(ID3v2Test, ReadsVersion23TextFrames) {
  const std::string tag = Id3v2Tag(3, {
      Id3v2Frame(3, "TIT2", Latin1Text("Song")),
      Id3v2Frame(3, "TPE1", Latin1Text("Singer")),
      Id3v2Frame(3, "TALB", Latin1Text("Record")),
      Id3v2Frame(3, "TRCK", Latin1Text("3/12")),
      Id3v2Frame(3, "TYER", Latin1Text("1998")),
      Id3v2Frame(3, "TCON", Latin1Text("(17)Rock")),
      Id3v2Frame(3, "COMM", Latin1Comment("", "Nice one")),
      Id3v2Frame(3, "TCOM", Latin1Text("Writer")),
      Id3v2Frame(3, "TENC", Latin1Text("Encoder")),
      Id3v2Frame(3, "TCOP", Latin1Text("(c) Someone")),
      Id3v2Frame(3, "TLAN", Latin1Text("eng")),
      Id3v2Frame(3, "WXXX", Latin1Text(std::string("home\0http://example.org", 24))),
  }, 100);
  ASSERT_TRUE(Read(tag));
  EXPECT_TRUE(tag_.Exists);
  EXPECT_EQ(tag_.VersionID, 3);
  EXPECT_EQ(tag_.Size, static_cast<std::int32_t>(tag.size()));
  EXPECT_EQ(tag_.Title, "Song");
  EXPECT_EQ(tag_.Artist, "Singer");
  EXPECT_EQ(tag_.Album, "Record");
  EXPECT_EQ(tag_.Track, 3);
  EXPECT_EQ(tag_.TrackString, "3/12");
  EXPECT_EQ(tag_.Year, "1998");
  EXPECT_EQ(tag_.Genre, "Rock");
  EXPECT_EQ(tag_.Comment, "Nice one");
  EXPECT_EQ(tag_.Composer, "Writer");
  EXPECT_EQ(tag_.Encoder, "Encoder");
  EXPECT_EQ(tag_.Rights, "(c) Someone");
  EXPECT_EQ(tag_.Language, "eng");
  EXPECT_EQ(tag_.Link, "http://example.org");
}

TEST_F(ID3v2Test, ReadsVersion22ThreeLetterFrames) {
  ASSERT_TRUE(Read(Id3v2Tag(2, {
      Id3v2Frame(2, "TT2", Latin1Text("Old song")),
      Id3v2Frame(2, "TP1", Latin1Text("Old singer")),
      Id3v2Frame(2, "TAL", Latin1Text("Old record")),
      Id3v2Frame(2, "TRK", Latin1Text("5")),
      Id3v2Frame(2, "TYE", Latin1Text("1977")),
      Id3v2Frame(2, "TCO", Latin1Text("Disco")),
      Id3v2Frame(2, "COM", Latin1Comment("desc", "Old comment")),
      // Version 2.3 names mean nothing in a version 2.2 tag.
      Id3v2Frame(2, "TIT", Latin1Text("wrong")),
  })));
  EXPECT_EQ(tag_.VersionID, 2);
  EXPECT_EQ(tag_.Title, "Old song");
  EXPECT_EQ(tag_.Artist, "Old singer");
  EXPECT_EQ(tag_.Album, "Old record");
  EXPECT_EQ(tag_.Track, 5);
  EXPECT_EQ(tag_.Year, "1977");
  EXPECT_EQ(tag_.Genre, "Disco");
  EXPECT_EQ(tag_.Comment, "Old comment");
}

TEST_F(ID3v2Test, Version24SizesAreSyncSafe) {
  // 300 bytes: as a plain number the size bytes would claim far more.
  const std::string long_title(299, 'x');
  ASSERT_TRUE(Read(Id3v2Tag(4, {
      Id3v2Frame(4, "TIT2", Latin1Text(long_title)),
      Id3v2Frame(4, "TPE1", Latin1Text("After the long one")),
  })));
  EXPECT_EQ(tag_.VersionID, 4);
  EXPECT_EQ(tag_.Title, long_title);
  EXPECT_EQ(tag_.Artist, "After the long one");
}

TEST_F(ID3v2Test, Version24RecordingTimeGivesTheYear) {
  ASSERT_TRUE(Read(Id3v2Tag(4, {Id3v2Frame(4, "TDRC", Latin1Text("2003-05-01"))})));
  EXPECT_EQ(tag_.Year, "2003");
  ASSERT_TRUE(Read(Id3v2Tag(4, {Id3v2Frame(4, "TDRC", Latin1Text("2003-05-01")),
                                Id3v2Frame(4, "TYER", Latin1Text("1999"))})));
  EXPECT_EQ(tag_.Year, "1999");
}

TEST_F(ID3v2Test, FallbackFramesFillEmptyFields) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {
      Id3v2Frame(3, "TIT1", Latin1Text("Group")),
      Id3v2Frame(3, "TOPE", Latin1Text("Original artist")),
      Id3v2Frame(3, "TOAL", Latin1Text("Original album")),
      Id3v2Frame(3, "TIT2", Latin1Text("   ")),
  })));
  EXPECT_EQ(tag_.Title, "Group");
  EXPECT_EQ(tag_.Artist, "Original artist");
  EXPECT_EQ(tag_.Album, "Original album");
}

TEST_F(ID3v2Test, Utf16TextLosesItsByteOrderMark) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Utf16Text(u"Grüße 日本")),
                                Id3v2Frame(3, "TPE1", Utf16Text(u" padded "))})));
  EXPECT_EQ(tag_.Title, "Grüße 日本");
  EXPECT_EQ(tag_.Artist, "padded");
}

TEST_F(ID3v2Test, Utf16CharactersWhoseLowByteIsFFAreKept) {
  // ÿ is FF 00 and 俿 is FF 4F: only the mark at the start is dropped.
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Utf16Text(u"Zoÿ 俿")),
                                Id3v2Frame(3, "TPE1", std::string("\x01", 1) + Utf16LE(u"ÿes"))})));
  EXPECT_EQ(tag_.Title, "Zoÿ 俿");
  EXPECT_EQ(tag_.Artist, "ÿes");
}

TEST_F(ID3v2Test, BigEndianUtf16IsReadLowByteFirst) {
  const std::string big_endian = std::string("\x01\xFE\xFF\x00\x41", 5);
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", big_endian)})));
  EXPECT_EQ(tag_.Title, "\uFFFE\u4100");
}

// Encodings 3 (UTF-8) and 2 (UTF-16 big-endian) of version 2.4, byte by
// byte: "Zoë Ωμέγα 日本" and the like.
TEST_F(ID3v2Test, Version24Utf8AndBigEndianUtf16Frames) {
  const std::string utf8_title = "\x03" "Zo\xC3\xAB \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xE6\x97\xA5\xE6\x9C\xAC";
  // FE FF mark, then "Ré 日" high byte first, a zero unit and junk after it.
  const std::string be_artist("\x02\xFE\xFF\x00R\x00\xE9\x00 \x65\xE5\x00\x00\x00X", 15);
  const std::string be_album("\x02\x00\xC5\x00s", 5);  // no mark
  const std::string utf8_comment = std::string("\x03" "eng" "desc\0", 9) + "Caf\xC3\xA9 \xF0\x9F\x8E\xB5";
  const std::string be_comment = std::string("\x02" "eng" "\x00\x64\x00\x00", 8) + std::string("\x04\x16\x00!", 4);
  ASSERT_TRUE(Read(Id3v2Tag(4, {Id3v2Frame(4, "TIT2", utf8_title), Id3v2Frame(4, "TPE1", be_artist),
                                Id3v2Frame(4, "TALB", be_album), Id3v2Frame(4, "COMM", utf8_comment),
                                Id3v2Frame(4, "TCOM", std::string("\x03  padded\0\0", 11)),
                                Id3v2Frame(4, "TRCK", "\x03" "7/9")})));
  EXPECT_EQ(tag_.Title, "Zoë Ωμέγα 日本");
  EXPECT_EQ(tag_.Artist, "Ré 日");
  EXPECT_EQ(tag_.Album, "Ås");
  EXPECT_EQ(tag_.Comment, "Café 🎵");
  EXPECT_EQ(tag_.Composer, "padded");
  EXPECT_EQ(tag_.Track, 7);
  ASSERT_TRUE(Read(Id3v2Tag(4, {Id3v2Frame(4, "COMM", be_comment)})));
  EXPECT_EQ(tag_.Comment, "Ж!");
}

TEST_F(ID3v2Test, MalformedUtf8BytesReadAsLatin1) {
  ASSERT_TRUE(Read(Id3v2Tag(4, {Id3v2Frame(4, "TIT2", "\x03" "Caf\xE9 \xC3")})));
  EXPECT_EQ(tag_.Title, "Café Ã");
}

TEST_F(ID3v2Test, Utf8AndBigEndianEncodingsBelongToVersion24Only) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", "\x03UTF-8 title"),
                                Id3v2Frame(3, "TPE1", std::string("\x02\x00\x41", 3)),
                                Id3v2Frame(3, "TALB", Latin1Text("Latin"))})));
  EXPECT_EQ(tag_.Title, "");
  EXPECT_EQ(tag_.Artist, "");
  EXPECT_EQ(tag_.Album, "Latin");
  ASSERT_TRUE(Read(Id3v2Tag(4, {Id3v2Frame(4, "TIT2", "\x04unknown encoding")})));
  EXPECT_EQ(tag_.Title, "");
}

TEST_F(ID3v2Test, Latin1TextIsConverted) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Caf\xE9"))})));
  EXPECT_EQ(tag_.Title, "Café");
}

TEST_F(ID3v2Test, GenreLosesEverythingUpToTheLastClosingParenthesis) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TCON", Latin1Text("(17)"))})));
  EXPECT_EQ(tag_.Genre, "");
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TCON", Latin1Text("Rock (live)"))})));
  EXPECT_EQ(tag_.Genre, "");
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TCON", Latin1Text("Jazz"))})));
  EXPECT_EQ(tag_.Genre, "Jazz");
}

TEST_F(ID3v2Test, TrackNumbers) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TRCK", Latin1Text("x/12"))})));
  EXPECT_EQ(tag_.Track, 0);
  EXPECT_EQ(tag_.TrackString, "x/12");
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TRCK", Utf16Text(u"14"))})));
  EXPECT_EQ(tag_.Track, 14);
}

TEST_F(ID3v2Test, Utf16CommentSkipsItsDescription) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "COMM", Utf16Comment(u"Short description", u"The comment"))})));
  EXPECT_EQ(tag_.Comment, "The comment");
}

TEST_F(ID3v2Test, ALaterFrameOfTheSameKindWins) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("First")),
                                Id3v2Frame(3, "TIT2", Latin1Text("Second"))})));
  EXPECT_EQ(tag_.Title, "Second");
}

TEST_F(ID3v2Test, CompressedFramesAreNotUsed) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("zlib data"), 0x80),
                                Id3v2Frame(3, "TPE1", Latin1Text("Plain"))})));
  EXPECT_EQ(tag_.Title, "");
  EXPECT_EQ(tag_.Artist, "Plain");
}

TEST_F(ID3v2Test, LongFramesAreCutAt500BytesAndTheNextFrameIsStillFound) {
  std::string title;
  for (int i = 0; i < 70; ++i) title += "0123456789";
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text(title)),
                                Id3v2Frame(3, "TPE1", Latin1Text("Next"))})));
  EXPECT_EQ(tag_.Title, title.substr(0, 499));  // 500 bytes with the encoding byte
  EXPECT_EQ(tag_.Artist, "Next");
}

TEST_F(ID3v2Test, PaddingEndsTheFrames) {
  std::string tag = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Before"))}, 50);
  // A frame after the padding, still inside the tag's size, is not read.
  const std::string hidden = Id3v2Frame(3, "TPE1", Latin1Text("Hidden"));
  tag.replace(tag.size() - hidden.size(), hidden.size(), hidden);
  ASSERT_TRUE(Read(tag));
  EXPECT_EQ(tag_.Title, "Before");
  EXPECT_EQ(tag_.Artist, "");
}

TEST_F(ID3v2Test, AFooterAddsTenBytes) {
  const std::string tag = Id3v2Tag(4, {Id3v2Frame(4, "TIT2", Latin1Text("x"))}, 0, 0x10);
  ASSERT_TRUE(Read(tag + std::string("3DI", 3) + std::string(7, '\0')));
  EXPECT_EQ(tag_.Size, static_cast<std::int32_t>(tag.size() + 10));
}

TEST_F(ID3v2Test, ATagLargerThanTheFileHasNoSizeAndNoFrames) {
  std::string tag = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Title"))});
  tag.replace(6, 4, SyncSafe32(1 << 20));
  ASSERT_TRUE(Read(tag));
  EXPECT_TRUE(tag_.Exists);
  EXPECT_EQ(tag_.Size, 0);
  EXPECT_EQ(tag_.Title, "");
}

TEST_F(ID3v2Test, OtherMajorVersionsAreNotRead) {
  ASSERT_TRUE(Read(Id3v2Tag(5, {Id3v2Frame(4, "TIT2", Latin1Text("Title"))})));
  EXPECT_TRUE(tag_.Exists);
  EXPECT_EQ(tag_.VersionID, 5);
  EXPECT_EQ(tag_.Title, "");
}

TEST_F(ID3v2Test, AFileWithoutATag) {
  ASSERT_TRUE(tag_.ReadFromFile(Put("plain.mp3", std::string(100, 'x'))));
  EXPECT_FALSE(tag_.Exists);
  EXPECT_EQ(tag_.Size, 0);
}

TEST_F(ID3v2Test, AFileOfFewerThanTenBytesCannotBeRead) {
  EXPECT_FALSE(tag_.ReadFromFile(Put("tiny.mp3", "ID3\x03")));
  EXPECT_FALSE(tag_.ReadFromFile("T:\\missing.mp3"));
}

// ---- hostile tags ----

TEST_F(ID3v2Test, AFrameSizeThatWouldWrapAroundEndsTheWalk) {
  // As a signed 32-bit number this size would move the walk back to the
  // first frame, for ever.
  const std::string first = Id3v2Frame(3, "TIT2", Latin1Text("A"));
  std::string second = Id3v2Frame(3, "TPE1", Latin1Text("B"));
  second.replace(4, 4, BE32(0xFFFFFFFFu - static_cast<std::uint32_t>(first.size() + 9)));
  ASSERT_TRUE(Read(Id3v2Tag(3, {first, second, Id3v2Frame(3, "TALB", Latin1Text("C"))})));
  EXPECT_EQ(tag_.Title, "A");
  // The oversized frame's first 500 bytes are its text; nothing after it
  // is read as a frame.
  EXPECT_EQ(tag_.Artist.substr(0, 5), "BTALB");
  EXPECT_EQ(tag_.Album, "");
}

TEST_F(ID3v2Test, AFrameRunningPastTheTagIsTheLastOne) {
  std::string frame = Id3v2Frame(4, "TIT2", Latin1Text("Long"));
  frame.replace(4, 4, SyncSafe32(5000));
  ASSERT_TRUE(Read(Id3v2Tag(4, {frame, Id3v2Frame(4, "TPE1", Latin1Text("Never"))})));
  EXPECT_EQ(tag_.Title.substr(0, 4), "Long");
  EXPECT_EQ(tag_.Artist, "");
}

TEST_F(ID3v2Test, ZeroSizedFramesStillMoveOn) {
  std::vector<std::string> frames(200, Id3v2Frame(3, "TXXX", ""));
  frames.push_back(Id3v2Frame(3, "TIT2", Latin1Text("End")));
  ASSERT_TRUE(Read(Id3v2Tag(3, frames)));
  EXPECT_EQ(tag_.Title, "End");
}

TEST_F(ID3v2Test, ACommentWithoutADescriptionEndIsEmpty) {
  // 600 bytes of description and no terminator within the bytes read.
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "COMM", std::string("\x00" "eng", 4) + std::string(600, 'd')),
                                Id3v2Frame(3, "WXXX", std::string("\x01", 1) + std::string(600, 'u'))})));
  EXPECT_EQ(tag_.Comment, "");
  EXPECT_EQ(tag_.Link, "");
}

TEST_F(ID3v2Test, ATagThatEndsInsideAFrameHeader) {
  std::string tag = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("A"))});
  tag += "TPE1\x00";  // five bytes of a header, then the file ends
  tag.replace(6, 4, SyncSafe32(static_cast<std::uint32_t>(tag.size() - 10)));
  ASSERT_TRUE(tag_.ReadFromFile(Put("cut.mp3", tag)));
  EXPECT_EQ(tag_.Title, "A");
}

}  // namespace
}  // namespace velko_test

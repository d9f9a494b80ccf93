#include "tags/ID3v2.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

// A tag in front of some audio-like bytes, and the fields the reader names
// in `want` (the rest may be anything; a value ending in "..." is the
// field's start). The plain tags of each version, a
// UTF-16 comment, compressed, long and footer-flagged frames and a tag
// larger than its file are in the readers' record (reader_fields_test).
struct Case {
  const char* what;
  std::string tag;
  std::map<std::string, std::string> want;
};

std::string V3(const std::vector<std::string>& frames, std::size_t padding = 0) { return Id3v2Tag(3, frames, padding); }
std::string V4(const std::vector<std::string>& frames) { return Id3v2Tag(4, frames); }
std::string T3(const char* id, const std::string& data) { return Id3v2Frame(3, id, data); }
std::string T4(const char* id, const std::string& data) { return Id3v2Frame(4, id, data); }

class ID3v2Test : public TagTest {};

std::vector<Case> Cases() {
  // A tag whose walk meets a frame after its padding, still inside its size.
  std::string padded = V3({T3("TIT2", Latin1Text("Before"))}, 50);
  const std::string hidden = T3("TPE1", Latin1Text("Hidden"));
  padded.replace(padded.size() - hidden.size(), hidden.size(), hidden);
  // As a signed 32-bit number this size would move the walk back to the
  // first frame, for ever.
  const std::string first = T3("TIT2", Latin1Text("A"));
  std::string wrapping = T3("TPE1", Latin1Text("B"));
  wrapping.replace(4, 4, BE32(0xFFFFFFFFu - static_cast<std::uint32_t>(first.size() + 9)));
  std::string past_the_tag = T4("TIT2", Latin1Text("Long"));
  past_the_tag.replace(4, 4, SyncSafe32(5000));
  std::vector<std::string> zero_sized(200, T3("TXXX", ""));
  zero_sized.push_back(T3("TIT2", Latin1Text("End")));
  const std::string long_title(299, 'x');
  return {
      {"version 2.3 text frames",
       V3({T3("TIT2", Latin1Text("Song")), T3("TPE1", Latin1Text("Singer")), T3("TALB", Latin1Text("Caf\xE9")),
           T3("TRCK", Latin1Text("3/12")), T3("TYER", Latin1Text("1998")), T3("COMM", Latin1Comment("", "Nice one")),
           T3("TCOM", Latin1Text("Writer")), T3("TENC", Latin1Text("Encoder")), T3("TCOP", Latin1Text("(c) Someone")),
           T3("TLAN", Latin1Text("eng")), T3("WXXX", Latin1Text(std::string("home\0http://example.org", 24)))},
          100),
       {{"version", "3"}, {"title", "Song"}, {"artist", "Singer"}, {"album", "Café"}, {"track", "3"},
        {"track text", "3/12"}, {"year", "1998"}, {"comment", "Nice one"}, {"composer", "Writer"},
        {"encoder", "Encoder"}, {"rights", "(c) Someone"}, {"language", "eng"}, {"link", "http://example.org"}}},
      {"version 2.2 three-letter frames",
       Id3v2Tag(2, {Id3v2Frame(2, "TT2", Latin1Text("Old song")), Id3v2Frame(2, "TP1", Latin1Text("Old singer")),
                    Id3v2Frame(2, "TAL", Latin1Text("Old record")), Id3v2Frame(2, "TRK", Latin1Text("5")),
                    Id3v2Frame(2, "TYE", Latin1Text("1977")), Id3v2Frame(2, "TCO", Latin1Text("Disco")),
                    Id3v2Frame(2, "COM", Latin1Comment("desc", "Old comment")),
                    // Version 2.3 names mean nothing in a version 2.2 tag.
                    Id3v2Frame(2, "TIT", Latin1Text("wrong"))}),
       {{"version", "2"}, {"title", "Old song"}, {"artist", "Old singer"}, {"album", "Old record"}, {"track", "5"},
        {"year", "1977"}, {"genre", "Disco"}, {"comment", "Old comment"}}},
      // 300 bytes: as a plain number the size bytes would claim far more.
      {"version 2.4 sizes are sync-safe",
       V4({T4("TIT2", Latin1Text(long_title)), T4("TPE1", Latin1Text("After the long one"))}),
       {{"version", "4"}, {"title", long_title}, {"artist", "After the long one"}}},
      {"recording time gives the year", V4({T4("TDRC", Latin1Text("2003-05-01"))}), {{"year", "2003"}}},
      {"a year frame wins over the recording time",
       V4({T4("TDRC", Latin1Text("2003-05-01")), T4("TYER", Latin1Text("1999"))}), {{"year", "1999"}}},
      {"fallback frames fill empty fields",
       V3({T3("TIT1", Latin1Text("Group")), T3("TOPE", Latin1Text("Original artist")),
           T3("TOAL", Latin1Text("Original album")), T3("TIT2", Latin1Text("   "))}),
       {{"title", "Group"}, {"artist", "Original artist"}, {"album", "Original album"}}},
      {"UTF-16 loses its byte order mark", V3({T3("TIT2", Utf16Text(u"Grüße 日本")), T3("TPE1", Utf16Text(u" padded "))}),
       {{"title", "Grüße 日本"}, {"artist", "padded"}}},
      // ÿ is FF 00 and 俿 is FF 4F: only the mark at the start is dropped.
      {"UTF-16 characters whose low byte is FF",
       V3({T3("TIT2", Utf16Text(u"Zoÿ 俿")), T3("TPE1", std::string("\x01", 1) + Utf16LE(u"ÿes"))}),
       {{"title", "Zoÿ 俿"}, {"artist", "ÿes"}}},
      {"big-endian UTF-16 is read low byte first", V3({T3("TIT2", std::string("\x01\xFE\xFF\x00\x41", 5))}),
       {{"title", "\uFFFE\u4100"}}},
      // Encodings 3 (UTF-8) and 2 (UTF-16 big-endian) of version 2.4, byte by
      // byte; the artist has an FE FF mark, a zero unit and junk after it, the
      // album no mark.
      {"version 2.4 UTF-8 and big-endian UTF-16",
       V4({T4("TIT2", "\x03" "Zo\xC3\xAB \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xE6\x97\xA5\xE6\x9C\xAC"),
           T4("TPE1", std::string("\x02\xFE\xFF\x00R\x00\xE9\x00 \x65\xE5\x00\x00\x00X", 15)),
           T4("TALB", std::string("\x02\x00\xC5\x00s", 5)),
           T4("COMM", std::string("\x03" "eng" "desc\0", 9) + "Caf\xC3\xA9 \xF0\x9F\x8E\xB5"),
           T4("TCOM", std::string("\x03  padded\0\0", 11)), T4("TRCK", "\x03" "7/9")}),
       {{"title", "Zoë Ωμέγα 日本"}, {"artist", "Ré 日"}, {"album", "Ås"}, {"comment", "Café 🎵"},
        {"composer", "padded"}, {"track", "7"}}},
      {"a big-endian UTF-16 comment",
       V4({T4("COMM", std::string("\x02" "eng" "\x00\x64\x00\x00", 8) + std::string("\x04\x16\x00!", 4))}),
       {{"comment", "Ж!"}}},
      {"malformed UTF-8 reads as Latin-1", V4({T4("TIT2", "\x03" "Caf\xE9 \xC3")}), {{"title", "Café Ã"}}},
      {"UTF-8 and big-endian belong to version 2.4 only",
       V3({T3("TIT2", "\x03UTF-8 title"), T3("TPE1", std::string("\x02\x00\x41", 3)), T3("TALB", Latin1Text("Latin"))}),
       {{"title", ""}, {"artist", ""}, {"album", "Latin"}}},
      {"an unknown encoding", V4({T4("TIT2", "\x04unknown encoding")}), {{"title", ""}}},
      {"a genre number alone", V3({T3("TCON", Latin1Text("(17)"))}), {{"genre", ""}}},
      {"a genre loses all up to its last parenthesis", V3({T3("TCON", Latin1Text("Rock (live)"))}), {{"genre", ""}}},
      {"a genre name", V3({T3("TCON", Latin1Text("Jazz"))}), {{"genre", "Jazz"}}},
      {"a track that is no number", V3({T3("TRCK", Latin1Text("x/12"))}), {{"track", "0"}, {"track text", "x/12"}}},
      {"a UTF-16 track", V3({T3("TRCK", Utf16Text(u"14"))}), {{"track", "14"}}},
      {"a later frame of the same kind wins", V3({T3("TIT2", Latin1Text("First")), T3("TIT2", Latin1Text("Second"))}),
       {{"title", "Second"}}},
      {"padding ends the frames", padded, {{"title", "Before"}, {"artist", ""}}},
      {"other major versions are not read", Id3v2Tag(5, {T4("TIT2", Latin1Text("Title"))}),
       {{"exists", "1"}, {"version", "5"}, {"title", ""}}},
      // The oversized frame's first 500 bytes are its text; nothing after it
      // is read as a frame.
      {"a frame size that would wrap around ends the walk", V3({first, wrapping, T3("TALB", Latin1Text("C"))}),
       {{"title", "A"}, {"artist", "BTALB..."}, {"album", ""}}},
      {"a frame running past the tag is the last one", V4({past_the_tag, T4("TPE1", Latin1Text("Never"))}),
       {{"title", "Long..."}, {"artist", ""}}},
      {"zero-sized frames still move on", V3(zero_sized), {{"title", "End"}}},
      // 600 bytes of description and no terminator within the bytes read.
      {"a comment without a description end is empty",
       V3({T3("COMM", std::string("\x00" "eng", 4) + std::string(600, 'd')),
           T3("WXXX", std::string("\x01", 1) + std::string(600, 'u'))}),
       {{"comment", ""}, {"link", ""}}},
  };
}

TEST_F(ID3v2Test, FramesEncodingsAndHostileTags) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(Put("song.mp3", c.tag + std::string(2000, '\x55'))));
    const std::map<std::string, std::string> fields = {
        {"exists", std::to_string(tag.Exists)}, {"version", std::to_string(tag.VersionID)},
        {"title", tag.Title},  {"artist", tag.Artist}, {"album", tag.Album}, {"track", std::to_string(tag.Track)},
        {"track text", tag.TrackString}, {"year", tag.Year}, {"genre", tag.Genre}, {"comment", tag.Comment},
        {"composer", tag.Composer}, {"encoder", tag.Encoder}, {"rights", tag.Rights}, {"language", tag.Language},
        {"link", tag.Link}};
    for (const auto& [name, value] : c.want) {
      // A value ending in "..." is the field's start.
      const std::size_t length = value.ends_with("...") ? value.size() - 3 : std::string::npos;
      EXPECT_EQ(fields.at(name).substr(0, length), value.substr(0, length)) << name;
    }
  }
}

TEST_F(ID3v2Test, SizesAndShortFiles) {
  TID3v2 tag;
  const std::string whole = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Title"))}, 100);
  ASSERT_TRUE(tag.ReadFromFile(Put("song.mp3", whole + std::string(2000, '\x55'))));
  EXPECT_EQ(tag.Size, static_cast<std::int32_t>(whole.size()));
  // A tag that ends inside a frame header, with the file.
  std::string cut = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("A"))});
  cut += "TPE1\x00";
  cut.replace(6, 4, SyncSafe32(static_cast<std::uint32_t>(cut.size() - 10)));
  ASSERT_TRUE(tag.ReadFromFile(Put("cut.mp3", cut)));
  EXPECT_EQ(tag.Title, "A");
  EXPECT_FALSE(tag.ReadFromFile(Put("tiny.mp3", "ID3\x03")));
  EXPECT_FALSE(tag.ReadFromFile("T:\\missing.mp3"));
}

}  // namespace
}  // namespace velko_test

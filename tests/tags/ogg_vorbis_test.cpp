#include "tags/OggVorbis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

const OggOptions& TaggedOptions() {
  static const OggOptions options{.comments = {{"TITLE", "Title"},
                                         {"ARTIST", "Artist"},
                                         {"ALBUM", "Album"},
                                         {"TRACKNUMBER", "3/12"},
                                         {"DATE", "2001"},
                                         {"GENRE", "Ambient"},
                                         {"COMMENT", "Encoded for a test"}}};
  return options;
}

const std::string& TaggedOgg() {
  static const std::string ogg = EncodeOgg(TaggedOptions());
  return ogg;
}

// A final page header that ends the stream at `granule` samples.
std::string LastPage(std::uint64_t granule) { return OggPageHeader(granule, 5, 100) + std::string(100, '\x33'); }

class OggVorbisTest : public TagTest {
 protected:
  bool Read(const std::string& bytes) { return reader_.ReadFromFile(Put("song.ogg", bytes)); }
  // Hand-made headers with these comments, some "audio" and a last page.
  bool ReadComments(const std::string& comment_body) {
    return Read(HandMadeVorbisHeaders(2, 44100, 128000, comment_body) + std::string(3000, '\x22') +
                LastPage(88200));
  }
  TOggVorbis reader_;
};

TEST_F(OggVorbisTest, ReadsAnEncodedFile) {
  ASSERT_TRUE(Read(TaggedOgg()));
  EXPECT_TRUE(reader_.GetValid());
  EXPECT_EQ(reader_.FileSize, static_cast<std::int32_t>(TaggedOgg().size()));
  EXPECT_EQ(reader_.ChannelModeID, 2);
  EXPECT_EQ(reader_.SampleRate, 44100u);
  EXPECT_GT(reader_.BitRateNominal, 0);
  EXPECT_EQ(reader_.Samples, OggSamples(TaggedOptions()));
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 2.0);
  EXPECT_EQ(reader_.GetBitRate(), std::nearbyint(TaggedOgg().size() / 2.0 / 125));
  EXPECT_EQ(reader_.Title, "Title");
  EXPECT_EQ(reader_.Artist, "Artist");
  EXPECT_EQ(reader_.Album, "Album");
  EXPECT_EQ(reader_.Track, 3);
  EXPECT_EQ(reader_.Date, "2001");
  EXPECT_EQ(reader_.Genre, "Ambient");
  EXPECT_EQ(reader_.Comment, "Encoded for a test");
  EXPECT_EQ(reader_.Vendor.substr(0, 8), "Xiph.Org");
  EXPECT_EQ(reader_.ID3v2Size, 0);
}

// Comment headers built by hand, with some "audio" and a last page after
// them, and the fields the reader names in `want`. Stand-ins, trimming, a
// later comment winning, other channel counts and rates, a tag in front and
// a trailing block are in the readers' record (reader_fields_test).
TEST_F(OggVorbisTest, CommentRulesAndHostileCommentHeaders) {
  std::string count_past = VorbisCommentBody("v", {"TITLE=Only one"});
  count_past.replace(5, 4, LE32(0xFFFFFFFF));  // the count after the 1-byte vendor
  std::string length_past = VorbisCommentBody("v", {"TITLE=Kept", "ARTIST=Cut"});
  length_past.replace(9 + 4 + 10, 4, LE32(0xFFFFFFF0));
  struct Case {
    const char* what;
    std::string body;
    std::map<std::string, std::string> want;
  };
  const Case cases[] = {
      {"artist and comment win over their stand-ins",
       VorbisCommentBody("vendor", {"PERFORMER=Performer", "artist=Artist", "DESCRIPTION=Description", "Comment=Comment"}),
       {{"artist", "Artist"}, {"comment", "Comment"}}},
      {"a value is all after the first equals sign", VorbisCommentBody("v", {"GENRE==x"}), {{"genre", "=x"}}},
      {"track numbers keep their low eight bits", VorbisCommentBody("v", {"TRACKNUMBER=260"}), {{"track", "4"}}},
      // Decoding stops at the first broken sequence and keeps what came before.
      {"UTF-8 by the reader's own rules",
       VorbisCommentBody("v", {"TITLE=Caf\xC3\xA9 \xE2\x82\xAC", "ALBUM=ab\xC3(cd", "ARTIST=x\xE2\x82"}),
       {{"title", "Café €"}, {"album", "ab"}, {"artist", "x"}}},
      {"a comment length beyond the file ends the comments", length_past,
       {{"title", "Kept"}, {"artist", ""}, {"valid", "1"}}},
      {"a vendor length beyond the file leaves no comments", LE32(0x7FFFFFFF) + "vendor",
       {{"vendor", ""}, {"samples", "88200"}}},
      {"long comments are cut at 250 bytes",
       VorbisCommentBody("v", {"TITLE=" + std::string(400, 't'), "ALBUM=After"}),
       {{"title", std::string(244, 't')}, {"album", "After"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ReadComments(c.body));
    const std::map<std::string, std::string> fields = {
        {"title", reader_.Title}, {"artist", reader_.Artist}, {"album", reader_.Album},
        {"comment", reader_.Comment}, {"genre", reader_.Genre}, {"track", std::to_string(reader_.Track)},
        {"vendor", reader_.Vendor}, {"valid", std::to_string(reader_.GetValid())},
        {"samples", std::to_string(reader_.Samples)}};
    for (const auto& [name, value] : c.want) EXPECT_EQ(fields.at(name), value) << name;
  }
  // A comment count beyond the data, and nothing after the headers.
  ASSERT_TRUE(Read(HandMadeVorbisHeaders(2, 44100, 128000, count_past)));
  EXPECT_EQ(reader_.Title, "Only one");
}

TEST_F(OggVorbisTest, TheLastPageIsLookedForFrom10To12060BytesBeforeTheEnd) {
  const std::string headers = HandMadeVorbisHeaders(2, 44100, 128000, VorbisCommentBody("v", {}));
  // A page header starting `distance` bytes before the end of the file.
  auto samples_with_page_at = [&](std::size_t distance) {
    std::string page = std::string("OggS\0\0", 6) + LE64(44100) + std::string(20, '\0');
    page.resize(std::min(page.size(), distance));
    const std::string file = headers + std::string(20000, '\x22') + page +
                             std::string(distance - page.size(), '\x22');
    EXPECT_TRUE(Read(file));
    return reader_.Samples;
  };
  EXPECT_EQ(samples_with_page_at(10), 44100);
  EXPECT_EQ(samples_with_page_at(9), 0);
  EXPECT_EQ(samples_with_page_at(12060), 44100);
  EXPECT_EQ(samples_with_page_at(12061), 0);
}

TEST_F(OggVorbisTest, AFileShorterThanTheLastPageWindowsStillOpens) {
  const std::string ogg = EncodeOgg(OggOptions{.seconds = 0.5});
  ASSERT_LT(ogg.size(), 12060u);
  ASSERT_TRUE(Read(ogg));
  EXPECT_EQ(reader_.Samples, 22050);
  EXPECT_TRUE(reader_.GetValid());
}

TEST_F(OggVorbisTest, NotOggIsNotRead) {
  EXPECT_FALSE(Read(std::string(5000, 'x')));
  EXPECT_FALSE(reader_.GetValid());
  // An Ogg stream of another codec.
  std::string other = TaggedOgg();
  other.replace(28, 7, "\x7F" "FLAC\x01\x00");
  EXPECT_FALSE(Read(other));
  EXPECT_EQ(reader_.Title, "");
  EXPECT_FALSE(reader_.ReadFromFile("T:\\missing.ogg"));
}

// A packet laid over as many pages as it takes, each holding at most
// `per_page` bytes of it (a multiple of 255), the later ones marked as
// continuing it; the pages are numbered from `sequence` on.
std::string PacketOverPages(const std::string& packet, std::uint32_t sequence, std::size_t per_page) {
  std::string out;
  for (std::size_t offset = 0;; ++sequence) {
    const std::size_t left = packet.size() - offset;
    const bool ends = left < per_page;
    const std::size_t take = ends ? left : per_page;
    std::string lacing(take / 255, '\xFF');
    if (ends) lacing += static_cast<char>(take % 255);
    const char type = offset == 0 ? '\0' : '\x01';
    out += std::string("OggS\0", 5) + type + LE64(ends ? 0 : ~std::uint64_t{0}) + LE32(1234) + LE32(sequence) +
           LE32(0) + static_cast<char>(lacing.size()) + lacing + packet.substr(offset, take);
    offset += take;
    if (ends) return out;
  }
}

TEST_F(OggVorbisTest, CommentsAreReadAcrossPages) {
  // A 60 KB picture before the texts spreads the comment packet over three
  // pages, as encoders write it.
  const std::string picture = "METADATA_BLOCK_PICTURE=" + std::string(60000, 'p');
  const std::string packet =
      std::string("\x03vorbis", 7) +
      VorbisCommentBody("v", {picture, "TITLE=Cover title", "ARTIST=Cover artist", "ALBUM=Cover album"}) + '\x01';
  const std::string identification = VorbisIdentification(2, 44100, 128000);
  const std::string pages = PacketOverPages(packet, 1, 255 * 100);
  ASSERT_EQ(pages.substr(0, 4), "OggS");
  ASSERT_NE(pages.find("OggS", 255 * 100 * 2), std::string::npos) << "the packet takes three pages";
  ASSERT_TRUE(Read(OggPageHeader(0, 0, identification.size()) + identification + pages +
                   std::string(3000, '\x22') + LastPage(88200)));
  EXPECT_EQ(reader_.Title, "Cover title");
  EXPECT_EQ(reader_.Artist, "Cover artist");
  EXPECT_EQ(reader_.Album, "Cover album");
  EXPECT_EQ(reader_.Vendor, "v");
  EXPECT_TRUE(reader_.GetValid());
}

}  // namespace
}  // namespace velko_test

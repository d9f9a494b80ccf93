#include "tags/WMAfile.h"

#include <gtest/gtest.h>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

// The usual audio objects: 128 kbit/s at most, stereo 44100 Hz, 16000 bytes a second.
std::vector<std::string> AudioObjects() {
  return {AsfFileProperties(128000), AsfStreamProperties(2, 44100, 16000)};
}

std::vector<std::string> With(std::vector<std::string> objects, const std::vector<std::string>& more) {
  objects.insert(objects.end(), more.begin(), more.end());
  return objects;
}

class WMAfileTest : public TagTest {
 protected:
  bool Read(const std::string& bytes) { return reader_.ReadFromFile(Put("song.wma", bytes)); }
  TWMAfile reader_;
};

TEST_F(WMAfileTest, TheLaterDescriptionObjectWins) {
  const std::string content = AsfContentDescription(u"Plain title", u"Plain author", u"", u"Plain comment", u"");
  const std::string extended = AsfExtendedContentDescription(
      {AsfText(u"WM/TITLE", u"Extended title"), AsfText(u"WM/Author", u"Extended author"),
       AsfText(u"WM/Description", u"Extended comment")});
  ASSERT_TRUE(Read(AsfFile(With(AudioObjects(), {content, extended}))));
  EXPECT_EQ(reader_.Title, "Extended title");
  EXPECT_EQ(reader_.Artist, "Extended author");
  EXPECT_EQ(reader_.Comment, "Extended comment");
  ASSERT_TRUE(Read(AsfFile(With(AudioObjects(), {extended, content}))));
  EXPECT_EQ(reader_.Title, "Plain title");
  EXPECT_EQ(reader_.Artist, "Plain author");
  EXPECT_EQ(reader_.Comment, "Plain comment");
}

TEST_F(WMAfileTest, ANumericTrackIsSkippedAndTheNextDescriptorsStillRead) {
  const AsfDescriptor numeric_track{u"WM/TRACK", 3, LE32(5)};
  ASSERT_TRUE(Read(AsfFile(With(AudioObjects(), {AsfExtendedContentDescription(
      {numeric_track, AsfDescriptor{u"WM/Picture", 1, std::string(3000, '\x77')},
       AsfText(u"WM/AlbumTitle", u"After")})}))));
  EXPECT_EQ(reader_.Track, 0);
  EXPECT_EQ(reader_.Album, "After");
}

TEST_F(WMAfileTest, TextsAreCutAt250Characters) {
  std::u16string title(300, u'é');
  ASSERT_TRUE(Read(AsfFile(With(AudioObjects(), {AsfContentDescription(title, u"After", u"", u"", u"")}))));
  std::string expected;
  for (int i = 0; i < 250; ++i) expected += "é";
  EXPECT_EQ(reader_.Title, expected);
  EXPECT_EQ(reader_.Artist, "After");
}

TEST_F(WMAfileTest, ValidityLimits) {
  auto valid = [&](std::uint32_t max_bit_rate, int channels, std::uint32_t rate, std::uint32_t byte_rate) {
    EXPECT_TRUE(Read(AsfFile({AsfFileProperties(max_bit_rate), AsfStreamProperties(channels, rate, byte_rate)})));
    return reader_.Valid;
  };
  EXPECT_TRUE(valid(319999, 1, 8000, 39999));
  EXPECT_TRUE(valid(1, 2, 96000, 1));
  EXPECT_FALSE(valid(320000, 2, 44100, 16000));
  EXPECT_FALSE(valid(0, 2, 44100, 16000));
  EXPECT_FALSE(valid(128000, 2, 44100, 40000));
  EXPECT_FALSE(valid(128000, 2, 44100, 0));
  EXPECT_FALSE(valid(128000, 6, 44100, 16000));
  EXPECT_FALSE(valid(128000, 2, 7999, 16000));
  EXPECT_FALSE(valid(128000, 2, 96001, 16000));
  EXPECT_EQ(reader_.SampleRate, 0) << "a file that is not valid keeps nothing";
}

TEST_F(WMAfileTest, ALaterStreamReplacesAnEarlierOne) {
  ASSERT_TRUE(Read(AsfFile({AsfFileProperties(64000), AsfStreamProperties(1, 22050, 8000),
                            AsfStreamProperties(2, 32000, 4000)})));
  EXPECT_EQ(reader_.ChannelModeID, 2);
  EXPECT_EQ(reader_.SampleRate, 32000);
  EXPECT_EQ(reader_.BitRate, 32);
}

// Headers whose objects are not what they claim: the walk ends inside the
// file and reads nothing twice. The plain files, and those that are no ASF
// file at all, are in the readers' record (reader_fields_test).
TEST_F(WMAfileTest, HostileHeadersEndTheWalk) {
  std::string zero_sized = AsfObject("11111111-2222-3333-4444-555555555555", "");
  zero_sized.replace(16, 8, LE64(0));
  std::string zero_loop = AsfFile({AsfFileProperties(128000), zero_sized, AsfStreamProperties(2, 44100, 16000)});
  // With a size of 0 and this count the walk would read the same object
  // four billion times.
  zero_loop.replace(24, 4, LE32(0xFFFFFFFF));
  std::string huge = AsfStreamProperties(2, 44100, 16000);
  huge.replace(16, 8, LE64(0x1'0000'0064ull));  // low 32 bits: 100
  std::string counted = AsfFile(AudioObjects());
  counted.replace(24, 4, LE32(0xFFFFFFFF));
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"an object size below its own header", zero_loop, false},
      {"an object running past the file", AsfFile({AsfFileProperties(128000), huge, AsfStreamProperties(1, 8000, 1000)}),
       false},
      {"an object count beyond the objects", counted, true},
      {"shorter than a header", "short", false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Read(c.bytes)) << c.what;
    EXPECT_EQ(reader_.Valid, c.valid) << c.what;
  }
  EXPECT_FALSE(reader_.ReadFromFile("T:\\missing.wma"));
}

TEST_F(WMAfileTest, DescriptorsThatOverrunTheirObjectAreNotReadBeyondIt) {
  std::string extended = AsfExtendedContentDescription({AsfText(u"WM/Year", u"1999"), AsfText(u"WM/Genre", u"Pop")});
  extended.replace(24, 2, LE16(60000));  // descriptor count
  // A text length that runs past the object into the next one.
  std::string content = AsfContentDescription(u"Title", u"", u"", u"", u"");
  content.replace(24, 2, LE16(60000));
  ASSERT_TRUE(Read(AsfFile(With(AudioObjects(), {extended, content}))));
  EXPECT_TRUE(reader_.Valid);
  EXPECT_EQ(reader_.Year, "1999");
  EXPECT_EQ(reader_.Genre, "Pop");
  EXPECT_EQ(reader_.Title, "");
}

TEST_F(WMAfileTest, TheDurationIsThePlayDurationWithoutThePreroll) {
  // ffmpeg's files carry their play duration and a preroll; the size over
  // the maximum bit rate overstates the length by the header and padding.
  for (const double seconds : {2.5, 11.98}) {
    SCOPED_TRACE(seconds);
    const std::string path = (dir_ / "made.wma").string();
    ASSERT_TRUE(MakeWmaWithFfmpeg(path, seconds));
    ASSERT_TRUE(reader_.ReadFromFile("T:\\made.wma"));
    ASSERT_TRUE(reader_.Valid);
    EXPECT_NEAR(reader_.Duration, seconds, 0.05);
  }
}

}  // namespace
}  // namespace velko_test

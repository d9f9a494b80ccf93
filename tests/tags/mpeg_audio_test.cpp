#include "tags/MPEGaudio.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

// Encoded once for all tests.
const std::string& LameCbr() {
  static const std::string mp3 = EncodeMp3(Mp3Options{});
  return mp3;
}
const std::string& LameVbrWithXing() {
  static const std::string mp3 = EncodeMp3(Mp3Options{.vbr = true, .vbr_tag = true});
  return mp3;
}

// MPEG 1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: 417-byte frames.
const std::string kCbrHeader = "\xFF\xFB\x90\x44";
constexpr int kCbrFrameLength = 417;

// `count` frames of silence with the given header.
std::string Frames(const std::string& header, int length, int count) {
  std::string frame = header + std::string(length - 4, '\0');
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

// A CBR stream whose first frame carries a VBR header at offset 36.
std::string WithVBRHeader(const std::string& vbr_header, int count) {
  std::string frames = Frames(kCbrHeader, kCbrFrameLength, count);
  frames.replace(36, vbr_header.size(), vbr_header);
  return frames;
}

class MPEGaudioTest : public TagTest {
 protected:
  bool Read(const std::string& bytes) { return reader_.ReadFromFile(Put("song.mp3", bytes)); }
  TMPEGaudio reader_;
};

TEST_F(MPEGaudioTest, ConstantBitRateLameFile) {
  const std::string& mp3 = LameCbr();
  ASSERT_TRUE(Read(mp3));
  EXPECT_TRUE(reader_.GetValid());
  EXPECT_EQ(reader_.FileLength, static_cast<std::int32_t>(mp3.size()));
  EXPECT_TRUE(reader_.Frame.Found);
  EXPECT_EQ(reader_.Frame.Position, 0);
  EXPECT_EQ(reader_.Frame.VersionID, MPEG_VERSION_1);
  EXPECT_EQ(reader_.Frame.LayerID, MPEG_LAYER_III);
  EXPECT_EQ(reader_.GetSampleRate(), 44100);
  EXPECT_EQ(reader_.GetBitRate(), 128);
  EXPECT_EQ(reader_.GetChannelMode(), "Joint Stereo");
  EXPECT_FALSE(reader_.VBR.Found);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), mp3.size() * 8.0 / 128000);
  EXPECT_NEAR(reader_.GetDuration(), 2.0, 0.1);
  // LAME leaves its name in the padding of the last frames.
  EXPECT_EQ(reader_.VendorID, "LAME3.10");
  EXPECT_FALSE(reader_.ID3v1.Exists);
  EXPECT_FALSE(reader_.ID3v2.Exists);
}

TEST_F(MPEGaudioTest, XingHeaderGivesTheVariableBitRateDuration) {
  const std::string& mp3 = LameVbrWithXing();
  ASSERT_TRUE(Read(mp3));
  ASSERT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.VBR.ID, "Xing");
  EXPECT_TRUE(reader_.Frame.Xing);
  EXPECT_GT(reader_.VBR.Frames, 70);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 1152.0 * reader_.VBR.Frames / 44100);
  EXPECT_NEAR(reader_.GetDuration(), 2.0, 0.1);
  EXPECT_EQ(reader_.GetBitRate(),
            std::nearbyint(static_cast<double>(reader_.VBR.Bytes) / reader_.VBR.Frames * 44100 / 144 / 1000));
  EXPECT_EQ(reader_.VBR.VendorID.substr(0, 4), "LAME");
  EXPECT_EQ(reader_.VendorID, "") << "the end is searched only without a VBR header";
  EXPECT_TRUE(reader_.GetValid());
}

TEST_F(MPEGaudioTest, MonoMpeg2XingHeaderSitsCloserToTheFrameStart) {
  ASSERT_TRUE(Read(EncodeMp3(Mp3Options{.sample_rate = 22050, .channels = 1, .vbr = true, .vbr_tag = true})));
  ASSERT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.Frame.VersionID, MPEG_VERSION_2);
  EXPECT_EQ(reader_.GetSampleRate(), 22050);
  EXPECT_EQ(reader_.GetChannelMode(), "Mono");
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 576.0 * reader_.VBR.Frames / 22050);
  EXPECT_NEAR(reader_.GetDuration(), 2.0, 0.1);
}

TEST_F(MPEGaudioTest, BothTagsAreReadAndLeftOutOfTheDuration) {
  const std::string id3v2 = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("Version two title")),
                                         Id3v2Frame(3, "TRCK", Latin1Text("4/9"))}, 1000);
  const std::string id3v1 = Id3v1Tag("Version one title", "Artist", "Album", "2004", "Comment", 4, 13);
  ASSERT_TRUE(Read(id3v2 + LameCbr() + id3v1));
  EXPECT_TRUE(reader_.GetValid());
  EXPECT_EQ(reader_.ID3v2.Size, static_cast<std::int32_t>(id3v2.size()));
  EXPECT_EQ(reader_.ID3v2.Title, "Version two title");
  EXPECT_EQ(reader_.ID3v2.Track, 4);
  EXPECT_EQ(reader_.ID3v1.Title, "Version one title");
  EXPECT_EQ(reader_.ID3v1.GetGenre(), "Pop");
  EXPECT_EQ(reader_.Frame.Position, 0);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), LameCbr().size() * 8.0 / 128000);
  // The signature search ends before the ID3v1 tag.
  EXPECT_EQ(reader_.VendorID, "LAME3.10");
}

TEST_F(MPEGaudioTest, Version24TagInFrontOfAVariableBitRateFile) {
  const std::string id3v2 = Id3v2Tag(4, {Id3v2Frame(4, "TIT2", Utf16Text(u"Überall")),
                                         Id3v2Frame(4, "TDRC", Latin1Text("2010-01-02"))}, 300);
  ASSERT_TRUE(Read(id3v2 + LameVbrWithXing()));
  EXPECT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.ID3v2.Title, "Überall");
  EXPECT_EQ(reader_.ID3v2.Year, "2010");
  EXPECT_NEAR(reader_.GetDuration(), 2.0, 0.1);
}

TEST_F(MPEGaudioTest, Version24TagInUtf8AndBigEndianUtf16) {
  const std::string id3v2 = Id3v2Tag(4, {Id3v2Frame(4, "TIT2", "\x03" "\xC3\x9C" "ber \xD0\x9C\xD0\xB8\xD1\x80"),
                                         Id3v2Frame(4, "TPE1", std::string("\x02\x00\xC9\x30\xAD\x00\x00", 7))});
  ASSERT_TRUE(Read(id3v2 + LameVbrWithXing()));
  EXPECT_EQ(reader_.ID3v2.Title, "Über Мир");
  EXPECT_EQ(reader_.ID3v2.Artist, "Éキ");
  EXPECT_TRUE(reader_.GetValid());
}

TEST_F(MPEGaudioTest, AThousandFrameXingHeader) {
  const std::string xing = "Xing" + BE32(0x0F) + BE32(1000) + BE32(417000);
  ASSERT_TRUE(Read(WithVBRHeader(xing, 20)));
  ASSERT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.VBR.Frames, 1000);
  EXPECT_EQ(reader_.VBR.Bytes, 417000);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 1000.0 * 1152 / 44100);
  EXPECT_EQ(reader_.GetBitRate(), 128);  // 417 bytes x 44100 / 144 / 1000 = 127.7
}

TEST_F(MPEGaudioTest, VBRIHeader) {
  const std::string vbri = "VBRI" + std::string("\x00\x01\x00\x00\x00\x4B", 6) + BE32(800000) + BE32(2000);
  ASSERT_TRUE(Read(WithVBRHeader(vbri, 20)));
  ASSERT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.VBR.ID, "VBRI");
  EXPECT_EQ(reader_.VBR.Scale, 0x4B);
  EXPECT_EQ(reader_.VBR.Bytes, 800000);
  EXPECT_EQ(reader_.VBR.Frames, 2000);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 2000.0 * 1152 / 44100);
  EXPECT_EQ(reader_.GetBitRate(), 122);  // 400 bytes a frame
}

TEST_F(MPEGaudioTest, AXingHeaderWithoutFramesFallsBackToTheFileLength) {
  const std::string xing = "Xing" + BE32(0) + BE32(0) + BE32(0);
  const std::string mp3 = WithVBRHeader(xing, 100);
  ASSERT_TRUE(Read(mp3));
  EXPECT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.GetBitRate(), 128);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), mp3.size() * 8.0 / 128000);
}

TEST_F(MPEGaudioTest, AFirstFrameFarBehindTheStartIsFoundInTheMiddle) {
  const std::string mp3 = std::string(4000, '\0') + LameCbr();
  ASSERT_TRUE(Read(mp3));
  ASSERT_TRUE(reader_.Frame.Found);
  EXPECT_TRUE(reader_.GetValid());
  // Position counts from the start of the buffer read in the middle.
  const std::size_t middle = mp3.size() / 2;
  EXPECT_LT(reader_.Frame.Position, 1729);
  EXPECT_EQ(mp3.substr(middle + reader_.Frame.Position, 2), "\xFF\xFB");
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), (mp3.size() - reader_.Frame.Position) * 8.0 / 128000);
}

TEST_F(MPEGaudioTest, ALoneHeaderWithoutASecondIsPassedOver) {
  std::string mp3 = kCbrHeader + std::string(596, '\x11') + Frames(kCbrHeader, kCbrFrameLength, 30);
  ASSERT_TRUE(Read(mp3));
  ASSERT_TRUE(reader_.Frame.Found);
  EXPECT_EQ(reader_.Frame.Position, 600);
}

TEST_F(MPEGaudioTest, FreeFormatHeadersAreNeverAccepted) {
  ASSERT_TRUE(Read(Frames("\xFF\xFB\x00\x44", 100, 60)));
  EXPECT_FALSE(reader_.Frame.Found);
  EXPECT_FALSE(reader_.GetValid());
  EXPECT_EQ(reader_.FileLength, 0) << "a file without frames leaves the reader reset";
  EXPECT_EQ(reader_.GetDuration(), 0);
}

TEST_F(MPEGaudioTest, AnythingShorterThanATenthOfASecondIsNotValid) {
  ASSERT_TRUE(Read(Frames(kCbrHeader, kCbrFrameLength, 2)));
  EXPECT_TRUE(reader_.Frame.Found);
  EXPECT_LT(reader_.GetDuration(), 0.1);
  EXPECT_FALSE(reader_.GetValid());
}

TEST_F(MPEGaudioTest, TagsOfAFileWithoutFramesAreClearedToo) {
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("x"))}) + std::string(5000, 'a') +
                   Id3v1Tag("y", "", "", "", "", 0, 1)));
  EXPECT_FALSE(reader_.ID3v2.Exists);
  EXPECT_FALSE(reader_.ID3v1.Exists);
  EXPECT_EQ(reader_.ID3v1.Title, "");
}

TEST_F(MPEGaudioTest, UnreadableFilesGiveFalseAndAResetReader) {
  ASSERT_TRUE(Read(LameCbr()));
  EXPECT_FALSE(reader_.ReadFromFile("T:\\missing.mp3"));
  EXPECT_FALSE(reader_.Frame.Found);
  EXPECT_EQ(reader_.FileLength, 0);
  // Shorter than an ID3v1 tag: the tag reader cannot read it.
  EXPECT_FALSE(Read(Frames(kCbrHeader, 40, 2)));
}

// ---- the frame search stays inside its buffer ----

// MPEG 1 Layer II, 384 kbit/s, 32000 Hz, padded: 1729 bytes, the longest
// frame the search allows for.
const std::string kLongestHeader = "\xFF\xFD\xEA\x44";
constexpr int kLongestFrame = 1729;

TEST_F(MPEGaudioTest, ASecondHeaderInTheLastFourBytesOfTheBufferConfirms) {
  std::string mp3(8000, '\0');
  mp3.replace(1725, 4, kLongestHeader);
  mp3.replace(1725 + kLongestFrame, 4, kLongestHeader);
  ASSERT_TRUE(Read(mp3));
  ASSERT_TRUE(reader_.Frame.Found);
  EXPECT_EQ(reader_.Frame.Position, 1725);
  EXPECT_EQ(reader_.Frame.Size, kLongestFrame);
}

TEST_F(MPEGaudioTest, ASecondHeaderBeyondTheBufferDoesNotConfirm) {
  std::string mp3(4000, '\0');
  mp3.replace(1726, 4, kLongestHeader);
  mp3.replace(1726 + kLongestFrame, 4, kLongestHeader);
  ASSERT_TRUE(Read(mp3));
  EXPECT_FALSE(reader_.Frame.Found);
}

TEST_F(MPEGaudioTest, AFrameLongerThanTheBufferDoesNotConfirm) {
  // MPEG 2.5 Layer II, 160 kbit/s, 8000 Hz: 2880 bytes a frame.
  std::string mp3(8000, '\0');
  mp3.replace(1000, 4, "\xFF\xE5\xE8\xC4");
  mp3.replace(1000 + 2880, 4, "\xFF\xE5\xE8\xC4");
  ASSERT_TRUE(Read(mp3));
  EXPECT_FALSE(reader_.Frame.Found);
}

TEST_F(MPEGaudioTest, AFileShorterThanTheScanWindowsStillOpens) {
  // 0.3 s at 32 kbit/s: about 1.3 KB, less than one scan buffer.
  const std::string mp3 = EncodeMp3(Mp3Options{.sample_rate = 48000, .channels = 1, .seconds = 0.3, .bit_rate = 32});
  ASSERT_LT(mp3.size(), 3458u);
  ASSERT_TRUE(Read(mp3));
  EXPECT_TRUE(reader_.GetValid());
  EXPECT_EQ(reader_.GetBitRate(), 32);
  EXPECT_EQ(reader_.VendorID, "LAME3.10");
  ASSERT_TRUE(Read(mp3 + Id3v1Tag("Short", "", "", "", "", 0, 0)));
  EXPECT_TRUE(reader_.GetValid());
  EXPECT_EQ(reader_.ID3v1.Title, "Short");
  EXPECT_EQ(reader_.VendorID, "LAME3.10");
}

TEST_F(MPEGaudioTest, GogoSignature) {
  std::string mp3 = Frames(kCbrHeader, kCbrFrameLength, 30);
  mp3.replace(mp3.size() - 100, 4, "GOGO");
  ASSERT_TRUE(Read(mp3));
  EXPECT_EQ(reader_.VendorID, "GOGO");
}

TEST_F(MPEGaudioTest, ASignatureFartherBackThanFiveFramesIsNotSeen) {
  std::string mp3 = Frames(kCbrHeader, kCbrFrameLength, 30);
  mp3.replace(mp3.size() - 8 - 5 * kCbrFrameLength - 10, 8, "LAME9.99");
  ASSERT_TRUE(Read(mp3));
  EXPECT_EQ(reader_.VendorID, "");
  mp3.replace(mp3.size() - 8 - 5 * kCbrFrameLength + 10, 8, "LAME9.98");
  ASSERT_TRUE(Read(mp3));
  EXPECT_EQ(reader_.VendorID, "LAME9.98");
}

}  // namespace
}  // namespace velko_test

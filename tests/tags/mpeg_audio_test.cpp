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

// Files the encoder wrote; the byte-built ones (VBR headers, tags at both
// ends, frames found in the middle, the signature at the end) are in the
// readers' record (reader_fields_test).
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
}

TEST_F(MPEGaudioTest, XingHeaderGivesTheVariableBitRateDuration) {
  // Alone, and behind a version 2.4 tag.
  const std::string tag = Id3v2Tag(4, {Id3v2Frame(4, "TIT2", Utf16Text(u"Überall"))}, 300);
  for (const std::string& front : {std::string(), tag}) {
    SCOPED_TRACE(front.size());
    ASSERT_TRUE(Read(front + LameVbrWithXing()));
    ASSERT_TRUE(reader_.VBR.Found);
    EXPECT_EQ(reader_.ID3v2.Size, static_cast<std::int32_t>(front.size()));
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

TEST_F(MPEGaudioTest, AFileShorterThanTheScanWindowsStillOpens) {
  // 0.3 s at 32 kbit/s: about 1.3 KB, less than one scan buffer.
  const std::string mp3 = EncodeMp3(Mp3Options{.sample_rate = 48000, .channels = 1, .seconds = 0.3, .bit_rate = 32});
  ASSERT_LT(mp3.size(), 3458u);
  for (const std::string& tag : {std::string(), Id3v1Tag("Short", "", "", "", "", 0, 0)}) {
    ASSERT_TRUE(Read(mp3 + tag));
    EXPECT_TRUE(reader_.GetValid());
    EXPECT_EQ(reader_.GetBitRate(), 32);
    EXPECT_EQ(reader_.ID3v1.Title, tag.empty() ? "" : "Short");
    EXPECT_EQ(reader_.VendorID, "LAME3.10");
  }
}

TEST_F(MPEGaudioTest, AXingHeaderWithoutFramesFallsBackToTheFileLength) {
  std::string mp3 = Frames(kCbrHeader, kCbrFrameLength, 100);
  mp3.replace(36, 16, "Xing" + BE32(0) + BE32(0) + BE32(0));
  ASSERT_TRUE(Read(mp3));
  EXPECT_TRUE(reader_.VBR.Found);
  EXPECT_EQ(reader_.GetBitRate(), 128);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), mp3.size() * 8.0 / 128000);
}

// Where the frame search confirms a first frame by the header of the next
// one, never looking past its buffer.
TEST_F(MPEGaudioTest, TheFrameSearchStaysInsideItsBuffer) {
  // MPEG 1 Layer II, 384 kbit/s, 32000 Hz, padded: 1729 bytes, the longest
  // frame the search allows for.
  const std::string longest = "\xFF\xFD\xEA\x44";
  auto pair_at = [](std::size_t size, std::size_t at, const std::string& header, std::size_t length) {
    std::string mp3(size, '\0');
    mp3.replace(at, 4, header);
    return mp3.replace(at + length, 4, header);
  };
  struct Case {
    const char* what;
    std::string bytes;
    int position;  // -1: no frame
  };
  const Case cases[] = {
      {"a lone header without a second", kCbrHeader + std::string(596, '\x11') + Frames(kCbrHeader, kCbrFrameLength, 30),
       600},
      {"the second header in the buffer's last four bytes", pair_at(8000, 1725, longest, 1729), 1725},
      {"the second header beyond the buffer", pair_at(4000, 1726, longest, 1729), -1},
      // MPEG 2.5 Layer II, 160 kbit/s, 8000 Hz: 2880 bytes a frame.
      {"a frame longer than the buffer", pair_at(8000, 1000, "\xFF\xE5\xE8\xC4", 2880), -1},
      {"free-format headers", Frames("\xFF\xFB\x00\x44", 100, 60), -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Read(c.bytes));
    EXPECT_EQ(reader_.Frame.Found, c.position >= 0);
    if (c.position >= 0) {
      EXPECT_EQ(reader_.Frame.Position, c.position);
    }
    if (c.position == 1725) {
      EXPECT_EQ(reader_.Frame.Size, 1729);
    }
  }
  // A file without frames leaves the reader reset.
  EXPECT_FALSE(reader_.GetValid());
  EXPECT_EQ(reader_.FileLength, 0);
  EXPECT_EQ(reader_.GetDuration(), 0);
}

TEST_F(MPEGaudioTest, ShortOrFramelessFilesAreNotValid) {
  // Shorter than a tenth of a second.
  ASSERT_TRUE(Read(Frames(kCbrHeader, kCbrFrameLength, 2)));
  EXPECT_TRUE(reader_.Frame.Found);
  EXPECT_LT(reader_.GetDuration(), 0.1);
  EXPECT_FALSE(reader_.GetValid());
  // The tags of a file without frames are cleared too.
  ASSERT_TRUE(Read(Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("x"))}) + std::string(5000, 'a') +
                   Id3v1Tag("y", "", "", "", "", 0, 1)));
  EXPECT_FALSE(reader_.ID3v2.Exists);
  EXPECT_FALSE(reader_.ID3v1.Exists);
  EXPECT_EQ(reader_.ID3v1.Title, "");
  // Unreadable files give false and a reset reader; shorter than an ID3v1
  // tag, the tag reader cannot read it.
  ASSERT_TRUE(Read(LameCbr()));
  EXPECT_FALSE(reader_.ReadFromFile("T:\\missing.mp3"));
  EXPECT_FALSE(reader_.Frame.Found);
  EXPECT_EQ(reader_.FileLength, 0);
  EXPECT_FALSE(Read(Frames(kCbrHeader, 40, 2)));
}

TEST_F(MPEGaudioTest, EncoderSignaturesWithinFiveFramesOfTheEnd) {
  std::string mp3 = Frames(kCbrHeader, kCbrFrameLength, 30);
  const std::size_t five_back = mp3.size() - 8 - 5 * kCbrFrameLength;
  struct Case {
    std::size_t at;
    const char* signature;
    const char* vendor;
  };
  for (const Case& c : {Case{mp3.size() - 100, "GOGO", "GOGO"}, Case{five_back - 10, "LAME9.99", ""},
                        Case{five_back + 10, "LAME9.98", "LAME9.98"}}) {
    std::string bytes = mp3;
    ASSERT_TRUE(Read(bytes.replace(c.at, std::string(c.signature).size(), c.signature)));
    EXPECT_EQ(reader_.VendorID, c.vendor) << c.signature;
  }
}

}  // namespace
}  // namespace velko_test

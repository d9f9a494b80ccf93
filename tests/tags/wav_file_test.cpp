#include "tags/WAVfile.h"

#include <gtest/gtest.h>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

class WAVfileTest : public TagTest {
 protected:
  bool Read(const std::string& bytes) { return reader_.ReadFromFile(Put("song.wav", bytes)); }
  TWAVfile reader_;
};

TEST_F(WAVfileTest, ReadsTheHeader) {
  ASSERT_TRUE(Read(WaveFile(2, 44100, 16, 176400)));
  EXPECT_TRUE(reader_.Valid);
  EXPECT_EQ(reader_.ChannelModeID, 2);
  EXPECT_EQ(reader_.SampleRate, 44100u);
  EXPECT_EQ(reader_.BitsPerSample, 16);
  EXPECT_EQ(reader_.FileSize, 176400 + 44);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 1.0);
}

TEST_F(WAVfileTest, TheDurationComesFromTheRiffSize) {
  // The RIFF size claims two seconds of mono 8-bit sound; the file holds less.
  ASSERT_TRUE(Read(WaveFile(1, 8000, 8, 100, 36 + 16000)));
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 2.0);
}

TEST_F(WAVfileTest, SixChannelsAreNotValidButAFloatFormatIs) {
  ASSERT_TRUE(Read(WaveFile(6, 48000, 16, 1000)));
  EXPECT_FALSE(reader_.Valid);
  EXPECT_EQ(reader_.GetDuration(), 0);
  ASSERT_TRUE(Read(WaveFile(2, 48000, 32, 384000, 0, 3)));
  EXPECT_TRUE(reader_.Valid);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 1.0);
}

TEST_F(WAVfileTest, A96kHzFileKeepsItsSampleRate) {
  ASSERT_TRUE(Read(WaveFile(2, 96000, 24, 576000)));
  EXPECT_EQ(reader_.SampleRate, 96000u);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), 1.0);
}

TEST_F(WAVfileTest, AStreamedFileWithTheLargestRiffSizeHasAPositiveDuration) {
  ASSERT_TRUE(Read(WaveFile(2, 44100, 16, 1000, 0xFFFFFFFF)));
  EXPECT_EQ(reader_.FileSize, 0xFFFFFFFFll + 8);
  EXPECT_DOUBLE_EQ(reader_.GetDuration(), (0xFFFFFFFFll + 8 - 44) * 8.0 / 44100 / 16 / 2);
  EXPECT_GT(reader_.GetDuration(), 24000);
}

TEST_F(WAVfileTest, ARiffSizeTooSmallForTheHeaderGivesNoDuration) {
  ASSERT_TRUE(Read(WaveFile(2, 44100, 16, 1000, 4)));
  EXPECT_TRUE(reader_.Valid);
  EXPECT_EQ(reader_.GetDuration(), 0);
}

TEST_F(WAVfileTest, ZeroRatesGiveNoDuration) {
  ASSERT_TRUE(Read(WaveFile(2, 0, 16, 1000)));
  EXPECT_EQ(reader_.GetDuration(), 0);
  ASSERT_TRUE(Read(WaveFile(2, 44100, 0, 1000)));
  EXPECT_EQ(reader_.GetDuration(), 0);
}

TEST_F(WAVfileTest, OtherFilesAreNotValid) {
  std::string not_wave = WaveFile(2, 44100, 16, 1000);
  not_wave.replace(8, 4, "AVI ");
  ASSERT_TRUE(Read(not_wave));
  EXPECT_FALSE(reader_.Valid);
  EXPECT_EQ(reader_.SampleRate, 0u);
  EXPECT_FALSE(Read(WaveFile(2, 44100, 16, 0).substr(0, 43)));
  EXPECT_FALSE(reader_.ReadFromFile("T:\\missing.wav"));
}

}  // namespace
}  // namespace velko_test

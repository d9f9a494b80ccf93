#include "tags/WAVfile.h"

#include <gtest/gtest.h>

#include "tests/tags/audio_builders.h"
#include "tests/tags/tag_test_fixture.h"

namespace velko_test {
namespace {

class WAVfileTest : public TagTest {};

// Headers whose sizes and rates the duration cannot take at face value; the
// plain, six-channel, float and cut-short files are in the readers' record
// (reader_fields_test).
TEST_F(WAVfileTest, DurationsFromOddHeaders) {
  std::string not_wave = WaveFile(2, 44100, 16, 1000);
  not_wave.replace(8, 4, "AVI ");
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
    double duration;
  };
  const Case cases[] = {
      // The RIFF size claims two seconds of mono 8-bit sound; the file holds less.
      {"the RIFF size, not the file, gives the duration", WaveFile(1, 8000, 8, 100, 36 + 16000), true, 2.0},
      {"a streamed file with the largest RIFF size", WaveFile(2, 44100, 16, 1000, 0xFFFFFFFF), true,
       (0xFFFFFFFFll + 8 - 44) * 8.0 / 44100 / 16 / 2},
      {"a RIFF size too small for the header", WaveFile(2, 44100, 16, 1000, 4), true, 0},
      {"a sample rate of 0", WaveFile(2, 0, 16, 1000), true, 0},
      {"0 bits a sample", WaveFile(2, 44100, 0, 1000), true, 0},
      {"another RIFF form", not_wave, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TWAVfile reader;
    ASSERT_TRUE(reader.ReadFromFile(Put("song.wav", c.bytes)));
    EXPECT_EQ(reader.Valid, c.valid);
    EXPECT_DOUBLE_EQ(reader.GetDuration(), c.duration);
    if (!c.valid) {
      EXPECT_EQ(reader.SampleRate, 0u);
    }
  }
  TWAVfile reader;
  ASSERT_TRUE(reader.ReadFromFile(Put("streamed.wav", WaveFile(2, 44100, 16, 1000, 0xFFFFFFFF))));
  EXPECT_EQ(reader.FileSize, 0xFFFFFFFFll + 8);
  EXPECT_FALSE(reader.ReadFromFile(Put("short.wav", WaveFile(2, 44100, 16, 0).substr(0, 43))));
  EXPECT_FALSE(reader.ReadFromFile("T:\\missing.wav"));
}

}  // namespace
}  // namespace velko_test

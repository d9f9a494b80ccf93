// Truncated, corrupt and hostile files are refused with an error code.
#include <random>

#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

class Hostile : public BassTest {
 protected:
  // Every create call refuses `bytes`, from a file and from memory.
  void ExpectRefusedEverywhere(const std::string& bytes, const std::string& what) {
    const std::string path = Write("hostile.bin", bytes);
    SetLastErrorToZero();
    EXPECT_EQ(OpenStream(path), 0u) << what;
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK) << what;
    EXPECT_EQ(BASS_MusicLoad(FALSE, path.c_str(), 0, 0, 0), 0u) << what;
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK) << what;
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u) << what;
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK) << what;
    if (bytes.empty()) return;
    const auto length = static_cast<DWORD>(bytes.size());
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, bytes.data(), 0, length, 0), 0u) << what;
    EXPECT_EQ(BASS_MusicLoad(TRUE, bytes.data(), 0, length, 0), 0u) << what;
    EXPECT_EQ(BASS_WMA_StreamCreateFile(TRUE, bytes.data(), 0, length, 0), 0u) << what;
  }
  void SetLastErrorToZero() { BASS_SetGlobalVolumes(-1, -1, -1); }
};

std::string Le32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

TEST_F(Hostile, EmptyMissingAndJunkFiles) {
  ExpectRefusedEverywhere("", "zero-length file");
  EXPECT_EQ(OpenStream((temp_ / "missing.mp3").string()), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
  EXPECT_EQ(OpenStream(temp_.path().string()), 0u) << "a folder";
  ExpectRefusedEverywhere("hello, this is not audio at all", "text");
  std::mt19937 random(42);
  std::string junk(200000, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  ExpectRefusedEverywhere(junk, "random bytes");
  std::string syncs(100000, '\0');
  for (std::size_t i = 0; i < syncs.size(); ++i) syncs[i] = static_cast<char>(i % 3 == 0 ? 0xFF : random());
  ExpectRefusedEverywhere(syncs, "an MP3 that is all junk frame syncs");
}

TEST_F(Hostile, BrokenWaveFiles) {
  const std::string good = WavBytes(Sine(440, 0.1));
  std::string zero_channels = good;
  zero_channels[22] = 0;
  ExpectRefusedEverywhere(zero_channels, "zero channels");
  std::string six_channels = good;
  six_channels[22] = 6;
  ExpectRefusedEverywhere(six_channels, "six channels");
  std::string huge_fmt = good;
  huge_fmt.replace(16, 4, Le32(0xFFFFFFF0));
  ExpectRefusedEverywhere(huge_fmt, "fmt chunk larger than the file");
  std::string float_samples = good;
  float_samples[20] = 3;
  ExpectRefusedEverywhere(float_samples, "IEEE float samples");
  std::string zero_rate = good;
  zero_rate.replace(24, 4, Le32(0));
  ExpectRefusedEverywhere(zero_rate, "zero sample rate");
  ExpectRefusedEverywhere(good.substr(0, 30), "truncated header");
  ExpectRefusedEverywhere("RIFF" + Le32(4) + "WAVE", "no chunks");
}

TEST_F(Hostile, DataChunksRunningPastTheEndPlayWhatIsThere) {
  const std::string good = WavBytes(Sine(440, 0.1));
  std::string huge_data = good;
  huge_data.replace(40, 4, Le32(0x7FFFFFF0));
  std::string streamed = good;
  streamed.replace(4, 4, Le32(0xFFFFFFFF));
  streamed.replace(40, 4, Le32(0xFFFFFFFF));
  for (const std::string& bytes : {huge_data, streamed}) {
    HSTREAM h = BASS_StreamCreateFile(TRUE, bytes.data(), 0, static_cast<DWORD>(bytes.size()), 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_StreamGetLength(h), good.size() - 44);
    BASS_StreamFree(h);
  }
  // A window of the file that ends after the header leaves no samples.
  HSTREAM empty = BASS_StreamCreateFile(TRUE, good.data(), 0, 44, 0);
  ASSERT_NE(empty, 0u);
  EXPECT_EQ(BASS_StreamGetLength(empty), 0u);
  // Half a frame is no frame.
  HSTREAM half = BASS_StreamCreateFile(TRUE, good.data(), 0, 46, 0);
  ASSERT_NE(half, 0u);
  EXPECT_EQ(BASS_StreamGetLength(half), 0u);
}

TEST_F(Hostile, TruncatedCompressedFiles) {
  const std::string mp3 = Mp3Bytes(Sine(440, 1.0));
  ExpectRefusedEverywhere(mp3.substr(0, 100), "MP3 cut inside its first frame");
  const std::string ogg = OggBytes(Sine(440, 1.0));
  ExpectRefusedEverywhere(ogg.substr(0, 60), "Ogg cut inside its headers");
  // Cut later, what is there still plays and the stream ends cleanly.
  HSTREAM h = OpenStream(Write("cut.mp3", mp3.substr(0, mp3.size() / 2)));
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(1500);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  const auto wma_path = temp_ / "tone.wma";
  WriteWma(Sine(440, 1.0), wma_path);
  const std::string wma = velko_test::ReadFile(wma_path);
  ExpectRefusedEverywhere(wma.substr(0, 40), "ASF cut inside its header");
}

TEST_F(Hostile, TrackerFilesWithImpossibleCounts) {
  std::string mod = ModBytes();
  // An order naming pattern 120: the file would need 121 patterns.
  std::string missing_patterns = mod;
  missing_patterns[952] = 120;
  ExpectRefusedEverywhere(missing_patterns, "MOD naming 121 patterns, holding one");
  std::string xm = "Extended Module: velko hostile test  ";
  xm.resize(37, ' ');
  xm += '\x1a';
  xm += std::string(20, 'x');
  xm += "\x04\x01";  // version 1.04
  xm += Le32(20 + 256);
  xm += std::string("\x01\x00\x00\x00\x04\x00\xff\xff\x80\x00\x00\x00\x06\x00\x7d\x00", 16);
  xm += std::string(256, '\0');
  ExpectRefusedEverywhere(xm, "XM claiming 65535 patterns and 128 instruments without them");
  ExpectRefusedEverywhere(mod.substr(0, 1084), "MOD without pattern or sample data");
}

}  // namespace
}  // namespace bass_test

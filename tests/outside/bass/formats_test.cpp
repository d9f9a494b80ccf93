// Each format decodes with the right length, plays at the clock's pace on the
// silent device and seeks to the right frame.
#include <algorithm>
#include <cstdlib>

#include "platform/fs/drives.h"
#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

constexpr QWORD kStereo16 = 4;  // bytes per frame

// The largest difference between `got` and `reference` starting at `offset`
// (in samples), over `count` samples.
int MaxDifference(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& reference,
                  std::size_t offset, std::size_t count) {
  int worst = 0;
  for (std::size_t i = 0; i < count && i < got.size() && offset + i < reference.size(); ++i) {
    worst = std::max(worst, std::abs(got[i] - reference[offset + i]));
  }
  return worst;
}

class Formats : public BassTest {};

TEST_F(Formats, WavStereoLengthPositionAndSeek) {
  HSTREAM h = OpenStream(Write("count.wav", WavBytes(FrameCounter(44100))));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ChannelGetFlags(h), 0u);
  EXPECT_EQ(BASS_StreamGetLength(h), 44100 * kStereo16);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(250);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 11025 * kStereo16);
  PlayMs(1);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 11069 * kStereo16);  // 251 ms = 11069.1 frames

  // A byte position inside a frame lands on that frame's start.
  ASSERT_TRUE(BASS_ChannelSetPosition(h, 20000 * kStereo16 + 3));
  EXPECT_EQ(BASS_ChannelGetPosition(h), 20000 * kStereo16);
  DspRecorder recorder;
  ASSERT_NE(BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder)), 0u);
  PlayMs(10);
  std::vector<std::int16_t> heard = recorder.Take();
  ASSERT_GE(heard.size(), 2u);
  EXPECT_EQ(heard[0], 20000);
  EXPECT_EQ(heard[1], 20000);
  EXPECT_EQ(BASS_ChannelGetPosition(h), (20000 + 441) * kStereo16);
}

TEST_F(Formats, PlatformStylePathsAreFoundThroughTheDriveTable) {
  std::filesystem::path file = Write("Path Test.wav", WavBytes(FrameCounter(4410)));
  platform::MapDrive('T', file.parent_path().string());
  HSTREAM h = BASS_StreamCreateFile(FALSE, "t:\\PATH TEST.WAV", 0, 0, 0);
  platform::UnmapDrive('T');
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetLength(h), 4410 * kStereo16);
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, "Q:\\nowhere.wav", 0, 0, 0), 0u);
}

TEST_F(Formats, EightBitMonoWavKeepsItsFlagsAndLength) {
  HSTREAM h = OpenStream(Write("low.wav", WavBytes(Sine(440, 0.5, 22050, 1), 8)));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ChannelGetFlags(h), BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO);
  EXPECT_EQ(BASS_StreamGetLength(h), 11025u);
  EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(h, 11025), 0.5f);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.25f), 5512u);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(200);
  // 22050 Hz plays half a source frame per device frame.
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u);
}

TEST_F(Formats, Mp3HasItsExactLengthAndSeeksToTheFrame) {
  const Pcm pcm = Sine(440, 2.0);
  HSTREAM h = OpenStream(Write("tone.mp3", Mp3Bytes(pcm)));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ChannelGetFlags(h), 0u);
  EXPECT_EQ(BASS_StreamGetLength(h), pcm.frames() * kStereo16);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(500);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 22050 * kStereo16);

  ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
  const std::vector<std::int16_t> reference = DecodeAll(h);
  ASSERT_EQ(reference.size(), pcm.samples.size());

  ASSERT_TRUE(BASS_ChannelSetPosition(h, 30000 * kStereo16));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  DspRecorder recorder;
  BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  PlayMs(50);
  const std::vector<std::int16_t> after_seek = recorder.Take();
  ASSERT_GE(after_seek.size(), 2000u);
  EXPECT_LE(MaxDifference(after_seek, reference, 30000 * 2, 2000), 4);
}

TEST_F(Formats, Mp3WithoutInfoTagGetsItsLengthFromTheScan) {
  const Pcm pcm = Sine(440, 1.0);
  HSTREAM h = OpenStream(Write("plain.mp3", Mp3Bytes(pcm, 128, false)));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  const QWORD length = BASS_StreamGetLength(h);
  // Without the tag the encoder's delay and padding stay in: whole frames.
  EXPECT_GE(length, pcm.frames() * kStereo16);
  EXPECT_EQ(length % (1152 * kStereo16), 0u);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  EXPECT_EQ(DecodeAll(h).size() * 2, length) << "the length is what decoding gives";
  EXPECT_EQ(BASS_ChannelGetPosition(h), length);
}

TEST_F(Formats, MonoMp3IsFlaggedMono) {
  const Pcm pcm = Sine(440, 1.0, 44100, 1);
  HSTREAM h = OpenStream(Write("mono.mp3", Mp3Bytes(pcm, 64)));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_ChannelGetFlags(h), BASS_SAMPLE_MONO);
  EXPECT_EQ(BASS_StreamGetLength(h), pcm.frames() * 2);
}

TEST_F(Formats, MemoryStreamsDecodeLikeFiles) {
  const std::string bytes = Mp3Bytes(Sine(440, 1.0));
  HSTREAM h = BASS_StreamCreateFile(TRUE, bytes.data(), 0, static_cast<DWORD>(bytes.size()), 0);
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetLength(h), 44100 * kStereo16);
}

TEST_F(Formats, OggHasItsExactLengthAndSeeksToTheFrame) {
  const Pcm pcm = Sine(1000, 1.5);
  HSTREAM h = OpenStream(Write("tone.ogg", OggBytes(pcm)));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetLength(h), pcm.frames() * kStereo16);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(300);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 13230 * kStereo16);

  ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
  const std::vector<std::int16_t> reference = DecodeAll(h);
  ASSERT_EQ(reference.size(), pcm.samples.size());
  ASSERT_TRUE(BASS_ChannelSetPosition(h, 40000 * kStereo16));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  DspRecorder recorder;
  BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  PlayMs(50);
  EXPECT_LE(MaxDifference(recorder.Take(), reference, 40000 * 2, 2000), 4);
}

TEST_F(Formats, OggAt48kHzIsResampledAndCountsItsOwnFrames) {
  const Pcm pcm = Sine(1000, 1.0, 48000);
  HSTREAM h = OpenStream(Write("tone48.ogg", OggBytes(pcm)));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetLength(h), 48000 * kStereo16);
  EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(h, 48000 * kStereo16), 1.0f);
  VelkoBass_CaptureOutput(TRUE);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(500);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 24000 * kStereo16);
  PlayMs(600);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 48000 * kStereo16);
  // The output is the tone at the device rate: about 1000 zero crossings a
  // second in each direction.
  std::vector<std::int16_t> out(44100 * 2);
  ASSERT_EQ(VelkoBass_ReadOutput(out.data(), 44100 * 4), 44100u * 4);
  int rising = 0;
  for (std::size_t i = 2000; i + 2 < 40000 * 2; i += 2) {
    if (out[i] < 0 && out[i + 2] >= 0) ++rising;
  }
  EXPECT_NEAR(rising, 1000 * 39000 / 44100, 3);
}

TEST_F(Formats, TrackerMusicPlaysItsLengthThroughMusicLoad) {
  const std::string path = Write("tune.mod", ModBytes(16));
  EXPECT_EQ(OpenStream(path), 0u) << "tracker files are for BASS_MusicLoad";
  HMUSIC h = BASS_MusicLoad(FALSE, path.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  const DWORD expected = static_cast<DWORD>(std::llround(ModSeconds(16) * 44100)) * 4;
  EXPECT_EQ(BASS_MusicGetLength(h, TRUE), expected);
  EXPECT_EQ(BASS_MusicGetLength(h, FALSE), 1u);  // one order
  EXPECT_EQ(BASS_ChannelGetFlags(h), 0u);
  EXPECT_FALSE(BASS_ChannelSetPosition(h, 0)) << "music does not seek";
  DspRecorder recorder;
  BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  ASSERT_TRUE(BASS_MusicPlay(h));
  PlayMs(1000);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 44100u * 4);
  EXPECT_GT(Rms(recorder.Take(), 0, 44100), 1000.0) << "the note sounds";
  PlayMs(880);  // 1.88 s
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  PlayMs(80);  // 1.96 s
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_NEAR(static_cast<double>(BASS_ChannelGetPosition(h)), expected, 4 * 512);
  EXPECT_TRUE(BASS_MusicFree(h));
}

TEST_F(Formats, WmaPlaysThroughTheAddOnAsAChannelOfTheSameMixer) {
  const Pcm pcm = Sine(1000, 1.0);
  const auto path = temp_ / "tone.wma";
  WriteWma(pcm, path);
  EXPECT_EQ(OpenStream(path.string()), 0u) << "WMA files are for the add-on";
  HSTREAM h = BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  const QWORD length = BASS_WMA_StreamGetLength(h);
  EXPECT_NEAR(static_cast<double>(length), 44100.0 * 4, 2048.0 * 4);
  EXPECT_EQ(BASS_StreamGetLength(h), length);
  EXPECT_EQ(BASS_ChannelGetFlags(h), 0u);
  EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(h, 44100 * 4), 1.0f);
  ASSERT_NE(BASS_ChannelSetFX(h, BASS_FX_PARAMEQ), 0u);
  DspRecorder recorder;
  ASSERT_NE(BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder)), 0u);
  ASSERT_TRUE(BASS_WMA_StreamPlay(h, FALSE, 0));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  PlayMs(500);
  EXPECT_EQ(BASS_WMA_ChannelGetPosition(h), 22050u * 4);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 22050u * 4);
  float fft[256];
  EXPECT_EQ(BASS_ChannelGetData(h, fft, BASS_DATA_FFT512), 1024u);
  EXPECT_NEAR(Rms(recorder.Take(), 4410, 22050), 0.5 * 32767 / std::sqrt(2.0), 1500.0);
  ASSERT_TRUE(BASS_ChannelPause(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
  ASSERT_TRUE(BASS_ChannelResume(h));
  ASSERT_TRUE(BASS_WMA_ChannelSetPosition(h, 11025 * 4));
  const QWORD position = BASS_WMA_ChannelGetPosition(h);
  EXPECT_EQ(position, 11025u * 4);
  PlayMs(2000);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(BASS_MusicFree(h));
  EXPECT_TRUE(BASS_WMA_StreamFree(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
}

}  // namespace
}  // namespace bass_test

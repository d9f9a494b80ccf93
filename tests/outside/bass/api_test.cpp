// Handles that are unknown, zero, freed or of the other kind fail cleanly;
// set-up and shut-down are repeatable; calls from several threads are safe.
#include <atomic>
#include <thread>

#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

void ExpectChannelCallsFail(DWORD h) {
  float bins[256];
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelGetPosition(h), ~QWORD{0});
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_FALSE(BASS_ChannelSetPosition(h, 0));
  EXPECT_FALSE(BASS_ChannelPause(h));
  EXPECT_FALSE(BASS_ChannelResume(h));
  EXPECT_FALSE(BASS_ChannelStop(h));
  EXPECT_FALSE(BASS_StreamPlay(h, FALSE, 0));
  EXPECT_FALSE(BASS_MusicPlay(h));
  EXPECT_FALSE(BASS_StreamFree(h));
  EXPECT_FALSE(BASS_MusicFree(h));
  EXPECT_FALSE(BASS_WMA_StreamFree(h));
  EXPECT_EQ(BASS_ChannelGetFlags(h), 0u);
  EXPECT_EQ(BASS_StreamGetLength(h), ~QWORD{0});
  EXPECT_EQ(BASS_MusicGetLength(h, TRUE), 0u);
  EXPECT_LT(BASS_ChannelBytes2Seconds(h, 100), 0.0f);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 1.0f), ~QWORD{0});
  EXPECT_EQ(BASS_ChannelGetData(h, bins, BASS_DATA_FFT512), 0xFFFFFFFFu);
  EXPECT_EQ(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, std::uintptr_t) {}, 0), 0u);
  EXPECT_EQ(BASS_ChannelSetDSP(h, [](HDSP, DWORD, void*, DWORD, std::uintptr_t) {}, 0), 0u);
  EXPECT_EQ(BASS_ChannelSetFX(h, BASS_FX_ECHO), 0u);
  EXPECT_FALSE(BASS_ChannelSetAttributes(h, -1, 50, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

class Api : public BassTest {};

TEST_F(Api, UnknownZeroFreedAndWrongKindHandlesFail) {
  ExpectChannelCallsFail(0);
  ExpectChannelCallsFail(1);
  ExpectChannelCallsFail(0xFFFFFFFF);
  HSTREAM h = OpenStream(Write("t.wav", WavBytes(Sine(440, 0.1))));
  ASSERT_NE(h, 0u);
  EXPECT_FALSE(BASS_MusicPlay(h));
  EXPECT_EQ(BASS_MusicGetLength(h, TRUE), 0u);
  ASSERT_TRUE(BASS_StreamFree(h));
  ExpectChannelCallsFail(h);
  HSTREAM next = OpenStream(Write("t2.wav", WavBytes(Sine(440, 0.1))));
  EXPECT_NE(next, h) << "handles are never reused";
}

TEST_F(Api, TransportStatesFollowTheCalls) {
  HSTREAM h = OpenStream(Write("t.wav", WavBytes(Sine(440, 1.0))));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_FALSE(BASS_ChannelPause(h)) << "only a playing channel pauses";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPLAY);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  EXPECT_FALSE(BASS_ChannelResume(h));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOPAUSE);
  PlayMs(100);
  ASSERT_TRUE(BASS_ChannelPause(h));
  PlayMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u * 4);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0)) << "play continues a paused stream";
  PlayMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 8820u * 4);
  ASSERT_TRUE(BASS_StreamPlay(h, TRUE, 0)) << "flush restarts a file stream";
  EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
  EXPECT_FALSE(BASS_ChannelSetPosition(h, 2 * 44100 * 4)) << "beyond the end";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.5f), 22050u * 4);
  EXPECT_EQ(BASS_ChannelSeconds2Bytes(h, 0.00003f), 4u) << "rounded down to a whole frame";
  DWORD freq = 0, volume = 0;
  int pan = 7;
  ASSERT_TRUE(BASS_ChannelGetAttributes(h, &freq, &volume, &pan));
  EXPECT_EQ(freq, 44100u);
  EXPECT_EQ(volume, 100u);
  EXPECT_EQ(pan, 0);
}

TEST_F(Api, FrequencyAttributeChangesThePlaybackRate) {
  HSTREAM h = OpenStream(Write("count.wav", WavBytes(FrameCounter(44100))));
  ASSERT_TRUE(BASS_ChannelSetAttributes(h, 22050, -1, -1));
  DWORD freq = 0;
  ASSERT_TRUE(BASS_ChannelGetAttributes(h, &freq, nullptr, nullptr));
  EXPECT_EQ(freq, 22050u);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 2205u * 4) << "half speed";
  ASSERT_TRUE(BASS_ChannelSetAttributes(h, 0, -1, -1));  // back to the file's own rate
  PlayMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), (2205u + 4410u) * 4);
}

TEST_F(Api, MusicReplaysFromTheStartAfterItsEnd) {
  HMUSIC h = BASS_MusicLoad(FALSE, Write("t.mod", ModBytes(2)).c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  std::atomic<int> ends{0};
  ASSERT_TRUE(BASS_MusicPlay(h));
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, std::uintptr_t user) {
    ++*reinterpret_cast<std::atomic<int>*>(user);
  }, reinterpret_cast<std::uintptr_t>(&ends));
  PlayMs(300);
  EXPECT_EQ(ends, 1);
  ASSERT_TRUE(BASS_MusicPlay(h));
  PlayMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u * 4);
  PlayMs(200);
  EXPECT_EQ(ends, 2);
}

TEST_F(Api, CallsTheEngineNeverMakesAreNotAvailable) {
  EXPECT_EQ(BASS_SampleLoad(FALSE, "x.wav", 0, 0, 1, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_FALSE(BASS_CDInit(nullptr, 0));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_StreamCreateURL("http://127.0.0.1/", 0, 0, nullptr), 0u);
  EXPECT_EQ(BASS_WMA_EncodeOpenFile(44100, 0, 64000, "x.wma"), 0u);
  EXPECT_EQ(BASS_WMA_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_GetVersion(), 0x00070001u);
}

TEST(ApiLifecycle, InitAndFreeAreRepeatableAndFailuresAreClean) {
  VelkoBass_UseSilentDevice(TRUE);
  EXPECT_FALSE(BASS_Free()) << "free before any init is harmless";
  EXPECT_EQ(BASS_StreamCreateFile(FALSE, "/nonexistent.wav", 0, 0, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);

  VelkoBass_FailInit(BASS_ERROR_DRIVER);
  EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
  EXPECT_FALSE(BASS_Free()) << "free after a failed init is harmless";
  VelkoBass_FailInit(0);

  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_TRUE(BASS_Start());
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free()) << "the second free at shut-down is harmless";
  }
  EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
}

TEST(ApiThreads, CallsFromManyThreadsWhileTheMixerRuns) {
  VelkoBass_UseSilentDevice(TRUE);
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  velko_test::TempDir temp;
  const std::string path = temp.WriteFile("t.mp3", Mp3Bytes(Sine(440, 3.0))).string();
  std::atomic<bool> stop{false};
  std::atomic<int> rounds{0};
  auto worker = [&](int seed) {
    while (!stop) {
      HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
      BASS_ChannelSetFX(h, seed % 2 ? BASS_FX_ECHO : BASS_FX_REVERB);
      BASS_ChannelSetSync(h, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, std::uintptr_t) {}, 0);
      BASS_StreamPlay(h, FALSE, 0);
      for (int i = 0; i < 20; ++i) {
        BASS_ChannelGetPosition(h);
        if (i % 5 == 0) BASS_ChannelPause(h);
        if (i % 5 == 1) BASS_ChannelResume(h);
        if (i % 7 == 0) BASS_ChannelSetPosition(h, static_cast<QWORD>(i) * 4410 * 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      BASS_StreamFree(h);
      ++rounds;
    }
  };
  std::thread a(worker, 1), b(worker, 2), c(worker, 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  stop = true;
  a.join();
  b.join();
  c.join();
  EXPECT_GT(rounds, 3);
  EXPECT_TRUE(BASS_Free());
}

}  // namespace
}  // namespace bass_test

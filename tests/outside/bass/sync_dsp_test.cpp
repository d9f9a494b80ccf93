// End syncs, DSP callbacks and what freeing a channel takes with it.
#include <atomic>
#include <cstring>
#include <thread>

#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

struct SyncLog {
  std::atomic<int> calls{0};
  std::atomic<QWORD> position_at_call{0};
  std::thread::id thread;
  HSYNC sync = 0;
  DWORD channel = 0;

  static void Proc(HSYNC sync, DWORD channel, DWORD data, std::uintptr_t user) {
    auto* self = reinterpret_cast<SyncLog*>(user);
    EXPECT_EQ(data, 0u);
    self->sync = sync;
    self->channel = channel;
    self->thread = std::this_thread::get_id();
    self->position_at_call = BASS_ChannelGetPosition(channel);
    ++self->calls;
  }
};

class Syncs : public BassTest {};

TEST_F(Syncs, EndSyncFiresOnceOnTheNotifierThreadAfterTheLastSampleIsHeard) {
  HSTREAM h = OpenStream(Write("half.wav", WavBytes(Sine(440, 0.5))));
  ASSERT_NE(h, 0u);
  SyncLog log;
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  HSYNC sync = BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &SyncLog::Proc, reinterpret_cast<std::uintptr_t>(&log));
  ASSERT_NE(sync, 0u);
  PlayMs(499);
  EXPECT_EQ(log.calls, 0);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  PlayMs(1);  // 500 ms: the last of the 22050 frames is consumed
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.sync, sync);
  EXPECT_EQ(log.channel, h);
  EXPECT_NE(log.thread, std::this_thread::get_id());
  EXPECT_EQ(log.position_at_call, 22050u * 4);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  PlayMs(1000);
  EXPECT_EQ(log.calls, 1);
}

TEST_F(Syncs, SyncStaysArmedAcrossStopSeekAndReplay) {
  HSTREAM h = OpenStream(Write("short.wav", WavBytes(Sine(440, 0.2))));
  SyncLog log;
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &SyncLog::Proc, reinterpret_cast<std::uintptr_t>(&log)), 0u);
  PlayMs(100);
  ASSERT_TRUE(BASS_ChannelStop(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  PlayMs(500);
  EXPECT_EQ(log.calls, 0) << "a stopped stream does not end";
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u * 4) << "a file stream keeps its position";
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(100);
  EXPECT_EQ(log.calls, 1);
  // Replaying after the end (seek to 0, play without a new sync) ends again.
  ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(250);
  EXPECT_EQ(log.calls, 2);
  // Play after the end restarts from the beginning even without a seek.
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u * 4);
  PlayMs(100);
  EXPECT_EQ(log.calls, 3);
}

TEST_F(Syncs, OneTimeAndRemovedSyncs) {
  HSTREAM h = OpenStream(Write("short.wav", WavBytes(Sine(440, 0.1))));
  SyncLog once, removed;
  ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END | BASS_SYNC_ONETIME, 0, &SyncLog::Proc,
                                reinterpret_cast<std::uintptr_t>(&once)), 0u);
  HSYNC r = BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &SyncLog::Proc, reinterpret_cast<std::uintptr_t>(&removed));
  EXPECT_EQ(BASS_ChannelSetSync(h, 0 /* music position */, 0, &SyncLog::Proc, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
  ASSERT_TRUE(BASS_ChannelRemoveSync(h, r));
  EXPECT_FALSE(BASS_ChannelRemoveSync(h, r));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(BASS_StreamPlay(h, TRUE, 0));
    PlayMs(200);
  }
  EXPECT_EQ(once.calls, 1);
  EXPECT_EQ(removed.calls, 0);
}

TEST_F(Syncs, FreeingAChannelRemovesItsSyncsDspsAndEffects) {
  HSTREAM h = OpenStream(Write("short.wav", WavBytes(Sine(440, 0.1))));
  SyncLog log;
  DspRecorder recorder;
  HSYNC sync = BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &SyncLog::Proc, reinterpret_cast<std::uintptr_t>(&log));
  HDSP dsp = BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  HFX fx = BASS_ChannelSetFX(h, BASS_FX_ECHO);
  ASSERT_TRUE(sync && dsp && fx);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(50);
  const int calls_before_free = recorder.calls;
  EXPECT_GT(calls_before_free, 0);
  EXPECT_FALSE(BASS_MusicFree(h)) << "a stream is not music";
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  ASSERT_TRUE(BASS_StreamFree(h));
  PlayMs(200);
  EXPECT_EQ(log.calls, 0);
  EXPECT_EQ(recorder.calls, calls_before_free);
  BASS_FXECHO echo{};
  EXPECT_FALSE(BASS_FXGetParameters(fx, &echo));
  EXPECT_FALSE(BASS_ChannelRemoveDSP(h, dsp));
  EXPECT_FALSE(BASS_ChannelRemoveSync(h, sync));
  EXPECT_FALSE(BASS_StreamFree(h)) << "a second free fails harmlessly";
}

class Dsps : public BassTest {};

void Zero(HDSP, DWORD, void* buffer, DWORD length, std::uintptr_t user) {
  std::memset(buffer, 0, length);
  ++*reinterpret_cast<std::atomic<int>*>(user);
}

TEST_F(Dsps, ZeroingDspSilencesTheOutputUntilRemoved) {
  HSTREAM h = OpenStream(Write("tone.wav", WavBytes(Sine(440, 2.0, 44100, 2, 0.5))));
  VelkoBass_CaptureOutput(TRUE);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(100);
  std::vector<std::int16_t> out(4410 * 2);
  ASSERT_EQ(VelkoBass_ReadOutput(out.data(), 4410 * 4), 4410u * 4);
  EXPECT_NEAR(Rms(out, 0, 4410), 0.5 * 32767 / std::sqrt(2.0), 200.0);

  std::atomic<int> calls{0};
  HDSP dsp = BASS_ChannelSetDSP(h, &Zero, reinterpret_cast<std::uintptr_t>(&calls));
  ASSERT_NE(dsp, 0u);
  PlayMs(100);
  ASSERT_EQ(VelkoBass_ReadOutput(out.data(), 4410 * 4), 4410u * 4);
  EXPECT_EQ(Rms(out, 0, 4410), 0.0);
  EXPECT_GT(calls, 0);

  ASSERT_TRUE(BASS_ChannelRemoveDSP(h, dsp));
  const int calls_at_removal = calls;
  PlayMs(100);
  ASSERT_EQ(VelkoBass_ReadOutput(out.data(), 4410 * 4), 4410u * 4);
  EXPECT_NEAR(Rms(out, 0, 4410), 0.5 * 32767 / std::sqrt(2.0), 200.0);
  EXPECT_EQ(calls, calls_at_removal);
}

TEST_F(Dsps, DspSeesTheChannelsOwnFormatBeforeEffectsAndVolume) {
  HSTREAM h = OpenStream(Write("mono.wav", WavBytes(FrameCounter(22050, 22050, 1))));
  ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 10, -1));
  ASSERT_NE(BASS_ChannelSetFX(h, BASS_FX_REVERB), 0u);
  DspRecorder recorder;
  BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayMs(100);
  std::vector<std::int16_t> seen = recorder.Take();
  ASSERT_GE(seen.size(), 1000u);
  for (std::size_t i = 0; i < 1000; ++i) ASSERT_EQ(seen[i], static_cast<std::int16_t>(i));
}

TEST(DspsRealClock, RemovedDspIsNeverCalledAfterRemovalReturns) {
  VelkoBass_UseSilentDevice(TRUE);
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  velko_test::TempDir temp;
  const std::string path = temp.WriteFile("tone.wav", WavBytes(Sine(440, 5.0))).string();
  HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  std::atomic<int> calls{0};
  HDSP dsp = BASS_ChannelSetDSP(h, &Zero, reinterpret_cast<std::uintptr_t>(&calls));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  while (calls < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(BASS_ChannelRemoveDSP(h, dsp));
  const int after = calls;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, after);
  EXPECT_GT(BASS_ChannelGetPosition(h), 0u);
  BASS_Free();
}

}  // namespace
}  // namespace bass_test

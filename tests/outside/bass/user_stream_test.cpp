// User streams: fed by their callback on a feeder thread of their own.
#include <atomic>
#include <cstring>
#include <chrono>
#include <thread>

#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

// Delivers `total` bytes of a frame counter (16-bit stereo), then returns short.
struct CountingSource {
  std::atomic<std::size_t> delivered{0};
  std::size_t total = 0;
  std::atomic<int> calls{0};
  std::atomic<DWORD> largest_request{0};

  static DWORD Proc(HSTREAM, void* buffer, DWORD length, std::uintptr_t user) {
    auto* self = reinterpret_cast<CountingSource*>(user);
    ++self->calls;
    if (length > self->largest_request) self->largest_request = length;
    const std::size_t left = self->total - std::min(self->total, self->delivered.load());
    const std::size_t n = std::min<std::size_t>(length, left);
    auto* samples = static_cast<std::int16_t*>(buffer);
    const std::size_t first_frame = self->delivered / 4;
    for (std::size_t i = 0; i < n / 4; ++i) {
      samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>((first_frame + i) % 30000);
    }
    self->delivered += n;
    return static_cast<DWORD>(n);
  }
};

class UserStreams : public BassTest {
 protected:
  // Outlives the streams: TearDown's BASS_Free stops their callbacks first.
  CountingSource source;

  // Advances in steps small enough for the feeder to keep the buffer filled.
  void PlayFedMs(int ms) {
    for (int t = 0; t < ms; t += 10) {
      ASSERT_TRUE(VelkoBass_WaitFeeders(5000));
      PlayMs(10);
    }
  }
};

struct EndFlag {
  std::atomic<int> calls{0};
  static void Proc(HSYNC, DWORD, DWORD, std::uintptr_t user) {
    ++reinterpret_cast<EndFlag*>(user)->calls;
  }
};

TEST_F(UserStreams, ShortReturnEndsTheStreamOnceItsDataHasPlayed) {
  source.total = 13230 * 4;  // 300 ms
  HSTREAM h = BASS_StreamCreate(44100, 0, &CountingSource::Proc, reinterpret_cast<std::uintptr_t>(&source));
  ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
  EXPECT_EQ(BASS_StreamGetLength(h), ~QWORD{0}) << "a user stream has no length";
  EXPECT_FALSE(BASS_ChannelSetPosition(h, 0));
  EndFlag end;
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &EndFlag::Proc, reinterpret_cast<std::uintptr_t>(&end));
  DspRecorder recorder;
  BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayFedMs(290);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 12789u * 4);  // 290 ms
  EXPECT_EQ(end.calls, 0);
  PlayFedMs(10);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(end.calls, 1);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 13230u * 4);
  std::vector<std::int16_t> heard = recorder.Take();
  ASSERT_EQ(heard.size(), 13230u * 2);
  for (std::size_t i = 0; i < 13230; ++i) ASSERT_EQ(heard[2 * i], static_cast<std::int16_t>(i));
  EXPECT_LE(source.largest_request, 8192u);
}

TEST_F(UserStreams, StopDropsTheBufferAndRestartsAtPositionZero) {
  source.total = 44100 * 4 * 10;
  HSTREAM h = BASS_StreamCreate(44100, 0, &CountingSource::Proc, reinterpret_cast<std::uintptr_t>(&source));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayFedMs(100);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u * 4);
  ASSERT_TRUE(BASS_ChannelPause(h));
  PlayFedMs(50);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 4410u * 4) << "paused: the position stands";
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
  ASSERT_TRUE(BASS_ChannelStop(h));
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
  ASSERT_TRUE(VelkoBass_WaitFeeders(5000));
  const std::size_t delivered_at_stop = source.delivered;
  DspRecorder recorder;
  BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&recorder));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayFedMs(50);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 2205u * 4);
  // What is heard after the restart is fresh data, not the dropped buffer.
  std::vector<std::int16_t> heard = recorder.Take();
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard[0], static_cast<std::int16_t>(delivered_at_stop / 4 % 30000));
  // A flush restart does the same from playing.
  ASSERT_TRUE(BASS_StreamPlay(h, TRUE, 0));
  EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
}

TEST_F(UserStreams, EightBitMonoStreamsAreFlaggedAndRequestedInTheirFormat) {
  source.total = 1000000;
  HSTREAM h = BASS_StreamCreate(11025, BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO, &CountingSource::Proc,
                                reinterpret_cast<std::uintptr_t>(&source));
  ASSERT_NE(h, 0u);
  EXPECT_EQ(BASS_ChannelGetFlags(h), BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO);
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  PlayFedMs(200);
  EXPECT_EQ(BASS_ChannelGetPosition(h), 2205u);
  EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(h, 2205), 0.2f);
  EXPECT_EQ(BASS_StreamCreate(44100, 0, nullptr, 0), 0u);
  EXPECT_EQ(BASS_StreamCreate(0, 0, &CountingSource::Proc, 0), 0u);
}

// A callback that blocks for two seconds, as a plug-in waiting for data does.
std::atomic<int> g_blocked_calls{0};
std::atomic<int> g_blocked_returns{0};
DWORD BlockTwoSeconds(HSTREAM, void* buffer, DWORD length, std::uintptr_t) {
  ++g_blocked_calls;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  std::memset(buffer, 0, length);
  ++g_blocked_returns;
  return length;
}

TEST(UserStreamsRealClock, BlockingCallbackStallsNeitherOtherChannelsNorStopOrFree) {
  VelkoBass_UseSilentDevice(TRUE);
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  velko_test::TempDir temp;
  const std::string path = temp.WriteFile("tone.wav", WavBytes(Sine(440, 5.0))).string();
  HSTREAM file = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  HSTREAM blocked = BASS_StreamCreate(44100, 0, &BlockTwoSeconds, 0);
  ASSERT_TRUE(file && blocked);
  ASSERT_TRUE(BASS_StreamPlay(blocked, FALSE, 0));
  while (g_blocked_calls == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(BASS_StreamPlay(file, FALSE, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const double played_ms = BASS_ChannelBytes2Seconds(file, BASS_ChannelGetPosition(file)) * 1000.0;
  const double elapsed_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(played_ms, elapsed_ms - 150.0) << "the file stream keeps its pace";
  EXPECT_EQ(BASS_ChannelIsActive(blocked), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(BASS_ChannelGetPosition(blocked), 0u);

  const auto calls_start = std::chrono::steady_clock::now();
  EXPECT_TRUE(BASS_ChannelPause(blocked));
  EXPECT_TRUE(BASS_ChannelStop(blocked));
  EXPECT_TRUE(BASS_StreamFree(blocked));
  EXPECT_LT(std::chrono::steady_clock::now() - calls_start, std::chrono::milliseconds(500));
  EXPECT_EQ(g_blocked_returns, 0);
  // Shut-down lets the running call end, so nothing calls into the player
  // after BASS_Free returns.
  EXPECT_TRUE(BASS_Free());
  EXPECT_EQ(g_blocked_returns, g_blocked_calls);
}

}  // namespace
}  // namespace bass_test

// Device choice: the sound card through SDL2 when one opens (here SDL's
// dummy driver, which plays nothing but consumes audio in real time), the
// silent device when none does. No test touches a real sound card.
#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/display/display.h"
#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

class SdlDriver {
 public:
  explicit SdlDriver(const char* name) { setenv("SDL_AUDIODRIVER", name, 1); }
  ~SdlDriver() { unsetenv("SDL_AUDIODRIVER"); }
};

struct Ended {
  std::atomic<int> calls{0};
  static void Proc(HSYNC, DWORD, DWORD, std::uintptr_t user) { ++reinterpret_cast<Ended*>(user)->calls; }
};

TEST(Devices, SoundCardThroughSdlPlaysFilesToTheirEnd) {
  SdlDriver driver("dummy");
  VelkoBass_UseSilentDevice(FALSE);
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr)) << BASS_ErrorGetCode();
  VelkoBass_UseSilentDevice(TRUE);
  EXPECT_FALSE(VelkoBass_IsSilentDevice());
  BASS_INFO info{};
  info.size = sizeof(info);
  BASS_GetInfo(&info);
  EXPECT_GT(info.latency, 0u);
  velko_test::TempDir temp;
  const std::string path = temp.WriteFile("short.mp3", Mp3Bytes(Sine(440, 0.3))).string();
  HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  ASSERT_NE(h, 0u);
  Ended ended;
  BASS_ChannelSetSync(h, BASS_SYNC_END, 0, &Ended::Proc, reinterpret_cast<std::uintptr_t>(&ended));
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  for (int i = 0; i < 300 && ended.calls == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ended.calls, 1);
  EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(BASS_ChannelGetPosition(h), BASS_StreamGetLength(h));
  EXPECT_TRUE(BASS_Free());
}

// No card opens: SDL finds no driver, or SDL itself is not installed.
TEST(Devices, DefaultDeviceFallsBackToTheSilentOneWhenNoCardOpens) {
  for (const bool sdl_missing : {false, true}) {
    SCOPED_TRACE(sdl_missing ? "no SDL library" : "no SDL driver");
    SdlDriver driver(sdl_missing ? "dummy" : "no-such-driver");
    if (sdl_missing) platform::SetSdlLibraryName("libSDL2-not-installed.so.0");
    VelkoBass_UseSilentDevice(FALSE);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    EXPECT_TRUE(VelkoBass_IsSilentDevice());
    EXPECT_TRUE(BASS_Free());
    // Asking for the first card by number does not fall back.
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    VelkoBass_UseSilentDevice(TRUE);
    platform::SetSdlLibraryName("");
  }
}

TEST(Devices, SilentDeviceOnTheRealClockKeepsPace) {
  VelkoBass_UseSilentDevice(TRUE);
  ASSERT_TRUE(BASS_Init(BASS_DEVICE_NOSOUND, 44100, 0, nullptr));
  velko_test::TempDir temp;
  const std::string path = temp.WriteFile("t.wav", WavBytes(Sine(440, 3.0))).string();
  HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(BASS_StreamPlay(h, FALSE, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const double played = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // A channel joins the device's current block, which may have begun up to
  // one block (20 ms) before the Play call; it is never further ahead, and
  // behind by at most a block and some scheduling.
  EXPECT_LE(played, elapsed + 0.025);
  EXPECT_GE(played, elapsed - 0.1);
  ASSERT_TRUE(BASS_Pause());
  const QWORD paused_at = BASS_ChannelGetPosition(h);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(BASS_ChannelGetPosition(h), paused_at) << "the output is paused";
  ASSERT_TRUE(BASS_Start());
  EXPECT_TRUE(BASS_Free());
}

}  // namespace
}  // namespace bass_test

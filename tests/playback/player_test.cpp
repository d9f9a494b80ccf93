// The player's modes, transport, positions and end of song with the audio
// library's own channels, on the silent device.
#include <string>
#include <thread>

#include "playback/PluginCtrl.h"
#include "playback/RT_BASS.h"
#include "platform/core/clock.h"
#include "platform/user/user.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/playback/player_fixture.h"
#include "tests/tags/audio_builders.h"

namespace playback_test {
namespace {

using bass_test::Sine;
using bass_test::WavBytes;

class Player : public PlaybackTest {
 protected:
  std::string Wav(const std::string& name, double seconds, int rate = 44100, int channels = 2) {
    return folder_->WriteFile(name, WavBytes(Sine(440, seconds, rate, channels)));
  }
};

TEST_F(Player, ModeMachine) {
  TBASSPlayer& player = MakePlayer();
  EXPECT_EQ(player.PlayerMode, pmStandBy);
  // Nothing opened: the transport does nothing.
  player.Play();
  player.Pause();
  player.Stop();
  player.SetPosition(0);
  EXPECT_EQ(player.PlayerMode, pmStandBy);
  EXPECT_EQ(player.GetPosition(), 0u);
  EXPECT_EQ(player.GetPlayLength(), 0u);

  ASSERT_TRUE(player.Open(Wav("a.wav", 3.0)));
  EXPECT_EQ(player.PlayerMode, pmReady);
  EXPECT_EQ(player.ChannelType(), ctStream);
  EXPECT_EQ(player.GetPlayLength(), 3000u);
  player.Pause();
  player.Stop();
  EXPECT_EQ(player.PlayerMode, pmReady) << "pause and stop act only while playing";

  player.Play();
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  PlayMs(250);
  EXPECT_EQ(player.GetPosition(), 250u);
  player.Play();
  EXPECT_EQ(player.PlayerMode, pmPlaying) << "play while playing does nothing";

  player.Pause();
  EXPECT_EQ(player.PlayerMode, pmPaused);
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 250u);
  player.Stop();
  EXPECT_EQ(player.PlayerMode, pmPaused) << "stop while paused does nothing";
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 250u) << "and the channel stays paused";
  player.Play();
  EXPECT_EQ(player.PlayerMode, pmPlaying) << "play while paused resumes";
  PlayMs(50);
  EXPECT_EQ(player.GetPosition(), 300u);

  player.SetPaused(true);
  EXPECT_EQ(player.PlayerMode, pmPaused);
  player.SetPaused(false);
  EXPECT_EQ(player.PlayerMode, pmPlaying);

  player.Stop();
  EXPECT_EQ(player.PlayerMode, pmStopped);
  player.Play();
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(player.GetPosition(), 0u) << "play after stop starts again at 0";
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 100u);
  EXPECT_EQ(play_ends_, 0);
}

TEST_F(Player, SeeksWithinTheSongOnly) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(Wav("a.wav", 2.0)));
  player.SetPosition(500);
  EXPECT_EQ(player.GetPosition(), 500u) << "seeking works while ready";
  player.Play();
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 600u);
  player.SetPosition(2001);
  EXPECT_EQ(player.GetPosition(), 600u) << "beyond the duration: ignored";
  player.SetPosition(2000);
  EXPECT_EQ(player.GetPosition(), 2000u) << "the duration itself is allowed";
  player.SetPosition(1500);
  player.Pause();
  player.SetPosition(250);
  EXPECT_EQ(player.GetPosition(), 250u) << "seeking works while paused";
}

TEST_F(Player, EndOfAChannelNoLongerOpenIsIgnored) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(Wav("first.wav", 0.3)));
  player.Play();
  const DWORD first = player.ChannelHandle();
  PlayMs(200);
  // The first song ends on the device while the main thread is busy: its
  // end message waits in the queue while the next song is opened.
  bass_.WaitFeeders(2000);
  platform::AdvanceClockMs(200);
  ASSERT_TRUE(player.Open(Wav("second.wav", 2.0)));
  EXPECT_NE(player.ChannelHandle(), first);
  ProcessPendingMessages();
  EXPECT_EQ(play_ends_, 0);
  EXPECT_EQ(player.PlayerMode, pmReady);

  PostMessage(player.PlayerWindow(), WM_PLAYER_END_SYNC, first, 0);
  ProcessPendingMessages();
  EXPECT_EQ(play_ends_, 0);
  EXPECT_EQ(player.PlayerMode, pmReady);
}

TEST_F(Player, OpeningAnotherSongFreesTheOldChannel) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(Wav("a.wav", 2.0)));
  player.Play();
  const DWORD first = player.ChannelHandle();
  PlayMs(50);
  ASSERT_TRUE(player.Open(Wav("b.wav", 1.0, 22050, 1)));
  EXPECT_EQ(player.PlayerMode, pmReady);
  EXPECT_EQ(RT_BASS::BASS_ChannelGetFlags(first), 0u);
  EXPECT_EQ(RT_BASS::BASS_ErrorGetCode(), BASS_ERROR_HANDLE) << "the first channel is gone";
  EXPECT_EQ(player.StreamInfo.FileName, "b.wav");
  EXPECT_EQ(player.StreamInfo.Channels, 1);
  EXPECT_EQ(player.OpenedFile(), PlatformPathOf(folder_->path() / "b.wav"));
}

// A file the readers accept but the library cannot make a channel of: the
// old channel is gone with its effects, nothing is open, the effects chosen
// stay chosen, and the next song opens as usual.
TEST_F(Player, ChannelTheLibraryCannotMakeLeavesNoChannel) {
  TBASSPlayer& player = MakePlayer();
  player.SetEffects({efFlanger, efEqualizer, efEcho, efReverb});
  struct Case {
    const char* name;
    std::string bytes;
    const char* box;
  };
  // The WAV reader takes any format; the library plays 16-bit PCM only.
  const Case cases[] = {
      {"deep.wav", velko_test::WaveFile(2, 44100, 24, 44100 * 6), "Can't play the file\r\n(error code: "},
      {"eight.wav", WavBytes(Sine(440, 1.0), 8), "Sound card does not support 16-bit sources.\r\n(error code: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(player.Open(Wav("a.wav", 2.0)));
    player.Play();
    const DWORD first = player.ChannelHandle();
    PlayMs(50);
    TakeBoxes();
    EXPECT_FALSE(player.Open(folder_->WriteFile(c.name, c.bytes)));
    std::vector<ShownBox> boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(c.box, 0), 0u) << boxes[0].text;
    EXPECT_EQ(player.PlayerMode, pmStandBy);
    EXPECT_EQ(player.ChannelType(), ctNone);
    EXPECT_EQ(player.ChannelHandle(), 0u);
    EXPECT_EQ(player.DSPHandle(), 0u);
    EXPECT_EQ(player.EchoHandle(), 0u);
    EXPECT_EQ(player.EQHandles()[0], 0u);
    EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(first), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(RT_BASS::BASS_ChannelGetFlags(first), 0u);
    player.Play();
    player.Stop();
    EXPECT_EQ(player.PlayerMode, pmStandBy);
    EXPECT_EQ(player.GetPosition(), 0u);
    EXPECT_EQ(player.EffectFlags, (TEffectFlags{efFlanger, efEqualizer, efEcho, efReverb}));
  }
  ASSERT_TRUE(player.Open(Wav("b.wav", 1.0)));
  player.Play();
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 100u);
}

// Little-endian 32-bit value written over four bytes of `bytes` at `at`.
void Patch32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The same samples behind a 40-byte extensible format chunk whose sub-format
// is PCM.
std::string ExtensibleWav(const bass_test::Pcm& pcm) {
  const std::string plain = WavBytes(pcm);
  std::string s = plain.substr(0, 12);
  s += "fmt ";
  s += std::string("\x28\x00\x00\x00\xFE\xFF", 6);
  s += plain.substr(22, 14);  // channels, rate, byte rate, block align, bits
  s += std::string("\x16\x00\x10\x00\x03\x00\x00\x00", 8);  // extra size, valid bits, mask
  s += std::string("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 16);
  s += plain.substr(36);
  Patch32(s, 4, static_cast<std::uint32_t>(s.size() - 8));
  return s;
}

// Half a second of sound, plain and in the forms the readers also accept,
// ends once at its real end; played again it starts over and ends once more
// (one end sync, one event per end).
TEST_F(Player, WavFilesTheReadersAcceptPlayToTheirRealEnd) {
  TBASSPlayer& player = MakePlayer();
  const bass_test::Pcm half = Sine(440, 0.5);
  std::string streamed = WavBytes(half);
  Patch32(streamed, 4, 0xFFFFFFFFu);
  Patch32(streamed, 40, 0xFFFFFFFFu);
  std::string cut = WavBytes(Sine(440, 2.0));
  cut.resize(44 + 44100 * 4 / 2 + 3);  // half a second and a partial frame
  struct Case {
    const char* name;
    std::string bytes;
  };
  for (const Case& c : {Case{"plain.wav", WavBytes(half)}, Case{"streamed.wav", streamed}, Case{"cut.wav", cut},
                        Case{"extensible.wav", ExtensibleWav(half)}}) {
    SCOPED_TRACE(c.name);
    const int ends = play_ends_;
    ASSERT_TRUE(player.Open(folder_->WriteFile(c.name, c.bytes)));
    player.Play();
    PlayMs(300);
    EXPECT_EQ(player.GetPosition(), 300u);
    EXPECT_EQ(player.PlayerMode, pmPlaying);
    PlayMs(190);
    EXPECT_EQ(play_ends_, ends) << "still playing just before the end";
    PlayMs(30);
    EXPECT_EQ(play_ends_, ends + 1);
    EXPECT_EQ(player.PlayerMode, pmStopped);
    PlayMs(200);
    EXPECT_EQ(play_ends_, ends + 1) << "one end event";
    player.Play();
    EXPECT_EQ(player.PlayerMode, pmPlaying);
    EXPECT_EQ(player.GetPosition(), 0u);
    PlayMs(250);
    EXPECT_EQ(player.GetPosition(), 250u);
    PlayMs(300);
    EXPECT_EQ(play_ends_, ends + 2);
    EXPECT_EQ(player.PlayerMode, pmStopped);
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(Player, PlaysMp3OggAndWmaFiles) {
  TBASSPlayer& player = MakePlayer();
  int fft_events = 0;
  player.OnNewFFTData = [&](TObject*, const TBandOut&) { ++fft_events; };
  player.SetEffects({efFlanger, efEqualizer, efEcho, efReverb});

  const std::string mp3 = folder_->WriteFile("a.mp3", bass_test::Mp3Bytes(Sine(1000, 1.0)));
  const std::string ogg = folder_->WriteFile("a.ogg", bass_test::OggBytes(Sine(1000, 1.0)));
  const auto wma_native = folder_->path() / "a.wma";
  bass_test::WriteWma(Sine(1000, 1.0), wma_native);
  struct Case {
    std::string path;
    TChannelType type;
  };
  for (const Case& c : {Case{mp3, ctStream}, Case{ogg, ctStream}, Case{PlatformPathOf(wma_native), ctWMAStream}}) {
    SCOPED_TRACE(c.path);
    const int ends = play_ends_;
    fft_events = 0;
    ASSERT_TRUE(player.Open(c.path));
    EXPECT_EQ(player.ChannelType(), c.type);
    EXPECT_NE(player.DSPHandle(), 0u);
    EXPECT_NE(player.ReverbHandle(), 0u);
    player.Play();
    PlayMs(300);
    EXPECT_EQ(player.GetPosition(), 300u);
    EXPECT_GT(fft_events, 5);
    PlayMs(1500);
    EXPECT_EQ(play_ends_, ends + 1);
    EXPECT_EQ(player.PlayerMode, pmStopped);
  }
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST(ProcessPendingMessages, QuitEndsTheWaitAndIsLeftForTheProgramsLoop) {
  PostQuitMessage(7);
  EXPECT_TRUE(ProcessPendingMessages());
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(ProcessPendingMessages()) << "an empty queue";
}

TEST(ProcessPendingMessages, DispatchesWhatWaitsOnAnyThread) {
  std::thread worker([] {
    static int handled = 0;
    WNDCLASS window_class{};
    window_class.lpszClassName = "PlaybackPumpTest";
    window_class.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
      if (message == WM_USER + 1) handled += static_cast<int>(wparam);
      return DefWindowProc(hwnd, message, wparam, lparam);
    };
    ASSERT_TRUE(RegisterClass(&window_class));
    HWND window = CreateWindowEx(0, "PlaybackPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(window, nullptr);
    PostMessage(window, WM_USER + 1, 2, 0);
    PostMessage(window, WM_USER + 1, 3, 0);
    EXPECT_FALSE(ProcessPendingMessages());
    EXPECT_EQ(handled, 5);
    DestroyWindow(window);
    UnregisterClass("PlaybackPumpTest", nullptr);
  });
  worker.join();
}

}  // namespace
}  // namespace playback_test

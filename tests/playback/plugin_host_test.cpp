// The plug-in host: slots, load and unload results, the emulated output
// module and its ring.
#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "classlib/MessageHandling.h"
#include "playback/PluginCtrl.h"
#include "playback/RT_BASS.h"
#include "platform/core/clock.h"
#include "platform/user/user.h"
#include "tests/playback/player_fixture.h"

namespace playback_test {
namespace {

// A hidden window that records what is posted to it.
class Recorder {
 public:
  Recorder() : window_(AllocateHWnd([this](TMessage& m) { messages_.push_back(m); })) {}
  ~Recorder() { DeallocateHWnd(window_); }
  HWND window() const { return window_; }
  std::vector<TMessage> Take() {
    ProcessPendingMessages();
    std::vector<TMessage> taken;
    taken.swap(messages_);
    return taken;
  }

 private:
  HWND window_;
  std::vector<TMessage> messages_;
};

class PluginHost : public PlaybackTest {
 protected:
  void SetUp() override {
    PlaybackTest::SetUp();
    Folder();
    MakePlayer();
    out_ = GetOutModule();
  }
  void TearDown() override {
    if (out_ != nullptr) out_->Close();
    PlaybackTest::TearDown();
  }
  // Writes `bytes` bytes of a counting pattern.
  int WriteBytes(std::size_t bytes) {
    std::vector<char> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>(i % 251);
    return out_->Write(data.data(), static_cast<int>(bytes));
  }
  // Opens a stereo output and writes enough for its start: the stream and
  // the start have been relayed to the recorder.
  void OpenAndStart() {
    SetPlayerTargetWindow(target_.window());
    ASSERT_EQ(out_->Open(44100, 2, 16, -1, -1), 0);
    ASSERT_EQ(WriteBytes(80000), 0);
    ASSERT_EQ(target_.Take().size(), 2u);
  }
  Out_Module* out_ = nullptr;
  Recorder target_;
};

TEST_F(PluginHost, OutputModuleRecord) {
  EXPECT_TRUE(IsOutputReady());
  EXPECT_NE(GetHostWindow(), nullptr);
  out_->Config(nullptr);
  out_->About(nullptr);
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "No configuration is needed.");
  EXPECT_EQ(boxes[0].caption, "Confirm");
  EXPECT_EQ(boxes[1].text, "This is a Winamp output plug-in emulator using BASS");
  EXPECT_EQ(boxes[1].caption, "Confirm");
  EXPECT_EQ(GetProgramDir(), PlatformPathOf(folder_->path()));
}

TEST_F(PluginHost, LoadResults) {
  for (const char* file : {"in_tone.dll", "in_noentry.dll", "in_nomodule.dll", "in_notlib.dll"}) {
    folder_->AddPlugin(file);
  }
  EXPECT_EQ(LoadWinampPlugin("in_tone.dll"), PLUGIN_LOADED);
  EXPECT_EQ(LoadWinampPlugin("in_tone.dll"), PLUGIN_ALREADY_LOADED);
  EXPECT_EQ(LoadWinampPlugin("in_missing.dll"), PLUGIN_CANNOT_LOAD);
  EXPECT_EQ(LoadWinampPlugin("in_notlib.dll"), PLUGIN_CANNOT_LOAD) << "not a library at all";
  EXPECT_EQ(LoadWinampPlugin("in_noentry.dll"), PLUGIN_NOT_WINAMP2);
  EXPECT_EQ(LoadWinampPlugin("in_nomodule.dll"), PLUGIN_NOT_WINAMP2);
  EXPECT_EQ(FindPluginByName("in_noentry.dll"), -1);

  // Eight slots: copies of the tone plug-in fill the other seven.
  for (int i = 1; i < MaxPluginNum; ++i) {
    const std::string name = "in_copy" + std::to_string(i) + ".dll";
    folder_->AddPlugin("in_tone.dll", name);
    ASSERT_EQ(LoadWinampPlugin(name), PLUGIN_LOADED) << name;
  }
  folder_->AddPlugin("in_tonewav.dll");
  EXPECT_EQ(LoadWinampPlugin("in_tonewav.dll"), PLUGIN_NO_FREE_SLOT);
  EXPECT_EQ(UnloadWinampPlugin("in_copy3.dll"), PLUGIN_UNLOADED);
  EXPECT_EQ(LoadWinampPlugin("in_tonewav.dll"), PLUGIN_LOADED) << "the first free slot is used";
  EXPECT_EQ(FindPluginByName("in_tonewav.dll"), 3);
}

TEST_F(PluginHost, OutputNotReadyRefusesEveryLoad) {
  folder_->AddPlugin("in_tone.dll");
  QuitPluginCtrl();
  EXPECT_FALSE(IsOutputReady());
  EXPECT_EQ(LoadWinampPlugin("in_tone.dll"), PLUGIN_OUTPUT_NOT_READY);
  QuitPluginCtrl();  // twice is harmless
  EXPECT_TRUE(InitPluginCtrl());
  EXPECT_EQ(LoadWinampPlugin("in_tone.dll"), PLUGIN_LOADED);
}

TEST_F(PluginHost, SlotsAndTheModulesHooks) {
  folder_->AddPlugin("in_tone.dll");
  folder_->AddPlugin("in_tonewav.dll");
  ASSERT_EQ(LoadWinampPlugin("in_tone.dll"), PLUGIN_LOADED);
  ASSERT_EQ(LoadWinampPlugin("in_tonewav.dll"), PLUGIN_LOADED);
  EXPECT_EQ(FindPluginByName("IN_TONE.DLL"), -1) << "names are compared exactly";
  EXPECT_EQ(FindPluginByName("in_tonewav.dll"), 1);

  TPluginInfo info;
  GetPluginInfo(1, info);
  EXPECT_EQ(info.Name, "in_tonewav.dll");
  EXPECT_EQ(info.Version, IN_VER);
  EXPECT_EQ(info.Description, "Velko test tone and WAV player 1.0");
  EXPECT_EQ(info.FileExtensions, "TON;WAV") << "the first string of the list";
  EXPECT_EQ(info.Seekable, 1);
  EXPECT_NE(info.DLLHandle, nullptr);
  for (int slot : {-1, 2, 8}) {
    GetPluginInfo(slot, info);
    EXPECT_EQ(info.Name, "");
    EXPECT_EQ(info.DLLHandle, nullptr);
    EXPECT_EQ(GetPluginModule(slot), nullptr);
    EXPECT_EQ(SetCurrentPlugin(slot), -1);
  }

  In_Module* module = GetPluginModule(0);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->hMainWindow, GetHostWindow());
  EXPECT_EQ(module->outMod, out_);
  GetPluginInfo(0, info);
  EXPECT_EQ(module->hDllInstance, info.DLLHandle);
  short samples[8] = {};
  EXPECT_EQ(module->dsp_dosamples(samples, 4, 16, 2, 44100), 4);
  EXPECT_EQ(module->dsp_isactive(), 0);
  EXPECT_EQ(module->SAGetMode(), 0);
  EXPECT_EQ(module->VSAGetMode(nullptr, nullptr), 0);
  module->SAVSAInit(0, 44100);
  module->SetInfo(128, 44, 1, 1);

  EXPECT_EQ(PluginFileTypes(), "*.TON;*.TONE;*.TON;*.WAV;");
  EXPECT_EQ(SetCurrentPlugin(1), 0);
  EXPECT_EQ(GetCurrentPlugin(), 1);
  EXPECT_EQ(UnloadWinampPlugin("in_tonewav.dll"), PLUGIN_IN_USE);
  EXPECT_EQ(UnloadWinampPlugin("in_nothing.dll"), PLUGIN_NOT_LOADED);
  EXPECT_EQ(UnloadWinampPlugin("in_tone.dll"), PLUGIN_UNLOADED);
  EXPECT_EQ(GetPluginModule(0), nullptr);
  PostMessage(GetHostWindow(), WM_PLUGIN_RELEASE, 0, 0);
  ProcessPendingMessages();
  EXPECT_EQ(GetCurrentPlugin(), -1);
  EXPECT_EQ(UnloadWinampPlugin("in_tonewav.dll"), PLUGIN_UNLOADED);
  EXPECT_EQ(SendMessage(GetHostWindow(), WM_QUERYENDSESSION, 0, 0), 1);
}

TEST(PluginFilter, ExtensionsBecomeAFilter) {
  EXPECT_EQ(ExtensionsToFilter(""), "");
  EXPECT_EQ(ExtensionsToFilter("MP3"), "*.MP3");
  EXPECT_EQ(ExtensionsToFilter("MP3;"), "*.MP3;");
  EXPECT_EQ(ExtensionsToFilter("MP3;MP2"), "*.MP3;*.MP2");
  EXPECT_EQ(ExtensionsToFilter("MID;MIDI;RMI"), "*.MID;*.MIDI;*.RMI");
}

TEST(PluginHostAlone, QuittingAHostThatNeverStartedIsSafe) {
  QuitPluginCtrl();
  EXPECT_FALSE(IsOutputReady());
  EXPECT_EQ(GetHostWindow(), nullptr);
  EXPECT_EQ(GetPluginOutputTime(true), 0);
  EXPECT_EQ(GetPluginOutputTime(false), 0);
}

TEST_F(PluginHost, TimesBeforeAndAfterAFailedOpen) {
  EXPECT_EQ(out_->GetOutputTime(), 0) << "no format yet";
  EXPECT_EQ(out_->GetWrittenTime(), 0);
  EXPECT_EQ(out_->Open(44100, 2, 24, -1, -1), -1);
  EXPECT_EQ(out_->Open(44100, 3, 16, -1, -1), -1);
  EXPECT_EQ(out_->Open(0, 2, 16, -1, -1), -1);
  EXPECT_EQ(GetUserStream(), 0u);
  EXPECT_EQ(out_->GetOutputTime(), 0);
  EXPECT_EQ(out_->GetWrittenTime(), 0);
  EXPECT_EQ(GetPluginBufferedTime(), 0);
  EXPECT_EQ(out_->IsPlaying(), 0);
}

TEST_F(PluginHost, OpenMakesAUserStreamInThePluginsFormat) {
  SetPlayerTargetWindow(target_.window());
  ASSERT_EQ(out_->Open(22050, 1, 8, -1, -1), 0);
  const HSTREAM stream = GetUserStream();
  ASSERT_NE(stream, 0u);
  EXPECT_EQ(RT_BASS::BASS_ChannelGetFlags(stream), BASS_SAMPLE_8BITS | BASS_SAMPLE_MONO);
  std::vector<TMessage> messages = target_.Take();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].Msg, WM_PLUGIN_CHANNEL);
  EXPECT_EQ(messages[0].WParam, stream);

  // 0.2 s is 4410 bytes here; output starts at 0.4 s.
  ASSERT_EQ(WriteBytes(8000), 0);
  EXPECT_TRUE(target_.Take().empty());
  EXPECT_EQ(out_->GetWrittenTime(), 363);
  ASSERT_EQ(WriteBytes(820), 0);
  std::vector<TMessage> started = target_.Take();
  ASSERT_EQ(started.size(), 1u) << "relayed by the host window";
  EXPECT_EQ(started[0].Msg, WM_PLUGIN_START_PLAY);
  const auto* record = reinterpret_cast<const TStartRecord*>(started[0].LParam);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->BitsPerSample, 8);
  EXPECT_EQ(record->SampleRate, 22050u);
  EXPECT_EQ(record->NumChannels, 1);
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(stream), BASS_ACTIVE_PLAYING) << "the host started the stream";
  EXPECT_EQ(out_->IsPlaying(), 1);
  // The started stream's feeder fills its buffer from the ring now; a write
  // meeting it would wait 20 ms of a clock that this test does not move.
  ASSERT_TRUE(bass_.WaitFeeders(2000));
  ASSERT_EQ(WriteBytes(1000), 0);
  EXPECT_TRUE(target_.Take().empty()) << "once per start";

  out_->Close();
  EXPECT_EQ(GetUserStream(), 0u);
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(stream), BASS_ACTIVE_STOPPED);
}

TEST_F(PluginHost, WritesThatDoNotFitAreRefused) {
  SetPlayerTargetWindow(target_.window());
  ASSERT_EQ(out_->Open(44100, 2, 16, -1, -1), 0);
  EXPECT_EQ(out_->CanWrite(), static_cast<int>(RingBufferSize) - 1);
  EXPECT_EQ(RingFree(), RingBufferSize);

  std::vector<char> nothing(16);
  // Nothing to write is answered 0 ("taken"), never 1 ("retry").
  EXPECT_EQ(out_->Write(nothing.data(), -5), 0) << "a negative length";
  EXPECT_EQ(out_->Write(nullptr, 4), 0) << "no buffer";
  EXPECT_EQ(RingUsed(), 0u);
  EXPECT_EQ(out_->GetWrittenTime(), 0);
  EXPECT_TRUE(TakeBoxes().empty());

  ASSERT_EQ(WriteBytes(50000), 0);
  EXPECT_EQ(out_->CanWrite(), static_cast<int>(RingFree()) - 1);
  const std::uint32_t free_bytes = RingFree();
  EXPECT_EQ(WriteBytes(free_bytes), 1) << "a write must leave one byte free";
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Write error : No Space");
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].type & MB_TYPEMASK, MB_OKCANCEL);
  EXPECT_EQ(RingUsed(), 50000u);
  EXPECT_EQ(WriteBytes(free_bytes - 1), 0);
  EXPECT_EQ(RingFree(), 1u);
  EXPECT_EQ(out_->CanWrite(), 0);
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(PluginHost, FlushWhilePausedOnlyForTheSeek) {
  OpenAndStart();
  PlayMs(100);
  EXPECT_EQ(out_->GetOutputTime(), 100);

  EXPECT_EQ(out_->Pause(1), 0);
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(GetUserStream()), BASS_ACTIVE_PAUSED);
  ASSERT_TRUE(bass_.WaitFeeders(2000));
  const std::uint32_t buffered = RingUsed();
  out_->Flush(5000);
  EXPECT_EQ(RingUsed(), buffered) << "paused without a seek: nothing happens";
  EXPECT_EQ(out_->GetOutputTime(), 100);

  SetSeekRequested();
  out_->Flush(5000);
  EXPECT_EQ(RingUsed(), 0u);
  EXPECT_EQ(out_->GetOutputTime(), 5000);
  EXPECT_EQ(out_->GetWrittenTime(), 5000);
  ASSERT_EQ(WriteBytes(80000), 0);
  EXPECT_TRUE(target_.Take().empty()) << "the flush while paused does not re-arm the start";

  EXPECT_EQ(out_->Pause(0), 0) << "the flush stopped the stream: it was not paused";
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(GetUserStream()), BASS_ACTIVE_PLAYING);
  PlayMs(100);
  EXPECT_EQ(out_->GetOutputTime(), 5100);
}

TEST_F(PluginHost, FlushWhilePlayingRestartsOnceEnoughIsBuffered) {
  OpenAndStart();
  PlayMs(50);
  out_->Flush(1000);
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(GetUserStream()), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(out_->GetOutputTime(), 1000);
  ASSERT_EQ(WriteBytes(80000), 0);
  std::vector<TMessage> started = target_.Take();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].Msg, WM_PLUGIN_START_PLAY);
  PlayMs(50);
  EXPECT_EQ(out_->GetOutputTime(), 1050);
}

// An end of input the plug-in posted just before a seek's flush reaches
// the host window after the flush: it is dropped, and the end the plug-in
// posts once it has decoded the rest is relayed.
TEST_F(PluginHost, EndOfInputPostedBeforeAFlushIsDropped) {
  SetPlayerTargetWindow(target_.window());
  const std::uint32_t song = BeginPluginSong();
  ASSERT_EQ(out_->Open(44100, 2, 16, -1, -1), 0);
  // Less than a start's worth: the stream waits.
  ASSERT_EQ(WriteBytes(4000), 0);
  PostMessage(GetHostWindow(), WM_WA_MPEG_EOF, 0, 0);
  SetSeekRequested();
  out_->Flush(1000);
  EXPECT_FALSE(PluginInputEnded());
  std::vector<TMessage> relayed = target_.Take();
  ASSERT_EQ(relayed.size(), 1u);
  EXPECT_EQ(relayed[0].Msg, WM_PLUGIN_CHANNEL) << "no end from before the seek";
  EXPECT_FALSE(PluginInputEnded());
  EXPECT_EQ(RT_BASS::BASS_ChannelIsActive(GetUserStream()), BASS_ACTIVE_STOPPED);

  // The end after the seek starts what is buffered and is relayed.
  ASSERT_EQ(WriteBytes(4000), 0);
  PostMessage(GetHostWindow(), WM_WA_MPEG_EOF, 0, 0);
  relayed = target_.Take();
  ASSERT_EQ(relayed.size(), 2u);
  EXPECT_EQ(relayed[0].Msg, WM_PLUGIN_START_PLAY);
  EXPECT_EQ(relayed[1].Msg, WM_WA_PLUGIN_END);
  EXPECT_EQ(relayed[1].WParam, song);
  EXPECT_TRUE(PluginInputEnded());
}

TEST_F(PluginHost, VolumeAndPan) {
  ASSERT_EQ(out_->Open(44100, 2, 16, -1, -1), 0);
  int music = 0, sample = 0, stream = 0;
  out_->SetVolume(255);
  RT_BASS::BASS_GetGlobalVolumes(&music, &sample, &stream);
  EXPECT_EQ(stream, 100);
  out_->SetVolume(128);
  RT_BASS::BASS_GetGlobalVolumes(&music, &sample, &stream);
  EXPECT_EQ(music, 50);
  EXPECT_EQ(sample, 50);
  EXPECT_EQ(stream, 50);
  out_->SetVolume(-666);
  RT_BASS::BASS_GetGlobalVolumes(&music, &sample, &stream);
  EXPECT_EQ(stream, 99);
  out_->SetVolume(255);
  out_->SetPan(-128);
  DWORD freq = 0, volume = 0;
  int pan = 0;
  ASSERT_TRUE(RT_BASS::BASS_ChannelGetAttributes(GetUserStream(), &freq, &volume, &pan));
  EXPECT_EQ(pan, -100);
}

}  // namespace
}  // namespace playback_test

// GetStreamInfo: which reader reads a file, which plug-in claims it, and who
// plays it in the end.
#include <cmath>
#include <string>

#include "playback/PluginCtrl.h"
#include "tests/outside/bass/audio_files.h"
#include "tests/playback/player_fixture.h"
#include "tests/tags/audio_builders.h"
#include "tags/WMAfile.h"

namespace playback_test {
namespace {

using bass_test::Sine;
using bass_test::WavBytes;

class StreamInfo : public PlaybackTest {
 protected:
  struct Result {
    bool ok = false;
    TStreamInfo info;
    int plugin = -2;
    TSupportedBy by = sbBoth;
  };
  Result Read(const std::string& path) {
    Result r;
    r.ok = player_->GetStreamInfo(path, r.info, r.plugin, r.by);
    return r;
  }
  // Loads test plug-ins (copied into Plugins under these names) in order.
  void LoadPlugins(const std::vector<std::pair<std::string, std::string>>& plugins) {
    for (const auto& [built, as] : plugins) {
      folder_->AddPlugin(built, as);
      ASSERT_EQ(LoadWinampPlugin(as.empty() ? built : as), PLUGIN_LOADED) << built;
    }
  }
};

TEST_F(StreamInfo, WavIsReadByTheWavReaderAlone) {
  MakePlayer();
  const std::string path = folder_->WriteFile("Tone.wav", WavBytes(Sine(440, 1.5, 22050, 1)));
  Result r = Read(path);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.by, sbNative);
  EXPECT_EQ(r.plugin, -1);
  EXPECT_EQ(r.info.FileName, "Tone.wav");
  EXPECT_EQ(r.info.SampleRate, 22050);
  EXPECT_EQ(r.info.Channels, 1);
  EXPECT_EQ(r.info.BitRate, 0);
  EXPECT_EQ(r.info.Duration, 1500);
  EXPECT_EQ(r.info.FileSize, static_cast<std::int32_t>(44 + 22050 * 3));
  EXPECT_EQ(r.info.Title, "");
  // A streamed file's size is clamped, not wrapped.
  std::string bytes = WavBytes(Sine(440, 0.5, 22050, 1));
  bytes.replace(4, 4, std::string(4, '\xFF'));
  r = Read(folder_->WriteFile("Live.wav", bytes));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.info.FileSize, 0x7FFFFFFF) << "0xFFFFFFFF + 8 does not fit";
  EXPECT_GT(r.info.Duration, 0);
}

TEST_F(StreamInfo, Mp3TakesTheId3v1TagBeforeTheId3v2Tag) {
  MakePlayer();
  const std::string frames = velko_test::EncodeMp3({.sample_rate = 44100, .channels = 1, .seconds = 2.0});
  const std::string v2 = velko_test::Id3v2Tag(
      3, {velko_test::Id3v2Frame(3, "TIT2", velko_test::Latin1Text("Title two")),
          velko_test::Id3v2Frame(3, "TPE1", velko_test::Latin1Text("Artist two")),
          velko_test::Id3v2Frame(3, "TRCK", velko_test::Latin1Text("260"))});
  const std::string v1 = velko_test::Id3v1Tag("Title one", "Artist one", "Album one", "1999", "Note", 7, 17);

  Result both = Read(folder_->WriteFile("both.mp3", v2 + frames + v1));
  ASSERT_TRUE(both.ok);
  EXPECT_EQ(both.by, sbNative);
  EXPECT_EQ(both.info.Title, "Title one");
  EXPECT_EQ(both.info.Artist, "Artist one");
  EXPECT_EQ(both.info.Album, "Album one");
  EXPECT_EQ(both.info.Year, "1999");
  EXPECT_EQ(both.info.Comment, "Note");
  EXPECT_EQ(both.info.Genre, "Rock");
  EXPECT_EQ(both.info.GenreID, 17);
  EXPECT_EQ(both.info.Track, 7);
  EXPECT_EQ(both.info.Channels, 1);
  EXPECT_EQ(both.info.SampleRate, 44100);
  EXPECT_EQ(both.info.BitRate, 128);
  EXPECT_NEAR(both.info.Duration, 2000, 60);

  Result only_v2 = Read(folder_->WriteFile("v2.mp3", v2 + frames));
  ASSERT_TRUE(only_v2.ok);
  EXPECT_EQ(only_v2.info.Title, "Title two");
  EXPECT_EQ(only_v2.info.Artist, "Artist two");
  EXPECT_EQ(only_v2.info.Track, 4) << "the low 8 bits of 260";
  EXPECT_EQ(only_v2.info.GenreID, 0);
}

TEST_F(StreamInfo, OggCommentsFillTheTags) {
  MakePlayer();
  const std::string ogg = velko_test::EncodeOgg(
      {.sample_rate = 48000,
       .channels = 2,
       .seconds = 1.0,
       .comments = {{"TITLE", "Vorbis song"}, {"ARTIST", "Someone"}, {"DATE", "2002"}, {"TRACKNUMBER", "3"}}});
  Result r = Read(folder_->WriteFile("song.ogg", ogg));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.by, sbNative);
  EXPECT_EQ(r.info.Title, "Vorbis song");
  EXPECT_EQ(r.info.Artist, "Someone");
  EXPECT_EQ(r.info.Year, "2002");
  EXPECT_EQ(r.info.Track, 3);
  EXPECT_EQ(r.info.SampleRate, 48000);
  EXPECT_EQ(r.info.Channels, 2);
  EXPECT_EQ(r.info.Duration, 1000);
  EXPECT_EQ(r.info.FileSize, static_cast<std::int32_t>(ogg.size()));
}

TEST_F(StreamInfo, WmaIsNativeOnlyWithTheAddOn) {
  Folder({.wma = false});
  MakePlayer();
  const auto native = folder_->path() / "song.wma";
  bass_test::WriteWma(Sine(1000, 1.0), native);
  Result r = Read(PlatformPathOf(native));
  EXPECT_TRUE(r.ok) << "the reader accepts it";
  EXPECT_EQ(r.by, sbNone) << "but nothing here plays it";
  EXPECT_EQ(r.info.SampleRate, 44100);
  TWMAfile reader;
  ASSERT_TRUE(reader.ReadFromFile(PlatformPathOf(native)));
  EXPECT_EQ(r.info.Duration, static_cast<std::int32_t>(std::nearbyint(reader.Duration * 1000)));
  EXPECT_GT(r.info.Duration, 900);
}

TEST_F(StreamInfo, PluginOnlyFileTakesTitleAndLengthFromThePlugin) {
  MakePlayer();
  LoadPlugins({{"in_tone.dll", ""}});
  Result r = Read(folder_->WriteFile("beep.ton", "tone 1000\nseconds 2.5\ntitle A test beep\n"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.by, sbPlugin);
  EXPECT_EQ(r.plugin, 0);
  EXPECT_EQ(r.info.Title, "A test beep");
  EXPECT_EQ(r.info.Duration, 2500);
  EXPECT_EQ(r.info.FileName, "beep.ton");
  EXPECT_EQ(r.info.SampleRate, 0) << "known once the plug-in plays";
}

TEST_F(StreamInfo, FileBothCanPlayKeepsTheReadersValues) {
  MakePlayer();
  LoadPlugins({{"in_tone.dll", ""}, {"in_tonewav.dll", ""}});
  Result r = Read(folder_->WriteFile("both.wav", WavBytes(Sine(440, 1.0))));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.by, sbBoth);
  EXPECT_EQ(r.plugin, 1);
  EXPECT_EQ(r.info.Title, "") << "not the plug-in's title";
  EXPECT_EQ(r.info.Duration, 1000);
}

TEST_F(StreamInfo, BothCanPlayGoesToTheLibraryUnlessPluginFirst) {
  TBASSPlayer& player = MakePlayer();
  LoadPlugins({{"in_tonewav.dll", ""}});
  const std::string path = folder_->WriteFile("both.wav", WavBytes(Sine(440, 1.0)));
  ASSERT_TRUE(player.Open(path));
  EXPECT_EQ(player.SupportedBy, sbBoth);
  EXPECT_EQ(player.ChannelType(), ctStream);
  EXPECT_EQ(player.StreamInfo.Duration, 1000);

  player.PluginFirst = true;
  ASSERT_TRUE(player.Open(path));
  EXPECT_EQ(player.SupportedBy, sbBoth);
  EXPECT_EQ(player.ChannelType(), ctPlugin);
  EXPECT_EQ(player.CurrentPlugin(), 0);
  EXPECT_EQ(player.CurrentModule(), GetPluginModule(0));
  EXPECT_EQ(GetCurrentPlugin(), 0);
  EXPECT_EQ(GetUserStream(), 0u) << "the plug-in makes its stream when it plays";
  EXPECT_EQ(player.StreamInfo.Duration, 1000) << "the reader's length";
  EXPECT_EQ(player.GetPlayLength(), 1000u);
  EXPECT_EQ(player.PlayerMode, pmReady);
}

TEST_F(StreamInfo, ExtensionsMatchOnTheirFirstThreeLetters) {
  MakePlayer();
  // This plug-in's list is "TON;WAV": ".tone" matches through "TON".
  LoadPlugins({{"in_tonewav.dll", ""}});
  Result r = Read(folder_->WriteFile("long.tone", "seconds 1\n"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.by, sbPlugin);
  EXPECT_EQ(r.info.Duration, 1000);
  Result none = Read(folder_->WriteFile("noext", "seconds 1\n"));
  EXPECT_FALSE(none.ok) << "an empty extension never matches";
  EXPECT_EQ(none.plugin, -1);
}

TEST_F(StreamInfo, LastMatchingSlotIsKeptWhenNoPluginReportsALength) {
  MakePlayer();
  LoadPlugins({{"in_tone.dll", ""}, {"in_tonewav.dll", ""}});
  Result r = Read(folder_->WriteFile("broken.ton", "this is not a tone file\n"));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.by, sbNone);
  EXPECT_EQ(r.plugin, 1);
}

TEST_F(StreamInfo, LongPluginTitlesAreCutAndLongNamesPassedWhole) {
  MakePlayer();
  LoadPlugins({{"in_tone.dll", ""}});
  const std::string title(2000, 'T');
  // A path longer than any fixed-size name buffer.
  const std::string name = std::string(150, 'a') + "/" + std::string(150, 'b') + "/tone.ton";
  Result r = Read(folder_->WriteFile(name, "seconds 1\ntitle " + title + "\n"));
  ASSERT_TRUE(r.ok) << "the plug-in found the file by its whole name";
  EXPECT_EQ(r.info.Title, std::string(256, 'T'));
  EXPECT_EQ(r.info.Duration, 1000);
}

TEST_F(StreamInfo, UnknownFileIsRefusedAndTheOldSongPlaysOn) {
  TBASSPlayer& player = MakePlayer();
  ASSERT_TRUE(player.Open(folder_->WriteFile("a.wav", WavBytes(Sine(440, 3.0)))));
  player.Play();
  PlayMs(100);
  TakeBoxes();

  const std::string unknown = folder_->WriteFile("notes.xyz", "plain text");
  EXPECT_FALSE(player.Open(unknown));
  std::vector<ShownBox> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("Invalid stream file(" + unknown + ") !\r\n(error code: ", 0), 0u)
      << boxes[0].text;
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(player.PlayerMode, pmPlaying);
  EXPECT_EQ(player.StreamInfo.FileName, "a.wav");
  PlayMs(100);
  EXPECT_EQ(player.GetPosition(), 200u) << "the old song went on playing";
}

}  // namespace
}  // namespace playback_test

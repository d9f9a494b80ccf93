#include <gtest/gtest.h>

#include "desktop/PlayWav.h"
#include "platform/mm/sound.h"
#include "tests/desktop/desktop_fixture.h"
#include "tests/support/wave_image.h"

namespace {

class PlayWavTest : public velko_test::DesktopTest {};

TEST_F(PlayWavTest, PlaysOnlyShortWavNames) {
  auto output = std::make_shared<platform::RecordingSoundOutput>();
  platform::SetSoundOutput(output);
  const auto wave = velko_test::MakeWaveImage(10);
  const std::string bytes(wave.begin(), wave.end());

  // "T:\" plus the name; each name is written so that only the filter
  // decides whether it plays.
  auto name_of_length = [](std::size_t length, const std::string& ext) {
    return std::string(length - 3 - ext.size(), 'a') + ext;
  };
  struct Case {
    std::string name;
    bool plays;
  };
  const Case cases[] = {
      {"cue.wav", true},
      {"CUE.WAV", true},
      {"cue.Wav", true},
      {"cue.wave", false},
      {"cue.mp3", false},
      {"wav", false},
      {name_of_length(250, ".wav"), true},
      {name_of_length(251, ".wav"), false},
  };
  TPlayWav player(nullptr);
  for (const Case& c : cases) {
    dir_.WriteFile(c.name, bytes);
    output->Clear();
    player.Play("T:\\" + c.name);
    EXPECT_EQ(output->Plays().size(), c.plays ? 1u : 0u) << c.name.size() << " " << c.name;
    if (c.plays && !output->Plays().empty()) {
      EXPECT_FALSE(output->Plays()[0].loop);
    }
  }
  // It does not wait: the sound is still playing when Play returns.
  output->Clear();
  player.Play("T:\\cue.wav");
  EXPECT_TRUE(output->Playing());
}

}  // namespace

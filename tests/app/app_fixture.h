// The main window's tests stand the whole program up as its entry does:
// the eleven windows in a program folder of the test's own (the built
// audio library on its silent device, or none), drive C: mapped to a
// music folder the test fills, the settings key cleared, message boxes
// answered and recorded, the manual clock.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/BassTest.h"
#include "platform/dlg/message_box.h"
#include "tests/playback/player_fixture.h"
#include "tests/support/temp_dir.h"

namespace app_test {

struct AppOptions {
  bool bass = true;
  bool wma = true;
  // Starts already counted before this one (0: this is the first).
  int earlier_starts = 0;
  // Written as the program folder's "mp3.csv" (none when empty and
  // `write_list` is false).
  bool write_list = false;
  std::string list_text;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The program folder and settings, before Start.
  void Prepare(const AppOptions& options);
  // Creates the windows (as the entry does), shows the main window and
  // handles what follows.
  void Start(const AppOptions& options = {});
  void Pump();
  void Press(UINT vk);
  // Lets the silent device and the clock run `ms`, handling messages.
  void PlayMs(int ms);

  // A one-second tone as an MP3 in the music folder (a path below it).
  std::filesystem::path AddSong(const std::string& relative);
  std::string ReadSetting(const std::string& name);
  void WriteSetting(const std::string& name, const std::string& value);
  bool SettingExists(const std::string& name);
  std::vector<std::string> BoxTexts() const;
  std::string ProgramFile(const std::string& name) const;
  // A small JPEG picture of one colour in the program folder.
  void WritePicture(const std::string& name, TColor color);

  velko_test::TempDir music_;
  std::unique_ptr<playback_test::TestProgramFolder> folder_;
  playback_test::BassControls bass_;
  std::vector<platform::MessageBoxRequest> boxes_;
};

}  // namespace app_test

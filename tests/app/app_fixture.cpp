#include "tests/app/app_fixture.h"

#include "skins/QzHook.h"

#include <fstream>

#include "app/Program.h"
#include "app/Settings.h"
#include "app/Splash.h"
#include "app/aboutpar.h"
#include "classlib/Application.h"
#include "classlib/JPEG.h"
#include "classlib/Registry.h"
#include "library/CDHunter.h"
#include "library/dotags.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/mm/mixer.h"
#include "platform/user/input.h"
#include "playback/PluginCtrl.h"
#include "ripper/Ripper.h"
#include "ripper/SetAlbumInfo.h"
#include "tests/outside/bass/audio_files.h"

namespace fs = std::filesystem;

namespace app_test {

void AppTest::SetUp() {
  platform::ResetInput();
  MakeFreshPluginHost();
  delete Application;
  Application = new TApplication(nullptr);
  platform::UseManualClock(1'000'000'000);
  platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& request) {
    boxes_.push_back(request);
    return request.DefaultButton();
  });
  platform::MapDrive('C', music_.path().string());
  platform::SelectRecordingMixer();
  TRegistry reg;
  reg.DeleteKey(kSettingsKey);
  PictureName.clear();
}

void AppTest::TearDown() {
  delete Application;
  Application = new TApplication(nullptr);
  // The skin hooks' shared window outlives the forms that used it.
  FreeHookList();
  Form1 = nullptr;
  VideoHunterForm = nullptr;
  VideoForm = nullptr;
  ParAbout = nullptr;
  CDHunterForm = nullptr;
  SettingsForm = nullptr;
  TagForm = nullptr;
  AlbumInfoForm = nullptr;
  RipperForm = nullptr;
  NutsForm = nullptr;
  Form2 = nullptr;
  MainPlayer = nullptr;
  PictureName.clear();
  bass_.Free();
  platform::SetProgramPath("");
  platform::SetMessageBoxHook({});
  platform::UseRealClock();
  platform::ResetInput();
  folder_.reset();
}

void AppTest::Prepare(const AppOptions& options) {
  playback_test::FolderOptions folder_options;
  folder_options.bass = options.bass ? playback_test::BassVariant::kNormal : playback_test::BassVariant::kNone;
  folder_options.wma = options.wma;
  folder_ = std::make_unique<playback_test::TestProgramFolder>(folder_options);
  platform::SetProgramPath((folder_->path() / "velko").string());
  if (options.bass) {
    EXPECT_TRUE(bass_.Load(folder_->path() / "bass.dll"));
    bass_.UseSilentDevice(TRUE);
    bass_.FailInit(0);
  }
  if (options.earlier_starts > 0) WriteSetting(kStartCountValue, std::to_string(options.earlier_starts));
  if (options.write_list) {
    std::ofstream(folder_->path() / "mp3.csv", std::ios::binary) << options.list_text;
  }
  // An empty movie list, so the movie window raises no box of its own at
  // creation; the song list's boxes are what these tests read.
  std::ofstream(folder_->path() / "movie.csv", std::ios::binary);
}

void AppTest::Start(const AppOptions& options) {
  if (!folder_) Prepare(options);
  CreateProgramForms();
  ASSERT_NE(Form1, nullptr);
  Form1->Show();
  Pump();
}

void AppTest::Pump() { Application->ProcessMessages(); }

void AppTest::Press(UINT vk) {
  platform::InjectKeyPress(vk);
  Pump();
}

void AppTest::PlayMs(int ms) {
  for (int i = 0; i < ms; i += 10) {
    platform::AdvanceClockMs(10);
    if (bass_.loaded()) bass_.WaitFeeders(1000);
    Pump();
  }
}

fs::path AppTest::AddSong(const std::string& relative) {
  const fs::path path = music_.path() / relative;
  fs::create_directories(path.parent_path());
  static const std::string song = bass_test::Mp3Bytes(bass_test::Sine(440, 1.0));
  std::ofstream(path, std::ios::binary) << song;
  return path;
}

std::string AppTest::ReadSetting(const std::string& name) {
  TRegistryIniFile reg(kSettingsKey);
  return reg.ReadString(kSettingsSection, name, "<none>");
}

void AppTest::WriteSetting(const std::string& name, const std::string& value) {
  TRegistryIniFile reg(kSettingsKey);
  reg.WriteString(kSettingsSection, name, value);
}

bool AppTest::SettingExists(const std::string& name) {
  TRegistryIniFile reg(kSettingsKey);
  return reg.ValueExists(kSettingsSection, name);
}

std::vector<std::string> AppTest::BoxTexts() const {
  std::vector<std::string> texts;
  for (const auto& box : boxes_) texts.push_back(box.text);
  return texts;
}

std::string AppTest::ProgramFile(const std::string& name) const { return (folder_->path() / name).string(); }

}  // namespace app_test

namespace app_test {

void AppTest::WritePicture(const std::string& name, TColor color) {
  TBitmap bitmap;
  bitmap.SetSize(16, 16);
  bitmap.Canvas()->Brush()->SetColor(color);
  bitmap.Canvas()->FillRect(TRect{0, 0, 16, 16});
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  jpeg.SaveToFile(ProgramFile(name));
}

}  // namespace app_test

// Start-up: the windows in order, the audio library missing, the first,
// second and fifth start, pictures, the music hunt and the keys.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "app/Settings.h"
#include "app/aboutpar.h"
#include "classlib/Application.h"
#include "classlib/PathRoutines.h"
#include "library/CDHunter.h"
#include "library/dotags.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "platform/fs/drives.h"
#include "platform/reg/registry.h"
#include "platform/user/input.h"
#include "platform/user/virtual_keys.h"
#include "ripper/Ripper.h"
#include "ripper/SetAlbumInfo.h"
#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;

namespace app_test {
namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

using StartTest = AppTest;

TEST_F(StartTest, CreatesTheElevenWindowsInOrderWithTheMainWindowFirst) {
  Start({.write_list = true, .list_text = ""});
  const std::vector<TComponent*> expected = {Form1,      VideoHunterForm, VideoForm,     ParAbout,
                                             CDHunterForm, SettingsForm,  TagForm,       AlbumInfoForm,
                                             RipperForm,   NutsForm,      Form2};
  std::vector<TComponent*> forms;
  for (int i = 0; i < Application->ComponentCount(); ++i) {
    if (dynamic_cast<TCustomForm*>(Application->Components(i)) != nullptr) forms.push_back(Application->Components(i));
  }
  EXPECT_EQ(forms, expected);
  EXPECT_EQ(Application->MainForm(), Form1);
  EXPECT_EQ(Application->Title(), "Velko");
  EXPECT_EQ(Application->HelpFile, ExtractFilePath(Application->ExeName()) + "velko.hlp");
  EXPECT_NE(NutsForm->Image2, nullptr);
  EXPECT_NE(CDHunterForm->FoundFiles, nullptr);
  EXPECT_NE(RipperForm->RipperList, nullptr);
}

TEST_F(StartTest, WithoutTheAudioLibraryOnlyItsBoxShowsAndNothingElseStarts) {
  AddSong("Music/a.mp3");
  Start({.bass = false});
  std::vector<std::string> texts = BoxTexts();
  // The missing list's error from the main window and from the tag editor,
  // which loads the same list when it is made; then the audio library's
  // box; no hunt box, no play box.
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "File cannot be opened.");
  EXPECT_EQ(texts[1], "File cannot be opened.");
  EXPECT_EQ(texts[2], "BASS.DLL is not loaded.");
  EXPECT_EQ(boxes_[2].caption, "Confirm");
  EXPECT_FALSE(Form1->Timer_Stat->Enabled());
  EXPECT_FALSE(MainPlayer->OnPlayEnd);
  EXPECT_EQ(Form1->MusicList->Items()->Count(), 0);
  EXPECT_FALSE(fs::exists(ProgramFile("mp3.csv")));
}

TEST_F(StartTest, WithoutTheWmaAddOnItsBoxShowsAndStartUpGoesOn) {
  Start({.wma = false, .write_list = true, .list_text = ""});
  ASSERT_FALSE(boxes_.empty());
  EXPECT_EQ(boxes_[0].text, "BASSWMA.DLL is not loaded.");
  EXPECT_EQ(boxes_[0].caption, "Confirm");
  EXPECT_TRUE(Form1->Timer_Stat->Enabled());
  EXPECT_TRUE(MainPlayer->OnPlayEnd);
}

TEST_F(StartTest, FirstStartWithoutAListHuntsSavesAndPlaysTheFirstRow) {
  AddSong("Music/b.mp3");
  AddSong("Music/Deeper/a.mp3");
  AddSong("Music/notes.txt");
  Start();
  ASSERT_FALSE(boxes_.empty());
  EXPECT_EQ(boxes_[0].text, "File cannot be opened.");
  EXPECT_EQ(Form1->StartCount(), 1);
  ASSERT_EQ(Form1->MusicList->Items()->Count(), 2);
  const std::string saved = ReadFile(ProgramFile("mp3.csv"));
  EXPECT_NE(saved.find("b.mp3"), std::string::npos);
  EXPECT_NE(saved.find("a.mp3"), std::string::npos);
  EXPECT_EQ(MainPlayer->PlayerMode, pmPlaying);
  TListItem* first = Form1->MusicList->Items()->Item(0);
  EXPECT_EQ(CurrentSongPath, SongPathOfRow(first));
  EXPECT_EQ(Form1->MusicList->Selected(), first);
  EXPECT_FALSE(Form1->MusicList->Visible());
  // First start: the boxes and the new user's hint.
  EXPECT_TRUE(SettingsForm->ShuffleBox->Checked());
  EXPECT_TRUE(SettingsForm->FullBox->Checked());
  EXPECT_TRUE(SettingsForm->NavigateBox->Checked());
  EXPECT_TRUE(SettingsForm->AutoBox->Checked());
  EXPECT_EQ(Form1->Hint,
            "Pause your mouse over all graphics for command help\r\n\r\nThis new user hint will only appear for this startup");
  EXPECT_TRUE(Form1->ShowHint());
  EXPECT_EQ(Application->HintPause, 500);
}

TEST_F(StartTest, SecondAndFifthStartsTakeTheirDefaultsAndPictures) {
  struct Case {
    int earlier;
    bool boxes_on;
    int hint_pause;
  };
  for (const Case& c : {Case{1, true, 500}, Case{4, false, 600}}) {
    SCOPED_TRACE(c.earlier);
    TearDown();
    SetUp();
    Prepare({.earlier_starts = c.earlier, .write_list = true, .list_text = ""});
    fs::copy_file(fs::path(velko_test::ProgramFolder()) / "Resources" / "RAM.bmp",
                  folder_->path() / "mine.bmp", fs::copy_options::overwrite_existing);
    WriteSetting("SwapSkin", "mine.bmp");
    Start();
    EXPECT_EQ(Form1->StartCount(), c.earlier + 1);
    EXPECT_EQ(SettingsForm->FullBox->Checked(), c.boxes_on);
    EXPECT_EQ(SettingsForm->ShuffleBox->Checked(), c.boxes_on);
    EXPECT_EQ(Form1->Hint, "");
    EXPECT_EQ(Application->HintPause, c.hint_pause);
    for (TImage* image : {Form1->Image1, ParAbout->Image1, TagForm->Image1, VideoForm->Image1,
                          VideoHunterForm->Image1, CDHunterForm->Image1, RipperForm->Image1, AlbumInfoForm->Image1,
                          SettingsForm->Image1, NutsForm->Image2}) {
      ASSERT_NE(image->Picture()->Graphic(), nullptr) << image->Owner()->Name();
      EXPECT_GT(image->Picture()->Width(), 0);
    }
  }
}

TEST_F(StartTest, AMissingPictureShowsOneBoxAndActivationGoesOn) {
  Prepare({.earlier_starts = 3, .write_list = true, .list_text = ""});
  WriteSetting("SwapSkin", "nothere.jpg");
  WriteSetting("Shuffle", "1");
  Start();
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(Form1->Image1->Picture()->Graphic(), nullptr);
  // Steps after the pictures ran: the shuffle box follows the value.
  EXPECT_TRUE(SettingsForm->ShuffleBox->Checked());
}

TEST_F(StartTest, HuntSkipsUnreadableFoldersAndLinkLoopsAndRunsOncePerClick) {
  AddSong("Music/one.mp3");
  AddSong("Locked/two.mp3");
  AddSong("Music/Sub/three.ogg");
  fs::create_directories(music_.path() / "Empty");
  fs::create_directory_symlink(music_.path() / "Music", music_.path() / "Music" / "Loop");
  chmod((music_.path() / "Locked").c_str(), 0);
  // A privileged user reads every folder.
  const bool locked = ::access((music_.path() / "Locked").c_str(), R_OK) != 0;
  Start({.earlier_starts = 5, .write_list = true, .list_text = ""});
  boxes_.clear();
  int hunts = 0;
  auto stats = Form1->MusicHunter->OnStatistics;
  Form1->MusicHunter->OnStatistics = [&](const TStatistics& s) {
    ++hunts;
    stats(s);
  };
  Form1->HuntBox->SetChecked(true);
  chmod((music_.path() / "Locked").c_str(), 0700);
  EXPECT_EQ(hunts, 1);
  EXPECT_FALSE(Form1->HuntBox->Checked());
  EXPECT_TRUE(boxes_.empty());
  const int found = locked ? 2 : 3;
  EXPECT_EQ(Form1->Caption(), std::to_string(found) + " songs found");
  EXPECT_EQ(Form1->MusicList->Items()->Count(), found);
  const std::string saved = ReadFile(ProgramFile("mp3.csv"));
  EXPECT_NE(saved.find("three.ogg"), std::string::npos);
  EXPECT_EQ(saved.find("two.mp3") == std::string::npos, locked);
}

TEST_F(StartTest, KeysRunOnceAndNotWithShiftAltOrCtrl) {
  AddSong("Music/one.mp3");
  Start({.earlier_starts = 5});
  Form1->MusicList->SetVisible(true);
  Form1->MusicList->SetFocus();
  Pump();
  // F2 toggles the list: a second run of the command would undo the first.
  Press(VK_F1 + 1);
  EXPECT_FALSE(Form1->MusicList->Visible());
  Press(VK_F1 + 1);
  EXPECT_TRUE(Form1->MusicList->Visible());
  for (UINT shift : {VK_SHIFT, VK_MENU, VK_CONTROL}) {
    platform::InjectKey(shift, true);
    Press(VK_F1 + 1);
    platform::InjectKey(shift, false);
    Pump();
    EXPECT_TRUE(Form1->MusicList->Visible()) << shift;
  }
}

TEST_F(StartTest, EscWritesTheDefaultPictureOnlyWhenNoneIsStored) {
  for (const std::string stored : {"", "rock.jpg"}) {
    TearDown();
    SetUp();
    Prepare({.earlier_starts = 7, .write_list = true, .list_text = ""});
    if (!stored.empty()) WriteSetting("SwapSkin", stored);
    Start();
    Press(VK_ESCAPE);
    EXPECT_EQ(ReadSetting("SwapSkin"), stored.empty() ? "zig.jpg" : stored);
    EXPECT_TRUE(Application->Terminated());
  }
}

TEST_F(StartTest, CDTracksListedByF8AreNotSavedByF9) {
  AddSong("Music/one.mp3");
  Start({.earlier_starts = 5});
  Form1->FindMusic();
  const std::string before = ReadFile(ProgramFile("mp3.csv"));
  ASSERT_FALSE(before.empty());
  // The modal windows close as soon as their loops run.
  PostMessage(CDHunterForm->Handle(), WM_CLOSE, 0, 0);
  Form1->ActivateCD();
  TListItem* track = Form1->MusicList->Items()->Add();
  track->SetCaption("Track01.cda");
  track->SubItems()->Add("D:\\");
  PostMessage(TagForm->Handle(), WM_CLOSE, 0, 0);
  Form1->Tags();
  EXPECT_EQ(ReadFile(ProgramFile("mp3.csv")), before);
  Form1->FindMusic();
  EXPECT_EQ(Form1->MusicList->Items()->Count(), 1);
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

using ShellTest = AppTest;

std::string DefaultValue(HKEY root, const char* path, bool* exists) {
  HKEY key = nullptr;
  *exists = RegOpenKeyEx(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (!*exists) return std::string();
  char value[64] = {};
  DWORD size = sizeof value;
  DWORD type = 0;
  RegQueryValueEx(key, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return value;
}

TEST_F(ShellTest, TheAudioCDVerbIsClearedOnlyWhereItsKeysExist) {
  const char* shell = "Software\\Classes\\AudioCD\\Shell";
  RegDeleteKey(HKEY_LOCAL_MACHINE, shell);
  RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Classes\\AudioCD");
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  bool exists = true;
  DefaultValue(HKEY_LOCAL_MACHINE, shell, &exists);
  EXPECT_FALSE(exists);
  TearDown();
  SetUp();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, shell, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueEx(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("play"), 5);
  RegCloseKey(key);
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, shell, &exists), "");
  EXPECT_TRUE(exists);
  Form1->AutoPlayCD();
  EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, shell, &exists), "play");
  RegDeleteKey(HKEY_LOCAL_MACHINE, shell);
  RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Classes\\AudioCD");
}

TEST_F(ShellTest, TheLastCDDriveIsSearched) {
  velko_test::TempDir d, f;
  platform::MapDrive('D', d.path().string(), DRIVE_CDROM);
  platform::MapDrive('F', f.path().string(), DRIVE_CDROM);
  Start({.earlier_starts = 9, .write_list = true, .list_text = ""});
  Form1->FindCD();
  platform::UnmapDrive('D');
  platform::UnmapDrive('F');
  EXPECT_EQ(CDHunterForm->mp3hunt->Location(), "F:\\");
}

}  // namespace
}  // namespace app_test

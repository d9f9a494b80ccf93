// The windows as the program joins them: the keys open each one on the
// main window's list, player and settings.
#include <functional>

#include "app/Settings.h"
#include "classlib/Application.h"
#include "library/CDHunter.h"
#include "library/dotags.h"
#include "library/video.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "platform/cd/cd.h"
#include "platform/user/virtual_keys.h"
#include "ripper/Ripper.h"
#include "skins/SkinEngine.h"
#include "skins/SkinPageCtrl.h"
#include "tests/app/app_fixture.h"
#include "tests/support/cd_image.h"
#include "tests/support/clock_driver.h"

namespace app_test {
namespace {

using WiringTest = AppTest;

std::vector<std::string> Captions(TListView* list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list->Items()->Count(); ++i) rows.push_back(list->Items()->Item(i)->Caption());
  return rows;
}

TEST_F(WiringTest, NetworkWindowShowsOnF4AndDrivesTheMainPlayer) {
  AddSong("Music/one.mp3");
  Start({.earlier_starts = 5});
  ASSERT_NE(MainPlayer, nullptr);
  Form1->FindMusic();
  ASSERT_EQ(Form1->MusicList->Items()->Count(), 1);
  Form1->MusicList->SetSelected(Form1->MusicList->Items()->Item(0));
  Form1->ClickPlay(Form1);
  // The first show asks for the sharing options: cancelled here.
  bool asked = false;
  Form2->OnShow = [&](TObject*) {
    asked = true;
    PostMessage(Form2->Handle(), WM_CLOSE, 0, 0);
  };
  Press(VK_F1 + 3);
  EXPECT_TRUE(asked);
  EXPECT_TRUE(NutsForm->Visible());
  // Not modal: the main window still takes keys.
  EXPECT_TRUE(Form1->Enabled());

  auto press = [](TVrButtonType button) { NutsForm->Navigator->OnButtonClick(NutsForm->Navigator, button); };
  press(btStop);
  EXPECT_NE(MainPlayer->PlayerMode, pmPlaying);
  press(btPlay);
  EXPECT_EQ(MainPlayer->PlayerMode, pmPlaying);
  EXPECT_EQ(MainPlayer->StreamInfo.FileName, "one.mp3");
  EXPECT_EQ(CurrentSongPath, "c:\\Music\\one.mp3");
  EXPECT_EQ(NutsForm->MusicLabel->Text(), MainPlayer->StreamInfo.Title);
  press(btPause);
  EXPECT_EQ(MainPlayer->PlayerMode, pmPaused);
}

TEST_F(WiringTest, F8ListsTheDiscTracksIntoTheSongAndRipperLists) {
  AddSong("Music/one.mp3");
  Start({.earlier_starts = 5});
  const auto cue = velko_test::WriteCdImage(music_.path(), "disc", {{150}, {75}, {75, false}});
  ASSERT_TRUE(platform::cd::InsertImage('K', cue.string()));
  {
    velko_test::ClockDriver clock;
    Press(VK_F1 + 7);
  }
  platform::cd::RemoveImage('K');
  EXPECT_EQ(CDHunterForm->mp3hunt->Location(), "K:\\");
  const std::vector<std::string> tracks{"Track01.cda", "Track02.cda"};
  EXPECT_EQ(Captions(Form1->MusicList), tracks);
  EXPECT_EQ(Captions(RipperForm->RipperList), tracks);
}

// Each modal window checks its links while it shows, then closes.
struct ModalCase {
  const char* name;
  UINT key;
  std::function<TCustomForm*()> form;
  std::function<void()> check;
};

TEST_F(WiringTest, ModalWindowsOpenOnTheirKeysWithTheMainWindowsParts) {
  const ModalCase cases[] = {
      {"preferences", VK_F1 + 4, [] { return static_cast<TCustomForm*>(SettingsForm); },
       [] {
         auto* pages = dynamic_cast<TscPageControl*>(SettingsForm->PageControl1);
         ASSERT_NE(pages, nullptr);
         ASSERT_NE(SettingsForm->scSkin, nullptr);
         EXPECT_EQ(pages->SkinEngine(), SettingsForm->scSkin);
         EXPECT_EQ(SettingsForm->scSkin->Owner(), SettingsForm);
         EXPECT_TRUE(SettingsForm->scSkin->SkinFile().empty());
         EXPECT_EQ(pages->PageCount(), 4);
         EXPECT_TRUE(pages->Visible());
       }},
      {"movies", VK_F1 + 5, [] { return static_cast<TCustomForm*>(VideoForm); },
       [] {
         EXPECT_EQ(VideoForm->FullBox, SettingsForm->FullBox);
         EXPECT_EQ(VideoForm->NavigateBox, SettingsForm->NavigateBox);
         ASSERT_NE(VideoForm->RegIni, nullptr);
         SettingsForm->RegIni->WriteBool("Velko", "ShowBig", false);
         EXPECT_FALSE(VideoForm->RegIni->ReadBool("Velko", "ShowBig", true));
         SettingsForm->RegIni->WriteBool("Velko", "ShowBig", true);
         EXPECT_TRUE(VideoForm->RegIni->ReadBool("Velko", "ShowBig", false));
       }},
      {"tags", VK_F1 + 8, [] { return static_cast<TCustomForm*>(TagForm); },
       [] {
         EXPECT_EQ(TagForm->MainPlayer, MainPlayer);
         EXPECT_EQ(TagForm->MainMusicList, Form1->MusicList);
         // Leaving the editor stops the main player and shows the main list.
         Form1->MusicList->SetVisible(false);
         TagForm->Quit(TagForm);
         EXPECT_TRUE(Form1->MusicList->Visible());
         EXPECT_NE(MainPlayer->PlayerMode, pmPlaying);
       }},
  };
  AddSong("Music/one.mp3");
  AddSong("Music/two.mp3");
  Start({.earlier_starts = 5});
  Form1->FindMusic();
  ASSERT_EQ(Form1->MusicList->Items()->Count(), 2);
  for (const ModalCase& c : cases) {
    SCOPED_TRACE(c.name);
    TCustomForm* form = c.form();
    ASSERT_NE(form, nullptr);
    bool shown = false;
    TNotifyEvent before = form->OnShow;
    form->OnShow = [&, form](TObject* Sender) {
      if (before) before(Sender);
      shown = true;
      c.check();
      PostMessage(form->Handle(), WM_CLOSE, 0, 0);
    };
    Press(c.key);
    form->OnShow = before;
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form->Visible());
  }
}

}  // namespace
}  // namespace app_test

#include "app/Program.h"

#include "app/BassTest.h"
#include "app/HelpView.h"
#include "app/Settings.h"
#include "app/Splash.h"
#include "app/aboutpar.h"
#include "classlib/Application.h"
#include "library/CDHunter.h"
#include "library/dotags.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "network_ui/NutOptions.h"
#include "network_ui/nuts.h"
#include "ripper/Ripper.h"
#include "ripper/SetAlbumInfo.h"

namespace {

// The windows were built apart; this hands each the others' parts it works
// on. The tag editor gets the player when the main window makes it.
void ConnectProgramForms() {
  if (Form1 == nullptr) return;
  if (CDHunterForm != nullptr) {
    CDHunterForm->SongList = Form1->MusicList;
    CDHunterForm->RipperList = RipperForm != nullptr ? RipperForm->RipperList : nullptr;
  }
  if (TagForm != nullptr) TagForm->MainMusicList = Form1->MusicList;
  if (VideoForm != nullptr && SettingsForm != nullptr) {
    VideoForm->FullBox = SettingsForm->FullBox;
    VideoForm->NavigateBox = SettingsForm->NavigateBox;
    VideoForm->RegIni = SettingsForm->RegIni ? &SettingsForm->RegIni->RegIniFile() : nullptr;
  }
  if (NutsForm != nullptr) {
    TNutsPlayerCommands& commands = NutsForm->PlayerCommands;
    commands.Play = [] { Form1->btnPlayClick(); };
    commands.Stop = [] { Form1->btnStopClick(); };
    commands.Pause = [] { Form1->btnPauseClick(); };
    commands.ShufflePlay = [] { Form1->ShufflePlay(Form1); };
    commands.CurrentTitle = [] { return MainPlayer != nullptr ? MainPlayer->StreamInfo.Title : String(); };
    commands.FindMusic = [] { Form1->FindMusic(); };
    commands.Terminate = [] { Form1->btnCloseClick(Form1); };
  }
}

}  // namespace

void CreateProgramForms() {
  SplashForm = new TSplashForm(Application);
  SplashForm->Show();
  SplashForm->Update();
  Application->Initialize();
  Application->HelpFile = "velko.hlp";
  Application->SetTitle("Velko");
  InstallHelpViewer();
  Application->CreateForm(Form1);
  Application->CreateForm(VideoHunterForm);
  Application->CreateForm(VideoForm);
  Application->CreateForm(ParAbout);
  Application->CreateForm(CDHunterForm);
  Application->CreateForm(SettingsForm);
  Application->CreateForm(TagForm);
  Application->CreateForm(AlbumInfoForm);
  Application->CreateForm(RipperForm);
  Application->CreateForm(NutsForm);
  Application->CreateForm(Form2);
  ConnectProgramForms();
  SplashForm->Hide();
  delete SplashForm;
  SplashForm = nullptr;
}

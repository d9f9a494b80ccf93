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
  SplashForm->Hide();
  delete SplashForm;
  SplashForm = nullptr;
}

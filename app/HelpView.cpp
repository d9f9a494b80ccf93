#include "app/HelpView.h"

#include "classlib/Application.h"
#include "classlib/FileRoutines.h"
#include "classlib/Strings.h"

THelpViewer* HelpViewer = nullptr;

THelpViewer::THelpViewer(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("HelpViewer");
  SetCaption("Velko Help");
  SetPosition(poScreenCenter);
  SetClientSize(560, 400);
  HelpText = new TMemo(this);
  HelpText->SetName("HelpText");
  HelpText->SetParent(this);
  HelpText->SetAlign(alClient);
  HelpText->SetReadOnly(true);
  HelpText->SetScrollBars(ssVertical);
  EndLoad();
}

bool ShowHelpFile(const String& FileName) {
  TStringList lines;
  try {
    if (FileName.empty() || !FileExists(FileName)) throw Exception("missing");
    lines.LoadFromFile(FileName);
  } catch (Exception&) {
    Application->MessageBox("Cannot find the help file " + FileName, Application->Title(), MB_OK | MB_ICONERROR);
    return false;
  }
  if (HelpViewer == nullptr) {
    HelpViewer = new THelpViewer(Application);
    HelpViewer->OnDestroy = [](TObject*) { HelpViewer = nullptr; };
  }
  HelpViewer->HelpText->Lines()->Assign(&lines);
  HelpViewer->HelpText->SetSelStart(0);
  HelpViewer->Show();
  return true;
}

void InstallHelpViewer() {
  Application->OnHelp = [](Word Command, NativeInt, bool&) {
    if (Command == HELP_QUIT) return true;
    return ShowHelpFile(Application->HelpFile);
  };
}

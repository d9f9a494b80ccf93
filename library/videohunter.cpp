#include "library/videohunter.h"

#include "library/video.h"
#include "platform/user/virtual_keys.h"

TVideoHunterForm* VideoHunterForm = nullptr;

TVideoHunterForm::TVideoHunterForm(TComponent* AOwner) : THunterForm(AOwner) {
  BeginLoad();
  SetName("VideoHunterForm");
  SetUpWindow("Hunting for your movies - Move your mouse over the lower button to Abort");
  mpghunt = new TFindFile(this);
  mpghunt->SetName("mpghunt");
  mpghunt->SetFilename("*.mpg");
  mpghunt->Attributes = {ffArchive, ffReadonly, ffDirectory};
  FoundFiles = new TAdvListView(this);
  FoundFiles->SetName("FoundFiles");
  SetUpFoundFiles("Movie");
  AVIHunt = new TFindFile(this);
  AVIHunt->SetName("AVIHunt");
  AVIHunt->SetFilename("*.avi");
  ASFHunt = new TFindFile(this);
  ASFHunt->SetName("ASFHunt");
  ASFHunt->SetFilename("*.asf");
  for (TFindFile* finder : {mpghunt, AVIHunt, ASFHunt}) {
    if (finder != mpghunt) finder->Attributes = {ffArchive, ffReadonly, ffHidden, ffSystem, ffDirectory};
    finder->Threaded = true;
    finder->OnFound = [this](TObject* Sender, const String& Folder, WIN32_FIND_DATA& Info) {
      FileFound(Sender, Folder, Info);
    };
  }
  mpghunt->OnComplete = [this](TObject* Sender) { FindAvi(Sender); };
  AVIHunt->OnComplete = [this](TObject* Sender) { FindASF(Sender); };
  ASFHunt->OnComplete = [this](TObject* Sender) { AllDone(Sender); };
  SetUpImage();
  SetUpButtons(TButtonOrder::WipeFirst,
               "Clear the menu of files - Click if you make any mistakes while\r\nbuilding a new Library that will "
               "encompass additional drives to C:\r\n\r\nIf your system has only one hard drive, usually labelled C, "
               "there is\r\nno need to use this button, as the search will be automatic",
               "Click here to select other drives to search for movies",
               [this](TObject* Sender) { TriggerSearch(Sender); });
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Abort(Sender, Key, Shift); };
  EndLoad();
  FitDriveCombo();
}

String TVideoHunterForm::DriveRoot() const { return String(1, DriveCombo->Drive()) + ":\\"; }

void TVideoHunterForm::FindMPG(TObject*) { StartFinder(mpghunt, "*.mpg", DriveRoot()); }
void TVideoHunterForm::FindAvi(TObject*) { StartFinder(AVIHunt, "*.avi", DriveRoot()); }
void TVideoHunterForm::FindASF(TObject*) { StartFinder(ASFHunt, "*.asf", DriveRoot()); }

void TVideoHunterForm::Abort(TObject*, Word& Key, TShiftState) {
  if (Key == VK_ESCAPE) mpghunt->Abort();
  AVIHunt->Abort();
  ASFHunt->Abort();
  Close();
}

std::vector<TAdvListView*> TVideoHunterForm::TargetLists() const {
  if (VideoForm == nullptr) return {};
  return {VideoForm->VideoList};
}

TAdvListView* TVideoHunterForm::ClearedList() const { return VideoForm != nullptr ? VideoForm->VideoList : nullptr; }

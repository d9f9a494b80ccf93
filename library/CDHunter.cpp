#include "library/CDHunter.h"

#include "classlib/FormatRoutines.h"
#include "platform/user/message_queue.h"
#include "platform/user/messages.h"
#include "platform/user/virtual_keys.h"

TCDHunterForm* CDHunterForm = nullptr;

TCDHunterForm::TCDHunterForm(TComponent* AOwner) : THunterForm(AOwner) {
  BeginLoad();
  SetName("CDHunterForm");
  SetUpWindow("Hunting for CD Tracks - Move mouse over lower button to Abort");
  // Below the visible client area, with no handler.
  QuitButton = new TSpeedButton(this);
  QuitButton->SetName("QuitButton");
  QuitButton->SetParent(this);
  QuitButton->SetBounds(8, 260, 100, 24);
  QuitButton->Hint = "Click here to quit";
  FoundFiles = new TAdvListView(this);
  FoundFiles->SetName("FoundFiles");
  SetUpFoundFiles("Song");
  mp3hunt = new TFindFile(this);
  mp3hunt->SetName("mp3hunt");
  mp3hunt->SetFilename("*.cda");
  mp3hunt->Attributes = {ffArchive, ffReadonly, ffHidden, ffSystem, ffDirectory};
  mp3hunt->Threaded = true;
  mp3hunt->OnFound = [this](TObject* Sender, const String& Folder, WIN32_FIND_DATA& Info) {
    FileFound(Sender, Folder, Info);
  };
  mp3hunt->OnComplete = [this](TObject* Sender) { AllDone(Sender); };
  SetUpImage();
  SetUpButtons(TButtonOrder::StopFirst, String(), "Click here to select other drives to search for music",
               [this](TObject* Sender) { DriveSelected(Sender); });
  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { Abort(Sender, Key, Shift); };
  EndLoad();
  FitDriveCombo();
}

void TCDHunterForm::FindMP3(TObject*) {
  WipeButton->Hint =
      "Clear the search Window - Use this if the autosearch fails to find your\r\nCD, then click the drives "
      "button below to select the correct location";
  // Only a CD-ROM drive (or a drive picked below) gives the search its
  // place; left empty, the finder would walk the current folder and every
  // folder under it. With no place there is nothing to search: the window
  // reports no tracks as a search that found none would.
  walking_ = !mp3hunt->Location().empty();
  if (!walking_) {
    PostMessage(Handle(), kNothingToSearch, 0, 0);
    return;
  }
  StartFinder(mp3hunt, "*.cda", mp3hunt->Location());
}

void TCDHunterForm::Dispatch(TMessage& Message) {
  if (Message.Msg == kNothingToSearch) {
    NothingFound();
    return;
  }
  THunterForm::Dispatch(Message);
}

void TCDHunterForm::NothingFound() {
  if (Visible()) {
    AllDone(this);
    return;
  }
  // Closed before the report came: the result is set, but nobody is left
  // to read it during the closing wait.
  SetCaption("Search has completed - " + Format(FoundFormat(), FoundFiles->Items()->Count()));
  searching_ = false;
}

// The drive picked in the combo box is where the next search looks.
void TCDHunterForm::DriveSelected(TObject* Sender) {
  if (DriveCombo->Drive() != 0) mp3hunt->SetLocation(String(1, DriveCombo->Drive()) + ":\\");
  TriggerSearch(Sender);
}

void TCDHunterForm::Abort(TObject*, Word& Key, TShiftState) {
  if (Key == VK_ESCAPE) mp3hunt->Abort();
  Close();
}
